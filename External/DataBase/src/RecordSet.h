#pragma once
// CRecordSet: the rows of a query, copied out of the database when the query
// runs, so a set never holds a statement or a lock.

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "DataBase/AbstractRecordSet.h"

class SqlStatement;

class CRecordSet : public CAbstractRecordSet {
public:
    // What made the set; ReadWord takes only word sets.
    enum Kind { kPlain, kWords };
    using Value = std::variant<std::monostate, int64_t, std::wstring, std::vector<BYTE>>;

    explicit CRecordSet(Kind kind = kPlain) : m_kind(kind) {}

    Kind GetKind() const { return m_kind; }
    // Appends every row the statement still gives.
    void AppendRows(SqlStatement& statement);
    void Reverse();

    int64_t GetCount() override;
    int GetBlob(int column, BYTE* buffer, DWORD& size) override;
    int GetInt64(int column, int64_t& value) override;
    int GetInt(int column, int& value) override;
    int GetText(int column, CBasicString& text) override;
    int IsEOF() override;
    int MoveNext() override;

private:
    // The value at column of the current row, or the failure code.
    int Cell(int column, const Value*& value) const;

    size_t RowCount() const { return m_rowStarts.size(); }
    size_t RowEnd(size_t row) const { return row + 1 < m_rowStarts.size() ? m_rowStarts[row + 1] : m_cells.size(); }

    Kind m_kind;
    // The cells of every row one after the other (no allocation per row),
    // and where each row starts among them.
    std::vector<Value> m_cells;
    std::vector<size_t> m_rowStarts;
    size_t m_position = 0;
};
