#include "store/working_tables.h"

#include "shell/catalog_registry.h"

namespace {

using platform::FieldDef;
using platform::FieldType;
using platform::IndexDef;

FieldDef Int(const char* name) { return {name, FieldType::Integer, 0}; }
FieldDef AutoInc(const char* name) { return {name, FieldType::AutoInc, 0}; }
FieldDef Real(const char* name) { return {name, FieldType::Double, 0}; }
FieldDef Bool(const char* name) { return {name, FieldType::Boolean, 0}; }
FieldDef Date(const char* name) { return {name, FieldType::DateTime, 0}; }
FieldDef Text(const char* name, int width) { return {name, FieldType::Text, width}; }

// The order lines of Doc and Zakaz from CODE to BARCODE.
std::vector<FieldDef> OrderLineFields() {
    return {Text("CODE", 10),
            Text("FULLNAME", 200),
            Text("ARTICUL", 30),
            Text("TM", 50),
            Text("COUNTRY", 30),
            Real("NDS"),
            Int("ST1"),
            Int("ST2"),
            Int("ST3"),
            Real("WST3"),
            Real("VST3"),
            Int("KOL"),
            Real("CENAPRICE"),
            Real("PROCENTDISCOUNT"),
            Real("CENA"),
            Real("SUMMA"),
            Real("CENADISCOUINT"),
            Real("SUMMAPRICE"),
            Real("SUMMADISCOUNT"),
            Text("BARCODE", 20)};
}

void Define(platform::Table& table, std::vector<FieldDef> fields, std::vector<IndexDef> indexes) {
    table.SetDefinitions(std::move(fields), std::move(indexes));
}

}  // namespace

std::vector<FieldDef> PriceFields() {
    return {Int("ID"),
            Text("CODE", 10),
            Text("FULLNAME", 200),
            Real("NDS"),
            Int("KOLTEK"),
            Real("CENA"),
            Real("MAXDISCOUNT"),
            Text("ARTICUL", 30),
            Text("TM", 50),
            Text("COUNTRY", 30),
            Int("ST1"),
            Int("ST2"),
            Int("ST3"),
            Real("WST3"),
            Real("VST3"),
            Int("IDGROUP"),
            Int("IDSUBGROUP"),
            Text("FULLNAME_IND", 200),
            Text("ARTICUL_IND", 30),
            Int("KOLZAK"),
            Bool("ISPHOTO"),
            Bool("ISNEW"),
            Text("BARCODE", 20),
            Int("IDTM"),
            Date("DATEIN")};
}

std::vector<IndexDef> PriceIndexes() {
    return {{"_ID", "ID", true},
            {"_CODE", "CODE", false},
            {"_FULLNAME", "FULLNAME_IND", false},
            {"_IDGROUP", "IDGROUP", false},
            {"_IDSUBGROUP", "IDSUBGROUP", false},
            {"_ARTICUL", "ARTICUL_IND", false},
            {"_KOLTEK", "KOLTEK", false},
            {"_CENA", "CENA", false},
            {"_IDG_CODE", "IDGROUP;CODE", false},
            {"_IDG_FN", "IDGROUP;FULLNAME_IND", false},
            {"_IDG_ART", "IDGROUP;ARTICUL_IND", false},
            {"_IDG_KOL", "IDGROUP;KOLTEK", false},
            {"_IDG_CENA", "IDGROUP;CENA", false},
            {"_IDSG_CODE", "IDSUBGROUP;CODE", false},
            {"_IDSG_FN", "IDSUBGROUP;FULLNAME_IND", false},
            {"_IDSG_ART", "IDSUBGROUP;ARTICUL_IND", false},
            {"_IDSG_KOL", "IDSUBGROUP;KOLTEK", false},
            {"_IDSG_CENA", "IDSUBGROUP;CENA", false},
            {"_IDG_IDSG", "IDGROUP;IDSUBGROUP", false},
            {"_KOLZAK", "KOLZAK", false},
            {"_IDTM", "IDTM", false}};
}

std::vector<FieldDef> ClassFields() { return {Int("ID"), Text("NAME", 50), Int("IDPARENT")}; }
std::vector<IndexDef> ClassIndexes() {
    return {{"_ID", "ID", true}, {"_IDPARENT", "IDPARENT", false}};
}

std::vector<FieldDef> TreeFields() {
    return {Int("IDSUBGROUP"), Int("IDGROUP"), Text("NAMEGROUP", 100), Text("NAMESUBGROUP", 100)};
}
std::vector<IndexDef> TreeIndexes() {
    return {{"_NAMEGROUP", "NAMEGROUP", false},
            {"_NAMESUBGROUP", "NAMESUBGROUP", false},
            {"_NAME_GROUP_SUBGROP", "NAMEGROUP,NAMESUBGROUP", false}};
}

std::vector<FieldDef> TrademarkFields() { return {Int("ID"), Text("NAME", 50)}; }
std::vector<IndexDef> TrademarkIndexes() {
    return {{"_ID", "ID", false}, {"_NAME", "NAME", false}};
}

std::vector<FieldDef> MainFields() {
    return {AutoInc("ID"), Date("DATET"), Real("SUMMA"), Int("ROWCOUNT")};
}
std::vector<IndexDef> MainIndexes() {
    return {{"_ID", "ID", true}, {"_DATET", "DATET", false}, {"_SUMMA", "SUMMA", false}};
}

std::vector<FieldDef> DocFields() {
    std::vector<FieldDef> fields = {AutoInc("ID"), Int("IDDOC"), Int("IDPRICE")};
    for (FieldDef& f : OrderLineFields()) fields.push_back(std::move(f));
    fields.push_back(Real("WEIGHT"));
    fields.push_back(Real("VOLUME"));
    return fields;
}
std::vector<IndexDef> DocIndexes() { return {{"_ID", "ID", true}, {"_IDDOC", "IDDOC", false}}; }

std::vector<FieldDef> ZakazFields() {
    std::vector<FieldDef> fields = {AutoInc("ID"), Int("IDPRICE")};
    for (FieldDef& f : OrderLineFields()) fields.push_back(std::move(f));
    fields.push_back(Real("VOLUME"));
    fields.push_back(Real("WEIGHT"));
    return fields;
}
std::vector<IndexDef> ZakazIndexes() { return {{"_ID", "ID", true}}; }

WorkingTables::WorkingTables()
    : Price(Db, "Price"),
      fPrice(Db, "Price"),
      GroupsTree(Db, "Class"),
      tr2(Db, "Tree"),
      tms(Db, "tms"),
      Main(Db, "Main"),
      Doc(Db, "Doc"),
      Zakaz(Db, "Zakaz"),
      CatalogsIni(Db, "Catalogs"),
      qGroupsTree(Db),
      qPrice(Db),
      qZakaz(Db),
      qExZakaz(Db) {
    Define(Price, PriceFields(), PriceIndexes());
    Define(fPrice, PriceFields(), PriceIndexes());
    Define(GroupsTree, ClassFields(), ClassIndexes());
    Define(tr2, TreeFields(), TreeIndexes());
    Define(tms, TrademarkFields(), TrademarkIndexes());
    Define(Main, MainFields(), MainIndexes());
    Define(Doc, DocFields(), DocIndexes());
    Define(Zakaz, ZakazFields(), ZakazIndexes());
    Define(CatalogsIni, CatalogRegistryFields(), {});
    qPrice.SetSql(kPriceRestingSql);
}
