// Vocabulary lists and their entries, in the sequences in which the list
// editor, the learning view, the quiz, the word list box and the tutor page
// call the component.

#include "DataBaseClock.h"
#include "DataBaseFixture.h"

using namespace dbtest;

namespace {

using Table = std::vector<std::vector<std::wstring>>;

std::vector<std::wstring> Texts(const std::vector<WordRecord>& words)
{
    std::vector<std::wstring> texts;
    for (const WordRecord& word : words)
        texts.push_back(Text(word.wordText));
    return texts;
}

}  // namespace

TEST_F(DataBaseTest, ListEditorSaveIsReadBackByTheTutor)
{
    int64_t listId = MakeList(L"Animals", {{L"dog", L"Hund"}, {L"cat", L"Katze"}, {L"Dog", L"hund"}});
    VocabularyListRecord readOnly;
    readOnly.name = L"Shipped";
    readOnly.fromLanguage = kEnglish;
    readOnly.toLanguage = kGerman;
    readOnly.editable = 0;
    readOnly.secondText = L"2024-02-02";
    int64_t shippedId = db->CreateVocabularyList(readOnly);
    ASSERT_GT(shippedId, 0);

    // The equal third pair is one entry: the count comes from the entries.
    Table expected = {{std::to_wstring(listId), L"Animals", L"1", L"2", L"2", L"1", L""},
                      {std::to_wstring(shippedId), L"Shipped", L"1", L"2", L"0", L"0", L"2024-02-02"}};
    EXPECT_EQ(Rows(*db, db->QueryVocabularyLists(LIST_QUERY_ALL, L"")), expected);
    EXPECT_EQ(Rows(*db, db->QueryVocabularyLists(LIST_QUERY_EDITABLE, nullptr)), Table{expected[0]});
    EXPECT_EQ(Rows(*db, db->QueryVocabularyLists(LIST_QUERY_ALL, L"ANIMALS")), Table{expected[0]});
    EXPECT_EQ(db->QueryVocabularyLists(3, L""), nullptr);

    std::vector<WordRecord> words = Words(listId);
    ASSERT_EQ(words.size(), 2u);
    EXPECT_EQ(Text(words[0].wordText), L"dog");
    EXPECT_EQ(Text(words[0].meaningText), L"Hund");
    EXPECT_EQ(words[0].listId, listId);
    EXPECT_EQ(words[0].languageId, kEnglish);
    EXPECT_EQ(words[0].statusCount, 0);
    EXPECT_EQ(words[0].typeId, 1);
    EXPECT_EQ(Text(words[0].dateText), L"2024-01-10");
    EXPECT_GT(words[0].linkId, 0);

    // The list editor renames the list; the word count it sends is ignored.
    VocabularyListRecord renamed;
    renamed.id = listId;
    renamed.name = L"Pets";
    renamed.fromLanguage = kEnglish;
    renamed.toLanguage = kGerman;
    renamed.wordCount = 99;
    ASSERT_EQ(db->UpdateVocabularyList(renamed), DATABASE_OK);
    auto rows = Rows(*db, db->QueryVocabularyLists(LIST_QUERY_ALL, L"pets"));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][4], L"2");
    renamed.id = 999;
    EXPECT_EQ(db->UpdateVocabularyList(renamed), DATABASE_NO_ROW);
    VocabularyListRecord unnamed;
    EXPECT_EQ(db->CreateVocabularyList(unnamed), 0);
    unnamed.name = L"no languages";
    EXPECT_EQ(db->CreateVocabularyList(unnamed), 0);
}

TEST_F(DataBaseTest, ImportedListExportsInTheListsLanguageOrder)
{
    // An import stores the file's second column as the word (in the
    // meanings' language) and the first as its meaning.
    VocabularyListRecord list;
    list.name = L"Imported";
    list.fromLanguage = kEnglish;
    list.toLanguage = kGerman;
    int64_t listId = db->CreateVocabularyList(list);
    WordKeyRecord word;
    word.text = L"Baum";
    word.language = kGerman;
    MeaningRecord meaning;
    meaning.text = L"tree";
    meaning.language = kEnglish;
    ASSERT_EQ(db->AddMeaning(word, meaning, 0), DATABASE_OK);
    WordLinkRecord link;
    link.listId = listId;
    link.wordId = word.id;
    link.meaningId = meaning.id;
    ASSERT_EQ(db->AddListEntry(link, 0), DATABASE_OK);
    MakeList(L"Plain", {{L"leaf", L"Blatt"}});
    int64_t plainId = listId + 1;

    EXPECT_EQ(Rows(*db, db->QueryListPairs(listId)), (Table{{L"tree", L"Baum"}}));
    EXPECT_EQ(Rows(*db, db->QueryListPairs(plainId)), (Table{{L"leaf", L"Blatt"}}));
    EXPECT_TRUE(Rows(*db, db->QueryListPairs(4711)).empty());
    // The word record tells the side's language, so the program can turn it.
    std::vector<WordRecord> words = Words(listId);
    ASSERT_EQ(words.size(), 1u);
    EXPECT_EQ(words[0].languageId, kGerman);
    EXPECT_EQ(Text(words[0].wordText), L"Baum");
}

TEST_F(DataBaseTest, AddingExistingEntriesLooksThemUpWithoutChangingThem)
{
    int64_t listId = MakeList(L"Colours", {{L"red", L"rot"}});
    std::vector<WordRecord> words = Words(listId);
    ASSERT_EQ(words.size(), 1u);
    WordLinkRecord answer;
    answer.linkId = words[0].linkId;
    answer.statusCount = 3;
    answer.statusDate = L"2024-03-01";
    ASSERT_EQ(db->SaveWordLink(answer, 0), DATABASE_OK);

    // The word list box's "Add to": a link with status 0 is looked up first.
    WordLinkRecord again;
    again.listId = listId;
    again.wordId = words[0].wordId;
    again.meaningId = words[0].meaningId;
    again.statusCount = 0;
    again.enteredDate = again.statusDate = L"2024-05-05";
    ASSERT_EQ(db->UpdateListEntry(again, kListEntryLookUp), DATABASE_OK);
    EXPECT_EQ(again.linkId, words[0].linkId);
    EXPECT_EQ(again.statusCount, 3);
    EXPECT_EQ(db->AddListEntry(again, 0), DATABASE_EXISTS);
    words = Words(listId);
    EXPECT_EQ(words[0].statusCount, 3);
    EXPECT_EQ(Text(words[0].dateText), L"2024-03-01");

    // Another list does not hold it yet.
    int64_t otherId = MakeList(L"Other", {});
    WordLinkRecord other = again;
    other.linkId = 0;
    other.listId = otherId;
    EXPECT_EQ(db->UpdateListEntry(other, kListEntryLookUp), DATABASE_NO_ROW);
    ASSERT_EQ(db->AddListEntry(other, 0), DATABASE_OK);
    EXPECT_NE(other.linkId, again.linkId);

    WordLinkRecord broken = other;
    broken.listId = 4711;
    EXPECT_EQ(db->AddListEntry(broken, 0), DATABASE_NO_ROW);
    broken.listId = otherId;
    broken.meaningId = 4711;
    EXPECT_EQ(db->AddListEntry(broken, 0), DATABASE_NO_ROW);
}

TEST_F(DataBaseTest, QuizAnswersAndRemovalsAreStored)
{
    SetTodayForTests(2024, 6, 15);
    int64_t listId = MakeList(L"Quiz", {{L"one", L"eins"}, {L"two", L"zwei"}});
    std::vector<WordRecord> words = Words(listId);
    ASSERT_EQ(words.size(), 2u);

    // Known six times: the count stops at 5; only the status date moves.
    for (int answer = 1; answer <= 6; ++answer) {
        WordLinkRecord link;
        link.linkId = words[0].linkId;
        link.listId = listId;
        link.wordId = words[0].wordId;
        link.meaningId = words[0].meaningId;
        link.statusCount = std::min(answer, 5) + (answer == 6 ? 1 : 0);
        link.statusDate = (L"2024-06-1" + std::to_wstring(answer % 10)).c_str();
        ASSERT_EQ(db->SaveWordLink(link, 0), DATABASE_OK);
    }
    CQueryOptions entered;
    entered.Status = QUERY_STATUS_ENTERED;
    entered.PeriodKind = QUERY_PERIOD_BETWEEN;
    entered.StartDate.SetDate(2024, 1, 10);
    entered.EndDate.SetDate(2024, 1, 10);
    entered.ListIds = {listId};
    EXPECT_EQ(Words(entered).size(), 2u);  // the date entered stays
    words = Words(listId);
    EXPECT_EQ(words[0].statusCount, 5);
    EXPECT_EQ(Text(words[0].dateText), L"2024-06-16");

    WordLinkRecord unknownLink;
    unknownLink.linkId = 4711;
    EXPECT_EQ(db->SaveWordLink(unknownLink, 0), DATABASE_NO_ROW);
    EXPECT_EQ(db->SetWordStatus(0, words[0].linkId, WORD_STATUS_SET), DATABASE_OK);
    EXPECT_EQ(Words(listId)[0].statusCount, 0);
    EXPECT_EQ(Text(Words(listId)[0].dateText), L"2024-06-15");

    // The learning view's Remove, then its save.
    ASSERT_EQ(db->Transaction(TRANSACTION_BEGIN), DATABASE_OK);
    EXPECT_EQ(db->SetWordStatus(0, words[1].linkId, WORD_STATUS_REMOVE), DATABASE_OK);
    EXPECT_EQ(db->SetWordStatus(0, words[1].linkId, WORD_STATUS_REMOVE), DATABASE_NO_ROW);
    ASSERT_EQ(db->Transaction(TRANSACTION_COMMIT), DATABASE_OK);
    EXPECT_EQ(Texts(Words(listId)), (std::vector<std::wstring>{L"one"}));
    EXPECT_EQ(db->SetWordStatus(0, words[0].linkId, 7), DATABASE_INVALID_ARGUMENT);
    SetTodayForTests(0, 0, 0);
}

TEST_F(DataBaseTest, QueryWordsAppliesStatusAndPeriod)
{
    SetTodayForTests(2024, 6, 15);
    int64_t first = MakeList(L"First", {{L"a", L"A"}, {L"b", L"B"}, {L"c", L"C"}, {L"d", L"D"}});
    int64_t second = MakeList(L"Second", {{L"e", L"E"}});
    // Entered and answered dates and counts per word.
    struct Entry {
        const wchar_t* entered;
        const wchar_t* answered;
        int count;
    } entries[] = {{L"2024-06-15", L"2024-06-15", 0},
                   {L"2024-05-20", L"2024-06-14", 2},
                   {L"2024-03-01", L"2024-04-01", 5},
                   {L"2023-12-31", L"2024-06-10", 0},
                   {L"2024-06-01", L"2024-06-01", 1}};
    std::vector<WordRecord> all = Words(first);
    for (WordRecord& word : Words(second))
        all.push_back(word);
    ASSERT_EQ(all.size(), 5u);
    for (size_t i = 0; i < all.size(); ++i) {
        // Re-enter each word with its dates, then answer it.
        ASSERT_EQ(db->SetWordStatus(0, all[i].linkId, WORD_STATUS_REMOVE), DATABASE_OK);
        WordLinkRecord link;
        link.listId = all[i].listId;
        link.wordId = all[i].wordId;
        link.meaningId = all[i].meaningId;
        link.statusCount = entries[i].count;
        link.enteredDate = entries[i].entered;
        link.statusDate = entries[i].answered;
        ASSERT_EQ(db->AddListEntry(link, 0), DATABASE_OK);
    }

    auto options = [&](int all, int status, int period) {
        CQueryOptions o;
        o.AllWords = all;
        o.Status = status;
        o.PeriodKind = period;
        o.ListIds = {second, first, second};
        return o;
    };
    struct Case {
        const char* name;
        CQueryOptions options;
        std::vector<std::wstring> words;
    };
    CQueryOptions between = options(0, QUERY_STATUS_ENTERED, QUERY_PERIOD_BETWEEN);
    between.StartDate.SetDate(2024, 6, 1);  // given the wrong way round
    between.EndDate.SetDate(2024, 3, 1);
    CQueryOptions months = options(0, QUERY_STATUS_ENTERED, QUERY_PERIOD_MONTHS);
    months.Months = 1;
    CQueryOptions days = options(0, QUERY_STATUS_ACCESSED, QUERY_PERIOD_DAYS);
    days.Days = 5;
    CQueryOptions today = options(0, QUERY_STATUS_ACCESSED, QUERY_PERIOD_DAYS);
    CQueryOptions allWords = options(1, QUERY_STATUS_MEMORIZED, 99);  // status and period unread
    Case cases[] = {
        {"all words, lists in the order chosen", allWords, {L"e", L"a", L"b", L"c", L"d"}},
        {"memorized", options(0, QUERY_STATUS_MEMORIZED, 0), {L"e", L"b", L"c"}},
        {"not memorized", options(0, QUERY_STATUS_NOT_MEMORIZED, 0), {L"a", L"d"}},
        {"entered between two dates", between, {L"e", L"b", L"c"}},
        {"entered in the previous month", months, {L"e", L"a", L"b"}},
        {"answered in the previous 5 days", days, {L"a", L"b", L"d"}},
        {"answered today", today, {L"a"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Texts(Words(c.options)), c.words) << c.name;

    EXPECT_EQ(db->QueryWords(options(0, 9, 0)), nullptr);
    EXPECT_EQ(db->QueryWords(options(0, QUERY_STATUS_ENTERED, 7)), nullptr);
    SetTodayForTests(0, 0, 0);
}

TEST_F(DataBaseTest, StatisticsCountByMemory)
{
    int64_t german = MakeList(L"German", {{L"a", L"A"}, {L"b", L"B"}, {L"c", L"C"}});
    int64_t french = MakeList(L"French", {{L"x", L"X"}, {L"y", L"Y"}}, kEnglish, 3);
    std::vector<WordRecord> words = Words(german);
    int counts[] = {5, 2, 0};
    for (size_t i = 0; i < words.size(); ++i)
        ASSERT_EQ(db->SetWordStatus(counts[i], words[i].linkId, WORD_STATUS_SET), DATABASE_OK);
    ASSERT_EQ(db->SetWordStatus(4, Words(french)[0].linkId, WORD_STATUS_SET), DATABASE_OK);

    struct Case {
        int selector, mode;
        int64_t listId;
        int64_t expected[4];  // words, long term, short term, unknown
    } cases[] = {
        {kGerman, kStatisticsAllLists, 0, {3, 1, 1, 1}},
        {kEnglish, kStatisticsAllLists, 0, {5, 1, 2, 2}},
        {3, kStatisticsAllLists, 0, {2, 0, 1, 1}},
        {0, kStatisticsAllLists, 0, {5, 1, 2, 2}},
        {4, kStatisticsAllLists, 0, {0, 0, 0, 0}},
        {0, kStatisticsOneList, german, {3, 1, 1, 1}},
        {0, kStatisticsOneList, french, {2, 0, 1, 1}},
    };
    for (const Case& c : cases) {
        StatisticsRecord record;
        record.selector = c.selector;
        record.mode = c.mode;
        record.listId = c.listId;
        ASSERT_EQ(db->GetStatistics(record), DATABASE_OK);
        int64_t got[4] = {record.wordCount, record.longTerm, record.shortTerm, record.unknown};
        EXPECT_TRUE(std::equal(got, got + 4, c.expected)) << c.selector << "/" << c.mode << ": " << got[0] << " "
                                                           << got[1] << " " << got[2] << " " << got[3];
    }
    StatisticsRecord missing;
    missing.mode = kStatisticsOneList;
    missing.listId = 4711;
    EXPECT_EQ(db->GetStatistics(missing), DATABASE_NO_ROW);
}

TEST_F(DataBaseTest, DeletingListsKeepsTheDictionary)
{
    int64_t one = MakeList(L"One", {{L"sun", L"Sonne"}});
    int64_t two = MakeList(L"Two", {{L"moon", L"Mond"}});
    MakeList(L"Three", {{L"star", L"Stern"}});
    ASSERT_EQ(db->DeleteVocabularyList(one, 0), DATABASE_OK);
    EXPECT_EQ(db->DeleteVocabularyList(one, 0), DATABASE_NO_ROW);
    EXPECT_TRUE(Words(one).empty());
    EXPECT_EQ(Rows(*db, db->QueryVocabularyLists(LIST_QUERY_ALL, L"")).size(), 2u);
    // The tutor page deletes every list with the first id and "all" set.
    ASSERT_EQ(db->DeleteVocabularyList(two, 1), DATABASE_OK);
    EXPECT_TRUE(Rows(*db, db->QueryVocabularyLists(LIST_QUERY_ALL, L"")).empty());
    auto sun = Rows(*db, db->Search(L"SUN", SEARCH_TEXT_EXISTS, 0, 0));
    EXPECT_EQ(sun[0][0], L"1");
}

TEST_F(DataBaseTest, TransactionBelongsToItsThread)
{
    EXPECT_EQ(db->Transaction(TRANSACTION_COMMIT), DATABASE_INVALID_ARGUMENT);
    EXPECT_EQ(db->Transaction(5), DATABASE_INVALID_ARGUMENT);
    ASSERT_EQ(db->Transaction(TRANSACTION_BEGIN), DATABASE_OK);
    // A second begin keeps the open transaction.
    ASSERT_EQ(db->Transaction(TRANSACTION_BEGIN), DATABASE_OK);
    VocabularyListRecord list;
    list.name = L"Pending";
    list.fromLanguage = kEnglish;
    list.toLanguage = kGerman;
    ASSERT_GT(db->CreateVocabularyList(list), 0);
    // A failed step inside it undoes only itself.
    WordLinkRecord bad;
    bad.listId = list.id;
    bad.wordId = 4711;
    bad.meaningId = 4711;
    EXPECT_EQ(db->AddListEntry(bad, 0), DATABASE_NO_ROW);

    size_t seenElsewhere = 99;
    std::thread reader([&] { seenElsewhere = Rows(*db, db->QueryVocabularyLists(LIST_QUERY_ALL, L"")).size(); });
    reader.join();
    EXPECT_EQ(seenElsewhere, 0u);
    EXPECT_EQ(Rows(*db, db->QueryVocabularyLists(LIST_QUERY_ALL, L"")).size(), 1u);  // its own thread sees it
    ASSERT_EQ(db->Transaction(TRANSACTION_COMMIT), DATABASE_OK);
    std::thread after([&] { seenElsewhere = Rows(*db, db->QueryVocabularyLists(LIST_QUERY_ALL, L"")).size(); });
    after.join();
    EXPECT_EQ(seenElsewhere, 1u);
}

TEST_F(DataBaseTest, PluginListIsKept)
{
    std::vector<PluginEntry> plugins(2);
    plugins[0].fileName = L"pluginA.so";
    plugins[0].enabled = 1;
    plugins[1].fileName = L"pluginB.so";
    ASSERT_EQ(db->SetPlugins(plugins), DATABASE_OK);
    std::vector<PluginEntry> read = db->GetPlugins();
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(Text(read[0].fileName), L"pluginA.so");
    EXPECT_EQ(read[0].enabled, 1);
    EXPECT_EQ(read[1].enabled, 0);
}
