#pragma once
// The account's copy of the vocabulary lists that the synchronisation
// service keeps: the lists (keyed by their stable id, the guid), their
// entries (word, meaning, meaning type, status count and dates) and the
// languages and meaning types they use, which travel by name because ids
// differ from one data file to the next. On the wire the copy is JSON,
// deflated with zlib (the format is described in the service's README).

#include <string>
#include <vector>

#include "SqliteConnection.h"

class SyncProgress;

struct SyncLanguage {
    std::wstring name;
    std::wstring code;
    int rightToLeft = 0;
};

struct SyncMeanType {
    std::wstring name;
    std::wstring value;
};

struct SyncEntry {
    std::wstring word;
    int wordLanguage = 0;  // index into SyncCopy::languages
    std::wstring meaning;
    int meaningLanguage = 0;
    int type = -1;  // index into SyncCopy::types, -1 for none
    int status = 0;
    std::wstring enteredDate;
    std::wstring statusDate;
};

struct SyncList {
    std::string guid;
    std::wstring name;
    std::wstring secondText;
    int fromLanguage = 0;  // index into SyncCopy::languages
    int toLanguage = 0;
    int editable = 1;
    int extra = 0;
    std::vector<SyncEntry> entries;
};

struct SyncCopy {
    std::vector<SyncLanguage> languages;
    std::vector<SyncMeanType> types;
    std::vector<SyncList> lists;
};

// Gives every list without a guid a new one, then reads the copy of every
// list: DATABASE_OK, or DATABASE_CANCELLED. Throws SqlError.
int ReadSyncCopy(SqliteConnection& connection, SyncProgress& progress, SyncCopy& copy);

// Merges the copy into the file: a list of the same guid takes the copy's
// name and texts, other lists are added; an entry of the same word and
// meaning takes the copy's status count when the copy's status date is
// later, other entries are added; words, meanings, languages and meaning
// types are found by their texts or added. Nothing is removed.
// DATABASE_OK or DATABASE_CANCELLED; the caller undoes a cancelled merge.
// Throws SqlError.
int MergeSyncCopy(SqliteConnection& connection, const SyncCopy& copy, SyncProgress& progress);

// The copy as deflated JSON.
std::string EncodeSyncCopy(const SyncCopy& copy);
// The copy of deflated JSON: false unless the bytes are one whole zlib
// stream of a well-formed copy (every index in range, status counts 0 to
// 5, dates "YYYY-MM-DD" or empty, texts not empty, each guid once).
bool DecodeSyncCopy(const std::string& deflated, SyncCopy& copy);
