// The list control with 1,000,000 rows against Qt's own way of showing rows
// it does not own: a QAbstractTableModel that reads the same Word records
// through one pointer a row (no cell is copied), shown by a QTableView with
// fixed row heights and no row numbers. Both fill the list from the same
// records, paint the first page, paint it again, and sort by the word
// column ignoring case with the same comparison (CompareTextNoCase, stable,
// the selected row following its row), so the ratios are the list
// machinery's own. Before timing, both sides must show the same texts in
// their visible cells, first unsorted and then sorted, and give the same
// sorted order of all rows (hashes).
// Goals: fill, first paint and sort at most 1.0 of the reference's time;
// the display hook asked only for visible cells. Prints the time ratios,
// the hook's calls in the first paint against the visible cells, and the
// heap bytes per row of each.

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <stdlib.h>

#include <QAbstractTableModel>
#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>

#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "Pendrel/Controls/BasicListCtrl.h"
#include "RatioReporter.h"
#include "SameOutput.h"
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

// The reference: rows read in place, one pointer each, sorted by the same
// stable comparison; persistent indexes (the current row) follow their rows.
class WordTable : public QAbstractTableModel {
public:
    void SetRows(const std::vector<Word>& words) {
        beginInsertRows(QModelIndex(), 0, static_cast<int>(words.size()) - 1);
        m_rows.reserve(words.size());
        for (const Word& word : words) m_rows.push_back(&word);
        endInsertRows();
    }
    const Word* Row(int row) const { return m_rows[static_cast<size_t>(row)]; }
    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
    }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override { return parent.isValid() ? 0 : 2; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid()) return {};
        const Word* word = Row(index.row());
        if (role == Qt::DisplayRole)
            return index.column() == 0
                       ? QString::fromWCharArray(word->text.c_str(), static_cast<qsizetype>(word->text.size()))
                       : QString::number(word->count);
        if (role == Qt::TextAlignmentRole && index.column() == 1)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
        return section == 0 ? QStringLiteral("Word") : QStringLiteral("Count");
    }
    void sort(int column, Qt::SortOrder order) override {
        if (column != 0) return;
        emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
        std::vector<std::pair<const Word*, int>> rows;
        rows.reserve(m_rows.size());
        for (size_t i = 0; i < m_rows.size(); ++i) rows.emplace_back(m_rows[i], static_cast<int>(i));
        const bool ascending = order == Qt::AscendingOrder;
        std::stable_sort(rows.begin(), rows.end(), [ascending](const auto& a, const auto& b) {
            const int result = CompareTextNoCase(a.first->text.c_str(), b.first->text.c_str());
            return (ascending ? result : -result) < 0;
        });
        std::vector<int> newIndexOf(rows.size());
        for (size_t i = 0; i < rows.size(); ++i) {
            m_rows[i] = rows[i].first;
            newIndexOf[static_cast<size_t>(rows[i].second)] = static_cast<int>(i);
        }
        const QModelIndexList before = persistentIndexList();
        QModelIndexList after;
        for (const QModelIndex& old : before)
            after.append(index(newIndexOf[static_cast<size_t>(old.row())], old.column()));
        changePersistentIndexList(before, after);
        emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    }

private:
    std::vector<const Word*> m_rows;
};

struct Reference {
    std::unique_ptr<QTableView> view;
    std::unique_ptr<WordTable> model;
};

Reference MakeReference() {
    Reference reference;
    reference.view = std::make_unique<QTableView>();
    reference.view->verticalHeader()->hide();
    reference.view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    reference.view->verticalHeader()->setMinimumSectionSize(1);
    // The same row height as the list control's.
    reference.view->verticalHeader()->setDefaultSectionSize(QFontMetrics(reference.view->font()).height() + 4);
    reference.view->setSelectionBehavior(QAbstractItemView::SelectRows);
    reference.view->setShowGrid(false);
    reference.view->resize(kWidth, kHeight);
    reference.model = std::make_unique<WordTable>();
    reference.view->setModel(reference.model.get());
    reference.view->horizontalHeader()->resizeSection(0, 300);
    reference.view->horizontalHeader()->resizeSection(1, 100);
    return reference;
}

void FillReference(Reference& reference) {
    reference.model->SetRows(Words());
}

// The texts of the cells each side shows: the rows from the top one to
// the last whose top is inside the viewport.
uint64_t HashShown(WordList& list) {
    COutputHash hash;
    const int top = list.GetTopIndex();
    const int rows = std::min(list.GetItemCount() - top,
                              (list.viewport()->height() + list.GetRowHeight() - 1) / list.GetRowHeight());
    for (int row = top; row < top + rows; ++row)
        for (int column = 0; column < 2; ++column) {
            const CBasicString text = list.GetItemText(row, column);
            hash.AddText(std::wstring(text.GetString()));
        }
    return hash.Value();
}

uint64_t HashShown(Reference& reference) {
    COutputHash hash;
    QTableView& view = *reference.view;
    const int top = view.rowAt(0);
    int last = view.rowAt(view.viewport()->height() - 1);
    if (last < 0) last = reference.model->rowCount() - 1;
    for (int row = top; row >= 0 && row <= last; ++row)
        for (int column = 0; column < 2; ++column)
            hash.AddText(reference.model->index(row, column).data().toString().toStdWString());
    return hash.Value();
}

template <class Rows> uint64_t HashOrder(int count, Rows row) {
    COutputHash hash;
    for (int i = 0; i < count; ++i) {
        const Word* word = row(i);
        hash.Add(&word, sizeof(word));
    }
    return hash.Value();
}

// Stops the run unless both sides show the same cells before and after the
// sort and sort the rows alike.
void CheckSameOutput() {
    auto list = MakeList();
    FillList(*list);
    list->show();
    (void)list->grab();
    Reference reference = MakeReference();
    FillReference(reference);
    reference.view->show();
    (void)reference.view->grab();
    RequireSameOutput("the first page's cells", HashShown(*list), HashShown(reference));
    list->SortArrays(0, TRUE);
    reference.model->sort(0, Qt::AscendingOrder);
    (void)list->grab();
    (void)reference.view->grab();
    RequireSameOutput("the first page's cells after the sort", HashShown(*list), HashShown(reference));
    RequireSameOutput(
        "the sorted order of every row",
        HashOrder(list->GetItemCount(), [&](int row) { return static_cast<const Word*>(list->GetItem(row)); }),
        HashOrder(reference.model->rowCount(), [&](int row) { return reference.model->Row(row); }));
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
        reference.view->setCurrentIndex(reference.model->index(kRows / 2, 0));
        state.ResumeTiming();
        reference.model->sort(0, Qt::AscendingOrder);
        state.PauseTiming();
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
    (void)Words();
    CheckSameOutput();
    CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("Filling 1,000,000 rows (goal <= 1.0)", "Fill/iterations:3", "FillReferenceModel/iterations:3");
    reporter.PrintRatio("Filling and first paint (goal <= 1.0)", "FillAndFirstPaint/iterations:3",
                        "FillAndFirstPaintReferenceModel/iterations:3");
    reporter.PrintRatio("First paint alone", "FirstPaint/iterations:5", "FirstPaintReferenceModel/iterations:5");
    reporter.PrintRatio("Painting the page again", "Repaint", "RepaintReferenceModel");
    reporter.PrintRatio("Sorting by a text column (goal <= 1.0)", "SortByText/iterations:3",
                        "SortByTextReferenceModel/iterations:3");
    benchmark::Shutdown();
    return 0;
}
