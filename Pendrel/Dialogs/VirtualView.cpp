#include "Pendrel/Dialogs/VirtualView.h"

#include <QPainter>
#include <QPrinter>
#include <QWidget>

#include "Pendrel/Dialogs/DialogPrintPreview.h"
#include "Pendrel/Dialogs/PrintDialog.h"
#include "Pendrel/Pendrel.h"
#include "Pendrel/Platform/KVXDialogControls.h"
#include "Pendrel/Platform/KVXMainWindow.h"
#include "Pendrel/Platform/KVXMessageBox.h"
#include "Pendrel/Platform/KVXPrinterDeviceContext.h"
#include "Pendrel/Platform/KVXRect.h"
#include "Pendrel/Platform/KVXText.h"
#include "utility/StringTableRegistration.h"

namespace {

constexpr UINT kStringPrintFailed = 61702;
constexpr int kDocumentNameLength = 31;

const StringTableEntry kPrintStrings[] = {
    {kStringPrintFailed, L"Printing could not be started."},
    {61705, L"The command could not be carried out."},
};
const CStringTableRegistration kPrintStringsRegistration(kPrintStrings);

// Disables the application's main window for its lifetime.
class CMainWindowDisabled {
public:
    CMainWindowDisabled() : m_window(KVXGetMainWnd()) {
        if (m_window) m_window->setEnabled(false);
    }
    ~CMainWindowDisabled() { Enable(); }
    void Enable() {
        if (m_window) m_window->setEnabled(true);
        m_window = nullptr;
    }

private:
    QPointer<QWidget> m_window;
};

} // namespace

CVirtualView::CVirtualView() = default;

CVirtualView::~CVirtualView() {
    if (m_dialog && m_dialog->m_activeView == this) m_dialog->m_activeView = nullptr;
}

void CVirtualView::SetPrintDialog(CDialogPrintPreview* dialog) {
    if (m_dialog && m_dialog->m_activeView == this) m_dialog->m_activeView = nullptr;
    m_dialog = dialog;
}

BOOL CVirtualView::OnPreparePrinting(CPrintInfo* info) {
    return m_dialog ? m_dialog->OnPreparePrinting(info) : FALSE;
}

void CVirtualView::OnBeginPrinting(CKVXPrinterDeviceContext* dc, CPrintInfo* info) {
    if (m_dialog) m_dialog->OnBeginPrinting(dc, info);
}

void CVirtualView::OnPrepareDC(CKVXPrinterDeviceContext* dc, CPrintInfo* info) {
    if (m_dialog) m_dialog->OnPrepareDC(dc, info);
}

void CVirtualView::OnPrint(CKVXPrinterDeviceContext* dc, CPrintInfo* info) {
    if (m_dialog) m_dialog->OnPrint(dc, info);
}

void CVirtualView::OnEndPrinting(CKVXPrinterDeviceContext* dc, CPrintInfo* info) {
    if (m_dialog) m_dialog->OnEndPrinting(dc, info);
}

BOOL CVirtualView::PreparePrinter(CPrintInfo* info) {
    if (info->m_preview) return TRUE;  // the preview uses the default printer
    if (!m_jobPrinter) return FALSE;
    return KVXShowPrintDialog(m_dialog, *m_jobPrinter, *info);
}

void CVirtualView::DoFilePrint(QPrinter& printer) {
    // The dialog's DoPreparePrinting reaches this job while it runs.
    CVirtualView* previous = nullptr;
    if (m_dialog) {
        previous = m_dialog->m_activeView;
        m_dialog->m_activeView = this;
    }
    m_jobPrinter = &printer;
    CPrintInfo info;
    const BOOL prepared = OnPreparePrinting(&info);
    m_jobPrinter = nullptr;
    if (m_dialog) m_dialog->m_activeView = previous;
    if (!prepared) return;

    const CBasicString title = m_dialog ? KVXGetWindowText(m_dialog) : CBasicString();
    printer.setDocName(KVXToQString(title.Left(kDocumentNameLength)));

    QPainter painter;
    CKVXPrinterDeviceContext dc(painter, printer);
    OnBeginPrinting(&dc, &info);
    CMainWindowDisabled disabled;
    if (!painter.begin(&printer)) {
        disabled.Enable();
        OnEndPrinting(&dc, &info);
        KVXMessageBox(m_dialog, KVXLoadString(kStringPrintFailed).GetString(), nullptr, MB_OK | MB_ICONERROR);
        return;
    }
    if (!PrintPages(painter, dc, info)) printer.abort();
    painter.end();
    disabled.Enable();
    OnEndPrinting(&dc, &info);
}

bool CVirtualView::PrintPages(QPainter& painter, CKVXPrinterDeviceContext& dc, CPrintInfo& info) {
    QPrinter& printer = dc.Printer();
    bool firstPage = true;
    for (UINT page : info.GetPageSequence()) {
        info.m_currentPage = page;
        OnPrepareDC(&dc, &info);
        if (!info.m_continuePrinting) break;
        const QRect device(0, 0, dc.GetDeviceCaps(HORZRES), dc.GetDeviceCaps(VERTRES));
        info.m_drawRect = CKVXRect(painter.combinedTransform().inverted().mapRect(device));
        // The document's start opened the first page.
        if (!firstPage && !printer.newPage()) return false;
        firstPage = false;
        OnPrepareDC(&dc, &info);
        OnPrint(&dc, &info);
    }
    return true;
}

BOOL CVirtualView::StartPreview() {
    m_previewInfo = CPrintInfo();
    m_previewInfo.m_preview = TRUE;
    return OnPreparePrinting(&m_previewInfo);
}

void CVirtualView::RenderPreview(QPrinter& printer) {
    CPrintInfo info = m_previewInfo;
    QPainter painter;
    CKVXPrinterDeviceContext dc(painter, printer);
    OnBeginPrinting(&dc, &info);
    if (painter.begin(&printer)) {
        PrintPages(painter, dc, info);
        painter.end();
    }
    OnEndPrinting(&dc, &info);
}

void CVirtualView::EndPreview() {
    KVXSetMainWnd(m_savedMainWindow);
    if (m_hiddenWindow) m_hiddenWindow->show();
    if (m_dialog) {
        m_dialog->EndPreviewMode();
        if (m_dialog->m_activeView == this) m_dialog->m_activeView = nullptr;
        m_dialog->activateWindow();
        m_dialog->setFocus();
    }
}
