// Table objects: one named table kept in an attached in-memory schema of its own, read
// through a list of rowids in the current order and filter.
#include "platform/table/table.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>

#include "platform/table/sql_dialect.h"
#include "platform/table/table_internal.h"
#include "platform/text/app_error.h"
#include "platform/text/text.h"

namespace platform {

using tableinternal::Prepare;
using tableinternal::QuoteName;

using tableinternal::SplitFieldList;

Table::Table(Database& db, std::string tableName)
    : DataSet(db), m_tableName(std::move(tableName)) {}

Table::~Table() { ReleaseStatements(); }

std::string Table::SchemaName() const {
    std::string s = "t_";
    for (char c : tablevalue::LowerAscii(m_tableName))
        s += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return s;
}

std::string Table::QualifiedName() const {
    return QuoteName(SchemaName()) + "." + QuoteName(m_tableName);
}

void Table::RequireActive(const char* operation) const {
    if (!m_active)
        throw AppError(std::string("Таблица ") + m_tableName + " не открыта (" + operation + ")");
}

void Table::ReleaseStatements() {
    if (m_rowStmt) sqlite3_finalize(m_rowStmt);
    m_rowStmt = nullptr;
    m_rowVersion = -1;
    if (m_findStmt) sqlite3_finalize(m_findStmt);
    m_findStmt = nullptr;
    m_findSql.clear();
    for (auto& entry : m_insertStmts) sqlite3_finalize(entry.second);
    m_insertStmts.clear();
}

void Table::SetDefinitions(std::vector<FieldDef> fields, std::vector<IndexDef> indexes) {
    m_fields = std::move(fields);
    m_indexes = std::move(indexes);
}

const std::vector<FieldDef>& Table::Fields() const { return m_fields; }

bool Table::Exists() const { return m_db.TableExists(m_tableName); }

void Table::AttachSchema() {
    sqlite3* db = m_db.Handle();
    tableinternal::ExecPlain(db, "ATTACH ':memory:' AS " + QuoteName(SchemaName()));
}

void Table::DetachSchema() {
    sqlite3* db = m_db.Handle();
    sqlite3_stmt* stmt = Prepare(db, "SELECT 1 FROM pragma_database_list WHERE name = ?1");
    sqlite3_bind_text(stmt, 1, SchemaName().c_str(), -1, SQLITE_TRANSIENT);
    bool attached = sqlite3_step(stmt) == SQLITE_ROW;
    sqlite3_finalize(stmt);
    if (attached) tableinternal::ExecPlain(db, "DETACH " + QuoteName(SchemaName()));
}

void Table::Create() {
    if (m_fields.empty()) throw AppError("Таблица " + m_tableName + " не описана");
    Close();
    ReleaseStatements();
    DetachSchema();
    AttachSchema();
    sqlite3* db = m_db.Handle();
    const std::string schema = QuoteName(SchemaName());
    std::string sql = "CREATE TABLE " + QualifiedName() + " (";
    std::string triggerWhen, triggerSet;
    bool haveAutoInc = false;
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        const FieldDef& f = m_fields[i];
        const std::string name = QuoteName(f.name);
        if (i) sql += ", ";
        sql += name;
        switch (f.type) {
            case FieldType::AutoInc:
                if (haveAutoInc) throw AppError("Таблица " + m_tableName + ": два поля счётчика");
                haveAutoInc = true;
                sql += " INTEGER PRIMARY KEY AUTOINCREMENT";
                break;
            case FieldType::Integer:
            case FieldType::Boolean:
                sql += " INTEGER";
                break;
            case FieldType::Double:
                sql += " REAL";
                break;
            case FieldType::Text:
            case FieldType::DateTime:
                sql += " TEXT";
                break;
        }
        // Statements that write a too long text or a date in the short form are mended
        // after the fact, so every way into the table keeps the same rules.
        std::string cond, fix;
        if (f.type == FieldType::Text && f.width > 0) {
            cond = "length(new." + name + ") > " + std::to_string(f.width);
            fix = name + " = substr(" + name + ", 1, " + std::to_string(f.width) + ")";
        } else if (f.type == FieldType::DateTime) {
            cond = "(typeof(new." + name + ") = 'text' AND new." + name +
                   " NOT GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] "
                   "[0-9][0-9]:[0-9][0-9]:[0-9][0-9]')";
            fix = name + " = fix_datetime(" + name + ")";
        }
        if (!cond.empty()) {
            triggerWhen += (triggerWhen.empty() ? "" : " OR ") + cond;
            triggerSet += (triggerSet.empty() ? "" : ", ") + fix;
        }
    }
    sql += ");\n";
    sql += "CREATE TABLE " + schema +
           ".\"_tabledef\" (kind TEXT, name TEXT, type INTEGER, width INTEGER, fields TEXT, "
           "isprimary INTEGER);\n";
    sql += IndexSql();
    if (!triggerWhen.empty()) {
        for (const char* when : {"INSERT", "UPDATE"}) {
            sql += "CREATE TRIGGER " + schema + ".\"_mend_" + tablevalue::LowerAscii(when) +
                   "\" AFTER " + when + " ON " + QuoteName(m_tableName) + " WHEN " + triggerWhen +
                   " BEGIN UPDATE " + QuoteName(m_tableName) + " SET " + triggerSet +
                   " WHERE rowid = new.rowid; END;\n";
        }
    }
    tableinternal::ExecPlain(db, sql);
    sqlite3_stmt* stmt =
        Prepare(db, "INSERT INTO " + schema + ".\"_tabledef\" VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
    for (const FieldDef& f : m_fields) {
        tableinternal::Bind(stmt, 1, CellValue::Txt("field"));
        tableinternal::Bind(stmt, 2, CellValue::Txt(f.name));
        tableinternal::Bind(stmt, 3, CellValue::Int(static_cast<int>(f.type)));
        tableinternal::Bind(stmt, 4, CellValue::Int(f.width));
        sqlite3_bind_null(stmt, 5);
        sqlite3_bind_null(stmt, 6);
        sqlite3_step(stmt);
        sqlite3_reset(stmt);
    }
    for (const IndexDef& index : m_indexes) {
        tableinternal::Bind(stmt, 1, CellValue::Txt("index"));
        tableinternal::Bind(stmt, 2, CellValue::Txt(index.name));
        sqlite3_bind_null(stmt, 3);
        sqlite3_bind_null(stmt, 4);
        tableinternal::Bind(stmt, 5, CellValue::Txt(index.fields));
        tableinternal::Bind(stmt, 6, CellValue::Int(index.primary ? 1 : 0));
        sqlite3_step(stmt);
        sqlite3_reset(stmt);
    }
    sqlite3_finalize(stmt);
}

std::string Table::IndexSql() const {
    const std::string schema = QuoteName(SchemaName());
    std::string sql;
    for (const IndexDef& index : m_indexes) {
        auto fields = SplitFieldList(index.fields);
        bool rowidKey =
            index.primary && fields.size() == 1 &&
            std::any_of(m_fields.begin(), m_fields.end(), [&](const FieldDef& f) {
                return f.type == FieldType::AutoInc && tablevalue::EqualNoCase(f.name, fields[0]);
            });
        if (rowidKey || fields.empty()) continue;
        sql += "CREATE INDEX IF NOT EXISTS " + schema + "." + QuoteName(index.name) + " ON " +
               QuoteName(m_tableName) + " (";
        for (std::size_t i = 0; i < fields.size(); ++i)
            sql += (i ? ", " : "") + QuoteName(fields[i]);
        sql += ");\n";
    }
    return sql;
}

void Table::BeginBulkLoad() {
    RequireActive("BeginBulkLoad");
    if (m_bulk) return;
    if (m_state != EditState::Browse) Post();
    std::string sql;
    for (const IndexDef& index : m_indexes)
        sql +=
            "DROP INDEX IF EXISTS " + QuoteName(SchemaName()) + "." + QuoteName(index.name) + ";\n";
    tableinternal::ExecPlain(m_db.Handle(), sql);
    m_bulk = true;
}

void Table::EndBulkLoad() {
    if (!m_bulk) return;
    m_bulk = false;
    if (m_state != EditState::Browse) Post();
    tableinternal::ExecPlain(m_db.Handle(), IndexSql());
}

void Table::ReadDefinitions() {
    sqlite3* db = m_db.Handle();
    sqlite3_stmt* stmt = Prepare(db, "SELECT kind, name, type, width, fields, isprimary FROM " +
                                         QuoteName(SchemaName()) + ".\"_tabledef\" ORDER BY rowid");
    std::vector<FieldDef> fields;
    std::vector<IndexDef> indexes;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        std::string kind = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
        std::string name = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1));
        if (kind == "field") {
            int type = sqlite3_column_int(stmt, 2);
            if (type < 0 || type > static_cast<int>(FieldType::DateTime)) type = 0;
            fields.push_back({name, static_cast<FieldType>(type), sqlite3_column_int(stmt, 3)});
        } else if (kind == "index") {
            const unsigned char* list = sqlite3_column_text(stmt, 4);
            indexes.push_back({name, list ? reinterpret_cast<const char*>(list) : "",
                               sqlite3_column_int(stmt, 5) != 0});
        }
    }
    sqlite3_finalize(stmt);
    m_fields = std::move(fields);
    m_indexes = std::move(indexes);
}

void Table::ReadColumns() {
    sqlite3* db = m_db.Handle();
    sqlite3_stmt* stmt = Prepare(db, "SELECT * FROM " + QualifiedName() + " LIMIT 0");
    m_columns.clear();
    m_columnTypes.clear();
    m_columnWidths.clear();
    for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
        std::string name = sqlite3_column_name(stmt, i);
        FieldType type = FieldType::Text;
        int width = 0;
        for (const FieldDef& f : m_fields)
            if (tablevalue::EqualNoCase(f.name, name)) {
                type = f.type;
                width = f.width;
            }
        m_columns.push_back(name);
        m_columnTypes.push_back(type);
        m_columnWidths.push_back(width);
    }
    sqlite3_finalize(stmt);
}

void Table::Empty() {
    if (!Exists()) throw AppError("Таблица " + m_tableName + " не существует");
    if (m_state != EditState::Browse) Cancel();
    tableinternal::ExecPlain(m_db.Handle(), "DELETE FROM " + QualifiedName());
    if (m_active) {
        ResetCursor();
        m_rowVersion = -1;
        NotifyDataChanged();
    }
}

void Table::Open() {
    if (m_active) return;
    if (!Exists()) throw AppError("Таблица " + m_tableName + " не существует");
    ReadDefinitions();
    ReadColumns();
    if (!m_orderIndex.empty()) ResolveIndex();
    for (const std::string& f : SplitFieldList(m_orderFields))
        if (std::find_if(m_columns.begin(), m_columns.end(), [&](const std::string& c) {
                return tablevalue::EqualNoCase(c, f);
            }) == m_columns.end())
            throw AppError("Таблица " + m_tableName + ": нет поля для сортировки " + f);
    m_active = true;
    m_state = EditState::Browse;
    ResetCursor();
    ReleaseStatements();
    AfterMove();
}

void Table::Close() {
    if (!m_active) return;
    EndBulkLoad();
    if (m_state != EditState::Browse) {
        m_pending.clear();
        m_state = EditState::Browse;
    }
    m_active = false;
    ResetCursor();
    ReleaseStatements();
    NotifyDataChanged();
}

std::string Table::OrderClause() const {
    std::string clause = " ORDER BY ";
    for (const std::string& f : SplitFieldList(m_orderFields)) clause += QuoteName(f) + ", ";
    return clause + "rowid";
}

std::string Table::WhereClause() const {
    if (!m_filtered || Trim(m_filter).empty()) return {};
    return " WHERE (" + AdaptSql(m_filter) + ")";
}

void Table::ReadKeys() const {
    std::string sql = "SELECT rowid FROM " + QualifiedName() + WhereClause() + OrderClause();
    sqlite3* db = m_db.Handle();
    sqlite3_stmt* stmt = Prepare(db, sql, m_filter);
    m_keys.clear();
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) m_keys.push_back(sqlite3_column_int64(stmt, 0));
    sqlite3_finalize(stmt);
    m_positions.clear();
    if (rc != SQLITE_DONE)
        tableinternal::ThrowSql(db, "Ошибка чтения таблицы " + m_tableName, m_filter);
}

const std::vector<std::string>& Table::ColumnNames() const { return m_columns; }

const CellValue& Table::CurrentValue(std::size_t column) const {
    if (m_state != EditState::Browse && column < m_pending.size() && m_pending[column])
        return *m_pending[column];
    if (m_state == EditState::Insert || m_keys.empty()) return m_nullValue;
    long long key = m_keys[m_pos];
    long long version = sqlite3_total_changes64(m_db.Handle());
    if (m_rowVersion != version || m_rowKey != key) {
        sqlite3* db = m_db.Handle();
        if (!m_rowStmt)
            m_rowStmt = Prepare(db, "SELECT * FROM " + QualifiedName() + " WHERE rowid = ?1");
        sqlite3_bind_int64(m_rowStmt, 1, key);
        m_row.assign(m_columns.size(), CellValue());
        if (sqlite3_step(m_rowStmt) == SQLITE_ROW) {
            int n = std::min(sqlite3_column_count(m_rowStmt), static_cast<int>(m_columns.size()));
            for (int i = 0; i < n; ++i) m_row[i] = tableinternal::ColumnValue(m_rowStmt, i);
        }
        sqlite3_reset(m_rowStmt);
        m_rowKey = key;
        m_rowVersion = version;
    }
    return column < m_row.size() ? m_row[column] : m_nullValue;
}

void Table::Fire(const TableEvent& event) {
    if (event) event(*this);
}

void Table::BeforeMove() {
    if (m_state != EditState::Browse) Post();
}

void Table::AfterMove() {
    Fire(AfterScroll);
    NotifyCurrentChanged();
}

void Table::Refresh() {
    if (!m_active) return;
    BeforeMove();
    MarkStale();
    m_rowVersion = -1;
    EnsureKeys();
    Fire(AfterRefresh);
    NotifyDataChanged();
}

}  // namespace platform
