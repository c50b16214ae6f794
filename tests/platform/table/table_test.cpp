// Table objects: cursor, editing, events, order, find key, filter, widths, observers.
#include "platform/table/table.h"

#include <gtest/gtest.h>

#include "platform/text/app_error.h"
#include "test_schemas.h"

using namespace platform;
using namespace tabletest;

namespace {

struct PriceRow {
    long long id;
    std::string code, name;
    long long group, subgroup;
    bool isNew;
};

class PriceTableTest : public ::testing::Test {
protected:
    Database db;
    Table price{db, "Price"};

    void SetUp() override {
        price.SetDefinitions(PriceFields(), PriceIndexes());
        price.Create();
        price.Open();
    }

    void Add(const PriceRow& r) {
        price.Append();
        price.SetInteger("ID", r.id);
        price.SetText("CODE", r.code);
        price.SetText("FULLNAME", r.name);
        price.SetText("FULLNAME_IND", r.name);
        price.SetInteger("IDGROUP", r.group);
        if (r.subgroup >= 0) price.SetInteger("IDSUBGROUP", r.subgroup);
        price.SetBoolean("ISNEW", r.isNew);
        price.Post();
    }

    void Fill() {
        Add({3, "003", "РУЧКА СИНЯЯ", 17, 312, true});
        Add({1, "001", "КАРАНДАШ", 17, -1, false});
        Add({2, "002", "РУЧКА красная", 18, 0, false});
        Add({5, "005", "ручка малая", 17, 313, true});
        Add({4, "004", "ЛАСТИК", 17, 0, false});
    }

    std::vector<long long> Ids() {
        std::vector<long long> ids;
        for (price.First(); !price.Eof(); price.Next()) ids.push_back(price.AsInteger("ID"));
        return ids;
    }
};

TEST_F(PriceTableTest, EmptyTableCursor) {
    EXPECT_TRUE(price.IsEmpty());
    EXPECT_TRUE(price.Eof());
    EXPECT_EQ(price.RecNo(), 0);
    EXPECT_TRUE(price.IsNull("CODE"));
    EXPECT_THROW(price.Delete(), AppError);
}

TEST_F(PriceTableTest, WalkReadsTypedValuesInInsertOrder) {
    Fill();
    EXPECT_EQ(Ids(), (std::vector<long long>{3, 1, 2, 5, 4}));
    price.First();
    EXPECT_EQ(price.RecNo(), 1);
    EXPECT_EQ(price.AsText("code"), "003");
    EXPECT_TRUE(price.AsBoolean("IsNew"));
    EXPECT_TRUE(price.IsNull("KOLZAK"));
    EXPECT_EQ(price.AsInteger("KOLZAK"), 0);
    EXPECT_EQ(price.AsText("KOLZAK"), "");
    price.Next();
    price.Next();
    EXPECT_EQ(price.RecNo(), 3);
    price.Last();
    EXPECT_EQ(price.AsInteger("ID"), 4);
    price.Next();
    EXPECT_TRUE(price.Eof());
    price.SetRecNo(2);
    EXPECT_EQ(price.AsInteger("ID"), 1);
    EXPECT_EQ(price.RecordCount(), 5);
}

TEST_F(PriceTableTest, TypedSettersAndReaders) {
    price.Append();
    price.SetInteger("ID", 9);
    price.SetDouble("CENA", 0.000015);
    price.SetText("NDS", "18.5");
    price.SetDateTime("DATEIN", DateTime{2008, 3, 12, 9, 5, 7});
    price.SetText("KOLTEK", " 42");
    price.Post();
    EXPECT_EQ(price.AsText("CENA"), "1.5E-5");
    EXPECT_DOUBLE_EQ(price.AsDouble("NDS"), 18.5);
    EXPECT_EQ(price.AsText("DATEIN"), "2008-03-12 09:05:07");
    ASSERT_TRUE(price.AsDateTime("DATEIN").has_value());
    EXPECT_EQ(*price.AsDateTime("DATEIN"), (DateTime{2008, 3, 12, 9, 5, 7}));
    EXPECT_EQ(price.AsInteger("KOLTEK"), 42);
    EXPECT_FALSE(price.AsDateTime("CODE").has_value());

    price.Edit();
    EXPECT_THROW(price.SetText("KOLTEK", "12,5"), AppError);
    EXPECT_THROW(price.SetText("DATEIN", "31.02.2008"), AppError);
    EXPECT_THROW(price.SetText("NOSUCH", "x"), AppError);
    price.SetNull("CENA");
    price.Post();
    EXPECT_TRUE(price.IsNull("CENA"));
}

TEST_F(PriceTableTest, TextsAreCutToTheirWidthInCharacters) {
    price.Append();
    price.SetText("CODE", "АБВГДЕЖЗИЙКЛМ");  // 13 Cyrillic letters, two bytes each
    price.SetText("BARCODE", "12345678901234567890123");
    price.Post();
    EXPECT_EQ(price.AsText("CODE"), "АБВГДЕЖЗИЙ");
    EXPECT_EQ(price.AsText("BARCODE"), "12345678901234567890");

    Query q(db);
    q.SetSql("update price set code=\"ЁЁЁЁЁЁЁЁЁЁЁЁЁЁ\", fullname_ind=\"короткий\"");
    q.ExecSql();
    price.Refresh();
    EXPECT_EQ(price.AsText("CODE"), "ЁЁЁЁЁЁЁЁЁЁ");
    EXPECT_EQ(price.AsText("FULLNAME_IND"), "короткий");
}

TEST_F(PriceTableTest, EditingAndPendingValues) {
    Fill();
    price.First();
    price.Edit();
    EXPECT_TRUE(price.Editing());
    price.SetText("CODE", "X");
    EXPECT_EQ(price.AsText("CODE"), "X");  // the pending value is visible
    price.Cancel();
    EXPECT_EQ(price.AsText("CODE"), "003");
    EXPECT_THROW(price.SetText("CODE", "Y"), AppError);  // not editing

    price.Edit();
    price.SetText("CODE", "X");
    price.Next();  // moving posts the pending edit
    EXPECT_FALSE(price.Editing());
    price.First();
    EXPECT_EQ(price.AsText("CODE"), "X");

    price.Append();
    price.SetInteger("ID", 77);
    price.Cancel();
    EXPECT_EQ(price.RecordCount(), 5);
}

TEST_F(PriceTableTest, DeleteKeepsPositionOnTheFollowingRow) {
    Fill();
    price.SetRecNo(2);
    price.Delete();
    EXPECT_EQ(price.RecordCount(), 4);
    EXPECT_EQ(price.AsInteger("ID"), 2);
    price.Last();
    price.Delete();
    EXPECT_EQ(price.AsInteger("ID"), 5);
    EXPECT_EQ(Ids(), (std::vector<long long>{3, 2, 5}));
}

TEST_F(PriceTableTest, EventsFireInDataSetOrder) {
    Fill();
    std::vector<std::string> log;
    auto record = [&](const char* name) { return [&log, name](Table&) { log.push_back(name); }; };
    price.BeforeEdit = record("BeforeEdit");
    price.BeforePost = record("BeforePost");
    price.AfterPost = record("AfterPost");
    price.AfterCancel = record("AfterCancel");
    price.AfterScroll = record("AfterScroll");
    price.BeforeDelete = record("BeforeDelete");
    price.AfterDelete = record("AfterDelete");
    price.AfterRefresh = record("AfterRefresh");

    price.First();
    price.Edit();
    price.SetInteger("KOLZAK", 3);
    price.Post();
    price.Edit();
    price.Cancel();
    price.Next();
    price.Delete();
    price.Refresh();
    price.Append();
    price.SetInteger("ID", 10);
    price.Post();
    EXPECT_EQ(log, (std::vector<std::string>{"AfterScroll", "BeforeEdit", "BeforePost", "AfterPost",
                                             "BeforeEdit", "AfterCancel", "AfterScroll",
                                             "BeforeDelete", "AfterDelete", "AfterScroll",
                                             "AfterRefresh", "BeforePost", "AfterPost"}));
}

TEST_F(PriceTableTest, BeforePostCanRefuseAndAfterPostCanDelete) {
    price.BeforePost = [](Table& t) {
        if (t.AsInteger("ID") < 0) throw AppError("refused");
    };
    price.Append();
    price.SetInteger("ID", -1);
    EXPECT_THROW(price.Post(), AppError);
    EXPECT_TRUE(price.Editing());
    price.Cancel();
    EXPECT_TRUE(price.IsEmpty());

    // An order line posted with no quantity leaves at once.
    price.AfterPost = [](Table& t) {
        if (t.AsInteger("KOLZAK") <= 0) t.Delete();
    };
    Add({1, "001", "A", 1, 0, false});
    EXPECT_TRUE(price.IsEmpty());
}

TEST_F(PriceTableTest, PostedRowBecomesCurrentInItsSortedPlace) {
    Fill();
    price.SetOrderByFields("CODE");
    Add({6, "0025", "X", 1, 0, false});
    EXPECT_EQ(price.AsInteger("ID"), 6);
    EXPECT_EQ(price.RecNo(), 3);
}

TEST_F(PriceTableTest, OrderByFieldsAndIndexes) {
    Fill();
    struct Case {
        std::string index;
        std::vector<long long> ids;
    };
    for (const Case& c : std::vector<Case>{{"_ID", {1, 2, 3, 4, 5}},
                                           {"_idg_code", {1, 3, 4, 5, 2}},
                                           {"_FULLNAME", {1, 4, 3, 2, 5}},
                                           {"", {3, 1, 2, 5, 4}}}) {
        price.SetIndexName(c.index);
        EXPECT_EQ(Ids(), c.ids) << c.index;
    }
    price.SetOrderByFields("IDSUBGROUP;CODE");
    EXPECT_EQ(Ids(), (std::vector<long long>{1, 2, 4, 3, 5}));
    EXPECT_THROW(price.SetIndexName("_NOPE"), AppError);
    EXPECT_THROW(price.SetOrderByFields("NOPE"), AppError);
    EXPECT_EQ(Ids(), (std::vector<long long>{1, 2, 4, 3, 5}));  // unchanged
}

TEST_F(PriceTableTest, FindKeyUsesTheFirstOrderField) {
    Fill();
    price.SetIndexName("_ID");
    EXPECT_TRUE(price.FindKey(5));
    EXPECT_EQ(price.AsText("CODE"), "005");
    EXPECT_EQ(price.RecNo(), 5);
    EXPECT_FALSE(price.FindKey(99));
    EXPECT_EQ(price.AsText("CODE"), "005");  // stays put

    price.SetIndexName("_IDG_CODE");
    EXPECT_TRUE(price.FindKey(17));
    EXPECT_EQ(price.AsText("CODE"), "001");  // first of group 17 by code
    price.SetOrderByFields("CODE");
    EXPECT_TRUE(price.FindKey(std::string("004")));
    EXPECT_EQ(price.AsInteger("ID"), 4);

    // A row hidden by the filter is not found.
    price.SetFilter("idgroup=18");
    price.SetFiltered(true);
    EXPECT_FALSE(price.FindKey(std::string("004")));
}

TEST_F(PriceTableTest, FilterExpressions) {
    Fill();
    struct Case {
        std::string filter;
        std::vector<long long> ids;
    };
    const std::vector<Case> cases = {
        {"", {3, 1, 2, 5, 4}},
        {"idgroup=17", {3, 1, 5, 4}},
        {"idgroup=17 and not(idsubgroup>0)", {1, 4}},
        {"fullname_ind like \"РУЧКА%\"", {3, 2}},  // case-sensitive, Cyrillic
        {"fullname_ind like \"ручка%\"", {5}},
        {"fullname_ind like \"%%\"", {3, 1, 2, 5, 4}},
        {"IsNew > 0 and idtm = 5 and fullname_ind like \"РУЧКА%%\" and idsubgroup=312", {}},
        {"IsNew > 0 and fullname_ind like \"РУЧКА%%\" and idsubgroup=312", {3}},
        {"code like \"00%\" and not(isnew > 0)", {1, 2, 4}},
    };
    price.SetFiltered(true);
    for (const Case& c : cases) {
        price.SetFilter(c.filter);
        EXPECT_EQ(Ids(), c.ids) << c.filter;
    }
    price.SetFilter("idgroup=17");
    price.SetFiltered(false);
    EXPECT_EQ(Ids().size(), 5u);
    price.SetFiltered(true);
    EXPECT_EQ(Ids().size(), 4u);

    // A filter the engine cannot read is refused and the old one stays.
    try {
        price.SetFilter("idgroup = = 3");
        FAIL();
    } catch (const AppError& e) {
        EXPECT_NE(std::string(e.what()).find("idgroup = = 3"), std::string::npos);
    }
    EXPECT_EQ(price.Filter(), "idgroup=17");
    EXPECT_EQ(Ids().size(), 4u);
}

TEST_F(PriceTableTest, FilterTextWithQuotesStaysData) {
    Add({1, "O'NEIL", "\"; delete from price; \"", 1, 0, false});
    Add({2, "B", "B", 1, 0, false});
    price.SetFiltered(true);
    price.SetFilter("code = \"O'NEIL\"");
    EXPECT_EQ(Ids(), (std::vector<long long>{1}));
    price.SetFilter("fullname = '\"; delete from price; \"'");
    EXPECT_EQ(Ids(), (std::vector<long long>{1}));
    price.SetFiltered(false);
    EXPECT_EQ(Ids().size(), 2u);
}

class RecordingObserver : public DataSetObserver {
public:
    void DataChanged(DataSet&) override { ++data; }
    void CurrentChanged(DataSet&) override { ++current; }
    int data = 0, current = 0;
};

TEST_F(PriceTableTest, SuspendedDisplayHearsOneChangeOnResume) {
    Fill();
    RecordingObserver observer;
    price.AddObserver(&observer);
    price.DisableControls();
    price.DisableControls();
    price.SetFilter("idgroup=17");
    price.SetFiltered(false);
    price.SetFiltered(true);
    for (price.First(); !price.Eof(); price.Next()) {
    }
    price.EnableControls();
    EXPECT_EQ(observer.data + observer.current, 0);
    price.EnableControls();
    EXPECT_EQ(observer.data, 1);
    EXPECT_EQ(observer.current, 0);
    price.First();
    EXPECT_EQ(observer.current, 1);
    price.RemoveObserver(&observer);
    price.Next();
    EXPECT_EQ(observer.current, 1);
}

TEST(TableLifecycle, CreateEmptyExistsOpenClose) {
    Database db;
    Table tms(db, "tms");
    EXPECT_FALSE(tms.Exists());
    EXPECT_THROW(tms.Open(), AppError);
    tms.SetDefinitions(TmsFields(), TmsIndexes());
    tms.Create();
    EXPECT_TRUE(tms.Exists());
    EXPECT_TRUE(db.TableExists("TMS"));
    tms.Open();
    tms.Append();
    tms.SetInteger("ID", 1);
    tms.SetText("NAME", "Erich Krause");
    tms.Post();
    tms.Close();
    EXPECT_TRUE(tms.Eof());
    tms.Open();
    EXPECT_EQ(tms.RecordCount(), 1);
    tms.Empty();
    EXPECT_TRUE(tms.IsEmpty());
    tms.Create();  // drops and creates afresh
    EXPECT_TRUE(tms.IsEmpty());
    EXPECT_FALSE(tms.Active());
}

TEST(TableLifecycle, AutoIncrementGivesNextValues) {
    Database db;
    Table main(db, "Main");
    main.SetDefinitions(MainFields(), MainIndexes());
    main.Create();
    main.Open();
    for (int i = 0; i < 3; ++i) {
        main.Append();
        main.SetDouble("SUMMA", i);
        main.Post();
        EXPECT_EQ(main.AsInteger("ID"), i + 1);
        EXPECT_EQ(main.LastAutoIncValue(), i + 1);
    }
    main.Delete();  // the last one: its number is not given again
    Query q(db);
    q.SetSql("insert into main (datet,summa, rowcount) values (\"12.03.2008 9:05:07\",1.5,2)");
    q.ExecSql();
    EXPECT_EQ(main.LastAutoIncValue(), 4);
    main.Refresh();
    main.Last();
    EXPECT_EQ(main.AsInteger("ID"), 4);
    EXPECT_EQ(main.AsText("DATET"), "2008-03-12 09:05:07");
}

}  // namespace

namespace {

TEST(TableBulkLoad, IndexesComeBackAndRowsStayReadable) {
    Database db;
    Table price(db, "Price");
    price.SetDefinitions(PriceFields(), PriceIndexes());
    price.Create();
    price.Open();
    price.BeginBulkLoad();
    for (int id : {3, 1, 2}) {
        price.Append();
        price.SetInteger("ID", id);
        price.Post();
    }
    price.SetIndexName("_ID");
    EXPECT_TRUE(price.FindKey(2));
    price.EndBulkLoad();
    Query q(db);
    q.SetSql("select count(*) from pragma_index_list('Price')");
    q.Open();
    EXPECT_EQ(q.AsInteger("count(*)"), static_cast<long long>(PriceIndexes().size()));
    price.First();
    EXPECT_EQ(price.AsInteger("ID"), 1);
}

}  // namespace
