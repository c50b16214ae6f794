// The general number text, grouped number patterns and strict number parsing.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

#include "platform/text/text.h"

using namespace platform;

TEST(GeneralNumberText, Examples) {
    struct Case {
        double value;
        const char* expected;
    };
    const Case cases[] = {
        {0, "0"},
        {-0.0, "0"},
        {1, "1"},
        {-2.5, "-2.5"},
        {1234.5, "1234.5"},
        {0.1, "0.1"},
        {0.1 + 0.2, "0.3"},  // 15 significant digits hide the binary tail
        {100, "100"},
        {123456789012345, "123456789012345"},
        {1e15, "1E15"},
        {1.5e15, "1.5E15"},
        {999999999999999.9, "1E15"},  // rounding to 15 digits reaches the exponent range
        {0.0001, "0.0001"},
        {0.00012, "0.00012"},
        {0.000015, "1.5E-5"},
        {0.00005, "5E-5"},
        {-0.00005, "-5E-5"},
        {1.0 / 3, "0.333333333333333"},
        {2.0 / 3, "0.666666666666667"},
        {1e-300, "1E-300"},
        {1.7976931348623157e308, "1.79769313486232E308"},
    };
    for (const Case& c : cases) EXPECT_EQ(GeneralNumberText(c.value), c.expected) << c.expected;
}

TEST(GeneralNumberText, IgnoresTheProcessLocale) {
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    std::string saved = old ? old : "C";
    if (std::setlocale(LC_NUMERIC, "ru_RU.UTF-8") == nullptr &&
        std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr)
        GTEST_SKIP() << "no locale with a decimal comma";
    EXPECT_EQ(GeneralNumberText(2.5), "2.5");
    EXPECT_EQ(FormatGroupedNumber(2.5, "# ##0.00"), " 2.50");
    double parsed = 0;
    EXPECT_TRUE(ParseReal("2.5", parsed));
    EXPECT_EQ(parsed, 2.5);
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(FormatGroupedNumber, OrderTotalPatterns) {
    struct Case {
        double value;
        const char* pattern;
        const char* expected;
    };
    const Case cases[] = {
        {1234.5, "### ### ##0.00", " 1 234.50"},
        {5, "### ### ##0.00", "  5.00"},
        {9876543210, "### ### ##0.00", "9876 543 210.00"},
        {0, "### ### ##0.00", "  0.00"},
        {0.004, "### ### ##0.00", "  0.00"},
        {123456789, "### ### ##0.00", "123 456 789.00"},
        {5.5, "### ##0.000", " 5.500"},
        {1234.5, "### ##0.000", "1 234.500"},
        {-1234.5, "### ### ##0.00", "- 1 234.50"},  // minus before the blanks
        {-0.004, "### ### ##0.00", "  0.00"},       // zero after rounding has no sign
        {-0.005, "### ### ##0.00", "-  0.01"},
        // Halves away from zero at the last decimal, after 18 significant digits.
        {0.125, "### ### ##0.00", "  0.13"},
        {2.675, "### ### ##0.00",
         "  2.67"},  // stored as 2.67499999999999982236431605997495353221893310546875
        {1.005, "### ### ##0.00",
         "  1.00"},  // stored as 1.00499999999999989341858963598497211933135986328125
        {999.995, "# ##0.00", "1 000.00"},  // carry into a new digit
        {0.5, "# ##0", " 1"},
        {-0.5, "# ##0", "- 1"},
        {1e20, "# ##0", "100000000000000000 000"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatGroupedNumber(c.value, c.pattern), c.expected)
            << c.value << " with " << c.pattern;
}

TEST(FormatGroupedNumber, GridPatterns) {
    struct Case {
        double value;
        const char* pattern;
        const char* expected;
    };
    const Case cases[] = {
        {1234, "# ##0", "1 234"},
        {5, "# ##0", " 5"},
        {1234567, "# ##0", "1234 567"},
        {1234567.891, "# ### ##0.00", "1 234 567.89"},
        {12.3, "# ### ##0.0000", "  12.3000"},
        {7.5, "# ### ##0.0", "  7.5"},
        // Optional decimals: trailing zeros and a bare point are left out.
        {1.25, "# ##0.####", " 1.25"},
        {2, "# ##0.####", " 2"},
        {0.12345, "# ##0.####", " 0.1235"},
        {0.00004, "# ##0.####", " 0"},
        {1.5, "0.0#", "1.5"},
        {1.567, "0.0#", "1.57"},
        // A literal suffix after the digits.
        {1234.5, "# ##0.00 руб.", "1 234.50 руб."},
        {-3, "# ##0.00 руб.", "- 3.00 руб."},
        {42, "0", "42"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatGroupedNumber(c.value, c.pattern), c.expected)
            << c.value << " with " << c.pattern;
}

TEST(ParseInteger, StrictDecimal) {
    struct Case {
        const char* text;
        bool ok;
        long long value;
    };
    const Case cases[] = {
        {"5", true, 5},
        {"  -12", true, -12},
        {"+7", true, 7},
        {"007", true, 7},
        {"9223372036854775807", true, 9223372036854775807LL},
        {"-9223372036854775808", true, -9223372036854775807LL - 1},
        {"9223372036854775808", false, 0},
        {"", false, 0},
        {"  ", false, 0},
        {"-", false, 0},
        {"12abc", false, 0},
        {"1.5", false, 0},
        {"5 ", false, 0},
        {"1 000", false, 0},
    };
    for (const Case& c : cases) {
        long long value = -99;
        EXPECT_EQ(ParseInteger(c.text, value), c.ok) << '"' << c.text << '"';
        if (c.ok) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
}

TEST(ParseReal, DecimalPointAndExponent) {
    struct Case {
        const char* text;
        bool ok;
        double value;
    };
    const Case cases[] = {
        {"1.5", true, 1.5},  {" -2.25 ", true, -2.25},   {"+3", true, 3},
        {"1E3", true, 1000}, {"1.5e-5", true, 0.000015}, {".5", true, 0.5},
        {"0.9", true, 0.9},  {"1,5", false, 0},          {"", false, 0},
        {"abc", false, 0},   {"1.5x", false, 0},         {"inf", false, 0},
        {"nan", false, 0},   {"1e999", false, 0},        {"--1", false, 0},
    };
    for (const Case& c : cases) {
        double value = -99;
        EXPECT_EQ(ParseReal(c.text, value), c.ok) << '"' << c.text << '"';
        if (c.ok) {
            EXPECT_DOUBLE_EQ(value, c.value) << c.text;
        }
    }
}
