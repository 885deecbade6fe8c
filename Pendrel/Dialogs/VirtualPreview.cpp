#include "Pendrel/Dialogs/VirtualPreview.h"

#include <QAction>
#include <QPrintPreviewWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include "Pendrel/Dialogs/DialogPrintPreview.h"
#include "Pendrel/Dialogs/VirtualView.h"
#include "Pendrel/Platform/KVXWindowMessages.h"
#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = ".\\VirtualPreview";
constexpr int kLineNoDialog = 57;
constexpr qreal kZoomStep = 1.25;

} // namespace

CVirtualPreview::CVirtualPreview(CVirtualView& view, QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_toolBar = new QToolBar(this);
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_pages = new QPrintPreviewWidget(this);
    layout->addWidget(m_toolBar);
    layout->addWidget(m_pages, 1);

    m_print = m_toolBar->addAction(QStringLiteral("Print..."), this, &CVirtualPreview::OnPreviewPrint);
    m_next = m_toolBar->addAction(QStringLiteral("Next Page"), this, &CVirtualPreview::OnNextPage);
    m_prev = m_toolBar->addAction(QStringLiteral("Prev Page"), this, &CVirtualPreview::OnPrevPage);
    m_numPages = m_toolBar->addAction(QStringLiteral("Two Page"), this, &CVirtualPreview::OnNumPageChange);
    m_zoomIn = m_toolBar->addAction(QStringLiteral("Zoom In"), this, &CVirtualPreview::OnZoomIn);
    m_zoomOut = m_toolBar->addAction(QStringLiteral("Zoom Out"), this, &CVirtualPreview::OnZoomOut);
    m_close = m_toolBar->addAction(QStringLiteral("Close"), this, &CVirtualPreview::OnPreviewClose);

    connect(m_pages, &QPrintPreviewWidget::paintRequested, this, [&view](QPrinter* printer) {
        if (printer) view.RenderPreview(*printer);
    });
    connect(m_pages, &QPrintPreviewWidget::previewChanged, this, &CVirtualPreview::UpdateButtons);
    UpdateButtons();
}

CVirtualPreview::~CVirtualPreview() = default;

void CVirtualPreview::SetPrintDialog(CDialogPrintPreview* dialog) {
    m_dialog = dialog;
}

int CVirtualPreview::GetCurrentPage() const {
    return m_pages->currentPage();
}

void CVirtualPreview::UpdateButtons() {
    const int page = m_pages->currentPage();
    const int step = m_pages->viewMode() == QPrintPreviewWidget::SinglePageView ? 1 : 2;
    m_prev->setEnabled(page > 1);
    m_next->setEnabled(page + step - 1 < m_pages->pageCount());
}

void CVirtualPreview::OnPreviewPrint() {
    ReportAssertion(m_dialog != nullptr, kSourceFile, kLineNoDialog);
    if (m_dialog) PostMessage(m_dialog, WM_COMMAND, ID_FILE_PRINT, 0);
    OnPreviewClose();
}

void CVirtualPreview::OnNextPage() {
    const int step = m_pages->viewMode() == QPrintPreviewWidget::SinglePageView ? 1 : 2;
    m_pages->setCurrentPage(m_pages->currentPage() + step);
    UpdateButtons();
}

void CVirtualPreview::OnPrevPage() {
    const int step = m_pages->viewMode() == QPrintPreviewWidget::SinglePageView ? 1 : 2;
    m_pages->setCurrentPage(m_pages->currentPage() - step);
    UpdateButtons();
}

void CVirtualPreview::OnNumPageChange() {
    if (m_pages->viewMode() == QPrintPreviewWidget::SinglePageView) {
        m_pages->setViewMode(QPrintPreviewWidget::FacingPagesView);
        m_numPages->setText(QStringLiteral("One Page"));
    } else {
        m_pages->setViewMode(QPrintPreviewWidget::SinglePageView);
        m_numPages->setText(QStringLiteral("Two Page"));
    }
    m_pages->fitInView();
    UpdateButtons();
}

void CVirtualPreview::OnZoomIn() {
    m_pages->zoomIn(kZoomStep);
}

void CVirtualPreview::OnZoomOut() {
    m_pages->zoomOut(kZoomStep);
}

void CVirtualPreview::OnPreviewClose() {
    window()->close();
}
