// Table objects: editing, order, filter and key search.
#include <sqlite3.h>

#include <algorithm>
#include <cmath>

#include "platform/table/sql_dialect.h"
#include "platform/table/table.h"
#include "platform/table/table_internal.h"
#include "platform/text/app_error.h"
#include "platform/text/text.h"

namespace platform {

using tableinternal::Prepare;
using tableinternal::QuoteName;
using tableinternal::SplitFieldList;

std::string tableinternal::QuoteName(const std::string& name) {
    std::string out = "\"";
    for (char c : name) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

bool Table::Editing() const { return m_state != EditState::Browse; }

void Table::Append() {
    RequireActive("Append");
    if (m_state != EditState::Browse) Post();
    m_pending.assign(m_columns.size(), std::nullopt);
    m_state = EditState::Insert;
    NotifyCurrentChanged();
}

void Table::Insert() { Append(); }

void Table::Edit() {
    RequireActive("Edit");
    if (m_state != EditState::Browse) return;
    if (IsEmpty()) {
        Append();
        return;
    }
    Fire(BeforeEdit);
    m_pending.assign(m_columns.size(), std::nullopt);
    m_state = EditState::Edit;
}

void Table::WritePending() {
    sqlite3* db = m_db.Handle();
    std::vector<std::size_t> set;
    for (std::size_t i = 0; i < m_pending.size(); ++i)
        if (m_pending[i]) set.push_back(i);
    if (m_state == EditState::Insert) {
        std::string signature;
        for (std::size_t i : set) signature += std::to_string(i) + ",";
        sqlite3_stmt*& stmt = m_insertStmts[signature];
        if (!stmt) {
            std::string sql = "INSERT INTO " + QualifiedName();
            if (set.empty()) {
                sql += " DEFAULT VALUES";
            } else {
                std::string names, marks;
                for (std::size_t k = 0; k < set.size(); ++k) {
                    names += (k ? ", " : "") + QuoteName(m_columns[set[k]]);
                    marks += (k ? ", ?" : "?");
                }
                sql += " (" + names + ") VALUES (" + marks + ")";
            }
            stmt = Prepare(db, sql);
        }
        for (std::size_t k = 0; k < set.size(); ++k)
            tableinternal::Bind(stmt, static_cast<int>(k + 1), *m_pending[set[k]]);
        int rc = sqlite3_step(stmt);
        sqlite3_reset(stmt);
        sqlite3_clear_bindings(stmt);
        if (rc != SQLITE_DONE)
            tableinternal::ThrowSql(db, "Не удалось добавить строку в таблицу " + m_tableName, "");
        m_wantedKey = sqlite3_last_insert_rowid(db);
        MarkStale();
        return;
    }
    if (set.empty() || m_keys.empty()) return;
    std::string sql = "UPDATE " + QualifiedName() + " SET ";
    for (std::size_t k = 0; k < set.size(); ++k)
        sql += (k ? ", " : "") + QuoteName(m_columns[set[k]]) + " = ?" + std::to_string(k + 1);
    sql += " WHERE rowid = ?" + std::to_string(set.size() + 1);
    sqlite3_stmt* stmt = Prepare(db, sql);
    for (std::size_t k = 0; k < set.size(); ++k)
        tableinternal::Bind(stmt, static_cast<int>(k + 1), *m_pending[set[k]]);
    sqlite3_bind_int64(stmt, static_cast<int>(set.size() + 1), m_keys[m_pos]);
    int rc = sqlite3_step(stmt);
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE)
        tableinternal::ThrowSql(db, "Не удалось изменить строку таблицы " + m_tableName, "");
    m_wantedKey = m_keys[m_pos];
    MarkStale();
}

void Table::Post() {
    if (m_state == EditState::Browse) return;
    Fire(BeforePost);
    if (m_state == EditState::Browse) return;  // the handler posted or cancelled itself
    WritePending();
    m_state = EditState::Browse;
    m_pending.clear();
    m_rowVersion = -1;
    Fire(AfterPost);
    NotifyDataChanged();
}

void Table::Cancel() {
    if (m_state == EditState::Browse) return;
    m_state = EditState::Browse;
    m_pending.clear();
    Fire(AfterCancel);
    NotifyCurrentChanged();
}

void Table::Delete() {
    RequireActive("Delete");
    if (m_state == EditState::Insert) {
        Cancel();
        return;
    }
    if (m_state == EditState::Edit) Cancel();
    EnsureKeys();
    if (m_keys.empty()) throw AppError("Таблица " + m_tableName + " пуста: удалять нечего");
    Fire(BeforeDelete);
    EnsureKeys();
    if (m_keys.empty()) return;
    long long key = m_keys[m_pos];
    sqlite3* db = m_db.Handle();
    sqlite3_stmt* stmt = Prepare(db, "DELETE FROM " + QualifiedName() + " WHERE rowid = ?1");
    sqlite3_bind_int64(stmt, 1, key);
    int rc = sqlite3_step(stmt);
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE)
        tableinternal::ThrowSql(db, "Не удалось удалить строку таблицы " + m_tableName, "");
    m_keys.erase(m_keys.begin() + static_cast<std::ptrdiff_t>(m_pos));
    m_positions.clear();
    if (m_pos >= m_keys.size() && m_pos > 0) --m_pos;
    m_eof = m_bof = m_keys.empty();
    m_rowVersion = -1;
    Fire(AfterDelete);
    AfterMove();
    NotifyDataChanged();
}

std::size_t Table::FieldIndexOrThrow(const std::string& name) const {
    std::size_t column = ColumnIndex(name);
    if (column == std::string::npos)
        throw AppError("Таблица " + m_tableName + ": поле не найдено: " + name);
    return column;
}

CellValue Table::Coerce(std::size_t column, CellValue v) const {
    if (v.IsNull()) return v;
    const std::string& name = m_columns[column];
    switch (m_columnTypes[column]) {
        case FieldType::Text: {
            std::string text = v.kind == CellValue::Kind::Integer ? std::to_string(v.integer)
                               : v.kind == CellValue::Kind::Real  ? GeneralNumberText(v.real)
                                                                  : v.text;
            if (m_columnWidths[column] > 0)
                text = CutToChars(text, static_cast<std::size_t>(m_columnWidths[column]));
            return CellValue::Txt(std::move(text));
        }
        case FieldType::Integer:
        case FieldType::AutoInc: {
            if (v.kind == CellValue::Kind::Real) return CellValue::Int(std::llround(v.real));
            if (v.kind == CellValue::Kind::Text) {
                long long n = 0;
                if (!ParseInteger(Trim(v.text), n))
                    throw AppError("Поле " + name + ": не целое число: " + v.text);
                return CellValue::Int(n);
            }
            return v;
        }
        case FieldType::Double: {
            if (v.kind == CellValue::Kind::Integer)
                return CellValue::Dbl(static_cast<double>(v.integer));
            if (v.kind == CellValue::Kind::Text) {
                double d = 0;
                if (!ParseReal(v.text, d)) throw AppError("Поле " + name + ": не число: " + v.text);
                return CellValue::Dbl(d);
            }
            return v;
        }
        case FieldType::Boolean: {
            if (v.kind == CellValue::Kind::Integer) return CellValue::Int(v.integer != 0);
            if (v.kind == CellValue::Kind::Real) return CellValue::Int(v.real != 0);
            return CellValue::Int(v.text == "1" || tablevalue::EqualNoCase(v.text, "true"));
        }
        case FieldType::DateTime: {
            if (v.kind != CellValue::Kind::Text) throw AppError("Поле " + name + ": не дата");
            auto parsed = tablevalue::ParseDateTime(v.text);
            if (!parsed) throw AppError("Поле " + name + ": не дата: " + v.text);
            return CellValue::Txt(parsed->ToIso());
        }
    }
    return v;
}

void Table::SetValue(const std::string& name, CellValue value) {
    RequireActive("Set");
    if (m_state == EditState::Browse)
        throw AppError("Таблица " + m_tableName + " не в режиме правки: поле " + name);
    std::size_t column = FieldIndexOrThrow(name);
    m_pending[column] = Coerce(column, std::move(value));
}

void Table::SetText(const std::string& name, const std::string& value) {
    SetValue(name, CellValue::Txt(value));
}
void Table::SetInteger(const std::string& name, long long value) {
    SetValue(name, CellValue::Int(value));
}
void Table::SetDouble(const std::string& name, double value) {
    SetValue(name, CellValue::Dbl(value));
}
void Table::SetBoolean(const std::string& name, bool value) {
    SetValue(name, CellValue::Int(value ? 1 : 0));
}
void Table::SetDateTime(const std::string& name, const DateTime& value) {
    SetValue(name, CellValue::Txt(value.ToIso()));
}
void Table::SetNull(const std::string& name) { SetValue(name, CellValue::Null()); }

long long Table::LastAutoIncValue() const {
    if (!Exists()) return 0;
    sqlite3* db = m_db.Handle();
    sqlite3_stmt* stmt = nullptr;
    std::string sql = "SELECT seq FROM " + QuoteName(SchemaName()) +
                      ".sqlite_sequence WHERE name = ?1 COLLATE NOCASE";
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt);
        return 0;  // no auto-increment field: no sequence table
    }
    sqlite3_bind_text(stmt, 1, m_tableName.c_str(), -1, SQLITE_TRANSIENT);
    long long value = sqlite3_step(stmt) == SQLITE_ROW ? sqlite3_column_int64(stmt, 0) : 0;
    sqlite3_finalize(stmt);
    return value;
}

void Table::ResolveIndex() {
    for (const IndexDef& index : m_indexes)
        if (tablevalue::EqualNoCase(index.name, m_orderIndex)) {
            m_orderFields = index.fields;
            return;
        }
    throw AppError("Таблица " + m_tableName + ": индекс не найден: " + m_orderIndex);
}

// Re-reads the rows after an order or filter change and tells the bound views.
void Table::ApplyView() {
    if (!m_active) return;
    BeforeMove();
    MarkStale();
    EnsureKeys();
    NotifyDataChanged();
}

void Table::SetOrderByFields(const std::string& fields) {
    if (m_active)
        for (const std::string& f : SplitFieldList(fields)) FieldIndexOrThrow(f);
    m_orderIndex.clear();
    m_orderFields = fields;
    ApplyView();
}

void Table::SetIndexName(const std::string& indexName) {
    std::string previous = m_orderIndex, previousFields = m_orderFields;
    m_orderIndex = Trim(indexName);
    if (m_orderIndex.empty()) {
        m_orderFields.clear();
    } else if (m_active || !m_indexes.empty()) {
        try {
            ResolveIndex();
        } catch (...) {
            m_orderIndex = previous;
            m_orderFields = previousFields;
            throw;
        }
    }
    ApplyView();
}

void Table::ValidateFilter(const std::string& filter) const {
    if (!m_active || Trim(filter).empty()) return;
    std::string sql = "SELECT rowid FROM " + QualifiedName() + " WHERE (" + AdaptSql(filter) + ")";
    sqlite3* db = m_db.Handle();
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr);
    sqlite3_finalize(stmt);
    if (rc != SQLITE_OK)
        throw AppError("Ошибка в фильтре таблицы " + m_tableName + ": " + sqlite3_errmsg(db) +
                       "\n" + filter);
}

void Table::SetFilter(const std::string& expression) {
    if (m_filtered) ValidateFilter(expression);
    m_filter = expression;
    if (m_filtered && m_active) {
        ApplyView();
        First();
    }
}

const std::string& Table::Filter() const { return m_filter; }

void Table::SetFiltered(bool on) {
    if (on) ValidateFilter(m_filter);
    if (m_filtered == on) return;
    m_filtered = on;
    if (m_active) {
        ApplyView();
        First();
    }
}

bool Table::Filtered() const { return m_filtered; }

bool Table::FindValue(const CellValue& key) {
    RequireActive("FindKey");
    BeforeMove();
    auto fields = SplitFieldList(m_orderFields);
    if (fields.empty()) throw AppError("Таблица " + m_tableName + ": поиск по ключу без индекса");
    EnsureKeys();
    std::string where = WhereClause();
    std::string sql = "SELECT rowid FROM " + QualifiedName() +
                      (where.empty() ? " WHERE " : where + " AND ") + QuoteName(fields[0]) +
                      " = ?1" + OrderClause() + " LIMIT 1";
    sqlite3* db = m_db.Handle();
    if (sql != m_findSql || !m_findStmt) {
        if (m_findStmt) sqlite3_finalize(m_findStmt);
        m_findStmt = nullptr;
        m_findStmt = Prepare(db, sql, m_filter);
        m_findSql = sql;
    }
    sqlite3_stmt* stmt = m_findStmt;
    tableinternal::Bind(stmt, 1, key);
    bool found = sqlite3_step(stmt) == SQLITE_ROW;
    long long rowid = found ? sqlite3_column_int64(stmt, 0) : 0;
    sqlite3_reset(stmt);
    if (!found) return false;
    if (m_positions.empty())
        for (std::size_t i = 0; i < m_keys.size(); ++i) m_positions.emplace(m_keys[i], i);
    auto it = m_positions.find(rowid);
    if (it == m_positions.end()) return false;
    MoveTo(it->second);
    AfterMove();
    return true;
}

bool Table::FindKey(long long key) { return FindValue(CellValue::Int(key)); }
bool Table::FindKey(const std::string& key) { return FindValue(CellValue::Txt(key)); }

}  // namespace platform
