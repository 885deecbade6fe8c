// The word editor's entries without a window: one text per kind, the marks,
// the removed ids, renaming and the type-ahead.

#include <gtest/gtest.h>

#include "Quenzel/Dictionary/Model/DictionaryEntryList.h"

namespace {

// The list window's text colour.
constexpr COLORREF kPlain = 0x123456;

MeaningRecord Meaning(const wchar_t* text, int64_t id = 0, int type = 1) {
    MeaningRecord meaning;
    meaning.id = id;
    meaning.text = text;
    meaning.language = 2;
    meaning.type = type;
    return meaning;
}

RelationRecord Relation(const wchar_t* text, int64_t id = 0) {
    RelationRecord relation;
    relation.id = id;
    relation.related.text = text;
    return relation;
}

AcronymRecord Acronym(const wchar_t* text, int64_t id = 0) {
    AcronymRecord acronym;
    acronym.id = id;
    acronym.text = text;
    acronym.secondText = text;
    return acronym;
}

class DictionaryEntryListTest : public ::testing::Test {
protected:
    void SetUp() override { list.AddDictionary(new CDictionaryDataItem(L"/data/Quenzel.pkv", L"Quenzel")); }
    CDictionaryDataItem& Dictionary() { return *list.GetLastDictionary(); }

    CDictionaryEntryList list;
};

} // namespace

TEST_F(DictionaryEntryListTest, EachKindHoldsATextOnceWhateverItsCase) {
    EXPECT_EQ(list.AddMeaning(Meaning(L"Haus")), 0);
    EXPECT_EQ(list.AddMeaning(Meaning(L"HAUS")), -1);
    // The same text in another kind is another entry.
    EXPECT_EQ(list.AddSynonym(Relation(L"haus")), 1);
    EXPECT_EQ(list.AddSynonym(Relation(L"Haus")), -1);
    EXPECT_EQ(list.AddAntonym(Relation(L"Haus")), 2);
    EXPECT_EQ(list.AddAcronym(Acronym(L"ÜBER")), 3);
    EXPECT_EQ(list.AddAcronym(Acronym(L"über")), -1);
    ASSERT_EQ(list.GetCount(), 4);
    EXPECT_EQ(Dictionary().Meanings().Size(), 1u);
    EXPECT_EQ(Dictionary().Synonyms().Size(), 1u);
    EXPECT_EQ(list.GetItem(1)->GetKind(), kEntrySynonym);
    EXPECT_EQ(list.GetItem(1)->GetFlags(), static_cast<DWORD>(ENTRY_FLAG_SYNONYM));
    EXPECT_STREQ((list.GetItemText(3)).GetString(), L"ÜBER");
    EXPECT_TRUE(list.GetItemText(4).IsEmpty());

    // Without a dictionary nothing is added.
    CDictionaryEntryList empty;
    EXPECT_EQ(empty.AddMeaning(Meaning(L"Haus")), -1);
    EXPECT_EQ(empty.GetCount(), 0);
}

TEST_F(DictionaryEntryListTest, DictionaryBringsItsEntriesKindByKindInTextOrder) {
    auto* second = new CDictionaryDataItem();
    second->Acronyms().Insert(Acronym(L"UFO"));
    second->Meanings().Insert(Meaning(L"zebra"));
    second->Meanings().Insert(Meaning(L"Apfel"));
    second->Synonyms().Insert(Relation(L"mid"));
    EXPECT_EQ(list.AddDictionary(second), 0);
    std::vector<std::wstring> texts;
    for (int i = 0; i < list.GetCount(); ++i) texts.push_back(list.GetItemText(i).GetString());
    EXPECT_EQ(texts, (std::vector<std::wstring>{L"Apfel", L"zebra", L"mid", L"UFO"}));
    EXPECT_EQ(list.GetItem(0)->GetOwner(), second);
    EXPECT_EQ(list.AddDictionary(nullptr), -1);
}

TEST_F(DictionaryEntryListTest, RemovalNotesTheIdsOfStoredEntriesOnlyByKind) {
    list.AddMeaning(Meaning(L"Bank", 41));
    list.AddMeaning(Meaning(L"Ufer"));  // never stored
    list.AddSynonym(Relation(L"shore", 7));
    list.AddAcronym(Acronym(L"BK", 9));

    ASSERT_EQ(list.MarkRemoved({0, 1, 2}), 3);
    EXPECT_TRUE(list.GetItem(0)->HasFlag(ENTRY_FLAG_REMOVED));
    EXPECT_EQ(list.GetItemTextColor(0, kPlain), static_cast<COLORREF>(0x0000FF));
    const std::vector<int> removed = list.RemoveMarked(true);
    EXPECT_EQ(removed, (std::vector<int>{2, 1, 0}));
    ASSERT_EQ(list.GetCount(), 1);
    EXPECT_STREQ((list.GetItemText(0)).GetString(), L"BK");

    std::vector<int64_t> ids;
    list.GetRemovedIds(kEntryMeaning, ids);
    EXPECT_EQ(ids, std::vector<int64_t>{41});
    list.GetRemovedIds(kEntrySynonym, ids);
    EXPECT_EQ(ids, std::vector<int64_t>{7});
    list.GetRemovedIds(kEntryAcronym, ids);
    EXPECT_TRUE(ids.empty());
    // The records left their sets: the texts can be added again.
    EXPECT_EQ(Dictionary().Meanings().Size(), 0u);
    EXPECT_EQ(list.AddMeaning(Meaning(L"Ufer")), 1);

    // Clearing removes every entry and forgets the ids.
    EXPECT_EQ(list.Clear().size(), 2u);
    list.GetRemovedIds(kEntryMeaning, ids);
    EXPECT_TRUE(ids.empty());
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(Dictionary().Acronyms().Size(), 0u);
}

TEST_F(DictionaryEntryListTest, RenameKeepsTheEntryWhenItsKindHasTheTextAlready) {
    list.AddMeaning(Meaning(L"Bank", 41));
    list.AddMeaning(Meaning(L"Ufer", 42));
    list.AddSynonym(Relation(L"Strand"));

    // A duplicate of the kind: nothing changes, the record is still there.
    EXPECT_EQ(list.RenameItem(1, L"BANK"), 0);
    EXPECT_STREQ((list.GetItemText(1)).GetString(), L"Ufer");
    ASSERT_NE(Dictionary().Meanings().Find(L"Ufer"), nullptr);
    EXPECT_EQ(Dictionary().Meanings().Find(L"Ufer")->id, 42);
    EXPECT_EQ(list.GetItem(1)->GetFlags(), static_cast<DWORD>(ENTRY_FLAG_MEANING));
    EXPECT_EQ(list.GetItemTextColor(1, kPlain), kPlain);

    // Another kind's text is free; a stored entry becomes changed and keeps
    // its id.
    EXPECT_EQ(list.RenameItem(1, L"Strand"), 1);
    EXPECT_TRUE(list.GetItem(1)->HasFlag(ENTRY_FLAG_CHANGED));
    EXPECT_EQ(list.GetItemTextColor(1, kPlain), static_cast<COLORREF>(0xFF0000));
    ASSERT_NE(Dictionary().Meanings().Find(L"strand"), nullptr);
    EXPECT_EQ(Dictionary().Meanings().Find(L"strand")->id, 42);
    EXPECT_EQ(Dictionary().Meanings().Find(L"Ufer"), nullptr);
    // A change of case only is a rename too.
    EXPECT_EQ(list.RenameItem(0, L"BANK"), 1);
    EXPECT_STREQ((Dictionary().Meanings().Find(L"bank")->text).GetString(), L"BANK");
    // The same text changes nothing.
    EXPECT_EQ(list.RenameItem(0, L"BANK"), 0);

    // A new entry stays new, so the save adds it.
    list.SetItemFlags(ENTRY_FLAG_NEW, 1, 2);
    EXPECT_EQ(list.RenameItem(2, L"Küste"), 1);
    EXPECT_TRUE(list.GetItem(2)->HasFlag(ENTRY_FLAG_NEW));
    EXPECT_FALSE(list.GetItem(2)->HasFlag(ENTRY_FLAG_CHANGED));
    EXPECT_STREQ((Dictionary().Synonyms().Find(L"Küste")->related.text).GetString(), L"Küste");
}

TEST_F(DictionaryEntryListTest, TypeGoesToTheChosenMeaningsOnly) {
    list.AddMeaning(Meaning(L"laufen", 5, 1));
    list.AddMeaning(Meaning(L"Lauf", 0, 1));
    list.AddMeaning(Meaning(L"Läufer", 6, 1));
    list.AddSynonym(Relation(L"rennen", 8));
    list.SetItemFlags(ENTRY_FLAG_NEW, 1, 1);

    list.SetMeaningType({1, 2, 3}, 3);
    EXPECT_EQ(Dictionary().Meanings().Find(L"laufen")->type, 1);
    EXPECT_EQ(Dictionary().Meanings().Find(L"Lauf")->type, 3);
    EXPECT_EQ(Dictionary().Meanings().Find(L"Läufer")->type, 3);
    EXPECT_TRUE(list.GetItem(1)->HasFlag(ENTRY_FLAG_NEW));
    EXPECT_FALSE(list.GetItem(1)->HasFlag(ENTRY_FLAG_CHANGED));
    EXPECT_TRUE(list.GetItem(2)->HasFlag(ENTRY_FLAG_CHANGED));
    EXPECT_FALSE(list.GetItem(0)->HasFlag(ENTRY_FLAG_CHANGED));
    // A relation has no type.
    EXPECT_EQ(list.GetItem(3)->GetFlags(), static_cast<DWORD>(ENTRY_FLAG_SYNONYM));
}

TEST_F(DictionaryEntryListTest, TypeAheadFindsTheFirstEntryOfTheLetterWhateverItsCase) {
    list.AddMeaning(Meaning(L"Apfel"));
    list.AddMeaning(Meaning(L"Sonne"));
    list.AddSynonym(Relation(L"sun"));
    list.AddAcronym(Acronym(L"Ärger"));
    const struct {
        wchar_t key;
        int expected;
    } cases[] = {{L's', 1}, {L'S', 1}, {L'a', 0}, {L'ä', 3}, {L'x', -1}};
    for (const auto& c : cases) EXPECT_EQ(list.FindByPrefix(c.key), c.expected) << static_cast<int>(c.key);

    // An entry with an empty text agrees with every key.
    CDictionaryEntryList other;
    auto* dictionary = new CDictionaryDataItem();
    dictionary->Meanings().Insert(Meaning(L""));
    other.AddDictionary(dictionary);
    EXPECT_EQ(other.FindByPrefix(L'q'), 0);
}

TEST_F(DictionaryEntryListTest, FlagsOfAnIndexOutOfRangeAreRefused) {
    list.AddMeaning(Meaning(L"Bank"));
    EXPECT_EQ(list.SetItemFlags(ENTRY_FLAG_NEW, 1, 1), 0);
    EXPECT_EQ(list.SetItemFlags(ENTRY_FLAG_NEW, 1, -1), 0);
    EXPECT_EQ(list.SetItemFlags(ENTRY_FLAG_NEW, 1, 0), 1);
    EXPECT_EQ(list.SetItemFlags(ENTRY_FLAG_NEW | ENTRY_FLAG_CHANGED, 0, 0), 1);
    EXPECT_EQ(list.GetItem(0)->GetFlags(), static_cast<DWORD>(ENTRY_FLAG_MEANING));
    // Every entry has its own place for sounds.
    list.AddMeaning(Meaning(L"Ufer"));
    EXPECT_NE(list.GetItem(0)->GetSoundIndex(), list.GetItem(1)->GetSoundIndex());
    EXPECT_GT(list.GetItem(0)->GetSoundIndex(), 0);
}
