#pragma once
// An image list: pictures of one size (cx x cy) reached by index, as list
// controls, buttons and tabs draw them. The list itself (HIMAGELIST) is held
// by a CKVXImageList object, which frees it when it is deleted or destroyed
// unless the list was detached first. The system's file-icon lists
// (KVXGetSystemImageList) are shared and are never freed.
//
// Drawing (Draw): the picture at its own size with its transparency. With
// ILD_NORMAL a list background colour other than CLR_NONE fills the
// picture's transparent pixels; ILD_TRANSPARENT never fills. ILD_BLEND25
// and ILD_BLEND50 tint the picture's visible pixels with the highlight
// colour (COLOR_HIGHLIGHT), at 25 and 50 percent.

#include <QImage>

#include <vector>

#include "Pendrel/PendrelApi.h"
#include "compat/WinUser.h"

class QPainter;

struct KVXImageListData {
    int cx = 0;
    int cy = 0;
    std::vector<QImage> images;  // ARGB32, cx x cy each
    COLORREF background = CLR_NONE;
    bool shared = false;         // a system list: never freed
};
typedef KVXImageListData* HIMAGELIST;

class PENDREL_API CKVXImageList {
public:
    CKVXImageList() = default;
    ~CKVXImageList();
    CKVXImageList(const CKVXImageList&) = delete;
    CKVXImageList& operator=(const CKVXImageList&) = delete;

    // A new empty list of cx x cy pictures (the flags, initial size and
    // growth are accepted and need nothing here); FALSE when a list is held
    // already or a size is not above 0.
    BOOL Create(int cx, int cy, UINT flags, int initial, int grow);
    // Frees the held list (a shared one is only let go); FALSE when none.
    BOOL DeleteImageList();
    // FALSE when a list is held already or list is null.
    BOOL Attach(HIMAGELIST list);
    HIMAGELIST Detach();
    HIMAGELIST GetSafeHandle() const { return m_list; }

    // Each adds the pictures of a strip (width a multiple of cx; the last
    // part is dropped when not) and gives the index of the first, or -1.
    int Add(const QImage& strip);
    // The bitmap with the mask's set (white) pixels transparent; no mask:
    // opaque.
    int Add(HBITMAP bitmap, HBITMAP mask);
    // The bitmap with every pixel of maskColor transparent.
    int Add(HBITMAP bitmap, COLORREF maskColor);
    // The icon, scaled to cx x cy when its size differs.
    int Add(HICON icon);

    int GetImageCount() const;
    // Null for an index out of range.
    QImage GetImage(int index) const;
    COLORREF SetBkColor(COLORREF color);
    COLORREF GetBkColor() const;
    BOOL Draw(QPainter& painter, int index, QPoint point, UINT style) const;

private:
    HIMAGELIST m_list = nullptr;
};
