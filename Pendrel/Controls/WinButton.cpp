#include "Pendrel/Controls/WinButton.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include "Pendrel/Core/WinButtonLayout.h"
#include "Pendrel/Image/KVXImage.h"
#include "Pendrel/Pendrel.h"
#include "Pendrel/Platform/KVXDrawText.h"
#include "Pendrel/Platform/KVXPainterDeviceContext.h"
#include "Pendrel/Platform/KVXRect.h"
#include "Pendrel/Platform/KVXSysColors.h"
#include "Pendrel/Platform/KVXText.h"
#include "Pendrel/Theme/WinTheme.h"
#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = ".\\WinButton";
constexpr int kLineDeleteList = 90;
constexpr int kLineNoImage = 170;
constexpr int kLineCreateList = 230;
constexpr int kLineNoTheme = 420;
constexpr int kLineNoControlTheme = 426;
constexpr int kLineBackground = 440;
constexpr int kLineText = 520;

} // namespace

CWinButton::CWinButton(WinButtonStyle style, QWidget* parent) : QPushButton(parent), m_style(style) {
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover);
}

CWinButton::~CWinButton() {
    DeleteImages();
    DeleteIcons();
}

void CWinButton::SetButtonText(const wchar_t* text) {
    m_caption = KVXToQString(text);
    setText(m_caption);
}

void CWinButton::SetButtonText(UINT id) {
    SetButtonText(KVXLoadString(id).GetString());
}

void CWinButton::SetMultiLine(BOOL multiLine) {
    m_multiLine = multiLine;
}

void CWinButton::SetImageOnRight(BOOL onRight) {
    m_imageOnRight = onRight;
    Redraw();
}

int CWinButton::SetImageOffset(int offset) {
    const int previous = m_imageOffset;
    m_imageOffset = offset;
    Redraw();
    return previous;
}

int CWinButton::SetTextOffset(int offset) {
    const int previous = m_textOffset;
    m_textOffset = offset;
    Redraw();
    return previous;
}

BOOL CWinButton::SetDefaultButton(BOOL isDefault) {
    const BOOL previous = m_defaultButton;
    m_defaultButton = isDefault ? TRUE : FALSE;
    setDefault(m_defaultButton);
    Redraw();
    return previous;
}

void CWinButton::SetCheck(BOOL check) {
    m_check = check ? TRUE : FALSE;
    update();
}

void CWinButton::DeleteImages() {
    m_image.reset();
    m_greyImage.reset();
}

void CWinButton::DeleteIcons() {
    if (m_icons.GetSafeHandle()) ReportAssertion(m_icons.DeleteImageList(), kSourceFile, kLineDeleteList);
}

BOOL CWinButton::SetPNG(UINT id) {
    DeleteIcons();
    if (!m_image) m_image = std::make_unique<CKVXImage>();
    if (!m_greyImage) m_greyImage = std::make_unique<CKVXImage>();
    if (!m_image || !m_greyImage) {
        ReportAssertion(0, kSourceFile, kLineNoImage);
        return FALSE;
    }
    KVXLoadPng(KVXGetInstance(), id, *m_image);
    KVXLoadPng(KVXGetInstance(), id, *m_greyImage);
    m_greyImage->GrayScale();
    Redraw();
    return TRUE;
}

bool CWinButton::AddIcon(UINT id, int size) {
    HICON icon = KVXLoadIcon(KVXGetInstance(), id, size, LOAD_ICON_DEFAULT_COLORS);
    if (!icon) return false;
    m_icons.Add(icon);
    delete icon;
    return true;
}

BOOL CWinButton::SetIcon(UINT id, UINT disabledId, int size) {
    DeleteImages();
    m_imageId = id;
    DeleteIcons();
    if (id != 0) {
        const BOOL created = m_icons.Create(size, size, ILC_COLOR32 | ILC_MASK, 0, 1);
        ReportAssertion(created, kSourceFile, kLineCreateList);
        if (created) AddIcon(id, size);
    }
    if (disabledId != 0 && m_icons.GetSafeHandle()) AddIcon(disabledId, size);
    Redraw();
    return TRUE;
}

bool CWinButton::AddBitmap(UINT id, COLORREF maskColor) {
    HBITMAP bitmap = nullptr;
    KVXLoadBitmap(KVXGetInstance(), bitmap, id);
    if (!bitmap) return false;
    m_icons.Add(bitmap, maskColor);
    delete bitmap;
    return true;
}

BOOL CWinButton::SetMaskedBitmap(UINT id, int size, int, COLORREF maskColor) {
    DeleteImages();
    DeleteIcons();
    if (id == 0) {
        Redraw();
        return TRUE;
    }
    m_imageId = id;
    const BOOL created = m_icons.Create(size, size, ILC_COLOR32 | ILC_MASK, 0, 1);
    ReportAssertion(created, kSourceFile, kLineCreateList);
    if (created) {
        m_icons.SetBkColor(CLR_NONE);
        AddBitmap(id, maskColor);
    }
    Redraw();
    return TRUE;
}

BOOL CWinButton::SetMaskedBitmap(UINT id, UINT disabledId, int size, int unused, COLORREF maskColor) {
    const BOOL result = SetMaskedBitmap(id, size, unused, maskColor);
    if (disabledId != 0 && m_icons.GetSafeHandle()) AddBitmap(disabledId, maskColor);
    return result;
}

BOOL CWinButton::HasImage(int& isPng) const {
    isPng = FALSE;
    if (m_image && m_greyImage) {
        isPng = TRUE;
        return TRUE;
    }
    return m_icons.GetSafeHandle() && m_icons.GetImageCount() > 0;
}

void CWinButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    UINT itemState = 0;
    if (isDown()) itemState |= ODS_SELECTED;
    if (!isEnabled()) itemState |= ODS_DISABLED;
    if (hasFocus()) itemState |= ODS_FOCUS;
    DrawItem(painter, CKVXRect(rect()), itemState, ODA_DRAWENTIRE);
}

void CWinButton::DrawItem(QPainter& dc, const RECT& itemRect, UINT itemState, UINT itemAction) {
    const bool disabled = (itemState & ODS_DISABLED) != 0;
    const int state =
        CWinButtonLayout::DrawState((itemState & ODS_SELECTED) != 0, m_check, m_style, m_hot, disabled);
    CKVXRect item(itemRect);
    if (m_defaultButton) item.DeflateRect(1, 1);
    dc.setFont(font());

    if (itemAction != ODA_FOCUS) {
        if (m_defaultButton) {
            dc.setPen(Qt::black);
            dc.setBrush(Qt::NoBrush);
            const CKVXRect full(itemRect);
            dc.drawRect(full.left, full.top, full.Width() - 1, full.Height() - 1);
        }
        CAbstractWinTheme* windowTheme = KVXGetCurrentWinTheme();
        ReportAssertion(windowTheme != nullptr, kSourceFile, kLineNoTheme);
        if (!windowTheme) return;
        std::unique_ptr<CAbstractControlTheme> theme(windowTheme->CreateControlTheme(this, 0));
        ReportAssertion(theme != nullptr, kSourceFile, kLineNoControlTheme);
        if (!theme) return;

        dc.fillRect(item.ToQRect(), KVXToQColor(GetSysColor(COLOR_BTNFACE)));
        m_hotTracking = theme->IsVisualStyle(this);
        ReportAssertion(theme->DrawControlBackground(&dc, state, &item, nullptr) == 0, kSourceFile,
                        kLineBackground);

        // Picture and caption.
        int isPng = FALSE;
        const bool hasImage = HasImage(isPng) != FALSE;
        SIZE imageSize{0, 0};
        if (hasImage && isPng) {
            imageSize = {static_cast<LONG>(m_image->GetWidth()), static_cast<LONG>(m_image->GetHeight())};
        } else if (hasImage) {
            const QImage first = m_icons.GetImage(0);
            imageSize = {first.width(), first.height()};
        }
        const CBasicString caption = KVXFromQString(m_caption);
        const bool hasCaption = !m_caption.isEmpty();
        SIZE captionSize{0, 0};
        if (hasCaption) {
            RECT extent{0, 0, 0, 0};
            DrawText(dc, caption.GetString(), caption.GetLength(), &extent, DT_CALCRECT | DT_SINGLELINE);
            captionSize = {extent.right - extent.left, extent.bottom - extent.top};
        }
        RECT captionRect;
        RECT imageRect;
        CWinButtonLayout::GetImageTextRect(CKVXRect(rect()), hasImage, imageSize, hasCaption, captionSize,
                                           m_imageOffset, m_textOffset, m_imageOnRight, captionRect, imageRect);
        if (hasImage && !isPng) {
            theme->DrawControlIcon(&dc, state, &imageRect, &m_icons, 0);
        } else if (hasImage) {
            CKVXPainterDeviceContext context(dc);
            CKVXImage& picture = state == 3 ? *m_greyImage : *m_image;
            picture.Draw(&context, imageRect.left, imageRect.top);
        }

        DWORD flags = DT_VCENTER;
        if (m_imageOnRight) flags |= DT_RIGHT;
        if (m_multiLine && hasCaption) {
            const int top = CWinButtonLayout::MultiLineTop(sizeHint().height(), captionSize.cy);
            if (top >= 1) captionRect.top = top;
            captionRect.right = item.right;
            captionRect.bottom = item.bottom;
            flags |= DT_WORDBREAK;
        }
        if (hasCaption) {
            dc.setPen(KVXToQColor(GetSysColor(COLOR_BTNTEXT)));
            ReportAssertion(theme->DrawControlText(&dc, state, caption.GetString(), -1, flags, 0, &captionRect) == 0,
                            kSourceFile, kLineText);
        }
    }

    if ((itemState & ODS_FOCUS) && !disabled) {
        const int inset = CWinButtonLayout::FocusInset(item.Width(), item.Height());
        CKVXRect focus = item;
        focus.DeflateRect(inset, inset);
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = focus.ToQRect();
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &dc, this);
    }
}

void CWinButton::ProcessClick() {
    m_check = m_check ? FALSE : TRUE;
    update();
}

void CWinButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_checkAtPress = m_check;
        ProcessClick();
    }
    QPushButton::mousePressEvent(event);
}

void CWinButton::keyPressEvent(QKeyEvent* event) {
    // Holding Space repeats the key; only the first press toggles.
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) ProcessClick();
    QPushButton::keyPressEvent(event);
}

void CWinButton::mouseMoveEvent(QMouseEvent* event) {
    QPushButton::mouseMoveEvent(event);
    const bool over = rect().contains(event->position().toPoint());
    if (!over && m_check != m_checkAtPress) {
        m_check = m_checkAtPress;
        update();
    }
    if ((event->buttons() & Qt::LeftButton) && !m_hot) return;
    if (!m_hotTracking) return;
    if (over) {
        if (!m_hot) {
            m_hot = TRUE;
            RedrawBorders();
            update();
        }
    } else {
        CancelHotTrack();
    }
}

void CWinButton::leaveEvent(QEvent* event) {
    CancelHotTrack();
    QPushButton::leaveEvent(event);
}

void CWinButton::focusOutEvent(QFocusEvent* event) {
    if (!m_hot) update();
    CancelHotTrack();
    QPushButton::focusOutEvent(event);
}

void CWinButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && !isActiveWindow()) CancelHotTrack();
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        if (hasFocus() && !focusNextChild() && parentWidget()) parentWidget()->setFocus();
        CancelHotTrack();
    }
    QPushButton::changeEvent(event);
}

void CWinButton::CancelHotTrack() {
    if (!m_hot) return;
    m_hot = FALSE;
    RedrawBorders();
    update();
}

void CWinButton::RedrawBorders() {
    if (isVisible()) repaint();
}

void CWinButton::Redraw() {
    update();
}
