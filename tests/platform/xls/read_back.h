// Reads a saved workbook back with a real reader (Debian's python3-xlrd, through
// dump_workbook.py beside this file) and gives what it saw as key/value pairs:
// "A1" value, "A1.type", "A1.font" (name|height|bold|colour), "A1.format" (key|text),
// "A1.align" (horizontal|vertical|wrap), "A1.border", "A1.fill", "col.N", "row.N",
// "wsbool", "sheets", "format.N", "sst.continues", "error" when the reader failed.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "test_support.h"

namespace readback {

using Book = std::map<std::string, std::string>;

inline std::string DumpScript() {
    return testsupport::SourceDir() + "/tests/platform/xls/dump_workbook.py";
}

inline Book ParseDump(const std::string& text) {
    Book book;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        std::size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string value;
        for (std::size_t i = eq + 1; i < line.size(); ++i) {
            if (line[i] == '\\' && i + 1 < line.size()) {
                value += line[i + 1] == 'n' ? '\n' : line[i + 1];
                ++i;
            } else {
                value += line[i];
            }
        }
        book[line.substr(0, eq)] = value;
    }
    return book;
}

// styleRows: styles are dumped only for cells in rows below it (-1: all rows).
inline Book ReadBack(const std::string& xlsPath, int styleRows = -1) {
    testsupport::TempDir dir;
    std::string outFile = dir / "dump.txt";
    std::vector<std::string> argv{"/usr/bin/python3", DumpScript(), xlsPath};
    if (styleRows >= 0) argv.push_back(std::to_string(styleRows));
    int status = testsupport::RunCommand(argv, outFile);
    Book book = ParseDump(testsupport::ReadFile(outFile));
    EXPECT_EQ(status, 0) << "reader failed on " << xlsPath << ": " << book["error"];
    return book;
}

inline std::string Get(const Book& book, const std::string& key) {
    auto found = book.find(key);
    return found == book.end() ? "<absent>" : found->second;
}

}  // namespace readback
