// Loading a catalog's table files: the missing and damaged goods file, the archive files
// made anew together, and the state of the tables afterwards.
#include "store/load_tables.h"

#include <gtest/gtest.h>

#include "store/catalog_import.h"
#include "store_fixture.h"

namespace {

using storetest::CatalogFixture;

// A catalog folder holding the table files of an import of three goods.
struct ImportedCatalog : CatalogFixture {
    ImportedCatalog() {
        WritePrice("ID;CODE;TM;IDTM\r\n30;C;Заря;17\r\n10;A;Заря;17\r\n20;B;;0\r\n");
        WriteClass("ID;NAME;IDPARENT\r\n1;Бумага;0\r\n");
        WorkingTables importer;
        CatalogContext importing{importer, shell, prompts, splash, control};
        ImportCatalogData(importing);
        splash.Clear();
        splash.shown.clear();
    }
};

TEST(LoadWorkingTables, LoadsEveryTableAndOpensAnEmptyOrder) {
    ImportedCatalog f;
    f.shell.View.TrademarkText = "Заря";
    f.shell.View.ClearTrademarkEnabled = true;
    f.splash.Add("Инициализация данных...");
    ASSERT_TRUE(LoadWorkingTables(f.ctx));
    WorkingTables& t = f.tables;
    EXPECT_EQ(t.Price.RecordCount(), 3);
    EXPECT_EQ(t.GroupsTree.RecordCount(), 1);
    EXPECT_EQ(t.tms.RecordCount(), 1);
    EXPECT_TRUE(t.Main.Active() && t.Main.IsEmpty());
    EXPECT_TRUE(t.Doc.Active() && t.Doc.IsEmpty());
    EXPECT_TRUE(t.Zakaz.Active() && t.Zakaz.IsEmpty());
    EXPECT_TRUE(f.Has("Main.lst"));
    EXPECT_TRUE(f.Has("Doc.lst"));
    EXPECT_EQ(f.shell.View.TrademarkText, "");
    EXPECT_FALSE(f.shell.View.ClearTrademarkEnabled);
    EXPECT_EQ(f.splash.Lines(), std::vector<std::string>{"Загрузка данных в память...OK"});

    // fPrice finds every item of Price, in the order of ID, without moving Price.
    t.Price.First();
    t.Price.Next();
    const int priceRow = t.Price.RecNo();
    for (t.Price.First(); !t.Price.Eof(); t.Price.Next()) {
        EXPECT_TRUE(t.fPrice.FindKey(t.Price.AsInteger("ID")));
        EXPECT_EQ(t.fPrice.AsText("CODE"), t.Price.AsText("CODE"));
    }
    t.fPrice.First();
    EXPECT_EQ(t.fPrice.AsInteger("ID"), 10);
    t.Price.SetRecNo(priceRow);
    t.fPrice.FindKey(30LL);
    EXPECT_EQ(t.Price.RecNo(), priceRow);
}

TEST(LoadWorkingTables, LookupCursorFollowsTheGoodsAcrossAReimport) {
    ImportedCatalog f;
    WorkingTables& t = f.tables;
    ASSERT_TRUE(LoadWorkingTables(f.ctx));
    ASSERT_TRUE(t.fPrice.FindKey(30LL));

    // A price update with the lookup cursor open: the goods are emptied, imported anew
    // and loaded again, and the lookups see the new goods only.
    f.WritePrice("ID;CODE\r\n40;D\r\n50;E\r\n");
    t.Price.Empty();
    t.GroupsTree.Empty();
    ImportCatalogData(f.ctx);
    ASSERT_TRUE(LoadWorkingTables(f.ctx));
    EXPECT_EQ(t.Price.RecordCount(), 2);
    EXPECT_EQ(t.fPrice.RecordCount(), 2);
    EXPECT_FALSE(t.fPrice.FindKey(30LL));
    ASSERT_TRUE(t.fPrice.FindKey(50LL));
    EXPECT_EQ(t.fPrice.AsText("CODE"), "E");
    // A change of the goods' order quantity shows through the lookup cursor.
    t.qPrice.SetSql("update Price set KOLZAK=7 where id=50");
    t.qPrice.ExecSql();
    t.fPrice.Refresh();
    ASSERT_TRUE(t.fPrice.FindKey(50LL));
    EXPECT_EQ(t.fPrice.AsInteger("KOLZAK"), 7);
}

TEST(LoadWorkingTables, MissingGoodsOrClassifierFileEndsTheProgram) {
    for (const std::string missing : {"Price.lst", "Class.lst"}) {
        SCOPED_TRACE(missing);
        ImportedCatalog f;
        platform::DeleteFile(f.Dir() + missing);
        EXPECT_FALSE(LoadWorkingTables(f.ctx));
        EXPECT_TRUE(f.control.EndRequested());
        EXPECT_EQ(f.prompts.Texts("error"),
                  std::vector<std::string>{
                      "Файл(ы) рабочих таблиц не были найдены в рабочем каталоге. Запук программы "
                      "невозможен. Попробуйте удалить рабочий каталог программы (" +
                      f.Dir() + ") и запусть программу заново."});
        EXPECT_FALSE(f.tables.Price.Exists());
        EXPECT_FALSE(f.Has("Main.lst"));
        EXPECT_TRUE(f.splash.shown.empty());
    }
}

TEST(LoadWorkingTables, ADamagedGoodsFileGivesAnEmptyPriceListWithoutAMessage) {
    ImportedCatalog f;
    testsupport::WriteFile(f.Dir() + "Price.lst", "this is no table file");
    ASSERT_TRUE(LoadWorkingTables(f.ctx));
    EXPECT_TRUE(f.prompts.shown.empty());
    EXPECT_TRUE(f.tables.Price.Active());
    EXPECT_TRUE(f.tables.Price.IsEmpty());
    EXPECT_TRUE(f.tables.fPrice.IsEmpty());
    EXPECT_EQ(f.tables.GroupsTree.RecordCount(), 1);

    // The new goods file is a sound, empty table.
    WorkingTables other;
    CatalogContext reload{other, f.shell, f.prompts, f.splash, f.control};
    ASSERT_TRUE(LoadWorkingTables(reload));
    EXPECT_TRUE(other.Price.IsEmpty());
    EXPECT_EQ(other.Price.Fields().size(), PriceFields().size());
}

TEST(LoadWorkingTables, OneMissingArchiveFileMakesBothAnew) {
    ImportedCatalog f;
    ASSERT_TRUE(LoadWorkingTables(f.ctx));
    f.tables.Main.Append();
    f.tables.Main.SetDouble("SUMMA", 10);
    f.tables.Main.Post();
    f.tables.Main.Close();
    f.tables.Main.SaveToFile(f.Dir() + "Main.lst");
    platform::DeleteFile(f.Dir() + "Doc.lst");

    WorkingTables next;
    CatalogContext reload{next, f.shell, f.prompts, f.splash, f.control};
    ASSERT_TRUE(LoadWorkingTables(reload));
    EXPECT_TRUE(next.Main.IsEmpty());
    EXPECT_TRUE(next.Doc.IsEmpty());
    EXPECT_TRUE(f.Has("Main.lst"));
    EXPECT_TRUE(f.Has("Doc.lst"));
}

TEST(LoadWorkingTables, AnArchiveKeepsItsOrdersAndAnotherCatalogGetsItsOwn) {
    ImportedCatalog f;
    ASSERT_TRUE(LoadWorkingTables(f.ctx));
    f.tables.Main.Append();
    f.tables.Main.SetDouble("SUMMA", 10);
    f.tables.Main.Post();
    f.tables.Main.Close();
    f.tables.Main.SaveToFile(f.Dir() + "Main.lst");

    // The same database opens a second catalog whose folder has no archive yet.
    ImportedCatalog second;
    CatalogContext other{f.tables, second.shell, f.prompts, f.splash, f.control};
    ASSERT_TRUE(LoadWorkingTables(other));
    EXPECT_TRUE(f.tables.Main.IsEmpty());

    CatalogContext back{f.tables, f.shell, f.prompts, f.splash, f.control};
    ASSERT_TRUE(LoadWorkingTables(back));
    EXPECT_EQ(f.tables.Main.RecordCount(), 1);
    EXPECT_EQ(f.tables.Main.AsInteger("ID"), 1);
}

}  // namespace
