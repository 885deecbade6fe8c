#pragma once
// The account's copy of the vocabulary lists that the synchronisation
// service keeps: the lists (keyed by their stable id, the guid), their
// entries (word, meaning, meaning type, status count and dates) and the
// languages and meaning types they use, which travel by name because ids
// differ from one data file to the next. Every list and entry carries the
// UTC time of its last change ("YYYY-MM-DDTHH:MM:SS.sssZ", empty when it is
// older than the file's knowledge of such times), and a removed list or
// entry travels as a record of its own with the time of its removal, so
// that two copies merge without losing what either computer did. On the
// wire the copy is JSON, deflated with zlib (the format is described in
// the service's README).

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
    std::string changed;  // added or status set
};

// An entry removed from its list: the word and meaning as folded texts.
struct SyncRemoved {
    std::wstring word;
    int wordLanguage = 0;
    std::wstring meaning;
    int meaningLanguage = 0;
    std::string changed;  // removed
};

struct SyncList {
    std::string guid;
    std::wstring name;
    std::wstring secondText;
    int fromLanguage = 0;  // index into SyncCopy::languages
    int toLanguage = 0;
    int editable = 1;
    int extra = 0;
    std::string changed;  // added, renamed or its texts or flags set
    std::vector<SyncEntry> entries;
    std::vector<SyncRemoved> removed;
};

// A removed list.
struct SyncDeletedList {
    std::string guid;
    std::string changed;  // removed
};

struct SyncCopy {
    // The account's copy counts its uploads: an upload names the next
    // number, so that one based on an older copy is refused.
    long long version = 0;
    std::vector<SyncLanguage> languages;
    std::vector<SyncMeanType> types;
    std::vector<SyncList> lists;
    std::vector<SyncDeletedList> deleted;
};

// Gives every list without a guid a new one, then reads the copy of every
// list with the records of removed lists and entries: DATABASE_OK, or
// DATABASE_CANCELLED. Throws SqlError.
int ReadSyncCopy(SqliteConnection& connection, SyncProgress& progress, SyncCopy& copy);

// Makes the file hold what a merged copy holds (a copy that includes the
// file's own, see MergeSyncCopies): lists and entries are updated or added
// with their times of change, removed ones removed, and the records of
// removals kept; words, meanings, languages and meaning types are found by
// their texts or added. DATABASE_OK or DATABASE_CANCELLED; the caller
// undoes a cancelled store. Throws SqlError.
int StoreSyncCopy(SqliteConnection& connection, const SyncCopy& merged, SyncProgress& progress);

// True for a time of change: "YYYY-MM-DDTHH:MM:SS" of a real day and time,
// an optional fraction of up to nine digits, and "Z".
bool IsSyncStamp(const std::string& text);

// The copy as deflated JSON.
std::string EncodeSyncCopy(const SyncCopy& copy);
// The copy of deflated JSON: false unless the bytes are one whole zlib
// stream of a well-formed copy (every index in range, status counts 0 to
// 5, dates "YYYY-MM-DD" or empty and real, times of change well-formed,
// texts not empty, each guid once). A copy of the first format, without
// times of change or removals, reads as one whose changes are all oldest.
bool DecodeSyncCopy(const std::string& deflated, SyncCopy& copy);
