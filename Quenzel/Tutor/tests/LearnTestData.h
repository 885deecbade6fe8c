#pragma once
// What the tests of the learning view and the quiz share besides the lists
// (TutorListData.h): a progress interface that records what a job reports
// and a click on a cell of a word list box.

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include <QTest>

#include "Pendrel/Core/AbstractProgressStatus.h"
#include "Quenzel/Tutor/Model/tests/TutorListData.h"

namespace learntest {

// Records the reports of a job; Cancel makes it stop.
class RecordingProgress : public CAbstractProgressStatus {
public:
    void AddLogMsg(const wchar_t*, const wchar_t*, LOG_ICON_TYPE, UINT) override {}
    const wchar_t* LoadStringW(UINT) override { return L""; }
    const char* WideCharToMultiByte(UINT, const wchar_t*) override { return ""; }
    const wchar_t* MultiByteToWideChar(UINT, const char*) override { return L""; }
    const char* MultiByteToMultiByte(UINT, const char*, UINT) override { return ""; }
    const wchar_t* EncodeURL(const wchar_t*) override { return L""; }
    void SetProgress(const ProgressInfo* info) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!info) return;
        if (info->kind == 1) captions.emplace_back(info->text.GetString());
        if (info->kind == 2) steps.push_back(info->current2);
        if (cancelAfter > 0 && static_cast<int>(steps.size()) >= cancelAfter) running = FALSE;
    }
    const wchar_t* GetDocumentsPath() override { return L""; }
    BOOL IsRunning() override { return running; }

    std::vector<std::wstring> captions;
    std::vector<int> steps;
    int cancelAfter = 0;
    std::atomic<BOOL> running{TRUE};

private:
    std::mutex m_mutex;
};

// A left click on a cell of a word list box (column 0 the word, 1 the
// meaning), as the user gives it.
template <class ListBox> void ClickCell(ListBox& list, int row, int column) {
    list.scrollTo(list.model()->index(row, 0));
    const QRect rect = list.visualRect(list.model()->index(row, 0));
    const QPoint point(column == 0 ? rect.left() + rect.width() / 4 : rect.left() + rect.width() * 3 / 4,
                       rect.center().y());
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, point);
}

}  // namespace learntest
