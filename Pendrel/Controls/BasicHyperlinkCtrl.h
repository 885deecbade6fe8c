#pragma once
// A label that shows a short text in a small HTML-like markup (see
// Pendrel/Core/HyperlinkLayout.h for the tags and entities) and lays it
// out itself, with word wrapping, at every paint. Links show the hand
// cursor and, when tips are on, their address as a tip. A click on a link
// opens its address through the desktop (GotoURL), or, for an address
// "APP:name", sends the message that the application registered under that
// name (without regard to case) to its window.
//
// The label is painted in its background colour unless its extended style
// has WS_EX_TRANSPARENT; without it every text cell is painted in the
// current background colour too.

#include <QLabel>
#include <QPointer>

#include <optional>
#include <string>
#include <vector>

#include "Pendrel/Core/HyperlinkLayout.h"
#include "Pendrel/PendrelApi.h"
#include "compat/WinUser.h"

#ifndef WS_EX_TRANSPARENT
#define WS_EX_TRANSPARENT 0x00000020u
#endif
#ifndef SW_SHOW
#define SW_SHOW 5
#endif

// One command an "APP:" link may name: the message with wParam (lParam is
// always 0) goes to the window, when that window still exists.
struct BASICHYPERLINK_APP_COMMAND {
    HWND window;
    UINT message;
    WPARAM wParam;
    const wchar_t* command;
};

class PENDREL_API CBasicHyperlinkCtrl : public QLabel {
    Q_OBJECT

public:
    explicit CBasicHyperlinkCtrl(QWidget* parent = nullptr);
    ~CBasicHyperlinkCtrl() override;

    // The markup; redraws at once.
    void SetWindowTextW(const wchar_t* text);

    // Each gives the previous colour. A text is a colour name, "#RRGGBB" or
    // "r,g,b" (Pendrel/Core/BasicNamedColors.h); null is a failed check and
    // changes nothing.
    virtual COLORREF SetBkColor(const wchar_t* color);
    virtual COLORREF SetBkColor(COLORREF color);
    virtual COLORREF SetTextColor(const wchar_t* color);
    virtual COLORREF SetTextColor(COLORREF color);
    COLORREF GetBkColor() const { return m_backgroundColor; }
    COLORREF GetTextColor() const { return m_textColor; }

    // Pixels kept free at the left and right edges.
    void SetMargins(int left, int right);
    // The font the text starts in (else the label's font); null is a
    // failed check.
    void SetLogFont(const LOGFONTW* font);
    void EnableTooltip(BOOL enable) { m_tooltipEnabled = enable; }
    BOOL IsTooltipEmabled() const { return m_tooltipEnabled; }
    // Copies the commands (count of them); null or a count below 1 leaves
    // none.
    void SetAppCommands(const BASICHYPERLINK_APP_COMMAND* commands, int count);

    // The markup state back to the start.
    void Reset();
    // Reset, default colours, no margins, links or commands.
    void ResetAll();

    void ModifyStyleEx(DWORD remove, DWORD add) { m_exStyle = (m_exStyle & ~remove) | add; }
    DWORD GetExStyle() const { return m_exStyle; }

    // The links of the last paint, one rectangle per line of a link.
    const std::vector<HyperlinkLink>& GetLinks() const { return m_links; }

    // Opens the address, or runs an "APP:" command; FALSE (a failed check
    // for a null or empty address) when nothing was done.
    virtual BOOL GotoURL(const wchar_t* address, int showCommand);

    // Paints the label with the painter (used by paint and render alike).
    void Draw(QPainter& painter);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

    BOOL ProcessAppCommand(const wchar_t* command);
    // TRUE when the text holds only blanks and tabs, or nothing.
    static BOOL IsBlank(const wchar_t* text);

private:
    struct AppCommand {
        QPointer<QWidget> window;
        UINT message;
        WPARAM wParam;
        std::wstring command;
    };
    int LinkAt(QPoint point) const;
    void OnClicked(QPoint point);
    void SetOverLink(bool over);

    COLORREF m_backgroundColor;
    COLORREF m_textColor;
    LOGFONTW m_baseFont{};
    BOOL m_tooltipEnabled = FALSE;
    BOOL m_baseFontSet = FALSE;
    CHyperlinkLayout m_layout;
    std::vector<HyperlinkLink> m_links;
    bool m_overLink = false;
    std::optional<QCursor> m_savedCursor;
    int m_leftMargin = 0;
    int m_rightMargin = 0;
    std::vector<AppCommand> m_commands;
    DWORD m_exStyle = 0;
    bool m_pressed = false;
};
