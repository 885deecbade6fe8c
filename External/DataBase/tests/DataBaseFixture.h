#pragma once
// The test fixture of the database component: a component object over a
// fresh data file in a temporary folder, with helpers that read sets and
// build lists as the program does.

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "DataBase/AbstractDataBase.h"
#include "testing/TempFolder.h"

namespace dbtest {

// English and German of the seeded languages.
constexpr int kEnglish = 1;
constexpr int kGerman = 2;

std::wstring Text(const CBasicString& text);
// Every row of a set as its cells' texts (numbers written out), then frees
// it. A null set gives no rows.
std::vector<std::vector<std::wstring>> Rows(CAbstractDataBase& db, CAbstractRecordSet* set);

class DataBaseTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Reopens the object over the same file.
    void Reopen();
    // A list of (word, meaning) pairs stored as the list editor saves a
    // new list: the list, then each row's word and meaning, then its entry.
    int64_t MakeList(const wchar_t* name, const std::vector<std::pair<std::wstring, std::wstring>>& pairs,
                     int from = kEnglish, int to = kGerman);
    // The entries of one list (all words).
    std::vector<WordRecord> Words(int64_t listId);
    std::vector<WordRecord> Words(const CQueryOptions& options);

    kvxtest::TempFolder folder;
    std::wstring path;
    std::unique_ptr<CAbstractDataBase> db;
};

// SQL that takes a file of the current layout back to layout 2, without
// what synchronisation's merge added in layout 4.
constexpr const char* kBackToLayout2 =
    "DROP TRIGGER vocab_list_added; DROP TRIGGER vocab_list_changed; DROP TRIGGER vocab_list_removed;"
    "DROP TRIGGER list_entry_added; DROP TRIGGER list_entry_back; DROP TRIGGER list_entry_changed;"
    "DROP TRIGGER list_entry_removed; DROP TRIGGER list_entry_moved; DROP TABLE sync_deleted;"
    "ALTER TABLE vocab_list DROP COLUMN changed; ALTER TABLE list_entry DROP COLUMN changed;"
    "PRAGMA user_version = 2;";

}  // namespace dbtest
