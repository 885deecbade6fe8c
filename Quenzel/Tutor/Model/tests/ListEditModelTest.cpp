// The list editor's model without its window, over the database component
// loaded as the program loads it.

#include <gtest/gtest.h>

#include <algorithm>

#include "Quenzel/Tutor/Model/ListEditModel.h"
#include "Quenzel/Tutor/Model/tests/StoredLists.h"
#include "compat/WinUser.h"
#include "testing/DataBaseComponent.h"
#include "testing/TempFolder.h"

using namespace tutortest;

namespace {

const CBasicString kToday = L"2026-12-10";

class ListEditModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(m_component.Get(), nullptr) << m_component.Error();
        db = m_component.Get();
        std::tie(from, to) = TwoLanguages(db);
    }

    VocabularyListRecord NewList() const {
        VocabularyListRecord list;
        list.fromLanguage = from;
        list.toLanguage = to;
        return list;
    }

    VocabularyListRecord Stored(int64_t id) const {
        for (const StoredList& list : Lists(db))
            if (list.id == id) {
                VocabularyListRecord record = NewList();
                record.id = id;
                record.name = list.name.c_str();
                record.wordCount = list.wordCount;
                return record;
            }
        return NewList();
    }

    static void AddTyped(CListEditModel& model, const wchar_t* word, const wchar_t* meaning) {
        GridRow& row = model.Rows()[model.AddRow()];
        row.word.m_text = word;
        row.meaning.m_text = meaning;
    }

    // Opens a stored list for editing and loads its rows.
    CListEditModel Editing(int64_t id) {
        CListEditModel model(db);
        model.Reset(LIST_EDIT_EDIT, Stored(id));
        EXPECT_EQ(model.Load({}), 1);
        return model;
    }

    kvxtest::TempFolder m_folder;
    kvxtest::DataBaseComponent m_component{KVX_DATABASE_LIBRARY, m_folder.WSub("Quenzel.pkv")};
    CAbstractDataBase* db = nullptr;
    int from = 0, to = 0;
};

} // namespace

TEST_F(ListEditModelTest, CreateStoresTheTypedRowsOnly) {
    CListEditModel model(db);
    model.Reset(LIST_EDIT_CREATE, NewList());
    model.LoadListNames();
    AddTyped(model, L"house", L"Haus");
    model.AddRow();                       // still the placeholder texts
    AddTyped(model, L"   ", L"leer");     // a blank word
    AddTyped(model, L"tree", L"Baum");
    model.SetName(L"  Animals ");
    WorkerResult end;
    EXPECT_EQ(model.Save({}, kToday, end), 1);
    EXPECT_EQ(end.text.GetString(), Text(31132, L"Animals"));
    EXPECT_EQ(end.flags, static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_EQ(model.GetListRowChange(), LIST_ROW_ADD);
    EXPECT_EQ(model.GetMode(), LIST_EDIT_EDIT);
    const VocabularyListRecord& list = model.GetList();
    EXPECT_GT(list.id, 0);
    EXPECT_STREQ(list.name.GetString(), L"Animals");
    EXPECT_EQ(ListPairs(db, list.id), (Pairs{{L"house", L"Haus"}, {L"tree", L"Baum"}}));
    const auto lists = Lists(db);
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_EQ(lists[0].wordCount, 2);
    EXPECT_GT(model.Rows()[0].linkId, 0);
    EXPECT_FALSE(model.HasChanges());
}

TEST_F(ListEditModelTest, ANameThatExistsMergesIntoThatListOfTheSamePair) {
    const int64_t stored = StoreList(db, L"Animals", from, to, {{L"dog", L"Hund"}});
    CListEditModel model(db);
    model.Reset(LIST_EDIT_CREATE, NewList());
    model.LoadListNames();
    AddTyped(model, L"cat", L"Katze");
    AddTyped(model, L"dog", L"Hund");  // held by the list already
    model.SetName(L"ANIMALS");
    WorkerResult end;
    EXPECT_EQ(model.Save({}, kToday, end), 1);
    EXPECT_EQ(end.text.GetString(), Text(31350, 1, L"ANIMALS"));
    EXPECT_EQ(model.GetListRowChange(), LIST_ROW_UPDATE);
    EXPECT_EQ(model.GetList().id, stored);
    EXPECT_EQ(Lists(db).size(), 1u);
    EXPECT_EQ(ListPairs(db, stored), (Pairs{{L"dog", L"Hund"}, {L"cat", L"Katze"}}));

    // A list of the name with another pair takes nothing.
    const std::vector<LanguageRecord> languages = db->GetLanguages(0);
    ASSERT_GE(languages.size(), 3u);
    StoreList(db, L"Colours", languages[2].id, to, {{L"rouge", L"rot"}});
    CListEditModel other(db);
    other.Reset(LIST_EDIT_CREATE, NewList());
    other.LoadListNames();
    AddTyped(other, L"red", L"rot");
    other.SetName(L"colours");
    EXPECT_EQ(other.Save({}, kToday, end), 0);
    EXPECT_EQ(end.text.GetString(), Text(31136));
    EXPECT_EQ(Lists(db).size(), 2u);
    EXPECT_EQ(ListPairs(db, Lists(db)[1].id).size(), 1u);
}

TEST_F(ListEditModelTest, EditStoresRealChangesAndRemovesKeptEntries) {
    const int64_t id = StoreList(db, L"Home", from, to, {{L"house", L"Haus"}, {L"door", L"Tuer"}, {L"roof", L"Dach"}});
    CListEditModel model = Editing(id);
    ASSERT_EQ(model.Rows().size(), 3u);
    EXPECT_STREQ(model.Rows()[0].word.m_secondText.GetString(), L"house");
    model.Rows()[0].word.m_text = L"HOUSE";  // case only
    model.Rows()[1].meaning.m_text = L"T\u00FCr";
    model.RemoveRows({2});
    EXPECT_TRUE(model.HasChanges());
    WorkerResult end;
    EXPECT_EQ(model.Save({}, kToday, end), 1);
    EXPECT_EQ(end.text.GetString(), Text(31107, L"Home"));
    EXPECT_EQ(ListPairs(db, id), (Pairs{{L"house", L"Haus"}, {L"door", L"T\u00FCr"}}));

    // A removal alone is stored by the next save.
    CListEditModel again = Editing(id);
    again.RemoveRows({0});
    EXPECT_EQ(again.Save({}, kToday, end), 1);
    EXPECT_EQ(ListPairs(db, id), (Pairs{{L"door", L"T\u00FCr"}}));
}

TEST_F(ListEditModelTest, AChangedWordUsedElsewhereBecomesAWordOfItsOwn) {
    const int64_t first = StoreList(db, L"One", from, to, {{L"bank", L"Bank"}});
    const int64_t second = StoreList(db, L"Two", from, to, {{L"bank", L"Bank"}});
    CListEditModel model = Editing(first);
    model.Rows()[0].word.m_text = L"shore";
    WorkerResult end;
    EXPECT_EQ(model.Save({}, kToday, end), 1);
    EXPECT_EQ(ListPairs(db, first), (Pairs{{L"shore", L"Bank"}}));
    EXPECT_EQ(ListPairs(db, second), (Pairs{{L"bank", L"Bank"}}));
}

TEST_F(ListEditModelTest, AReservedIdStaysForTheNextNewWord) {
    StoreList(db, L"Old", from, to, {{L"known", L"bekannt"}});
    int64_t nextWord = 0;
    ASSERT_EQ(db->GetNextId(NEXT_ID_WORD, nextWord), 0);
    CListEditModel model(db);
    model.Reset(LIST_EDIT_CREATE, NewList());
    AddTyped(model, L"known", L"bekannt");  // the stored word comes back
    AddTyped(model, L"fresh", L"frisch");
    model.SetName(L"New");
    WorkerResult end;
    ASSERT_EQ(model.Save({}, kToday, end), 1);
    EXPECT_LT(static_cast<int64_t>(model.Rows()[0].word.m_value), nextWord);
    EXPECT_EQ(static_cast<int64_t>(model.Rows()[1].word.m_value), nextWord);
}

TEST_F(ListEditModelTest, AnyFailedRowMakesTheSaveAFailure) {
    const int64_t id = StoreList(db, L"Broken", from, to, {{L"a", L"b"}});
    CListEditModel model = Editing(id);
    // A stored row whose meaning is gone, then a row that stores well.
    model.Rows()[0].meaning.m_value = 987654;
    model.Rows()[0].meaning.m_text = L"changed";
    AddTyped(model, L"good", L"gut");
    WorkerResult end;
    EXPECT_EQ(model.Save({}, kToday, end), 0);
    EXPECT_EQ(end.text.GetString(), Text(31110, L"Broken"));
    EXPECT_EQ(end.flags, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(ListPairs(db, id), (Pairs{{L"a", L"b"}, {L"good", L"gut"}}));
}

TEST_F(ListEditModelTest, ImportNamesTheListAfterTheFileAndACancelSaysPartially) {
    // The list file's reader, as the program's gives its rows: both texts of
    // each cell, unknown, with a status to save.
    std::vector<std::wstring> asked;
    const ListFileImporter read = [&](CAbstractDataBase* database, const wchar_t* path, int kind,
                                      const ListFileProgress&, std::vector<GridRow>& rows, int* longLine) {
        EXPECT_EQ(database, db);
        EXPECT_EQ(kind, LIST_FILE_COMMA);
        asked.emplace_back(path);
        for (const auto& [word, meaning] : Pairs{{L"apple", L"Apfel"}, {L"pear", L"Birne"}, {L"plum", L"Pflaume"}}) {
            GridRow row;
            row.word.m_text = row.word.m_secondText = word.c_str();
            row.meaning.m_text = row.meaning.m_secondText = meaning.c_str();
            row.SetStatusB();
            row.statusChanged = 1;
            rows.push_back(row);
        }
        *longLine = 0;
        return 1;
    };
    const std::wstring path = m_folder.WSub("Fruit.csv");
    CListEditModel model(db);
    model.Reset(LIST_EDIT_IMPORT, NewList());
    model.LoadListNames();
    model.SetImportFile(path.c_str(), LIST_FILE_COMMA);
    ASSERT_EQ(model.Import({}, read), 1);
    EXPECT_EQ(asked, std::vector<std::wstring>{path});
    EXPECT_STREQ(model.GetName().GetString(), L"Fruit");
    EXPECT_EQ(model.GetImportedCount(), 3);
    EXPECT_TRUE(model.HasChanges());
    ASSERT_EQ(model.Rows().size(), 3u);
    int running = 0;
    ListFileProgress stopAfterTwo;
    stopAfterTwo.isRunning = [&running] { return running++ < 2; };
    WorkerResult end;
    EXPECT_EQ(model.Save(stopAfterTwo, kToday, end), 0);
    EXPECT_EQ(end.text.GetString(), Text(31265, path.c_str()));
    const auto lists = Lists(db);
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_EQ(lists[0].name, L"Fruit");
    EXPECT_EQ(ListPairs(db, lists[0].id), (Pairs{{L"apple", L"Apfel"}, {L"pear", L"Birne"}}));
}

TEST_F(ListEditModelTest, AFileRefusedForAnOverlongLineAddsNoRowAndNamesTheLine) {
    const ListFileImporter refuse = [](CAbstractDataBase*, const wchar_t*, int, const ListFileProgress&,
                                       std::vector<GridRow>&, int* longLine) {
        *longLine = 7;
        return 0;
    };
    CListEditModel model(db);
    model.Reset(LIST_EDIT_IMPORT, NewList());
    model.SetImportFile(L"/data/Long.txt", LIST_FILE_TAB);
    EXPECT_EQ(model.Import({}, refuse), 0);
    EXPECT_EQ(model.GetImportLongLine(), 7);
    EXPECT_EQ(model.GetImportedCount(), 0);
    EXPECT_TRUE(model.Rows().empty());
    EXPECT_FALSE(model.IsModified());
}
