#include "Quenzel/Tutor/TutorDlg.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include <iterator>

#include "DataBase/AbstractDataBase.h"
#include "OnlineServices/Sendrix/Sendrix.h"
#include "Pendrel/App/KVXApp.h"
#include "Pendrel/App/OnlineLibrary.h"
#include "Pendrel/App/KVXWindowWork.h"
#include "Pendrel/Controls/WinButton.h"
#include "Pendrel/Dialogs/ProgressDlg.h"
#include "Pendrel/Dialogs/WorkerProgress.h"
#include "Pendrel/Platform/KVXDialogTemplate.h"
#include "Pendrel/Platform/KVXFileDialog.h"
#include "Pendrel/Platform/KVXWindowMessages.h"
#include "Quenzel/App/DataBaseCall.h"
#include "Quenzel/App/QuenzelApp.h"
#include "Quenzel/Shared/CurrentLanguagePair.h"
#include "Quenzel/Shared/PageHost.h"
#include "Quenzel/Shared/VocabularyListCtrl.h"
#include "Quenzel/Tutor/ChildPlacement.h"
#include "Quenzel/Tutor/EditListDlg.h"
#include "Quenzel/Tutor/LearnDlg.h"
#include "Quenzel/Tutor/Model/WordUse.h"
#include "Quenzel/Tutor/QuizDlg.h"
#include "Quenzel/Tutor/SyncOption.h"
#include "Quenzel/Tutor/VocabularyListFile.h"
#include "utility/ErrorReport.h"
#include "utility/Posix/Modules.h"

namespace {

const char kSourceFile[] = ".\\TutorDlg";
const wchar_t kDatePicker[] = L"SysDateTimePick32";
const wchar_t kPictureListText[] =
    L"This vocabulary list holds pictures and words. Please edit it on the online service.";

constexpr DWORD kButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
constexpr DWORD kRadio = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTORADIOBUTTON;
constexpr DWORD kLabel = WS_CHILD | WS_VISIBLE;

const KVXDialogControl kControls[] = {
    {IDC_TUTOR_LISTS_HEADER, WC_STATIC, L"Maintain your vocabulary lists", 6, 4, 130, 10, kLabel},
    {IDC_TUTOR_LISTS_LINE, WC_STATIC, L"", 138, 9, 366, 1, kLabel | SS_ETCHEDHORZ},
    {IDC_TUTOR_LISTS, WC_LISTVIEW, L"", 6, 18, 430, 150, WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER},
    {IDC_TUTOR_SYNC, WC_BUTTON, L"Sync", 444, 18, 60, 18, kButton},
    {IDC_TUTOR_IMPORT, WC_BUTTON, L"Import", 444, 40, 60, 18, kButton},
    {IDC_TUTOR_EXPORT, WC_BUTTON, L"Export", 444, 62, 60, 18, kButton},
    {IDC_TUTOR_CREATE, WC_BUTTON, L"Create", 444, 84, 60, 18, kButton},
    {IDC_TUTOR_EDIT, WC_BUTTON, L"Edit", 444, 106, 60, 18, kButton},
    {IDC_TUTOR_DELETE, WC_BUTTON, L"Delete", 444, 128, 60, 18, kButton},
    {IDC_TUTOR_CRITERIA_HEADER, WC_STATIC, L"Define your training criteria", 6, 175, 130, 10, kLabel},
    {IDC_TUTOR_CRITERIA_LINE, WC_STATIC, L"", 138, 180, 366, 1, kLabel | SS_ETCHEDHORZ},
    {IDC_TUTOR_ALL_WORDS, WC_BUTTON, L"All words", 12, 192, 90, 10, kRadio | WS_GROUP},
    {IDC_TUTOR_FILTERED, WC_BUTTON, L"Train all words", 12, 208, 90, 10, kRadio},
    {IDC_TUTOR_STATUS, WC_COMBOBOX, L"", 24, 222, 110, 14, WS_CHILD | WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST},
    {IDC_TUTOR_BETWEEN, WC_BUTTON, L"Between", 150, 192, 92, 10, kRadio | WS_GROUP},
    {IDC_TUTOR_START, kDatePicker, L"", 244, 190, 72, 13, WS_CHILD | WS_VISIBLE | WS_TABSTOP},
    {IDC_TUTOR_AND, WC_STATIC, L"and", 320, 192, 18, 10, kLabel},
    {IDC_TUTOR_END, kDatePicker, L"", 340, 190, 72, 13, WS_CHILD | WS_VISIBLE | WS_TABSTOP},
    {IDC_TUTOR_MONTHS_CHOICE, WC_BUTTON, L"During the previous", 150, 208, 92, 10, kRadio},
    {IDC_TUTOR_MONTHS, WC_EDIT, L"", 244, 206, 30, 13, WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_NUMBER},
    {IDC_TUTOR_MONTHS_LABEL, WC_STATIC, L"months", 278, 208, 40, 10, kLabel},
    {IDC_TUTOR_DAYS_CHOICE, WC_BUTTON, L"During the previous", 150, 224, 92, 10, kRadio},
    {IDC_TUTOR_DAYS, WC_EDIT, L"", 244, 222, 30, 13, WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_NUMBER},
    {IDC_TUTOR_DAYS_LABEL, WC_STATIC, L"days", 278, 224, 40, 10, kLabel},
    {IDC_TUTOR_LEARN, WC_BUTTON, L"Learn", 444, 190, 60, 18, kButton},
    {IDC_TUTOR_QUIZ, WC_BUTTON, L"Quiz", 444, 214, 60, 18, kButton},
};
const KVXDialogTemplate kTemplate = {IDD_TUTOR_PAGE, L"", WS_CHILD, 510, 242, 8, L"MS Shell Dlg",
                                     kControls, std::size(kControls)};
const CKVXDialogTemplateRegistration kTemplateRegistration(kTemplate);

struct ButtonInfo {
    UINT id;
    UINT png;
};
constexpr UINT kSyncIcon = 352;
constexpr int kSyncIconSize = 24;
const ButtonInfo kButtons[] = {{IDC_TUTOR_SYNC, 0},     {IDC_TUTOR_IMPORT, 408}, {IDC_TUTOR_EXPORT, 409},
                               {IDC_TUTOR_CREATE, 405}, {IDC_TUTOR_EDIT, 406},   {IDC_TUTOR_DELETE, 407},
                               {IDC_TUTOR_LEARN, 411},  {IDC_TUTOR_QUIZ, 410}};

struct Tip {
    UINT control, text;
};
const Tip kTips[] = {{IDC_TUTOR_SYNC, 31291},       {IDC_TUTOR_IMPORT, 31292},        {IDC_TUTOR_EXPORT, 31293},
                     {IDC_TUTOR_CREATE, 31294},     {IDC_TUTOR_EDIT, 31295},          {IDC_TUTOR_DELETE, 31296},
                     {IDC_TUTOR_LEARN, 31297},      {IDC_TUTOR_QUIZ, 31298},          {IDC_TUTOR_ALL_WORDS, 31299},
                     {IDC_TUTOR_FILTERED, 31300},   {IDC_TUTOR_STATUS, 31302},        {IDC_TUTOR_BETWEEN, 31301},
                     {IDC_TUTOR_START, 31303},      {IDC_TUTOR_END, 31304},           {IDC_TUTOR_MONTHS_CHOICE, 31305},
                     {IDC_TUTOR_MONTHS, 31306},     {IDC_TUTOR_DAYS_CHOICE, 31307},   {IDC_TUTOR_DAYS, 31308}};

const UINT kStatusTexts[] = {31071, 31056, 31057, 31130};

ListFileProgress JobProgress(CProgressDlg* dialog) {
    ListFileProgress progress;
    progress.isRunning = [dialog] { return !dialog || dialog->IsRunning(); };
    return progress;
}

VocabularyListRecord ReadListRow(CAbstractRecordSet* set) {
    VocabularyListRecord list;
    int64_t id = 0;
    bool read = set->GetInt64(0, id) == 0;
    list.id = id;
    read &= set->GetText(1, list.name) == 0;
    read &= set->GetInt(2, list.fromLanguage) == 0;
    read &= set->GetInt(3, list.toLanguage) == 0;
    read &= set->GetInt(4, list.wordCount) == 0;
    read &= set->GetInt(5, list.editable) == 0;
    read &= set->GetText(6, list.secondText) == 0;
    ReportAssertion(read, kSourceFile, 610);
    return list;
}

CBasicDateTime DateOf(const QDateEdit* edit) {
    const QDate date = edit ? edit->date() : QDate::currentDate();
    return CBasicDateTime(date.year(), date.month(), date.day(), 0, 0, 0);
}

} // namespace

CTutorDlg::CTutorDlg(const QuenzelServices& services, CPageHost* mainDlg, QWidget* parent)
    : CKVXResizableDlg(IDD_TUTOR_PAGE, parent),
      CWorkerThread(1),
      m_services(services),
      m_mainDlg(mainDlg),
      m_list(new CVocabularyListCtrl(services.flags, this)),
      m_wordsGroup(new QButtonGroup(this)),
      m_periodGroup(new QButtonGroup(this)),
      m_start(new QDateEdit(this)),
      m_end(new QDateEdit(this)) {
    m_list->hide();
    m_start->hide();
    m_end->hide();
    for (QDateEdit* date : {m_start, m_end}) {
        date->setCalendarPopup(true);
        date->setDate(QDate::currentDate());
    }
    for (size_t i = 0; i < std::size(kButtons); ++i) {
        auto* button = new CWinButton(WinButtonPush, this);
        button->hide();
        m_buttons.push_back(button);
    }
}

CTutorDlg::~CTutorDlg() {
    WaitForJob();
    m_editDlg.reset();
    m_learnDlg.reset();
    m_quizDlg.reset();
    FreeHttpFile();
}

BOOL CTutorDlg::OnInitDialog() {
    const BOOL result = CKVXResizableDlg::OnInitDialog();
    MakeControls();
    m_export.reset();
    m_job = TUTOR_JOB_NONE;
    FillVocabularyLists();
    AddResizableControls();
    const COLORREF color = m_services.TabPageBkColor();
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(GetRValue(color), GetGValue(color), GetBValue(color)));
    setPalette(palette);
    setAutoFillBackground(true);
    for (const Tip& tip : kTips)
        if (QWidget* control = GetDlgItem(tip.control)) m_toolTip.AddTool(control, QuenzelString(tip.text));
    if (auto* status = GetDlgItem<QComboBox>(IDC_TUTOR_STATUS)) status->setCurrentIndex(QUERY_STATUS_NOT_MEMORIZED);
    OnCriteriaChanged(false);
    return result;
}

void CTutorDlg::MakeControls() {
    if (!GetDlgItem<CVocabularyListCtrl>(IDC_TUTOR_LISTS)) {
        SubclassDlgItem(IDC_TUTOR_LISTS, m_list);
        m_list->InitializeListCtrl();
        m_list->SetFullRowSel(TRUE);
        connect(m_list, &QAbstractItemView::doubleClicked, this, [this] { OnEditList(); });
        SubclassDlgItem(IDC_TUTOR_START, m_start);
        SubclassDlgItem(IDC_TUTOR_END, m_end);
        for (size_t i = 0; i < std::size(kButtons); ++i) {
            CWinButton* button = m_buttons[i];
            const CBasicString caption = GetDlgItemText(kButtons[i].id);
            SubclassDlgItem(kButtons[i].id, button);
            button->SetButtonText(caption.GetString());
            if (kButtons[i].png) button->SetPNG(kButtons[i].png);
            else button->SetIcon(kSyncIcon, kSyncIcon, kSyncIconSize);
        }
        int choice = 0;
        for (UINT id : {IDC_TUTOR_ALL_WORDS, IDC_TUTOR_FILTERED})
            if (auto* radio = GetDlgItem<QRadioButton>(id)) m_wordsGroup->addButton(radio, choice++);
        choice = 0;
        for (UINT id : {IDC_TUTOR_BETWEEN, IDC_TUTOR_MONTHS_CHOICE, IDC_TUTOR_DAYS_CHOICE})
            if (auto* radio = GetDlgItem<QRadioButton>(id)) m_periodGroup->addButton(radio, choice++);
        connect(m_wordsGroup, &QButtonGroup::idClicked, this,
                [this](int choice) { OnCriteriaChanged(choice == CRITERIA_ALL_WORDS); });
        connect(m_periodGroup, &QButtonGroup::idClicked, this, [this](int) { OnCriteriaChanged(false); });
        if (auto* status = GetDlgItem<QComboBox>(IDC_TUTOR_STATUS)) {
            for (int i = 0; i < static_cast<int>(std::size(kStatusTexts)); ++i)
                status->addItem(QString::fromWCharArray(QuenzelString(kStatusTexts[i]).GetString()), i);
            connect(status, &QComboBox::activated, this, [this](int) { OnCriteriaChanged(false); });
        }
        for (UINT id : {IDC_TUTOR_LISTS_HEADER, IDC_TUTOR_CRITERIA_HEADER})
            if (auto* label = GetDlgItem<QLabel>(id)) {
                QFont font = label->font();
                font.setBold(true);
                label->setFont(font);
            }
    }
    if (QAbstractButton* all = m_wordsGroup->button(CRITERIA_ALL_WORDS)) all->setChecked(true);
    if (QAbstractButton* between = m_periodGroup->button(QUERY_PERIOD_BETWEEN)) between->setChecked(true);
}

void CTutorDlg::AddResizableControls() {
    m_resizableCtrls.clear();
    for (UINT id : {IDC_TUTOR_EDIT, IDC_TUTOR_IMPORT, IDC_TUTOR_DELETE, IDC_TUTOR_EXPORT, IDC_TUTOR_CREATE,
                    IDC_TUTOR_SYNC})
        m_resizableCtrls.emplace_back(id, 0, RESIZE_KEEP_TOP | RESIZE_ANCHOR_RIGHT);
    for (UINT id : {IDC_TUTOR_DAYS, IDC_TUTOR_MONTHS, IDC_TUTOR_MONTHS_LABEL, IDC_TUTOR_DAYS_LABEL, IDC_TUTOR_START,
                    IDC_TUTOR_END, IDC_TUTOR_ALL_WORDS, IDC_TUTOR_FILTERED, IDC_TUTOR_BETWEEN, IDC_TUTOR_MONTHS_CHOICE,
                    IDC_TUTOR_DAYS_CHOICE, IDC_TUTOR_CRITERIA_HEADER, IDC_TUTOR_AND, IDC_TUTOR_STATUS})
        m_resizableCtrls.emplace_back(id, 0, RESIZE_KEEP_LEFT | RESIZE_ANCHOR_BOTTOM);
    for (UINT id : {IDC_TUTOR_LEARN, IDC_TUTOR_QUIZ})
        m_resizableCtrls.emplace_back(id, 0, RESIZE_ANCHOR_RIGHT | RESIZE_ANCHOR_BOTTOM);
    m_resizableCtrls.emplace_back(IDC_TUTOR_LISTS_HEADER, 0, RESIZE_KEEP_LEFT | RESIZE_KEEP_TOP);
    m_resizableCtrls.emplace_back(IDC_TUTOR_LISTS_LINE, 0, RESIZE_KEEP_TOP | RESIZE_STRETCH_WIDTH);
    m_resizableCtrls.emplace_back(IDC_TUTOR_CRITERIA_LINE, 0, RESIZE_ANCHOR_BOTTOM | RESIZE_STRETCH_WIDTH);
    m_resizableCtrls.emplace_back(IDC_TUTOR_LISTS, 0, RESIZE_STRETCH_WIDTH | RESIZE_STRETCH_HEIGHT);
    CKVXResizableDlg::AddResizableControls();
}

void CTutorDlg::ApplyEnabling(const TrainingCriteriaEnabling& enabling) {
    auto enable = [this](UINT id, bool on) {
        if (QWidget* control = GetDlgItem(id)) control->setEnabled(on);
    };
    enable(IDC_TUTOR_STATUS, enabling.status);
    for (UINT id : {IDC_TUTOR_BETWEEN, IDC_TUTOR_MONTHS_CHOICE, IDC_TUTOR_DAYS_CHOICE})
        enable(id, enabling.periodChoices);
    for (UINT id : {IDC_TUTOR_START, IDC_TUTOR_END, IDC_TUTOR_AND}) enable(id, enabling.between);
    for (UINT id : {IDC_TUTOR_MONTHS, IDC_TUTOR_MONTHS_LABEL}) enable(id, enabling.months);
    for (UINT id : {IDC_TUTOR_DAYS, IDC_TUTOR_DAYS_LABEL}) enable(id, enabling.days);
}

void CTutorDlg::OnCriteriaChanged(bool allWordsChosen) {
    const TrainingCriteriaInput input = ReadCriteria();
    ApplyEnabling(allWordsChosen ? GetAllWordsEnabling() : GetStatusEnabling(input.status, input.period));
}

TrainingCriteriaInput CTutorDlg::ReadCriteria() const {
    TrainingCriteriaInput input;
    input.wordsChoice = m_wordsGroup->checkedId() == CRITERIA_FILTERED ? CRITERIA_FILTERED : CRITERIA_ALL_WORDS;
    input.period = std::max(0, m_periodGroup->checkedId());
    if (auto* status = GetDlgItem<QComboBox>(IDC_TUTOR_STATUS))
        input.status = status->currentIndex() >= 0 ? status->currentData().toInt() : QUERY_STATUS_NOT_MEMORIZED;
    input.start = DateOf(m_start);
    input.end = DateOf(m_end);
    if (auto* months = GetDlgItem<QLineEdit>(IDC_TUTOR_MONTHS)) input.months = months->text().toStdWString().c_str();
    if (auto* days = GetDlgItem<QLineEdit>(IDC_TUTOR_DAYS)) input.days = days->text().toStdWString().c_str();
    return input;
}

bool CTutorDlg::GetPair(int& first, int& second) {
    const bool ok = m_mainDlg && m_mainDlg->GetSelectedLanguages(&first, &second);
    ReportAssertion(ok, kSourceFile, 720);
    return ok;
}

void CTutorDlg::ShowMessage(const CBasicString& text, UINT flags) {
    if (m_mainDlg) m_mainDlg->ShowMessageBox(text.GetString(), flags, this);
    else QuenzelMessageBox(this, text.GetString(), flags);
}

void CTutorDlg::ShowMessage(UINT id, UINT flags) { ShowMessage(QuenzelString(id), flags); }

int CTutorDlg::FillVocabularyLists() {
    CAbstractDataBase* database = m_services.database;
    if (!database) return 0;
    std::vector<std::unique_ptr<VocabularyListRecord>> records;
    CAbstractRecordSet* set = database->QueryVocabularyLists(LIST_QUERY_ALL, L"");
    while (set && !set->IsEOF()) {
        records.push_back(std::make_unique<VocabularyListRecord>(ReadListRow(set)));
        set->MoveNext();
    }
    database->ReleaseRecordSet(set);
    m_list->DeleteListItems(TRUE);
    m_records = std::move(records);
    ShowRecords();
    return 1;
}

void CTutorDlg::ShowRecords() {
    m_list->DeleteListItems(TRUE);
    for (const auto& record : m_records) m_list->AddItem(record.get());
}

std::vector<const VocabularyListRecord*> CTutorDlg::GetRowRecords() const {
    std::vector<const VocabularyListRecord*> rows;
    for (int row = 0; row < m_list->GetItemCount(); ++row)
        rows.push_back(static_cast<const VocabularyListRecord*>(m_list->GetItem(row)));
    return rows;
}

std::vector<const VocabularyListRecord*> CTutorDlg::GetSelectedRecords() const {
    std::vector<const VocabularyListRecord*> rows;
    for (int row : m_list->GetSelectedRows())
        rows.push_back(static_cast<const VocabularyListRecord*>(m_list->GetItem(row)));
    return rows;
}

int CTutorDlg::SetListRow(VocabularyListRecord* list, int row, int update) {
    if (!list || row < 0 || !m_mainDlg) {
        ReportAssertion(0, kSourceFile, 790);
        if (update == 0) delete list;
        return 0;
    }
    if (update == 0) {
        m_records.emplace_back(list);
        m_list->AddItem(list);
        return 1;
    }
    auto* record = static_cast<VocabularyListRecord*>(m_list->GetItem(row));
    if (!record) {
        ReportAssertion(0, kSourceFile, 801);
        return 0;
    }
    record->Copy(*list);
    m_list->RedrawItems(row, row);
    m_list->viewport()->update();
    return 1;
}

int CTutorDlg::FindListRow(int64_t listId, int& row) {
    for (row = 0; row < m_list->GetItemCount(); ++row) {
        const auto* record = static_cast<const VocabularyListRecord*>(m_list->GetItem(row));
        if (record && record->id == listId) return 1;
    }
    row = -1;
    return 0;
}

void CTutorDlg::UpdateListWordCounts(const std::vector<int64_t>& listIds) {
    // A save of the learning view reports after its progress closed; only a
    // progress dialog that is still shown can cancel.
    std::function<bool()> isRunning;
    if (CProgressDlg* progress = m_services.progress; progress && IsWindow(progress))
        isRunning = [progress] { return progress->IsRunning() != 0; };
    ApplyListWordCounts(ReadListWordCounts(m_services.database, listIds, isRunning));
}

void CTutorDlg::ApplyListWordCounts(const std::vector<ListWordCount>& counts) {
    CAbstractDataBase* database = m_services.database;
    if (!database) return;
    for (const ListWordCount& count : counts) {
        int row = -1;
        if (!FindListRow(count.listId, row)) continue;
        auto* record = static_cast<VocabularyListRecord*>(m_list->GetItem(row));
        record->wordCount = count.wordCount;
        m_list->RedrawItems(row, row);
        const int stored = CallDataBase([&] { return database->UpdateVocabularyList(*record); });
        ReportAssertion(stored == 0, kSourceFile, 845);
    }
}

int CTutorDlg::GetQueryOptions(CQueryOptions& options) {
    int first = 0, second = 0;
    if (!m_mainDlg) {
        ReportAssertion(0, kSourceFile, 1410);
        return 0;
    }
    if (!GetPair(first, second)) return 0;
    UINT message = 0;
    const int result = BuildQueryOptions(first, second, GetSelectedRecords(), ReadCriteria(), options, message);
    if (message) ShowMessage(message, MB_ICONINFORMATION);
    if (!options.ListIds.empty()) SetCurrentLanguagePair(m_services.database, {first, second});
    return result;
}

int CTutorDlg::LookupWordUse(const WordKeyRecord& word, int& textHits, int& idUses) {
    return ::LookupWordUse(m_services.database, word, textHits, idUses);
}

void CTutorDlg::OnCommand(UINT id) {
    switch (id) {
    case IDC_TUTOR_SYNC: OnSync(); return;
    case IDC_TUTOR_IMPORT: OnImportList(); return;
    case IDC_TUTOR_EXPORT: OnExportList(); return;
    case IDC_TUTOR_CREATE: OnCreateList(); return;
    case IDC_TUTOR_EDIT: OnEditList(); return;
    case IDC_TUTOR_DELETE: OnDeleteLists(); return;
    case IDC_TUTOR_LEARN: OnLearn(); return;
    case IDC_TUTOR_QUIZ: OnQuiz(); return;
    default: CKVXResizableDlg::OnCommand(id);
    }
}

void CTutorDlg::OpenEditor(int mode, const VocabularyListRecord& list, int placement, const CBasicString& path,
                           int kind) {
    if (!m_editDlg) m_editDlg = std::make_unique<CEditListDlg>(m_services, this, m_mainDlg);
    if (m_editDlg->IsCreated()) m_editDlg->DestroyWindow();
    m_editDlg->SetList(&list, &list);
    m_editDlg->SetMode(mode);
    m_editDlg->SetImportFile(path);
    m_editDlg->SetSeparatorKind(kind);
    if (!m_editDlg->Create()) return;
    ApplyChildPlacement(m_editDlg.get(), placement, m_mainDlg, m_services.options);
    m_editDlg->show();
    m_editDlg->raise();
    m_editDlg->activateWindow();
    if (m_mainDlg) m_mainDlg->hide();
}

void CTutorDlg::OnCreateList() {
    int first = 0, second = 0;
    CAbstractDataBase* database = m_services.database;
    if (!database || !GetPair(first, second)) return;
    SetCurrentLanguagePair(database, {first, second});
    VocabularyListRecord list;
    list.fromLanguage = first;
    list.toLanguage = second;
    list.editable = 1;
    OpenEditor(LIST_EDIT_CREATE, list, PLACEMENT_CREATE, CBasicString(), 0);
}

void CTutorDlg::OnEditList() {
    int first = 0, second = 0;
    CAbstractDataBase* database = m_services.database;
    if (!database || !GetPair(first, second)) return;
    SetCurrentLanguagePair(database, {first, second});
    const std::vector<const VocabularyListRecord*> selected = GetSelectedRecords();
    if (selected.empty() || !selected.front()) {
        ShowMessage(31079, MB_ICONINFORMATION);
        return;
    }
    const VocabularyListRecord& list = *selected.front();
    if (list.editable == 0) {
        ShowMessage(31352, MB_ICONINFORMATION);
        return;
    }
    if (list.fromLanguage == kPictureLanguageId || list.toLanguage == kPictureLanguageId) {
        ShowMessage(CBasicString(kPictureListText), MB_ICONINFORMATION);
        return;
    }
    OpenEditor(LIST_EDIT_EDIT, list, PLACEMENT_EDIT, CBasicString(), 0);
}

void CTutorDlg::OnImportList() {
    int first = 0, second = 0;
    CAbstractDataBase* database = m_services.database;
    if (!database || !GetPair(first, second)) return;
    SetCurrentLanguagePair(database, {first, second});
    KVXFileDialogRequest request;
    request.filter = QuenzelString(IDS_LIST_FILE_FILTER);
    request.defaultExtension = kListFileExtension;
    KVXFileDialogAnswer answer;
    if (!KVXGetFileName(this, request, answer)) return;
    const int kind = GetListFileKind(answer.path.GetString());
    if (!kind) {
        ReportAssertion(0, kSourceFile, 960);
        return;
    }
    VocabularyListRecord list;
    list.fromLanguage = first;
    list.toLanguage = second;
    list.editable = 1;
    OpenEditor(LIST_EDIT_IMPORT, list, PLACEMENT_IMPORT, answer.path, kind);
}

void CTutorDlg::OnExportList() {
    const std::vector<const VocabularyListRecord*> selected = GetSelectedRecords();
    if (selected.empty() || !selected.front()) {
        ShowMessage(31079, MB_ICONINFORMATION);
        return;
    }
    if (m_job != TUTOR_JOB_NONE || IsJobRunning()) return;
    const int64_t listId = selected.front()->id;
    KVXFileDialogRequest request;
    request.save = true;
    request.filter = QuenzelString(IDS_LIST_FILE_FILTER);
    request.defaultExtension = kListFileExtension;
    KVXFileDialogAnswer answer;
    if (!KVXGetFileName(this, request, answer)) return;
    const VocabularyListExport job(listId, answer.path);
    switch (job.GetCheck()) {
    case VocabularyListExport::kEmptyPath: ShowMessage(31106, MB_ICONINFORMATION); return;
    case VocabularyListExport::kUnknownKind: ReportAssertion(0, kSourceFile, 1010); return;
    case VocabularyListExport::kReady: break;
    }
    m_export = job;
    m_job = TUTOR_JOB_EXPORT;
    if (Start()) return;
    m_job = TUTOR_JOB_NONE;
    m_export.reset();
}

void CTutorDlg::OnDeleteLists() {
    CAbstractDataBase* database = m_services.database;
    const std::vector<int> rows = m_list->GetSelectedRows();
    if (rows.empty()) {
        ShowMessage(31079, MB_ICONINFORMATION);
        return;
    }
    if (!database) return;
    std::vector<VocabularyListRecord> lists;
    for (int row : rows)
        if (const auto* record = static_cast<const VocabularyListRecord*>(m_list->GetItem(row))) lists.push_back(*record);
    const bool one = lists.size() == 1;
    CBasicString question;
    if (one) question.Format(QuenzelString(31038).GetString(), lists.front().name.GetString());
    else question.Format(QuenzelString(31133).GetString(), static_cast<int>(lists.size()));
    const int answer = m_mainDlg ? m_mainDlg->ShowMessageBox(question.GetString(), MB_YESNO | MB_ICONQUESTION, this)
                                 : QuenzelMessageBox(this, question.GetString(), MB_YESNO | MB_ICONQUESTION);
    if (answer != IDYES) return;
    // Each list by its id, also when every list is selected.
    bool failed = false;
    for (const VocabularyListRecord& list : lists) {
        if (CallDataBase([&] { return database->DeleteVocabularyList(list.id, 0); }) != 0) {
            failed = true;
            break;
        }
        std::erase_if(m_records, [&](const auto& record) { return record->id == list.id; });
    }
    ShowRecords();
    CBasicString text;
    if (failed) {
        if (one) text.Format(QuenzelString(31042).GetString(), lists.front().name.GetString());
        else text.Format(QuenzelString(31135).GetString(), static_cast<int>(lists.size()));
        ShowMessage(text, MB_ICONERROR);
        return;
    }
    if (one) text.Format(QuenzelString(31043).GetString(), lists.front().name.GetString());
    else text.Format(QuenzelString(31134).GetString(), static_cast<int>(lists.size()));
    ShowMessage(text, MB_ICONINFORMATION);
}

void CTutorDlg::OnLearn() {
    CQueryOptions options;
    if (GetQueryOptions(options) != 1) return;
    // The learning view shows a picture list with the pictures first.
    if (options.SecondLanguage == kPictureLanguageId) std::swap(options.FirstLanguage, options.SecondLanguage);
    VocabularyListRecord list;
    list.fromLanguage = options.FirstLanguage;
    list.toLanguage = options.SecondLanguage;
    list.editable = options.Editable;
    OpenTrainingWindow(IDC_TUTOR_LEARN, options, list);
}

void CTutorDlg::OnQuiz() {
    CQueryOptions options;
    if (GetQueryOptions(options) != 1) return;
    VocabularyListRecord list;
    list.fromLanguage = options.FirstLanguage;
    list.toLanguage = options.SecondLanguage;
    list.editable = options.Editable;
    OpenTrainingWindow(IDC_TUTOR_QUIZ, options, list);
}

QWidget* CTutorDlg::OpenTrainingWindow(UINT command, const CQueryOptions& options, const VocabularyListRecord& list) {
    if (command == IDC_TUTOR_LEARN) {
        if (!m_learnDlg) {
            m_learnDlg = std::make_unique<CLearnDlg>(m_services, m_mainDlg);
            m_learnDlg->SetListsChangedHandler([this](const std::vector<int64_t>& ids) { UpdateListWordCounts(ids); });
        }
        m_learnDlg->SetListRecord(list);
        m_learnDlg->SetQueryOptions(options);
        m_learnDlg->Open();
        return m_learnDlg.get();
    }
    if (!m_quizDlg) m_quizDlg = std::make_unique<CQuizDlg>(m_services, m_mainDlg);
    m_quizDlg->SetQueryOptions(options);
    m_quizDlg->Open();
    return m_quizDlg.get();
}

void CTutorDlg::OnSync() {
    if (m_job != TUTOR_JOB_NONE || IsJobRunning()) return;
    CSyncOption dialog(m_services, this);
    if (dialog.DoModal() != IDOK) return;
    if (dialog.m_direction == 0 || dialog.m_direction == 1) StartSync(dialog.m_direction);
}

BOOL CTutorDlg::StartSync(int direction) {
    if (m_job != TUTOR_JOB_NONE || IsJobRunning() || (direction != 0 && direction != 1)) return FALSE;
    // The job works from what the page and the settings hold now.
    TutorSyncRequest request;
    request.http = GetHttpFile();
    if (m_services.options) {
        request.email = m_services.options->GetSyncEMail();
        request.password = m_services.options->GetSyncPassword();
    }
    request.direction = direction;
    m_sync.emplace(std::move(request));
    m_job = TUTOR_JOB_SYNC;
    if (Start()) return TRUE;
    m_job = TUTOR_JOB_NONE;
    m_sync.reset();
    return FALSE;
}

CAbstractFile* CTutorDlg::GetHttpFile() {
    if (m_httpFile) return m_httpFile;
    const COnlineLibrary* online = m_services.online;
    if (!online || !online->IsLoaded()) return nullptr;
    if (!online->CanCreateHttpFile()) {
        ReportAssertion(0, kSourceFile, 1180);
        return nullptr;
    }
    m_httpFile = online->CreateHttpFile(nullptr, m_services.framework ? m_services.framework->GetLog() : nullptr);
    m_ownsHttpFile = m_httpFile != nullptr;
    return m_httpFile;
}

void CTutorDlg::FreeHttpFile() {
    if (!m_httpFile || !m_ownsHttpFile) return;
    if (m_services.online) m_services.online->DeleteHttpFile(m_httpFile);
    m_httpFile = nullptr;
    m_ownsHttpFile = false;
}

int CTutorDlg::SynchronizeDataBase(CAbstractFile* http, const wchar_t* email, const wchar_t* password,
                                   int direction) {
    CAbstractDataBase* database = m_services.database;
    if (!database) return DATABASE_NOT_OPEN;
    return CallDataBase([&] { return database->Synchronize(http, email, password, direction); });
}

DWORD CTutorDlg::RunInstance() {
    SendMessage(this, WM_KVX_WORKER_STARTED, 0, 0);
    auto end = std::make_unique<WorkerResult>();
    if (m_job == TUTOR_JOB_EXPORT && m_export) {
        *end = m_export->Run(m_services.database, JobProgress(m_services.progress));
        m_export.reset();
    } else if (m_job == TUTOR_JOB_SYNC && m_sync) {
        const TutorSyncOutcome outcome =
            m_sync->Run([this](CAbstractFile* http, const wchar_t* email, const wchar_t* password, int direction) {
                return SynchronizeDataBase(http, email, password, direction);
            });
        m_sync.reset();
        *end = outcome.end;
        // The rows belong to the page's thread.
        if (outcome.refillLists) KVXSendWindowWork(this, [this] { FillVocabularyLists(); });
    }
    m_job = TUTOR_JOB_NONE;
    PostMessage(this, WM_KVX_WORKER_FINISHED, 0, std::move(end));
    return 0;
}

LRESULT CTutorDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KVX_WORKER_STARTED) return KVXShowJobProgress(m_services.progress, this);
    if (message == WM_KVX_WORKER_FINISHED) {
        const auto* end = reinterpret_cast<const WorkerResult*>(lParam);
        KVXEndJobProgress(m_services.progress, nullptr, nullptr);
        if (end && end->flags != 0) ShowMessage(end->text, end->flags);
        return 1;
    }
    return CKVXResizableDlg::WindowProc(message, wParam, lParam);
}

void CTutorDlg::OnDestroy() {
    WaitForJob();
    if (m_editDlg && m_editDlg->IsCreated()) m_editDlg->DestroyWindow();
    m_list->DeleteListItems(TRUE);
    m_records.clear();
    CKVXResizableDlg::OnDestroy();
}
