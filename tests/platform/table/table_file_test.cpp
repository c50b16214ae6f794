// Table files: round trip, refused files, and a save killed half-way.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/table/table.h"
#include "platform/text/app_error.h"
#include "test_schemas.h"
#include "test_support.h"

using namespace platform;
using namespace tabletest;

namespace {

void FillMain(Table& main, int rows) {
    for (int i = 0; i < rows; ++i) {
        main.Append();
        main.SetDateTime("DATET", DateTime{2008, 1 + i % 12, 1 + i % 28, i % 24, 0, 0});
        main.SetDouble("SUMMA", i * 1.25);
        main.SetInteger("ROWCOUNT", i);
        main.Post();
    }
}

TEST(TableFile, RoundTripKeepsFieldsRowsIndexesAndCounter) {
    testsupport::TempDir dir;
    const std::string path = dir / "Main.lst";
    {
        Database db;
        Table main(db, "Main");
        main.SetDefinitions(MainFields(), MainIndexes());
        main.Create();
        main.Open();
        FillMain(main, 5);
        main.Last();
        main.Delete();  // the counter stays at 5
        main.Close();
        main.SaveToFile(path);
    }
    Database db;
    Table main(db, "Main");
    main.LoadFromFile(path);
    ASSERT_EQ(main.Fields().size(), 4u);
    EXPECT_EQ(main.Fields()[1].name, "DATET");
    EXPECT_EQ(main.Fields()[1].type, FieldType::DateTime);
    EXPECT_EQ(main.Indexes().size(), 3u);
    main.Open();
    EXPECT_EQ(main.RecordCount(), 4);
    main.SetIndexName("_SUMMA");
    main.Last();
    EXPECT_DOUBLE_EQ(main.AsDouble("SUMMA"), 3.75);
    EXPECT_EQ(*main.AsDateTime("DATET"), (DateTime{2008, 4, 4, 3, 0, 0}));
    EXPECT_EQ(main.LastAutoIncValue(), 5);
    main.Append();
    main.Post();
    EXPECT_EQ(main.AsInteger("ID"), 6);
}

TEST(TableFile, SecondTableTakesTheFileUnderItsOwnName) {
    testsupport::TempDir dir;
    Database db;
    Table price(db, "Price"), fprice(db, "fPrice");
    price.SetDefinitions(PriceFields(), PriceIndexes());
    price.Create();
    price.Open();
    for (int id : {7, 3, 5}) {
        price.Append();
        price.SetInteger("ID", id);
        price.SetText("FULLNAME", "Товар " + std::to_string(id));
        price.Post();
    }
    price.Close();
    price.SaveToFile(dir / "Price.lst");
    fprice.SetIndexName("_ID");
    fprice.LoadFromFile(dir / "Price.lst");
    fprice.Open();
    EXPECT_TRUE(fprice.FindKey(5));
    EXPECT_EQ(fprice.AsText("FULLNAME"), "Товар 5");
    EXPECT_EQ(fprice.RecNo(), 2);

    Query q(db);
    q.SetSql("select count(*) as c from fprice");
    q.Open();
    EXPECT_EQ(q.AsInteger("c"), 3);
    price.Open();
    EXPECT_EQ(price.RecordCount(), 3);  // the source table is untouched
}

TEST(TableFile, OlderFileWithoutAFieldLoadsWithoutIt) {
    testsupport::TempDir dir;
    Database db;
    Table old(db, "Price");
    auto fields = PriceFields();
    fields.erase(fields.begin() + 22);  // BARCODE
    old.SetDefinitions(fields, PriceIndexes());
    old.Create();
    old.SaveToFile(dir / "Price.lst");
    Table price(db, "fPrice");
    price.SetDefinitions(PriceFields(), PriceIndexes());
    price.LoadFromFile(dir / "Price.lst");
    price.Open();
    EXPECT_FALSE(price.HasField("BARCODE"));
    EXPECT_TRUE(price.HasField("barcode") == price.HasField("BARCODE"));
    EXPECT_TRUE(price.HasField("IdTm"));
}

TEST(TableFile, BadFilesAreRefusedNamingTheFile) {
    testsupport::TempDir dir;
    Database db;
    Table main(db, "Main");
    main.SetDefinitions(MainFields(), MainIndexes());
    main.Create();
    main.Open();
    FillMain(main, 300);
    main.SaveToFile(dir / "good.lst");
    std::string good = testsupport::ReadFile(dir / "good.lst");
    ASSERT_GT(good.size(), 8192u);

    // A file with a foreign database.
    {
        Database other;
        other.Execute("create table x (a integer)");
        other.Execute("vacuum into \"" + dir / "foreign.lst" + "\"");
    }
    testsupport::WriteFile(dir / "empty.lst", "");
    testsupport::WriteFile(dir / "text.lst", "ID;CODE\n1;2\n");
    testsupport::WriteFile(dir / "cut.lst", good.substr(0, good.size() - 4096));
    testsupport::WriteFile(dir / "half.lst", good.substr(0, good.size() / 2 + 100));
    for (const char* name :
         {"missing.lst", "empty.lst", "text.lst", "cut.lst", "half.lst", "foreign.lst"}) {
        Table t(db, "Main");
        t.SetDefinitions(MainFields(), MainIndexes());
        try {
            t.LoadFromFile(dir / name);
            ADD_FAILURE() << name << " loaded";
        } catch (const AppError& e) {
            EXPECT_NE(std::string(e.what()).find(dir / name), std::string::npos) << e.what();
        }
        t.Open();  // still a usable table
        EXPECT_GE(t.RecordCount(), 0);
    }
    Table t(db, "Main");
    t.LoadFromFile(dir / "good.lst");
    t.Open();
    EXPECT_EQ(t.RecordCount(), 300);
}

TEST(TableFile, SavingAMissingTableOrIntoAMissingFolderFails) {
    testsupport::TempDir dir;
    Database db;
    Table t(db, "Main");
    EXPECT_THROW(t.SaveToFile(dir / "a.lst"), AppError);
    t.SetDefinitions(MainFields(), MainIndexes());
    t.Create();
    try {
        t.SaveToFile(dir / "no/such/folder/a.lst");
        FAIL();
    } catch (const AppError& e) {
        EXPECT_NE(std::string(e.what()).find("no/such/folder/a.lst"), std::string::npos);
    }
}

// A child saves a large table again and again; killed at any moment, it leaves the
// previous file whole.
TEST(TableFile, SaveKilledHalfWayLeavesThePreviousFile) {
    testsupport::TempDir dir;
    const std::string path = dir / "Price.lst";
    for (int round = 0; round < 4; ++round) {
        testsupport::ChildProcess child({TABLE_SAVE_CHILD, path, "20000"});
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!testsupport::FileExists(path) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_TRUE(testsupport::FileExists(path));
        std::this_thread::sleep_for(std::chrono::milliseconds(40 + 37 * round));
        child.Kill(SIGKILL);
        child.Wait();

        Database db;
        Table price(db, "Price");
        price.LoadFromFile(path);
        price.Open();
        EXPECT_EQ(price.RecordCount(), 20000);
        price.Last();
        EXPECT_EQ(price.AsText("FULLNAME"), "ТОВАР 19999");
    }
}

}  // namespace
