// INI files in Windows-1251 with the Windows profile behaviour: section and key names
// are compared without regard to letter case (every letter of the code page), a value is
// the text after the first "=" with blanks (codes up to 32) removed at both ends, and the
// first section and the first key of a name count. Reads see the file as it was at
// construction, at Reload() or at the last successful write. Every write reads the file
// again, changes only the lines it must (other sections, keys, comments and blank lines
// are kept), and replaces the file whole (temporary file + rename); lines end CR LF.
// Nothing here throws: a write that fails returns false and leaves the file as it was.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace platform {

class IniFile {
public:
    // Loads the file; a missing or unreadable file reads as empty.
    explicit IniFile(std::string path);

    const std::string& Path() const { return m_path; }
    void Reload();

    bool SectionExists(const std::string& section) const;
    bool KeyExists(const std::string& section, const std::string& key) const;

    // The value, or `defaultValue` when the section or key is missing. Quotes around a
    // value are kept as written.
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) const;
    // A whole decimal integer (optional sign) within the range of int; anything else
    // ("12abc", "1.5", "", "0x10") reads as `defaultValue`.
    int ReadInteger(const std::string& section, const std::string& key, int defaultValue) const;
    // Any non-zero integer is true, 0 is false; anything else reads as `defaultValue`.
    bool ReadBool(const std::string& section, const std::string& key, bool defaultValue) const;

    // Writes "key=value": replaces the key's line in place, or appends it after the last
    // line of its section, or appends the section at the end of the file. Line breaks in
    // a value are written as blanks, so a value never spills into another key. False when
    // the file cannot be written, or the section or key name is empty or unwritable.
    bool WriteString(const std::string& section, const std::string& key, const std::string& value);
    bool WriteInteger(const std::string& section, const std::string& key, long long value);
    // "1" or "0".
    bool WriteBool(const std::string& section, const std::string& key, bool value);
    // Several keys of one section in one replacement of the file, in the given order.
    bool WriteStrings(const std::string& section,
                      const std::vector<std::pair<std::string, std::string>>& values);

private:
    std::string m_path;
    std::vector<std::string> m_lines;  // UTF-8, without line endings
};

}  // namespace platform
