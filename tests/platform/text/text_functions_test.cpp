// Upper-casing, trimming, fields, replacement and character counts.
#include <gtest/gtest.h>

#include "platform/text/text.h"

using namespace platform;

TEST(UpperCase, EveryLetterOfTheCodePage) {
    EXPECT_EQ(UpperCase("abcxyz"), "ABCXYZ");
    EXPECT_EQ(UpperCase("абвгдеёжзийклмнопрстуфхцчшщъыьэюя"), "АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ");
    EXPECT_EQ(UpperCase("ђѓєѕіїјљњћќўџґ"), "ЂЃЄЅІЇЈЉЊЋЌЎЏҐ");
    // Already upper case, digits, signs and characters outside the code page stay.
    EXPECT_EQ(UpperCase("ЁЖ 12,;№ µ ü ß"), "ЁЖ 12,;№ µ ü ß");
}

TEST(UpperCase, EveryLowerCaseLetterOfTheCodePageHasAnUpperCaseThere) {
    // Each byte's character, upper-cased, must still be a character of the code page.
    for (int b = 0; b < 256; ++b) {
        if (b == '?') continue;
        std::string utf8 = Cp1251ToUtf8(std::string(1, static_cast<char>(b)));
        EXPECT_NE(Utf8ToCp1251(UpperCase(utf8)), "?") << "byte " << b;
    }
}

TEST(UpperCaseLatin, LeavesCyrillicAlone) { EXPECT_EQ(UpperCaseLatin("abc ёж"), "ABC ёж"); }

TEST(Trim, RemovesControlCharactersAndBlanksAtBothEnds) {
    EXPECT_EQ(Trim(" \t\r\n a b \x01\x1F "), "a b");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(Trim("\xC2\xA0x\xC2\xA0"), "\xC2\xA0x\xC2\xA0");  // no-break space is kept
}

TEST(GetDelimitedField, FieldsByNumber) {
    struct Case {
        const char* text;
        char delimiter;
        int n;
        const char* expected;
    };
    const Case cases[] = {
        {"a;b;c", ';', 1, "a"}, {"a;b;c", ';', 3, "c"},     {"a;b;c", ';', 4, ""},
        {"a;;c", ';', 2, ""},   {"a;;c", ';', 3, "c"},      {";x", ';', 1, ""},
        {"a;b;", ';', 3, ""},   {" a ; b ", ';', 2, " b "}, {"", ';', 1, ""},
        {"a;b", ';', 0, ""},    {"1,5|2", '|', 1, "1,5"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GetDelimitedField(c.text, c.delimiter, c.n), c.expected)
            << c.text << " field " << c.n;
}

TEST(ReplaceAll, EveryOccurrence) {
    EXPECT_EQ(ReplaceAll(" 1 234 567 ", ' ', ""), "1234567");
    EXPECT_EQ(ReplaceAll("say \"hi\"", '"', "'"), "say 'hi'");
    EXPECT_EQ(ReplaceAll("abc", 'x', "y"), "abc");
    // A replacement holding the character itself is written once, not again and again.
    EXPECT_EQ(ReplaceAll("a-b", '-', "--"), "a--b");
}

TEST(CharCount, CountsCodePoints) {
    EXPECT_EQ(CharCount(""), 0u);
    EXPECT_EQ(CharCount("abc"), 3u);
    EXPECT_EQ(CharCount("Ёлка№"), 5u);
    EXPECT_EQ(CutToChars("Ёлка", 2), "Ёл");
    EXPECT_EQ(CutToChars("Ёлка", 4), "Ёлка");
    EXPECT_EQ(CutToChars("Ёлка", 10), "Ёлка");
    EXPECT_EQ(CutToChars("Ёлка", 0), "");
}
