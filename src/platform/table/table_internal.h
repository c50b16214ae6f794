// Helpers shared by the engine's source files; not for use outside the table folder.
#pragma once

#include <string>
#include <vector>

#include "platform/table/table_value.h"

struct sqlite3;
struct sqlite3_stmt;

namespace platform::tableinternal {

// Throws AppError with the connection's message and the statement text.
[[noreturn]] void ThrowSql(sqlite3* db, const std::string& what, const std::string& statement);
sqlite3_stmt* Prepare(sqlite3* db, const std::string& sql, const std::string& shownText = "");
void ExecPlain(sqlite3* db, const std::string& sql);
CellValue ColumnValue(sqlite3_stmt* stmt, int column);
void Bind(sqlite3_stmt* stmt, int index, const CellValue& value);
void RunStatements(sqlite3* db, const std::string& original);
std::string QuoteName(const std::string& name);
// "IDGROUP;CODE" or "A,B" into trimmed names.
std::vector<std::string> SplitFieldList(const std::string& list);

// Table files.
void SaveSchemaToFile(sqlite3* db, const std::string& schema, const std::string& path);
// Copies the file into the schema (attached already); returns the stored table's name.
std::string LoadSchemaFromFile(sqlite3* db, const std::string& schema, const std::string& path);

}  // namespace platform::tableinternal
