// The database component on real data: the pairs of a FreeDict dictionary
// (bench/freedict-pairs.py makes the file) against raw SQLite doing the same
// work on the same schema.
//
//   bench_DataBase [--pairs=FILE] [benchmark options]
//
// The pairs file defaults to freedict-deu-eng.tsv in the working folder.
// 1. Import: every pair into one list through the interface (as the list
//    editor saves: word and meaning, entry look-up, entry) against one raw
//    loop inserting the same rows in one transaction.
// 2. Suggestions: search kind 1 for every prefix of 1,000 random words, each
//    call timed alone (p50 and p99), against the same prefix query written
//    directly.
// 3. QueryWords on a list of 100,000 entries, read with ReadWord, against
//    the same join read directly.

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "FreeDictPairs.h"
#include "RatioReporter.h"
#include "SqliteConnection.h"
#include "SqliteDataBase.h"
#include "utility/TextCodec.h"

namespace {

constexpr int kEnglish = 1;
constexpr int kGerman = 2;

std::string g_pairsFile = "freedict-deu-eng.tsv";
std::vector<std::pair<std::wstring, std::wstring>> g_pairs;
std::string g_folder;

std::string FreshFile(const char* name)
{
    std::string path = g_folder + "/" + name;
    for (const char* suffix : {"", "-wal", "-shm"})
        std::remove((path + suffix).c_str());
    return path;
}

// A seeded, empty data file made by the component.
std::string SeededFile(const char* name)
{
    std::string path = FreshFile(name);
    CSqliteDataBase db(nullptr, nullptr);
    db.Open({1, 0}, Utf8ToWide(path).c_str());
    return path;
}

void ImportThroughInterface(CAbstractDataBase& db, size_t count, int64_t* listIdOut = nullptr)
{
    db.Transaction(TRANSACTION_BEGIN);
    VocabularyListRecord list;
    list.name = L"FreeDict";
    list.fromLanguage = kGerman;
    list.toLanguage = kEnglish;
    int64_t listId = db.CreateVocabularyList(list);
    for (size_t i = 0; i < count; ++i) {
        WordKeyRecord word;
        word.text = g_pairs[i].first.c_str();
        word.language = kGerman;
        MeaningRecord meaning;
        meaning.text = g_pairs[i].second.c_str();
        meaning.language = kEnglish;
        meaning.type = 1;
        db.AddMeaning(word, meaning, 0);
        WordLinkRecord link;
        link.listId = listId;
        link.wordId = word.id;
        link.meaningId = meaning.id;
        link.enteredDate = link.statusDate = L"2024-01-01";
        if (db.UpdateListEntry(link, kListEntryLookUp) == DATABASE_NO_ROW)
            db.AddListEntry(link, 0);
    }
    db.Transaction(TRANSACTION_COMMIT);
    if (listIdOut)
        *listIdOut = listId;
}

void Exec(sqlite3* db, const char* sql)
{
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        std::fprintf(stderr, "%s: %s\n", sql, sqlite3_errmsg(db));
}

sqlite3_stmt* Prepare(sqlite3* db, const char* sql)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK)
        std::fprintf(stderr, "%s: %s\n", sql, sqlite3_errmsg(db));
    return statement;
}

void BindText(sqlite3_stmt* statement, int index, const std::wstring& text)
{
    std::string utf8 = WideToUtf8(text);
    sqlite3_bind_text(statement, index, utf8.data(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
}

int64_t StepId(sqlite3_stmt* statement)
{
    int64_t id = sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int64(statement, 0) : 0;
    sqlite3_reset(statement);
    return id;
}

// The same rows as the interface import, written with plain statements.
void ImportRaw(const std::string& path, size_t count)
{
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    Exec(db, "PRAGMA foreign_keys = ON; PRAGMA synchronous = FULL; BEGIN IMMEDIATE");
    Exec(db, "INSERT INTO vocab_list(name, fold, from_language, to_language) VALUES ('FreeDict', 'freedict', 2, 1)");
    int64_t listId = sqlite3_last_insert_rowid(db);
    sqlite3_stmt* insertWord =
        Prepare(db, "INSERT INTO word(language_id, text, fold) VALUES (2, ?1, ?2) ON CONFLICT DO NOTHING");
    sqlite3_stmt* findWord = Prepare(db, "SELECT id FROM word WHERE language_id = 2 AND fold = ?1");
    sqlite3_stmt* findMeaning =
        Prepare(db, "SELECT id FROM meaning WHERE word_id = ?1 AND language_id = 1 AND fold = ?2");
    sqlite3_stmt* insertMeaning =
        Prepare(db, "INSERT INTO meaning(word_id, language_id, text, fold, type_id) VALUES (?1, 1, ?2, ?3, 1)");
    sqlite3_stmt* insertEntry = Prepare(db,
                                        "INSERT INTO list_entry(list_id, word_id, meaning_id, date_entered, date_status)"
                                        " VALUES (?1, ?2, ?3, '2024-01-01', '2024-01-01') ON CONFLICT DO NOTHING");
    for (size_t i = 0; i < count; ++i) {
        std::wstring wordFold = FoldText(g_pairs[i].first), meaningFold = FoldText(g_pairs[i].second);
        BindText(insertWord, 1, g_pairs[i].first);
        BindText(insertWord, 2, wordFold);
        sqlite3_step(insertWord);
        sqlite3_reset(insertWord);
        BindText(findWord, 1, wordFold);
        int64_t wordId = StepId(findWord);
        sqlite3_bind_int64(findMeaning, 1, wordId);
        BindText(findMeaning, 2, meaningFold);
        int64_t meaningId = StepId(findMeaning);
        if (!meaningId) {
            sqlite3_bind_int64(insertMeaning, 1, wordId);
            BindText(insertMeaning, 2, g_pairs[i].second);
            BindText(insertMeaning, 3, meaningFold);
            sqlite3_step(insertMeaning);
            sqlite3_reset(insertMeaning);
            meaningId = sqlite3_last_insert_rowid(db);
        }
        sqlite3_bind_int64(insertEntry, 1, listId);
        sqlite3_bind_int64(insertEntry, 2, wordId);
        sqlite3_bind_int64(insertEntry, 3, meaningId);
        sqlite3_step(insertEntry);
        sqlite3_reset(insertEntry);
    }
    Exec(db, "COMMIT");
    for (sqlite3_stmt* statement : {insertWord, findWord, findMeaning, insertMeaning, insertEntry})
        sqlite3_finalize(statement);
    sqlite3_close(db);
}

void BM_ImportInterface(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        std::string path = SeededFile("import-interface.pkv");
        CSqliteDataBase db(nullptr, nullptr);
        db.Open({1, 0}, Utf8ToWide(path).c_str());
        state.ResumeTiming();
        ImportThroughInterface(db, g_pairs.size());
    }
    state.counters["pairs"] = static_cast<double>(g_pairs.size());
}

void BM_ImportRawSqlite(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        std::string path = SeededFile("import-raw.pkv");
        state.ResumeTiming();
        ImportRaw(path, g_pairs.size());
    }
    state.counters["pairs"] = static_cast<double>(g_pairs.size());
}

// The dictionary for the searches, imported once.
std::string SearchFile()
{
    static std::string path;
    if (path.empty()) {
        path = SeededFile("search.pkv");
        ImportRaw(path, g_pairs.size());
    }
    return path;
}

// Every prefix of 1,000 random words of the dictionary.
std::vector<std::wstring> Prefixes()
{
    std::mt19937 random(20240101);
    std::uniform_int_distribution<size_t> pick(0, g_pairs.size() - 1);
    std::vector<std::wstring> prefixes;
    for (int i = 0; i < 1000; ++i) {
        const std::wstring& word = g_pairs[pick(random)].first;
        for (size_t length = 1; length <= word.size(); ++length)
            prefixes.push_back(word.substr(0, length));
    }
    return prefixes;
}

void ReportLatencies(benchmark::State& state, std::vector<double>& micros)
{
    std::sort(micros.begin(), micros.end());
    if (micros.empty())
        return;
    state.counters["calls"] = static_cast<double>(micros.size());
    state.counters["p50_us"] = micros[micros.size() / 2];
    state.counters["p99_us"] = micros[micros.size() * 99 / 100];
}

// Times call(prefix) once for every prefix, each call alone.
template <class Call>
void TimeEachPrefix(benchmark::State& state, Call call)
{
    std::vector<std::wstring> prefixes = Prefixes();
    std::vector<double> micros;
    for (auto _ : state) {
        micros.clear();
        for (const std::wstring& prefix : prefixes) {
            auto start = std::chrono::steady_clock::now();
            call(prefix);
            micros.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
        }
    }
    ReportLatencies(state, micros);
}

void BM_SearchPrefixInterface(benchmark::State& state)
{
    CSqliteDataBase db(nullptr, nullptr);
    db.Open({1, 0}, Utf8ToWide(SearchFile()).c_str());
    db.SetLanguagePair(kGerman, kEnglish);
    TimeEachPrefix(state, [&](const std::wstring& prefix) {
        CAbstractRecordSet* set = db.Search(prefix.c_str(), SEARCH_FIRST_LANGUAGE_PREFIX, 0, 0);
        int64_t id = 0;
        CBasicString text;
        for (; set && !set->IsEOF(); set->MoveNext()) {
            set->GetInt64(0, id);
            set->GetText(1, text);
        }
        db.ReleaseRecordSet(set);
    });
}

void BM_SearchPrefixRawSqlite(benchmark::State& state)
{
    sqlite3* db = nullptr;
    sqlite3_open(SearchFile().c_str(), &db);
    sqlite3_stmt* search = Prepare(db,
                                   "SELECT id, text FROM word WHERE language_id = ?1 AND fold >= ?2 AND fold < ?3"
                                   " ORDER BY fold LIMIT 100");
    TimeEachPrefix(state, [&](const std::wstring& prefix) {
        std::wstring fold = FoldText(prefix);
        sqlite3_bind_int(search, 1, kGerman);
        BindText(search, 2, fold);
        BindText(search, 3, PrefixUpperBound(fold));
        std::vector<std::pair<int64_t, std::wstring>> rows;
        while (sqlite3_step(search) == SQLITE_ROW)
            rows.emplace_back(sqlite3_column_int64(search, 0),
                              Utf8ToWide(reinterpret_cast<const char*>(sqlite3_column_text(search, 1))));
        sqlite3_reset(search);
    });
    sqlite3_finalize(search);
    sqlite3_close(db);
}

// A list of 100,000 entries, made once.
std::string ListFile(int64_t& listId)
{
    static std::string path;
    static int64_t id = 0;
    if (path.empty()) {
        path = SeededFile("list.pkv");
        CSqliteDataBase db(nullptr, nullptr);
        db.Open({1, 0}, Utf8ToWide(path).c_str());
        ImportThroughInterface(db, std::min<size_t>(g_pairs.size(), 100000), &id);
    }
    listId = id;
    return path;
}

void BM_QueryWordsInterface(benchmark::State& state)
{
    int64_t listId = 0;
    std::string path = ListFile(listId);
    CSqliteDataBase db(nullptr, nullptr);
    db.Open({1, 0}, Utf8ToWide(path).c_str());
    CQueryOptions options;
    options.AllWords = 1;
    options.ListIds = {listId};
    int64_t rows = 0;
    for (auto _ : state) {
        rows = 0;
        CAbstractRecordSet* set = db.QueryWords(options);
        WordRecord word;
        for (; set && !set->IsEOF(); set->MoveNext())
            rows += db.ReadWord(set, word) == DATABASE_OK;
        db.ReleaseRecordSet(set);
    }
    state.counters["rows"] = static_cast<double>(rows);
}

void BM_QueryWordsRawSqlite(benchmark::State& state)
{
    int64_t listId = 0;
    sqlite3* db = nullptr;
    sqlite3_open(ListFile(listId).c_str(), &db);
    sqlite3_stmt* read = Prepare(db,
                                 "SELECT e.id, e.list_id, e.word_id, e.meaning_id, w.language_id, e.status, w.text, m.text,"
                                 " e.date_status, m.type_id FROM list_entry e JOIN word w ON w.id = e.word_id"
                                 " JOIN meaning m ON m.id = e.meaning_id WHERE e.list_id = ?1 ORDER BY e.id");
    int64_t rows = 0;
    for (auto _ : state) {
        rows = 0;
        std::vector<WordRecord> words;
        sqlite3_bind_int64(read, 1, listId);
        while (sqlite3_step(read) == SQLITE_ROW) {
            WordRecord word;
            word.linkId = sqlite3_column_int64(read, 0);
            word.listId = sqlite3_column_int64(read, 1);
            word.wordId = sqlite3_column_int64(read, 2);
            word.meaningId = sqlite3_column_int64(read, 3);
            word.languageId = sqlite3_column_int(read, 4);
            word.statusCount = sqlite3_column_int(read, 5);
            word.wordText = Utf8ToWide(reinterpret_cast<const char*>(sqlite3_column_text(read, 6))).c_str();
            word.meaningText = Utf8ToWide(reinterpret_cast<const char*>(sqlite3_column_text(read, 7))).c_str();
            word.dateText = Utf8ToWide(reinterpret_cast<const char*>(sqlite3_column_text(read, 8))).c_str();
            word.typeId = sqlite3_column_int(read, 9);
            words.push_back(std::move(word));
            ++rows;
        }
        sqlite3_reset(read);
    }
    state.counters["rows"] = static_cast<double>(rows);
    sqlite3_finalize(read);
    sqlite3_close(db);
}

}  // namespace

BENCHMARK(BM_ImportInterface)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportRawSqlite)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchPrefixInterface)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchPrefixRawSqlite)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QueryWordsInterface)->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QueryWordsRawSqlite)->Iterations(10)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg.rfind("--pairs=", 0) == 0)
            g_pairsFile = arg.substr(8);
        else
            rest.push_back(argv[i]);
    }
    g_pairs = LoadFreeDictPairs(g_pairsFile);
    if (g_pairs.empty()) {
        std::fprintf(stderr, "no pairs in %s: make them with bench/freedict-pairs.py\n", g_pairsFile.c_str());
        return 1;
    }
    char folder[] = "/tmp/kvx-dbbench-XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    g_folder = folder;
    int count = static_cast<int>(rest.size());
    benchmark::Initialize(&count, rest.data());
    CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("import", "BM_ImportInterface/iterations:1", "BM_ImportRawSqlite/iterations:1");
    reporter.PrintRatio("query words", "BM_QueryWordsInterface/iterations:10", "BM_QueryWordsRawSqlite/iterations:10");
    std::printf("pairs: %zu; the search latencies are the p50_us and p99_us counters above\n", g_pairs.size());
    std::string clean = "rm -rf " + g_folder;
    return std::system(clean.c_str()) == 0 ? 0 : 1;
}
