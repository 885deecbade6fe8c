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

}  // namespace dbtest
