// The import of the price list and classifier: field splitting, the conversions, header
// matching, the trademark table, the files written and deleted, the progress texts and
// the errors of malformed lines.
#include "store/catalog_import.h"

#include <gtest/gtest.h>

#include "platform/text/app_error.h"
#include "store_fixture.h"

namespace {

using storetest::CatalogFixture;

TEST(SplitFields, FieldsBetweenSemicolons) {
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
        {"", {}},    {"a", {"a"}},     {"a;b;", {"a", "b"}},      {"a;;b", {"a", "", "b"}},
        {";", {""}}, {";;", {"", ""}}, {" a ; b", {" a ", " b"}},
    };
    for (const auto& [line, fields] : cases) EXPECT_EQ(SplitFields(line), fields) << line;
}

TEST(ImportConversions, IntegersRealsAndBooleans) {
    const std::vector<std::pair<std::string, int>> integers = {
        {"12", 12}, {"  12", 12}, {"+5", 5},          {"-7", -7},  {"12 ", 0},  {"1.5", 0},
        {"", 0},    {"abc", 0},   {"99999999999", 0}, {"\t12", 0}, {" \t12", 0}};
    for (const auto& [text, value] : integers) EXPECT_EQ(ImportInteger(text), value) << text;
    const std::vector<std::pair<std::string, double>> reals = {
        {"12.50", 12.5}, {"12,50", 0}, {" 1e2 ", 100}, {"", 0},      {"-0.01", -0.01},
        {"1.2.3", 0},    {"\t1.5", 0}, {"1.5\t", 0},   {"1.5 ", 1.5}};
    for (const auto& [text, value] : reals) EXPECT_DOUBLE_EQ(ImportReal(text), value) << text;
    const std::vector<std::pair<std::string, bool>> booleans = {
        {"1", true}, {"0", false}, {"", false}, {" 1", false}, {"true", false}, {"11", false}};
    for (const auto& [text, value] : booleans) EXPECT_EQ(ImportBoolean(text), value) << text;
}

const char* kClass = "ID;NAME;IDPARENT\r\n1;Бумага;0\r\n101;Тетради;1\r\n";

// Reads Price row by row (ordered by ID) as the test sees it.
struct PriceRow {
    long long id;
    std::string code, fullname, fullnameInd, articulInd, tm;
    double cena;
    bool isnew, datinNull, kolzakNull;
    std::optional<platform::DateTime> datein;
};

std::vector<PriceRow> ReadPrice(platform::Table& price) {
    std::vector<PriceRow> rows;
    price.SetOrderByFields("ID");
    for (price.First(); !price.Eof(); price.Next())
        rows.push_back({price.AsInteger("ID"), price.AsText("CODE"), price.AsText("FULLNAME"),
                        price.AsText("FULLNAME_IND"), price.AsText("ARTICUL_IND"),
                        price.AsText("TM"), price.AsDouble("CENA"), price.AsBoolean("ISNEW"),
                        price.IsNull("DATEIN"), price.IsNull("KOLZAK"),
                        price.AsDateTime("DATEIN")});
    return rows;
}

TEST(ImportCatalogData, ImportsRowsWhateverTheHeaderOrderAndCase) {
    CatalogFixture f;
    f.WritePrice(
        "datein;Cena;isnew;fullname;ID;articul;code;tm;idtm;Unknown\r\n"
        "05.03.2008;12.50;1;Ручка шариковая «ёлка»;1;ab-1;0123456789XX;Перо и Ко;13;x\r\n"
        "31.02.2008;12,50;0;тетрадь;2;;2;Перо и Ко;13;x\r\n"
        ";7;true;блокнот;3;;3;перо и ко;13;x\r\n"
        "\r\n"
        "1.1.2007;1e1; 1;Скрепки;4;;4;;0;x\r\n");
    f.WriteClass(kClass);
    testsupport::WriteFile(f.Dir() + "Tree.lst", "stale cache");
    ImportCatalogData(f.ctx);
    EXPECT_TRUE(f.prompts.shown.empty());

    EXPECT_TRUE(f.Has("Price.lst"));
    EXPECT_TRUE(f.Has("Class.lst"));
    EXPECT_TRUE(f.Has("TM.lst"));
    EXPECT_FALSE(f.Has("Tree.lst"));

    f.tables.Price.Open();
    const std::vector<PriceRow> rows = ReadPrice(f.tables.Price);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].code, "0123456789");  // cut to the width of 10
    EXPECT_EQ(rows[0].fullnameInd, "РУЧКА ШАРИКОВАЯ «ЁЛКА»");
    EXPECT_EQ(rows[0].articulInd, "AB-1");
    EXPECT_DOUBLE_EQ(rows[0].cena, 12.5);
    EXPECT_TRUE(rows[0].isnew);
    EXPECT_EQ(rows[0].datein->ToIso(), "2008-03-05 00:00:00");
    EXPECT_TRUE(rows[0].kolzakNull);
    EXPECT_DOUBLE_EQ(rows[1].cena, 0);                      // decimal comma
    EXPECT_EQ(rows[1].datein, platform::DateTime::Zero());  // no such day
    EXPECT_FALSE(rows[2].isnew);
    EXPECT_TRUE(rows[2].datinNull);  // empty text: no date
    EXPECT_FALSE(rows[3].isnew);     // " 1"
    EXPECT_DOUBLE_EQ(rows[3].cena, 10);
    EXPECT_EQ(rows[3].datein->ToIso(), "2007-01-01 00:00:00");

    // One trademark row per spelling, ordered by name; identifier 0 has none.
    std::vector<std::pair<long long, std::string>> marks;
    f.tables.tms.Open();
    for (f.tables.tms.First(); !f.tables.tms.Eof(); f.tables.tms.Next())
        marks.emplace_back(f.tables.tms.AsInteger("ID"), f.tables.tms.AsText("NAME"));
    EXPECT_EQ(marks, (std::vector<std::pair<long long, std::string>>{{13, "Перо и Ко"},
                                                                     {13, "перо и ко"}}));

    EXPECT_EQ(f.tables.qPrice.Sql(), "select * from price where id = :id");
    EXPECT_EQ(f.shell.View.Caption.rfind("Тальверин. Электронный каталог [Канцтовары]  от ", 0),
              0u);
    EXPECT_FALSE(f.tables.Price.ControlsDisabled());
}

TEST(ImportCatalogData, WithoutADateColumnEveryDateStaysEmpty) {
    CatalogFixture f;
    f.WritePrice("ID;CODE;DATEINX; DATEIN\r\n1;A;01.01.2008;01.01.2008\r\n");
    f.WriteClass(kClass);
    ImportCatalogData(f.ctx);
    f.tables.Price.Open();
    f.tables.Price.First();
    EXPECT_TRUE(f.tables.Price.IsNull("DATEIN"));
    EXPECT_EQ(f.tables.Price.AsText("CODE"), "A");
}

TEST(ImportCatalogData, ClassifierFieldsLoseBlanksButNamesKeepThem) {
    CatalogFixture f;
    f.WritePrice("ID\r\n");
    f.WriteClass("anything\r\n  1 024 ;  Папки ; 0 \r\n12.0;;1 024\r\n");
    ImportCatalogData(f.ctx);
    f.tables.GroupsTree.Open();
    f.tables.GroupsTree.SetOrderByFields("ID");
    f.tables.GroupsTree.First();
    EXPECT_EQ(f.tables.GroupsTree.AsInteger("ID"), 12);
    EXPECT_EQ(f.tables.GroupsTree.AsText("NAME"), "-");
    EXPECT_EQ(f.tables.GroupsTree.AsInteger("IDPARENT"), 1024);
    f.tables.GroupsTree.Next();
    EXPECT_EQ(f.tables.GroupsTree.AsInteger("ID"), 1024);
    EXPECT_EQ(f.tables.GroupsTree.AsText("NAME"), "  Папки ");
    EXPECT_EQ(f.tables.GroupsTree.AsInteger("IDPARENT"), 0);
}

TEST(ImportCatalogData, ProgressCountsEveryHundredLinesEmptyOnesIncluded) {
    CatalogFixture f;
    std::string price = "ID;CODE\r\n";
    for (int i = 0; i < 250; ++i)
        price += (i == 100 ? std::string() : std::to_string(i + 1) + ";c") + "\r\n";
    std::string groups = "h\r\n";
    for (int i = 0; i < 205; ++i) groups += std::to_string(i + 1) + ";g;0\r\n";
    f.WritePrice(price);
    f.WriteClass(groups);
    f.splash.Add("Инициализация данных...");
    ImportCatalogData(f.ctx);
    const std::vector<std::string> expected = {"Импорт прайса...",
                                               "Импорт прайса...(0)",
                                               "Импорт прайса...(200)",
                                               "Импорт прайса...(250)",
                                               "Импорт классификатора...",
                                               "Импорт классификатора...(100)",
                                               "Импорт классификатора...(200)",
                                               "Импорт классификатора...(205)"};
    EXPECT_EQ(f.splash.shown, expected);
    f.tables.Price.Open();
    EXPECT_EQ(f.tables.Price.RecordCount(), 249);
}

TEST(ImportCatalogData, MissingImportFileChangesNothing) {
    CatalogFixture f;
    f.WritePrice("ID\r\n1\r\n");
    testsupport::WriteFile(f.Dir() + "Tree.lst", "cache");
    ImportCatalogData(f.ctx);
    EXPECT_EQ(
        f.prompts.Texts("error"),
        std::vector<std::string>{
            "Файл(ы) импорта не были найдены в искомом месте. Импорт данных будет пропущен."});
    EXPECT_FALSE(f.Has("Price.lst"));
    EXPECT_TRUE(f.Has("Tree.lst"));
    EXPECT_FALSE(f.tables.Price.Exists());
}

struct BadImportCase {
    std::string price;
    std::string classifier;
    std::vector<std::string> mentioned;
    int priceRowsKept;
};

TEST(ImportCatalogData, AMalformedLineStopsTheImportAndSavesNoFile) {
    const std::vector<BadImportCase> cases = {
        {"ID;CODE;DATEIN\r\n4;B;;\r\n5;A;\r\n",
         kClass,
         {"ExportPrice.csv", "строка 3", "«DATEIN»", "«5;A;»"},
         1},
        {"ID;CODE\r\n1;A\r\n",
         "h\r\n1;a;0\r\n\r\n2;b;1\r\n",
         {"ExportClass.csv", "строка 3", "пустая строка"},
         1},
        {"ID;CODE\r\n1;A\r\n", "h\r\nx1;a;0\r\n", {"ExportClass.csv", "строка 2", "«x1»"}, 1},
        {"ID;CODE\r\n1;A\r\n", "h\r\n1;a;0.5\r\n", {"строка 2", "«0.5»"}, 1},
    };
    for (const BadImportCase& c : cases) {
        SCOPED_TRACE(c.price + c.classifier);
        CatalogFixture f;
        f.WritePrice(c.price);
        f.WriteClass(c.classifier);
        testsupport::WriteFile(f.Dir() + "Tree.lst", "cache");
        testsupport::WriteFile(f.Dir() + "Price.lst", "previous goods");
        try {
            ImportCatalogData(f.ctx);
            FAIL() << "no error";
        } catch (const AppError& error) {
            for (const std::string& text : c.mentioned)
                EXPECT_NE(std::string(error.what()).find(text), std::string::npos) << error.what();
        }
        EXPECT_EQ(testsupport::ReadFile(f.Dir() + "Price.lst"), "previous goods");
        EXPECT_FALSE(f.Has("Class.lst"));
        EXPECT_FALSE(f.Has("TM.lst"));
        EXPECT_EQ(testsupport::ReadFile(f.Dir() + "Tree.lst"), "cache");
        EXPECT_EQ(f.tables.Price.RecordCount(), c.priceRowsKept);
        EXPECT_FALSE(f.tables.Price.ControlsDisabled());
    }
}

TEST(PrepareCatalogData, ImportsOnlyWhenTablesAreMissingOrTheSettingsAskForIt) {
    CatalogFixture f;
    const std::string base = f.root / "base/";
    platform::CreateFolder(base);
    f.shell.Options.PathBase = base;
    storetest::WriteCp1251(base + "ExportPrice.csv", "ID;CODE\r\n1;A\r\n2;B\r\n");
    storetest::WriteCp1251(base + "ExportClass.csv", kClass);

    PrepareCatalogData(f.ctx);  // first opening: copy and import
    ASSERT_TRUE(f.tables.Price.Active());
    EXPECT_EQ(f.tables.Price.RecordCount(), 2);
    EXPECT_TRUE(f.Has("ExportPrice.csv"));

    // Tables present, no import at opening: a changed import file is not read.
    f.WritePrice("ID;CODE\r\n1;A\r\n");
    WorkingTables fresh;
    CatalogContext again{fresh, f.shell, f.prompts, f.splash, f.control};
    PrepareCatalogData(again);
    EXPECT_EQ(fresh.Price.RecordCount(), 2);

    // Import at every opening: the catalog folder's files are read, nothing is copied.
    f.shell.Options.IsImportOnStart = 1;
    WorkingTables third;
    CatalogContext once{third, f.shell, f.prompts, f.splash, f.control};
    PrepareCatalogData(once);
    EXPECT_EQ(third.Price.RecordCount(), 1);
    EXPECT_TRUE(f.prompts.shown.empty());
}

}  // namespace
