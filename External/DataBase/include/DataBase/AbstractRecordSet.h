#pragma once
// CAbstractRecordSet: the rows a query of the database component gives. The
// set owns copies of its values, so it stays valid whatever the database
// does afterwards, and is freed with CAbstractDataBase::ReleaseRecordSet.
// A set starts on its first row; the read operations read a column of the
// current row and give DATABASE_RESULT codes: 0, DATABASE_NO_ROW at the end
// of the set, DATABASE_INVALID_ARGUMENT for a column that the set does not
// have, DATABASE_WRONG_TYPE for a value of another kind. A column without a
// value (SQL null) reads as 0, as the empty text or as no bytes.

#include <cstdint>

#include "compat/WinTypes.h"
#include "utility/BasicString.h"

class CAbstractRecordSet {
public:
    virtual ~CAbstractRecordSet() {}

    // Number of rows of the whole set.
    virtual int64_t GetCount() = 0;
    // With a null buffer: size receives the number of bytes. Otherwise the
    // bytes are copied into buffer, which holds size bytes; size receives the
    // number copied, or the number needed with DATABASE_BUFFER_TOO_SMALL.
    virtual int GetBlob(int column, BYTE* buffer, DWORD& size) = 0;
    virtual int GetInt64(int column, int64_t& value) = 0;
    // DATABASE_WRONG_TYPE also for a number beyond the range of an int.
    virtual int GetInt(int column, int& value) = 0;
    virtual int GetText(int column, CBasicString& text) = 0;
    // 1 when the set has no current row.
    virtual int IsEOF() = 0;
    // Moves to the next row: 0, or DATABASE_NO_ROW when already at the end.
    virtual int MoveNext() = 0;
};
