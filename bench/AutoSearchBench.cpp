// Search while typing on a real dictionary: the words of a FreeDict
// dictionary (bench/freedict-pairs.py makes the pairs file; the German-English
// one has about 300,000 words) in the database component, typed letter by
// letter into the auto-search field, against QCompleter over a
// QStringListModel of the same words (case-insensitive, sorted so that it
// can search by halves) in the same run.
//
//   bench_AutoSearch [--pairs=FILE] [--words=N] [benchmark options]
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
#include "SqliteDataBase.h"
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

void BM_TypeAutoSearch(benchmark::State& state)
{
    CSqliteDataBase db(nullptr, nullptr);
    db.Open({1, 0}, Utf8ToWide(g_dataFile).c_str());
    db.SetLanguagePair(kGerman, kEnglish);
    QWidget window;
    auto* field = new CEditAutoSearch(&window);
    field->setGeometry(10, 10, 300, 24);
    field->SetDataBase(&db);
    field->Attach(0, 1);
    window.resize(320, 300);
    window.show();
    CWndAutoSearch& popup = field->GetPopup();
    TypeWords(state, *field, [&] {
        if (popup.isVisible())
            popup.repaint();
    });
    popup.HidePopup();
}

void BM_TypeQCompleter(benchmark::State& state)
{
    QStringList words;
    words.reserve(static_cast<int>(g_words.size()));
    for (const std::wstring& word : g_words)
        words.append(QString::fromStdWString(word));
    words.sort(Qt::CaseInsensitive);
    QStringListModel model(words);
    QWidget window;
    auto* field = new QLineEdit(&window);
    field->setGeometry(10, 10, 300, 24);
    QCompleter completer(&model);
    completer.setCaseSensitivity(Qt::CaseInsensitive);
    completer.setModelSorting(QCompleter::CaseInsensitivelySortedModel);
    completer.setMaxVisibleItems(8);
    field->setCompleter(&completer);
    window.resize(320, 300);
    window.show();
    TypeWords(state, *field, [&] {
        if (completer.popup()->isVisible())
            completer.popup()->repaint();
    });
    completer.popup()->hide();
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
        // One word per text, case ignored, as the component keeps them.
        std::wstring fold = pair.first;
        for (wchar_t& ch : fold)
            ch = ToLowerChar(ch);
        if (seen.insert(fold).second)
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

    int count = static_cast<int>(rest.size());
    benchmark::Initialize(&count, rest.data());
    CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("typing (all keys)", "BM_TypeAutoSearch/iterations:1", "BM_TypeQCompleter/iterations:1");
    std::printf("the per-key latencies are the p50_us and p99_us counters above\n");
    std::string clean = std::string("rm -rf ") + folder;
    return std::system(clean.c_str()) == 0 ? 0 : 1;
}
