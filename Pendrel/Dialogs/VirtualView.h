#pragma once
// The printing side of a printable dialog (DialogPrintPreview.h): runs a
// print job, or renders and ends a print preview, with the dialog's
// printing operations.
//
// Print job (DoFilePrint):
// 1. OnPreparePrinting runs (the dialog's override decides; the base shows
//    the print dialog through the print-dialog handler, PrintDialog.h);
//    FALSE ends the job.
// 2. The document is named after the dialog's window title, cut to 31
//    characters.
// 3. OnBeginPrinting runs with the printer's device context, and the
//    application's main window is disabled while the job runs. When the
//    document cannot be started, the main window is enabled again,
//    OnEndPrinting runs and the failure is shown (string 61702).
// 4. The pages run as the print information's page sequence gives them
//    (PrintPages); a failed page aborts the document.
// 5. The document ends (or is aborted), the main window is enabled again
//    and OnEndPrinting runs.
//
// Page loop (PrintPages), per page: the current page is set; OnPrepareDC;
// the loop ends when the continue flag was cleared; the drawing rectangle
// becomes the device's printable area (HORZRES x VERTRES) in logical
// units; the page starts (a new page after the first); OnPrepareDC again;
// OnPrint.
//
// Preview: StartPreview prepares the pages once (OnPreparePrinting with the
// preview flag, no print dialog); the preview window renders them with
// RenderPreview whenever it needs them. EndPreview gives back the main
// window, shows the hidden window, ends the dialog's preview mode and
// gives the dialog the focus.

#include <QPointer>

#include "Pendrel/Core/PrintInfo.h"
#include "Pendrel/PendrelApi.h"

class CDialogPrintPreview;
class CKVXPrinterDeviceContext;
class QPainter;
class QPrinter;
class QWidget;

class PENDREL_API CVirtualView {
public:
    CVirtualView();
    ~CVirtualView();
    CVirtualView(const CVirtualView&) = delete;
    CVirtualView& operator=(const CVirtualView&) = delete;

    void SetPrintDialog(CDialogPrintPreview* dialog);
    CDialogPrintPreview* GetPrintDialog() const { return m_dialog; }
    void SetHiddenWindow(QWidget* window) { m_hiddenWindow = window; }
    QWidget* GetHiddenWindow() const { return m_hiddenWindow; }
    void SetSavedMainWindow(QWidget* window) { m_savedMainWindow = window; }

    // The dialog's operations; without a dialog OnPreparePrinting gives
    // FALSE and the others do nothing.
    BOOL OnPreparePrinting(CPrintInfo* info);
    void OnBeginPrinting(CKVXPrinterDeviceContext* dc, CPrintInfo* info);
    void OnPrepareDC(CKVXPrinterDeviceContext* dc, CPrintInfo* info);
    void OnPrint(CKVXPrinterDeviceContext* dc, CPrintInfo* info);
    void OnEndPrinting(CKVXPrinterDeviceContext* dc, CPrintInfo* info);

    // The print job on the given printer (tests give a PDF printer; the
    // dialog's print command gives the job its own).
    void DoFilePrint(QPrinter& printer);
    // The page loop; false when a page could not be started.
    bool PrintPages(QPainter& painter, CKVXPrinterDeviceContext& dc, CPrintInfo& info);

    // The print dialog of the running job (DoPreparePrinting of the dialog).
    BOOL PreparePrinter(CPrintInfo* info);

    BOOL StartPreview();
    void RenderPreview(QPrinter& printer);
    void EndPreview();

private:
    CDialogPrintPreview* m_dialog = nullptr;
    QPointer<QWidget> m_hiddenWindow;
    QPointer<QWidget> m_savedMainWindow;
    QPrinter* m_jobPrinter = nullptr;  // while a print job prepares
    CPrintInfo m_previewInfo;
};
