#include "Pendrel/Controls/BasicListCtrlHdr.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionHeader>

#include <algorithm>

#include "Pendrel/Controls/BasicListCtrl.h"
#include "Pendrel/Controls/BasicListCtrlModel.h"
#include "Pendrel/Controls/KVXListViewDefs.h"
#include "Pendrel/Image/KVXImage.h"
#include "Pendrel/Pendrel.h"
#include "Pendrel/Platform/KVXImageConversion.h"
#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = "BasicListCtrl";
constexpr int kLineNullBitmap = 120;
constexpr UINT kSortImagesPng = 401;
constexpr int kSortImageSize = 16;

} // namespace

CBasicListCtrlHdr::CBasicListCtrlHdr(BOOL sortable, QWidget* parent)
    : QHeaderView(Qt::Horizontal, parent), m_sortable(sortable) {
    setSectionsMovable(false);
    setStretchLastSection(false);
    setHighlightSections(false);
    setSectionsClickable(true);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setSortIndicatorShown(false);
}

CBasicListCtrlHdr::~CBasicListCtrlHdr() = default;

CBasicListCtrlModel* CBasicListCtrlHdr::ListModel() const {
    return qobject_cast<CBasicListCtrlModel*>(model());
}

void CBasicListCtrlHdr::InitializeHdrCtrl() {
    if (m_sortImages.GetSafeHandle()) return;
    if (!m_sortImages.Create(kSortImageSize, kSortImageSize, ILC_COLOR32 | ILC_MASK, 0, 1)) return;
    CKVXImage png;
    KVXLoadPng(KVXGetInstance(), kSortImagesPng, png);
    const QImage strip = KVXImageToQImage(png);
    ReportAssertion(!strip.isNull(), kSourceFile, kLineNullBitmap);
    if (!strip.isNull()) m_sortImages.Add(strip);
    RemoveAllSortImages();
    viewport()->update();
}

int CBasicListCtrlHdr::SetSortImage(int column, BOOL ascending) {
    const int previous = m_sortedColumn;
    CBasicListCtrlModel* list = ListModel();
    if (!list) return previous;
    RemoveSortImage(m_sortedColumn);
    if (column >= 0 && column < list->ColumnCount()) {
        CBasicListCtrlModel::Column& item = list->ColumnAt(column);
        item.headerImage = ascending ? 1 : 2;
        item.headerFormat |= HDF_IMAGE | HDF_BITMAP_ON_RIGHT;
    }
    m_sortedColumn = column;
    m_ascending = ascending;
    viewport()->update();
    return previous;
}

void CBasicListCtrlHdr::RemoveSortImage(int column) {
    CBasicListCtrlModel* list = ListModel();
    if (!list || column < 0 || column >= list->ColumnCount()) return;
    list->ColumnAt(column).headerFormat &= ~(HDF_BITMAP | HDF_IMAGE | HDF_BITMAP_ON_RIGHT);
    viewport()->update();
}

void CBasicListCtrlHdr::RemoveAllSortImages() {
    CBasicListCtrlModel* list = ListModel();
    if (!list) return;
    for (int column = 0; column < list->ColumnCount(); ++column) RemoveSortImage(column);
}

int CBasicListCtrlHdr::ColumnFromPoint(int x) const {
    int left = -offset();
    for (int column = 0; column < count(); ++column) {
        const int right = left + sectionSize(column);
        if (x >= left && x <= right) return column;
        left = right;
    }
    return count();
}

void CBasicListCtrlHdr::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    CBasicListCtrlModel* list = ListModel();
    const bool sorted = list && logicalIndex >= 0 && logicalIndex < list->ColumnCount() &&
                        (list->ColumnAt(logicalIndex).headerFormat & HDF_IMAGE) && m_sortImages.GetSafeHandle();
    if (!sorted) {
        QHeaderView::paintSection(painter, rect, logicalIndex);
        return;
    }
    // The title keeps clear of the arrow on the right.
    QStyleOptionHeader option;
    initStyleOptionForIndex(&option, logicalIndex);
    option.rect = rect;
    painter->save();
    painter->setClipRect(rect);
    style()->drawControl(QStyle::CE_HeaderSection, &option, painter, this);
    QStyleOptionHeader label = option;
    label.rect = style()->subElementRect(QStyle::SE_HeaderLabel, &option, this);
    label.rect.setRight(std::max(label.rect.left(), rect.right() - kSortImageSize - 4));
    style()->drawControl(QStyle::CE_HeaderLabel, &label, painter, this);
    const int x = rect.right() - kSortImageSize - 2;
    const int y = rect.top() + (rect.height() - kSortImageSize) / 2;
    if (x > rect.left()) m_sortImages.Draw(*painter, list->ColumnAt(logicalIndex).headerImage, QPoint(x, y), ILD_TRANSPARENT);
    painter->restore();
}

void CBasicListCtrlHdr::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        if (!m_sortable) return;
        if (auto* list = qobject_cast<CBasicListCtrl*>(parentWidget())) {
            if (!list->IsSortable(ColumnFromPoint(event->position().toPoint().x()))) return;
        }
    }
    QHeaderView::mousePressEvent(event);
}
