#pragma once
// The meaning types (verb, noun, ...) as the word editor reads and writes
// them: a database without types gets the four default types, Manual
// (None), Verb (v.), Noun (n.) and Adjective (a.), in that order. A type is
// shown as its name followed by its value in parentheses.

#include <vector>

#include "DataBase/AbstractDataBase.h"
#include "utility/BasicString.h"

class CMeanTypes {
public:
    // The stored types by id; when there are none (or no set), the default
    // types are written first and come back with their new ids.
    static std::vector<MeanTypeRecord> Load(CAbstractDataBase& database);
    // "name (value)".
    static CBasicString EntryText(const MeanTypeRecord& type);
    // The text without white space at either end.
    static CBasicString Trimmed(const CBasicString& text);
    // The default types from the string table.
    static std::vector<MeanTypeRecord> Defaults();
};
