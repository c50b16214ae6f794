// Calendar date-times as the tables keep them (ISO text "YYYY-MM-DD HH:MM:SS", date 0 is
// 1899-12-30 00:00:00) and their Russian texts (short date dd.mm.yyyy, long time H:mm:ss).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

struct DateTime {
    int year = 1899, month = 12, day = 30, hour = 0, minute = 0, second = 0;

    static DateTime Zero() { return {}; }
    static DateTime Now();  // local time
    // "YYYY-MM-DD HH:MM:SS"; FromIso accepts also "YYYY-MM-DD". Empty optional when invalid.
    std::string ToIso() const;
    static std::optional<DateTime> FromIso(std::string_view text);
    // A valid calendar date (leap years included) and time.
    bool IsValid() const;
    auto operator<=>(const DateTime&) const = default;
};

// "dd.mm.yyyy" into a date at 00:00:00; empty optional when the text is no such date
// (31.02.2008, 1.2.x, letters). Day and month may have one or two digits.
std::optional<DateTime> ParseRussianDate(std::string_view text);
// "dd.mm.yyyy"
std::string FormatShortDate(const DateTime& value);
// "H:mm:ss"
std::string FormatLongTime(const DateTime& value);
// Last modification of a file in local time; empty optional when it does not exist.
std::optional<DateTime> FileModificationTime(const std::string& path);
// " от " + short date + " " + long time (time left out when exactly 00:00:00), or empty
// text when the file does not exist.
std::string ImportDateText(const std::string& fileName);

}  // namespace platform
