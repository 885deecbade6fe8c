#include "Pendrel/Dialogs/ProgressDlg.h"

#include <QPalette>
#include <QKeyEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QWindow>

#include <iterator>
#include <map>
#include <string>
#include <utility>

#include "Pendrel/App/KVXApp.h"
#include "Pendrel/App/KVXWindowWork.h"
#include "Pendrel/Controls/TransparentStaticCtrl.h"
#include "Pendrel/Controls/WinButton.h"
#include "Pendrel/Controls/KVXProgressCtrl.h"
#include "Pendrel/Core/ProgressText.h"
#include "Pendrel/Pendrel.h"
#include "Pendrel/Platform/KVXSysColors.h"
#include "utility/ErrorReport.h"
#include "utility/StringTableRegistration.h"
#include "utility/TextCodec.h"

namespace {

const char kSourceFile[] = ".\\ProgressDlg";
constexpr int kLineNullText = 174;
constexpr int kBusyBarPeriod = 80;
constexpr int kCancelIconSize = 16;

const KVXDialogControl kControls[] = {
    {CProgressDlg::IDC_CAPTION, WC_STATIC, L"", 7, 7, 354, 9, WS_CHILD | WS_VISIBLE | SS_NOPREFIX},
    {CProgressDlg::IDC_BAR, WC_PROGRESS, L"", 7, 20, 354, 12, WS_CHILD | WS_VISIBLE},
    {CProgressDlg::IDC_FIRST_LABEL, WC_STATIC, L"Vocabulary count:", 7, 40, 80, 9, WS_CHILD | WS_VISIBLE},
    {CProgressDlg::IDC_FIRST_PAIR, WC_STATIC, L"", 90, 40, 100, 9, WS_CHILD | WS_VISIBLE},
    {CProgressDlg::IDC_SECOND_LABEL, WC_STATIC, L"Word count:", 7, 52, 80, 9, WS_CHILD | WS_VISIBLE},
    {CProgressDlg::IDC_SECOND_PAIR, WC_STATIC, L"", 90, 52, 100, 9, WS_CHILD | WS_VISIBLE},
    {IDCANCEL, WC_BUTTON, L"Cancel", 301, 71, 60, 15, WS_CHILD | WS_VISIBLE | WS_TABSTOP},
};
const KVXDialogTemplate kTemplate = {CProgressDlg::IDD, L"Please wait...", WS_POPUP | WS_CAPTION | WS_SYSMENU,
                                     368, 92, 8, L"MS Shell Dlg", kControls, std::size(kControls)};
const CKVXDialogTemplateRegistration kTemplateRegistration(kTemplate);

const StringTableEntry kStrings[] = {{CProgressDlg::IDS_SYNCING_LIST, L"Syncing vocabulary list: %s"}};
const CStringTableRegistration kStringsRegistration(kStrings);

enum BufferKind { kStringBuffer, kWideBuffer };

// The buffer of an operation of an object on the calling thread.
std::wstring& ThreadBuffer(const CProgressDlg* owner, BufferKind kind) {
    thread_local std::map<std::pair<const CProgressDlg*, int>, std::wstring> buffers;
    return buffers[{owner, kind}];
}

} // namespace

CProgressDlg::CProgressDlg(QWidget* parent) : CKVXDialog(IDD, nullptr), m_defaultOwner(parent) {}

CProgressDlg::~CProgressDlg() = default;

void CProgressDlg::AddLogMsg(const wchar_t*, const wchar_t*, LOG_ICON_TYPE, UINT) {}

const wchar_t* CProgressDlg::LoadStringW(UINT id) {
    std::wstring& buffer = ThreadBuffer(this, kStringBuffer);
    buffer = KVXLoadString(id).GetString();
    return buffer.c_str();
}

const char* CProgressDlg::WideCharToMultiByte(UINT, const wchar_t*) {
    return "";
}

const wchar_t* CProgressDlg::MultiByteToWideChar(UINT, const char* text) {
    ReportAssertion(text != nullptr, kSourceFile, kLineNullText);
    if (!text) return L"";
    std::wstring& buffer = ThreadBuffer(this, kWideBuffer);
    buffer = Utf8ToWide(text);
    return buffer.c_str();
}

const char* CProgressDlg::MultiByteToMultiByte(UINT, const char*, UINT) {
    return "";
}

const wchar_t* CProgressDlg::EncodeURL(const wchar_t*) {
    return L"";
}

const wchar_t* CProgressDlg::GetDocumentsPath() {
    return L"";
}

void CProgressDlg::SetProgress(const ProgressInfo* info) {
    if (!info || (info->kind != 1 && info->kind != 2)) return;
    bool queue = false;
    {
        std::lock_guard<std::mutex> lock(m_progressMutex);
        m_pending[info->kind - 1] = *info;
        queue = !m_progressQueued;
        m_progressQueued = true;
    }
    // One queued call shows whatever came in until its turn. When the
    // window has closed, the call is dropped; the next showing starts
    // afresh (OnInitDialog).
    if (queue && !KVXPostWindowWork(this, [this] { ShowPendingProgress(); })) {
        std::lock_guard<std::mutex> lock(m_progressMutex);
        m_progressQueued = false;
    }
}

void CProgressDlg::ShowPendingProgress() {
    std::optional<ProgressInfo> first;
    std::optional<ProgressInfo> second;
    {
        std::lock_guard<std::mutex> lock(m_progressMutex);
        first = std::exchange(m_pending[0], std::nullopt);
        second = std::exchange(m_pending[1], std::nullopt);
        m_progressQueued = false;
    }
    if (first) {
        CBasicString caption;
        caption.Format(KVXLoadString(IDS_SYNCING_LIST).GetString(), first->text.GetString());
        ShowLabel(IDC_CAPTION, caption);
        ShowLabel(IDC_FIRST_PAIR, FormatProgressPair(first->current1, first->total1));
        if (QWidget* label = GetDlgItem(IDC_FIRST_LABEL)) label->show();
    }
    if (second) {
        ShowLabel(IDC_SECOND_PAIR, FormatProgressPair(second->current2, second->total2));
        if (QWidget* label = GetDlgItem(IDC_SECOND_LABEL)) label->show();
    }
}

void CProgressDlg::ShowLabel(UINT id, const CBasicString& text) {
    SetDlgItemText(id, text.GetString());
    if (QWidget* label = GetDlgItem(id)) label->repaint();
}

BOOL CProgressDlg::OnInitDialog() {
    CKVXDialog::OnInitDialog();
    // Shown over its owner, but never owned by it in Qt's sense.
    QPointer<QWidget> owner = parentWidget();
    if (owner) setParent(nullptr, windowFlags());
    else owner = m_defaultOwner;
    if (owner) {
        const QRect ownerFrame = owner->window()->geometry();
        move(ownerFrame.center() - QPoint(width() / 2, height() / 2));
        winId();
        if (QWindow* ownerWindow = owner->window()->windowHandle())
            if (QWindow* own = windowHandle()) own->setTransientParent(ownerWindow);
    }

    {
        std::lock_guard<std::mutex> lock(m_progressMutex);
        m_pending[0].reset();
        m_pending[1].reset();
        m_progressQueued = false;
    }

    // The bar of an earlier showing goes with the control it replaced.
    if (m_mode == PROGRESS_MODE_BUSY) {
        auto* busyBar = new CKVXProgressCtrl(this);
        SubclassDlgItem(IDC_BAR, busyBar);
        m_busyBar = busyBar;
        busyBar->Start(kBusyBarPeriod);
    } else {
        auto* bar = new QProgressBar(this);
        bar->setTextVisible(false);
        SubclassDlgItem(IDC_BAR, bar);
        m_progressBar = bar;
    }

    // The Cancel button draws its icon beside its own caption; it is no
    // default button, so Enter reaches the dialog (OnOK).
    CWinButton* cancel = GetDlgItem<CWinButton>(IDCANCEL);
    if (!cancel) {
        const CBasicString caption = GetDlgItemText(IDCANCEL);
        cancel = new CWinButton(WinButtonPush, this);
        SubclassDlgItem(IDCANCEL, cancel);
        cancel->SetButtonText(caption.GetString());
    }
    cancel->SetIcon(IDI_CANCEL, 0, kCancelIconSize);
    cancel->setAutoDefault(false);
    cancel->setDefault(false);

    // The labels and the dialog in the application's dialog colour.
    const COLORREF background = m_app ? m_app->GetDlgBkColor() : GetSysColor(COLOR_BTNFACE);
    for (UINT id : {IDC_CAPTION, IDC_FIRST_LABEL, IDC_FIRST_PAIR, IDC_SECOND_LABEL, IDC_SECOND_PAIR}) {
        auto* label = GetDlgItem<CTransparentStaticCtrl>(id);
        if (!label && GetDlgItem(id)) {
            label = new CTransparentStaticCtrl(this);
            SubclassDlgItem(id, label);
        }
        if (!label) continue;
        label->SetEraseBackground(TRUE);
        label->SetBackgroudColor(background);
        // A list name may hold an ampersand: it is no mnemonic here.
        label->SetTextFormat(DT_NOPREFIX);
    }
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, KVXToQColor(background));
    setPalette(palette);
    setAutoFillBackground(true);
    for (UINT id : {IDC_CAPTION, IDC_FIRST_PAIR, IDC_SECOND_PAIR}) SetDlgItemText(id, L"");
    for (UINT id : {IDC_FIRST_LABEL, IDC_SECOND_LABEL})
        if (QWidget* label = GetDlgItem(id)) label->hide();
    return TRUE;
}

void CProgressDlg::OnOK() {
    DestroyWindow();
}

void CProgressDlg::OnCancel() {
    SetRunning(FALSE);
    DestroyWindow();
}

void CProgressDlg::OnDestroy() {
    if (m_busyBar) m_busyBar->Stop();
    CKVXDialog::OnDestroy();
}

void CProgressDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        OnCancel();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        OnOK();
        return;
    }
    CKVXDialog::keyPressEvent(event);
}
