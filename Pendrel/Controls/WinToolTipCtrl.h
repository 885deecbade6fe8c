#pragma once
// The framework's tooltip: a shaped pop-up (balloon with a stem pointing
// at the cursor, rounded rectangle or rectangle) shown next to the cursor
// after it has rested on a registered control for the show delay, and
// hidden when the cursor leaves the control, a mouse button is pressed, or
// the cursor touches the tip.
//
// The tip text is written in the tag language of CWinToolTipText
// (Pendrel/Core/WinToolTipText.h): a heading, a title and pairs of
// sub-headings and descriptions, each in its own font and colour; long
// paragraphs are wrapped at 80 characters, 45 under a Japanese or Chinese
// user interface.
//
// Registered controls report their mouse moves and presses themselves (the
// tooltip watches them); an owner may also pass every event of its window
// to RelayEvent.

#include <QFont>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <map>
#include <optional>

#include "Pendrel/Controls/ToolTipInfo.h"
#include "Pendrel/PendrelApi.h"
#include "compat/WinUser.h"
#include "utility/BasicString.h"

// Shapes and show modes.
#define KVX_TIP_BALLOON 1u
#define KVX_TIP_ROUNDED 2u
#define KVX_TIP_RECTANGLE 4u
#define KVX_TIP_AFTER_DELAY 8u
#define KVX_TIP_AT_ONCE 16u

class PENDREL_API CWinToolTipCtrl : public QWidget {
    Q_OBJECT

public:
    CWinToolTipCtrl();
    ~CWinToolTipCtrl() override;

    // Makes the hidden tip window owned by parent; FALSE (a failed check)
    // without a parent.
    BOOL Create(QWidget* parent, DWORD shape, DWORD mode, CWinToolTipCtrlBase* provider);

    // Registers a control with its tip text (a control registered again
    // gets the new text); the last argument is not used.
    void AddTool(QWidget* tool, const CBasicString& text, UINT unused = 0);
    void AddTool(QWidget* tool, UINT textId, UINT unused);
    void RemoveTool(QWidget* tool);
    // Mouse moves and button presses of the owner's window; other events
    // are ignored.
    void RelayEvent(QEvent* event);

    // Shows text for a screen point (the cursor position when null), after
    // the delay or at once as the show mode says.
    void Show(const wchar_t* text, const POINT* point);
    void Hide();
    void SetShowDelay(int milliseconds) { m_showDelay = milliseconds; }

    // The user interface's language code: "JPN", "CHS" and "CHT" wrap at 45
    // characters. The application object's code is "ENG".
    void SetLanguageCode(const wchar_t* code);

    void SetHeadingColor(COLORREF color) { m_headingColor = color; }
    void SetTitleColor(COLORREF color) { m_titleColor = color; }
    void SetDesColor(COLORREF color) { m_descriptionColor = color; }
    void SetFrameTopColor(COLORREF color) { m_frameTopColor = color; }
    void SetFrameBottomColor(COLORREF color) { m_frameBottomColor = color; }
    void SetBackgroundColor(COLORREF color) { m_backgroundColor = color; }
    COLORREF GetHeadingColor() const { return m_headingColor; }
    COLORREF GetTitleColor() const { return m_titleColor; }
    COLORREF GetDesColor() const { return m_descriptionColor; }
    COLORREF GetFrameTopColor() const { return m_frameTopColor; }
    COLORREF GetFrameBottomColor() const { return m_frameBottomColor; }
    COLORREF GetBackgroundColor() const { return m_backgroundColor; }

    static int CountStrPattern(const wchar_t* text, const wchar_t* pattern);
    // The icon size: the icon's hotspot (its centre) times 1.3.
    void SetIcon(HICON icon);

    // What is registered and shown.
    int GetToolCount() const { return static_cast<int>(m_tools.size()); }
    CBasicString GetToolText(QWidget* tool) const;
    // The current tip text after formatting.
    CBasicString GetTipText() const { return m_text; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    struct Layout;
    void OnMouseMove();
    void OnShowTimer();
    void OnWatchTimer();
    void ShowToolTip(int x, int y);
    void CreateFonts();
    Layout Measure() const;
    bool CursorInToolArea() const;

    QPointer<QWidget> m_parent;
    CWinToolTipCtrlBase* m_provider = nullptr;
    int m_showDelay = 1000;
    BOOL m_armed = TRUE;
    BOOL m_stemLeft = TRUE;
    BOOL m_stemBottom = TRUE;
    std::optional<QFont> m_descriptionFont;
    std::optional<QFont> m_titleFont;
    std::optional<QFont> m_headingFont;
    int m_fontHeight = 14;
    int m_lineGap = 3;
    DWORD m_shape = KVX_TIP_ROUNDED;
    DWORD m_mode = KVX_TIP_AFTER_DELAY;
    QTimer m_showTimer;   // the delay (id 100)
    QTimer m_watchTimer;  // 5 ms while shown (id 101)
    RECT m_toolArea{0, 0, 0, 0};
    SIZE m_iconSize{0, 0};
    POINT m_anchor{0, 0};
    CBasicString m_text;
    COLORREF m_headingColor = RGB(108, 5, 0);
    COLORREF m_descriptionColor = RGB(39, 54, 35);
    COLORREF m_titleColor = RGB(1, 52, 209);
    COLORREF m_frameTopColor = RGB(171, 164, 156);
    COLORREF m_frameBottomColor = RGB(171, 164, 156);
    COLORREF m_backgroundColor = RGB(255, 255, 255);
    BOOL m_narrowWrap = FALSE;
    std::map<QWidget*, CToolTipInfo> m_tools;
};
