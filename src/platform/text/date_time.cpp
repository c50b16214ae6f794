#include "platform/text/date_time.h"

#include <sys/stat.h>

#include <cstdio>
#include <ctime>

namespace platform {

namespace {

bool IsLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

// Reads exactly `count` digits at text[pos]; advances pos.
bool ReadDigits(std::string_view text, std::size_t& pos, std::size_t count, int& value) {
    if (pos + count > text.size()) return false;
    value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        char c = text[pos + i];
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    pos += count;
    return true;
}

// One or two digits.
bool ReadShortNumber(std::string_view text, std::size_t& pos, int& value) {
    std::size_t count = 0;
    while (pos + count < text.size() && count < 3 && text[pos + count] >= '0' &&
           text[pos + count] <= '9')
        ++count;
    if (count == 0 || count > 2) return false;
    return ReadDigits(text, pos, count, value);
}

bool Expect(std::string_view text, std::size_t& pos, char c) {
    if (pos >= text.size() || text[pos] != c) return false;
    ++pos;
    return true;
}

DateTime FromTm(const std::tm& tm) {
    DateTime value;
    value.year = tm.tm_year + 1900;
    value.month = tm.tm_mon + 1;
    value.day = tm.tm_mday;
    value.hour = tm.tm_hour;
    value.minute = tm.tm_min;
    value.second = tm.tm_sec > 59 ? 59 : tm.tm_sec;  // a leap second shows as :59
    return value;
}

}  // namespace

DateTime DateTime::Now() {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return FromTm(tm);
}

std::string DateTime::ToIso() const {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, hour,
                  minute, second);
    return buffer;
}

std::optional<DateTime> DateTime::FromIso(std::string_view text) {
    DateTime value;
    std::size_t pos = 0;
    if (!ReadDigits(text, pos, 4, value.year) || !Expect(text, pos, '-') ||
        !ReadDigits(text, pos, 2, value.month) || !Expect(text, pos, '-') ||
        !ReadDigits(text, pos, 2, value.day))
        return std::nullopt;
    if (pos < text.size()) {
        if (!Expect(text, pos, ' ') || !ReadDigits(text, pos, 2, value.hour) ||
            !Expect(text, pos, ':') || !ReadDigits(text, pos, 2, value.minute) ||
            !Expect(text, pos, ':') || !ReadDigits(text, pos, 2, value.second) ||
            pos != text.size())
            return std::nullopt;
    } else {
        value.hour = value.minute = value.second = 0;
    }
    if (!value.IsValid()) return std::nullopt;
    return value;
}

bool DateTime::IsValid() const {
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
           day <= DaysInMonth(year, month) && hour >= 0 && hour <= 23 && minute >= 0 &&
           minute <= 59 && second >= 0 && second <= 59;
}

std::optional<DateTime> ParseRussianDate(std::string_view text) {
    DateTime value;
    std::size_t pos = 0;
    if (!ReadShortNumber(text, pos, value.day) || !Expect(text, pos, '.') ||
        !ReadShortNumber(text, pos, value.month) || !Expect(text, pos, '.') ||
        !ReadDigits(text, pos, 4, value.year) || pos != text.size())
        return std::nullopt;
    value.hour = value.minute = value.second = 0;
    if (!value.IsValid()) return std::nullopt;
    return value;
}

std::string FormatShortDate(const DateTime& value) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%02d.%02d.%04d", value.day, value.month, value.year);
    return buffer;
}

std::string FormatLongTime(const DateTime& value) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%d:%02d:%02d", value.hour, value.minute, value.second);
    return buffer;
}

std::optional<DateTime> FileModificationTime(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    std::time_t modified = info.st_mtime;
    std::tm tm{};
    if (localtime_r(&modified, &tm) == nullptr) return std::nullopt;
    return FromTm(tm);
}

std::string ImportDateText(const std::string& fileName) {
    struct stat info {};
    if (::stat(fileName.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return {};  // no file
    std::optional<DateTime> modified = FileModificationTime(fileName);
    if (!modified) return {};
    std::string text = " от " + FormatShortDate(*modified);
    if (modified->hour != 0 || modified->minute != 0 || modified->second != 0)
        text += " " + FormatLongTime(*modified);
    return text;
}

}  // namespace platform
