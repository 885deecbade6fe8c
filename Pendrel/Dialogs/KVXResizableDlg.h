#pragma once
// The dialog base of every resizable window of both programs: a printable
// dialog (DialogPrintPreview.h) whose anchored controls follow the
// dialog's size, with the drawing helpers the pages use for their
// background pictures and captions.
//
// - A derived dialog's OnInitDialog calls this class's first, then
//   AddResizableControls, whose override empties the list
//   (m_resizableCtrls), appends its records (control id, reference id,
//   RESIZE_* flags, ResizableCtrl.h) and calls the base version, which
//   measures them (UpDateCtrlsInfo). Running it again after a resize
//   measures the controls where they are then.
// - Every size change of the dialog, except while it is minimised, runs the
//   layout pass (ResizeControls, ResizableLayout.h) over the area that
//   GetResizingWindow gives (the client area), then SetChildWindowPosition.
//   Restoring a minimised dialog lays it out again. No layout runs before
//   the dialog is created, with an empty list, or after it was destroyed.
// - The initial size, against which proportional controls scale, is the
//   dialog's client size when it is created.
// - The minimum and maximum size: OnGetMinMaxInfo, when the dialog is
//   created; a derived dialog sets ptMinTrackSize (or ptMaxTrackSize)
//   before calling the base, which changes nothing.
// - PreTranslateMessage sees the input events of the dialog and its
//   controls before they do (while the dialog is created); TRUE eats the
//   event. The base hands them to the dialog's tooltip (m_toolTip, a
//   rounded tip shown after the delay), which derived dialogs fill with
//   AddTool.

#include <QImage>

#include <vector>

#include "Pendrel/Controls/WinToolTipCtrl.h"
#include "Pendrel/Core/ResizableCtrl.h"
#include "Pendrel/Dialogs/DialogPrintPreview.h"
#include "Pendrel/PendrelApi.h"
#include "Pendrel/Platform/KVXRect.h"
#include "compat/WinUser.h"
#include "utility/BasicString.h"

class QPainter;

class PENDREL_API CKVXResizableDlg : public CDialogPrintPreview {
    Q_OBJECT

public:
    explicit CKVXResizableDlg(UINT templateId, QWidget* parent = nullptr);
    ~CKVXResizableDlg() override;

    // Measures every record (the base); see above for overrides.
    virtual void AddResizableControls();
    // After every layout pass; empty in the base.
    virtual void SetChildWindowPosition();
    // The area whose size the layout pass uses: the client rectangle, empty
    // when the dialog is not created.
    virtual CKVXRect GetResizingWindow();
    virtual void ResizeControls();
    void UpDateCtrlsInfo();

    // A flag that derived dialogs may give a meaning; 0 at construction.
    void SetRememberSize(int remember) { m_rememberSize = remember; }
    int GetRememberSize() const { return m_rememberSize; }

    // Prepares memory to hold a white picture of the rectangle's size with
    // the bitmap drawn into it at its own size, at the rectangle's top and
    // at its left edge, or against its right edge with alignRight; the
    // caller copies memory to the screen. Whatever memory held before is
    // freed. The picture's coordinates are the rectangle's own, so a
    // rectangle at the origin fills it (parts outside the rectangle are
    // black).
    static void PaintBitmap(QPainter& target, QImage& memory, const QImage& bitmap, CKVXRect rect, BOOL alignRight);
    // Draws the text into the rectangle with DT_* format flags in the
    // described font; the painter's font is put back afterwards.
    static void RenderText(QPainter* dc, const CBasicString& text, CKVXRect rect, LOGFONTW font, UINT format);

protected:
    int OnCreate() override;
    BOOL OnInitDialog() override;
    void OnDestroy() override;
    virtual void OnGetMinMaxInfo(MINMAXINFO* info);
    virtual BOOL PreTranslateMessage(QObject* target, QEvent* event);

    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    std::vector<st_ResizableCtrl> m_resizableCtrls;
    // Made when the dialog is created; hidden when it is destroyed.
    CWinToolTipCtrl m_toolTip;

private:
    void ApplyMinMaxInfo();
    bool ControlRect(WORD id, RECT& rect) const;
    QWidget* FindControl(WORD id) const;

    int m_rememberSize = 0;
    int m_initialWidth = 0;
    int m_initialHeight = 0;
    bool m_filtering = false;
};
