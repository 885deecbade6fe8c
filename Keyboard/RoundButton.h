#pragma once
// CRoundButton: a key of the on-screen keyboard. A rounded rectangle, white
// with black text, that turns navy with white text and a red frame while
// the pointer is over it, while it is pressed or while the dialog shows it
// held. A character key in all-captions mode shows its plain, Shift and
// AltGr characters in three corners (bottom left, top left, bottom right)
// with the one in use bold; otherwise, or with a single caption, the text
// is centred. A disabled key draws its text grey and embossed.

#include <QAbstractButton>
#include <QFont>

#include <string>

class CRoundButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit CRoundButton(QWidget* parent = nullptr);

    void SetCorners(const std::u16string& plain, const std::u16string& shift, const std::u16string& altGr);
    void SetActiveCaption(int active);
    void SetAllCaptions(bool on) { m_allCaptions = on; }
    // The setting "DisplayAllChars".
    void SetDisplayAllChars(bool on) { m_displayAllChars = on; }
    void SetBoldCaption(bool bold) { m_boldCaption = bold; }
    void SetDeadKey(bool dead) { m_deadKey = dead; }
    bool IsDeadKey() const { return m_deadKey; }
    // The look of a held or toggled key.
    void SetPressedLook(bool pressed);
    bool GetPressedLook() const { return m_pressedLook; }
    bool IsHovered() const { return m_hover; }
    // The font the captions are drawn in (bold and normal forms are made
    // from it).
    void SetKeyFont(const QFont& font);
    // The number of corner captions drawn (0 when the text is centred).
    int CornerCount() const;
    // The face is lit (hovered, pressed or held).
    bool IsLit() const { return m_hover || m_pressedLook || isDown(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QString m_corners[3];
    int m_active = 0;
    bool m_allCaptions = false;
    bool m_displayAllChars = false;
    bool m_boldCaption = false;
    bool m_deadKey = false;
    bool m_pressedLook = false;
    bool m_hover = false;
    QFont m_bold;
    QFont m_normal;
};
