#include "platform/table/table_value.h"

#include <cctype>

namespace platform::tablevalue {

namespace {

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
    if (!Digits(s, i, 2, d.hour) || !Expect(s, i, ':') || !Digits(s, i, 2, d.minute)) return false;
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
    if (!ReadTime(text, i, d) || !d.IsValid()) return std::nullopt;
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

}  // namespace platform::tablevalue
