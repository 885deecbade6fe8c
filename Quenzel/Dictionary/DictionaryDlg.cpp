#include "Quenzel/Dictionary/DictionaryDlg.h"

#include <QPalette>

#include <iterator>
#include <utility>

#include "DataBase/AbstractDataBase.h"
#include "Pendrel/App/KVXWindowWork.h"
#include "Pendrel/App/WorkerResult.h"
#include "Pendrel/Controls/AdvertiseDialog.h"
#include "Pendrel/Controls/WinButton.h"
#include "Pendrel/Platform/KVXDialogTemplate.h"
#include "Pendrel/Platform/KVXSysColors.h"
#include "Pendrel/Platform/KVXText.h"
#include "Pendrel/Platform/KVXWindowMessages.h"
#include "Quenzel/App/QuenzelApp.h"
#include "Quenzel/Dictionary/EditAutoSearch.h"
#include "Quenzel/Dictionary/EditDictionaryDlg.h"
#include "Quenzel/Shared/CurrentLanguagePair.h"
#include "Quenzel/Shared/LanguageComboBox.h"
#include "Quenzel/Shared/MultilineListBox.h"
#include "Quenzel/Shared/PageHost.h"
#include "utility/BasicDateTime.h"
#include "utility/ErrorReport.h"
#include "utility/StringTableRegistration.h"

namespace {

const char kSourceFile[] = ".\\DictionaryDlg";
constexpr UINT kWordLabel = 11250;
constexpr UINT kToolTipIcon = 316;
constexpr int kDictionaryMode = 3;
constexpr KVXLinkID kAdvertisementLink = 11;

const KVXDialogControl kControls[] = {
    {kWordLabel, WC_STATIC, L"Word:", 7, 10, 24, 8, WS_CHILD | WS_VISIBLE | SS_LEFT},
    {IDC_DICTIONARY_WORD, WC_EDIT, L"", 33, 8, 387, 13, WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL},
    {IDC_DICTIONARY_HISTORY, WC_BUTTON, L"", 424, 4, 19, 20, WS_CHILD | WS_VISIBLE | WS_TABSTOP},
    {IDC_DICTIONARY_SEARCH, WC_BUTTON, L"Search", 447, 4, 60, 20, WS_CHILD | WS_VISIBLE | WS_TABSTOP},
    // Hidden from the start; it sits with the buttons of the bottom row.
    {IDC_DICTIONARY_EDIT_WORD, WC_BUTTON, L"Edit Word", 319, 239, 60, 20, WS_CHILD | WS_VISIBLE | WS_TABSTOP},
    {IDC_DICTIONARY_AD_PLACE, WC_STATIC, L"", 7, 29, 500, 50, WS_CHILD},
    {IDC_DICTIONARY_RESULTS, WC_LISTBOX, L"", 7, 83, 500, 151, WS_CHILD | WS_TABSTOP | WS_BORDER},
    {IDC_DICTIONARY_PREVIOUS, WC_BUTTON, L"Previous", 383, 239, 60, 20, WS_CHILD | WS_VISIBLE | WS_TABSTOP},
    {IDC_DICTIONARY_NEXT, WC_BUTTON, L"Next", 447, 239, 60, 20, WS_CHILD | WS_VISIBLE | WS_TABSTOP},
};
const KVXDialogTemplate kTemplate = {IDD_DICTIONARY_PAGE, L"", WS_CHILD, 512, 264, 8, L"MS Shell Dlg",
                                     kControls, std::size(kControls)};
const CKVXDialogTemplateRegistration kTemplateRegistration(kTemplate);

const StringTableEntry kStrings[] = {
    {31279, L"[H]Search Word[D]Type a word to search in the dictionary."},
    {31280, L"[H]History List[D]Opens the list of words you have searched."},
    {31281, L"[H]Search[D]Searchs for a word in local and online dictionary."},
    {31282, L"[H]Edit Word[D]Adds a new word to the dictionary or edit an existing one."},
    {31283, L"[H]Next Word[D]Moves to the next word."},
    {31284, L"[H]Previous Word[D]Moves to the previous word."},
};
const CStringTableRegistration kStringsRegistration(kStrings);

// The result list's record of a found word and meaning; each cell keeps
// its text as loaded.
GridRow ListRow(const CDictionaryDlgModel::Row& found) {
    GridRow row;
    row.word.m_value = static_cast<ULONGLONG>(found.wordId);
    row.word.m_text = found.word;
    row.word.m_secondText = found.word;
    row.meaning.m_value = static_cast<ULONGLONG>(found.meaningId);
    row.meaning.m_text = found.meaning;
    row.meaning.m_secondText = found.meaning;
    return row;
}

struct ButtonInfo {
    UINT id, tip, icon, hotIcon;
    int size;
    DWORD anchor;
};
const ButtonInfo kButtons[] = {
    {IDC_DICTIONARY_HISTORY, 31280, 353, 353, 16, RESIZE_KEEP_TOP | RESIZE_ANCHOR_RIGHT},
    {IDC_DICTIONARY_SEARCH, 31281, 306, 307, 24, RESIZE_KEEP_TOP | RESIZE_ANCHOR_RIGHT},
    {IDC_DICTIONARY_EDIT_WORD, 31282, 304, 305, 24, RESIZE_ANCHOR_RIGHT | RESIZE_ANCHOR_BOTTOM},
    {IDC_DICTIONARY_NEXT, 31283, 354, 355, 24, RESIZE_ANCHOR_RIGHT | RESIZE_ANCHOR_BOTTOM},
    {IDC_DICTIONARY_PREVIOUS, 31284, 356, 357, 24, RESIZE_ANCHOR_RIGHT | RESIZE_ANCHOR_BOTTOM},
};

} // namespace

CDictionaryDlg::CDictionaryDlg(const QuenzelServices& services, CPageHost* mainDlg, QWidget* parent)
    : CKVXResizableDlg(IDD_DICTIONARY_PAGE, parent),
      CWorkerThread(1),
      m_services(services),
      m_mainDlg(mainDlg),
      m_edit(new CEditAutoSearch(this)),
      m_list(new CMultilineListBox(services, this, this)) {
    m_edit->SetDataBase(services.database);
    for (const ButtonInfo& info : kButtons) {
        auto* button = new CWinButton(WinButtonPush, this);
        button->setProperty("kvxDictionaryButton", info.id);
        button->hide();
        m_buttons.push_back(button);
    }
    m_edit->hide();
    m_list->hide();
}

CDictionaryDlg::~CDictionaryDlg() {
    // The job shows its rows through this window: it must end first.
    WaitForJob();
    delete m_wordEditor;
    delete m_advertisement;
}

CWinButton* CDictionaryDlg::GetButton(UINT id) const {
    for (size_t i = 0; i < std::size(kButtons); ++i)
        if (kButtons[i].id == id) return m_buttons[i];
    return nullptr;
}

std::vector<GridRow> CDictionaryDlg::GetShownRows() const {
    std::vector<GridRow> rows;
    for (int i = 0; i < m_list->GetRowCount(); ++i) {
        GridRow row;
        if (m_list->GetRows().CopyRow(i, row)) rows.push_back(std::move(row));
    }
    return rows;
}

BOOL CDictionaryDlg::OnInitDialog() {
    const BOOL result = CKVXResizableDlg::OnInitDialog();

    for (size_t i = 0; i < std::size(kButtons); ++i) {
        const ButtonInfo& info = kButtons[i];
        const CBasicString caption = GetDlgItemText(info.id);
        SubclassDlgItem(info.id, m_buttons[i]);
        m_buttons[i]->SetButtonText(caption.GetString());
        m_buttons[i]->SetIcon(info.icon, info.hotIcon, info.size);
    }
    GetButton(IDC_DICTIONARY_EDIT_WORD)->setEnabled(false);
    GetButton(IDC_DICTIONARY_EDIT_WORD)->hide();

    SubclassDlgItem(IDC_DICTIONARY_RESULTS, m_list);
    m_list->LoadImages();
    m_list->SetMode(kDictionaryMode);
    m_list->SetLanguagePairWindow(m_mainDlg);

    SubclassDlgItem(IDC_DICTIONARY_WORD, m_edit);
    m_edit->Attach(IDD_DICTIONARY_PAGE, 1);

    m_model.SetDataBase(m_services.database);
    RefreshLanguagePair();

    QWidget* place = GetDlgItem(IDC_DICTIONARY_AD_PLACE);
    if (m_services.options && m_services.options->GetAdvertisement()) CreateAdvertisementPanel();
    if (m_advertisement && place) {
        m_advertisement->setGeometry(place->geometry());
        m_advertisement->show();
    } else if (place) {
        // Without the panel the list takes its place.
        QRect list = m_list->geometry();
        list.setTop(place->y());
        m_list->setGeometry(list);
    }
    m_list->show();

    AddResizableControls();

    EnableSteps(false);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, KVXToQColor(m_services.TabPageBkColor()));
    setPalette(palette);
    setAutoFillBackground(true);
    m_toolTip.AddTool(m_edit, QuenzelString(31279), kToolTipIcon);
    for (size_t i = 0; i < std::size(kButtons); ++i)
        m_toolTip.AddTool(m_buttons[i], QuenzelString(kButtons[i].tip), kToolTipIcon);
    return result;
}

void CDictionaryDlg::AddResizableControls() {
    m_resizableCtrls.clear();
    m_resizableCtrls.emplace_back(IDC_DICTIONARY_WORD, 0, RESIZE_KEEP_TOP | RESIZE_STRETCH_WIDTH);
    for (const ButtonInfo& info : kButtons) m_resizableCtrls.emplace_back(info.id, 0, info.anchor);
    m_resizableCtrls.emplace_back(IDC_DICTIONARY_AD_PLACE, 0, RESIZE_KEEP_TOP | RESIZE_STRETCH_WIDTH);
    m_resizableCtrls.emplace_back(IDC_DICTIONARY_RESULTS, 0, RESIZE_STRETCH_WIDTH | RESIZE_STRETCH_HEIGHT);
    CKVXResizableDlg::AddResizableControls();
}

void CDictionaryDlg::SetChildWindowPosition() {
    CKVXResizableDlg::SetChildWindowPosition();
    if (m_advertisement)
        if (QWidget* place = GetDlgItem(IDC_DICTIONARY_AD_PLACE)) m_advertisement->setGeometry(place->geometry());
}

void CDictionaryDlg::ReadLanguagePair() {
    if (m_mainDlg) m_mainDlg->GetSelectedLanguages(&m_firstLanguage, &m_secondLanguage);
}

int CDictionaryDlg::RefreshLanguagePair() {
    CAbstractDataBase* dataBase = m_services.database;
    if (!dataBase) return 0;
    if (m_model.GetDataBase() != dataBase) m_model.SetDataBase(dataBase);
    if (m_mainDlg) {
        m_list->ResetContent();
        CLanguageComboBox* first = m_mainDlg->GetFirstCombo();
        CLanguageComboBox* second = m_mainDlg->GetSecondCombo();
        const CBasicString firstName = first->GetItemText(first->currentIndex());
        const CBasicString secondName = second->GetItemText(second->currentIndex());
        if (m_list->GetRowCount() > 0)
            m_list->SetFirstRowTexts(firstName.GetString(), secondName.GetString());
        else
            m_list->AddHeadingRow(firstName.GetString(), secondName.GetString());
    }
    ReadLanguagePair();
    SetCurrentLanguagePair(dataBase, {m_firstLanguage, m_secondLanguage});
    m_model.ResetSteps();
    LoadHistory();
    return 1;
}

int CDictionaryDlg::LoadHistory() {
    if (!m_edit->IsAttached()) {
        ReportAssertion(0, kSourceFile, 529);
        return 0;
    }
    // The history is the database's last searches, whatever was added
    // before.
    m_edit->ClearSuggestions();
    return m_model.LoadHistory(
        [this](const CBasicString& text, int64_t id) { m_edit->AddHistoryItem(text.GetString(), id); });
}

LRESULT CDictionaryDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_KVX_WORKER_STARTED:
        OnJobStarted();
        return 0;
    case WM_KVX_WORKER_FINISHED:
        OnJobFinished();
        return 0;
    case WM_COMMAND:
        OnCommand(static_cast<UINT>(wParam & 0xFFFF));
        return 0;
    default:
        return CKVXResizableDlg::WindowProc(message, wParam, lParam);
    }
}

void CDictionaryDlg::OnCommand(UINT id) {
    switch (id) {
    case IDC_DICTIONARY_SEARCH: OnSearch(); break;
    case IDC_DICTIONARY_EDIT_WORD: OnEditWord(); break;
    case IDC_DICTIONARY_HISTORY: OnHistoryList(); break;
    case IDC_DICTIONARY_NEXT: OnNextWord(); break;
    case IDC_DICTIONARY_PREVIOUS: OnPreviousWord(); break;
    default: CKVXResizableDlg::OnCommand(id); break;
    }
}

void CDictionaryDlg::OnSearch() {
    const CBasicString text = KVXFromQString(m_edit->text());
    if (text.IsEmpty() || IsJobRunning()) return;
    m_historyShown = 0;
    m_edit->ShowHistory(0);
    m_searchText = text;
    ReadLanguagePair();
    m_searchFirst = m_firstLanguage;
    m_searchSecond = m_secondLanguage;
    Start();
    if (m_advertisement) m_advertisement->NavigateURL({text}, kAdvertisementLink);
}

DWORD CDictionaryDlg::RunInstance() {
    m_running = 1;
    SendMessage(this, WM_KVX_WORKER_STARTED, 0, 0);
    const CDictionaryDlgModel::SearchResult result =
        m_model.QueryWord(m_searchText, m_searchFirst, m_searchSecond, m_running);
    KVXSendWindowWork(this, [this, &result] { ShowSearchResult(result); });
    SendMessage(this, WM_KVX_WORKER_FINISHED, 0, 0);
    m_running = 0;
    return 0;
}

void CDictionaryDlg::ShowSearchResult(const CDictionaryDlgModel::SearchResult& result) {
    m_list->ResetContent();
    for (const CDictionaryDlgModel::Row& row : result.rows) m_list->AddRow(ListRow(row));
    m_model.OnRowsShown(result.rows);
    if (result.firstId <= 0) return;
    m_stepsEnabled = true;
    if (m_edit->AddHistoryItem(m_searchText.GetString(), result.firstId) && m_list->GetRowCount() > 1)
        m_model.WriteHistory(m_searchText, GetCurrentUtcTime());
}

void CDictionaryDlg::OnJobStarted() { EnableJobControls(false); }

void CDictionaryDlg::OnJobFinished() {
    EnableJobControls(true);
    m_edit->setFocus();
}

void CDictionaryDlg::EnableJobControls(bool enable) {
    for (UINT id : {IDC_DICTIONARY_SEARCH, IDC_DICTIONARY_EDIT_WORD}) GetButton(id)->setEnabled(enable);
    m_edit->setEnabled(enable);
    // Previous and Next come back only once a word has been shown.
    EnableSteps(enable && m_stepsEnabled);
}

void CDictionaryDlg::EnableSteps(bool enable) {
    GetButton(IDC_DICTIONARY_PREVIOUS)->setEnabled(enable);
    GetButton(IDC_DICTIONARY_NEXT)->setEnabled(enable);
}

void CDictionaryDlg::OnHistoryList() {
    m_historyShown = !m_historyShown;
    m_edit->ShowHistory(m_historyShown);
}

void CDictionaryDlg::OnNextWord() { Step(CDictionaryDlgModel::DIRECTION_NEXT); }

void CDictionaryDlg::OnPreviousWord() { Step(CDictionaryDlgModel::DIRECTION_PREVIOUS); }

void CDictionaryDlg::Step(CDictionaryDlgModel::Direction direction) {
    if (IsJobRunning()) return;
    EnableSteps(false);
    ReadLanguagePair();
    SetCurrentLanguagePair(m_model.GetDataBase(), {m_firstLanguage, m_secondLanguage});
    m_list->ResetContent();
    CDictionaryDlgModel::Row row;
    if (m_model.Step(direction, m_firstLanguage, m_secondLanguage, row)) {
        m_edit->setText(KVXToQString(row.word));
        m_historyShown = 0;
        m_edit->ShowHistory(0);
        m_list->AddRow(ListRow(row));
    }
    m_stepsEnabled = true;
    EnableSteps(true);
}

void CDictionaryDlg::OnEditWord() {
    if (!m_wordEditor) m_wordEditor = CreateWordEditor();
    if (!m_wordEditor) return;
    QWidget* main = m_mainDlg ? static_cast<QWidget*>(m_mainDlg) : window();
    m_wordEditor->move(main->frameGeometry().topLeft());
    m_wordEditor->show();
    m_wordEditor->raise();
    m_wordEditor->activateWindow();
    // The editor shows the main window again when it closes.
    if (m_wordEditor->isVisible()) main->hide();
}

QWidget* CDictionaryDlg::CreateWordEditor() { return new CEditDictionaryDlg(m_services, m_mainDlg); }

void CDictionaryDlg::CreateAdvertisementPanel() {
    auto* panel = new CAdvertiseDialog(this);
    if (!panel->Create(this)) {
        delete panel;
        return;
    }
    m_advertisement = panel;
}

void CDictionaryDlg::OnDestroy() {
    CKVXResizableDlg::OnDestroy();
    m_model.ResetSteps();
}
