// Values as the table engine holds them, and the small conversions between them and
// the typed field accessors (number text, ISO date-times, UTF-8 cutting).
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

// 15 significant digits, no trailing zeros, exponent form below 0.0001 and from 1E15.
std::string NumberText(double value);
// At most n code points of UTF-8 text.
std::string CutUtf8(std::string_view text, std::size_t n);
std::string DateTimeIso(const DateTime& value);
// "YYYY-MM-DD[ HH:MM:SS]" or "d.m.yyyy[ H:mm[:ss]]"; empty when neither or invalid.
std::optional<DateTime> ParseDateTime(std::string_view text);
std::string LowerAscii(std::string_view text);
bool EqualNoCase(std::string_view a, std::string_view b);
// Strict integer / real texts (blanks around allowed).
bool ParseIntegerText(std::string_view text, long long& value);
bool ParseRealText(std::string_view text, double& value);

}  // namespace tablevalue
}  // namespace platform
