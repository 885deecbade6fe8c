// The dictionary: words, meanings, relations, acronyms, meaning types,
// pronunciations and pictures, as the word editor and the list editor
// store them.

#include <sqlite3.h>

#include "DataBaseFixture.h"

using namespace dbtest;

namespace {

WordKeyRecord Word(const wchar_t* text, int language = kEnglish, int64_t id = 0)
{
    WordKeyRecord word;
    word.id = id;
    word.text = text;
    word.language = language;
    return word;
}

MeaningRecord Meaning(const wchar_t* text, int language = kGerman, int type = 1)
{
    MeaningRecord meaning;
    meaning.text = text;
    meaning.language = language;
    meaning.type = type;
    return meaning;
}

}  // namespace

TEST_F(DataBaseTest, EqualWordsAreOneWordWhateverTheirCase)
{
    int64_t next = 0;
    ASSERT_EQ(db->GetNextId(NEXT_ID_WORD, next), DATABASE_OK);
    EXPECT_EQ(next, 1);
    // The reserved id is taken while it is free.
    WordKeyRecord upper = Word(L"Über", kGerman, next);
    ASSERT_EQ(db->AddWord(upper), DATABASE_OK);
    EXPECT_EQ(upper.id, next);
    WordKeyRecord lower = Word(L"über", kGerman, next + 1);
    ASSERT_EQ(db->AddWord(lower), DATABASE_OK);
    EXPECT_EQ(lower.id, upper.id);
    // The same text in another language is another word.
    WordKeyRecord english = Word(L"über", kEnglish);
    ASSERT_EQ(db->AddWord(english), DATABASE_OK);
    EXPECT_NE(english.id, upper.id);
    // A reserved id that another word holds meanwhile is not taken over.
    WordKeyRecord stolen = Word(L"Straße", kGerman, upper.id);
    ASSERT_EQ(db->AddWord(stolen), DATABASE_OK);
    EXPECT_NE(stolen.id, upper.id);
    ASSERT_EQ(db->GetNextId(NEXT_ID_WORD, next), DATABASE_OK);
    EXPECT_EQ(next, stolen.id + 1);

    struct Refused {
        WordKeyRecord word;
        int expected;
    } refused[] = {
        {Word(L""), DATABASE_INVALID_ARGUMENT},
        {Word(L"x", 0), DATABASE_INVALID_ARGUMENT},
        {Word(L"x", 4711), DATABASE_NO_ROW},  // no such language
    };
    for (Refused& r : refused)
        EXPECT_EQ(db->AddWord(r.word), r.expected) << Text(r.word.text);
    EXPECT_EQ(db->GetNextId(3, next), DATABASE_INVALID_ARGUMENT);
}

TEST_F(DataBaseTest, MeaningsAreStoredWithTheirWordAndReused)
{
    int64_t wordId = 0, meaningId = 0;
    ASSERT_EQ(db->GetNextId(NEXT_ID_WORD, wordId), DATABASE_OK);
    ASSERT_EQ(db->GetNextId(NEXT_ID_MEANING, meaningId), DATABASE_OK);
    WordKeyRecord word = Word(L"house", kEnglish, wordId);
    MeaningRecord meaning = Meaning(L"Haus");
    meaning.id = meaningId;
    ASSERT_EQ(db->AddMeaning(word, meaning, 0), DATABASE_OK);
    EXPECT_EQ(word.id, wordId);
    EXPECT_EQ(meaning.id, meaningId);
    EXPECT_EQ(meaning.wordId, wordId);

    // The same pair again (other case) comes back with the stored ids;
    // the reserved ids stay unused.
    WordKeyRecord again = Word(L"HOUSE", kEnglish, wordId + 1);
    MeaningRecord againMeaning = Meaning(L"haus", kGerman, 3);
    againMeaning.id = meaningId + 1;
    ASSERT_EQ(db->AddMeaning(again, againMeaning, 0), DATABASE_OK);
    EXPECT_EQ(again.id, wordId);
    EXPECT_EQ(againMeaning.id, meaningId);

    // With the word stored first (the word editor), flag 1 uses its id.
    WordKeyRecord editor = Word(L"house");
    ASSERT_EQ(db->AddWord(editor), DATABASE_OK);
    MeaningRecord building = Meaning(L"Gebäude");
    ASSERT_EQ(db->AddMeaning(editor, building, 1), DATABASE_OK);
    EXPECT_EQ(building.wordId, wordId);

    db->SetLanguagePair({kEnglish, kGerman});
    auto rows = Rows(*db, db->QueryMeanings(editor, kQueryAllOfWord));
    std::vector<std::vector<std::wstring>> expected = {
        {std::to_wstring(meaningId), L"Haus", std::to_wstring(wordId), L"2", L"3"},
        {std::to_wstring(building.id), L"Gebäude", std::to_wstring(wordId), L"2", L"1"}};
    EXPECT_EQ(rows, expected);
    // Meanings of another language are not the pair's.
    db->SetLanguagePair({kEnglish, 3});
    EXPECT_TRUE(Rows(*db, db->QueryMeanings(editor, kQueryAllOfWord)).empty());

    // A meaning that fails leaves its word unstored too.
    WordKeyRecord lonely = Word(L"lonely");
    MeaningRecord bad = Meaning(L"einsam", 4711);
    EXPECT_EQ(db->AddMeaning(lonely, bad, 0), DATABASE_NO_ROW);
    auto exists = Rows(*db, db->Search(L"lonely", SEARCH_TEXT_EXISTS, 0, 0));
    ASSERT_EQ(exists.size(), 1u);
    EXPECT_EQ(exists[0][0], L"0");
}

TEST_F(DataBaseTest, WordsAndMeaningsAreChanged)
{
    WordKeyRecord word = Word(L"colour");
    MeaningRecord meaning = Meaning(L"Farbe");
    ASSERT_EQ(db->AddMeaning(word, meaning, 0), DATABASE_OK);
    WordKeyRecord other = Word(L"color");
    ASSERT_EQ(db->AddWord(other), DATABASE_OK);

    WordKeyRecord renamed = word;
    renamed.text = L"COLOR";
    EXPECT_EQ(db->UpdateWord(renamed), DATABASE_EXISTS);
    renamed.text = L"hue";
    EXPECT_EQ(db->UpdateWord(renamed), DATABASE_OK);
    renamed.id = 999;
    EXPECT_EQ(db->UpdateWord(renamed), DATABASE_NO_ROW);

    // The list editor moves a meaning to another word.
    MeaningRecord moved = meaning;
    moved.wordId = other.id;
    moved.text = L"Farbton";
    ASSERT_EQ(db->UpdateMeaning(moved), DATABASE_OK);
    db->SetLanguagePair({kEnglish, kGerman});
    auto rows = Rows(*db, db->QueryMeanings(other, kQueryAllOfWord));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][1], L"Farbton");
    EXPECT_TRUE(Rows(*db, db->QueryMeanings(word, kQueryAllOfWord)).empty());
    moved.wordId = 4711;
    EXPECT_EQ(db->UpdateMeaning(moved), DATABASE_NO_ROW);
    moved.id = 4711;
    moved.wordId = 0;
    EXPECT_EQ(db->UpdateMeaning(moved), DATABASE_NO_ROW);
}

TEST_F(DataBaseTest, MeaningIsDeletedWithItsSoundsUnlessAListUsesIt)
{
    WordKeyRecord word = Word(L"bank");
    MeaningRecord shore = Meaning(L"Ufer");
    MeaningRecord money = Meaning(L"Bank");
    ASSERT_EQ(db->AddMeaning(word, shore, 0), DATABASE_OK);
    ASSERT_EQ(db->AddMeaning(word, money, 1), DATABASE_OK);
    // A sound of the meaning, and one of the word with the same owner id:
    // only the meaning's goes.
    PronunciationRecord meaningSound;
    meaningSound.ownerId = shore.id;
    meaningSound.side = kPronunciationMeaning;
    meaningSound.sound = {1, 2, 3};
    ASSERT_EQ(db->SavePronunciation(meaningSound, nullptr), DATABASE_OK);
    PronunciationRecord wordSound = meaningSound;
    wordSound.id = 0;
    wordSound.side = kPronunciationWord;
    ASSERT_EQ(db->SavePronunciation(wordSound, nullptr), DATABASE_OK);

    ASSERT_EQ(db->DeleteMeaning(shore.id), DATABASE_OK);
    db->SetLanguagePair({kEnglish, kGerman});
    auto rows = Rows(*db, db->QueryMeanings(word, kQueryAllOfWord));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][1], L"Bank");
    EXPECT_TRUE(Rows(*db, db->QueryPronunciations(shore.id, kPronunciationMeaning)).empty());
    EXPECT_EQ(Rows(*db, db->QueryPronunciations(shore.id, kPronunciationWord)).size(), 1u);
    EXPECT_EQ(db->DeleteMeaning(shore.id), DATABASE_NO_ROW);
    EXPECT_EQ(db->DeleteMeaning(0), DATABASE_INVALID_ARGUMENT);

    // A meaning that a vocabulary list holds stays.
    int64_t listId = MakeList(L"Trees", {{L"oak", L"Eiche"}});
    WordKeyRecord oak = Word(L"oak");
    ASSERT_EQ(db->AddWord(oak), DATABASE_OK);
    auto listed = Rows(*db, db->QueryMeanings(oak, kQueryAllOfWord));
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(db->DeleteMeaning(std::stoll(listed[0][0])), DATABASE_IN_USE);
    EXPECT_EQ(Rows(*db, db->QueryMeanings(oak, kQueryAllOfWord)).size(), 1u);
    EXPECT_EQ(Words(listId).size(), 1u);
}

TEST_F(DataBaseTest, SynonymsAntonymsAndAcronymsBelongToBothWords)
{
    WordKeyRecord big = Word(L"big");
    ASSERT_EQ(db->AddWord(big), DATABASE_OK);

    RelationRecord synonym;
    synonym.word = big;
    synonym.related = Word(L"large");
    ASSERT_EQ(db->AddSynonym(synonym, 0), DATABASE_OK);
    EXPECT_GT(synonym.id, 0);
    EXPECT_GT(synonym.related.id, 0);
    RelationRecord antonym;
    antonym.word = big;
    antonym.related = Word(L"small");
    ASSERT_EQ(db->AddAntonym(antonym, 0), DATABASE_OK);
    // The same relation seen from the other word is the one stored.
    RelationRecord reverse;
    reverse.word = synonym.related;
    reverse.related = big;
    ASSERT_EQ(db->AddSynonym(reverse, 0), DATABASE_OK);
    EXPECT_EQ(reverse.id, synonym.id);

    auto id = [](int64_t value) { return std::to_wstring(value); };
    using Table = std::vector<std::vector<std::wstring>>;
    EXPECT_EQ(Rows(*db, db->QuerySynonyms(big, 1)), (Table{{id(synonym.id), id(big.id), id(synonym.related.id), L"large", L"1"}}));
    EXPECT_EQ(Rows(*db, db->QuerySynonyms(synonym.related, 1)),
              (Table{{id(synonym.id), id(synonym.related.id), id(big.id), L"big", L"1"}}));
    EXPECT_EQ(Rows(*db, db->QueryAntonyms(big, 1)), (Table{{id(antonym.id), id(big.id), id(antonym.related.id), L"small", L"1"}}));

    // Editing the related text points the relation at that word.
    synonym.related.text = L"huge";
    ASSERT_EQ(db->UpdateSynonym(synonym), DATABASE_OK);
    EXPECT_EQ(Rows(*db, db->QuerySynonyms(big, 1))[0][3], L"huge");
    auto large = Rows(*db, db->Search(L"large", SEARCH_TEXT_EXISTS, 0, 0));
    EXPECT_EQ(large[0][0], L"1");  // the old word stays in the dictionary

    RelationRecord self;
    self.word = big;
    self.related = Word(L"BIG");
    EXPECT_EQ(db->AddSynonym(self, 0), DATABASE_INVALID_ARGUMENT);
    EXPECT_EQ(db->DeleteSynonym(antonym.id), DATABASE_NO_ROW);  // an antonym is not a synonym
    EXPECT_EQ(db->DeleteAntonym(antonym.id), DATABASE_OK);
    EXPECT_TRUE(Rows(*db, db->QueryAntonyms(big, 1)).empty());
    EXPECT_EQ(db->DeleteSynonym(synonym.id), DATABASE_OK);

    AcronymRecord acronym;
    acronym.text = L"BIG";
    acronym.secondText = L"BIG";
    acronym.word = big;
    ASSERT_EQ(db->AddAcronym(acronym, 0), DATABASE_OK);
    acronym.text = L"B.I.G.";
    acronym.secondText = L"b.i.g.";
    ASSERT_EQ(db->UpdateAcronym(acronym), DATABASE_OK);
    EXPECT_EQ(Rows(*db, db->QueryAcronyms(big, 1)), (Table{{id(acronym.id), L"B.I.G.", L"b.i.g."}}));
    EXPECT_EQ(db->DeleteAcronym(acronym.id), DATABASE_OK);
    EXPECT_EQ(db->DeleteAcronym(acronym.id), DATABASE_NO_ROW);
}

TEST_F(DataBaseTest, MeanTypesAreAddedAndChanged)
{
    MeanTypeRecord adverb;
    adverb.name = L"Adverb";
    adverb.value = L"adv.";
    ASSERT_EQ(db->AddMeanType(adverb), DATABASE_OK);
    EXPECT_EQ(adverb.id, 5);
    adverb.value = L"ad.";
    EXPECT_EQ(db->UpdateMeanType(adverb), DATABASE_OK);
    EXPECT_EQ(Rows(*db, db->QueryMeanTypes()).back(), (std::vector<std::wstring>{L"5", L"Adverb", L"ad."}));
    adverb.id = 77;
    EXPECT_EQ(db->UpdateMeanType(adverb), DATABASE_NO_ROW);
    MeanTypeRecord unnamed;
    EXPECT_EQ(db->AddMeanType(unnamed), DATABASE_INVALID_ARGUMENT);
}

TEST_F(DataBaseTest, PronunciationsRoundTripByteExact)
{
    std::string sound;
    for (int i = 0; i < 4096; ++i)
        sound.push_back(static_cast<char>(i * 31 % 256));  // every byte value, zeros included
    std::string file = folder.WriteFile("word.mp3", sound);

    PronunciationRecord fromFile;
    fromFile.ownerId = 42;
    fromFile.side = kPronunciationWord;
    fromFile.isNew = 1;
    ASSERT_EQ(db->SavePronunciation(fromFile, kvxtest::Widen(file).c_str()), DATABASE_OK);
    EXPECT_EQ(fromFile.number, 1);
    PronunciationRecord fromBytes;
    fromBytes.ownerId = 42;
    fromBytes.side = kPronunciationWord;
    fromBytes.sound = {0, 1, 0, 255};
    ASSERT_EQ(db->SavePronunciation(fromBytes, nullptr), DATABASE_OK);
    EXPECT_EQ(fromBytes.number, 2);
    PronunciationRecord meaningSide = fromBytes;
    meaningSide.id = 0;
    meaningSide.side = kPronunciationMeaning;
    ASSERT_EQ(db->SavePronunciation(meaningSide, nullptr), DATABASE_OK);

    CAbstractRecordSet* set = db->QueryPronunciations(42, kPronunciationWord);
    ASSERT_NE(set, nullptr);
    ASSERT_EQ(set->GetCount(), 2);
    DWORD size = 0;
    ASSERT_EQ(set->GetBlob(2, nullptr, size), DATABASE_OK);
    ASSERT_EQ(size, sound.size());
    std::vector<BYTE> buffer(size);
    DWORD small = 10;
    EXPECT_EQ(set->GetBlob(2, buffer.data(), small), DATABASE_BUFFER_TOO_SMALL);
    EXPECT_EQ(small, size);
    ASSERT_EQ(set->GetBlob(2, buffer.data(), size), DATABASE_OK);
    EXPECT_EQ(std::string(buffer.begin(), buffer.end()), sound);
    int number = 0, side = -1;
    int64_t owner = 0;
    EXPECT_EQ(set->GetInt64(1, owner), DATABASE_OK);
    EXPECT_EQ(set->GetInt(3, number), DATABASE_OK);
    EXPECT_EQ(set->GetInt(4, side), DATABASE_OK);
    EXPECT_EQ(owner, 42);
    EXPECT_EQ(number, 1);
    EXPECT_EQ(side, kPronunciationWord);
    db->ReleaseRecordSet(set);

    EXPECT_EQ(db->DeletePronunciation(fromFile.id), DATABASE_OK);
    EXPECT_EQ(db->DeletePronunciation(0), DATABASE_NO_ROW);
    EXPECT_EQ(Rows(*db, db->QueryPronunciations(42, kPronunciationWord)).size(), 1u);
    EXPECT_EQ(Rows(*db, db->QueryPronunciations(42, kPronunciationMeaning)).size(), 1u);

    PronunciationRecord missing;
    missing.ownerId = 42;
    EXPECT_EQ(db->SavePronunciation(missing, folder.WSub("none.mp3").c_str()), DATABASE_INVALID_ARGUMENT);
    EXPECT_EQ(db->SavePronunciation(missing, nullptr), DATABASE_INVALID_ARGUMENT);
}

TEST_F(DataBaseTest, WordPictureIsReadFromTheFile)
{
    WordKeyRecord picture = Word(L"cat.png", kPictureLanguageId);
    ASSERT_EQ(db->AddWord(picture), DATABASE_OK);
    PictureRecord read;
    EXPECT_EQ(db->GetWordPicture(picture.id, read), DATABASE_NO_ROW);
    // Pictures arrive with the synchronisation; here they are put in directly.
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(kvxtest::Narrow(path).c_str(), &raw), SQLITE_OK);
    std::string sql = "INSERT INTO picture(word_id, bytes) VALUES (" + std::to_string(picture.id) + ", x'00FF10')";
    ASSERT_EQ(sqlite3_exec(raw, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(raw);
    ASSERT_EQ(db->GetWordPicture(picture.id, read), DATABASE_OK);
    EXPECT_EQ(read.bytes, (std::vector<BYTE>{0x00, 0xFF, 0x10}));
}

TEST_F(DataBaseTest, RecordSetReadsTellTheirFailures)
{
    CAbstractRecordSet* set = db->QueryMeanTypes();
    ASSERT_NE(set, nullptr);
    int number = 0;
    int64_t wide = 0;
    CBasicString text;
    DWORD size = 0;
    EXPECT_EQ(set->GetInt(0, number), DATABASE_OK);
    EXPECT_EQ(set->GetText(1, text), DATABASE_OK);
    EXPECT_EQ(set->GetInt(1, number), DATABASE_WRONG_TYPE);
    EXPECT_EQ(set->GetText(0, text), DATABASE_WRONG_TYPE);
    EXPECT_EQ(set->GetBlob(1, nullptr, size), DATABASE_WRONG_TYPE);
    EXPECT_EQ(set->GetInt64(3, wide), DATABASE_INVALID_ARGUMENT);
    EXPECT_EQ(set->GetInt64(-1, wide), DATABASE_INVALID_ARGUMENT);
    while (!set->IsEOF())
        EXPECT_EQ(set->MoveNext(), DATABASE_OK);
    EXPECT_EQ(set->MoveNext(), DATABASE_NO_ROW);
    EXPECT_EQ(set->GetInt64(0, wide), DATABASE_NO_ROW);
    // A set that is not a word set is refused by ReadWord.
    WordRecord word;
    EXPECT_EQ(db->ReadWord(set, word), DATABASE_INVALID_ARGUMENT);
    EXPECT_EQ(db->ReadWord(nullptr, word), DATABASE_INVALID_ARGUMENT);
    db->ReleaseRecordSet(set);
    db->ReleaseRecordSet(nullptr);
}
