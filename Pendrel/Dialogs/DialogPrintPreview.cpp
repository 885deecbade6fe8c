#include "Pendrel/Dialogs/DialogPrintPreview.h"

#include <QDir>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScreen>
#include <QStandardPaths>

#include "Pendrel/Dialogs/VirtualFrameWnd.h"
#include "Pendrel/Dialogs/VirtualView.h"
#include "Pendrel/Platform/KVXMainWindow.h"
#include "Pendrel/Platform/KVXText.h"
#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = ".\\DialogPrintPreview";
constexpr int kLineNoVisibleWindow = 124;

// Where a job prints on a machine without printers: a PDF file named after
// the document in the user's documents folder, which the print dialog
// offers to change.
void UsePdfWithoutPrinter(QPrinter& printer, const QString& title) {
    if (!QPrinterInfo::availablePrinters().isEmpty()) return;
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists()) folder = QDir::homePath();
    QString name = title.left(31);
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    if (name.isEmpty()) name = QStringLiteral("print");
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QDir(folder).filePath(name + QStringLiteral(".pdf")));
}

} // namespace

CDialogPrintPreview::CDialogPrintPreview(UINT templateId, QWidget* parent) : CKVXDialog(templateId, parent) {}

CDialogPrintPreview::~CDialogPrintPreview() {
    if (m_previewFrame) m_previewFrame->Abandon();
}

void CDialogPrintPreview::OnDestroy() {
    // A preview open for a dialog that goes away closes without it.
    if (m_previewFrame) m_previewFrame->Abandon();
    m_previewMode = false;
    CKVXDialog::OnDestroy();
}

BOOL CDialogPrintPreview::OnPreparePrinting(CPrintInfo* info) {
    return DoPreparePrinting(info);
}

void CDialogPrintPreview::OnBeginPrinting(CKVXPrinterDeviceContext*, CPrintInfo*) {}

void CDialogPrintPreview::OnPrepareDC(CKVXPrinterDeviceContext*, CPrintInfo*) {}

void CDialogPrintPreview::OnPrint(CKVXPrinterDeviceContext*, CPrintInfo*) {}

void CDialogPrintPreview::OnEndPrinting(CKVXPrinterDeviceContext*, CPrintInfo*) {}

const wchar_t* CDialogPrintPreview::GetCurrWindowTitle() {
    return L"Print Preview";
}

QWidget* CDialogPrintPreview::GetCurrentVisibleWnd() {
    return nullptr;
}

void CDialogPrintPreview::EndPreviewMode() {
    m_previewMode = false;
}

BOOL CDialogPrintPreview::DoPreparePrinting(CPrintInfo* info) {
    return m_activeView && info ? m_activeView->PreparePrinter(info) : FALSE;
}

LRESULT CDialogPrintPreview::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) {
        OnCommand(static_cast<UINT>(wParam & 0xFFFF));
        return 0;
    }
    return CKVXDialog::WindowProc(message, wParam, lParam);
}

void CDialogPrintPreview::OnCommand(UINT id) {
    switch (id) {
    case ID_FILE_PRINT: OnDialogPrint(); break;
    case ID_FILE_PRINT_PREVIEW: OnDialogPrintPreview(); break;
    default: CKVXDialog::OnCommand(id);
    }
}

void CDialogPrintPreview::OnDialogPrint() {
    QPrinter printer(QPrinter::HighResolution);
    UsePdfWithoutPrinter(printer, windowTitle());
    CVirtualView view;
    view.SetPrintDialog(this);
    view.DoFilePrint(printer);
}

void CDialogPrintPreview::OnDialogPrintPreview() {
    QWidget* window = GetCurrentVisibleWnd();
    ReportAssertion(window != nullptr, kSourceFile, kLineNoVisibleWindow);
    if (!window) return;
    window->hide();

    auto* frame = new CVirtualFrameWnd();
    m_previewFrame = frame;
    m_previewMode = true;
    CVirtualView& view = frame->View();
    m_activeView = &view;
    view.SetSavedMainWindow(KVXGetMainWnd());
    KVXSetMainWnd(frame);

    frame->setWindowTitle(KVXToQString(GetCurrWindowTitle()));
    // The screen's work area first: without a window manager to maximize it
    // the frame would open at its small default size.
    if (QScreen* screen = window->screen()) frame->setGeometry(screen->availableGeometry());
    frame->showMaximized();
    view.SetPrintDialog(this);
    view.SetHiddenWindow(window);
    frame->StartPreview();
}
