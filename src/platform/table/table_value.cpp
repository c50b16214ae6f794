#include "platform/table/table_value.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace platform::tablevalue {

std::string NumberText(double value) {
    if (value == 0) return "0";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", value);
    std::string s = buf;
    std::size_t e = s.find('e');
    if (e == std::string::npos) return s;
    std::string mantissa = s.substr(0, e);
    int exponent = std::atoi(s.c_str() + e + 1);
    return mantissa + "E" + std::to_string(exponent);
}

std::string CutUtf8(std::string_view text, std::size_t n) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if ((c & 0xC0) != 0x80) {
            if (count == n) return std::string(text.substr(0, i));
            ++count;
        }
    }
    return std::string(text);
}

std::string DateTimeIso(const DateTime& v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", v.year, v.month, v.day,
                  v.hour, v.minute, v.second);
    return buf;
}

namespace {

bool ValidDate(const DateTime& d) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (d.year < 1 || d.year > 9999 || d.month < 1 || d.month > 12 || d.day < 1) return false;
    bool leap = (d.year % 4 == 0 && d.year % 100 != 0) || d.year % 400 == 0;
    int limit = days[d.month - 1] + (d.month == 2 && leap ? 1 : 0);
    return d.day <= limit && d.hour >= 0 && d.hour < 24 && d.minute >= 0 && d.minute < 60 &&
           d.second >= 0 && d.second < 60;
}

// Reads up to maxDigits digits (at least one).
bool Digits(std::string_view s, std::size_t& i, int maxDigits, int& out) {
    int n = 0, v = 0;
    while (i < s.size() && n < maxDigits && std::isdigit(static_cast<unsigned char>(s[i]))) {
        v = v * 10 + (s[i] - '0');
        ++i;
        ++n;
    }
    out = v;
    return n > 0;
}

bool Expect(std::string_view s, std::size_t& i, char c) {
    if (i < s.size() && s[i] == c) {
        ++i;
        return true;
    }
    return false;
}

bool ReadTime(std::string_view s, std::size_t& i, DateTime& d) {
    if (i == s.size()) return true;
    if (!Expect(s, i, ' ') && !Expect(s, i, 'T')) return false;
    if (!Digits(s, i, 2, d.hour) || !Expect(s, i, ':') || !Digits(s, i, 2, d.minute))
        return false;
    if (Expect(s, i, ':') && !Digits(s, i, 2, d.second)) return false;
    return i == s.size();
}

}  // namespace

std::optional<DateTime> ParseDateTime(std::string_view text) {
    DateTime d;
    std::size_t i = 0;
    int a = 0;
    if (!Digits(text, i, 4, a)) return std::nullopt;
    if (i < text.size() && text[i] == '-') {
        d.year = a;
        ++i;
        if (!Digits(text, i, 2, d.month) || !Expect(text, i, '-') || !Digits(text, i, 2, d.day))
            return std::nullopt;
    } else if (i < text.size() && text[i] == '.') {
        d.day = a;
        ++i;
        if (!Digits(text, i, 2, d.month) || !Expect(text, i, '.') || !Digits(text, i, 4, d.year))
            return std::nullopt;
    } else {
        return std::nullopt;
    }
    d.hour = d.minute = d.second = 0;
    if (!ReadTime(text, i, d) || !ValidDate(d)) return std::nullopt;
    return d;
}

std::string LowerAscii(std::string_view text) {
    std::string s(text);
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

namespace {
std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return s;
}
}  // namespace

bool ParseIntegerText(std::string_view text, long long& value) {
    std::string s(TrimBlanks(text));
    if (s.empty()) return false;
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(s.c_str(), &end, 10);
    if (errno != 0 || *end != '\0') return false;
    value = v;
    return true;
}

bool ParseRealText(std::string_view text, double& value) {
    std::string s(TrimBlanks(text));
    if (s.empty()) return false;
    char* end = nullptr;
    double v = std::strtod(s.c_str(), &end);
    if (*end != '\0') return false;
    value = v;
    return true;
}

}  // namespace platform::tablevalue
