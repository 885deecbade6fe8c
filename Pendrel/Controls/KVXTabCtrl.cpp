#include "Pendrel/Controls/KVXTabCtrl.h"

#include <QIcon>
#include <QTabBar>

#include "Pendrel/Platform/KVXWindowMessages.h"
#include "utility/TextCodec.h"

CKVXTabCtrl::CKVXTabCtrl(QWidget* parent) : CKVXWnd<QTabWidget>(parent) {
    setDocumentMode(false);
    setIconSize(QSize(16, 16));
    connect(this, &QTabWidget::currentChanged, this, &CKVXTabCtrl::OnCurrentChanged);
    connect(tabBar(), &QTabBar::tabBarClicked, this, [this](int index) {
        if (QWidget* page = widget(index)) page->setFocus(Qt::MouseFocusReason);
    });
}

CKVXTabCtrl::~CKVXTabCtrl() = default;

void CKVXTabCtrl::SetNotify(QObject* owner, int notify) {
    m_owner = owner;
    m_notify = notify;
}

int CKVXTabCtrl::AddPage(QWidget* page, UINT dialogId, const wchar_t* text, const QIcon& icon) {
    if (!page) return -1;
    m_pages.push_back({page, dialogId});
    m_adding = true;
    const int index = addTab(page, icon, QString::fromStdWString(text ? text : L""));
    m_adding = false;
    return index;
}

QWidget* CKVXTabCtrl::FindPage(UINT dialogId) const {
    for (const Page& page : m_pages)
        if (page.id == dialogId) return page.widget;
    return nullptr;
}

UINT CKVXTabCtrl::GetPageId(int index) const {
    QWidget* page = widget(index);
    for (const Page& entry : m_pages)
        if (entry.widget == page) return entry.id;
    return 0;
}

void CKVXTabCtrl::SetActiveTab(int index) {
    if (index < 0 || index >= count()) return;
    if (index == currentIndex())
        OnCurrentChanged(index);
    else
        setCurrentIndex(index);
}

void CKVXTabCtrl::NotifyOwner() {
    if (m_notify != 1 || !m_owner || count() == 0) return;
    SendMessage(m_owner, KVX_WM_TAB_PAGE_CHANGED, GetPageId(m_current), 0);
}

void CKVXTabCtrl::OnCurrentChanged(int index) {
    if (index < 0) return;
    m_current = index;
    // The first page added becomes current by itself; its owner is told
    // when the pages are all in place.
    if (m_adding) return;
    NotifyOwner();
}
