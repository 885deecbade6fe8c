// Languages: adding, changing and removing them, and the refusal to remove
// one that lists or words use.

#include "DataBaseFixture.h"
#include "FlagPictures.h"

using namespace dbtest;

namespace {

// The language of that id (id 0 when there is none).
LanguageRecord FindById(const std::vector<LanguageRecord>& languages, int id)
{
    for (const LanguageRecord& language : languages)
        if (language.id == id)
            return language;
    return LanguageRecord();
}

}  // namespace

TEST_F(DataBaseTest, LanguagesAreAddedChangedAndRemoved)
{
    std::vector<BYTE> png = EncodePng(1, 1, {1, 2, 3});
    std::string flag = folder.WriteFile("flag.png", std::string(png.begin(), png.end()));
    std::string notPng = folder.WriteFile("flag.txt", "not a picture");

    int id = 0;
    ASSERT_EQ(db->AddLanguage(L"Klingon", L"tlh", kLanguageRightToLeft, kvxtest::Widen(flag).c_str(), &id, 0),
              DATABASE_OK);
    LanguageRecord added = FindById(db->GetLanguages(0), id);
    ASSERT_EQ(added.id, id);
    EXPECT_EQ(Text(added.name), L"Klingon");
    EXPECT_EQ(Text(added.code), L"tlh");
    EXPECT_EQ(added.rightToLeft, 1);
    EXPECT_EQ(added.picture, png);

    // A name that differs only in case is the same language.
    EXPECT_EQ(db->AddLanguage(L"KLINGON", L"", 0, nullptr, nullptr, 0), DATABASE_EXISTS);
    EXPECT_EQ(db->AddLanguage(L"", L"", 0, nullptr, nullptr, 0), DATABASE_INVALID_ARGUMENT);
    EXPECT_EQ(db->AddLanguage(L"Elvish", L"", 0, kvxtest::Widen(notPng).c_str(), nullptr, 0),
              DATABASE_INVALID_ARGUMENT);

    LanguageRecord changed = added;
    changed.name = L"Klingonese";
    changed.code = L"kl";
    changed.rightToLeft = 0;
    ASSERT_EQ(db->UpdateLanguage(changed, nullptr), DATABASE_OK);
    LanguageRecord updated = FindById(db->GetLanguages(0), id);
    ASSERT_EQ(updated.id, id);
    EXPECT_EQ(Text(updated.name), L"Klingonese");
    EXPECT_EQ(updated.rightToLeft, 0);
    EXPECT_EQ(updated.picture, png);  // no new picture given: the flag stays

    changed.id = 999;
    EXPECT_EQ(db->UpdateLanguage(changed, nullptr), DATABASE_NO_ROW);
    EXPECT_EQ(db->DeleteLanguage(id), DATABASE_OK);
    EXPECT_EQ(FindById(db->GetLanguages(0), id).id, 0);
    EXPECT_EQ(db->DeleteLanguage(id), DATABASE_NO_ROW);
}

TEST_F(DataBaseTest, LanguageInUseIsNotRemoved)
{
    MakeList(L"Greek words", {{L"hello", L"γεια"}}, kEnglish, 14);
    VocabularyListRecord probe;
    probe.fromLanguage = probe.toLanguage = 14;
    EXPECT_EQ(db->FindLanguage(probe, kFindLanguageInLists), DATABASE_OK);
    probe.fromLanguage = probe.toLanguage = 5;
    EXPECT_EQ(db->FindLanguage(probe, kFindLanguageInLists), DATABASE_NO_ROW);

    EXPECT_EQ(db->DeleteLanguage(14), DATABASE_IN_USE);
    // A word of a language keeps the language even without a list.
    WordKeyRecord word;
    word.text = L"ciao";
    word.language = 5;
    ASSERT_EQ(db->AddWord(word), DATABASE_OK);
    EXPECT_EQ(db->DeleteLanguage(5), DATABASE_IN_USE);
    EXPECT_EQ(FindById(db->GetLanguages(1), 14).id, 14);
    EXPECT_EQ(FindById(db->GetLanguages(1), 5).id, 5);
    // An unused one goes.
    EXPECT_EQ(db->DeleteLanguage(6), DATABASE_OK);
}
