#pragma once
// An icon: a colour bitmap and a mask bitmap of the same size, in which a
// white (set) pixel marks a transparent pixel and a black one an opaque
// pixel. The icon owns both bitmaps.

#include "compat/WinTypes.h"
#include "Pendrel/Image/KVXGdiObject.h"

class KVXIMAGE_API CKVXGdiIcon : public CKVXGdiObject {
public:
    // Takes over both bitmaps; either may be null.
    CKVXGdiIcon(HBITMAP color, HBITMAP mask);
    ~CKVXGdiIcon() override;

    HBITMAP GetColor() const { return m_color; }
    HBITMAP GetMask() const { return m_mask; }

private:
    HBITMAP m_color;
    HBITMAP m_mask;
};
