#include "platform/ini/ini_file.h"

#include <climits>
#include <optional>

#include "platform/text/app_error.h"
#include "platform/text/file_bytes.h"
#include "platform/text/text.h"

namespace platform {

namespace {

using Lines = std::vector<std::string>;

Lines LoadLines(const std::string& path) {
    std::optional<std::string> bytes = ReadFileBytes(path);
    return bytes ? SplitLines(Cp1251ToUtf8(*bytes)) : Lines{};
}

bool SameName(const std::string& a, const std::string& b) { return UpperCase(a) == UpperCase(b); }

// The section name of a "[name]" line.
std::optional<std::string> SectionName(const std::string& line) {
    std::string text = Trim(line);
    if (text.empty() || text.front() != '[') return std::nullopt;
    std::size_t close = text.find(']');
    return Trim(std::string_view(text).substr(
        1, close == std::string::npos ? std::string::npos : close - 1));
}

// Key and value of a "key=value" line; comments and lines without "=" have none.
bool SplitKeyLine(const std::string& line, std::string& key, std::string& value) {
    std::string text = Trim(line);
    if (text.empty() || text.front() == ';') return false;
    std::size_t eq = text.find('=');
    if (eq == std::string::npos) return false;
    key = Trim(std::string_view(text).substr(0, eq));
    value = Trim(std::string_view(text).substr(eq + 1));
    return true;
}

// The lines [begin, end) of the first section of that name (begin is its header line);
// begin == npos when there is none.
std::pair<std::size_t, std::size_t> FindSection(const Lines& lines, const std::string& section) {
    std::size_t begin = std::string::npos;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::optional<std::string> name = SectionName(lines[i]);
        if (!name) continue;
        if (begin != std::string::npos) return {begin, i};
        if (SameName(*name, section)) begin = i;
    }
    return {begin, lines.size()};
}

std::optional<std::size_t> FindKey(const Lines& lines, const std::string& section,
                                   const std::string& key) {
    auto [begin, end] = FindSection(lines, section);
    if (begin == std::string::npos) return std::nullopt;
    std::string k, v;
    for (std::size_t i = begin + 1; i < end; ++i)
        if (SplitKeyLine(lines[i], k, v) && SameName(k, key)) return i;
    return std::nullopt;
}

std::string OneLine(std::string value) {
    for (char& c : value)
        if (c == '\r' || c == '\n') c = ' ';
    return value;
}

bool ValidName(const std::string& name, bool isKey) {
    std::string trimmed = Trim(name);
    if (trimmed.empty() || trimmed != name) return false;
    if (name.find_first_of("\r\n") != std::string::npos) return false;
    if (isKey)
        return name.find('=') == std::string::npos && name.front() != ';' && name.front() != '[';
    return name.find(']') == std::string::npos;
}

void SetKey(Lines& lines, const std::string& section, const std::string& key,
            const std::string& value) {
    std::string line = key + "=" + OneLine(value);
    if (std::optional<std::size_t> at = FindKey(lines, section, key)) {
        lines[*at] = line;
        return;
    }
    auto [begin, end] = FindSection(lines, section);
    if (begin == std::string::npos) {
        lines.push_back("[" + section + "]");
        lines.push_back(line);
        return;
    }
    // After the section's last non-blank line, so blank separators stay below it.
    std::size_t insertAt = end;
    while (insertAt > begin + 1 && Trim(lines[insertAt - 1]).empty()) --insertAt;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), line);
}

}  // namespace

IniFile::IniFile(std::string path) : m_path(std::move(path)) { Reload(); }

void IniFile::Reload() { m_lines = LoadLines(m_path); }

bool IniFile::SectionExists(const std::string& section) const {
    return FindSection(m_lines, section).first != std::string::npos;
}

bool IniFile::KeyExists(const std::string& section, const std::string& key) const {
    return FindKey(m_lines, section, key).has_value();
}

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& defaultValue) const {
    std::optional<std::size_t> at = FindKey(m_lines, section, key);
    if (!at) return defaultValue;
    std::string k, value;
    SplitKeyLine(m_lines[*at], k, value);
    return value;
}

int IniFile::ReadInteger(const std::string& section, const std::string& key,
                         int defaultValue) const {
    long long value = 0;
    if (!ParseInteger(ReadString(section, key, ""), value) || value < INT_MIN || value > INT_MAX)
        return defaultValue;
    return static_cast<int>(value);
}

bool IniFile::ReadBool(const std::string& section, const std::string& key,
                       bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

bool IniFile::WriteString(const std::string& section, const std::string& key,
                          const std::string& value) {
    return WriteStrings(section, {{key, value}});
}

bool IniFile::WriteInteger(const std::string& section, const std::string& key, long long value) {
    return WriteString(section, key, std::to_string(value));
}

bool IniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
    return WriteString(section, key, value ? "1" : "0");
}

bool IniFile::WriteStrings(const std::string& section,
                           const std::vector<std::pair<std::string, std::string>>& values) {
    if (!ValidName(section, false)) return false;
    for (const auto& [key, value] : values)
        if (!ValidName(key, true)) return false;
    // Start from the file as it is now, so changes made by others are kept.
    Lines lines = LoadLines(m_path);
    for (const auto& [key, value] : values) SetKey(lines, section, key, value);
    std::string bytes;
    for (const std::string& line : lines) bytes += Utf8ToCp1251(line) + "\r\n";
    try {
        WriteFileAtomically(m_path, bytes);
    } catch (const AppError&) {
        return false;
    }
    m_lines = SplitLines(Cp1251ToUtf8(bytes));  // as the file now holds it
    return true;
}

}  // namespace platform
