#pragma once
// The push button of every dialog: it draws its face through the window
// theme (WinTheme.h), so it looks like the toolkit's buttons, or like
// classic bevelled buttons under the classic theme, and shows a picture
// beside or instead of its caption: a PNG (with a grey copy for the
// disabled look), one or two icons (the second is the disabled look), or a
// masked bitmap.
//
// - Hot look: while the pointer is over the button, only when the theme
//   draws with the toolkit's style.
// - Default frame: a one-pixel black frame, the face one pixel smaller.
// - Check state of its own: every press of the left button and every
//   Space key (not its auto-repeat) toggles it; dragging off the button
//   with the button held returns it to its value before the press. Style 1
//   draws the button pressed while it is checked.

#include <QPushButton>

#include <memory>

#include "Pendrel/PendrelApi.h"
#include "Pendrel/Platform/KVXImageList.h"
#include "compat/WinUser.h"

class CKVXImage;

enum WinButtonStyle : int {
    WinButtonPush = 0,            // an ordinary push button
    WinButtonPushedWhenChecked = 1,
};


class PENDREL_API CWinButton : public QPushButton {
    Q_OBJECT

public:
    explicit CWinButton(WinButtonStyle style = WinButtonPush, QWidget* parent = nullptr);
    ~CWinButton() override;

    // The caption, from a text or a string id.
    void SetButtonText(const wchar_t* text);
    void SetButtonText(UINT id);
    void SetMultiLine(BOOL multiLine);
    void SetImageOnRight(BOOL onRight);
    // Both give the previous offset.
    int SetImageOffset(int offset);
    int SetTextOffset(int offset);
    // Makes the button the dialog's default button (or not); gives the
    // previous flag.
    BOOL SetDefaultButton(BOOL isDefault);
    void SetCheck(BOOL check);
    BOOL GetCheck() const { return m_check; }

    // PNG resource id of Pendrel, with its grey copy. Drops the icons.
    BOOL SetPNG(UINT id);
    // Icon resource ids of Pendrel at size x size (0: none); the second is
    // drawn when the button is disabled. Drops the PNG.
    BOOL SetIcon(UINT id, UINT disabledId, int size);
    // Bitmap resource id of Pendrel with maskColor transparent. Drops the
    // PNG.
    BOOL SetMaskedBitmap(UINT id, int size, int unused, COLORREF maskColor);
    BOOL SetMaskedBitmap(UINT id, UINT disabledId, int size, int unused, COLORREF maskColor);
    // The id of the icon or bitmap last set.
    UINT GetMaskedBitmap() const { return m_imageId; }
    // TRUE when the button holds a picture; isPng tells which kind.
    BOOL HasImage(int& isPng) const;

    // The hot look is shown.
    BOOL IsHot() const { return m_hot; }

    // Draws the button for the ODS_* state; ODA_FOCUS draws the focus
    // rectangle only.
    virtual void DrawItem(QPainter& dc, const RECT& item, UINT itemState, UINT itemAction);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void ProcessClick();
    void CancelHotTrack();
    void RedrawBorders();
    void Redraw();
    void DeleteImages();
    void DeleteIcons();
    bool AddBitmap(UINT id, COLORREF maskColor);
    bool AddIcon(UINT id, int size);

    BOOL m_multiLine = FALSE;
    int m_imageOffset = 4;
    int m_textOffset = 8;
    std::unique_ptr<CKVXImage> m_image;
    std::unique_ptr<CKVXImage> m_greyImage;
    CKVXImageList m_icons;
    UINT m_imageId = 0;
    QString m_caption;
    BOOL m_defaultButton = FALSE;
    BOOL m_hot = FALSE;
    BOOL m_check = FALSE;
    BOOL m_hotTracking = FALSE;
    BOOL m_imageOnRight = FALSE;
    BOOL m_checkAtPress = FALSE;
    WinButtonStyle m_style;
};
