#include "Quenzel/Tutor/EditListDlg.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>

#include <algorithm>
#include <iterator>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "DataBase/AbstractDataBase.h"
#include "Pendrel/App/KVXApp.h"
#include "Pendrel/Controls/WinButton.h"
#include "Pendrel/Dialogs/ProgressDlg.h"
#include "Pendrel/Dialogs/WorkerProgress.h"
#include "Pendrel/Platform/KVXDialogTemplate.h"
#include "Pendrel/Platform/KVXImageConversion.h"
#include "Pendrel/Platform/KVXWindowMessages.h"
#include "Quenzel/App/FlagCache.h"
#include "Quenzel/App/QuenzelApp.h"
#include "Quenzel/Shared/HeaderBand.h"
#include "Quenzel/Shared/LanguageComboBox.h"
#include "Quenzel/Shared/MultilineListBox.h"
#include "Quenzel/Shared/PageHost.h"
#include "Quenzel/Tutor/ChildPlacement.h"
#include "Quenzel/Tutor/Model/QuizSession.h"
#include "Quenzel/Tutor/TutorDlg.h"
#include "Quenzel/Tutor/VocabularyListFile.h"
#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = ".\\EditListDlg";
constexpr int kMinimumWidth = 800;
constexpr int kMinimumHeight = 600;
constexpr UINT kNothingToImport = 31991;  // the file gave no pair

constexpr DWORD kButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
const KVXDialogControl kControls[] = {
    {IDC_EDIT_LIST_TITLE, WC_STATIC, L"", 10, 8, 380, 12, WS_CHILD | WS_VISIBLE | SS_NOPREFIX},
    {IDC_EDIT_LIST_TEXT, WC_STATIC, L"", 10, 22, 380, 18, WS_CHILD | WS_VISIBLE | SS_NOPREFIX},
    {IDC_EDIT_LIST_LINE, WC_STATIC, L"", 0, 44, 533, 1, WS_CHILD | WS_VISIBLE | SS_ETCHEDHORZ},
    {IDC_EDIT_LIST_NAME_LABEL, WC_STATIC, L"Name:", 7, 54, 30, 10, WS_CHILD | WS_VISIBLE},
    {IDC_EDIT_LIST_NAME, WC_COMBOBOX, L"", 40, 51, 200, 14, kButton | CBS_DROPDOWN},
    {IDC_EDIT_LIST_WORDS, WC_COMBOBOX, L"", 262, 51, 116, 14, kButton | CBS_DROPDOWNLIST},
    {IDC_EDIT_LIST_TO_LABEL, WC_STATIC, L"To", 382, 54, 14, 10, WS_CHILD | WS_VISIBLE | SS_CENTER},
    {IDC_EDIT_LIST_MEANINGS, WC_COMBOBOX, L"", 400, 51, 126, 14, kButton | CBS_DROPDOWNLIST},
    {IDC_EDIT_LIST_AD, WC_STATIC, L"", 7, 72, 519, 40, WS_CHILD},
    {IDC_EDIT_LIST_ROWS, L"KvxMultilineListBox", L"", 7, 116, 519, 222, kButton},
    {IDC_EDIT_LIST_ADD, WC_BUTTON, L"Add", 7, 345, 55, 18, kButton},
    {IDC_EDIT_LIST_REMOVE, WC_BUTTON, L"Remove", 66, 345, 55, 18, kButton},
    {IDC_EDIT_LIST_SAVE, WC_BUTTON, L"Save", 413, 345, 55, 18, kButton},
    {IDCANCEL, WC_BUTTON, L"Close", 472, 345, 55, 18, kButton},
};
const KVXDialogTemplate kTemplate = {IDD_EDIT_LIST, L"Edit View", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME,
                                     533, 369, 8, L"MS Shell Dlg", kControls, std::size(kControls)};
const CKVXDialogTemplateRegistration kTemplateRegistration(kTemplate);

struct Tip {
    UINT control, text;
};
const Tip kTips[] = {{IDC_EDIT_LIST_NAME, 31309},  {IDC_EDIT_LIST_WORDS, 31310},  {IDC_EDIT_LIST_MEANINGS, 31311},
                     {IDC_EDIT_LIST_ADD, 31312},   {IDC_EDIT_LIST_REMOVE, 31313}, {IDC_EDIT_LIST_SAVE, 31314},
                     {IDCANCEL, 31315}};

struct Header {
    UINT title, text;
};
Header HeaderOf(int mode) {
    switch (mode) {
    case LIST_EDIT_EDIT: return {31161, 31162};
    case LIST_EDIT_IMPORT: return {31163, 31164};
    default: return {31165, 31166};
    }
}

int PlacementOf(int mode) {
    switch (mode) {
    case LIST_EDIT_EDIT: return PLACEMENT_EDIT;
    case LIST_EDIT_IMPORT: return PLACEMENT_IMPORT;
    default: return PLACEMENT_CREATE;
    }
}

QString ToQ(const CBasicString& text) { return QString::fromWCharArray(text.GetString()); }
CBasicString FromQ(const QString& text) { return CBasicString(text.toStdWString().c_str()); }

int IndexOfData(const CLanguageComboBox* box, int id) {
    for (int i = 0; i < box->count(); ++i)
        if (box->GetItemData(i) == id) return i;
    return -1;
}

} // namespace

CEditListDlg::CEditListDlg(const QuenzelServices& services, CTutorDlg* tutor, CPageHost* mainDlg)
    : CKVXResizableDlg(IDD_EDIT_LIST, nullptr),
      CWorkerThread(1),
      m_services(services),
      m_tutor(tutor),
      m_mainDlg(mainDlg),
      m_words(new CLanguageComboBox(this)),
      m_meanings(new CLanguageComboBox(this)),
      m_listBox(new CMultilineListBox(services, this, this)),
      m_add(new CWinButton(WinButtonPush, this)),
      m_remove(new CWinButton(WinButtonPush, this)),
      m_save(new CWinButton(WinButtonPush, this)),
      m_close(new CWinButton(WinButtonPush, this)) {
    for (QWidget* widget : std::initializer_list<QWidget*>{m_words, m_meanings, m_listBox, m_add, m_remove, m_save,
                                                           m_close})
        widget->hide();
    m_listBox->SetMode(MULTILINE_MODE_EDITOR);
}

CEditListDlg::~CEditListDlg() { WaitForJob(); }

void CEditListDlg::SetList(const VocabularyListRecord* page, const VocabularyListRecord* edited) {
    m_pageList.Reset();
    m_editedList.Reset();
    if (page) m_pageList.Copy(*page);
    if (edited) m_editedList.Copy(*edited);
}

QComboBox* CEditListDlg::GetNameBox() const { return GetDlgItem<QComboBox>(IDC_EDIT_LIST_NAME); }

void CEditListDlg::MakeControls() {
    if (GetDlgItem<CMultilineListBox>(IDC_EDIT_LIST_ROWS)) return;
    SubclassDlgItem(IDC_EDIT_LIST_WORDS, m_words);
    SubclassDlgItem(IDC_EDIT_LIST_MEANINGS, m_meanings);
    SubclassDlgItem(IDC_EDIT_LIST_ROWS, m_listBox);
    m_listBox->LoadImages();
    struct ButtonSet {
        UINT id;
        CWinButton* button;
        UINT icon, disabled;
    };
    for (const ButtonSet& set : {ButtonSet{IDC_EDIT_LIST_ADD, m_add, 300, 301},
                                 ButtonSet{IDC_EDIT_LIST_REMOVE, m_remove, 360, 361},
                                 ButtonSet{IDC_EDIT_LIST_SAVE, m_save, 321, 322}, ButtonSet{IDCANCEL, m_close, 337, 0}}) {
        const CBasicString caption = GetDlgItemText(set.id);
        SubclassDlgItem(set.id, set.button);
        set.button->SetButtonText(caption.GetString());
        set.button->SetIcon(set.icon, set.disabled, 16);
    }
    connect(m_words, &QComboBox::activated, this, [this](int) { OnLanguageChosen(); });
    connect(m_meanings, &QComboBox::activated, this, [this](int) { OnLanguageChosen(); });
    if (QComboBox* name = GetNameBox()) {
        connect(name, &QComboBox::editTextChanged, this, [this](const QString&) { OnNameTyped(); });
        connect(name, &QComboBox::activated, this, [this](int index) { OnNameChosen(index); });
    }
    if (auto* title = GetDlgItem<QLabel>(IDC_EDIT_LIST_TITLE)) {
        QFont font = title->font();
        font.setBold(true);
        title->setFont(font);
    }
}

BOOL CEditListDlg::OnInitDialog() {
    const BOOL result = CKVXResizableDlg::OnInitDialog();
    m_services.SetWindowIcon(this);
    MakeControls();
    m_model.SetDataBase(m_services.database);
    m_model.Reset(m_mode, m_editedList);
    m_model.SetImportFile(m_importPath, m_kind);
    m_closeAfterSave = false;
    FillLanguageBoxes();
    if (QComboBox* name = GetNameBox()) {
        name->blockSignals(true);
        name->clear();
        name->setEditText(ToQ(m_editedList.name));
        name->blockSignals(false);
    }
    m_add->setEnabled(false);
    m_remove->setEnabled(false);
    m_save->setEnabled(false);
    m_words->setEnabled(true);
    m_meanings->setEnabled(true);

    const Header header = HeaderOf(m_mode);
    SetDlgItemText(IDC_EDIT_LIST_TITLE, QuenzelString(header.title).GetString());
    SetDlgItemText(IDC_EDIT_LIST_TEXT, QuenzelString(header.text).GetString());
    switch (m_mode) {
    case LIST_EDIT_EDIT: {
        const int words = IndexOfData(m_words, m_editedList.fromLanguage);
        const int meanings = IndexOfData(m_meanings, m_editedList.toLanguage);
        if (words >= 0) m_words->setCurrentIndex(words);
        if (meanings >= 0) m_meanings->setCurrentIndex(meanings);
        m_words->setEnabled(false);
        m_meanings->setEnabled(false);
        break;
    }
    default: FillNameBox(); break;
    }
    m_model.SetLanguages(m_words->GetItemData(m_words->currentIndex()),
                         m_meanings->GetItemData(m_meanings->currentIndex()));
    ShowRows();
    ShowAdvertisement();
    AddResizableControls();
    for (const Tip& tip : kTips)
        if (QWidget* control = GetDlgItem(tip.control)) m_toolTip.AddTool(control, QuenzelString(tip.text));
    if (m_mode == LIST_EDIT_EDIT) StartJob(EDIT_JOB_LOAD);
    else if (m_mode == LIST_EDIT_IMPORT) StartJob(EDIT_JOB_IMPORT);
    else UpdateButtons();
    return result;
}

void CEditListDlg::FillLanguageBoxes() {
    if (!m_services.database) return;
    const std::vector<LanguageRecord> languages = m_services.database->GetLanguages(0);
    const CLanguageComboBox* mainBoxes[] = {m_mainDlg ? m_mainDlg->GetFirstCombo() : nullptr,
                                            m_mainDlg ? m_mainDlg->GetSecondCombo() : nullptr};
    CLanguageComboBox* boxes[] = {m_words, m_meanings};
    for (int i = 0; i < 2; ++i) {
        CLanguageComboBox* box = boxes[i];
        box->clear();
        box->SetImageCache(m_services.flags ? &m_services.flags->GetImages() : nullptr);
        for (const LanguageRecord& language : languages) box->InsertItem(0, language.name.GetString(), language.id);
        const CLanguageComboBox* main = mainBoxes[i];
        if (main) box->SelectName(main->GetItemText(main->currentIndex()).GetString());
        else box->setCurrentIndex(IndexOfData(box, i == 0 ? m_editedList.fromLanguage : m_editedList.toLanguage));
    }
}

void CEditListDlg::FillNameBox() {
    m_model.LoadListNames();
    QComboBox* name = GetNameBox();
    if (!name) return;
    name->blockSignals(true);
    name->clear();
    for (const VocabularyListRecord& list : m_model.GetListNames()) name->addItem(ToQ(list.name));
    name->setCurrentIndex(-1);
    name->setEditText(ToQ(m_model.GetName()));
    name->blockSignals(false);
}

void CEditListDlg::ShowAdvertisement() {
    QWidget* placeholder = GetDlgItem(IDC_EDIT_LIST_AD);
    if (placeholder) placeholder->hide();
    const std::vector<CBasicString> items = {m_words->GetItemText(m_words->currentIndex()),
                                             m_meanings->GetItemText(m_meanings->currentIndex())};
    const BOOL shown = TutorShowAdvertisement(*this, m_advertisement, IDC_EDIT_LIST_AD, items, m_services.options);
    TutorFitListToAdvertisement(m_listBox, placeholder, shown, m_listTop);
}

void CEditListDlg::AddResizableControls() {
    m_resizableCtrls.clear();
    m_resizableCtrls.emplace_back(IDC_EDIT_LIST_LINE, 0, RESIZE_KEEP_TOP | RESIZE_STRETCH_WIDTH);
    m_resizableCtrls.emplace_back(IDC_EDIT_LIST_AD, 0, RESIZE_KEEP_TOP | RESIZE_STRETCH_WIDTH);
    m_resizableCtrls.emplace_back(IDC_EDIT_LIST_ROWS, 0, RESIZE_STRETCH_WIDTH | RESIZE_STRETCH_HEIGHT);
    for (UINT id : {IDC_EDIT_LIST_ADD, IDC_EDIT_LIST_REMOVE})
        m_resizableCtrls.emplace_back(id, 0, RESIZE_KEEP_LEFT | RESIZE_ANCHOR_BOTTOM);
    for (UINT id : {static_cast<UINT>(IDC_EDIT_LIST_SAVE), static_cast<UINT>(IDCANCEL)})
        m_resizableCtrls.emplace_back(id, 0, RESIZE_ANCHOR_RIGHT | RESIZE_ANCHOR_BOTTOM);
    CKVXResizableDlg::AddResizableControls();
}

void CEditListDlg::SetChildWindowPosition() {
    CKVXResizableDlg::SetChildWindowPosition();
    TutorPlaceAdvertisement(*this, m_advertisement, IDC_EDIT_LIST_AD);
}

void CEditListDlg::OnGetMinMaxInfo(MINMAXINFO* info) {
    info->ptMinTrackSize.x = kMinimumWidth;
    info->ptMinTrackSize.y = kMinimumHeight;
    CKVXResizableDlg::OnGetMinMaxInfo(info);
}

void CEditListDlg::ShowRows() {
    const CBasicString first = m_words->GetItemText(m_words->currentIndex());
    const CBasicString second = m_meanings->GetItemText(m_meanings->currentIndex());
    m_listBox->ResetContent();
    if (m_listBox->GetRowCount() == 0) m_listBox->AddHeadingRow(first.GetString(), second.GetString());
    else m_listBox->SetFirstRowTexts(first.GetString(), second.GetString());
    // The list box keeps the rows while they are shown; the model gets a
    // copy back only for what it does with them (TakeRows).
    m_listBox->AddRows(std::move(m_model.Rows()));
    std::vector<GridRow>().swap(m_model.Rows());
    // Every row is new to the list box: each is measured at its first layout.
    m_listBox->SetModified(m_model.IsModified() ? TRUE : FALSE);
}

int CEditListDlg::ShownRowCount() const { return std::max(0, m_listBox->GetRowCount() - 1); }

void CEditListDlg::TakeRows() {
    std::vector<GridRow>& rows = m_model.Rows();
    rows.clear();
    rows.reserve(static_cast<size_t>(ShownRowCount()));
    for (int index = 1; index < m_listBox->GetRowCount(); ++index) {
        GridRow row;
        if (m_listBox->GetRows().CopyRow(index, row)) rows.push_back(row);
    }
    if (m_listBox->IsModified()) m_model.SetModified(true);
}

void CEditListDlg::UpdateButtons() {
    const bool hasRows = ShownRowCount() > 0;
    m_add->setEnabled(true);
    m_remove->setEnabled(hasRows);
    m_save->setEnabled(m_model.HasChanges() && (hasRows || m_model.IsNameChanged()));
    m_close->setEnabled(true);
}

void CEditListDlg::EnableWhileJob(bool running) {
    for (QWidget* widget : std::initializer_list<QWidget*>{m_add, m_remove, m_save, m_close})
        widget->setEnabled(!running);
    // The rows go back to the list box when the job ends: no edits meanwhile.
    m_listBox->setEnabled(!running);
}

void CEditListDlg::ShowMessage(const CBasicString& text, UINT flags) {
    if (m_mainDlg) m_mainDlg->ShowMessageBox(text.GetString(), flags, this);
    else QuenzelMessageBox(this, text.GetString(), flags);
}

void CEditListDlg::OnCommand(UINT id) {
    switch (id) {
    case IDC_EDIT_LIST_ADD: OnAdd(); return;
    case IDC_EDIT_LIST_REMOVE: OnRemove(); return;
    case IDC_EDIT_LIST_SAVE: OnSave(); return;
    default: CKVXResizableDlg::OnCommand(id);
    }
}

void CEditListDlg::OnAdd() {
    if (GetJob() != EDIT_JOB_NONE) return;
    TakeRows();
    const int row = static_cast<int>(m_model.AddRow()) + 1;
    ShowRows();
    m_listBox->SetCurrentCell(row, 0);
    m_listBox->scrollTo(m_listBox->model()->index(row, 0));
    UpdateButtons();
    m_save->setEnabled(true);
}

void CEditListDlg::OnRemove() {
    if (GetJob() != EDIT_JOB_NONE) return;
    std::vector<int> selected;
    m_listBox->GetSelectedRows(selected);
    std::vector<size_t> rows;
    for (int row : selected)
        if (row > 0) rows.push_back(static_cast<size_t>(row - 1));  // below the heading row
    if (rows.empty()) return;
    TakeRows();
    m_model.RemoveRows(rows);
    ShowRows();
    UpdateButtons();
}

void CEditListDlg::OnNameTyped() {
    QComboBox* name = GetNameBox();
    if (!name) return;
    m_model.SetName(FromQ(name->currentText()));
    m_save->setEnabled(m_model.HasChanges());
}

void CEditListDlg::OnNameChosen(int index) {
    if (index < 0) return;
    TakeRows();
    m_model.ChooseList(static_cast<size_t>(index));
    const VocabularyListRecord& list = m_model.GetList();
    for (auto [box, id] : {std::pair{m_words, list.fromLanguage}, std::pair{m_meanings, list.toLanguage}})
        box->setCurrentIndex(std::max(0, IndexOfData(box, id)));
    m_model.SetLanguages(m_words->GetItemData(m_words->currentIndex()),
                         m_meanings->GetItemData(m_meanings->currentIndex()));
    ShowRows();
    UpdateButtons();
}

void CEditListDlg::OnLanguageChosen() {
    const int words = m_words->GetItemData(m_words->currentIndex());
    const int meanings = m_meanings->GetItemData(m_meanings->currentIndex());
    TakeRows();
    m_model.SetLanguages(words, meanings);
    const VocabularyListRecord& list = m_model.GetList();
    if (words == list.toLanguage || meanings == list.fromLanguage) {
        m_add->setEnabled(true);
        m_remove->setEnabled(true);
        m_save->setEnabled(true);
    }
    ShowRows();
}

void CEditListDlg::OnSave() {
    if (GetJob() != EDIT_JOB_NONE) return;
    QComboBox* name = GetNameBox();
    CBasicString text = name ? FromQ(name->currentText()) : CBasicString();
    text.TrimLeft();
    text.TrimRight();
    if (text.IsEmpty()) {
        ShowMessage(QuenzelString(31106), MB_ICONINFORMATION);
        if (name) name->setFocus();
        m_closeAfterSave = false;
        return;
    }
    const int words = m_words->GetItemData(m_words->currentIndex());
    const int meanings = m_meanings->GetItemData(m_meanings->currentIndex());
    const VocabularyListRecord& list = m_model.GetList();
    if (m_mode == LIST_EDIT_IMPORT && list.id > 0 && m_words->currentIndex() >= 0 && m_meanings->currentIndex() >= 0 &&
        !(words == list.fromLanguage && meanings == list.toLanguage) &&
        !(words == list.toLanguage && meanings == list.fromLanguage)) {
        ShowMessage(QuenzelString(31136), MB_ICONINFORMATION);
        m_listBox->setFocus();
        m_closeAfterSave = false;
        return;
    }
    TakeRows();
    m_model.SetLanguages(words, meanings);
    m_model.SetName(text);
    StartJob(EDIT_JOB_SAVE);
}

void CEditListDlg::OnCancel() { OnClose(); }

void CEditListDlg::OnClose() {
    if (GetJob() != EDIT_JOB_NONE || IsJobRunning()) {
        // The job stops at its next row; its end comes back here.
        if (CProgressDlg* progress = m_services.progress) progress->SetRunning(FALSE);
        return;
    }
    // Whether there is anything to save; a save takes the rows itself.
    if (m_listBox->IsModified()) m_model.SetModified(true);
    if (!m_model.HasChanges()) {
        DestroyWindow();
        return;
    }
    CBasicString question;
    question.Format(QuenzelString(31353).GetString(), m_model.GetName().GetString());
    const int answer = m_mainDlg ? m_mainDlg->ShowMessageBox(question.GetString(), MB_YESNOCANCEL | MB_ICONQUESTION, this)
                                 : QuenzelMessageBox(this, question.GetString(), MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDYES) {
        m_closeAfterSave = true;
        OnSave();
    } else if (answer == IDNO) {
        DestroyWindow();
    }
}

void CEditListDlg::StartJob(int job) {
    m_job = job;
    m_lastJob = job;
    m_today = TutorTodayText();
    EnableWhileJob(true);
    if (!Start()) {
        m_job = EDIT_JOB_NONE;
        m_lastJob = EDIT_JOB_NONE;
        EnableWhileJob(false);
    }
}

DWORD CEditListDlg::RunInstance() {
    SendMessage(this, WM_KVX_WORKER_STARTED, 0, 0);
    auto end = std::make_unique<WorkerResult>();
    const ListFileProgress progress = MakeJobProgress();
    switch (m_job.load()) {
    case EDIT_JOB_IMPORT: {
        const size_t before = m_model.Rows().size();
        if (!m_model.Import(progress, ImportVocabularyList)) {
            const bool cancelled = !progress.IsRunning();
            end->flags = cancelled ? MB_ICONINFORMATION : MB_ICONERROR;
            end->text.Format(QuenzelString(cancelled ? 31265 : 31030).GetString(), m_importPath.GetString());
            if (const int line = m_model.GetImportLongLine())
                end->text.Format(QuenzelString(31890).GetString(), line, m_importPath.GetString(),
                                 static_cast<int>(kMaxImportLineBytes));
        } else if (m_model.GetImportedCount() == 0) {
            // An empty or unreadable file: said so, and no empty list to save.
            end->flags = MB_ICONERROR;
            end->text.Format(QuenzelString(kNothingToImport).GetString(), m_importPath.GetString());
        }
        ReportAssertion(m_model.Rows().size() >= before, kSourceFile, 1720);
        break;
    }
    case EDIT_JOB_LOAD: m_model.Load(progress); break;
    case EDIT_JOB_SAVE: m_model.Save(progress, m_today, *end); break;
    default: break;
    }
    m_job = EDIT_JOB_NONE;
    PostMessage(this, WM_KVX_WORKER_FINISHED, 0, std::move(end));
    return 0;
}

ListFileProgress CEditListDlg::MakeJobProgress() {
    ListFileProgress progress;
    CProgressDlg* dialog = m_services.progress;
    progress.isRunning = [dialog] { return !dialog || dialog->IsRunning(); };
    progress.report = [dialog](int rows) {
        if (!dialog) return;
        ProgressInfo info;
        info.kind = 2;
        info.current2 = info.total2 = rows;
        dialog->SetProgress(&info);
    };
    return progress;
}

LRESULT CEditListDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KVX_WORKER_STARTED) return KVXShowJobProgress(m_services.progress, this);
    if (message == WM_MULTILINE_CHANGED) {
        // An edit in the list box.
        m_add->setEnabled(true);
        m_remove->setEnabled(true);
        if (lParam && GetJob() == EDIT_JOB_NONE) {
            m_model.SetModified(true);
            m_save->setEnabled(true);
        }
        return 0;
    }
    if (message == WM_KVX_WORKER_FINISHED) {
        FinishJob(reinterpret_cast<const WorkerResult*>(lParam));
        return 1;
    }
    return CKVXResizableDlg::WindowProc(message, wParam, lParam);
}

void CEditListDlg::FinishJob(const WorkerResult* end) {
    KVXEndJobProgress(m_services.progress, nullptr, nullptr);
    const int job = m_lastJob;
    m_lastJob = EDIT_JOB_NONE;
    if (job == EDIT_JOB_LOAD || job == EDIT_JOB_IMPORT) {
        if (QComboBox* name = GetNameBox()) {
            name->blockSignals(true);
            name->setEditText(ToQ(m_model.GetName()));
            name->blockSignals(false);
        }
    }
    if (job == EDIT_JOB_SAVE && m_tutor) {
        const VocabularyListRecord& list = m_model.GetList();
        int row = -1;
        if (m_model.GetListRowChange() == LIST_ROW_ADD) {
            m_tutor->SetListRow(new VocabularyListRecord(list), 0, 0);
        } else if (m_model.GetListRowChange() == LIST_ROW_UPDATE && m_tutor->FindListRow(list.id, row)) {
            VocabularyListRecord copy = list;
            m_tutor->SetListRow(&copy, row, 1);
        }
        m_mode = m_model.GetMode();
        if (QComboBox* name = GetNameBox()) {
            name->blockSignals(true);
            name->setEditText(ToQ(m_model.GetName()));
            name->blockSignals(false);
        }
    }
    ShowRows();
    EnableWhileJob(false);
    UpdateButtons();
    // A save the data file did not take keeps the editor open with its rows.
    const bool notStored = job == EDIT_JOB_SAVE && m_model.IsSaveNotStored();
    if (job == EDIT_JOB_SAVE) m_save->setEnabled(notStored);
    if (end && end->flags != 0) ShowMessage(end->text, end->flags);
    if (notStored) m_closeAfterSave = false;
    else if (job == EDIT_JOB_IMPORT && m_model.GetImportedCount() == 0 && ShownRowCount() == 0) DestroyWindow();
    else if (job == EDIT_JOB_SAVE && (m_closeAfterSave || m_mode == LIST_EDIT_IMPORT)) DestroyWindow();
}

void CEditListDlg::OnDestroy() {
    WaitForJob();
    if (QComboBox* name = GetNameBox()) name->clear();
    ReleaseRows();
    StoreChildPlacement(this, PlacementOf(m_mode), m_mainDlg, m_services.options);
    if (m_mainDlg) {
        m_mainDlg->show();
        m_mainDlg->raise();
        m_mainDlg->activateWindow();
    }
    CKVXResizableDlg::OnDestroy();
    // The tutor page keeps the closed window for the next list, but not its
    // window-system window and the drawing surface it holds (megabytes at
    // full size); the next Create makes them anew.
    destroy();
}

void CEditListDlg::ReleaseRows() {
    m_listBox->ResetContent();
    std::vector<GridRow>().swap(m_model.Rows());
#ifdef __GLIBC__
    // The rows were many small blocks, most from the worker's heap: handed
    // back to the system now rather than kept for the next list.
    malloc_trim(0);
#endif
}

void CEditListDlg::paintEvent(QPaintEvent* event) {
    CKVXResizableDlg::paintEvent(event);
    QuenzelPaintHeaderBand(this, GetDlgItem(IDC_EDIT_LIST_LINE), m_services.logo);
}
