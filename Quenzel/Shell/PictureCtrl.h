#pragma once
// CPictureCtrl: shows a word's picture from bytes in memory, stretched over
// the control, or, without a picture, a text word-wrapped in "Arial" at a
// height of 20.

#include <QImage>
#include <QWidget>

#include <vector>

#include "compat/WinTypes.h"
#include "utility/BasicString.h"

class CPictureCtrl : public QWidget {
    Q_OBJECT

public:
    explicit CPictureCtrl(QWidget* parent = nullptr);

    // 1 when the bytes hold a picture; 0 otherwise, with the reason as the
    // thread's last error and no picture kept.
    int LoadFromMemory(const BYTE* bytes, size_t size);
    void FreeImage();
    bool HasPicture() const { return m_hasPicture; }
    const QImage& GetPicture() const { return m_picture; }

    void SetText(const wchar_t* text) { m_text = text ? text : L""; update(); }
    void SetShowText(bool show) { m_showText = show; update(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_picture;
    bool m_hasPicture = false;
    CBasicString m_text;
    bool m_showText = false;
};
