// Every statement and filter text the program runs, against the working-table schemas
// with rows that show its result; and the dialect rules they rely on.
#include <gtest/gtest.h>

#include "platform/table/sql_dialect.h"
#include "platform/table/table.h"
#include "platform/text/app_error.h"
#include "test_schemas.h"

using namespace platform;
using namespace tabletest;

namespace {

TEST(SqlDialect, Rewrites) {
    struct Case {
        const char* in;
        const char* out;
    };
    for (const Case& c : std::vector<Case>{
             {"code = \"tm\"", "code = 'tm'"},
             {"code = \"O'NEIL\"", "code = 'O''NEIL'"},
             {"x = \"\"\"\"", "x = '\"'"},
             {"fullname_ind like \"РУЧКА%\"", "fullname_ind like 'РУЧКА%'"},
             {"not(idsubgroup>0)", "((idsubgroup>0) IS NOT TRUE)"},
             {"a=1 and NOT (b>0 and not(c=2))",
              "a=1 and ((b>0 and ((c=2) IS NOT TRUE)) IS NOT TRUE)"},
             {"x is not (1)", "x is not (1)"},
             {"x not in (1,2)", "x not in (1,2)"},
             {"a = \"not(b)\"", "a = 'not(b)'"},
             {"kolzak=null, v=1.5E-5", "kolzak=null, v=1.5E-5"},
             {"select distinct(idtm) from price order by 3,4",
              "select distinct(idtm) from price order by 3,4"},
             {"a = 'it''s' -- \"c\"\n", "a = 'it''s' -- \"c\"\n"},
             {"[not](1)", "[not](1)"},
         }) {
        EXPECT_EQ(AdaptSql(c.in), c.out) << c.in;
    }
}

class WorkingTables : public ::testing::Test {
protected:
    Database db;
    Table price{db, "Price"}, groups{db, "Class"}, tree{db, "Tree"}, tms{db, "tms"},
        main{db, "Main"}, doc{db, "Doc"}, zakaz{db, "Zakaz"};
    Query q{db};

    void SetUp() override {
        price.SetDefinitions(PriceFields(), PriceIndexes());
        groups.SetDefinitions(ClassFields(), ClassIndexes());
        tree.SetDefinitions(TreeFields(), TreeIndexes());
        tms.SetDefinitions(TmsFields(), TmsIndexes());
        main.SetDefinitions(MainFields(), MainIndexes());
        doc.SetDefinitions(LineFields(true), {{"_ID", "ID", true}, {"_IDDOC", "IDDOC", false}});
        zakaz.SetDefinitions(LineFields(false), {{"_ID", "ID", true}});
        for (Table* t : {&price, &groups, &tree, &tms, &main, &doc, &zakaz}) t->Create();
        db.Execute(
            "insert into price (id, code, fullname, fullname_ind, tm, idtm, idgroup, idsubgroup, "
            "cena, isnew) values "
            "(1, \"001\", \"Ручка\", \"РУЧКА\", \"Berlingo\", 5, 10, 11, 12.5, 1),"
            "(2, \"002\", \"Карандаш\", \"КАРАНДАШ\", \"Koh-i-Noor\", 7, 10, null, 3, 0),"
            "(3, \"003\", \"Ластик\", \"ЛАСТИК\", \"Berlingo\", 5, 20, 21, 1, 0),"
            "(4, \"004\", \"Клей\", \"КЛЕЙ\", \"Erich\", 0, 20, 0, 2, 0),"
            "(5, \"005\", \"Скрепки\", \"СКРЕПКИ\", \"berlingo\", 5, 99, 0, 4, 0),"
            "(6, \"006\", \"Без группы\", \"БЕЗ ГРУППЫ\", null, null, 0, 0, 1, 0)");
        db.Execute(
            "insert into class (id, name, idparent) values (10, \"Письмо\", 0), (11, \"Ручки\", "
            "10),"
            "(20, \"Канцелярия\", 0), (21, \"Ластики\", 20)");
    }

    std::vector<std::vector<std::string>> Run(const std::vector<std::string>& lines) {
        q.Close();
        q.ClearSql();
        for (const auto& l : lines) q.AddSql(l);
        q.Open();
        std::vector<std::vector<std::string>> rows;
        for (q.First(); !q.Eof(); q.Next()) {
            std::vector<std::string> row;
            for (const auto& name : q.FieldNames()) row.push_back(q.AsText(name));
            rows.push_back(row);
        }
        return rows;
    }

    void Exec(const std::vector<std::string>& lines) {
        q.Close();
        q.ClearSql();
        for (const auto& l : lines) q.AddSql(l);
        q.ExecSql();
    }

    void AddOrderLine(long long idPrice, long long kol, double summa) {
        Exec(
            {"insert into zakaz (idprice, code, kol, summa, summaprice, summadiscount, weight, "
             "volume) "
             "values (" +
             std::to_string(idPrice) + ", \"00" + std::to_string(idPrice) + "\", " +
             std::to_string(kol) + ", " + std::to_string(summa) + ", " + std::to_string(summa * 2) +
             ", " + std::to_string(summa) + ", 0.5, 0.00005)"});
    }

    std::string PriceField(long long id, const std::string& field) {
        return Run({"select " + field + " from price where id=" + std::to_string(id)})[0][0];
    }
};

using Rows = std::vector<std::vector<std::string>>;

TEST_F(WorkingTables, TrademarkQuery) {
    EXPECT_EQ(Run({"select distinct(idtm) as idtm, tm from price where idtm > 0 order by tm"}),
              (Rows{{"5", "Berlingo"}, {"7", "Koh-i-Noor"}, {"5", "berlingo"}}));
    ASSERT_TRUE(q.HasField("IDTM"));
}

TEST_F(WorkingTables, GroupingQueryAndTreeCache) {
    const Rows expected = {{"0", "99", "", ""},  // no Class row: names empty, nulls first
                           {"0", "20", "Канцелярия", ""},
                           {"21", "20", "Канцелярия", "Ластики"},
                           {"", "10", "Письмо", ""},
                           {"11", "10", "Письмо", "Ручки"}};
    EXPECT_EQ(Run({"select distinct(price.idsubgroup),  price.idgroup, cl.name as NameGroup, "
                   "cl2.name as NameSubGroup from price",
                   "left outer join class cl on cl.id=price.idgroup",
                   "left outer join class cl2  on cl2.id=price.idsubgroup",
                   "where price.idgroup>0 order by 3,4"}),
              expected);
    tree.Open();
    for (q.First(); !q.Eof(); q.Next()) {
        tree.Insert();
        tree.SetInteger("IDGROUP", q.AsInteger("idgroup"));
        if (!q.IsNull("idsubgroup")) tree.SetInteger("IDSUBGROUP", q.AsInteger("idsubgroup"));
        tree.SetText("NAMEGROUP", q.AsText("NameGroup"));
        tree.SetText("NAMESUBGROUP", q.AsText("NameSubGroup"));
        tree.Post();
    }
    EXPECT_EQ(
        Run({"select tree.idsubgroup,  tree.idgroup, tree.NameGroup, tree.NameSubGroup from tree"}),
        expected);
}

TEST_F(WorkingTables, EmptyingTheClassifier) {
    Exec({"delete from class"});
    EXPECT_EQ(Run({"select count(*) as c from class"}), (Rows{{"0"}}));
}

TEST_F(WorkingTables, PriceFilters) {
    price.Open();
    price.SetFiltered(true);
    struct Case {
        std::string filter;
        std::vector<long long> ids;
    };
    for (const Case& c : std::vector<Case>{
             {"idgroup=10", {1, 2}},
             {"idsubgroup=11", {1}},
             {"idgroup=20 and not(idsubgroup>0)", {4}},
             {"idgroup=10 and not(idsubgroup>0)", {2}},  // a null subgroup counts as none
             {"idtm = 5", {1, 3, 5}},
             {"code like \"00%\" and idtm = 7", {2}},
             {"fullname_ind like \"РУЧ%\"", {1}},
             {"fullname_ind like \"руч%\"", {}},
             {"IsNew > 0 and idtm = 5 and fullname_ind like \"РУЧКА%%\" and idsubgroup=11", {1}},
             {"articul_ind like \"%%\"", {}},  // nulls never match a like
         }) {
        price.SetFilter(c.filter);
        std::vector<long long> ids;
        for (price.First(); !price.Eof(); price.Next()) ids.push_back(price.AsInteger("ID"));
        EXPECT_EQ(ids, c.ids) << c.filter;
    }
}

TEST_F(WorkingTables, OrderLineStatements) {
    AddOrderLine(1, 3, 30);
    AddOrderLine(1, 2, 20);
    AddOrderLine(3, 1, 5);
    EXPECT_EQ(Run({"select count(*) as c, sum(kol) as k from zakaz where idprice=1"}),
              (Rows{{"2", "5"}}));
    EXPECT_EQ(Run({"select count(*) as c, sum(kol) as k from zakaz where idprice=42"}),
              (Rows{{"0", ""}}));

    Exec({"update Price set ", "KOLZAK=5", "where id=1"});
    EXPECT_EQ(PriceField(1, "kolzak"), "5");
    Exec({"update price set ", "KOLZAK=null", "where id=1"});
    EXPECT_EQ(PriceField(1, "kolzak"), "");
    Exec({"update Price set ", "KOLZAK=1", "where id=3"});
    Exec({"update price set ", "KOLZAK = null", "where price.id=3"});
    EXPECT_EQ(PriceField(3, "kolzak"), "");

    auto rows =
        Run({"select Price.*,Zakaz.kol as kolvo from Zakaz left outer join Price on "
             "Price.id=Zakaz.idprice"});
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_TRUE(q.HasField("kolvo"));
    EXPECT_TRUE(q.HasField("MAXDISCOUNT"));
    q.First();
    EXPECT_EQ(q.AsText("FULLNAME"), "Ручка");
    EXPECT_EQ(q.AsInteger("KOLVO"), 3);

    // The line update: texts in double quotes, one with a quote in it, numbers in
    // exponent form.
    Exec({"update zakaz set",
          "CODE=\"001\"",
          ",BARCODE=\"\"",
          ",FULLNAME=\"Ручка 'Люкс'\"",
          ",ARTICUL=\"O'NEIL\"",
          ",TM=\"tm\"",
          ",COUNTRY=\"; delete from price; \"",
          ",NDS=18",
          ",ST1=1",
          ",ST2=10",
          ",ST3=100",
          ",WST3=0.5",
          ",VST3=1.5E-5",
          ",KOL=4",
          ",CENAPRICE=12.5",
          ",PROCENTDISCOUNT=15",
          ",CENA=10.625",
          ",SUMMA=42.5",
          ",VOLUME=6E-5",
          ",WEIGHT=0.02",
          ",CENADISCOUINT=1.875",
          ",SUMMAPRICE=50",
          ",SUMMADISCOUNT=7.5",
          "where idprice=1"});
    rows =
        Run({"select code, fullname, articul, tm, country, vst3, volume, kol from zakaz where "
             "idprice=1"});
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"001", "Ручка 'Люкс'", "O'NEIL", "tm",
                                                 "; delete from price; ", "1.5E-5", "6E-5", "4"}));
    EXPECT_EQ(Run({"select count(*) from price"}), (Rows{{"6"}}));

    Run(
        {"select sum(summaprice) as summaP, sum(summadiscount) as summaD, sum(Weight) as "
         "summaWeight, sum(Volume) as summaVolume from zakaz"});
    q.First();
    EXPECT_DOUBLE_EQ(q.AsDouble("summaP"), 110);
    EXPECT_DOUBLE_EQ(q.AsDouble("summaD"), 20);
    EXPECT_NEAR(q.AsDouble("summaWeight"), 0.54, 1e-12);
    EXPECT_NEAR(q.AsDouble("summaVolume"), 0.00017, 1e-12);

    Exec({"delete from zakaz ", "where idprice=1"});
    EXPECT_EQ(Run({"select count(*) as c, sum(kol) as k from zakaz"}), (Rows{{"1", "1"}}));
}

TEST_F(WorkingTables, ArchiveStatements) {
    AddOrderLine(1, 3, 30.5);
    AddOrderLine(2, 1, 4);
    EXPECT_EQ(Run({"select sum(summa) as summa, count(*) as c from zakaz"}), (Rows{{"34.5", "2"}}));
    Exec({"insert into main (datet,summa, rowcount) values (\"05.03.2008 9:05:07\",34.5,2)"});
    Exec({"insert into main (datet,summa, rowcount) values (\"12.03.2008 14:00:00\",1E15,1)"});
    EXPECT_EQ(Run({"select * from main order by datet desc"}),
              (Rows{{"2", "2008-03-12 14:00:00", "1E15", "1"},
                    {"1", "2008-03-05 09:05:07", "34.5", "2"}}));
    Exec({"insert into doc (iddoc, idprice, kol) values (1, 1, 3), (1, 2, 1), (2, 3, 7)"});
    EXPECT_EQ(Run({"select * from doc", "where doc.iddoc=1"}).size(), 2u);
    EXPECT_EQ(Run({"select * from doc where doc.iddoc = 2"}).size(), 1u);
    Exec({"delete from main where main.id=1"});
    Exec({"delete from doc where doc.iddoc=1"});
    EXPECT_EQ(Run({"select count(*) from main"}), (Rows{{"1"}}));
    EXPECT_EQ(Run({"select count(*) from doc"}), (Rows{{"1"}}));
}

TEST_F(WorkingTables, StatementErrorsCarryTheTextAndChangeNothing) {
    for (const std::vector<std::string>& lines : std::vector<std::vector<std::string>>{
             {"update price set nosuch=1"},
             {"update price set kolzak=1;", "delete from nowhere"},
             {"selct * from price"}}) {
        std::string text;
        for (const auto& l : lines) text += (text.empty() ? "" : "\n") + l;
        try {
            Exec(lines);
            ADD_FAILURE() << text;
        } catch (const AppError& e) {
            EXPECT_NE(std::string(e.what()).find(text), std::string::npos) << e.what();
        }
    }
    EXPECT_EQ(Run({"select count(*) from price where kolzak is not null"}), (Rows{{"0"}}));
    try {
        Run({"select * from nowhere"});
        FAIL();
    } catch (const AppError& e) {
        EXPECT_NE(std::string(e.what()).find("select * from nowhere"), std::string::npos);
    }
    EXPECT_FALSE(q.Active());
    EXPECT_THROW(Run({"delete from price"}), AppError);  // a statement is not opened
    EXPECT_EQ(Run({"select count(*) from price"}), (Rows{{"6"}}));
}

TEST_F(WorkingTables, QueryTextAsLines) {
    q.ClearSql();
    q.AddSql("select id");
    q.AddSql("from price where id = 2");
    EXPECT_EQ(q.Sql(), "select id\nfrom price where id = 2");
    q.Open();
    EXPECT_EQ(q.RecordCount(), 1);
    q.Close();
    q.SetSql("select id from price order by id");
    q.Open();
    q.SetRecNo(3);
    db.Execute("delete from price where id = 1");
    q.Refresh();  // runs the select again
    EXPECT_EQ(q.RecordCount(), 5);
    EXPECT_EQ(q.AsInteger("id"), 4);
    q.Close();
    q.SetSql("select * from price where id = :id");  // kept as text, never run
    EXPECT_EQ(q.Sql(), "select * from price where id = :id");
}

}  // namespace
