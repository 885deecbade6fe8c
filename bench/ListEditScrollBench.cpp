// The list editor with 400,000 rows, as a user meets it: a list file of
// that many FreeDict pairs is imported into "Edit View" (the window of the
// main program, without a database), the rows are scrolled, and the window
// is closed. No reference: absolute goals.
//
// - heap per row: the heap in use (mallinfo2) once the rows are shown, less
//   the heap before the window was made, over the rows (goal <= 512 bytes);
// - after close: the heap still in use once the window is closed (the
//   tutor page keeps the closed window for the next list; goal: under
//   1 MiB), and the resident size after malloc_trim;
// - worst scroll: the longest of the scrolls below, each timed from the
//   scroll bar's move to the rows painted (goal <= 50 ms): a wheel step, the
//   first page downs, a jump to the middle and to the end, page ups, a jump
//   back to the top. The first scroll after the rows came is among them.
//   Before timing, the heading row must be on top of the rows after every
//   scroll.
//
//     bench_ListEditScroll [pairs file] [rows]
//
// The pairs file defaults to freedict-deu-eng.tsv in the working folder
// (bench/freedict-pairs.py makes it); fewer pairs than rows are repeated
// with a number. Five repetitions; the figures of each and their medians.

#include <QApplication>
#include <QScrollBar>
#include <QTemporaryDir>

#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "FreeDictPairs.h"
#include "Quenzel/App/QuenzelServices.h"
#include "Quenzel/Tutor/EditListDlg.h"
#include "Quenzel/Shared/MultilineListBox.h"
#include "Quenzel/Tutor/VocabularyListFile.h"
#include "utility/TextCodec.h"

namespace {

using Clock = std::chrono::steady_clock;

size_t HeapInUse() { return mallinfo2().uordblks; }

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return 0;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void SettleEvents() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

// The list file: word TAB meaning CR LF, UTF-8.
bool WriteListFile(const std::string& path, const std::vector<std::pair<std::wstring, std::wstring>>& pairs,
                   int rows) {
    std::ofstream out(path, std::ios::binary);
    for (int i = 0; i < rows; ++i) {
        const auto& pair = pairs[static_cast<size_t>(i) % pairs.size()];
        std::string word = WideToUtf8(pair.first);
        if (i >= static_cast<int>(pairs.size())) word.append(1, ' ').append(std::to_string(i / pairs.size()));
        out << word << '\t' << WideToUtf8(pair.second) << "\r\n";
    }
    return static_cast<bool>(out);
}

struct Figures {
    double openMs = 0;
    double bytesPerRow = 0;
    double worstScrollMs = 0;
    const char* worstScroll = "";
    double firstScrollMs = 0;
    double heapAfterCloseKiB = 0;
    double residentAfterCloseMiB = 0;
};

bool HeadingOnTop(CMultilineListBox* list) {
    const QModelIndex top = list->indexAt(QPoint(list->viewport()->width() / 2, 2));
    return top.isValid() && top.row() == 0 && list->visualRect(top).top() == 0;
}

bool RunOnce(const std::string& file, int rows, Figures& figures) {
    SettleEvents();
    malloc_trim(0);
    const size_t heapBefore = HeapInUse();
    const Clock::time_point opened = Clock::now();
    auto* editor = new CEditListDlg(QuenzelServices(), nullptr, nullptr);
    editor->SetMode(LIST_EDIT_IMPORT);
    editor->SetImportFile(CBasicString(Utf8ToWide(file).c_str()));
    editor->SetSeparatorKind(LIST_FILE_TAB);
    if (!editor->Create()) {
        std::fprintf(stderr, "the list editor did not open\n");
        return false;
    }
    editor->resize(800, 600);
    editor->show();
    while (editor->GetJob() != EDIT_JOB_NONE || editor->IsJobRunning())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    CMultilineListBox* list = editor->GetListBox();
    list->viewport()->repaint();
    QCoreApplication::processEvents();
    figures.openMs = std::chrono::duration<double, std::milli>(Clock::now() - opened).count();
    if (list->GetRowCount() - 1 != rows) {
        std::fprintf(stderr, "the editor shows %d rows, not %d\n", list->GetRowCount() - 1, rows);
        return false;
    }
    figures.bytesPerRow = static_cast<double>(HeapInUse() - heapBefore) / rows;

    QScrollBar* bar = list->verticalScrollBar();
    struct Step {
        const char* name;
        int to;
    };
    const int page = bar->pageStep();
    const int wheel = bar->singleStep() * 3;
    const std::vector<Step> steps = {
        {"wheel step", wheel},  {"page down", wheel + page},         {"page down", wheel + 2 * page},
        {"page down", wheel + 3 * page}, {"to the middle", bar->maximum() / 2}, {"to the end", bar->maximum()},
        {"page up", bar->maximum() - page}, {"page up", bar->maximum() - 2 * page}, {"to the top", 0}};
    figures.worstScrollMs = 0;
    bool first = true;
    for (const Step& step : steps) {
        const Clock::time_point start = Clock::now();
        bar->setValue(step.to);
        list->viewport()->repaint();
        QCoreApplication::processEvents();
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        if (first) figures.firstScrollMs = ms;
        first = false;
        if (ms > figures.worstScrollMs) {
            figures.worstScrollMs = ms;
            figures.worstScroll = step.name;
        }
        if (!HeadingOnTop(list)) {
            std::fprintf(stderr, "the heading row left the top after \"%s\"\n", step.name);
            return false;
        }
    }

    // Closed as the user closes it: the tutor page keeps the window for the
    // next list, so it is measured before it is deleted.
    editor->DestroyWindow();
    SettleEvents();
    malloc_trim(0);
    const size_t heapAfter = HeapInUse();
    figures.heapAfterCloseKiB = heapAfter > heapBefore ? (heapAfter - heapBefore) / 1024.0 : 0.0;
    figures.residentAfterCloseMiB = ResidentKiB() / 1024.0;
    delete editor;
    SettleEvents();
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::string pairsFile = argc > 1 ? argv[1] : "freedict-deu-eng.tsv";
    const int rows = argc > 2 ? std::max(1, std::atoi(argv[2])) : 400000;
    const auto pairs = LoadFreeDictPairs(pairsFile);
    if (pairs.empty()) {
        std::fprintf(stderr, "no pairs in %s: make them with bench/freedict-pairs.py\n", pairsFile.c_str());
        return 1;
    }
    QTemporaryDir folder;
    const std::string listFile = folder.filePath(QStringLiteral("FreeDict rows.txt")).toStdString();
    if (!folder.isValid() || !WriteListFile(listFile, pairs, rows)) {
        std::fprintf(stderr, "cannot write %s\n", listFile.c_str());
        return 1;
    }
    std::printf("list editor: %d rows of %s, resident at start %.1f MiB\n", rows, pairsFile.c_str(),
                ResidentKiB() / 1024.0);
    std::vector<double> open, perRow, worst, firstScroll, heapAfter, resident;
    for (int repetition = 1; repetition <= 5; ++repetition) {
        Figures f;
        if (!RunOnce(listFile, rows, f)) return 1;
        std::printf("run %d: open %.0f ms, heap %.0f bytes/row, first scroll %.1f ms, worst scroll %.1f ms (%s), "
                    "after close: heap %.0f KiB more than before, resident %.1f MiB\n",
                    repetition, f.openMs, f.bytesPerRow, f.firstScrollMs, f.worstScrollMs, f.worstScroll,
                    f.heapAfterCloseKiB, f.residentAfterCloseMiB);
        std::fflush(stdout);
        open.push_back(f.openMs);
        perRow.push_back(f.bytesPerRow);
        worst.push_back(f.worstScrollMs);
        firstScroll.push_back(f.firstScrollMs);
        heapAfter.push_back(f.heapAfterCloseKiB);
        resident.push_back(f.residentAfterCloseMiB);
    }
    std::printf("medians of 5: open %.0f ms, heap %.0f bytes/row (goal <= 512), first scroll %.1f ms, "
                "worst scroll %.1f ms (goal <= 50; slowest run %.1f ms), after close %.0f KiB of heap kept "
                "(goal < 1024), resident %.1f MiB\n",
                Median(open), Median(perRow), Median(firstScroll), Median(worst),
                *std::max_element(worst.begin(), worst.end()), Median(heapAfter), Median(resident));
    return 0;
}
