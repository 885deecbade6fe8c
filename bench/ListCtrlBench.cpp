// The list control with 1,000,000 rows against Qt's item model doing the
// same work: filling the list, its first paint, and a sort by a text column
// (without regard to case). The reference keeps every cell's text in a
// QStandardItemModel shown by the same kind of view (uniform row heights)
// and sorts through a QSortFilterProxyModel. Prints the time ratios, the
// display hook's calls in the first paint against the visible cells, and
// the heap bytes each list costs per row.
// Goals: fill and first paint at most 0.5 of the reference's time, sorting
// at most 1.0, the hook asked only for visible cells. The first paint on its
// own is mostly the tree view laying out each row once, which both lists
// pay alike; painting a page again shows the drawing itself.

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <stdlib.h>

#include <QApplication>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTreeView>

#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "Pendrel/Controls/BasicListCtrl.h"
#include "RatioReporter.h"
#include "utility/UnicodeCase.h"

namespace {

constexpr int kRows = 1000000;
constexpr int kWidth = 800;
constexpr int kHeight = 600;

struct Word {
    std::wstring text;
    int count;
};

// The rows' data, owned outside the lists as the programs own theirs.
const std::vector<Word>& Words() {
    static const std::vector<Word> words = [] {
        std::vector<Word> result;
        result.reserve(kRows);
        unsigned seed = 12345;
        for (int i = 0; i < kRows; ++i) {
            seed = seed * 1103515245u + 12345u;
            wchar_t text[32];
            std::swprintf(text, 32, (seed >> 8) % 2 ? L"Wort%07u" : L"wort%07u", (seed >> 4) % 10000000u);
            result.push_back(Word{text, static_cast<int>(seed % 1000)});
        }
        return result;
    }();
    return words;
}

class WordList : public CBasicListCtrl {
public:
    WordList() : CBasicListCtrl(eReport) {}
    long long hookCalls = 0;

    void InitializeSystemImageList() override {}
    BOOL AfterCreatingListCtrl() override {
        AddColumn(0, L"Word", 300);
        AddColumn(1, L"Count", 100, LVCFMT_RIGHT);
        return TRUE;
    }
    void UnTyped_DisplayListCtrlData(void* data, LVITEMW* item) override {
        ++hookCalls;
        const Word* word = static_cast<const Word*>(data);
        if (!(item->mask & LVIF_TEXT) || !item->pszText) return;
        if (item->iSubItem == 0)
            std::wcsncpy(item->pszText, word->text.c_str(), static_cast<size_t>(item->cchTextMax - 1));
        else
            std::swprintf(item->pszText, static_cast<size_t>(item->cchTextMax), L"%d", word->count);
        item->pszText[item->cchTextMax - 1] = L'\0';
    }
    int SortEntries(void* a, void* b) override {
        const int result = CompareTextNoCase(static_cast<Word*>(a)->text.c_str(), static_cast<Word*>(b)->text.c_str());
        return m_sortAscending ? result : -result;
    }
};

size_t HeapInUse() {
    return mallinfo2().uordblks;
}

std::unique_ptr<WordList> MakeList() {
    auto list = std::make_unique<WordList>();
    list->Create(LVS_REPORT, RECT{0, 0, kWidth, kHeight}, nullptr, 1);
    return list;
}

void FillList(WordList& list) {
    for (const Word& word : Words()) list.AddItem(const_cast<Word*>(&word));
}

struct Reference {
    std::unique_ptr<QTreeView> view;
    std::unique_ptr<QStandardItemModel> model;
    std::unique_ptr<QSortFilterProxyModel> proxy;
};

Reference MakeReference() {
    Reference reference;
    reference.view = std::make_unique<QTreeView>();
    reference.view->setRootIsDecorated(false);
    reference.view->setUniformRowHeights(true);
    reference.view->resize(kWidth, kHeight);
    reference.model = std::make_unique<QStandardItemModel>(0, 2);
    reference.model->setHorizontalHeaderLabels({QStringLiteral("Word"), QStringLiteral("Count")});
    reference.view->setModel(reference.model.get());
    return reference;
}

void FillReference(Reference& reference) {
    for (const Word& word : Words()) {
        QList<QStandardItem*> row;
        row.append(new QStandardItem(QString::fromWCharArray(word.text.c_str(), static_cast<qsizetype>(word.text.size()))));
        row.append(new QStandardItem(QString::number(word.count)));
        reference.model->appendRow(row);
    }
}

void Fill(benchmark::State& state) {
    (void)Words();
    for (auto _ : state) {
        state.PauseTiming();
        const size_t before = HeapInUse();
        auto list = MakeList();
        state.ResumeTiming();
        FillList(*list);
        state.PauseTiming();
        state.counters["heap_bytes_per_row"] = static_cast<double>(HeapInUse() - before) / kRows;
        list.reset();
        state.ResumeTiming();
    }
}

void FillReferenceModel(benchmark::State& state) {
    (void)Words();
    for (auto _ : state) {
        state.PauseTiming();
        const size_t before = HeapInUse();
        Reference reference = MakeReference();
        state.ResumeTiming();
        FillReference(reference);
        state.PauseTiming();
        state.counters["heap_bytes_per_row"] = static_cast<double>(HeapInUse() - before) / kRows;
        reference = Reference();
        state.ResumeTiming();
    }
}

void FirstPaint(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto list = MakeList();
        FillList(*list);
        list->show();
        list->hookCalls = 0;
        state.ResumeTiming();
        const QPixmap picture = list->grab();
        state.PauseTiming();
        benchmark::DoNotOptimize(picture.cacheKey());
        state.counters["hook_calls"] = static_cast<double>(list->hookCalls);
        state.counters["visible_cells"] =
            static_cast<double>((list->GetCountPerPage() + 1) * list->GetColumnCount());
        list.reset();
        state.ResumeTiming();
    }
}

void FirstPaintReferenceModel(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        Reference reference = MakeReference();
        FillReference(reference);
        reference.view->show();
        state.ResumeTiming();
        const QPixmap picture = reference.view->grab();
        state.PauseTiming();
        benchmark::DoNotOptimize(picture.cacheKey());
        reference = Reference();
        state.ResumeTiming();
    }
}

// What the user waits for: the rows filled and the first page shown.
void FillAndFirstPaint(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        const size_t before = HeapInUse();
        state.ResumeTiming();
        auto list = MakeList();
        FillList(*list);
        list->show();
        benchmark::DoNotOptimize(list->grab().cacheKey());
        state.PauseTiming();
        // With the view's own record of every laid-out row.
        state.counters["heap_bytes_per_row"] = static_cast<double>(HeapInUse() - before) / kRows;
        list.reset();
        state.ResumeTiming();
    }
}

void FillAndFirstPaintReferenceModel(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        const size_t before = HeapInUse();
        state.ResumeTiming();
        Reference reference = MakeReference();
        FillReference(reference);
        reference.view->show();
        benchmark::DoNotOptimize(reference.view->grab().cacheKey());
        state.PauseTiming();
        state.counters["heap_bytes_per_row"] = static_cast<double>(HeapInUse() - before) / kRows;
        reference = Reference();
        state.ResumeTiming();
    }
}

// Painting the visible page again (the rows laid out already).
void Repaint(benchmark::State& state) {
    auto list = MakeList();
    FillList(*list);
    list->show();
    (void)list->grab();
    for (auto _ : state) benchmark::DoNotOptimize(list->grab().cacheKey());
}

void RepaintReferenceModel(benchmark::State& state) {
    Reference reference = MakeReference();
    FillReference(reference);
    reference.view->show();
    (void)reference.view->grab();
    for (auto _ : state) benchmark::DoNotOptimize(reference.view->grab().cacheKey());
}

void SortByText(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto list = MakeList();
        FillList(*list);
        list->SelectItem(kRows / 2);
        state.ResumeTiming();
        list->SortArrays(0, TRUE);
        state.PauseTiming();
        list.reset();
        state.ResumeTiming();
    }
}

void SortByTextReferenceModel(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        Reference reference = MakeReference();
        FillReference(reference);
        reference.proxy = std::make_unique<QSortFilterProxyModel>();
        reference.proxy->setSortCaseSensitivity(Qt::CaseInsensitive);
        reference.proxy->setSourceModel(reference.model.get());
        reference.view->setModel(reference.proxy.get());
        reference.view->setCurrentIndex(reference.proxy->index(kRows / 2, 0));
        state.ResumeTiming();
        reference.proxy->sort(0, Qt::AscendingOrder);
        state.PauseTiming();
        reference.view.reset();
        reference = Reference();
        state.ResumeTiming();
    }
}

BENCHMARK(Fill)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(FillReferenceModel)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(FirstPaint)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(FirstPaintReferenceModel)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(FillAndFirstPaint)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(FillAndFirstPaintReferenceModel)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Repaint)->Unit(benchmark::kMillisecond);
BENCHMARK(RepaintReferenceModel)->Unit(benchmark::kMillisecond);
BENCHMARK(SortByText)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(SortByTextReferenceModel)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    std::vector<char*> arguments = KVXBenchmarkArguments(argc, argv);
    int count = static_cast<int>(arguments.size()) - 1;
    benchmark::Initialize(&count, arguments.data());
    CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("Filling 1,000,000 rows (goal <= 0.5)", "Fill/iterations:3", "FillReferenceModel/iterations:3");
    reporter.PrintRatio("Filling and first paint (goal <= 0.5)", "FillAndFirstPaint/iterations:3",
                        "FillAndFirstPaintReferenceModel/iterations:3");
    // Mostly the view laying out every row once, the same work for both.
    reporter.PrintRatio("First paint alone", "FirstPaint/iterations:5", "FirstPaintReferenceModel/iterations:5");
    reporter.PrintRatio("Painting the page again", "Repaint", "RepaintReferenceModel");
    reporter.PrintRatio("Sorting by a text column (goal <= 1.0)", "SortByText/iterations:3",
                        "SortByTextReferenceModel/iterations:3");
    benchmark::Shutdown();
    return 0;
}
