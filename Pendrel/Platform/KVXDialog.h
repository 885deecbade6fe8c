#pragma once
// The dialog base: a window built from a dialog template (KVXDialogTemplate.h)
// when it is created, with the template's caption, font, client size and
// controls, and a map from control id to widget.
//
// - DoModal builds the dialog, calls OnCreate and OnInitDialog and runs it modally; the
//   result is the code given to EndDialog, or -1 when no template has the
//   id. Create builds it as a modeless window (or a child page, for a
//   WS_CHILD template) and shows it. DestroyWindow ends it: the window
//   hides, OnDestroy runs, and it takes no more messages until the next
//   Create. The widgets live on with the object, so the next Create shows
//   the same controls and runs OnInitDialog again.
// - Button clicks call OnCommand(id); IDOK calls OnOK and IDCANCEL
//   OnCancel, which end the dialog with that code. The close box calls
//   OnCancel.
// - Enter and Escape never close the dialog: they reach the focused control
//   and stop there. A dialog that gives them a meaning overrides
//   keyPressEvent.
// - SubclassDlgItem puts a control of the dialog's own class (a member or a
//   new widget) in the place of the template's control: same place, size,
//   id, window text, visibility, enabled state and tab position; the
//   template's widget is deleted. A button put in place reports its clicks
//   to OnCommand as the template's did: a dialog connects nothing more.

#include <QDialog>

#include <map>

#include "Pendrel/PendrelApi.h"
#include "Pendrel/Platform/KVXDialogTemplate.h"
#include "Pendrel/Platform/KVXWnd.h"
#include "utility/BasicString.h"

class QEventLoop;
class QKeyEvent;

class PENDREL_API CKVXDialog : public CKVXWnd<QDialog> {
    Q_OBJECT

public:
    explicit CKVXDialog(UINT templateId, QWidget* parent = nullptr);
    ~CKVXDialog() override;

    INT_PTR DoModal();
    // parent null keeps the parent given at construction. FALSE when the
    // dialog is created already or no template has the id.
    BOOL Create(QWidget* parent = nullptr);
    // FALSE when the dialog is not created.
    BOOL DestroyWindow();
    void EndDialog(int result);

    UINT GetTemplateId() const { return m_templateId; }
    // The control with the id (the first when several share it); null when
    // none.
    QWidget* GetDlgItem(UINT id) const;
    template <class Widget> Widget* GetDlgItem(UINT id) const { return qobject_cast<Widget*>(GetDlgItem(id)); }
    // FALSE when no control has the id or control is null.
    BOOL SubclassDlgItem(UINT id, QWidget* control);
    void SetDlgItemText(UINT id, const wchar_t* text);
    CBasicString GetDlgItemText(UINT id) const;

protected:
    // The window is being created: its controls are made, OnInitDialog has
    // not run yet. -1 fails the creation (DoModal gives -1, Create FALSE);
    // the base gives 0.
    virtual int OnCreate();
    // After the controls are made, before the dialog shows; the base does
    // nothing and returns TRUE.
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    // A button of the dialog was clicked.
    virtual void OnCommand(UINT id);
    // The window is being destroyed (after a modal run, or DestroyWindow).
    virtual void OnDestroy();

    void keyPressEvent(QKeyEvent* event) override;
    // Qt's own ways of ending a dialog come here as OK and Cancel.
    void accept() override;
    void reject() override;
    // Ends the modal run too: the run does not end when the dialog is only
    // hidden (a main window that hides while a child window works on).
    void done(int result) override;

private:
    bool Build();
    void ConnectCommand(QWidget* control, UINT id);

    UINT m_templateId;
    bool m_built = false;
    bool m_inModalLoop = false;
    QEventLoop* m_modalLoop = nullptr;
    bool m_ended = false;  // EndDialog was called while creating
    std::map<UINT, QWidget*> m_controls;
};
