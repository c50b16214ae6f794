// Windows-1251 codec, line reading and whole-file writing.
#include <gtest/gtest.h>
#include <iconv.h>

#include <filesystem>

#include "platform/text/app_error.h"
#include "platform/text/file_bytes.h"
#include "platform/text/text.h"
#include "test_support.h"

using namespace platform;

namespace {

// The system's own converter, as an independent reference for the code page.
std::string IconvToUtf8(const std::string& bytes) {
    iconv_t cd = iconv_open("UTF-8", "CP1251");
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
    std::string in = bytes;
    std::string out(bytes.size() * 4 + 4, '\0');
    char* inPtr = in.data();
    char* outPtr = out.data();
    size_t inLeft = in.size(), outLeft = out.size();
    size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1)) return "<invalid>";
    out.resize(out.size() - outLeft);
    return out;
}

}  // namespace

TEST(Cp1251Codec, EveryByteMatchesTheSystemConverterAndRoundTrips) {
    for (int b = 0; b < 256; ++b) {
        std::string byte(1, static_cast<char>(b));
        std::string utf8 = Cp1251ToUtf8(byte);
        if (b != 0x98) {
            EXPECT_EQ(utf8, IconvToUtf8(byte)) << "byte " << b;
        }
        EXPECT_EQ(Utf8ToCp1251(utf8), byte) << "byte " << b;
    }
    EXPECT_EQ(Cp1251ToUtf8("\x98"), "\xC2\x98");
}

TEST(Cp1251Codec, KnownLettersAndSigns) {
    EXPECT_EQ(Cp1251ToUtf8("\xD2\xE0\xEB\xFC\xE2\xE5\xF0\xE8\xED"), "Тальверин");
    EXPECT_EQ(Utf8ToCp1251("Ёё№€"), "\xA8\xB8\xB9\x88");
}

TEST(Cp1251Codec, CharactersTheCodePageCannotHoldBecomeQuestionMarks) {
    struct Case {
        const char* utf8;
        const char* expected;
    };
    const Case cases[] = {
        {"Zürich", "Z?rich"},
        {"日本", "??"},
        {"a😀b", "a?b"},
        {"\xFF"
         "x",
         "?x"},                   // stray byte
        {"\xD0", "?"},            // truncated sequence
        {"\xC0\xAF", "??"},       // overlong form
        {"\xED\xA0\x80", "???"},  // surrogate
    };
    for (const Case& c : cases) EXPECT_EQ(Utf8ToCp1251(c.utf8), c.expected) << c.utf8;
}

TEST(SplitLines, AllThreeEndingsAndTheLastLine) {
    using Lines = std::vector<std::string>;
    EXPECT_EQ(SplitLines("a\r\nb\nc\rd"), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines("a\r\n"), (Lines{"a"}));
    EXPECT_EQ(SplitLines("a\n\nb\r\r\n"), (Lines{"a", "", "b", ""}));
    EXPECT_EQ(SplitLines(""), Lines{});
    EXPECT_EQ(SplitLines("\n"), Lines{""});
}

TEST(Cp1251Files, ReadLinesDecodesTheFile) {
    testsupport::TempDir dir;
    testsupport::WriteFile(dir / "list.csv",
                           "\xCA\xEE\xE4;\xC8\xEC\xFF\r\n1;\xA8\xEB\xEA\xE0\n2;x");
    std::vector<std::string> lines = ReadCp1251Lines(dir / "list.csv");
    EXPECT_EQ(lines, (std::vector<std::string>{"Код;Имя", "1;Ёлка", "2;x"}));
}

TEST(Cp1251Files, MissingFileThrowsNamingIt) {
    testsupport::TempDir dir;
    try {
        ReadCp1251Lines(dir / "nothing.csv");
        FAIL() << "no error";
    } catch (const AppError& e) {
        EXPECT_NE(std::string(e.what()).find("nothing.csv"), std::string::npos);
    }
}

TEST(Cp1251Files, WriteLinesEncodesWithCrLfAndReplacesTheFile) {
    testsupport::TempDir dir;
    testsupport::WriteFile(dir / "out.txt", "old content that is longer");
    WriteCp1251Lines(dir / "out.txt", {"Ёж", "", "end"});
    EXPECT_EQ(testsupport::ReadFile(dir / "out.txt"), "\xA8\xE6\r\n\r\nend\r\n");
}

TEST(WriteFileAtomically, FailureThrowsNamingTheFileAndKeepsNoTemporary) {
    testsupport::TempDir dir;
    EXPECT_THROW(WriteFileAtomically(dir / "missing/out.txt", "x"), AppError);
    WriteFileAtomically(dir / "a.bin", std::string("\0\1\2", 3));
    EXPECT_EQ(ReadFileBytes(dir / "a.bin"), std::string("\0\1\2", 3));
    EXPECT_FALSE(ReadFileBytes(dir / "b.bin").has_value());
    // Only the target itself lies in the folder: no temporary is left behind.
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        ++count;
    EXPECT_EQ(count, 1);
}
