#pragma once
// CEULADlg: the end-user agreement dialog (template 553, "End User License
// Agreement"), shown by CKVXApp::Init the first time a program starts: a
// resizable window with a white header holding two pictures (PNG 428 on
// the left, PNG 427 on the right), a sunken separator line (3000), the
// agreement text (HTML resource 151) in an HTML control over the invisible
// placeholder frame 12000, and the buttons "Accept" (IDOK) and "Cancel"
// (IDCANCEL) at the lower right.
//
// "Accept" ends it with IDOK; "Cancel" and the close box with IDCANCEL;
// Enter and Escape end nothing. It is never smaller than 800 x 600 pixels;
// enlarging it stretches the separator (left and right edges kept) and the
// text area (all four edges kept) and keeps both buttons at their distance
// from the lower right corner.

#include <QImage>

#include "Pendrel/Dialogs/KVXResizableDlg.h"
#include "Pendrel/PendrelApi.h"

class CKVXHTMLCtrl;
class QPainter;

class PENDREL_API CEULADlg : public CKVXResizableDlg {
    Q_OBJECT

public:
    explicit CEULADlg(QWidget* parent = nullptr);
    ~CEULADlg() override;

    CKVXHTMLCtrl* GetHtmlCtrl() const { return m_html; }

    static constexpr int kMinimumWidth = 800;
    static constexpr int kMinimumHeight = 600;

protected:
    BOOL OnInitDialog() override;
    // The separator (left and right margins kept, top kept), the text area
    // (all four margins kept), both buttons (fixed size and distance to the
    // lower right corner).
    void AddResizableControls() override;
    void OnGetMinMaxInfo(MINMAXINFO* info) override;
    // Enter and Escape reach the focused control only; a button does not
    // take them as a click.
    BOOL PreTranslateMessage(QObject* target, QEvent* event) override;
    // Paints the header (white, left and right pictures) into its own
    // picture.
    void PaintLogo(QPainter& painter, const QRect& header);

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    HICON m_icon;
    QWidget* m_separator = nullptr;
    QWidget* m_placeholder = nullptr;
    QImage m_rightPicture;
    QImage m_leftPicture;
    CKVXHTMLCtrl* m_html;
};
