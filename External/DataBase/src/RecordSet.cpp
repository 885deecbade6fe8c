#include "RecordSet.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "DataBase/DataBaseResult.h"
#include "SqliteConnection.h"

void CRecordSet::AppendRows(SqlStatement& statement)
{
    while (statement.Step()) {
        int columns = statement.ColumnCount();
        std::vector<Value> row;
        row.reserve(columns);
        for (int column = 0; column < columns; ++column) {
            switch (statement.ColumnType(column)) {
            case SQLITE_INTEGER:
            case SQLITE_FLOAT:
                row.emplace_back(statement.Int64(column));
                break;
            case SQLITE_TEXT:
                row.emplace_back(statement.Text(column));
                break;
            case SQLITE_BLOB:
                row.emplace_back(statement.Blob(column));
                break;
            default:
                row.emplace_back(std::monostate());
                break;
            }
        }
        m_rows.push_back(std::move(row));
    }
}

void CRecordSet::Reverse()
{
    std::reverse(m_rows.begin(), m_rows.end());
}

int CRecordSet::Cell(int column, const Value*& value) const
{
    if (m_position >= m_rows.size())
        return DATABASE_NO_ROW;
    const auto& row = m_rows[m_position];
    if (column < 0 || static_cast<size_t>(column) >= row.size())
        return DATABASE_INVALID_ARGUMENT;
    value = &row[column];
    return DATABASE_OK;
}

int64_t CRecordSet::GetCount()
{
    return static_cast<int64_t>(m_rows.size());
}

int CRecordSet::GetBlob(int column, BYTE* buffer, DWORD& size)
{
    const Value* value = nullptr;
    int rc = Cell(column, value);
    if (rc != DATABASE_OK)
        return rc;
    const BYTE* bytes = nullptr;
    size_t length = 0;
    if (auto blob = std::get_if<std::vector<BYTE>>(value)) {
        bytes = blob->data();
        length = blob->size();
    } else if (!std::holds_alternative<std::monostate>(*value)) {
        return DATABASE_WRONG_TYPE;
    }
    if (length > UINT32_MAX)
        return DATABASE_BUFFER_TOO_SMALL;
    if (!buffer) {
        size = static_cast<DWORD>(length);
        return DATABASE_OK;
    }
    if (size < length) {
        size = static_cast<DWORD>(length);
        return DATABASE_BUFFER_TOO_SMALL;
    }
    if (length)
        std::memcpy(buffer, bytes, length);
    size = static_cast<DWORD>(length);
    return DATABASE_OK;
}

int CRecordSet::GetInt64(int column, int64_t& out)
{
    const Value* value = nullptr;
    int rc = Cell(column, value);
    if (rc != DATABASE_OK)
        return rc;
    if (auto number = std::get_if<int64_t>(value)) {
        out = *number;
        return DATABASE_OK;
    }
    if (std::holds_alternative<std::monostate>(*value)) {
        out = 0;
        return DATABASE_OK;
    }
    return DATABASE_WRONG_TYPE;
}

int CRecordSet::GetInt(int column, int& out)
{
    int64_t wide = 0;
    int rc = GetInt64(column, wide);
    if (rc != DATABASE_OK)
        return rc;
    if (wide < INT_MIN || wide > INT_MAX)
        return DATABASE_WRONG_TYPE;
    out = static_cast<int>(wide);
    return DATABASE_OK;
}

int CRecordSet::GetText(int column, CBasicString& text)
{
    const Value* value = nullptr;
    int rc = Cell(column, value);
    if (rc != DATABASE_OK)
        return rc;
    if (auto stored = std::get_if<std::wstring>(value)) {
        // Into the caller's buffer when it is large enough: a reader of
        // many rows allocates once.
        text.AssignCopy(stored->c_str());
        return DATABASE_OK;
    }
    if (std::holds_alternative<std::monostate>(*value)) {
        text.Empty();
        return DATABASE_OK;
    }
    return DATABASE_WRONG_TYPE;
}

int CRecordSet::IsEOF()
{
    return m_position >= m_rows.size() ? 1 : 0;
}

int CRecordSet::MoveNext()
{
    if (m_position >= m_rows.size())
        return DATABASE_NO_ROW;
    ++m_position;
    return DATABASE_OK;
}
