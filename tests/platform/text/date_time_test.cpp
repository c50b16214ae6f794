// Date-times: ISO text, Russian date and time texts, file modification times.
#include "platform/text/date_time.h"

#include <gtest/gtest.h>
#include <sys/time.h>

#include <ctime>

#include "test_support.h"

using namespace platform;

namespace {

// Sets a file's modification time to the given local date-time.
void SetModified(const std::string& path, int y, int mo, int d, int h, int mi, int s) {
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = s;
    tm.tm_isdst = -1;
    timeval times[2] = {{std::mktime(&tm), 0}, {std::mktime(&tm), 0}};
    ASSERT_EQ(utimes(path.c_str(), times), 0);
}

}  // namespace

TEST(DateTime, ZeroIsTheDayBeforeTheLastDayOf1899) {
    EXPECT_EQ(DateTime::Zero().ToIso(), "1899-12-30 00:00:00");
    EXPECT_TRUE(DateTime::Zero().IsValid());
}

TEST(DateTime, IsoTextRoundTrip) {
    auto value = DateTime::FromIso("2008-02-29 13:05:09");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->ToIso(), "2008-02-29 13:05:09");
    auto dateOnly = DateTime::FromIso("2024-01-31");
    ASSERT_TRUE(dateOnly);
    EXPECT_EQ(dateOnly->ToIso(), "2024-01-31 00:00:00");
    for (const char* bad :
         {"2007-02-29", "2008-13-01", "2008-01-01 24:00:00", "2008-1-01", "2008-01-01 12:00",
          "2008-01-01T12:00:00", "", "abcd-ef-gh", "2008-01-01 12:00:00x"})
        EXPECT_FALSE(DateTime::FromIso(bad)) << bad;
    EXPECT_LT(*DateTime::FromIso("2008-01-01"), *DateTime::FromIso("2008-01-01 00:00:01"));
}

TEST(ParseRussianDate, DayMonthYear) {
    auto value = ParseRussianDate("05.03.2008");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->ToIso(), "2008-03-05 00:00:00");
    ASSERT_TRUE(ParseRussianDate("1.2.2009"));
    EXPECT_EQ(ParseRussianDate("1.2.2009")->ToIso(), "2009-02-01 00:00:00");
    EXPECT_TRUE(ParseRussianDate("29.02.2008"));
    for (const char* bad : {"31.02.2008", "29.02.2007", "1.2.x", "00.01.2008", "01.13.2008",
                            "ab.cd.efgh", "", "01.01.08", "001.01.2008", "01-01-2008"})
        EXPECT_FALSE(ParseRussianDate(bad)) << bad;
}

TEST(RussianTexts, ShortDateAndLongTime) {
    DateTime value = *DateTime::FromIso("2008-03-05 09:07:03");
    EXPECT_EQ(FormatShortDate(value), "05.03.2008");
    EXPECT_EQ(FormatLongTime(value), "9:07:03");
    EXPECT_EQ(FormatLongTime(*DateTime::FromIso("2008-03-05 23:59:59")), "23:59:59");
}

TEST(ImportDateText, ModificationTimeOfTheFile) {
    testsupport::TempDir dir;
    std::string file = dir / "ExportPrice.csv";
    EXPECT_EQ(ImportDateText(file), "");
    testsupport::WriteFile(file, "x");
    SetModified(file, 2008, 3, 5, 14, 2, 7);
    EXPECT_EQ(ImportDateText(file), " от 05.03.2008 14:02:07");
    EXPECT_EQ(FileModificationTime(file)->ToIso(), "2008-03-05 14:02:07");
    SetModified(file, 2008, 3, 5, 0, 0, 0);
    EXPECT_EQ(ImportDateText(file), " от 05.03.2008");
    SetModified(file, 2008, 3, 5, 0, 0, 1);
    EXPECT_EQ(ImportDateText(file), " от 05.03.2008 0:00:01");
    EXPECT_FALSE(FileModificationTime(dir / "none"));
    EXPECT_EQ(ImportDateText(dir.Path()), "");  // a folder is no file
}
