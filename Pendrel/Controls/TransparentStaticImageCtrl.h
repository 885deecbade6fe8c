#pragma once
// An image static that paints a PNG (at its own size, at the top-left
// corner) or, without one, an icon (in the client's size), on a transparent
// background or, with erase set, on its background colour. It owns what it
// shows; setting one kind of picture drops the other.

#include <QLabel>

#include <memory>

#include "Pendrel/PendrelApi.h"
#include "compat/WinUser.h"

class CKVXImage;

class PENDREL_API CTransparentStaticImageCtrl : public QLabel {
    Q_OBJECT

public:
    explicit CTransparentStaticImageCtrl(QWidget* parent = nullptr);
    ~CTransparentStaticImageCtrl() override;

    // PNG resource id of the module (null: Pendrel's).
    void SetPNG(HINSTANCE instance, UINT id);
    // Takes the icon over.
    void SetIcon(HICON icon);
    // Icon resource id of Pendrel at size x size.
    void SetIcon(UINT id, int size);
    // The resource id of the picture shown (PNG or icon); 0 for none or an
    // icon handed over as a handle.
    UINT GetPictureId() const { return m_pictureId; }
    void SetEraseBackground(int erase) { m_eraseBackground = erase; }
    void SetBackgroudColor(COLORREF color) { m_backgroundColor = color; }
    COLORREF GetBackgroudColor() const { return m_backgroundColor; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void DestroyIcon();

    HICON m_icon = nullptr;
    UINT m_pictureId = 0;
    int m_eraseBackground = FALSE;
    COLORREF m_backgroundColor;
    std::unique_ptr<CKVXImage> m_image;
};
