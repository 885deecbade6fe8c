#include "Pendrel/Dialogs/VirtualFrameWnd.h"

#include <QCloseEvent>

#include "Pendrel/Dialogs/VirtualPreview.h"
#include "Pendrel/Dialogs/VirtualView.h"
#include "Pendrel/Pendrel.h"
#include "Pendrel/Platform/KVXMessageBox.h"

namespace {

constexpr UINT kStringCommandFailed = 61705;

} // namespace

CVirtualFrameWnd::CVirtualFrameWnd() : m_view(std::make_unique<CVirtualView>()) {
    setAttribute(Qt::WA_QuitOnClose, false);
}

CVirtualFrameWnd::~CVirtualFrameWnd() = default;

void CVirtualFrameWnd::StartPreview() {
    if (!m_view->StartPreview()) {
        KVXMessageBox(this, KVXLoadString(kStringCommandFailed).GetString(), nullptr, MB_OK | MB_ICONERROR);
        m_view->EndPreview();
        hide();
        deleteLater();
        return;
    }
    m_preview = new CVirtualPreview(*m_view, this);
    setCentralWidget(m_preview);
    m_preview->SetPrintDialog(m_view->GetPrintDialog());
    m_previewOpen = true;
}

void CVirtualFrameWnd::ClosePreview() {
    if (!m_previewOpen) return;
    m_previewOpen = false;
    m_view->EndPreview();
    hide();
    deleteLater();
}

void CVirtualFrameWnd::Abandon() {
    m_view->SetPrintDialog(nullptr);
    m_view->SetHiddenWindow(nullptr);
    if (m_preview) m_preview->SetPrintDialog(nullptr);
    if (m_previewOpen) {
        ClosePreview();
    } else {
        hide();
        deleteLater();
    }
}

void CVirtualFrameWnd::closeEvent(QCloseEvent* event) {
    event->ignore();
    ClosePreview();
}
