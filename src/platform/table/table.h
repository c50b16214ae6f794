// The table engine: named tables in one in-memory SQLite database, reached through
// Table and Query objects with dataset behaviour (cursor, edit/post/cancel, events,
// filter, order, find key, display suspension, table files).
//
// Contracts:
// - Every text is UTF-8. A text longer than its field's width (in characters) is cut.
// - SQL and filter texts are written as the program's own texts give them and pass
//   through one dialect adapter (double-quoted texts are string literals, LIKE is
//   case-sensitive, not(...) holds where the inner comparison meets a null).
// - Errors throw AppError (platform/text/app_error.h) whose text names the statement or
//   the file at fault. No error leaves a table file half-written.
// - A Database outlives every Table and Query made on it.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/table/table_value.h"
#include "platform/text/date_time.h"

struct sqlite3;
struct sqlite3_stmt;

namespace platform {

enum class FieldType { Integer, AutoInc, Text, Double, Boolean, DateTime };

struct FieldDef {
    std::string name;
    FieldType type = FieldType::Integer;
    int width = 0;  // characters, for Text only
};

struct IndexDef {
    std::string name;    // "_ID"
    std::string fields;  // "IDGROUP;CODE" (";" or "," between names)
    bool primary = false;
};

// The one in-memory database that holds all tables.
class Database {
public:
    Database();
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    sqlite3* Handle() const { return m_db; }
    bool TableExists(const std::string& tableName) const;
    // Runs one or more statements through the dialect adapter; throws AppError.
    // Several statements run as one: when one fails, none of them has changed anything.
    void Execute(const std::string& sql);

private:
    sqlite3* m_db = nullptr;
};

class DataSet;

// What a bound view (a grid, a detail panel) is told. Calls are withheld while the data
// set's display is suspended; resuming sends one DataChanged.
class DataSetObserver {
public:
    virtual ~DataSetObserver() = default;
    // Rows, order or filter changed: everything shown may be stale.
    virtual void DataChanged(DataSet& dataSet) = 0;
    // The current row moved or its values changed.
    virtual void CurrentChanged(DataSet& dataSet) = 0;
};

// The reading side shared by tables and queries.
class DataSet {
public:
    virtual ~DataSet();

    bool Active() const { return m_active; }

    void First();
    void Next();
    void Prior();
    void Last();
    bool Eof() const;
    bool Bof() const;
    bool IsEmpty() const;
    int RecordCount() const;
    // 1-based position of the current row in the current order and filter; 0 when none.
    int RecNo() const;
    // Moves to a row by its 1-based position.
    void SetRecNo(int recNo);
    // Re-reads the rows (keeping the current row where it still passes).
    virtual void Refresh();

    bool HasField(const std::string& name) const;  // letters in any case
    std::vector<std::string> FieldNames() const;
    bool IsNull(const std::string& name) const;
    std::string AsText(const std::string& name) const;                  // null gives ""
    long long AsInteger(const std::string& name) const;                 // null gives 0
    double AsDouble(const std::string& name) const;                     // null gives 0
    bool AsBoolean(const std::string& name) const;                      // null gives false
    std::optional<DateTime> AsDateTime(const std::string& name) const;  // null gives none

    // Display suspension: nested; bound views are told nothing until the last resume.
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return m_disableCount > 0; }
    void AddObserver(DataSetObserver* observer);
    void RemoveObserver(DataSetObserver* observer);

protected:
    explicit DataSet(Database& db);
    // ... implementation state is the engine's own (see table.cpp)
    Database& m_db;
    bool m_active = false;
    int m_disableCount = 0;
    std::vector<DataSetObserver*> m_observers;

    // The rows in the current order and filter, as keys the subclass understands (rowids
    // for a table, result positions for a query). Re-read lazily when stale.
    virtual void ReadKeys() const = 0;
    // The column list of the open data set, in its order.
    virtual const std::vector<std::string>& ColumnNames() const = 0;
    // Value of a column of the current row (the current row exists).
    virtual const CellValue& CurrentValue(std::size_t column) const = 0;
    // Called before the cursor moves (a table posts a pending edit).
    virtual void BeforeMove() {}
    // Called after the cursor moved.
    virtual void AfterMove();

    void EnsureKeys() const;
    void MarkStale() const { m_keysStale = true; }
    // Finds a column, letters in any case; npos when absent.
    std::size_t ColumnIndex(const std::string& name) const;
    const CellValue& FieldValue(const std::string& name) const;
    void NotifyDataChanged();
    void NotifyCurrentChanged();
    void ResetCursor();
    // The key of the current row, if any.
    std::optional<long long> CurrentKey() const;
    void MoveTo(std::size_t position);

    mutable std::vector<long long> m_keys;
    mutable bool m_keysStale = true;
    // Key of the row to keep current when the keys are re-read.
    mutable std::optional<long long> m_wantedKey;
    mutable std::size_t m_pos = 0;
    mutable bool m_eof = true;
    mutable bool m_bof = true;
    bool m_pendingDataChanged = false;
};

class Table;
using TableEvent = std::function<void(Table&)>;

class Table : public DataSet {
public:
    // tableName is the SQL name. Two objects may name the same table: each keeps its own
    // cursor, order and filter over the same rows (a lookup cursor beside a browsing one).
    // Only one of them should create, empty, load or bulk-load it, with the other closed.
    Table(Database& db, std::string tableName);
    ~Table() override;

    const std::string& TableName() const { return m_tableName; }

    // Definitions used by Create.
    void SetDefinitions(std::vector<FieldDef> fields, std::vector<IndexDef> indexes);
    const std::vector<FieldDef>& Fields() const;

    bool Exists() const;
    void Create();  // drops a table of the same name, creates it empty
    void Empty();   // deletes all rows, keeps the table
    void Open();
    void Close();

    void LoadFromFile(const std::string& path);  // the table must be closed
    void SaveToFile(const std::string& path);    // temporary file + rename

    // Editing: Append/Insert start a new row, Edit the current one; Post writes, Cancel
    // drops the pending changes. Setters need an Append, Insert or Edit first.
    void Append();
    void Insert();
    void Edit();
    void Post();
    void Cancel();
    void Delete();
    bool Editing() const;  // an Append, Insert or Edit is pending

    void SetText(const std::string& name, const std::string& value);
    void SetInteger(const std::string& name, long long value);
    void SetDouble(const std::string& name, double value);
    void SetBoolean(const std::string& name, bool value);
    void SetDateTime(const std::string& name, const DateTime& value);
    void SetNull(const std::string& name);

    // The value the last Post gave the auto-increment field.
    long long LastAutoIncValue() const;

    // Order: by field names ("code", "IDGROUP;CODE") or by a named index ("_ID").
    void SetOrderByFields(const std::string& fields);
    void SetIndexName(const std::string& indexName);
    // Positions on the first row whose first order field equals the key; false if none.
    bool FindKey(long long key);
    bool FindKey(const std::string& key);

    // Filter expression over the fields ("idgroup=17 and not(idsubgroup>0)").
    void SetFilter(const std::string& expression);
    const std::string& Filter() const;
    void SetFiltered(bool on);
    bool Filtered() const;

    void Refresh() override;

    TableEvent BeforeEdit, BeforePost, AfterPost, AfterCancel, AfterScroll, BeforeDelete,
        AfterDelete, AfterRefresh;

    // A bulk load (an import): the secondary indexes are dropped at the start and built
    // again at the end (also by Close and SaveToFile), which is much faster than keeping
    // them up to date row by row. Rows, order and filter work as usual meanwhile.
    void BeginBulkLoad();
    void EndBulkLoad();

    // Index definitions of the table (from Create or from the loaded file).
    const std::vector<IndexDef>& Indexes() const { return m_indexes; }

protected:
    void ReadKeys() const override;
    const std::vector<std::string>& ColumnNames() const override;
    const CellValue& CurrentValue(std::size_t column) const override;
    void BeforeMove() override;
    void AfterMove() override;

private:
    enum class EditState { Browse, Edit, Insert };

    std::string SchemaName() const;
    std::string IndexSql() const;
    std::string QualifiedName() const;
    void AttachSchema();
    void DetachSchema();
    void ReadDefinitions();
    void ReadColumns();
    std::string OrderClause() const;
    std::string WhereClause() const;
    std::size_t FieldIndexOrThrow(const std::string& name) const;
    void SetValue(const std::string& name, CellValue value);
    void WritePending();
    void ReleaseStatements();
    void Fire(const TableEvent& event);
    bool FindValue(const CellValue& key);
    void RequireActive(const char* operation) const;
    void ResolveIndex();
    CellValue Coerce(std::size_t column, CellValue value) const;
    void ValidateFilter(const std::string& filter) const;
    void ApplyView();

    std::string m_tableName;
    std::vector<FieldDef> m_fields;
    std::vector<IndexDef> m_indexes;
    std::vector<std::string> m_columns;
    std::vector<FieldType> m_columnTypes;
    std::vector<int> m_columnWidths;
    std::string m_orderFields;  // ";"-separated field list in effect
    std::string m_orderIndex;   // the named index chosen, resolved at Open
    mutable std::unordered_map<long long, std::size_t> m_positions;  // rowid -> position
    std::map<std::string, sqlite3_stmt*> m_insertStmts;  // by the set of columns written
    std::string m_filter;
    bool m_filtered = false;
    bool m_bulk = false;
    EditState m_state = EditState::Browse;
    std::vector<std::optional<CellValue>> m_pending;
    mutable std::vector<CellValue> m_row;
    mutable long long m_rowKey = 0;
    mutable long long m_rowVersion = -1;
    mutable sqlite3_stmt* m_rowStmt = nullptr;
    sqlite3_stmt* m_findStmt = nullptr;
    std::string m_findSql;
    mutable CellValue m_nullValue;
};

class Query : public DataSet {
public:
    explicit Query(Database& db);
    ~Query() override;

    void ClearSql();
    void AddSql(const std::string& line);
    void SetSql(const std::string& text);
    std::string Sql() const;  // lines joined by "\n"

    void Open();     // a select; rows read like a table
    void ExecSql();  // update, delete, insert
    void Close();
    // Runs the select again, keeping the row position where the new result allows.
    void Refresh() override;

protected:
    void ReadKeys() const override;
    const std::vector<std::string>& ColumnNames() const override;
    const CellValue& CurrentValue(std::size_t column) const override;

private:
    std::vector<std::string> m_lines;
    std::vector<std::string> m_columns;
    std::vector<std::vector<CellValue>> m_rows;
};

}  // namespace platform
