#include "Quenzel/Tutor/LearnDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <iterator>

#include "Pendrel/App/KVXWindowWork.h"
#include "Pendrel/App/WorkerResult.h"
#include "Pendrel/Dialogs/ProgressDlg.h"
#include "Pendrel/Dialogs/WorkerProgress.h"
#include "Pendrel/Platform/KVXDialogTemplate.h"
#include "Pendrel/Platform/KVXFileDialog.h"
#include "Pendrel/Platform/KVXPrinterDeviceContext.h"
#include "Pendrel/Platform/KVXRect.h"
#include "Pendrel/Platform/KVXText.h"
#include "Pendrel/Platform/KVXWindowMessages.h"
#include "Quenzel/App/DataBaseCall.h"
#include "Quenzel/App/Options.h"
#include "Quenzel/App/QuenzelApp.h"
#include "Quenzel/Shared/HeaderBand.h"
#include "Quenzel/Shared/MultilineListBox.h"
#include "Quenzel/Tutor/ChildPlacement.h"
#include "Quenzel/Tutor/LearnDlgHelpers.h"
#include "Quenzel/Tutor/VocabularyListFile.h"
#include "utility/ErrorReport.h"
#include "utility/StringTableRegistration.h"

namespace {

const char kSourceFile[] = "LearnDlg";
constexpr int kMinimumWidth = 800;
constexpr int kMinimumHeight = 600;
constexpr int kMinimumRowHeight = 30;
constexpr int kMaximumRowHeight = 255;
constexpr UINT IDC_KNOWN_LABEL = 11119;
constexpr UINT IDC_UNKNOWN_LABEL = 11120;
constexpr UINT IDC_TOTAL_LABEL = 11121;
constexpr UINT IDS_SAVE_QUESTION = 31354;
constexpr UINT IDS_INVALID_NAME = 31106;

constexpr DWORD kShown = WS_CHILD | WS_VISIBLE;
constexpr DWORD kButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP;

const KVXDialogControl kControls[] = {
    {IDC_LEARN_TITLE, WC_STATIC, L"", 10, 8, 380, 12, kShown | SS_NOPREFIX},
    {IDC_LEARN_HELP, WC_STATIC, L"", 10, 22, 380, 18, kShown | SS_NOPREFIX},
    {IDC_LEARN_LINE, WC_STATIC, L"", 0, 44, 533, 1, kShown | SS_ETCHEDHORZ},
    {IDC_LEARN_ADVERTISEMENT, WC_STATIC, L"", 7, 46, 519, 40, WS_CHILD},
    {IDC_LEARN_LIST, WC_LISTBOX, L"", 7, 88, 519, 238, kShown | WS_TABSTOP},
    {IDC_LEARN_LIST_VIEW, WC_LISTVIEW, L"", 7, 88, 519, 238, WS_CHILD | WS_DISABLED},
    {IDC_LEARN_LANGUAGES, WC_STATIC, L"", 7, 332, 220, 10, kShown | SS_NOPREFIX},
    {IDC_LEARN_HIDE_MEANINGS, WC_BUTTON, L"Hide Meanings", 7, 348, 110, 12, kButton | BS_AUTOCHECKBOX},
    {IDC_KNOWN_LABEL, WC_STATIC, L"Known:", 236, 332, 28, 10, kShown},
    {IDC_LEARN_KNOWN_VALUE, WC_STATIC, L"0", 265, 332, 48, 10, kShown | SS_RIGHT},
    {IDC_UNKNOWN_LABEL, WC_STATIC, L"Unknown:", 318, 332, 36, 10, kShown},
    {IDC_LEARN_UNKNOWN_VALUE, WC_STATIC, L"0", 355, 332, 48, 10, kShown | SS_RIGHT},
    {IDC_TOTAL_LABEL, WC_STATIC, L"Total:", 408, 332, 26, 10, kShown},
    {IDC_LEARN_TOTAL_VALUE, WC_STATIC, L"0", 435, 332, 91, 10, kShown | SS_RIGHT},
    {ID_FILE_PRINT_PREVIEW, WC_BUTTON, L"Preview", 120, 346, 55, 18, kButton},
    {ID_FILE_PRINT, WC_BUTTON, L"Print", 178, 346, 55, 18, kButton},
    {IDC_LEARN_KNOWN, WC_BUTTON, L"Known", 236, 346, 55, 18, kButton},
    {IDC_LEARN_UNKNOWN, WC_BUTTON, L"Unknown", 294, 346, 55, 18, kButton},
    {IDC_LEARN_EXPORT, WC_BUTTON, L"Export", 352, 346, 55, 18, kButton},
    {IDC_LEARN_SAVE, WC_BUTTON, L"Save", 410, 346, 55, 18, kButton},
    {IDOK, WC_BUTTON, L"Close", 468, 346, 55, 18, kButton},
};
const KVXDialogTemplate kTemplate = {IDD_LEARN, L"Learn View", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME,
                                     533, 369, 8, L"MS Shell Dlg", kControls, std::size(kControls)};
const CKVXDialogTemplateRegistration kTemplateRegistration(kTemplate);

const StringTableEntry kStrings[] = {
    {31167, L"Learn your vocabulary list."},
    {31168, L"Click a word you know to mark it Known, click it again for Unknown; save your progress when done."},
    {31316, L"[H]Hide Meanings[D]Hide every meaning; click a hidden meaning to see it."},
    {31317, L"[H]Known[D]Mark the selected words as known."},
    {31318, L"[H]Unknown[D]Mark the selected words as unknown."},
    {31354, L"Do you want to save the status count of the modified words?"},
};
const CStringTableRegistration kStringsRegistration(kStrings);

const UINT kTemplateIds[] = {IDC_LEARN_TITLE,       IDC_LEARN_HELP,          IDC_LEARN_LINE,
                             IDC_LEARN_ADVERTISEMENT, IDC_LEARN_LIST,        IDC_LEARN_LIST_VIEW,
                             IDC_LEARN_LANGUAGES,   IDC_LEARN_HIDE_MEANINGS, IDC_KNOWN_LABEL,
                             IDC_LEARN_KNOWN_VALUE, IDC_UNKNOWN_LABEL,       IDC_LEARN_UNKNOWN_VALUE,
                             IDC_TOTAL_LABEL,       IDC_LEARN_TOTAL_VALUE,   ID_FILE_PRINT_PREVIEW,
                             ID_FILE_PRINT,         IDC_LEARN_KNOWN,         IDC_LEARN_UNKNOWN,
                             IDC_LEARN_EXPORT,      IDC_LEARN_SAVE,          IDOK};

// The controls a job holds off.
const UINT kJobControls[] = {IDC_LEARN_LIST,   IDC_LEARN_KNOWN, IDC_LEARN_UNKNOWN,      IDC_LEARN_SAVE, IDOK,
                             IDC_LEARN_EXPORT, ID_FILE_PRINT,   IDC_LEARN_HIDE_MEANINGS};

struct Tip {
    UINT control, text;
};
const Tip kTips[] = {{IDC_LEARN_HIDE_MEANINGS, 31316}, {IDC_LEARN_KNOWN, 31317}, {IDC_LEARN_UNKNOWN, 31318},
                     {IDC_LEARN_EXPORT, 31293},        {IDC_LEARN_SAVE, 31314},  {IDOK, 31315}};

const TutorButtonImage kButtons[] = {
    {ID_FILE_PRINT_PREVIEW, 421, 0, 0, 0}, {ID_FILE_PRINT, 421, 0, 0, 0},  {IDC_LEARN_KNOWN, 418, 0, 0, 0},
    {IDC_LEARN_UNKNOWN, 419, 0, 0, 0},     {IDC_LEARN_EXPORT, 409, 0, 0, 0}, {IDC_LEARN_SAVE, 0, 321, 322, 24},
    {IDOK, 0, 337, 337, 24},
};

QString CellText(const CGridListCtrl_Data& cell) { return KVXToQString(cell.m_text); }

} // namespace

CLearnDlg::CLearnDlg(const QuenzelServices& services, QWidget* owner)
    : CKVXResizableDlg(IDD_LEARN, nullptr),
      CWorkerThread(1),
      m_services(services),
      m_owner(owner),
      m_listBox(new CMultilineListBox(services, this, this)),
      m_session(services.database, m_listBox->GetRows()) {
    m_listBox->hide();
    m_listBox->SetMode(MULTILINE_MODE_LEARNING);
}

CLearnDlg::~CLearnDlg() { WaitForJob(); }

void CLearnDlg::SetListRecord(const VocabularyListRecord& list) { m_session.SetListRecord(list); }

void CLearnDlg::SetQueryOptions(const CQueryOptions& options) { m_session.SetQueryOptions(options); }

BOOL CLearnDlg::Open() {
    if (IsJobRunning()) return FALSE;
    return TutorOpenWindow(*this, PLACEMENT_LEARN, m_owner, m_services.options);
}

BOOL CLearnDlg::OnInitDialog() {
    const BOOL result = CKVXResizableDlg::OnInitDialog();
    m_services.SetWindowIcon(this);

    if (!TutorRestoreLayout(*this, m_firstLayout))
        TutorKeepLayout(*this, m_firstLayout, kTemplateIds, std::size(kTemplateIds));
    if (QWidget* placeholder = GetDlgItem(IDC_LEARN_ADVERTISEMENT)) placeholder->hide();
    TutorStyleCounters(*this, {IDC_KNOWN_LABEL, IDC_LEARN_KNOWN_VALUE, IDC_UNKNOWN_LABEL, IDC_LEARN_UNKNOWN_VALUE,
                               IDC_TOTAL_LABEL, IDC_LEARN_TOTAL_VALUE},
                       m_services.options);
    TutorMakeButtons(*this, kButtons, std::size(kButtons));
    if (QWidget* placeholder = GetDlgItem(IDC_LEARN_LIST_VIEW)) {
        placeholder->setEnabled(false);
        placeholder->hide();
    }
    if (GetDlgItem(IDC_LEARN_LIST) != m_listBox) SubclassDlgItem(IDC_LEARN_LIST, m_listBox);
    m_listBox->show();
    m_listBox->LoadImages();
    m_listBox->SetMode(MULTILINE_MODE_LEARNING);
    m_listBox->SetEditFlag(m_session.GetListRecord().editable);

    const CBasicString first = TutorLanguageName(m_services.database, m_session.GetFirstLanguage());
    const CBasicString second = TutorLanguageName(m_services.database, m_session.GetSecondLanguage());
    CBasicString pair;
    pair.Format(QuenzelString(31080).GetString(), first.GetString(), second.GetString());
    SetDlgItemText(IDC_LEARN_LANGUAGES, pair.GetString());
    m_session.Reset(first, second);
    // Without the advertisement panel the list takes its place.
    const BOOL shown = TutorShowAdvertisement(*this, m_advertisement, IDC_LEARN_ADVERTISEMENT, {first, second},
                                               m_services.options);
    TutorFitListToAdvertisement(m_listBox, GetDlgItem(IDC_LEARN_ADVERTISEMENT), shown, m_listTop);
    m_listBox->SetLanguageId(m_session.GetFirstLanguage());
    m_listBox->RecalcHeights();
    if (auto* hide = GetDlgItem<QCheckBox>(IDC_LEARN_HIDE_MEANINGS)) hide->setChecked(false);

    TutorSetHeader(*this, IDC_LEARN_TITLE, 31167, IDC_LEARN_HELP, 31168);

    m_closeAfterSave = false;
    m_session.SetModified(false);
    AddResizableControls();
    for (const Tip& tip : kTips)
        if (QWidget* control = GetDlgItem(tip.control)) m_toolTip.AddTool(control, QuenzelString(tip.text));
    UpdateCounters(0);
    StartJob(LEARN_JOB_LOAD);
    return result;
}

void CLearnDlg::AddResizableControls() {
    m_resizableCtrls.clear();
    const DWORD bottomLeft = RESIZE_KEEP_LEFT | RESIZE_ANCHOR_BOTTOM;
    const DWORD bottomRight = RESIZE_ANCHOR_RIGHT | RESIZE_ANCHOR_BOTTOM;
    m_resizableCtrls.emplace_back(IDC_LEARN_LINE, 0, RESIZE_KEEP_TOP | RESIZE_STRETCH_WIDTH);
    m_resizableCtrls.emplace_back(IDC_LEARN_ADVERTISEMENT, 0, RESIZE_KEEP_TOP | RESIZE_STRETCH_WIDTH);
    m_resizableCtrls.emplace_back(IDC_LEARN_LIST, 0, RESIZE_STRETCH_WIDTH | RESIZE_STRETCH_HEIGHT);
    m_resizableCtrls.emplace_back(IDC_LEARN_LANGUAGES, 0, bottomLeft);
    m_resizableCtrls.emplace_back(IDC_LEARN_HIDE_MEANINGS, 0, bottomLeft);
    for (UINT id : {IDC_KNOWN_LABEL, IDC_LEARN_KNOWN_VALUE, IDC_UNKNOWN_LABEL, IDC_LEARN_UNKNOWN_VALUE, IDC_TOTAL_LABEL,
                    IDC_LEARN_TOTAL_VALUE, UINT(ID_FILE_PRINT_PREVIEW), UINT(ID_FILE_PRINT), IDC_LEARN_KNOWN,
                    IDC_LEARN_UNKNOWN, IDC_LEARN_EXPORT, IDC_LEARN_SAVE, UINT(IDOK)})
        m_resizableCtrls.emplace_back(id, 0, bottomRight);
    CKVXResizableDlg::AddResizableControls();
}

void CLearnDlg::SetChildWindowPosition() {
    CKVXResizableDlg::SetChildWindowPosition();
    TutorPlaceAdvertisement(*this, m_advertisement, IDC_LEARN_ADVERTISEMENT);
}

void CLearnDlg::OnGetMinMaxInfo(MINMAXINFO* info) {
    info->ptMinTrackSize.x = kMinimumWidth;
    info->ptMinTrackSize.y = kMinimumHeight;
    CKVXResizableDlg::OnGetMinMaxInfo(info);
}

CAbstractProgressStatus* CLearnDlg::JobProgress() const {
    if (m_jobProgress) return m_jobProgress;
    return m_services.progress;
}

BOOL CLearnDlg::StartJob(int job) {
    if (IsJobRunning()) return FALSE;
    m_job = job;
    // The load reports under the caption the window shows now.
    if (job == LEARN_JOB_LOAD) m_loadCaption = GetDlgItemText(IDC_LEARN_LANGUAGES);
    return Start();
}

DWORD CLearnDlg::RunInstance() {
    SendMessage(this, WM_KVX_WORKER_STARTED, 0, 0);
    auto result = std::make_unique<WorkerResult>();
    KVXSendWindowWork(this, [this] { EnableControls(false); });
    CAbstractProgressStatus* progress = JobProgress();
    switch (m_job) {
    case LEARN_JOB_LOAD: m_session.Load(progress, m_loadCaption); break;
    case LEARN_JOB_SAVE:
        m_saveFailed = m_session.Save(progress, &m_removedLinksSaved) == LearningSession::kSaveFailed;
        // The window stays open with the rows not stored, to be saved again.
        if (m_saveFailed) *result = WorkerResult{MB_ICONERROR, StorageFailureText()};
        break;
    case LEARN_JOB_EXPORT: *result = m_session.Export(m_exportPath, m_exportKind, progress); break;
    case LEARN_JOB_KNOWN:
    case LEARN_JOB_UNKNOWN: m_session.Mark(m_jobRows, m_job == LEARN_JOB_KNOWN, progress); break;
    default: ReportAssertion(0, kSourceFile, 1213); break;
    }
    KVXSendWindowWork(this, [this] { EnableControls(true); });
    PostMessage(this, WM_KVX_WORKER_FINISHED, 0, std::move(result));
    return 0;
}

void CLearnDlg::EnableControls(bool enable) {
    const bool rows = m_listBox->GetRowCount() > 1;
    for (UINT id : kJobControls)
        if (QWidget* control = GetDlgItem(id)) control->setEnabled(enable && (rows || id == IDOK));
}

LRESULT CLearnDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    CProgressDlg* progress = m_services.progress;
    switch (message) {
    case WM_KVX_WORKER_STARTED: return progress ? KVXShowJobProgress(progress, this) : 1;
    case WM_KVX_WORKER_FINISHED: {
        QWidget* parent = m_owner && m_owner->isVisible() ? m_owner : this;
        if (progress) KVXEndJobProgress(progress, parent, reinterpret_cast<const WorkerResult*>(lParam));
        OnJobFinished();
        return 1;
    }
    case WM_LEARN_COUNTERS: UpdateCounters(static_cast<int>(wParam)); return 0;
    default: return CKVXResizableDlg::WindowProc(message, wParam, lParam);
    }
}

void CLearnDlg::OnJobFinished() {
    const int job = m_job;
    m_job = LEARN_JOB_NONE;
    if (job != LEARN_JOB_EXPORT) m_listBox->RecalcHeights();
    UpdateCounters(job == LEARN_JOB_KNOWN || job == LEARN_JOB_UNKNOWN
                       ? (m_jobRows.empty() ? 0 : m_jobRows.back())
                       : 0);
    if (job == LEARN_JOB_SAVE && m_removedLinksSaved) {
        m_removedLinksSaved = false;
        if (m_listsChanged) m_listsChanged(m_session.GetQueryOptions().ListIds);
    }
    if (job == LEARN_JOB_SAVE && m_closeAfterSave) {
        m_closeAfterSave = false;
        if (!m_saveFailed) DestroyWindow();
    }
}

void CLearnDlg::UpdateCounters(int row) {
    const int64_t total = m_session.GetTotal();
    CBasicString known, unknown, position;
    known.Format(L"%I64d / %I64d", m_session.GetKnownCount(), total);
    unknown.Format(L"%I64d / %I64d", m_session.GetUnknownCount(), total);
    position.Format(L"%d / %I64d", row, total);
    SetDlgItemText(IDC_LEARN_KNOWN_VALUE, known.GetString());
    SetDlgItemText(IDC_LEARN_UNKNOWN_VALUE, unknown.GetString());
    SetDlgItemText(IDC_LEARN_TOTAL_VALUE, position.GetString());
}

std::vector<int> CLearnDlg::SelectedRows() const {
    std::vector<int> rows;
    m_listBox->GetSelectedRows(rows);
    return rows;
}

void CLearnDlg::OnCommand(UINT id) {
    switch (id) {
    case IDC_LEARN_KNOWN:
    case IDC_LEARN_UNKNOWN:
        m_jobRows = SelectedRows();
        StartJob(id == IDC_LEARN_KNOWN ? LEARN_JOB_KNOWN : LEARN_JOB_UNKNOWN);
        break;
    case IDC_LEARN_SAVE: StartJob(LEARN_JOB_SAVE); break;
    case IDC_LEARN_EXPORT: OnExport(); break;
    case IDC_LEARN_REMOVE: OnRemove(); break;
    case IDC_LEARN_HIDE_MEANINGS:
        if (auto* hide = GetDlgItem<QCheckBox>(IDC_LEARN_HIDE_MEANINGS))
            m_listBox->SetMeaningsHidden(hide->isChecked() ? TRUE : FALSE);
        break;
    default: CKVXResizableDlg::OnCommand(id);
    }
}

void CLearnDlg::OnExport() {
    m_exportPath.Empty();
    KVXFileDialogRequest request;
    request.save = true;
    request.filter = QuenzelString(IDS_LIST_FILE_FILTER);
    request.defaultExtension = kListFileExtension;
    KVXFileDialogAnswer answer;
    if (!KVXGetFileName(this, request, answer)) return;
    m_exportPath = answer.path;
    if (m_exportPath.IsEmpty()) {
        QuenzelMessageBox(this, QuenzelString(IDS_INVALID_NAME).GetString(), MB_ICONINFORMATION);
        return;
    }
    m_exportKind = LearningSession::SeparatorKindForPath(m_exportPath);
    if (m_exportKind == 0) {
        ReportAssertion(0, kSourceFile, 1402);
        return;
    }
    StartJob(LEARN_JOB_EXPORT);
}

void CLearnDlg::OnRemove() {
    if (IsJobRunning()) return;
    m_session.Remove(SelectedRows());
    m_listBox->clearSelection();
    m_listBox->RecalcHeights();
    UpdateCounters(0);
}

void CLearnDlg::OnOK() { AskToClose(); }

void CLearnDlg::OnCancel() { AskToClose(); }

void CLearnDlg::AskToClose() {
    if (IsJobRunning()) return;
    if (!m_session.IsModified()) {
        DestroyWindow();
        return;
    }
    QWidget* parent = m_owner && m_owner->isVisible() ? m_owner : this;
    switch (QuenzelMessageBox(parent, QuenzelString(IDS_SAVE_QUESTION).GetString(), MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDYES:
        m_closeAfterSave = true;
        if (!StartJob(LEARN_JOB_SAVE)) m_closeAfterSave = false;
        break;
    case IDNO:
        m_closeAfterSave = false;
        DestroyWindow();
        break;
    default: break;
    }
}

void CLearnDlg::OnDestroy() {
    StoreChildPlacement(this, PLACEMENT_LEARN, m_owner, m_services.options);
    CKVXResizableDlg::OnDestroy();
    TutorShowOwner(m_owner);
}

void CLearnDlg::paintEvent(QPaintEvent* event) {
    CKVXResizableDlg::paintEvent(event);
    QuenzelPaintHeaderBand(this, GetDlgItem(IDC_LEARN_LINE), m_services.logo);
}

UINT CLearnDlg::GetPageCount() const {
    const int words = std::max(0, m_listBox->GetRowCount() - 1);
    return static_cast<UINT>(std::max(1, (words + kLearnRowsPerPage - 1) / kLearnRowsPerPage));
}

BOOL CLearnDlg::OnPreparePrinting(CPrintInfo* info) {
    if (!info) return FALSE;
    info->SetMaxPage(GetPageCount());
    return CKVXResizableDlg::OnPreparePrinting(info);
}

void CLearnDlg::OnPrint(CKVXPrinterDeviceContext* dc, CPrintInfo* info) {
    if (!dc || !info) return;
    CKVXResizableDlg::OnPrint(dc, info);
    QPainter& painter = dc->Painter();
    const QRect page = CKVXRect(info->m_drawRect).ToQRect();
    const int dpi = std::max(1, dc->GetDeviceCaps(LOGPIXELSY));
    const int margin = dpi / 2;
    const QRect area = page.adjusted(margin, margin, -margin, -margin);
    if (area.isEmpty()) return;

    // The page caption at the foot: "Arial", twice 18 points.
    QFont caption(QStringLiteral("Arial"));
    caption.setPixelSize(std::max(1, 2 * 18 * dpi / 72));
    caption.setWeight(QFont::Normal);
    const int footer = QFontMetrics(caption, painter.device()).height();
    QFont text(QStringLiteral("Arial"));
    text.setPixelSize(std::max(1, 11 * dpi / 72));
    QFont heading = text;
    heading.setBold(true);

    std::vector<GridRow> rows(static_cast<size_t>(std::max(0, m_listBox->GetRowCount())));
    for (size_t i = 0; i < rows.size(); ++i) m_listBox->GetRows().CopyRow(static_cast<int>(i), rows[i]);
    const int rowHeight = (area.height() - footer) / (kLearnRowsPerPage + 2);
    const int half = area.width() / 2;
    auto drawRow = [&](int y, const QString& word, const QString& meaning) {
        const QRect wordRect(area.left(), y, half - dpi / 10, rowHeight);
        const QRect meaningRect(area.left() + half, y, half, rowHeight);
        const QFontMetrics metrics(painter.font(), painter.device());
        painter.drawText(wordRect, Qt::AlignLeft | Qt::AlignVCenter,
                         metrics.elidedText(word, Qt::ElideRight, wordRect.width()));
        painter.drawText(meaningRect, Qt::AlignLeft | Qt::AlignVCenter,
                         metrics.elidedText(meaning, Qt::ElideRight, meaningRect.width()));
    };
    int y = area.top();
    if (!rows.empty()) {
        painter.setFont(heading);
        drawRow(y, CellText(rows[0].word), CellText(rows[0].meaning));
        y += rowHeight;
        painter.drawLine(area.left(), y, area.right(), y);
        y += rowHeight / 2;
    }
    painter.setFont(text);
    const size_t first = 1 + static_cast<size_t>(info->m_currentPage - 1) * kLearnRowsPerPage;
    for (size_t i = first; i < rows.size() && i < first + kLearnRowsPerPage; ++i) {
        drawRow(y, CellText(rows[i].word), CellText(rows[i].meaning));
        y += rowHeight;
    }

    CBasicString number;
    number.Format(L"PAGE %1d of %1d", static_cast<int>(info->m_currentPage), static_cast<int>(info->GetMaxPage()));
    painter.setFont(caption);
    painter.drawText(QRect(area.left(), area.bottom() - footer, area.width(), footer), Qt::AlignCenter,
                     KVXToQString(number));
}
