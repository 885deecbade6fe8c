#pragma once
// The print preview inside the preview window (VirtualFrameWnd.h): the
// rendered pages and the toolbar over them.
//
// Toolbar: "Print..." posts WM_COMMAND with ID_FILE_PRINT to the printing
// dialog (a report, ".\VirtualPreview" line 57, when none is set) and then
// closes the preview; "Next Page" and "Prev Page" move through the pages
// (each disabled at its end); "Two Page" shows pages side by side and
// becomes "One Page"; "Zoom In" and "Zoom Out"; "Close" closes the preview.

#include <QPointer>
#include <QWidget>

#include "Pendrel/PendrelApi.h"

class CDialogPrintPreview;
class CVirtualView;
class QAction;
class QPrintPreviewWidget;
class QToolBar;

class PENDREL_API CVirtualPreview : public QWidget {
    Q_OBJECT

public:
    CVirtualPreview(CVirtualView& view, QWidget* parent);
    ~CVirtualPreview() override;

    void SetPrintDialog(CDialogPrintPreview* dialog);

    QPrintPreviewWidget* PreviewWidget() const { return m_pages; }
    QToolBar* ToolBar() const { return m_toolBar; }
    // The page shown (the left one of two), from 1.
    int GetCurrentPage() const;

    void OnPreviewPrint();
    void OnNextPage();
    void OnPrevPage();
    void OnNumPageChange();
    void OnZoomIn();
    void OnZoomOut();
    void OnPreviewClose();

private:
    void UpdateButtons();

    CDialogPrintPreview* m_dialog = nullptr;
    QToolBar* m_toolBar;
    QPrintPreviewWidget* m_pages;
    QAction* m_print;
    QAction* m_next;
    QAction* m_prev;
    QAction* m_numPages;
    QAction* m_zoomIn;
    QAction* m_zoomOut;
    QAction* m_close;
};
