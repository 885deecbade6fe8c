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

#include <vector>

#include "Pendrel/PendrelApi.h"
#include "Pendrel/Platform/KVXDialog.h"

class CKVXHTMLCtrl;
class QPainter;

class PENDREL_API CEULADlg : public CKVXDialog {
    Q_OBJECT

public:
    explicit CEULADlg(QWidget* parent = nullptr);
    ~CEULADlg() override;

    CKVXHTMLCtrl* GetHtmlCtrl() const { return m_html; }

    static constexpr int kMinimumWidth = 800;
    static constexpr int kMinimumHeight = 600;

protected:
    BOOL OnInitDialog() override;
    // Registers how the controls follow the dialog's size.
    void AddResizableControls();
    // Paints the header (white, left and right pictures) into its own
    // picture.
    void PaintLogo(QPainter& painter, const QRect& header);

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // How a control follows the dialog's size.
    enum Anchor { StretchWidth, StretchBoth, FollowLowerRight };
    struct AnchoredControl {
        UINT id;
        Anchor anchor;
        QRect start;  // its place when the dialog had its start size
    };
    void LayOut();

    HICON m_icon;
    QWidget* m_separator = nullptr;
    QWidget* m_placeholder = nullptr;
    QImage m_rightPicture;
    QImage m_leftPicture;
    CKVXHTMLCtrl* m_html;
    std::vector<AnchoredControl> m_anchors;
    QSize m_startSize;
};
