#pragma once
// The tab control of both programs' tabbed windows: a row of tabs over the
// pages it owns, each page a window with a dialog id. When the current page
// changes (by the program or by a click on a tab) the control remembers the
// index, gives the page the focus on a click, and, while its notify flag is
// 1, sends WM_USER+206 with the new page's dialog id to its owner window.

#include <QTabWidget>

#include <vector>

#include "Pendrel/Platform/KVXWnd.h"
#include "Pendrel/PendrelApi.h"
#include "compat/WinUser.h"

class QIcon;

// The message the tab control sends its owner: wParam is the dialog id of
// the page now shown.
constexpr UINT KVX_WM_TAB_PAGE_CHANGED = WM_USER + 206;

class PENDREL_API CKVXTabCtrl : public CKVXWnd<QTabWidget> {
    Q_OBJECT

public:
    explicit CKVXTabCtrl(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(CKVXTabCtrl)
    ~CKVXTabCtrl() override;

    // The window told about page changes (not owned) and whether it is told.
    void SetNotify(QObject* owner, int notify);
    int GetNotify() const { return m_notify; }
    QObject* GetNotifyWindow() const { return m_owner; }

    // Adds a page (owned from now on) under its dialog id; its index.
    int AddPage(QWidget* page, UINT dialogId, const wchar_t* text, const QIcon& icon);
    // The page with the dialog id, or null.
    QWidget* FindPage(UINT dialogId) const;
    UINT GetPageId(int index) const;
    int GetActiveTab() const { return m_current; }
    // Shows the page at index (sends the notification as a click would).
    void SetActiveTab(int index);
    // Sends the owner the dialog id of the current page (when the notify
    // flag is 1 and the owner exists).
    void NotifyOwner();

private:
    void OnCurrentChanged(int index);

    struct Page {
        QWidget* widget;
        UINT id;
    };
    std::vector<Page> m_pages;
    int m_current = 0;
    int m_notify = 0;
    QObject* m_owner = nullptr;
    bool m_adding = false;
};
