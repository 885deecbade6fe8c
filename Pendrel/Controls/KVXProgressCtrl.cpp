#include "Pendrel/Controls/KVXProgressCtrl.h"

#include <QPainter>

#include <algorithm>

#include "Pendrel/Platform/KVXDialogControls.h"
#include "Pendrel/Platform/KVXRect.h"
#include "Pendrel/Platform/KVXSysColors.h"
#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = ".\\KVXProgressCtrl";
constexpr int kLineWeightLow = 357;
constexpr int kLineWeightHigh = 358;
constexpr UINT_PTR kGlideTimer = 1;

// A sunken 3-D frame: shadow on the top and left edges, highlight on the
// right and bottom ones.
void SunkenFrame(QPainter& painter, const QRect& rect, const QColor& shadow, const QColor& highlight) {
    if (rect.width() <= 0 || rect.height() <= 0) return;
    painter.fillRect(rect.left(), rect.top(), rect.width() - 1, 1, shadow);
    painter.fillRect(rect.left(), rect.top(), 1, rect.height() - 1, shadow);
    painter.fillRect(rect.right(), rect.top(), 1, rect.height(), highlight);
    painter.fillRect(rect.left(), rect.bottom(), rect.width(), 1, highlight);
}

} // namespace

CKVXProgressCtrl::CKVXProgressCtrl(QWidget* parent) : CKVXWnd<QWidget>(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CKVXProgressCtrl::~CKVXProgressCtrl() {
    Stop();
}

BOOL CKVXProgressCtrl::Create(DWORD style, const RECT& rect, QWidget* parent) {
    setParent(parent);
    setGeometry(CKVXRect(rect).ToQRect());
    KVXSetWindowText(this, L"WaitForCtrl");
    KVXSetDlgCtrlID(this, kControlId);
    setEnabled(!(style & WS_DISABLED));
    setVisible((style & WS_VISIBLE) != 0);
    return TRUE;
}

void CKVXProgressCtrl::Start(int period) {
    m_timerId = SetTimer(kGlideTimer, static_cast<UINT>(std::max(period, 0) / 2));
}

void CKVXProgressCtrl::Stop() {
    if (m_timerId != 0) {
        KillTimer(m_timerId);
        m_timerId = 0;
    }
    m_glide.Reset();
}

void CKVXProgressCtrl::OnTimer(UINT_PTR) {
    m_glide.Tick();
    update();
}

QRect CKVXProgressCtrl::ContentRect(const QRect& client) {
    return client.adjusted(2, 2, -2, -2);
}

void CKVXProgressCtrl::BlendTick(QImage& frame, const QRect& source, QPoint target, int weight, const QRect& limit) {
    ReportAssertion(weight >= 0, kSourceFile, kLineWeightLow);
    ReportAssertion(weight <= 255, kSourceFile, kLineWeightHigh);
    const QRect area = QRect(target, source.size()) & limit & frame.rect();
    if (area.isEmpty()) return;
    const int dx = source.left() - target.x();
    const int dy = source.top() - target.y();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const auto* from = reinterpret_cast<const uint32_t*>(frame.constScanLine(y + dy)) + area.left() + dx;
        auto* to = reinterpret_cast<uint32_t*>(frame.scanLine(y)) + area.left();
        CBusyBarGlide::BlendRow(from, to, area.width(), weight);
    }
}

QImage CKVXProgressCtrl::PaintFrame(QSize clientSize) {
    const QRect client(QPoint(0, 0), clientSize);
    if (client.isEmpty()) return QImage();
    // No visual themes here: the chunk keeps its classic size.
    m_glide.SetChunkMetrics(m_glide.ChunkWidth(), m_glide.ChunkGap());
    const int chunkWidth = m_glide.ChunkWidth();

    QImage frame(client.width() + chunkWidth, client.height(), QImage::Format_RGB32);
    QPainter painter(&frame);
    // Background and border.
    painter.fillRect(frame.rect(), KVXToQColor(GetSysColor(COLOR_BTNFACE)));
    const QColor shadow = KVXToQColor(GetSysColor(COLOR_BTNSHADOW));
    const QColor highlight = KVXToQColor(GetSysColor(COLOR_BTNHIGHLIGHT));
    SunkenFrame(painter, client, shadow, highlight);
    SunkenFrame(painter, client.adjusted(1, 1, -1, -1), shadow, highlight);

    // The content; the position travels over it less one chunk width, so
    // the centre chunk always fits.
    const QRect content = ContentRect(client);
    m_glide.SetBarWidth(std::max(content.width() - chunkWidth, 0));

    // The chunk in the spare column right of the client area.
    const QRect source(client.width(), 0, chunkWidth, client.height());
    painter.fillRect(source, KVXToQColor(GetSysColor(COLOR_HIGHLIGHT)));
    painter.end();

    if (content.isEmpty()) return frame.copy(client);
    for (const CBusyBarGlide::Chunk& chunk : m_glide.Chunks()) {
        const QRect chunkSource(source.left(), content.top(), chunkWidth, content.height());
        BlendTick(frame, chunkSource, QPoint(content.left() + chunk.left, content.top()), chunk.weight, content);
    }
    return frame.copy(client);
}

void CKVXProgressCtrl::paintEvent(QPaintEvent*) {
    const QImage frame = PaintFrame(size());
    if (frame.isNull()) return;
    QPainter painter(this);
    painter.drawImage(0, 0, frame);
}
