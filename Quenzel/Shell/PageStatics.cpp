#include "Quenzel/Shell/PageStatics.h"

#include <iterator>

#include "DataBase/AbstractDataBase.h"
#include "Pendrel/Dialogs/ProgressDlg.h"
#include "Pendrel/Dialogs/WorkerProgress.h"
#include "Pendrel/Platform/KVXWindowMessages.h"
#include "Quenzel/App/QuenzelApp.h"
#include "Quenzel/Shared/LanguageComboBox.h"
#include "Quenzel/Shell/MainDlg.h"
#include "Quenzel/Shell/OptionsDialog.h"
#include "Quenzel/App/FlagCache.h"
#include "Quenzel/App/QuenzelApp.h"

namespace {

const KVXDialogControl kControls[] = {
    {IDC_STATICS_LANGUAGE, WC_COMBOBOX, L"", 10, 10, 150, 14, WS_CHILD | WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST},
    {IDC_PAGE_LABEL, WC_STATIC, L"Word count:", 10, 38, 100, 10, WS_CHILD | WS_VISIBLE},
    {IDC_STATICS_WORDS, WC_EDIT, L"", 115, 36, 80, 13, WS_CHILD | WS_VISIBLE | WS_BORDER | ES_READONLY},
    {IDC_PAGE_LABEL, WC_STATIC, L"In short term memory:", 10, 58, 100, 10, WS_CHILD | WS_VISIBLE},
    {IDC_STATICS_SHORT_TERM, WC_EDIT, L"", 115, 56, 80, 13, WS_CHILD | WS_VISIBLE | WS_BORDER | ES_READONLY},
    {IDC_PAGE_LABEL, WC_STATIC, L"In long term memory:", 10, 78, 100, 10, WS_CHILD | WS_VISIBLE},
    {IDC_STATICS_LONG_TERM, WC_EDIT, L"", 115, 76, 80, 13, WS_CHILD | WS_VISIBLE | WS_BORDER | ES_READONLY},
    {IDC_PAGE_LABEL, WC_STATIC, L"Unknown:", 10, 98, 100, 10, WS_CHILD | WS_VISIBLE},
    {IDC_STATICS_UNKNOWN, WC_EDIT, L"", 115, 96, 80, 13, WS_CHILD | WS_VISIBLE | WS_BORDER | ES_READONLY},
};
const KVXDialogTemplate kTemplate = {IDD_PAGE_STATICS, L"", WS_CHILD, 320, 186, 8, L"MS Shell Dlg",
                                     kControls, std::size(kControls)};
const CKVXDialogTemplateRegistration kTemplateRegistration(kTemplate);

} // namespace

CPageStatics::CPageStatics(const QuenzelServices& services, COptionsDialog* options, QWidget* parent)
    : COptionsPage(IDD_PAGE_STATICS, services, options, parent), m_language(new CLanguageComboBox(this)) {
    m_language->hide();
}

CPageStatics::~CPageStatics() { WaitForJob(); }

BOOL CPageStatics::OnInitDialog() {
    const BOOL result = COptionsPage::OnInitDialog();
    SubclassDlgItem(IDC_STATICS_LANGUAGE, m_language);
    connect(m_language, &QComboBox::activated, this, [this](int) { Recount(); });

    if (m_services.database) {
        m_language->clear();
        m_language->SetImageCache(m_services.flags ? &m_services.flags->GetImages() : nullptr);
        for (const LanguageRecord& language : m_services.database->GetLanguages(0))
            m_language->InsertItem(0, language.name.GetString(), language.id);
        CBasicString wordLanguage;
        CMainDlg* main = m_options ? m_options->GetOwner() : nullptr;
        if (main && main->GetFirstCombo())
            wordLanguage = main->GetFirstCombo()->GetItemText(main->GetFirstCombo()->currentIndex());
        m_language->SelectName(wordLanguage.GetString());
    }
    Recount();
    return result;
}

void CPageStatics::OnDestroy() {
    WaitForJob();
    COptionsPage::OnDestroy();
}

void CPageStatics::Recount() {
    if (m_running.load() || IsJobRunning()) return;
    const int index = m_language->currentIndex();
    m_languageId.store(index >= 0 ? m_language->GetItemData(index) : -1);
    Start();
}

DWORD CPageStatics::RunInstance() {
    SendMessage(this, WM_KVX_WORKER_STARTED, 0, 0);
    const int languageId = m_languageId.load();
    if (languageId >= 0 && m_services.database) {
        StatisticsRecord counts;
        counts.selector = languageId;
        const int result = m_services.database->GetStatistics(counts);
        CProgressDlg* progress = m_services.progress;
        if (result == 0 && (!progress || progress->IsRunning())) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_counts = counts;
        }
    }
    SendMessage(this, WM_KVX_WORKER_FINISHED, 0, 0);
    return 0;
}

LRESULT CPageStatics::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    CProgressDlg* progress = m_services.progress;
    if (message == WM_KVX_WORKER_STARTED) {
        if (m_options) m_options->EnableControls(FALSE);
        return KVXShowJobProgress(progress, this);
    }
    if (message == WM_KVX_WORKER_FINISHED) {
        if (m_options) m_options->EnableControls(TRUE);
        KVXEndJobProgress(progress, nullptr, nullptr);
        std::optional<StatisticsRecord> counts;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            counts.swap(m_counts);
        }
        if (counts) ShowCounts(*counts);
        m_running.store(0);
        return 1;
    }
    return COptionsPage::WindowProc(message, wParam, lParam);
}

void CPageStatics::ShowCounts(const StatisticsRecord& counts) {
    const std::pair<UINT, int64_t> fields[] = {{IDC_STATICS_WORDS, counts.wordCount},
                                               {IDC_STATICS_LONG_TERM, counts.longTerm},
                                               {IDC_STATICS_SHORT_TERM, counts.shortTerm},
                                               {IDC_STATICS_UNKNOWN, counts.unknown}};
    for (const auto& [id, value] : fields) {
        CBasicString text;
        text.Format(L"%I64d", value);
        SetDlgItemText(id, text.GetString());
    }
}
