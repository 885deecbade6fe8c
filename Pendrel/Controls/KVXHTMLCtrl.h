#pragma once
// CKVXHTMLCtrl: the small HTML control that shows a page of Pendrel's own
// resources: a child dialog (template 554, empty) filled by an HTML view
// (CKVXHtmlView) that runs no scripts and opens clicked links outside.
// The agreement dialog shows its text in one.
//
// Local addresses are "res://<Pendrel's module path>/<id>". Enter and
// Escape go to the focused control and stop there: they never close the
// dialog that hosts the control.

#include "Pendrel/PendrelApi.h"
#include "Pendrel/Platform/KVXDialog.h"
#include "utility/BasicString.h"

class CKVXHtmlView;

class PENDREL_API CKVXHTMLCtrl : public CKVXDialog {
    Q_OBJECT

public:
    // The control for HTML resource resourceId of Pendrel; its current
    // address is the resource's local address.
    CKVXHTMLCtrl(UINT resourceId, QWidget* parent);
    ~CKVXHTMLCtrl() override;

    // "res://<Pendrel's module path>/<id>"; empty when the path cannot be
    // read.
    CBasicString GetLocalURL(UINT resourceId);
    // Stores the address as the current one and shows it.
    void NavigateURL(const wchar_t* address);
    // Shows the local address of the resource: 1, or 0 when that address
    // is empty.
    int LoadLocalResource(UINT resourceId);
    const CBasicString& GetCurrentURL() const { return m_currentUrl; }

    CKVXHtmlView* GetView() const { return m_view; }

protected:
    // A control of a derived class, on that class's own child template.
    CKVXHTMLCtrl(UINT templateId, UINT resourceId, QWidget* parent);

    BOOL OnInitDialog() override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CBasicString m_currentUrl;
    CKVXHtmlView* m_view;
};

// Keeps Enter and Escape inside a window: a key press of either reaches the
// focused control only, and a button does not take it as a click. Installed
// on the window and every control it holds at the time.
PENDREL_API void KVXKeepEnterAndEscape(QWidget* window, QObject* filter);
// The filter's part: true when the event is an Enter or Escape press that
// must stop at the watched object.
PENDREL_API bool KVXIsContainedKey(QObject* watched, QEvent* event);
