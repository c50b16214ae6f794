// Number texts: the general number text, grouped number patterns and strict parsing.
// Everything here is independent of the process locale (std::to_chars / from_chars).
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <system_error>

#include "platform/text/text.h"

namespace platform {

namespace {

// The magnitude of a finite, non-zero value as `precision` + 1 significant digits
// (rounded to nearest) and the decimal exponent of the first one.
struct Digits {
    std::string digits;
    int exponent = 0;
};

Digits SignificantDigits(double magnitude, int precision) {
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude,
                                std::chars_format::scientific, precision);
    std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
    Digits out;
    std::size_t e = text.find('e');
    for (char c : text.substr(0, e))
        if (c != '.') out.digits += c;
    std::from_chars(text.data() + e + (text[e + 1] == '+' ? 2 : 1), text.data() + text.size(),
                    out.exponent);
    return out;
}

std::string SpecialText(double value) {
    if (std::isnan(value)) return "NAN";
    return value < 0 ? "-INF" : "INF";
}

bool IsPlaceholder(char c) { return c == '#' || c == '0'; }

// Adds one unit in the last place of a decimal digit string; returns the carry out.
bool IncrementDigits(std::string& digits) {
    for (std::size_t i = digits.size(); i-- > 0;) {
        if (digits[i] != '9') {
            ++digits[i];
            return false;
        }
        digits[i] = '0';
    }
    return true;
}

// |value| rounded to `decimals` places: 18 significant digits first, then half away from
// zero at the last place. intPart has no leading zeros (empty for zero).
void RoundToDecimals(double value, int decimals, std::string& intPart, std::string& fracPart) {
    intPart.clear();
    fracPart.clear();
    if (value != 0) {
        Digits d = SignificantDigits(std::fabs(value), 17);
        int pointPos = d.exponent + 1;
        int size = static_cast<int>(d.digits.size());
        if (pointPos <= 0) {
            fracPart = std::string(static_cast<std::size_t>(-pointPos), '0') + d.digits;
        } else if (pointPos >= size) {
            intPart = d.digits + std::string(static_cast<std::size_t>(pointPos - size), '0');
        } else {
            intPart = d.digits.substr(0, static_cast<std::size_t>(pointPos));
            fracPart = d.digits.substr(static_cast<std::size_t>(pointPos));
        }
    }
    auto keep = static_cast<std::size_t>(decimals);
    bool roundUp = fracPart.size() > keep && fracPart[keep] >= '5';
    if (fracPart.size() > keep) fracPart.resize(keep);
    fracPart.append(keep - fracPart.size(), '0');
    if (roundUp) {
        std::string all = intPart + fracPart;
        if (IncrementDigits(all)) all.insert(all.begin(), '1');
        intPart = all.substr(0, all.size() - keep);
        fracPart = all.substr(all.size() - keep);
    }
    std::size_t firstNonZero = intPart.find_first_not_of('0');
    intPart = firstNonZero == std::string::npos ? "" : intPart.substr(firstNonZero);
}

void WriteIntegerSection(std::string_view section, const std::string& digits, std::string& out) {
    int placeholders = 0;
    for (char c : section)
        if (IsPlaceholder(c)) ++placeholders;
    int count = static_cast<int>(digits.size());
    int offset = placeholders - count;  // index of the placeholder the first digit falls on
    if (placeholders == 0) out += digits;
    int k = 0;
    for (char c : section) {
        if (!IsPlaceholder(c)) {
            out += c;
            continue;
        }
        if (k == 0 && offset < 0) {
            out += digits.substr(0, static_cast<std::size_t>(1 - offset));
        } else if (k - offset >= 0 && k - offset < count) {
            out += digits[static_cast<std::size_t>(k - offset)];
        } else if (c == '0') {
            out += '0';
        }
        ++k;
    }
}

void WriteFractionSection(std::string_view section, std::string fraction, std::size_t required,
                          std::string& out) {
    while (fraction.size() > required && fraction.back() == '0') fraction.pop_back();
    if (fraction.empty()) return;
    out += '.';
    std::size_t k = 0;
    for (char c : section) {
        if (!IsPlaceholder(c))
            out += c;
        else if (k < fraction.size())
            out += fraction[k++];
    }
}

}  // namespace

std::string GeneralNumberText(double value) {
    if (!std::isfinite(value)) return SpecialText(value);
    if (value == 0) return "0";
    Digits d = SignificantDigits(std::fabs(value), 14);
    while (d.digits.size() > 1 && d.digits.back() == '0') d.digits.pop_back();
    std::string out = value < 0 ? "-" : "";
    int exponent = d.exponent;
    int size = static_cast<int>(d.digits.size());
    if (exponent < -4 || exponent >= 15) {
        out += d.digits[0];
        if (size > 1) out += "." + d.digits.substr(1);
        out += "E" + std::to_string(exponent);
    } else if (exponent < 0) {
        out += "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + d.digits;
    } else if (size <= exponent + 1) {
        out += d.digits + std::string(static_cast<std::size_t>(exponent + 1 - size), '0');
    } else {
        out += d.digits.substr(0, static_cast<std::size_t>(exponent + 1)) + "." +
               d.digits.substr(static_cast<std::size_t>(exponent + 1));
    }
    return out;
}

std::string FormatGroupedNumber(double value, std::string_view pattern) {
    if (!std::isfinite(value)) return SpecialText(value);
    std::size_t first = pattern.find_first_of("#0");
    if (first == std::string_view::npos) return std::string(pattern);
    std::size_t last = pattern.find_last_of("#0");
    std::string_view prefix = pattern.substr(0, first);
    std::string_view middle = pattern.substr(first, last - first + 1);
    std::string_view suffix = pattern.substr(last + 1);
    std::size_t point = middle.find('.');
    std::string_view intSection = middle.substr(0, point);
    std::string_view fracSection =
        point == std::string_view::npos ? std::string_view() : middle.substr(point + 1);

    int decimals = 0;
    std::size_t required = 0;
    for (char c : fracSection) {
        if (!IsPlaceholder(c)) continue;
        ++decimals;
        if (c == '0') required = static_cast<std::size_t>(decimals);
    }
    std::string intPart, fracPart;
    RoundToDecimals(value, decimals, intPart, fracPart);

    std::string out;
    bool nonZero = !intPart.empty() || fracPart.find_first_not_of('0') != std::string::npos;
    if (value < 0 && nonZero) out += '-';
    out += prefix;
    WriteIntegerSection(intSection, intPart, out);
    WriteFractionSection(fracSection, fracPart, required, out);
    out += suffix;
    return out;
}

bool ParseInteger(std::string_view text, long long& value) {
    std::size_t pos = 0;
    while (pos < text.size() && static_cast<unsigned char>(text[pos]) <= 32) ++pos;
    text.remove_prefix(pos);
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return false;
    unsigned long long magnitude = 0;
    auto result = std::from_chars(text.data(), text.data() + text.size(), magnitude);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return false;
    constexpr auto maxPositive =
        static_cast<unsigned long long>(std::numeric_limits<long long>::max());
    if (magnitude > maxPositive + (negative ? 1 : 0)) return false;
    if (negative)
        value = magnitude == maxPositive + 1 ? std::numeric_limits<long long>::min()
                                             : -static_cast<long long>(magnitude);
    else
        value = static_cast<long long>(magnitude);
    return true;
}

bool ParseReal(std::string_view text, double& value) {
    std::string trimmed = Trim(text);
    std::string_view rest = trimmed;
    bool negative = false;
    if (!rest.empty() && (rest[0] == '+' || rest[0] == '-')) {
        negative = rest[0] == '-';
        rest.remove_prefix(1);
    }
    // Only plain decimal texts: no "inf", "nan" or hexadecimal forms.
    if (rest.empty() || !(std::isdigit(static_cast<unsigned char>(rest[0])) || rest[0] == '.'))
        return false;
    double parsed = 0;
    auto result =
        std::from_chars(rest.data(), rest.data() + rest.size(), parsed, std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != rest.data() + rest.size()) return false;
    value = negative ? -parsed : parsed;
    return true;
}

}  // namespace platform
