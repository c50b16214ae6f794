// Query objects: SQL text as lines; a select is read whole into memory and walked like a
// table, other statements are executed.
#include <sqlite3.h>

#include <algorithm>

#include "platform/table/sql_dialect.h"
#include "platform/table/table.h"
#include "platform/table/table_internal.h"
#include "platform/text/app_error.h"

namespace platform {

Query::Query(Database& db) : DataSet(db) {}
Query::~Query() = default;

void Query::ClearSql() { m_lines.clear(); }
void Query::AddSql(const std::string& line) { m_lines.push_back(line); }

void Query::SetSql(const std::string& text) {
    m_lines.clear();
    std::string line;
    for (char c : text) {
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            m_lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    m_lines.push_back(line);
}

std::string Query::Sql() const {
    std::string text;
    for (std::size_t i = 0; i < m_lines.size(); ++i) text += (i ? "\n" : "") + m_lines[i];
    return text;
}

void Query::Open() {
    if (m_active) return;
    const std::string original = Sql();
    const std::string sql = AdaptSql(original);
    sqlite3* db = m_db.Handle();
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, &tail) != SQLITE_OK || !stmt) {
        sqlite3_finalize(stmt);
        tableinternal::ThrowSql(db, "Ошибка в тексте запроса", original);
    }
    std::vector<std::string> columns;
    int n = sqlite3_column_count(stmt);
    for (int i = 0; i < n; ++i) columns.push_back(sqlite3_column_name(stmt, i));
    if (n == 0 || !sqlite3_stmt_readonly(stmt)) {
        sqlite3_finalize(stmt);
        throw AppError("Запрос не возвращает строк: откройте его выполнением\n" + original);
    }
    std::vector<std::vector<CellValue>> rows;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        std::vector<CellValue> row;
        row.reserve(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) row.push_back(tableinternal::ColumnValue(stmt, i));
        rows.push_back(std::move(row));
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE) tableinternal::ThrowSql(db, "Ошибка выполнения запроса", original);
    m_columns = std::move(columns);
    m_rows = std::move(rows);
    m_active = true;
    ResetCursor();
    EnsureKeys();
    NotifyDataChanged();
}

void Query::Refresh() {
    if (!m_active) return;
    std::size_t position = m_pos;
    m_active = false;
    Open();
    if (!m_rows.empty()) MoveTo(std::min(position, m_rows.size() - 1));
}

void Query::ExecSql() { tableinternal::RunStatements(m_db.Handle(), Sql()); }

void Query::Close() {
    if (!m_active) return;
    m_active = false;
    m_rows.clear();
    m_columns.clear();
    ResetCursor();
    NotifyDataChanged();
}

void Query::ReadKeys() const {
    m_keys.resize(m_rows.size());
    for (std::size_t i = 0; i < m_rows.size(); ++i) m_keys[i] = static_cast<long long>(i);
}

const std::vector<std::string>& Query::ColumnNames() const { return m_columns; }

const CellValue& Query::CurrentValue(std::size_t column) const {
    static const CellValue null;
    if (m_keys.empty() || m_pos >= m_rows.size()) return null;
    const auto& row = m_rows[m_pos];
    return column < row.size() ? row[column] : null;
}

}  // namespace platform
