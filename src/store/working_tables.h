// The working tables of the current catalog and the query objects of the main window,
// all over one in-memory database, with their schemas, widths and indexes. One object
// owns them for the life of the program; the other parts reach them through it.
#pragma once

#include <vector>

#include "platform/table/table.h"

struct WorkingTables {
    WorkingTables();
    WorkingTables(const WorkingTables&) = delete;
    WorkingTables& operator=(const WorkingTables&) = delete;

    platform::Database Db;  // declared first: it outlives every table and query below

    platform::Table Price;  // "Price": the goods
    // fPrice: a second cursor over the goods, ordered by _ID, for the lookups by ID that
    // must not move the price grid's row. It reads the rows of "Price" itself rather than
    // a loaded copy: a copy of 100,000 goods with their indexes doubled the memory and the
    // start-up time, and nothing writes through fPrice.
    platform::Table fPrice;
    platform::Table GroupsTree;   // "Class": the classifier
    platform::Table tr2;          // "Tree": the cached group/subgroup list
    platform::Table tms;          // "tms": the trademarks
    platform::Table Main;         // "Main": the order archive, one row per order
    platform::Table Doc;          // "Doc": lines of the archived orders
    platform::Table Zakaz;        // "Zakaz": the current order (memory only)
    platform::Table CatalogsIni;  // "Catalogs": the catalog registry

    platform::Query qGroupsTree;
    platform::Query qPrice;
    platform::Query qZakaz;
    platform::Query qExZakaz;
};

// The schemas, shared by the tables above and by whatever builds such tables elsewhere.
std::vector<platform::FieldDef> PriceFields();
std::vector<platform::IndexDef> PriceIndexes();
std::vector<platform::FieldDef> ClassFields();
std::vector<platform::IndexDef> ClassIndexes();
std::vector<platform::FieldDef> TreeFields();
std::vector<platform::IndexDef> TreeIndexes();
std::vector<platform::FieldDef> TrademarkFields();
std::vector<platform::IndexDef> TrademarkIndexes();
std::vector<platform::FieldDef> MainFields();
std::vector<platform::IndexDef> MainIndexes();
std::vector<platform::FieldDef> DocFields();
std::vector<platform::IndexDef> DocIndexes();
std::vector<platform::FieldDef> ZakazFields();
std::vector<platform::IndexDef> ZakazIndexes();

// The resting texts of qPrice (never run): as created, and as the import leaves it.
inline constexpr const char* kPriceRestingSql = "select * from price where id=:id";
inline constexpr const char* kPriceLookupSql = "select * from price where id = :id";
