#include "Pendrel/Controls/TransparentStaticImageCtrl.h"

#include <QPainter>

#include "Pendrel/Image/KVXImage.h"
#include "Pendrel/Pendrel.h"
#include "Pendrel/Platform/KVXImageConversion.h"
#include "Pendrel/Platform/KVXPainterDeviceContext.h"
#include "Pendrel/Platform/KVXSysColors.h"

CTransparentStaticImageCtrl::CTransparentStaticImageCtrl(QWidget* parent)
    : QLabel(parent), m_backgroundColor(GetSysColor(COLOR_BTNFACE)) {}

CTransparentStaticImageCtrl::~CTransparentStaticImageCtrl() {
    DestroyIcon();
}

void CTransparentStaticImageCtrl::DestroyIcon() {
    delete m_icon;
    m_icon = nullptr;
}

void CTransparentStaticImageCtrl::SetPNG(HINSTANCE instance, UINT id) {
    DestroyIcon();
    if (!instance) instance = KVXGetInstance();
    if (!m_image) m_image = std::make_unique<CKVXImage>();
    m_pictureId = KVXLoadPng(instance, id, *m_image) ? id : 0;
    update();
}

void CTransparentStaticImageCtrl::SetIcon(HICON icon) {
    m_image.reset();
    m_pictureId = 0;
    if (icon != m_icon) DestroyIcon();
    m_icon = icon;
    update();
}

void CTransparentStaticImageCtrl::SetIcon(UINT id, int size) {
    HICON icon = KVXLoadIcon(KVXGetInstance(), id, size, LOAD_ICON_DEFAULT_COLORS);
    SetIcon(icon);
    if (icon) m_pictureId = id;
}

void CTransparentStaticImageCtrl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setBackgroundMode(Qt::TransparentMode);
    if (m_eraseBackground) painter.fillRect(rect(), KVXToQColor(m_backgroundColor));
    if (m_image && m_image->IsValid()) {
        CKVXPainterDeviceContext context(painter);
        m_image->Draw(&context, 0, 0);
    } else if (m_icon) {
        const QImage icon = KVXIconToQImage(m_icon);
        if (!icon.isNull()) painter.drawImage(rect(), icon);
    }
}
