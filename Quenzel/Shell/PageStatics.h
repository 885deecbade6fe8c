#pragma once
// CPageStatics: the options page with the word counts of a language: the
// number of words in its vocabulary lists, and how many of them are in
// short-term memory, in long-term memory and unknown. The counts come from
// the database on a worker; meanwhile the application's progress dialog
// shows, and the options dialog's buttons and tabs are disabled. A
// cancelled count leaves the numbers as they were.

#include <mutex>
#include <optional>

#include "DataBase/DataBaseRecords.h"
#include "Pendrel/App/WorkerThread.h"
#include "Quenzel/Shell/OptionsPage.h"

class CLanguageComboBox;

constexpr UINT IDD_PAGE_STATICS = 531;
constexpr UINT IDC_STATICS_LANGUAGE = 11186;
constexpr UINT IDC_STATICS_WORDS = 11063;
constexpr UINT IDC_STATICS_SHORT_TERM = 11066;
constexpr UINT IDC_STATICS_LONG_TERM = 11067;
constexpr UINT IDC_STATICS_UNKNOWN = 11095;

class CPageStatics : public COptionsPage, public CWorkerThread {
    Q_OBJECT

public:
    CPageStatics(const QuenzelServices& services, COptionsDialog* options, QWidget* parent);
    ~CPageStatics() override;

    CLanguageComboBox* GetLanguageCombo() const { return m_language; }
    // Counts the selected language again unless a count still runs.
    void Recount();
    // A count runs, or its end has not reached the window yet.
    bool IsCounting() const { return m_running.load() != 0; }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    BOOL OnInitDialog() override;
    void OnDestroy() override;
    DWORD RunInstance() override;

private:
    void ShowCounts(const StatisticsRecord& counts);

    CLanguageComboBox* m_language;
    std::atomic<int> m_languageId{-1};
    std::mutex m_mutex;
    std::optional<StatisticsRecord> m_counts;  // set by the worker, shown by the window
};
