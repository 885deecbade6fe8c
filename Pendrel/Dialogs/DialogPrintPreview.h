#pragma once
// The printable dialog: any dialog of the framework can print and show a
// print preview of what it draws itself.
//
// - A dialog prints or previews by sending itself the command ID_FILE_PRINT
//   or ID_FILE_PRINT_PREVIEW: a button with that id, or WM_COMMAND with the
//   id in wParam.
// - Printing (OnDialogPrint) runs one print job (VirtualView.h): the
//   dialog's OnPreparePrinting sets the page count and calls the base,
//   which asks the user for printer and pages; the pages run through
//   OnPrepareDC and OnPrint. The document is named after the window title,
//   cut to 31 characters. Without a printer the job prints to a PDF file.
// - Preview (OnDialogPrintPreview) hides GetCurrentVisibleWnd, which a
//   dialog that offers a preview overrides (the base has none: the preview
//   is refused with a report), and shows its own maximised window titled
//   GetCurrWindowTitle, which stands in as the application's main window
//   until the preview closes. Its Print button asks this dialog to print;
//   its Close button and its close box end the preview: the hidden window
//   shows again and gets the focus, and the application never quits for it.
//   A dialog destroyed while its preview is open closes the preview.

#include <QPointer>

#include "Pendrel/Core/PrintInfo.h"
#include "Pendrel/PendrelApi.h"
#include "Pendrel/Platform/KVXDialog.h"

class CKVXPrinterDeviceContext;
class CVirtualFrameWnd;
class CVirtualView;

#define ID_FILE_PRINT 57607
#define ID_FILE_PRINT_PREVIEW 57609
// The Print button of the preview's toolbar.
#define ID_PREVIEW_PRINT 58116

class PENDREL_API CDialogPrintPreview : public CKVXDialog {
    Q_OBJECT

public:
    explicit CDialogPrintPreview(UINT templateId, QWidget* parent = nullptr);
    ~CDialogPrintPreview() override;

    // The standard preparation (DoPreparePrinting) and its result; a
    // derived dialog sets its page count first.
    virtual BOOL OnPreparePrinting(CPrintInfo* info);
    // Empty in the base; a derived dialog draws a page in OnPrint.
    virtual void OnBeginPrinting(CKVXPrinterDeviceContext* dc, CPrintInfo* info);
    virtual void OnPrepareDC(CKVXPrinterDeviceContext* dc, CPrintInfo* info);
    virtual void OnPrint(CKVXPrinterDeviceContext* dc, CPrintInfo* info);
    virtual void OnEndPrinting(CKVXPrinterDeviceContext* dc, CPrintInfo* info);
    // "Print Preview": the title of the preview window.
    virtual const wchar_t* GetCurrWindowTitle();
    // The window hidden while the preview shows; null in the base.
    virtual QWidget* GetCurrentVisibleWnd();

    void EndPreviewMode();
    bool IsInPreviewMode() const { return m_previewMode; }

    // WM_COMMAND carries a command (the id in the low word of wParam) to
    // OnCommand. A derived dialog's WindowProc passes what it does not
    // handle on to this one.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    void OnCommand(UINT id) override;
    void OnDestroy() override;
    void OnDialogPrint();
    void OnDialogPrintPreview();
    // The print dialog for a print job, the default printer for a preview;
    // FALSE when the user cancelled or no job is running.
    BOOL DoPreparePrinting(CPrintInfo* info);

private:
    friend class CVirtualView;

    bool m_previewMode = false;
    // The job or preview that runs for this dialog; not owned.
    CVirtualView* m_activeView = nullptr;
    QPointer<CVirtualFrameWnd> m_previewFrame;
};
