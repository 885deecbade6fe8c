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
        m_rowStarts.push_back(m_cells.size());
        for (int column = 0; column < columns; ++column) {
            switch (statement.ColumnType(column)) {
            case SQLITE_INTEGER:
            case SQLITE_FLOAT:
                m_cells.emplace_back(statement.Int64(column));
                break;
            case SQLITE_TEXT:
                m_cells.emplace_back(statement.Text(column));
                break;
            case SQLITE_BLOB:
                m_cells.emplace_back(statement.Blob(column));
                break;
            default:
                m_cells.emplace_back(std::monostate());
                break;
            }
        }
    }
}

void CRecordSet::Reverse()
{
    std::vector<Value> cells;
    std::vector<size_t> starts;
    cells.reserve(m_cells.size());
    starts.reserve(m_rowStarts.size());
    for (size_t row = RowCount(); row-- > 0;) {
        starts.push_back(cells.size());
        for (size_t cell = m_rowStarts[row]; cell < RowEnd(row); ++cell)
            cells.push_back(std::move(m_cells[cell]));
    }
    m_cells = std::move(cells);
    m_rowStarts = std::move(starts);
}

int CRecordSet::Cell(int column, const Value*& value) const
{
    if (m_position >= RowCount())
        return DATABASE_NO_ROW;
    const size_t start = m_rowStarts[m_position];
    if (column < 0 || start + static_cast<size_t>(column) >= RowEnd(m_position))
        return DATABASE_INVALID_ARGUMENT;
    value = &m_cells[start + static_cast<size_t>(column)];
    return DATABASE_OK;
}

int64_t CRecordSet::GetCount()
{
    return static_cast<int64_t>(RowCount());
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
    return m_position >= RowCount() ? 1 : 0;
}

int CRecordSet::MoveNext()
{
    if (m_position >= RowCount())
        return DATABASE_NO_ROW;
    ++m_position;
    return DATABASE_OK;
}
