#include "DataBaseFixture.h"

#include "SqliteDataBase.h"

namespace dbtest {

std::wstring Text(const CBasicString& text)
{
    return std::wstring(text.GetString(), static_cast<size_t>(text.GetLength()));
}

std::vector<std::vector<std::wstring>> Rows(CAbstractDataBase& db, CAbstractRecordSet* set)
{
    std::vector<std::vector<std::wstring>> rows;
    if (!set)
        return rows;
    for (; !set->IsEOF(); set->MoveNext()) {
        std::vector<std::wstring> row;
        for (int column = 0;; ++column) {
            CBasicString text;
            int64_t number = 0;
            if (set->GetInt64(column, number) == DATABASE_OK) {
                row.push_back(std::to_wstring(number));
            } else if (set->GetText(column, text) == DATABASE_OK) {
                row.push_back(Text(text));
            } else {
                DWORD size = 0;
                if (set->GetBlob(column, nullptr, size) != DATABASE_OK)
                    break;
                row.push_back(L"<" + std::to_wstring(size) + L" bytes>");
            }
        }
        rows.push_back(row);
    }
    db.ReleaseRecordSet(set);
    return rows;
}

void DataBaseTest::SetUp()
{
    path = folder.WSub("Quenzel.pkv");
    db = std::make_unique<CSqliteDataBase>(nullptr, nullptr);
    ASSERT_EQ(db->Open(DATABASE_OPEN_OPTIONS{1, 0}, path.c_str()), DATABASE_OK);
}

void DataBaseTest::TearDown()
{
    db.reset();
}

void DataBaseTest::Reopen()
{
    db = std::make_unique<CSqliteDataBase>(nullptr, nullptr);
    ASSERT_EQ(db->Open(DATABASE_OPEN_OPTIONS{1, 0}, path.c_str()), DATABASE_OK);
}

int64_t DataBaseTest::MakeList(const wchar_t* name, const std::vector<std::pair<std::wstring, std::wstring>>& pairs,
                               int from, int to)
{
    VocabularyListRecord list;
    list.name = name;
    list.fromLanguage = from;
    list.toLanguage = to;
    EXPECT_EQ(db->Transaction(TRANSACTION_BEGIN), DATABASE_OK);
    int64_t listId = db->CreateVocabularyList(list);
    EXPECT_GT(listId, 0);
    for (const auto& pair : pairs) {
        WordKeyRecord word;
        word.text = pair.first.c_str();
        word.language = from;
        MeaningRecord meaning;
        meaning.text = pair.second.c_str();
        meaning.language = to;
        meaning.type = 1;
        EXPECT_EQ(db->AddMeaning(word, meaning, 0), DATABASE_OK);
        WordLinkRecord link;
        link.listId = listId;
        link.wordId = word.id;
        link.meaningId = meaning.id;
        link.enteredDate = L"2024-01-10";
        link.statusDate = L"2024-01-10";
        if (db->UpdateListEntry(link, kListEntryLookUp) == DATABASE_NO_ROW) {
            EXPECT_EQ(db->AddListEntry(link, 0), DATABASE_OK);
        }
    }
    EXPECT_EQ(db->Transaction(TRANSACTION_COMMIT), DATABASE_OK);
    return listId;
}

std::vector<WordRecord> DataBaseTest::Words(int64_t listId)
{
    CQueryOptions options;
    options.AllWords = 1;
    options.ListIds.push_back(listId);
    return Words(options);
}

std::vector<WordRecord> DataBaseTest::Words(const CQueryOptions& options)
{
    std::vector<WordRecord> words;
    CAbstractRecordSet* set = db->QueryWords(options);
    EXPECT_NE(set, nullptr);
    if (!set)
        return words;
    for (; !set->IsEOF(); set->MoveNext()) {
        WordRecord word;
        EXPECT_EQ(db->ReadWord(set, word), DATABASE_OK);
        words.push_back(word);
    }
    db->ReleaseRecordSet(set);
    return words;
}

}  // namespace dbtest
