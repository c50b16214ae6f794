// The order export: every saved workbook is read back with xlrd.
#include "order/order_export.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "fake_seams.h"
#include "platform/table/table.h"
#include "platform/text/app_error.h"
#include "read_back.h"
#include "test_support.h"

using platform::DataSet;
using platform::FieldDef;
using platform::FieldType;
using readback::Get;

namespace {

struct Line {
    std::string barcode, code, articul, fullName;
    long long st1, st2, st3;
    double cena, cenaPrice;
    long long kol;
};

const std::vector<Line> kThreeLines = {
    {"4601234567890", "001234", "A-17", "Ручка шариковая синяя", 10, 100, 1000, 12.5, 15.25, 30},
    {"", "005678", "", "Тетрадь 48 л. \"Клетка\"", 1, 20, 200, 0.1, 0.1, 1},
    {"2000000000001", "999999", "Z/9", "Скрепки 28 мм", 0, 0, 50, 1234.567, 2000, 100000},
};

std::vector<FieldDef> LineFields(bool withBarcode, bool archive) {
    using T = FieldType;
    std::vector<FieldDef> f = {{"ID", T::AutoInc, 0}};
    if (archive) f.push_back({"IDDOC", T::Integer, 0});
    std::vector<FieldDef> rest = {
        {"CODE", T::Text, 10},  {"FULLNAME", T::Text, 200},  {"ARTICUL", T::Text, 30},
        {"ST1", T::Integer, 0}, {"ST2", T::Integer, 0},      {"ST3", T::Integer, 0},
        {"KOL", T::Integer, 0}, {"CENAPRICE", T::Double, 0}, {"CENA", T::Double, 0}};
    f.insert(f.end(), rest.begin(), rest.end());
    if (withBarcode) f.push_back({"BARCODE", T::Text, 20});
    return f;
}

void AppendLine(platform::Table& t, const Line& l, bool withBarcode,
                std::optional<int> idDoc = {}) {
    t.Append();
    if (idDoc) t.SetInteger("IDDOC", *idDoc);
    if (withBarcode) t.SetText("BARCODE", l.barcode);
    t.SetText("CODE", l.code);
    t.SetText("ARTICUL", l.articul);
    t.SetText("FULLNAME", l.fullName);
    t.SetInteger("ST1", l.st1);
    t.SetInteger("ST2", l.st2);
    t.SetInteger("ST3", l.st3);
    t.SetDouble("CENA", l.cena);
    t.SetDouble("CENAPRICE", l.cenaPrice);
    t.SetInteger("KOL", l.kol);
    t.Post();
}

// Counts what a bound grid would be told.
struct CountingObserver : platform::DataSetObserver {
    int dataChanged = 0, currentChanged = 0;
    void DataChanged(DataSet&) override { ++dataChanged; }
    void CurrentChanged(DataSet&) override { ++currentChanged; }
};

class OrderExport : public ::testing::Test {
protected:
    void SetUp() override {
        zakaz.SetDefinitions(LineFields(true, false), {{"_ID", "ID", true}});
        zakaz.Create();
        zakaz.Open();
    }
    void Fill(const std::vector<Line>& lines) {
        for (const auto& l : lines) AppendLine(zakaz, l, true);
    }
    // Exports zakaz, answering the save dialog with `answer` (empty: cancel).
    void Export(const std::string& answer, const std::string& org = "ООО \"Ромашка\"") {
        if (!answer.empty()) prompts.fileAnswers.push_back(answer);
        ExportOrderToExcel(org, zakaz, "Канцтовары", " от 05.03.2009 14:05:09", prompts, desktop,
                           lastExportFolder);
    }
    static std::string Cell(char column, int row) {
        return std::string(1, column) + std::to_string(row);
    }

    platform::Database db;
    platform::Table zakaz{db, "Zakaz"};
    testsupport::TempDir dir;
    testsupport::FakePrompts prompts;
    testsupport::FakeDesktopShell desktop;
    std::string lastExportFolder;
};

// --- the sheet -------------------------------------------------------------------------

TEST_F(OrderExport, SheetHeadHeaderAndLinesAreLaidOutAsTheDistributorReadsThem) {
    Fill(kThreeLines);
    std::string path = dir / "Заказ.xls";
    std::string before = OrderExportDateText(platform::DateTime::Now());
    Export(path);
    std::string after = OrderExportDateText(platform::DateTime::Now());
    auto book = readback::ReadBack(path);
    EXPECT_EQ(Get(book, "reader.log"), "<absent>");
    EXPECT_EQ(Get(book, "sheets"), "Sheet1");

    // Head.
    EXPECT_EQ(Get(book, "D1"), "Заказ от ООО \"Ромашка\"");
    EXPECT_EQ(Get(book, "D1.font"), "Arial|200|bold|32767");
    EXPECT_EQ(Get(book, "G1.type"), "text");
    EXPECT_EQ(Get(book, "G1"), "");
    std::string date = Get(book, "C2");
    EXPECT_TRUE(date == before || date == after) << date;
    EXPECT_EQ(Get(book, "C2.font"), "Arial|200|bold|32767");
    EXPECT_EQ(Get(book, "D2"), "Канцтовары  от 05.03.2009 14:05:09");
    EXPECT_EQ(Get(book, "D2.font"), "Arial|200|normal|32767");
    for (std::string cell : {"D1", "C2", "D2"}) {
        EXPECT_EQ(Get(book, cell + ".format"), "0|General") << cell;
        EXPECT_EQ(Get(book, cell + ".fill"), "0|64|65") << cell;
    }

    // Header B4:M4.
    const std::vector<std::string> headers = {"Подгруппа",
                                              "Код",
                                              "Артикул",
                                              "Наименование",
                                              "Ед.изм.",
                                              "Минимальная упаковка",
                                              "Средняя упаковка",
                                              "Стандарт",
                                              "Цена со скидкой",
                                              "Цена",
                                              "Заказ (количество)",
                                              "Остаток на складе"};
    for (int i = 0; i < 12; ++i) {
        std::string cell = Cell(static_cast<char>('B' + i), 4);
        EXPECT_EQ(Get(book, cell), headers[i]) << cell;
        EXPECT_EQ(Get(book, cell + ".font"), "Times New Roman CYR|200|bold|8") << cell;
        EXPECT_EQ(Get(book, cell + ".align"), "2|0|1") << cell;  // centred, top, wrapped
        EXPECT_EQ(Get(book, cell + ".border"), "1,8|1,8|1,8|1,8") << cell;
        EXPECT_EQ(Get(book, cell + ".fill"), "1|44|44") << cell;
    }
    EXPECT_EQ(Get(book, "A4.type"), "<absent>");
    EXPECT_EQ(Get(book, "N4.type"), "<absent>");
    EXPECT_EQ(Get(book, "colour.44"), "99,CC,FF");

    // Lines from row 5, nothing below.
    for (int i = 0; i < 3; ++i) {
        const Line& l = kThreeLines[i];
        int r = 5 + i;
        EXPECT_EQ(Get(book, Cell('A', r)), l.barcode);
        EXPECT_EQ(Get(book, Cell('A', r) + ".type"), "text");
        EXPECT_EQ(Get(book, Cell('B', r) + ".type"), "text");
        EXPECT_EQ(Get(book, Cell('B', r)), "");
        EXPECT_EQ(Get(book, Cell('C', r)), l.code);
        EXPECT_EQ(Get(book, Cell('D', r)), l.articul);
        EXPECT_EQ(Get(book, Cell('E', r)), l.fullName);
        EXPECT_EQ(Get(book, Cell('F', r)), "шт.");
        auto number = [](double v) { return testing::PrintToString(v); };
        EXPECT_EQ(std::stod(Get(book, Cell('G', r))), l.st1);
        EXPECT_EQ(std::stod(Get(book, Cell('H', r))), l.st2);
        EXPECT_EQ(std::stod(Get(book, Cell('I', r))), l.st3);
        EXPECT_EQ(std::stod(Get(book, Cell('J', r))), l.cena) << number(l.cena);
        EXPECT_EQ(std::stod(Get(book, Cell('K', r))), l.cenaPrice);
        EXPECT_EQ(std::stod(Get(book, Cell('L', r))), l.kol);
        for (char c : std::string("GHIJKL")) EXPECT_EQ(Get(book, Cell(c, r) + ".type"), "number");
        EXPECT_EQ(Get(book, Cell('J', r) + ".format"), "164|0.00");
        EXPECT_EQ(Get(book, Cell('K', r) + ".format"), "164|0.00");
        for (char c : std::string("ABCDEFGHIL")) {
            EXPECT_EQ(Get(book, Cell(c, r) + ".format"), "0|General") << Cell(c, r);
            EXPECT_EQ(Get(book, Cell(c, r) + ".font"), "Arial|200|normal|32767") << Cell(c, r);
        }
        EXPECT_EQ(Get(book, Cell('M', r) + ".type"), "<absent>");
    }
    EXPECT_EQ(Get(book, "nrows"), "7");
    EXPECT_EQ(Get(book, "format.164"), "0.00");

    // Widths (1/256 of a character), hidden B, M default; rows 1 and 4 at 37.5 points.
    const std::vector<std::string> widths = {"43|0",    "0|1",    "1646|0", "2011|0",
                                             "12617|0", "914|0",  "1646|0", "1646|0",
                                             "1646|0",  "1646|0", "2011|0", "2011|0"};
    for (int c = 0; c < 12; ++c) EXPECT_EQ(Get(book, "col." + std::to_string(c)), widths[c]) << c;
    EXPECT_EQ(Get(book, "col.12"), "<absent>");
    EXPECT_EQ(Get(book, "row.0"), "750|0|0");
    EXPECT_EQ(Get(book, "row.3"), "750|0|0");
    EXPECT_EQ(Get(book, "row.1"), "<absent>");
    EXPECT_EQ(Get(book, "row.4"), "<absent>");
    EXPECT_EQ(Get(book, "wsbool"), "0x0401");  // summaries above and left
}

TEST_F(OrderExport, EmptyOrganisationAndMissingPriceDate) {
    Fill({kThreeLines[0]});
    std::string path = dir / "a.xls";
    prompts.fileAnswers.push_back(path);
    ExportOrderToExcel("", zakaz, "Каталог", "", prompts, desktop, lastExportFolder);
    auto book = readback::ReadBack(path);
    EXPECT_EQ(Get(book, "D1"), "Заказ от ");
    EXPECT_EQ(Get(book, "D2"), "Каталог ");
}

TEST_F(OrderExport, ArchivedOrderQueryWithoutBarcodeLeavesColumnAEmpty) {
    platform::Table doc{db, "Doc"};
    doc.SetDefinitions(LineFields(false, true), {{"_ID", "ID", true}});
    doc.Create();
    doc.Open();
    AppendLine(doc, kThreeLines[0], false, 6);
    AppendLine(doc, kThreeLines[1], false, 7);
    AppendLine(doc, kThreeLines[2], false, 7);
    platform::Query lines{db};
    lines.SetSql("select * from doc where doc.iddoc = " + std::to_string(7));
    lines.Open();
    std::string path = dir / "archive.xls";
    prompts.fileAnswers.push_back(path);
    ExportOrderToExcel("Орг", lines, "Каталог", "", prompts, desktop, lastExportFolder);
    auto book = readback::ReadBack(path);
    for (int r = 5; r <= 6; ++r) EXPECT_EQ(Get(book, Cell('A', r) + ".type"), "<absent>") << r;
    EXPECT_EQ(Get(book, "C5"), kThreeLines[1].code);
    EXPECT_EQ(Get(book, "C6"), kThreeLines[2].code);
    EXPECT_EQ(Get(book, "nrows"), "6");
    EXPECT_TRUE(lines.Eof());
}

TEST_F(OrderExport, LargeOrderWithLongCyrillicNamesReadsBackWhole) {
    std::vector<Line> many;
    for (int i = 0; i < 5000; ++i) {
        std::string name = "Набор цветных карандашей «Художник» №" + std::to_string(i) +
                           ", 24 цвета, в картонной коробке с подвесом, заточенные";
        many.push_back({std::to_string(4600000000000LL + i), std::to_string(100000 + i),
                        "АРТ-" + std::to_string(i), name, i % 7, i % 70, i % 700, i * 0.25, i * 0.5,
                        i + 1});
    }
    Fill(many);
    std::string path = dir / "big.xls";
    Export(path);
    auto book = readback::ReadBack(path, 10);
    EXPECT_EQ(Get(book, "reader.log"), "<absent>");
    EXPECT_GE(std::stoi(Get(book, "sst.continues")), 50);
    EXPECT_EQ(Get(book, "nrows"), "5004");
    for (int i = 0; i < 5000; ++i) {
        int r = 5 + i;
        ASSERT_EQ(Get(book, Cell('E', r)), many[i].fullName) << r;
        ASSERT_EQ(Get(book, Cell('A', r)), many[i].barcode) << r;
        ASSERT_EQ(Get(book, Cell('D', r)), many[i].articul) << r;
        ASSERT_EQ(std::stod(Get(book, Cell('K', r))), many[i].cenaPrice) << r;
    }
}

// --- the flow around the sheet ----------------------------------------------------------

TEST_F(OrderExport, SavedFileIsOpenedAndItsFolderRemembered) {
    Fill(kThreeLines);
    CountingObserver grid;
    zakaz.AddObserver(&grid);
    Export(dir / "first");
    zakaz.RemoveObserver(&grid);
    std::string saved = dir / "first.xls";
    EXPECT_TRUE(testsupport::FileExists(saved));
    EXPECT_EQ(desktop.opened, std::vector<std::string>{saved});
    std::string folder = dir.Path().substr(0, dir.Path().size() - 1);
    EXPECT_EQ(lastExportFolder, folder);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].kind, "save");
    EXPECT_EQ(prompts.shown[0].text, "Укажите имя файла для заказа");
    EXPECT_EQ(prompts.shown[0].filter, "Рабочая книга MS Excel (*.xls)|*.XLS");
    // The walk was not shown line by line; the grid was told once at the end.
    EXPECT_EQ(grid.currentChanged, 0);
    EXPECT_EQ(grid.dataChanged, 1);
    EXPECT_FALSE(zakaz.ControlsDisabled());
    EXPECT_TRUE(zakaz.Eof());

    // A second export starts in the folder of the first.
    Export(dir / "second.xls");
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown[1].folder, folder);
}

TEST_F(OrderExport, EmptyOrderOnlySaysSo) {
    lastExportFolder = "/somewhere";
    Export(dir / "never.xls");
    EXPECT_EQ(prompts.Texts("plain"),
              std::vector<std::string>{"Заказ не содержит ни одной строки"});
    EXPECT_TRUE(prompts.Texts("save").empty());
    EXPECT_FALSE(testsupport::FileExists(dir / "never.xls"));
    EXPECT_FALSE(zakaz.ControlsDisabled());
    EXPECT_EQ(lastExportFolder, "/somewhere");
}

TEST_F(OrderExport, CancelWritesNothingAndResumesTheGrid) {
    Fill(kThreeLines);
    lastExportFolder = "/remembered";
    Export("");
    EXPECT_EQ(lastExportFolder, "/remembered");
    EXPECT_EQ(prompts.shown.at(0).folder, "/remembered");
    EXPECT_TRUE(desktop.opened.empty());
    EXPECT_FALSE(zakaz.ControlsDisabled());
    EXPECT_TRUE(zakaz.Eof());
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

TEST_F(OrderExport, FailedSaveRaisesTheErrorResumesTheGridAndKeepsTheFolder) {
    Fill(kThreeLines);
    testsupport::WriteFile(dir / "plain-file", "x");
    for (std::string folder : {dir / "missing", dir / "plain-file"}) {
        std::string path = folder + "/order.xls";
        try {
            Export(path);
            ADD_FAILURE() << "no error for " << path;
        } catch (const AppError& e) {
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
        }
        EXPECT_FALSE(zakaz.ControlsDisabled());
        EXPECT_EQ(lastExportFolder, folder);
        EXPECT_TRUE(desktop.opened.empty());
        EXPECT_FALSE(testsupport::FileExists(path));
    }
    std::vector<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
        left.push_back(e.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"plain-file"});
}

TEST_F(OrderExport, OrderLongerThanASheetRaisesTheErrorBeforeAnyDialog) {
    // 65533 lines fill rows 5 to 65537: one more than a sheet holds.
    std::vector<Line> many(65533, kThreeLines[1]);
    Fill(many);
    CountingObserver grid;
    zakaz.AddObserver(&grid);
    EXPECT_THROW(Export(dir / "too-long.xls"), AppError);
    zakaz.RemoveObserver(&grid);
    EXPECT_FALSE(zakaz.ControlsDisabled());
    EXPECT_EQ(grid.dataChanged, 1);
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

// --- file name rules ---------------------------------------------------------------------

TEST(OrderExportNames, ExtensionRule) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"/home/u/Заказ Иванова", "/home/u/Заказ Иванова.xls"},
        {"/home/u/заказ.XLS", "/home/u/заказ.XLS"},
        {"/home/u/Заказ.Xls", "/home/u/Заказ.Xls"},
        {"/home/u/Заказ 01.02", "/home/u/Заказ 01.xls"},
        {"/home/u/order.xlsx", "/home/u/order.xls"},
        {"/home/u/order.", "/home/u/order.xls"},
        {"/home/my.folder/order", "/home/my.folder/order.xls"},
        {"order.txt", "order.xls"},
    };
    for (const auto& [typed, saved] : cases) EXPECT_EQ(WithXlsExtension(typed), saved) << typed;

    testsupport::FakePrompts prompts;
    for (const auto& [typed, saved] : cases) {
        prompts.fileAnswers.push_back(typed);
        EXPECT_EQ(ChooseSaveFileName(prompts, "t", "/f", "x"), saved);
    }
    EXPECT_EQ(ChooseSaveFileName(prompts, "t", "/f", "x"), "");  // cancelled
}

TEST(OrderExportNames, FolderOfTheSavedFile) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"/home/u/Заказ.xls", "/home/u"},
        {"/Заказ.xls", "/"},
        {"Заказ.xls", ""},
        {"/a/b/c/d.xls", "/a/b/c"},
    };
    for (const auto& [file, folder] : cases) EXPECT_EQ(FolderOfFile(file), folder) << file;
}

TEST(OrderExportNames, InitialFolderRule) {
    testsupport::TempDir profile;
    std::string base = profile.Path();
    struct Case {
        std::vector<std::string> folders, files;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {{"Рабочий стол", "Desktop"}, {}, base + "Рабочий стол"},
        {{"Desktop"}, {}, base + "Desktop"},
        {{}, {"Рабочий стол"}, base},  // a file of that name is no folder
        {{}, {}, base},
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all(base + "Рабочий стол");
        std::filesystem::remove_all(base + "Desktop");
        for (const auto& f : c.folders) std::filesystem::create_directory(base + f);
        for (const auto& f : c.files) testsupport::WriteFile(base + f, "");
        EXPECT_EQ(DefaultSaveFolder(base), c.expected);
    }

    // Through the dialog: the profile folder is $HOME here; a remembered folder wins.
    std::filesystem::create_directory(base + "Desktop");
    const char* oldHome = std::getenv("HOME");
    std::string savedHome = oldHome ? oldHome : "";
    ::setenv("HOME", base.c_str(), 1);
    testsupport::FakePrompts prompts;
    ChooseSaveFileName(prompts, "t", "", "x");
    ChooseSaveFileName(prompts, "t", "/last/export", "x");
    if (oldHome)
        ::setenv("HOME", savedHome.c_str(), 1);
    else
        ::unsetenv("HOME");
    EXPECT_EQ(prompts.shown.at(0).folder, base + "Desktop");
    EXPECT_EQ(prompts.shown.at(1).folder, "/last/export");
}

TEST(OrderExportNames, DateTextCarriesTheFullTime) {
    const std::vector<std::pair<platform::DateTime, std::string>> cases = {
        {{2009, 3, 5, 14, 5, 9}, "05.03.2009 14:05:09"},
        {{1999, 12, 31, 23, 59, 58}, "31.12.1999 23:59:58"},
        {{2024, 1, 1, 0, 0, 0}, "01.01.2024 00:00:00"},
    };
    for (const auto& [when, text] : cases) EXPECT_EQ(OrderExportDateText(when), text);
}

}  // namespace
