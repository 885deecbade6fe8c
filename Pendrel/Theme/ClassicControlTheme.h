#pragma once
// The classic control theme: bevelled faces in the system colours, icons
// with a greyed disabled look, grey disabled text; no edge, parent
// background or colours (those give 0 and draw nothing). Drawing
// operations give 1 for a missing painter, rectangle, text or list.

#include "Pendrel/PendrelApi.h"
#include "Pendrel/Theme/AbstractControlTheme.h"

class QImage;

class PENDREL_API CClassicControlTheme : public CAbstractControlTheme {
public:
    int DrawControlBackground(QPainter* dc, int state, const RECT* rect, const RECT* clip) override;
    int DrawControlIcon(QPainter* dc, int state, const RECT* rect, CKVXImageList* list, int unused) override;
    int DrawParentBackground(HWND window, QPainter* dc, const RECT* rect) override;
    int DrawControlText(QPainter* dc, int state, const wchar_t* text, int length, DWORD flags, DWORD flags2,
                        const RECT* rect) override;
    int DrawControlEdge(QPainter* dc, int state, const RECT* rect, UINT edge, UINT flags, RECT* contentRect) override;
    COLORREF GetControlColor(int colorId) override;
    BOOL IsVisualStyle(HWND window) override;

    // The icon drawing both themes share.
    static int DrawIcon(QPainter* dc, int state, const RECT* rect, CKVXImageList* list);
    // A picture in the disabled look.
    static QImage DisabledLook(const QImage& image);
};
