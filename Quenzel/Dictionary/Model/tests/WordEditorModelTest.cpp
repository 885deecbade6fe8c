// The word editor's work with the database, without a window: loading a
// word, adding entries, and the save, over the database component loaded
// as the program loads it, with every call written down.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "Quenzel/Dictionary/Model/WordEditorModel.h"
#include "Quenzel/Dictionary/tests/RecordingDataBase.h"
#include "testing/DataBaseComponent.h"
#include "testing/TempFolder.h"

namespace {

constexpr int kEnglish = 1;
constexpr int kGerman = 2;
constexpr int kVerb = 2;
constexpr int kNoun = 3;

LanguageRecord Language(int id, const wchar_t* name) {
    LanguageRecord language;
    language.id = id;
    language.name = name;
    return language;
}

PronunciationRecord NewSound(std::vector<BYTE> bytes) {
    PronunciationRecord sound;
    sound.sound = std::move(bytes);
    sound.isNew = 1;
    return sound;
}

class WordEditorModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(m_component.Get(), nullptr) << m_component.Error();
        db = std::make_unique<CRecordingDataBase>(*m_component.Get());
        db->SetLanguagePair({kEnglish, kGerman});
        model.SetDataBase(db.get());
        entries.AddDictionary(new CDictionaryDataItem(L"/data/Quenzel.pkv", L"Quenzel"));
    }

    WordSaveResult Save(const wchar_t* word) {
        return model.Save(word, Language(kEnglish, L"English"), Language(kGerman, L"German"));
    }
    // The id of the stored English word with the text; 0 when none.
    int64_t WordId(const wchar_t* text) {
        CAbstractRecordSet* set = db->Search(text, SEARCH_FIRST_LANGUAGE_PREFIX, 0, 0);
        int64_t id = 0;
        for (; set && !set->IsEOF(); set->MoveNext()) {
            CBasicString found;
            set->GetText(1, found);
            if (found.CompareNoCase(text) == 0) set->GetInt64(0, id);
        }
        db->ReleaseRecordSet(set);
        return id;
    }
    std::vector<std::vector<std::wstring>> Rows(CAbstractRecordSet* set) {
        std::vector<std::vector<std::wstring>> rows;
        for (; set && !set->IsEOF(); set->MoveNext()) {
            std::vector<std::wstring> row;
            for (int column = 0; column < 5; ++column) {
                CBasicString text;
                int64_t number = 0;
                if (set->GetInt64(column, number) == DATABASE_OK)
                    row.push_back(std::to_wstring(number));
                else if (set->GetText(column, text) == DATABASE_OK)
                    row.push_back(text.GetString());
            }
            rows.push_back(row);
        }
        db->ReleaseRecordSet(set);
        return rows;
    }
    // "kind text" of every entry.
    std::vector<std::wstring> Shown() {
        std::vector<std::wstring> shown;
        for (int i = 0; i < entries.GetCount(); ++i)
            shown.push_back(std::to_wstring(entries.GetItem(i)->GetKind()) + L" " +
                            entries.GetItemText(i).GetString());
        return shown;
    }
    int Find(int kind, const wchar_t* text) { return entries.IndexOf(entries.FindItem(kind, text)); }

    kvxtest::TempFolder m_folder;
    kvxtest::DataBaseComponent m_component{KVX_DATABASE_LIBRARY, m_folder.WSub("Quenzel.pkv")};
    std::unique_ptr<CRecordingDataBase> db;
    CDictionaryEntryList entries;
    CWordEditorModel model{entries};
};

const std::vector<std::string> kWrites = {
    "GetNextId",     "AddWord",     "UpdateWord",    "AddMeaning",    "UpdateMeaning",
    "DeleteMeaning", "AddSynonym",  "UpdateSynonym", "DeleteSynonym", "AddAntonym",
    "UpdateAntonym", "DeleteAntonym", "AddAcronym",  "UpdateAcronym", "DeleteAcronym",
    "SavePronunciation", "DeletePronunciation"};

} // namespace

TEST_F(WordEditorModelTest, DuplicateOfAKindIsRefusedAndMarksNothing) {
    EXPECT_EQ(model.AddEntry(kEntryMeaning, L"Bank", kGerman, kNoun), 0);
    // Stored entries, as a loaded word has them.
    entries.SetItemFlags(ENTRY_FLAG_NEW, 0, 0);
    EXPECT_EQ(model.AddEntry(kEntryMeaning, L"BANK", kGerman, kNoun), -1);
    EXPECT_FALSE(entries.GetItem(0)->HasFlag(ENTRY_FLAG_NEW));
    // The same text as a synonym is another entry, and new.
    EXPECT_EQ(model.AddEntry(kEntrySynonym, L"bank", kGerman, kNoun), 1);
    EXPECT_TRUE(entries.GetItem(1)->HasFlag(ENTRY_FLAG_NEW));
    EXPECT_EQ(model.AddEntry(kEntryMeaning, L"", kGerman, kNoun), -1);
    EXPECT_EQ(model.AddEntry(4711, L"Ufer", kGerman, kNoun), -1);
    EXPECT_EQ(entries.GetCount(), 2);
}

TEST_F(WordEditorModelTest, EmptyWordOrMissingLanguageSavesNothing) {
    model.AddEntry(kEntryMeaning, L"Bank", kGerman, kNoun);
    db->ClearCalls();
    EXPECT_EQ(Save(L"").outcome, WordSaveResult::kNothingSaved);
    EXPECT_EQ(model.Save(L"bank", Language(kEnglish, L"English"), LanguageRecord()).outcome,
              WordSaveResult::kNothingSaved);
    EXPECT_TRUE(db->CallsOf(kWrites).empty());
    EXPECT_EQ(entries.GetCount(), 1);
}

TEST_F(WordEditorModelTest, SaveAndReloadGiveTheSameWordEntriesTypesAndSounds) {
    // A new word with two meanings of different types, a synonym, an
    // antonym, an acronym and sounds of the word and of a meaning.
    model.AddEntry(kEntryMeaning, L"Ufer", kGerman, kNoun);
    model.AddEntry(kEntryMeaning, L"abheben", kGerman, kVerb);
    model.AddEntry(kEntrySynonym, L"Geldinstitut", kGerman, 0);
    model.AddEntry(kEntryAntonym, L"Schulden", kGerman, 0);
    model.AddEntry(kEntryAcronym, L"BK", kGerman, 0);
    model.WordSounds().push_back(NewSound({1, 2, 3}));
    model.EntrySounds(Find(kEntryMeaning, L"abheben"))->push_back(NewSound({4, 5}));
    EXPECT_EQ(model.EntrySounds(Find(kEntryAcronym, L"BK")), nullptr);
    db->ClearCalls();

    WordSaveResult result = Save(L"bank");
    ASSERT_EQ(result.outcome, WordSaveResult::kSaved);
    EXPECT_EQ(db->CallsOf(kWrites),
              (std::vector<std::string>{"GetNextId", "AddWord",                     // the word
                                        "GetNextId", "AddMeaning", "GetNextId", "AddMeaning",  // in set order
                                        "GetNextId", "AddWord", "AddSynonym",       // related word first
                                        "AddAcronym",                                // acronyms before antonyms
                                        "GetNextId", "AddWord", "AddAntonym",       //
                                        "SavePronunciation", "SavePronunciation"}));
    EXPECT_EQ(entries.GetCount(), 0);

    const int64_t wordId = WordId(L"bank");
    ASSERT_GT(wordId, 0);
    EXPECT_EQ(model.LoadWord(wordId, L"bank", kEnglish), kNoun);  // the last meaning read: Ufer
    // Loaded in the order meanings, synonyms, acronyms, antonyms.
    EXPECT_EQ(Shown(), (std::vector<std::wstring>{L"31187 abheben", L"31187 Ufer", L"31201 Geldinstitut",
                                                  L"31203 BK", L"31202 Schulden"}));
    const CDictionaryDataItem& dictionary = *entries.GetLastDictionary();
    const MeaningRecord* abheben = dictionary.Meanings().Find(L"abheben");
    ASSERT_NE(abheben, nullptr);
    const int64_t abhebenId = abheben->id;
    EXPECT_EQ(abheben->type, kVerb);
    EXPECT_EQ(abheben->wordId, wordId);
    EXPECT_EQ(dictionary.Meanings().Find(L"Ufer")->type, kNoun);
    for (int i = 0; i < entries.GetCount(); ++i) EXPECT_EQ(entries.GetItem(i)->GetFlags() & 0xF0000000u, 0u);
    // Each sound stayed with its owner.
    EXPECT_EQ(Rows(db->QueryPronunciations(wordId, kPronunciationWord)).size(), 1u);
    EXPECT_EQ(Rows(db->QueryPronunciations(abheben->id, kPronunciationMeaning)).size(), 1u);
    EXPECT_TRUE(Rows(db->QueryPronunciations(dictionary.Meanings().Find(L"Ufer")->id, kPronunciationMeaning)).empty());

    // Change it: a meaning renamed, one removed, one added, a type changed,
    // the synonym removed.
    const int64_t uferId = dictionary.Meanings().Find(L"Ufer")->id;
    ASSERT_EQ(entries.RenameItem(Find(kEntryMeaning, L"Ufer"), L"Flussufer"), 1);
    entries.MarkRemoved({Find(kEntryMeaning, L"abheben"), Find(kEntrySynonym, L"Geldinstitut")});
    entries.RemoveMarked(true);
    entries.SetMeaningType({Find(kEntryMeaning, L"Flussufer")}, kVerb);
    model.AddEntry(kEntryMeaning, L"Sitzbank", kGerman, kNoun);
    db->ClearCalls();

    result = Save(L"bank");
    ASSERT_EQ(result.outcome, WordSaveResult::kSaved);
    // The loaded word keeps its id: no new id, no second word.
    EXPECT_EQ(db->CallsOf(kWrites), (std::vector<std::string>{"UpdateMeaning", "GetNextId", "AddMeaning",
                                                              "DeleteMeaning", "DeleteSynonym"}));
    EXPECT_EQ(WordId(L"bank"), wordId);

    model.LoadWord(wordId, L"bank", kEnglish);
    EXPECT_EQ(Shown(), (std::vector<std::wstring>{L"31187 Flussufer", L"31187 Sitzbank", L"31203 BK",
                                                  L"31202 Schulden"}));
    EXPECT_EQ(entries.GetLastDictionary()->Meanings().Find(L"Flussufer")->id, uferId);
    EXPECT_EQ(entries.GetLastDictionary()->Meanings().Find(L"Flussufer")->type, kVerb);
    // The removed meaning's sound went with it.
    EXPECT_TRUE(Rows(db->QueryPronunciations(abhebenId, kPronunciationMeaning)).empty());
}

TEST_F(WordEditorModelTest, SoundsStayWithTheirEntryWhenOtherEntriesGo) {
    model.AddEntry(kEntryMeaning, L"Ufer", kGerman, kNoun);
    model.AddEntry(kEntryMeaning, L"Bank", kGerman, kNoun);
    model.AddEntry(kEntrySynonym, L"Küste", kGerman, 0);
    model.EntrySounds(Find(kEntryMeaning, L"Ufer"))->push_back(NewSound({9, 9}));
    model.EntrySounds(Find(kEntrySynonym, L"Küste"))->push_back(NewSound({7}));
    // The first entry goes: the rows below move up, their sounds stay.
    entries.MarkRemoved({Find(kEntryMeaning, L"Bank")});
    entries.RemoveMarked(true);
    ASSERT_EQ(Save(L"shore").outcome, WordSaveResult::kSaved);

    const int64_t wordId = WordId(L"shore");
    model.LoadWord(wordId, L"shore", kEnglish);
    const CDictionaryDataItem& dictionary = *entries.GetLastDictionary();
    const int64_t ufer = dictionary.Meanings().Find(L"Ufer")->id;
    const int64_t kueste = dictionary.Synonyms().Find(L"Küste")->related.id;
    const auto uferSounds = Rows(db->QueryPronunciations(ufer, kPronunciationMeaning));
    ASSERT_EQ(uferSounds.size(), 1u);
    EXPECT_EQ(Rows(db->QueryPronunciations(kueste, kPronunciationWord)).size(), 1u);
    EXPECT_TRUE(Rows(db->QueryPronunciations(wordId, kPronunciationWord)).empty());
}

TEST_F(WordEditorModelTest, FailedWriteIsReportedAndTheRestIsSavedNextTime) {
    model.AddEntry(kEntryMeaning, L"Ufer", kGerman, kNoun);
    model.AddEntry(kEntryMeaning, L"Bank", kGerman, kNoun);
    // The second meaning's write meets a storage failure.
    db->ThrowNext("AddMeaning", DATABASE_STORAGE_FAILED);
    db->ClearCalls();
    // "Bank" comes first in set order: it fails, "Ufer" is not tried.
    WordSaveResult result = Save(L"bank");
    EXPECT_EQ(result.outcome, WordSaveResult::kFailed);
    EXPECT_EQ(result.code, DATABASE_STORAGE_FAILED);
    ASSERT_EQ(entries.GetCount(), 2);
    EXPECT_TRUE(entries.GetItem(0)->HasFlag(ENTRY_FLAG_NEW));
    EXPECT_TRUE(entries.GetItem(1)->HasFlag(ENTRY_FLAG_NEW));

    // A failure result ends the save the same way.
    db->FailNext("AddMeaning", DATABASE_INVALID_ARGUMENT);
    result = Save(L"bank");
    EXPECT_EQ(result.outcome, WordSaveResult::kFailed);
    EXPECT_EQ(result.code, DATABASE_INVALID_ARGUMENT);

    db->ClearCalls();
    result = Save(L"bank");
    ASSERT_EQ(result.outcome, WordSaveResult::kSaved);
    // The word stored by the first try is the one written to.
    EXPECT_EQ(db->CallsOf({"AddWord", "AddMeaning"}), (std::vector<std::string>{"AddMeaning", "AddMeaning"}));
    const int64_t wordId = WordId(L"bank");
    db->SetLanguagePair({kEnglish, kGerman});
    WordKeyRecord key;
    key.id = wordId;
    EXPECT_EQ(Rows(db->QueryMeanings(key, kQueryAllOfWord)).size(), 2u);
}

TEST_F(WordEditorModelTest, RelationWithTheWordsOwnTextIsNotShown) {
    // Synonyms are words of the second language: "Chef" of German is a
    // word of its own.
    model.AddEntry(kEntrySynonym, L"Chef", kGerman, 0);
    model.AddEntry(kEntrySynonym, L"Leiter", kGerman, 0);
    model.AddEntry(kEntryAntonym, L"chef", kGerman, 0);
    ASSERT_EQ(Save(L"chef").outcome, WordSaveResult::kSaved);
    model.LoadWord(WordId(L"chef"), L"chef", kEnglish);
    EXPECT_EQ(Shown(), (std::vector<std::wstring>{L"31201 Leiter"}));
    // Without the word's text no relation is read.
    model.LoadWord(WordId(L"chef"), L"", kEnglish);
    EXPECT_TRUE(Shown().empty());
}

TEST_F(WordEditorModelTest, ChangedCaseOfTheLoadedWordIsWrittenToItsId) {
    ASSERT_EQ(Save(L"paris").outcome, WordSaveResult::kSaved);
    const int64_t wordId = WordId(L"paris");
    model.LoadWord(wordId, L"paris", kEnglish);
    db->ClearCalls();
    ASSERT_EQ(Save(L"Paris").outcome, WordSaveResult::kSaved);
    EXPECT_EQ(db->CallsOf(kWrites), std::vector<std::string>{"UpdateWord"});
    EXPECT_EQ(WordId(L"Paris"), wordId);
}
