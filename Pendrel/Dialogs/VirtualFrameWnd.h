#pragma once
// The window of a print preview (DialogPrintPreview.h): a maximised
// top-level window holding the preview (VirtualPreview.h), which owns the
// preview's view (VirtualView.h).
//
// - StartPreview prepares the pages; when the dialog refuses, the failure
//   is shown (string 61705) and everything is put back as it was before the
//   preview: the main window, the hidden window, the dialog's preview mode;
//   the frame goes away.
// - ClosePreview ends an open preview (the hidden window shows again before
//   the frame hides) and the frame deletes itself. The close box runs it;
//   without an open preview the close box does nothing.
// - The frame never makes the application quit when it closes.
// - Abandon: the dialog goes away while the preview is open; the preview
//   closes without touching the dialog or its window.

#include <QMainWindow>

#include <memory>

#include "Pendrel/PendrelApi.h"

class CVirtualPreview;
class CVirtualView;
class QCloseEvent;

class PENDREL_API CVirtualFrameWnd : public QMainWindow {
    Q_OBJECT

public:
    CVirtualFrameWnd();
    ~CVirtualFrameWnd() override;

    CVirtualView& View() { return *m_view; }
    // Null until the preview started.
    CVirtualPreview* GetPreview() const { return m_preview; }

    void StartPreview();
    void ClosePreview();
    void Abandon();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::unique_ptr<CVirtualView> m_view;
    CVirtualPreview* m_preview = nullptr;
    bool m_previewOpen = false;
};
