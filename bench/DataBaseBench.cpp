// The database component on real data: the pairs of a FreeDict dictionary
// (bench/freedict-pairs.py makes the file) against raw SQLite doing the same
// work on the same schema, with the same connection settings (page cache and
// memory map sized to the file alike).
//
//   bench_DataBase [--pairs=FILE] [--second=FILE] [--import-pairs=N]
//                  [benchmark options]
//
// The pairs file defaults to freedict-deu-eng.tsv in the working folder, the
// second dictionary (German words too, for the search prefixes) to
// freedict-deu-fra.tsv; --import-pairs imports only the first N pairs.
// Before anything is timed, both sides' results are hashed and must agree.
// 1. Import: every pair into one list through the interface (as the list
//    editor saves: word and meaning, entry look-up, entry) against a raw
//    loop running the same look-ups and inserts in one transaction.
// 2. Suggestions: search kind 1 in data files of 10,000 and 400,000 words
//    for 1-6 letter prefixes, typed in mixed case, of words drawn from both
//    dictionaries, each call timed alone (p50 and p99 by the wall clock,
//    p99_cpu_us by the thread's CPU clock, which a loaded machine disturbs
//    far less), against the same prefix query written directly.
// 3. QueryWords on a list of 100,000 entries, read with ReadWord, against
//    the same join read directly.

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "FreeDictPairs.h"
#include "RatioReporter.h"
#include "SameOutput.h"
#include "SqliteConnection.h"
#include "SqliteDataBase.h"
#include "utility/TextCodec.h"
#include "utility/UnicodeCase.h"

namespace {

constexpr int kEnglish = 1;
constexpr int kGerman = 2;
constexpr int kSmallSearch = 10000;
constexpr int kLargeSearch = 400000;

std::string g_pairsFile = "freedict-deu-eng.tsv";
std::string g_secondFile = "freedict-deu-fra.tsv";
size_t g_importPairs = 0;  // 0: all
std::vector<std::pair<std::wstring, std::wstring>> g_pairs;
std::vector<std::wstring> g_secondWords;  // the German words of the second dictionary
std::string g_folder;

size_t ImportCount()
{
    return g_importPairs ? std::min(g_importPairs, g_pairs.size()) : g_pairs.size();
}

std::string FreshFile(const std::string& name)
{
    std::string path = g_folder + "/" + name;
    for (const char* suffix : {"", "-wal", "-shm"})
        std::remove((path + suffix).c_str());
    return path;
}

// A seeded, empty data file made by the component.
std::string SeededFile(const std::string& name)
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

// A raw connection with the component's settings.
sqlite3* OpenRaw(const std::string& path)
{
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    Exec(db, ConnectionSettings(path).c_str());
    return db;
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

void StepDone(sqlite3_stmt* statement)
{
    sqlite3_step(statement);
    sqlite3_reset(statement);
}

// The same rows as the interface import, written with plain statements: the
// same look-ups and inserts, in one transaction.
void ImportRaw(const std::string& path, size_t count)
{
    sqlite3* db = OpenRaw(path);
    Exec(db, "BEGIN IMMEDIATE");
    Exec(db, "INSERT INTO vocab_list(name, fold, from_language, to_language) VALUES ('FreeDict', 'freedict', 2, 1)");
    int64_t listId = sqlite3_last_insert_rowid(db);
    sqlite3_stmt* findWord = Prepare(db, "SELECT id FROM word WHERE language_id = 2 AND fold = ?1");
    sqlite3_stmt* insertWord = Prepare(db, "INSERT INTO word(language_id, text, fold) VALUES (2, ?1, ?2)");
    sqlite3_stmt* findMeaning =
        Prepare(db, "SELECT id FROM meaning WHERE word_id = ?1 AND language_id = 1 AND fold = ?2 ORDER BY id LIMIT 1");
    sqlite3_stmt* retype = Prepare(db, "UPDATE meaning SET type_id = 1 WHERE id = ?1 AND type_id <> 1");
    sqlite3_stmt* insertMeaning =
        Prepare(db, "INSERT INTO meaning(word_id, language_id, text, fold, type_id) VALUES (?1, 1, ?2, ?3, 1)");
    sqlite3_stmt* findEntry =
        Prepare(db, "SELECT id FROM list_entry WHERE list_id = ?1 AND word_id = ?2 AND meaning_id = ?3");
    sqlite3_stmt* insertEntry = Prepare(db,
                                        "INSERT INTO list_entry(list_id, word_id, meaning_id, status, date_entered,"
                                        " date_status) VALUES (?1, ?2, ?3, 0, ?4, ?5)");
    const std::wstring date = L"2024-01-01";
    for (size_t i = 0; i < count; ++i) {
        std::wstring wordFold = FoldText(g_pairs[i].first);
        BindText(findWord, 1, wordFold);
        int64_t wordId = StepId(findWord);
        if (!wordId) {
            BindText(insertWord, 1, g_pairs[i].first);
            BindText(insertWord, 2, wordFold);
            StepDone(insertWord);
            wordId = sqlite3_last_insert_rowid(db);
        }
        std::wstring meaningFold = FoldText(g_pairs[i].second);
        sqlite3_bind_int64(findMeaning, 1, wordId);
        BindText(findMeaning, 2, meaningFold);
        int64_t meaningId = StepId(findMeaning);
        if (meaningId) {
            sqlite3_bind_int64(retype, 1, meaningId);
            StepDone(retype);
        } else {
            sqlite3_bind_int64(insertMeaning, 1, wordId);
            BindText(insertMeaning, 2, g_pairs[i].second);
            BindText(insertMeaning, 3, meaningFold);
            StepDone(insertMeaning);
            meaningId = sqlite3_last_insert_rowid(db);
        }
        for (sqlite3_stmt* entry : {findEntry, insertEntry}) {
            sqlite3_bind_int64(entry, 1, listId);
            sqlite3_bind_int64(entry, 2, wordId);
            sqlite3_bind_int64(entry, 3, meaningId);
        }
        if (!StepId(findEntry)) {
            BindText(insertEntry, 4, date);
            BindText(insertEntry, 5, date);
            StepDone(insertEntry);
        }
    }
    Exec(db, "COMMIT");
    for (sqlite3_stmt* statement :
         {findWord, insertWord, findMeaning, retype, insertMeaning, findEntry, insertEntry})
        sqlite3_finalize(statement);
    sqlite3_close(db);
}

// The hash of every row of a query (integers and texts as they are stored).
uint64_t HashRows(const std::string& path, const char* sql)
{
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_stmt* read = Prepare(db, sql);
    COutputHash hash;
    while (sqlite3_step(read) == SQLITE_ROW)
        for (int column = 0; column < sqlite3_column_count(read); ++column) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(read, column));
            hash.AddText(std::string(text ? text : ""));
        }
    sqlite3_finalize(read);
    sqlite3_close(db);
    return hash.Value();
}

// What an import leaves: the words, the meanings and the list's entries.
uint64_t HashImport(const std::string& path)
{
    COutputHash hash;
    for (const char* sql : {"SELECT id, language_id, text, fold FROM word ORDER BY id",
                            "SELECT id, word_id, language_id, text, fold, type_id FROM meaning ORDER BY id",
                            "SELECT id, list_id, word_id, meaning_id, status, date_entered, date_status"
                            " FROM list_entry ORDER BY id"}) {
        uint64_t part = HashRows(path, sql);
        hash.Add(&part, sizeof part);
    }
    return hash.Value();
}

void BM_ImportInterface(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        std::string path = SeededFile("import-interface.pkv");
        CSqliteDataBase db(nullptr, nullptr);
        db.Open({1, 0}, Utf8ToWide(path).c_str());
        state.ResumeTiming();
        ImportThroughInterface(db, ImportCount());
    }
    state.counters["pairs"] = static_cast<double>(ImportCount());
}

void BM_ImportRawSqlite(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        std::string path = SeededFile("import-raw.pkv");
        state.ResumeTiming();
        ImportRaw(path, ImportCount());
    }
    state.counters["pairs"] = static_cast<double>(ImportCount());
}

// A data file of count German words for the searches, made once per size:
// the dictionary's words in a shuffled order, then (when the dictionary has
// fewer) its meanings, stored as words of the same language.
std::string SearchFile(int count)
{
    std::string path = g_folder + "/search-" + std::to_string(count) + ".pkv";
    if (access(path.c_str(), F_OK) == 0)
        return path;
    SeededFile("search-" + std::to_string(count) + ".pkv");
    std::vector<const std::wstring*> texts;
    for (const auto& pair : g_pairs)
        texts.push_back(&pair.first);
    std::shuffle(texts.begin(), texts.end(), std::mt19937(20240101));
    for (const auto& pair : g_pairs)
        texts.push_back(&pair.second);
    sqlite3* db = OpenRaw(path);
    Exec(db, "BEGIN IMMEDIATE");
    sqlite3_stmt* insert =
        Prepare(db, "INSERT INTO word(language_id, text, fold) VALUES (2, ?1, ?2) ON CONFLICT DO NOTHING");
    int stored = 0;
    for (size_t i = 0; i < texts.size() && stored < count; ++i) {
        BindText(insert, 1, *texts[i]);
        BindText(insert, 2, FoldText(*texts[i]));
        StepDone(insert);
        stored += sqlite3_changes(db);
    }
    Exec(db, "COMMIT");
    sqlite3_finalize(insert);
    sqlite3_close(db);
    if (stored < count)
        std::fprintf(stderr, "the dictionary gave %d of %d words for the search\n", stored, count);
    return path;
}

// 1-6 letter prefixes, as a user types them (each prefix of a word up to six
// letters), of 1,000 words drawn from the dictionary and the second one in
// turn, in mixed case: each letter as the dictionary has it, in upper case
// or in lower case.
std::vector<std::wstring> Prefixes()
{
    std::mt19937 random(20240101);
    std::uniform_int_distribution<size_t> pickFirst(0, g_pairs.size() - 1);
    std::uniform_int_distribution<size_t> pickSecond(0, g_secondWords.empty() ? 0 : g_secondWords.size() - 1);
    std::uniform_int_distribution<int> pickCase(0, 2);
    std::vector<std::wstring> prefixes;
    for (int i = 0; i < 1000; ++i) {
        std::wstring word = i % 2 == 0 || g_secondWords.empty() ? g_pairs[pickFirst(random)].first
                                                                : g_secondWords[pickSecond(random)];
        for (wchar_t& ch : word) {
            int kind = pickCase(random);
            ch = kind == 1 ? ToUpperChar(ch) : kind == 2 ? ToLowerChar(ch) : ch;
        }
        for (size_t length = 1; length <= std::min<size_t>(6, word.size()); ++length)
            prefixes.push_back(word.substr(0, length));
    }
    return prefixes;
}

double ThreadCpuMicros()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

double Percentile(std::vector<double>& values, int percent)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() * static_cast<size_t>(percent) / 100];
}

// Times search(prefix) once for every prefix, each call alone.
template <class Search>
void TimeEachPrefix(benchmark::State& state, Search& search)
{
    std::vector<std::wstring> prefixes = Prefixes();
    std::vector<double> wall, cpu;
    for (auto _ : state) {
        wall.clear();
        cpu.clear();
        for (const std::wstring& prefix : prefixes) {
            double cpuStart = ThreadCpuMicros();
            auto start = std::chrono::steady_clock::now();
            benchmark::DoNotOptimize(search(prefix));
            wall.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
            cpu.push_back(ThreadCpuMicros() - cpuStart);
        }
    }
    state.counters["calls"] = static_cast<double>(wall.size());
    state.counters["p50_us"] = Percentile(wall, 50);
    state.counters["p99_us"] = Percentile(wall, 99);
    state.counters["p99_cpu_us"] = Percentile(cpu, 99);
}

// The suggestions of one prefix: (id, text) rows.
using Suggestions = std::vector<std::pair<int64_t, std::wstring>>;

// The suggestions through the interface, as its callers keep them.
struct InterfaceSearch {
    CSqliteDataBase db{nullptr, nullptr};
    std::vector<std::pair<int64_t, CBasicString>> rows;
    explicit InterfaceSearch(int words)
    {
        db.Open({1, 0}, Utf8ToWide(SearchFile(words)).c_str());
        db.SetLanguagePair({kGerman, kEnglish});
    }
    size_t operator()(const std::wstring& prefix)
    {
        rows.clear();
        CAbstractRecordSet* set = db.Search(prefix.c_str(), SEARCH_FIRST_LANGUAGE_PREFIX, 0, 0);
        int64_t id = 0;
        CBasicString text;
        for (; set && !set->IsEOF(); set->MoveNext()) {
            set->GetInt64(0, id);
            set->GetText(1, text);
            rows.emplace_back(id, text);
        }
        db.ReleaseRecordSet(set);
        return rows.size();
    }
};

// The same suggestions with the prefix query written directly.
struct RawSearch {
    sqlite3* db;
    sqlite3_stmt* search;
    Suggestions rows;
    explicit RawSearch(int words)
        : db(OpenRaw(SearchFile(words))),
          search(Prepare(db,
                         "SELECT id, text FROM word WHERE language_id = ?1 AND fold >= ?2 AND fold < ?3"
                         " ORDER BY fold LIMIT 100"))
    {
    }
    ~RawSearch()
    {
        sqlite3_finalize(search);
        sqlite3_close(db);
    }
    size_t operator()(const std::wstring& prefix)
    {
        rows.clear();
        std::wstring fold = FoldText(prefix);
        sqlite3_bind_int(search, 1, kGerman);
        BindText(search, 2, fold);
        BindText(search, 3, PrefixUpperBound(fold));
        while (sqlite3_step(search) == SQLITE_ROW)
            rows.emplace_back(sqlite3_column_int64(search, 0),
                              Utf8ToWide(reinterpret_cast<const char*>(sqlite3_column_text(search, 1))));
        sqlite3_reset(search);
        return rows.size();
    }
};

const std::wstring& AsWide(const std::wstring& text)
{
    return text;
}

std::wstring AsWide(const CBasicString& text)
{
    return std::wstring(text.GetString(), static_cast<size_t>(text.GetLength()));
}

// The hash of every prefix's suggestions.
template <class Search>
uint64_t HashSearches(Search& search)
{
    COutputHash hash;
    for (const std::wstring& prefix : Prefixes()) {
        search(prefix);
        for (const auto& [id, text] : search.rows) {
            hash.Add(&id, sizeof id);
            hash.AddText(AsWide(text));
        }
        const char end = 0;
        hash.Add(&end, 1);
    }
    return hash.Value();
}

void BM_SearchPrefixInterface(benchmark::State& state)
{
    InterfaceSearch search(static_cast<int>(state.range(0)));
    TimeEachPrefix(state, search);
}

void BM_SearchPrefixRawSqlite(benchmark::State& state)
{
    RawSearch search(static_cast<int>(state.range(0)));
    TimeEachPrefix(state, search);
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

void AddWordRecord(COutputHash& hash, const WordRecord& word)
{
    for (int64_t number : {word.linkId, word.listId, word.wordId, word.meaningId, int64_t{word.languageId},
                           int64_t{word.statusCount}, int64_t{word.typeId}})
        hash.Add(&number, sizeof number);
    for (const CBasicString* text : {&word.wordText, &word.meaningText, &word.dateText})
        hash.AddText(std::wstring(text->GetString(), static_cast<size_t>(text->GetLength())));
}

uint64_t HashWords(const std::vector<WordRecord>& words)
{
    COutputHash hash;
    for (const WordRecord& word : words)
        AddWordRecord(hash, word);
    return hash.Value();
}

std::vector<WordRecord> QueryWordsInterface(CSqliteDataBase& db, int64_t listId)
{
    CQueryOptions options;
    options.AllWords = 1;
    options.ListIds = {listId};
    CAbstractRecordSet* set = db.QueryWords(options);
    std::vector<WordRecord> words;
    for (; set && !set->IsEOF(); set->MoveNext()) {
        WordRecord word;
        if (db.ReadWord(set, word) == DATABASE_OK)
            words.push_back(std::move(word));
    }
    db.ReleaseRecordSet(set);
    return words;
}

std::vector<WordRecord> QueryWordsRaw(sqlite3_stmt* read, int64_t listId)
{
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
    }
    sqlite3_reset(read);
    return words;
}

const char* const kQueryWordsSql =
    "SELECT e.id, e.list_id, e.word_id, e.meaning_id, w.language_id, e.status, w.text, m.text,"
    " e.date_status, m.type_id FROM list_entry e JOIN word w ON w.id = e.word_id"
    " JOIN meaning m ON m.id = e.meaning_id WHERE e.list_id = ?1 ORDER BY e.id";

void BM_QueryWordsInterface(benchmark::State& state)
{
    int64_t listId = 0;
    std::string path = ListFile(listId);
    CSqliteDataBase db(nullptr, nullptr);
    db.Open({1, 0}, Utf8ToWide(path).c_str());
    for (auto _ : state)
        benchmark::DoNotOptimize(QueryWordsInterface(db, listId).size());
}

void BM_QueryWordsRawSqlite(benchmark::State& state)
{
    int64_t listId = 0;
    sqlite3* db = OpenRaw(ListFile(listId));
    sqlite3_stmt* read = Prepare(db, kQueryWordsSql);
    for (auto _ : state)
        benchmark::DoNotOptimize(QueryWordsRaw(read, listId).size());
    sqlite3_finalize(read);
    sqlite3_close(db);
}

// Both sides of every comparison give the same rows.
void CheckSameOutputs()
{
    std::string ours = SeededFile("import-interface.pkv"), reference = SeededFile("import-raw.pkv");
    {
        CSqliteDataBase db(nullptr, nullptr);
        db.Open({1, 0}, Utf8ToWide(ours).c_str());
        ImportThroughInterface(db, ImportCount());
    }
    ImportRaw(reference, ImportCount());
    RequireSameOutput("import (words, meanings, entries)", HashImport(ours), HashImport(reference));
    for (int words : {kSmallSearch, kLargeSearch}) {
        InterfaceSearch interfaceSearch(words);
        RawSearch rawSearch(words);
        std::string what = "suggestions in " + std::to_string(words) + " words";
        RequireSameOutput(what.c_str(), HashSearches(interfaceSearch), HashSearches(rawSearch));
    }
    int64_t listId = 0;
    std::string list = ListFile(listId);
    CSqliteDataBase db(nullptr, nullptr);
    db.Open({1, 0}, Utf8ToWide(list).c_str());
    sqlite3* raw = OpenRaw(list);
    sqlite3_stmt* read = Prepare(raw, kQueryWordsSql);
    RequireSameOutput("query words", HashWords(QueryWordsInterface(db, listId)), HashWords(QueryWordsRaw(read, listId)));
    sqlite3_finalize(read);
    sqlite3_close(raw);
}

}  // namespace

BENCHMARK(BM_ImportInterface)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportRawSqlite)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchPrefixInterface)->Arg(kSmallSearch)->Arg(kLargeSearch)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchPrefixRawSqlite)->Arg(kSmallSearch)->Arg(kLargeSearch)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QueryWordsInterface)->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QueryWordsRawSqlite)->Iterations(10)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg.rfind("--pairs=", 0) == 0)
            g_pairsFile = arg.substr(8);
        else if (arg.rfind("--second=", 0) == 0)
            g_secondFile = arg.substr(9);
        else if (arg.rfind("--import-pairs=", 0) == 0)
            g_importPairs = std::strtoul(arg.c_str() + 15, nullptr, 10);
        else
            rest.push_back(argv[i]);
    }
    g_pairs = LoadFreeDictPairs(g_pairsFile);
    if (g_pairs.empty()) {
        std::fprintf(stderr, "no pairs in %s: make them with bench/freedict-pairs.py\n", g_pairsFile.c_str());
        return 1;
    }
    std::set<std::wstring> seen;
    for (auto& pair : LoadFreeDictPairs(g_secondFile))
        if (seen.insert(pair.first).second)
            g_secondWords.push_back(std::move(pair.first));
    if (g_secondWords.empty())
        std::fprintf(stderr, "no pairs in %s: the prefixes come from the first dictionary alone\n",
                     g_secondFile.c_str());
    char folder[] = "/tmp/kvx-dbbench-XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    g_folder = folder;
    std::vector<char*> arguments = KVXBenchmarkArguments(static_cast<int>(rest.size()), rest.data());
    int count = static_cast<int>(arguments.size()) - 1;
    benchmark::Initialize(&count, arguments.data());
    CheckSameOutputs();
    CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("import", "BM_ImportInterface/iterations:1", "BM_ImportRawSqlite/iterations:1");
    for (int words : {kSmallSearch, kLargeSearch}) {
        std::string what = "suggestions in " + std::to_string(words) + " words (all prefixes)";
        std::string suffix = "/" + std::to_string(words) + "/iterations:1";
        reporter.PrintRatio(what.c_str(), "BM_SearchPrefixInterface" + suffix, "BM_SearchPrefixRawSqlite" + suffix);
    }
    reporter.PrintRatio("query words", "BM_QueryWordsInterface/iterations:10", "BM_QueryWordsRawSqlite/iterations:10");
    std::printf("pairs imported: %zu; the search latencies are the p50_us, p99_us and p99_cpu_us counters above\n",
                ImportCount());
    benchmark::Shutdown();
    std::string clean = "rm -rf " + g_folder;
    return std::system(clean.c_str()) == 0 ? 0 : 1;
}
