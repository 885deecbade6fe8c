#include "Pendrel/Image/KVXGdiIcon.h"

#include "Pendrel/Image/KVXGdiBitmap.h"

CKVXGdiIcon::CKVXGdiIcon(HBITMAP color, HBITMAP mask) : m_color(color), m_mask(mask) {}

CKVXGdiIcon::~CKVXGdiIcon() {
    delete m_color;
    delete m_mask;
}
