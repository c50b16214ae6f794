// The connection that holds every table, and the helpers shared by tables and queries.
#include <sqlite3.h>

#include <cctype>

#include "platform/table/sql_dialect.h"
#include "platform/table/table.h"
#include "platform/table/table_internal.h"
#include "platform/text/app_error.h"

namespace platform {
namespace {

// fix_datetime(x): a date-time text in the program's short form (dd.mm.yyyy H:mm:ss)
// becomes ISO text; anything else is returned as it is.
void FixDateTimeFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) != SQLITE_TEXT) {
        sqlite3_result_value(ctx, argv[0]);
        return;
    }
    const char* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    auto parsed = tablevalue::ParseDateTime(text);
    if (!parsed) {
        sqlite3_result_value(ctx, argv[0]);
        return;
    }
    std::string iso = parsed->ToIso();
    sqlite3_result_text(ctx, iso.c_str(), static_cast<int>(iso.size()), SQLITE_TRANSIENT);
}

}  // namespace

namespace tableinternal {

std::vector<std::string> SplitFieldList(const std::string& list) {
    std::vector<std::string> out;
    std::string current;
    auto flush = [&] {
        std::size_t a = current.find_first_not_of(" \t");
        std::size_t b = current.find_last_not_of(" \t");
        if (a != std::string::npos) out.push_back(current.substr(a, b - a + 1));
        current.clear();
    };
    for (char c : list) {
        if (c == ';' || c == ',')
            flush();
        else
            current += c;
    }
    flush();
    return out;
}

[[noreturn]] void ThrowSql(sqlite3* db, const std::string& what, const std::string& statement) {
    std::string text = what + ": " + (db ? sqlite3_errmsg(db) : "");
    if (!statement.empty()) text += "\n" + statement;
    throw AppError(text);
}

sqlite3_stmt* Prepare(sqlite3* db, const std::string& sql, const std::string& shownText) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr) !=
        SQLITE_OK) {
        ThrowSql(db, "Ошибка в тексте запроса", shownText.empty() ? sql : shownText);
    }
    return stmt;
}

void ExecPlain(sqlite3* db, const std::string& sql) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        std::string text = message ? message : "";
        sqlite3_free(message);
        throw AppError("Ошибка выполнения запроса: " + text + "\n" + sql);
    }
}

CellValue ColumnValue(sqlite3_stmt* stmt, int column) {
    switch (sqlite3_column_type(stmt, column)) {
        case SQLITE_INTEGER:
            return CellValue::Int(sqlite3_column_int64(stmt, column));
        case SQLITE_FLOAT:
            return CellValue::Dbl(sqlite3_column_double(stmt, column));
        case SQLITE_NULL:
            return CellValue::Null();
        default: {
            const char* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
            return CellValue::Txt(std::string(
                p ? p : "", static_cast<std::size_t>(sqlite3_column_bytes(stmt, column))));
        }
    }
}

void Bind(sqlite3_stmt* stmt, int index, const CellValue& v) {
    switch (v.kind) {
        case CellValue::Kind::Null:
            sqlite3_bind_null(stmt, index);
            break;
        case CellValue::Kind::Integer:
            sqlite3_bind_int64(stmt, index, v.integer);
            break;
        case CellValue::Kind::Real:
            sqlite3_bind_double(stmt, index, v.real);
            break;
        case CellValue::Kind::Text:
            sqlite3_bind_text(stmt, index, v.text.c_str(), static_cast<int>(v.text.size()),
                              SQLITE_TRANSIENT);
            break;
    }
}

namespace {

bool OnlyBlanks(const char* p) {
    for (; *p; ++p)
        if (!std::isspace(static_cast<unsigned char>(*p)) && *p != ';') return false;
    return true;
}

void StepToEnd(sqlite3* db, sqlite3_stmt* stmt, const std::string& original) {
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE) ThrowSql(db, "Ошибка выполнения запроса", original);
}

}  // namespace

// Runs every statement of an adapted text; several of them run inside one savepoint so
// that a failing one leaves nothing changed.
void RunStatements(sqlite3* db, const std::string& original) {
    std::string sql = AdaptSql(original);
    sqlite3_stmt* first = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &first, &tail) != SQLITE_OK)
        ThrowSql(db, "Ошибка в тексте запроса", original);
    if (OnlyBlanks(tail)) {
        if (first) StepToEnd(db, first, original);
        return;
    }
    sqlite3_finalize(first);
    ExecPlain(db, "SAVEPOINT run_statements");
    tail = sql.c_str();
    try {
        while (*tail) {
            sqlite3_stmt* stmt = nullptr;
            const char* next = nullptr;
            if (sqlite3_prepare_v2(db, tail, -1, &stmt, &next) != SQLITE_OK)
                ThrowSql(db, "Ошибка в тексте запроса", original);
            tail = next;
            if (stmt) StepToEnd(db, stmt, original);
        }
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK TO run_statements; RELEASE run_statements", nullptr, nullptr,
                     nullptr);
        throw;
    }
    ExecPlain(db, "RELEASE run_statements");
}

}  // namespace tableinternal

Database::Database() {
    if (sqlite3_open(":memory:", &m_db) != SQLITE_OK)
        throw AppError("Не удалось создать базу данных в памяти");
    tableinternal::ExecPlain(m_db, "PRAGMA case_sensitive_like=ON");
    sqlite3_create_function(m_db, "fix_datetime", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                            FixDateTimeFunction, nullptr, nullptr);
}

Database::~Database() { sqlite3_close_v2(m_db); }

bool Database::TableExists(const std::string& tableName) const {
    sqlite3_stmt* stmt = tableinternal::Prepare(
        m_db, "SELECT 1 FROM pragma_table_list WHERE name = ?1 COLLATE NOCASE AND type = 'table'");
    sqlite3_bind_text(stmt, 1, tableName.c_str(), -1, SQLITE_TRANSIENT);
    bool found = sqlite3_step(stmt) == SQLITE_ROW;
    sqlite3_finalize(stmt);
    return found;
}

void Database::Execute(const std::string& sql) { tableinternal::RunStatements(m_db, sql); }

}  // namespace platform
