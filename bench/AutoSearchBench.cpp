// Search while typing on a real dictionary: the words of a FreeDict
// dictionary (bench/freedict-pairs.py makes the pairs file; the German-English
// one has about 300,000 words) in the database component, typed letter by
// letter into the auto-search field, against QCompleter over a
// QStringListModel of the same words (case-insensitive, sorted so that it
// can search by halves) in the same run.
//
//   bench_AutoSearch [--pairs=FILE] [--words=N] [benchmark options]
//
// Both pop-ups show the same eight rows at once; ours lists at most 100
// suggestions, QCompleter's list view every match, laid out as rows of one
// size (uniform item sizes) so that it never measures each match. The words
// are those whose full case folding (ours) is their simple lower case
// (Qt's), each once, so that both sides match and order them alike. Before
// anything is timed, every key's suggestions (the first 100 in
// case-insensitive order) are hashed on both sides and must agree.
//
// Each key's time runs from the key event to the suggestions painted: the
// field's own work (the database's suggestions, the filter, placing the
// pop-up) and then a synchronous paint of the pop-up. The field is emptied
// between words outside the timing. p50_us and p99_us per key are the
// counters; the goal is a p99 under 16 ms and no more than the reference's.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QStringListModel>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "FreeDictPairs.h"
#include "Quenzel/Dictionary/EditAutoSearch.h"
#include "RatioReporter.h"
#include "SameOutput.h"
#include "SqliteDataBase.h"
#include "TextFold.h"
#include "utility/TextCodec.h"
#include "utility/UnicodeCase.h"

namespace {

constexpr int kGerman = 2;
constexpr int kEnglish = 1;

std::string g_pairsFile = "freedict-deu-eng.tsv";
size_t g_typedWords = 1000;
std::vector<std::wstring> g_words;     // the distinct words of the dictionary
std::vector<std::wstring> g_typed;     // the words typed, in order
std::string g_dataFile;

// The dictionary in a fresh data file of the component.
void MakeDataFile(const std::string& folder)
{
    g_dataFile = folder + "/autosearch.pkv";
    CSqliteDataBase db(nullptr, nullptr);
    db.Open({1, 0}, Utf8ToWide(g_dataFile).c_str());
    db.Transaction(TRANSACTION_BEGIN);
    for (const std::wstring& text : g_words) {
        WordKeyRecord word;
        word.text = text.c_str();
        word.language = kGerman;
        db.AddWord(word);
    }
    db.Transaction(TRANSACTION_COMMIT);
}

void SendKey(QWidget* target, wchar_t ch)
{
    const QString text = QString::fromWCharArray(&ch, 1);
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
}

void ReportLatencies(benchmark::State& state, std::vector<double>& micros)
{
    std::sort(micros.begin(), micros.end());
    if (micros.empty())
        return;
    state.counters["keys"] = static_cast<double>(micros.size());
    state.counters["p50_us"] = micros[micros.size() / 2];
    state.counters["p99_us"] = micros[micros.size() * 99 / 100];
}

// Types every word into field, one key at a time; paint shows the
// suggestions of the key (synchronously).
template <class Paint>
void TypeWords(benchmark::State& state, QLineEdit& field, Paint paint)
{
    std::vector<double> micros;
    for (auto _ : state) {
        micros.clear();
        for (const std::wstring& word : g_typed) {
            field.clear();
            for (wchar_t ch : word) {
                auto start = std::chrono::steady_clock::now();
                SendKey(&field, ch);
                paint();
                micros.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
            }
            QApplication::processEvents();
        }
    }
    ReportLatencies(state, micros);
}

// The suggestions of a key as both sides are compared: the first 100 in
// case-insensitive order, hashed.
uint64_t HashSuggestions(const std::vector<std::wstring>& texts)
{
    std::vector<std::pair<std::wstring, const std::wstring*>> folded;
    for (const std::wstring& text : texts)
        folded.emplace_back(FoldText(text), &text);
    std::sort(folded.begin(), folded.end());
    folded.resize(std::min<size_t>(folded.size(), 100));
    COutputHash hash;
    for (const auto& entry : folded)
        hash.AddText(*entry.second);
    return hash.Value();
}

// Types every word as TypeWords does, untimed, and hashes each key's
// suggestions (suggestions() gives them), one hash a key.
template <class Suggestions>
std::vector<uint64_t> HashTyping(QLineEdit& field, Suggestions suggestions)
{
    std::vector<uint64_t> hashes;
    for (const std::wstring& word : g_typed) {
        field.clear();
        for (wchar_t ch : word) {
            SendKey(&field, ch);
            hashes.push_back(HashSuggestions(suggestions()));
        }
        QApplication::processEvents();
    }
    return hashes;
}

// The typed text of the key at index (keys counted over every word).
std::wstring TypedAt(size_t index)
{
    for (const std::wstring& word : g_typed) {
        if (index < word.size())
            return word.substr(0, index + 1);
        index -= word.size();
    }
    return {};
}

// Our field over the data file, in a window.
struct OurField {
    CSqliteDataBase db{nullptr, nullptr};
    QWidget window;
    CEditAutoSearch* field;
    OurField()
    {
        db.Open({1, 0}, Utf8ToWide(g_dataFile).c_str());
        db.SetLanguagePair({kGerman, kEnglish});
        field = new CEditAutoSearch(&window);
        field->setGeometry(10, 10, 300, 24);
        field->SetDataBase(&db);
        field->Attach(0, 1);
        window.resize(320, 300);
        window.show();
    }
    ~OurField() { field->GetPopup().HidePopup(); }
    void Paint()
    {
        CWndAutoSearch& popup = field->GetPopup();
        if (popup.isVisible())
            popup.repaint();
    }
    std::vector<std::wstring> Suggestions()
    {
        std::vector<std::wstring> texts;
        for (const CAutoSearchModel::Row& row : field->GetPopup().GetModel().GetRows())
            texts.push_back(row.text);
        return texts;
    }
};

// QCompleter over the same words, with a pop-up of eight rows of one size.
struct CompleterField {
    QStringListModel model;
    QWidget window;
    QLineEdit* field;
    QCompleter completer;
    CompleterField() : field(new QLineEdit(&window)), completer(&model)
    {
        QStringList words;
        words.reserve(static_cast<int>(g_words.size()));
        for (const std::wstring& word : g_words)
            words.append(QString::fromStdWString(word));
        words.sort(Qt::CaseInsensitive);
        model.setStringList(words);
        field->setGeometry(10, 10, 300, 24);
        completer.setCaseSensitivity(Qt::CaseInsensitive);
        completer.setModelSorting(QCompleter::CaseInsensitivelySortedModel);
        auto* popup = new QListView;
        popup->setUniformItemSizes(true);
        completer.setPopup(popup);
        completer.setMaxVisibleItems(CAutoSearchModel::kMaxVisibleRows);
        field->setCompleter(&completer);
        window.resize(320, 300);
        window.show();
    }
    ~CompleterField() { completer.popup()->hide(); }
    void Paint()
    {
        if (completer.popup()->isVisible())
            completer.popup()->repaint();
    }
    std::vector<std::wstring> Suggestions()
    {
        std::vector<std::wstring> texts;
        QAbstractItemModel* shown = completer.completionModel();
        const int rows = std::min(shown->rowCount(), 100);
        for (int row = 0; row < rows; ++row)
            texts.push_back(shown->index(row, 0).data().toString().toStdWString());
        return texts;
    }
};

void BM_TypeAutoSearch(benchmark::State& state)
{
    OurField ours;
    TypeWords(state, *ours.field, [&] { ours.Paint(); });
}

void BM_TypeQCompleter(benchmark::State& state)
{
    CompleterField reference;
    TypeWords(state, *reference.field, [&] { reference.Paint(); });
}

void CheckSameOutputs()
{
    std::vector<uint64_t> ours, reference;
    {
        OurField field;
        ours = HashTyping(*field.field, [&] { return field.Suggestions(); });
    }
    {
        CompleterField field;
        reference = HashTyping(*field.field, [&] { return field.Suggestions(); });
    }
    for (size_t key = 0; key < ours.size() && key < reference.size(); ++key)
        if (ours[key] != reference[key]) {
            std::fprintf(stderr, "the suggestions differ first after typing \"%s\"\n",
                         WideToUtf8(TypedAt(key)).c_str());
            break;
        }
    COutputHash oursAll, referenceAll;
    oursAll.Add(ours.data(), ours.size() * sizeof(uint64_t));
    referenceAll.Add(reference.data(), reference.size() * sizeof(uint64_t));
    RequireSameOutput("suggestions of every key (first 100)", oursAll.Value(), referenceAll.Value());
}

}  // namespace

BENCHMARK(BM_TypeAutoSearch)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TypeQCompleter)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg.rfind("--pairs=", 0) == 0)
            g_pairsFile = arg.substr(8);
        else if (arg.rfind("--words=", 0) == 0)
            g_typedWords = std::strtoul(arg.c_str() + 8, nullptr, 10);
        else
            rest.push_back(argv[i]);
    }
    std::set<std::wstring> seen;
    for (auto& pair : LoadFreeDictPairs(g_pairsFile)) {
        // One word per text, case ignored, as the component keeps them; only
        // words whose full folding is their simple lower case.
        std::wstring lower = pair.first;
        for (wchar_t& ch : lower)
            ch = ToLowerChar(ch);
        if (FoldText(pair.first) == lower && seen.insert(lower).second)
            g_words.push_back(std::move(pair.first));
    }
    if (g_words.empty()) {
        std::fprintf(stderr, "no pairs in %s: make them with bench/freedict-pairs.py\n", g_pairsFile.c_str());
        return 1;
    }
    std::mt19937 random(20240101);
    std::uniform_int_distribution<size_t> pick(0, g_words.size() - 1);
    for (size_t i = 0; i < g_typedWords; ++i)
        g_typed.push_back(g_words[pick(random)]);

    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int qtArgc = 1;
    QApplication app(qtArgc, argv);

    char folder[] = "/tmp/kvx-autosearch-XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    MakeDataFile(folder);
    std::printf("words: %zu, typed: %zu words\n", g_words.size(), g_typed.size());

    std::vector<char*> arguments = KVXBenchmarkArguments(static_cast<int>(rest.size()), rest.data());
    int count = static_cast<int>(arguments.size()) - 1;
    benchmark::Initialize(&count, arguments.data());
    CheckSameOutputs();
    CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("typing (all keys)", "BM_TypeAutoSearch/iterations:1", "BM_TypeQCompleter/iterations:1");
    std::printf("the per-key latencies are the p50_us and p99_us counters above\n");
    benchmark::Shutdown();
    std::string clean = std::string("rm -rf ") + folder;
    return std::system(clean.c_str()) == 0 ? 0 : 1;
}
