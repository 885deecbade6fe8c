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
    void AppendRow(std::vector<Value> row) { m_rows.push_back(std::move(row)); }
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

    Kind m_kind;
    std::vector<std::vector<Value>> m_rows;
    size_t m_position = 0;
};
