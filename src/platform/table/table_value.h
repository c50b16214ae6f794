// Values as the table engine holds them, and the small conversions between them and
// the typed field accessors (date-time texts, field-name comparison); number texts and
// UTF-8 cutting are platform/text's.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/text/date_time.h"

namespace platform {

struct CellValue {
    enum class Kind { Null, Integer, Real, Text };
    Kind kind = Kind::Null;
    long long integer = 0;
    double real = 0;
    std::string text;

    static CellValue Null() { return {}; }
    static CellValue Int(long long v) { return {Kind::Integer, v, 0, {}}; }
    static CellValue Dbl(double v) { return {Kind::Real, 0, v, {}}; }
    static CellValue Txt(std::string v) { return {Kind::Text, 0, 0, std::move(v)}; }
    bool IsNull() const { return kind == Kind::Null; }
};

namespace tablevalue {

// "YYYY-MM-DD[ HH:MM:SS]" or "d.m.yyyy[ H:mm[:ss]]"; empty when neither or invalid.
std::optional<DateTime> ParseDateTime(std::string_view text);
std::string LowerAscii(std::string_view text);
bool EqualNoCase(std::string_view a, std::string_view b);

}  // namespace tablevalue
}  // namespace platform
