// The workbook writer, checked by reading every saved file back with xlrd.
#include "platform/xls/xls_workbook.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/text/app_error.h"
#include "platform/xls/compound_file.h"
#include "read_back.h"
#include "test_support.h"

using platform::XlsWorkbook;
using readback::Get;

namespace {

readback::Book SaveAndRead(const XlsWorkbook& wb, int styleRows = -1) {
    testsupport::TempDir dir;
    std::string path = dir / "book.xls";
    wb.SaveToFile(path);
    return readback::ReadBack(path, styleRows);
}

std::string Repeat(const std::string& piece, int times) {
    std::string s;
    for (int i = 0; i < times; ++i) s += piece;
    return s;
}

}  // namespace

// --- cell values and types -------------------------------------------------------------

TEST(XlsCells, ValuesAndTypesReadBack) {
    struct Case {
        int row, column;
        std::string kind;  // "text", "int", "double"
        std::string text;
        double number;
        std::string expectType, expectValue;
    };
    const std::vector<Case> cases = {
        {0, 0, "text", "Code-17", 0, "text", "Code-17"},
        {0, 1, "text", "Заказ от ООО «Ромашка»", 0, "text", "Заказ от ООО «Ромашка»"},
        {0, 2, "text", "", 0, "text", ""},
        {0, 3, "text", "café ü", 0, "text", "café ü"},  // Latin-1 stored one byte each
        {0, 4, "text", "пакет 😀 end", 0, "text", "пакет 😀 end"},
        {1, 0, "int", "", 12, "number", "12.0"},
        {1, 1, "int", "", -3, "number", "-3.0"},
        {1, 2, "int", "", 0, "number", "0.0"},
        {1, 3, "double", "", 1234.5678, "number", "1234.5678"},
        {1, 4, "double", "", -0.1, "number", "-0.1"},
        {2, 255, "text", "last column", 0, "text", "last column"},
        {40, 1, "int", "", 2147483648.0, "number", "2147483648.0"},
    };
    XlsWorkbook wb;
    for (const auto& c : cases) {
        if (c.kind == "text")
            wb.SetText(c.row, c.column, c.text);
        else if (c.kind == "int")
            wb.SetInteger(c.row, c.column, static_cast<long long>(c.number));
        else
            wb.SetDouble(c.row, c.column, c.number);
    }
    auto book = SaveAndRead(wb);
    EXPECT_EQ(Get(book, "reader.log"), "<absent>");
    EXPECT_EQ(Get(book, "sheets"), "Sheet1");
    for (const auto& c : cases) {
        std::string name = std::string(1, static_cast<char>('A' + c.column % 26));
        if (c.column >= 26) name = "IV";  // column 255
        name += std::to_string(c.row + 1);
        EXPECT_EQ(Get(book, name + ".type"), c.expectType) << name;
        EXPECT_EQ(Get(book, name), c.expectValue) << name;
    }
    EXPECT_EQ(Get(book, "nrows"), "41");
}

TEST(XlsCells, LaterValueReplacesEarlierAndMalformedUtf8IsReplaced) {
    XlsWorkbook wb;
    wb.SetText(0, 0, "first");
    wb.SetDouble(0, 0, 2.5);
    wb.SetDouble(0, 1, 1);
    wb.SetText(0, 1, "now text");
    wb.SetText(0, 2,
               std::string("a\xFF"
                           "b\xD0",
                           4));
    auto book = SaveAndRead(wb);
    EXPECT_EQ(Get(book, "A1.type"), "number");
    EXPECT_EQ(Get(book, "A1"), "2.5");
    EXPECT_EQ(Get(book, "B1"), "now text");
    EXPECT_EQ(Get(book, "C1"), "a\uFFFDb\uFFFD");
}

TEST(XlsCells, OutsideTheSheetIsAnError) {
    XlsWorkbook wb;
    EXPECT_THROW(wb.SetText(65536, 0, "x"), AppError);
    EXPECT_THROW(wb.SetInteger(0, 256, 1), AppError);
    EXPECT_THROW(wb.SetDouble(-1, 0, 1), AppError);
    EXPECT_NO_THROW(wb.SetText(65535, 255, "corner"));
    XlsWorkbook lastRow;
    lastRow.SetText(65535, 0, "last row");
    auto book = SaveAndRead(lastRow, 0);
    EXPECT_EQ(Get(book, "A65536"), "last row");
}

TEST(XlsCells, TextLongerThanACellHoldsIsCut) {
    XlsWorkbook wb;
    wb.SetText(0, 0, Repeat("ж", 40000));
    auto book = SaveAndRead(wb, 0);
    EXPECT_EQ(Get(book, "A1"), Repeat("ж", 32767));
}

// --- shared string table over several records ---------------------------------------

TEST(XlsStrings, LongTableContinuesOverRecordsAndReadsBackWhole) {
    // Lengths chosen so that strings of both widths cross record boundaries at odd and
    // even offsets, and one string is longer than a whole record.
    XlsWorkbook wb;
    std::vector<std::string> expected;
    for (int i = 0; i < 3000; ++i) {
        std::string s = (i % 3 == 0) ? "Latin line " + std::to_string(i) + " " + Repeat("x", i % 97)
                                     : "Строка " + std::to_string(i) + " " + Repeat("ы", i % 89);
        if (i == 1500) s = Repeat("Ё", 9000);
        if (i == 1501) s = Repeat("q", 9000);
        if (i == 1502) s = Repeat("😀", 3000);  // surrogate pairs across a boundary
        expected.push_back(s);
        wb.SetText(i, 0, s);
        wb.SetText(i, 1, s);  // repeated strings are shared
    }
    auto book = SaveAndRead(wb, 0);
    EXPECT_EQ(Get(book, "reader.log"), "<absent>");
    EXPECT_GE(std::stoi(Get(book, "sst.continues")), 10);
    for (int i = 0; i < 3000; ++i) {
        ASSERT_EQ(Get(book, "A" + std::to_string(i + 1)), expected[i]) << "row " << i;
        ASSERT_EQ(Get(book, "B" + std::to_string(i + 1)), expected[i]) << "row " << i;
    }
}

// --- fonts, formats, alignment, borders, fills ----------------------------------------

TEST(XlsStyles, BoldNumberFormatsAndRangeStyleReadBack) {
    XlsWorkbook wb;
    int money = wb.AddNumberFormat("0.00");
    EXPECT_EQ(money, 164);
    EXPECT_EQ(wb.AddNumberFormat("#,##0.000"), 165);
    EXPECT_EQ(wb.AddNumberFormat("0.00"), 164);
    wb.SetText(0, 0, "bold");
    wb.SetBold(0, 0, true);
    wb.SetDouble(1, 0, 12.5);
    wb.SetNumberFormat(1, 0, money);
    wb.SetDouble(1, 1, 7);
    wb.SetNumberFormat(1, 1, 165);
    wb.SetBold(1, 1, true);
    wb.SetText(2, 0, "plain");
    platform::XlsRangeStyle head;
    head.horizontal = platform::HorizontalAlignment::Centre;
    head.vertical = platform::VerticalAlignment::Top;
    head.wrap = true;
    head.border = platform::BorderLine::Thin;
    head.borderColour = 8;
    head.fontName = "Times New Roman CYR";
    head.bold = true;
    head.fontColour = 8;
    head.solidFill = 44;
    for (int c = 1; c <= 3; ++c) wb.SetText(3, c, "h" + std::to_string(c));
    wb.ApplyStyle(3, 1, 3, 4, head);  // E4 has no value: a styled blank cell
    auto book = SaveAndRead(wb);

    EXPECT_EQ(Get(book, "format.164"), "0.00");
    EXPECT_EQ(Get(book, "format.165"), "#,##0.000");
    EXPECT_EQ(Get(book, "A1.font"), "Arial|200|bold|32767");
    EXPECT_EQ(Get(book, "A1.format"), "0|General");
    EXPECT_EQ(Get(book, "A2.font"), "Arial|200|normal|32767");
    EXPECT_EQ(Get(book, "A2.format"), "164|0.00");
    EXPECT_EQ(Get(book, "B2.format"), "165|#,##0.000");
    EXPECT_EQ(Get(book, "B2.font"), "Arial|200|bold|32767");
    EXPECT_EQ(Get(book, "A3.font"), "Arial|200|normal|32767");
    EXPECT_EQ(Get(book, "A3.align"), "0|2|0");  // general, bottom, no wrap
    EXPECT_EQ(Get(book, "A3.border"), "0,0|0,0|0,0|0,0");
    EXPECT_EQ(Get(book, "A3.fill"), "0|64|65");
    for (std::string cell : {"B4", "C4", "D4", "E4"}) {
        EXPECT_EQ(Get(book, cell + ".font"), "Times New Roman CYR|200|bold|8") << cell;
        EXPECT_EQ(Get(book, cell + ".align"), "2|0|1") << cell;
        EXPECT_EQ(Get(book, cell + ".border"), "1,8|1,8|1,8|1,8") << cell;
        EXPECT_EQ(Get(book, cell + ".fill"), "1|44|44") << cell;
    }
    EXPECT_EQ(Get(book, "E4.type"), "blank");
    EXPECT_EQ(Get(book, "colour.44"), "99,CC,FF");
    EXPECT_EQ(Get(book, "A4.type"), "<absent>");
}

TEST(XlsStyles, UnknownNumberFormatOrColourIsRejected) {
    XlsWorkbook wb;
    EXPECT_THROW(wb.SetNumberFormat(0, 0, 164), std::invalid_argument);
    EXPECT_THROW(wb.SetNumberFormat(0, 0, 60), std::invalid_argument);
    EXPECT_NO_THROW(wb.SetNumberFormat(0, 0, 2));
    platform::XlsRangeStyle fill;
    fill.solidFill = 64;
    EXPECT_THROW(wb.ApplyStyle(0, 0, 0, 0, fill), std::invalid_argument);
    EXPECT_THROW(XlsWorkbook("bad/name"), std::invalid_argument);
    EXPECT_THROW(XlsWorkbook(""), std::invalid_argument);
}

// --- column widths, row heights, outline options ----------------------------------------

TEST(XlsLayout, ColumnWidthsFromPixelsAndHiddenColumn) {
    struct Case {
        int pixels;
        double characters;  // as the file must hold them
        bool hidden;
    };
    const std::vector<Case> cases = {
        {2, 0.1668, false},       {0, 0, true},
        {50, 45 / 7.0, false},    {60, 55 / 7.0, false},
        {350, 345 / 7.0, false},  {30, 25 / 7.0, false},
        {11, 11 * 0.0834, false}, {12, 1.0, false},
    };
    XlsWorkbook wb;
    for (std::size_t i = 0; i < cases.size(); ++i)
        wb.SetColumnWidthPixels(static_cast<int>(i), cases[i].pixels);
    wb.SetText(0, 0, "x");
    auto book = SaveAndRead(wb);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        std::string info = Get(book, "col." + std::to_string(i));
        ASSERT_NE(info, "<absent>") << i;
        int width = std::stoi(info.substr(0, info.find('|')));
        EXPECT_LE(std::abs(width - cases[i].characters * 256), 0.5) << cases[i].pixels << " px";
        EXPECT_EQ(info.substr(info.find('|') + 1), cases[i].hidden ? "1" : "0");
    }
    EXPECT_EQ(Get(book, "col.8"), "<absent>");  // untouched columns keep the default
}

TEST(XlsLayout, RowHeightsInPixelsAndOutlineSummary) {
    XlsWorkbook wb;
    wb.SetRowHeightPixels(0, 50);
    wb.SetRowHeightPixels(3, 50);
    wb.SetRowHeightPixels(70, 20);  // a row with a height and no cells
    wb.SetText(1, 0, "default height");
    auto before = SaveAndRead(wb);
    EXPECT_EQ(Get(before, "wsbool"), "0x04C1");  // summaries below and right by default
    EXPECT_EQ(Get(before, "row.0"), "750|0|0");
    EXPECT_EQ(Get(before, "row.3"), "750|0|0");
    EXPECT_EQ(Get(before, "row.70"), "300|0|0");
    EXPECT_EQ(Get(before, "row.1"), "<absent>");

    wb.SetOutlineSummary(false, false);
    EXPECT_EQ(Get(SaveAndRead(wb), "wsbool"), "0x0401");
    wb.SetOutlineSummary(true, false);
    EXPECT_EQ(Get(SaveAndRead(wb), "wsbool"), "0x0441");
}

// --- the container ---------------------------------------------------------------------

TEST(XlsContainer, StreamsOfEverySizeSurviveAStrictReader) {
    // Below the mini-stream cutoff (padded), exactly on it, one past a sector, and past
    // the 109 FAT sectors the header lists (extra FAT-list sectors).
    for (std::size_t size : {std::size_t{0}, std::size_t{100}, std::size_t{4096}, std::size_t{4097},
                             std::size_t{70000}, std::size_t{7200000}, std::size_t{7400000}}) {
        std::string stream(size, '\0');
        for (std::size_t i = 0; i < size; ++i)
            stream[i] = static_cast<char>((i * 131 + i / 512) & 0xFF);
        testsupport::TempDir dir;
        testsupport::WriteFile(dir / "c.bin", platform::WriteCompoundFile("Workbook", stream));
        std::string back = dir / "stream.bin";
        int status = testsupport::RunCommand(
            {"/usr/bin/python3", readback::DumpScript(), "--stream", dir / "c.bin", back},
            dir / "log.txt");
        ASSERT_EQ(status, 0) << size << ": " << testsupport::ReadFile(dir / "log.txt");
        std::string got = testsupport::ReadFile(back);
        std::string want = stream;
        if (want.size() < 4096) want.resize(4096, '\0');
        EXPECT_TRUE(got == want) << "stream of " << size << " bytes differs";
    }
}

// --- saving ----------------------------------------------------------------------------

TEST(XlsSave, ReplacesAnExistingFileAndLeavesNoTemporaryFile) {
    testsupport::TempDir dir;
    std::string path = dir / "Заказ.xls";
    testsupport::WriteFile(path, "old contents");
    XlsWorkbook wb;
    wb.SetText(0, 0, "new");
    wb.SaveToFile(path);
    EXPECT_EQ(Get(readback::ReadBack(path), "A1"), "new");
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Path()))
        ++entries;
    EXPECT_EQ(entries, 1);
}

TEST(XlsSave, UnwritableNameRaisesAppErrorAndLeavesNothing) {
    testsupport::TempDir dir;
    testsupport::WriteFile(dir / "plain-file", "x");
    std::filesystem::create_directory(dir / "existing-folder");
    testsupport::WriteFile(dir / "existing-folder/inside", "keep");
    struct Case {
        std::string path;
        const char* why;
    };
    const std::vector<Case> cases = {
        {dir / "no-such-folder/book.xls", "folder does not exist"},
        {dir / "plain-file/book.xls", "parent is a regular file"},
        {dir / "existing-folder", "name is a folder"},
    };
    XlsWorkbook wb;
    wb.SetText(0, 0, "x");
    for (const auto& c : cases) {
        try {
            wb.SaveToFile(c.path);
            ADD_FAILURE() << c.why << ": no error";
        } catch (const AppError& e) {
            EXPECT_NE(std::string(e.what()).find(c.path), std::string::npos) << e.what();
        }
    }
    EXPECT_FALSE(testsupport::FileExists(dir / "no-such-folder/book.xls"));
    EXPECT_EQ(testsupport::ReadFile(dir / "existing-folder/inside"), "keep");
    std::vector<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
        left.push_back(e.path().filename().string());
    EXPECT_EQ(left.size(), 2u) << "a temporary file was left behind";
}
