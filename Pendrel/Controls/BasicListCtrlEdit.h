#pragma once
// The in-place cell editor of the list controls (and of the main program's
// list boxes): an edit over one cell that ends when it loses the focus.
//
// - Create takes the host's font, shows the initial text, takes the focus
//   and selects the whole text. Without ES_MULTILINE it is one line that
//   scrolls sideways; ES_RIGHT and ES_CENTER align the text.
// - Enter and Escape give the focus back to the host (Escape cancels);
//   they, Delete and every Control chord stay with the editor, so the
//   dialog never sees them.
// - With grow set, typing widens the editor to fit its text, up to the
//   right edge of the host's client area.
// - The end: on losing the focus (but not to a pop-up menu) it emits
//   EditEnded(row, column, text), text null when cancelled, and deletes
//   itself later. A host without a window above it fails a check and gets
//   nothing.

#include <QPlainTextEdit>

#include "Pendrel/PendrelApi.h"
#include "compat/WinUser.h"
#include "utility/BasicString.h"

class PENDREL_API CBasicListCtrlEdit : public QPlainTextEdit {
    Q_OBJECT

public:
    CBasicListCtrlEdit(int row, int column, const CBasicString& text, int grow);
    ~CBasicListCtrlEdit() override;

    // Makes the editor a child of parent over rect (parent's coordinates)
    // with the styles (WS_BORDER, ES_MULTILINE, ES_AUTOVSCROLL, ES_RIGHT,
    // ES_CENTER) and control id.
    BOOL Create(DWORD style, const RECT& rect, QWidget* parent, UINT id);

    int GetCurrentItem() const { return m_row; }
    int GetColumn() const { return m_column; }
    BOOL IsCancelled() const { return m_cancelled; }
    // The text as the edit ends it: a single-line editor keeps its first
    // line; a multi-line one ends its lines with CR LF.
    CBasicString GetText() const;

signals:
    void EditEnded(int row, int column, const wchar_t* text);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // The widget that gets the focus back: the host (a scroll area when the
    // editor sits on its viewport).
    QWidget* Host() const;
    void Grow();
    void End();

    int m_row;
    int m_column;
    CBasicString m_initialText;
    BOOL m_cancelled = FALSE;
    BOOL m_grow;
    bool m_multiLine = false;
    bool m_ended = false;
};
