#include "platform/text/text.h"

#include <array>
#include <cstdint>

#include "platform/text/app_error.h"
#include "platform/text/file_bytes.h"

namespace platform {

namespace {

// Code points of bytes 0x80..0xBF; 0xC0..0xFF are U+0410..U+044F in order.
constexpr std::array<char32_t, 64> kHighTable = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
};

char32_t ByteToCodePoint(unsigned char byte) {
    if (byte < 0x80) return byte;
    if (byte >= 0xC0) return 0x0410 + (byte - 0xC0);
    return kHighTable[byte - 0x80];
}

int CodePointToByte(char32_t cp) {
    if (cp < 0x80) return static_cast<int>(cp);
    if (cp >= 0x0410 && cp <= 0x044F) return static_cast<int>(0xC0 + (cp - 0x0410));
    for (std::size_t i = 0; i < kHighTable.size(); ++i)
        if (kHighTable[i] == cp) return static_cast<int>(0x80 + i);
    return -1;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes one UTF-8 sequence at text[pos]; advances pos. Returns -1 for a malformed
// sequence (overlong forms, surrogates and stray bytes included), consuming one byte.
long DecodeUtf8(std::string_view text, std::size_t& pos) {
    auto lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    int length = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, cp = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, cp = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, cp = lead & 0x07, minimum = 0x10000;
    } else {
        ++pos;
        return -1;
    }
    if (pos + length > text.size()) {
        ++pos;
        return -1;
    }
    for (int i = 1; i < length; ++i) {
        auto next = static_cast<unsigned char>(text[pos + i]);
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return -1;
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++pos;
        return -1;
    }
    pos += length;
    return static_cast<long>(cp);
}

char32_t UpperCodePoint(char32_t cp) {
    if (cp >= 'a' && cp <= 'z') return cp - 32;
    if (cp >= 0x0430 && cp <= 0x044F) return cp - 0x20;  // а..я
    if (cp >= 0x0450 && cp <= 0x045F) return cp - 0x50;  // ѐ..џ: ё, ђ, ѓ, є, ѕ, і, ї, ј, љ ...
    if (cp == 0x0491) return 0x0490;                     // ґ
    return cp;
}

}  // namespace

std::string Cp1251ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char c : bytes) AppendUtf8(out, ByteToCodePoint(static_cast<unsigned char>(c)));
    return out;
}

std::string Utf8ToCp1251(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        long cp = DecodeUtf8(text, pos);
        int byte = cp < 0 ? -1 : CodePointToByte(static_cast<char32_t>(cp));
        out += byte < 0 ? '?' : static_cast<char>(byte);
    }
    return out;
}

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        char c = text[pos];
        if (c == '\r' || c == '\n') {
            lines.emplace_back(text.substr(start, pos - start));
            pos += (c == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') ? 2 : 1;
            start = pos;
        } else {
            ++pos;
        }
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

std::vector<std::string> ReadCp1251Lines(const std::string& path) {
    std::optional<std::string> bytes = ReadFileBytes(path);
    if (!bytes) throw AppError("Не удалось прочитать файл " + path);
    return SplitLines(Cp1251ToUtf8(*bytes));
}

void WriteCp1251Lines(const std::string& path, const std::vector<std::string>& lines) {
    std::string bytes;
    for (const std::string& line : lines) {
        bytes += Utf8ToCp1251(line);
        bytes += "\r\n";
    }
    WriteFileAtomically(path, bytes);
}

std::string UpperCase(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t start = pos;
        long cp = DecodeUtf8(text, pos);
        if (cp < 0)
            out.append(text.substr(start, pos - start));  // malformed bytes pass unchanged
        else
            AppendUtf8(out, UpperCodePoint(static_cast<char32_t>(cp)));
    }
    return out;
}

std::string UpperCaseLatin(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return out;
}

std::string Trim(std::string_view text) {
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && blank(text[begin])) ++begin;
    while (end > begin && blank(text[end - 1])) --end;
    return std::string(text.substr(begin, end - begin));
}

std::string GetDelimitedField(std::string_view text, char delimiter, int n) {
    if (n < 1) return {};
    std::size_t start = 0;
    for (int field = 1;; ++field) {
        std::size_t end = text.find(delimiter, start);
        if (field == n)
            return std::string(text.substr(
                start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) return {};
        start = end + 1;
    }
}

std::string ReplaceAll(std::string_view text, char character, std::string_view replacement) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == character)
            out.append(replacement);
        else
            out += c;
    }
    return out;
}

std::size_t CharCount(std::string_view text) {
    std::size_t count = 0;
    for (char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
    return count;
}

std::string CutToChars(std::string_view text, std::size_t n) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            if (count == n) return std::string(text.substr(0, i));
            ++count;
        }
    }
    return std::string(text);
}

}  // namespace platform
