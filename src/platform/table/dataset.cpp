// The reading side shared by tables and queries: cursor, typed field access, observers.
#include <algorithm>
#include <cmath>

#include "platform/table/table.h"
#include "platform/table/table_value.h"
#include "platform/text/app_error.h"
#include "platform/text/text.h"

namespace platform {

DataSet::DataSet(Database& db) : m_db(db) {}
DataSet::~DataSet() = default;

void DataSet::EnsureKeys() const {
    if (!m_active || !m_keysStale) return;
    std::optional<long long> keep = m_wantedKey;
    if (!keep && !m_keys.empty() && m_pos < m_keys.size()) keep = m_keys[m_pos];
    std::size_t oldPos = m_pos;
    ReadKeys();
    m_keysStale = false;
    m_wantedKey.reset();
    if (m_keys.empty()) {
        m_pos = 0;
        m_eof = m_bof = true;
        return;
    }
    auto it = keep ? std::find(m_keys.begin(), m_keys.end(), *keep) : m_keys.end();
    if (it != m_keys.end()) {
        m_pos = static_cast<std::size_t>(it - m_keys.begin());
    } else {
        m_pos = std::min(oldPos, m_keys.size() - 1);
    }
    m_eof = m_bof = false;
}

void DataSet::ResetCursor() {
    m_keys.clear();
    m_keysStale = true;
    m_wantedKey.reset();
    m_pos = 0;
    m_eof = m_bof = true;
}

std::optional<long long> DataSet::CurrentKey() const {
    EnsureKeys();
    if (m_keys.empty()) return std::nullopt;
    return m_keys[m_pos];
}

void DataSet::MoveTo(std::size_t position) {
    m_pos = position;
    m_bof = m_eof = false;
}

void DataSet::AfterMove() { NotifyCurrentChanged(); }

void DataSet::First() {
    if (!m_active) return;
    BeforeMove();
    EnsureKeys();
    m_pos = 0;
    m_bof = true;
    m_eof = m_keys.empty();
    AfterMove();
}

void DataSet::Last() {
    if (!m_active) return;
    BeforeMove();
    EnsureKeys();
    m_pos = m_keys.empty() ? 0 : m_keys.size() - 1;
    m_eof = true;
    m_bof = m_keys.empty();
    AfterMove();
}

void DataSet::Next() {
    if (!m_active) return;
    BeforeMove();
    EnsureKeys();
    if (m_keys.empty() || m_pos + 1 >= m_keys.size()) {
        m_eof = true;
        return;
    }
    ++m_pos;
    m_bof = m_eof = false;
    AfterMove();
}

void DataSet::Prior() {
    if (!m_active) return;
    BeforeMove();
    EnsureKeys();
    if (m_keys.empty() || m_pos == 0) {
        m_bof = true;
        return;
    }
    --m_pos;
    m_bof = m_eof = false;
    AfterMove();
}

bool DataSet::Eof() const {
    if (!m_active) return true;
    EnsureKeys();
    return m_eof || m_keys.empty();
}

bool DataSet::Bof() const {
    if (!m_active) return true;
    EnsureKeys();
    return m_bof || m_keys.empty();
}

bool DataSet::IsEmpty() const { return RecordCount() == 0; }

int DataSet::RecordCount() const {
    if (!m_active) return 0;
    EnsureKeys();
    return static_cast<int>(m_keys.size());
}

int DataSet::RecNo() const {
    if (!m_active) return 0;
    EnsureKeys();
    return m_keys.empty() ? 0 : static_cast<int>(m_pos) + 1;
}

void DataSet::SetRecNo(int recNo) {
    if (!m_active) return;
    BeforeMove();
    EnsureKeys();
    if (recNo < 1 || static_cast<std::size_t>(recNo) > m_keys.size()) return;
    MoveTo(static_cast<std::size_t>(recNo - 1));
    AfterMove();
}

void DataSet::Refresh() {
    if (!m_active) return;
    m_keysStale = true;
    EnsureKeys();
    NotifyDataChanged();
}

std::size_t DataSet::ColumnIndex(const std::string& name) const {
    const auto& columns = ColumnNames();
    for (std::size_t i = 0; i < columns.size(); ++i)
        if (tablevalue::EqualNoCase(columns[i], name)) return i;
    return std::string::npos;
}

bool DataSet::HasField(const std::string& name) const {
    return ColumnIndex(name) != std::string::npos;
}

std::vector<std::string> DataSet::FieldNames() const { return ColumnNames(); }

const CellValue& DataSet::FieldValue(const std::string& name) const {
    std::size_t column = ColumnIndex(name);
    if (column == std::string::npos) throw AppError("Поле не найдено: " + name);
    static const CellValue null;
    if (!m_active) return null;
    EnsureKeys();
    return CurrentValue(column);
}

bool DataSet::IsNull(const std::string& name) const { return FieldValue(name).IsNull(); }

std::string DataSet::AsText(const std::string& name) const {
    const CellValue& v = FieldValue(name);
    switch (v.kind) {
        case CellValue::Kind::Null:
            return {};
        case CellValue::Kind::Integer:
            return std::to_string(v.integer);
        case CellValue::Kind::Real:
            return GeneralNumberText(v.real);
        case CellValue::Kind::Text:
            return v.text;
    }
    return {};
}

long long DataSet::AsInteger(const std::string& name) const {
    const CellValue& v = FieldValue(name);
    switch (v.kind) {
        case CellValue::Kind::Null:
            return 0;
        case CellValue::Kind::Integer:
            return v.integer;
        case CellValue::Kind::Real:
            return std::llround(v.real);
        case CellValue::Kind::Text: {
            long long result = 0;
            if (v.text.empty()) return 0;
            if (ParseInteger(Trim(v.text), result)) return result;
            throw AppError("Значение поля " + name + " не является целым числом: " + v.text);
        }
    }
    return 0;
}

double DataSet::AsDouble(const std::string& name) const {
    const CellValue& v = FieldValue(name);
    switch (v.kind) {
        case CellValue::Kind::Null:
            return 0;
        case CellValue::Kind::Integer:
            return static_cast<double>(v.integer);
        case CellValue::Kind::Real:
            return v.real;
        case CellValue::Kind::Text: {
            double result = 0;
            if (v.text.empty()) return 0;
            if (ParseReal(v.text, result)) return result;
            throw AppError("Значение поля " + name + " не является числом: " + v.text);
        }
    }
    return 0;
}

bool DataSet::AsBoolean(const std::string& name) const {
    const CellValue& v = FieldValue(name);
    switch (v.kind) {
        case CellValue::Kind::Null:
            return false;
        case CellValue::Kind::Integer:
            return v.integer != 0;
        case CellValue::Kind::Real:
            return v.real != 0;
        case CellValue::Kind::Text:
            return v.text == "1" || tablevalue::EqualNoCase(v.text, "true");
    }
    return false;
}

std::optional<DateTime> DataSet::AsDateTime(const std::string& name) const {
    const CellValue& v = FieldValue(name);
    if (v.kind != CellValue::Kind::Text) return std::nullopt;
    return tablevalue::ParseDateTime(v.text);
}

void DataSet::DisableControls() { ++m_disableCount; }

void DataSet::EnableControls() {
    if (m_disableCount == 0) return;
    if (--m_disableCount > 0) return;
    m_pendingDataChanged = false;
    auto observers = m_observers;
    for (auto* o : observers) o->DataChanged(*this);
}

void DataSet::AddObserver(DataSetObserver* observer) {
    if (std::find(m_observers.begin(), m_observers.end(), observer) == m_observers.end())
        m_observers.push_back(observer);
}

void DataSet::RemoveObserver(DataSetObserver* observer) {
    m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), observer),
                      m_observers.end());
}

void DataSet::NotifyDataChanged() {
    if (m_disableCount > 0) {
        m_pendingDataChanged = true;
        return;
    }
    auto observers = m_observers;
    for (auto* o : observers) o->DataChanged(*this);
}

void DataSet::NotifyCurrentChanged() {
    if (m_disableCount > 0) {
        m_pendingDataChanged = true;
        return;
    }
    auto observers = m_observers;
    for (auto* o : observers) o->CurrentChanged(*this);
}

}  // namespace platform
