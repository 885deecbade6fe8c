#pragma once
// The control theme over the toolkit's style: faces, edges and colours of
// the window's QStyle and palette (the application's when there is no
// window); push buttons (part 1) draw as command buttons, group boxes
// (part 4) as group-box frames. Icons draw as in the classic theme.

#include <QPointer>
#include <QWidget>

#include "Pendrel/PendrelApi.h"
#include "Pendrel/Theme/AbstractControlTheme.h"

class QStyle;

class PENDREL_API CQStyleControlTheme : public CAbstractControlTheme {
public:
    CQStyleControlTheme(HWND window, int part);

    int DrawControlBackground(QPainter* dc, int state, const RECT* rect, const RECT* clip) override;
    int DrawControlIcon(QPainter* dc, int state, const RECT* rect, CKVXImageList* list, int unused) override;
    int DrawParentBackground(HWND window, QPainter* dc, const RECT* rect) override;
    int DrawControlText(QPainter* dc, int state, const wchar_t* text, int length, DWORD flags, DWORD flags2,
                        const RECT* rect) override;
    int DrawControlEdge(QPainter* dc, int state, const RECT* rect, UINT edge, UINT flags, RECT* contentRect) override;
    COLORREF GetControlColor(int colorId) override;
    BOOL IsVisualStyle(HWND window) override;

    int Part() const { return m_part; }

private:
    QStyle* Style() const;
    QPalette Palette() const;

    QPointer<QWidget> m_window;
    int m_part;
};
