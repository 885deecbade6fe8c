#pragma once
// CKeyboardDlg: the keyboard program's main window. It shows the keys of
// the chosen layout (CKeyboardModel holds the state), types a clicked key
// into the window that has the focus, and, through the hook library,
// translates the physical keys and shows them pressed. The window never
// takes the focus, so the window the user works in keeps it while the
// keys are clicked.
//
// The context menu holds the window-menu commands: Close, About, the
// keyboard types and Options.

#include <memory>
#include <utility>
#include <vector>

#include "Fenmarl/Fenmarl.h"
#include "Keyboard/KeyboardModel.h"
#include "Pendrel/Dialogs/KVXResizableDlg.h"

class CAboutDlg;
class COptions;
struct KEYBOARD_PLACEMENT;
class QRect;
class COptionsDialog;
class CRoundButton;
class QComboBox;
class QSocketNotifier;

class CKeyboardDlg : public CKVXResizableDlg, public CAbstractKeyboard {
    Q_OBJECT

public:
    // sink and physical: where typing goes and the physical keyboard's
    // state (null: the hook library and the X server).
    CKeyboardDlg(COptions& options, CAbstractInputSink* sink = nullptr, const CAbstractPhysicalKeys* physical = nullptr,
                 QWidget* parent = nullptr);
    ~CKeyboardDlg() override;

    // CAbstractKeyboard, called by the hook on the user-interface thread.
    int TranslateKey(int scanCode) override;
    void OnKeyDown(int scanCode, int virtualKey, int reserved) override;
    void OnKeyUp(int scanCode, int virtualKey, int reserved) override;

    // Runs the dialog until it is closed, as a modal run would, but without
    // making it the modal window: a modal window takes the focus when it is
    // shown, and the keyboard must leave the focus where it is.
    INT_PTR RunWithoutFocus();

    // Chooses the layout as the layout combo box does.
    void SelectLayout(unsigned id);
    void SelectType(int type);
    // Rewrites the captions of the character keys and the modifier keys.
    void UpdateKeys();

    CKeyboardModel& GetModel() { return m_model; }
    CRoundButton* GetCharacterKey(int place) const { return m_keys[place]; }
    CRoundButton* GetKey(UINT id) const;
    COptionsDialog* GetOptionsDialog() const { return m_optionsDlg.get(); }
    CAboutDlg* GetAboutDialog() const { return m_aboutDlg.get(); }
    // The layout list (id, name string id), sorted by name.
    const std::vector<std::pair<unsigned, unsigned>>& GetLayouts() const { return m_layouts; }
    // The layouts the hook library offers, in the order of the layout list.
    static std::vector<std::pair<unsigned, unsigned>> SortedLayouts();
    // A modeless window of this dialog was closed: the window that had the
    // focus before it opened gets it back.
    void OnChildWindowClosed();

    // Where a window placed as `placement` opens on a screen whose free
    // area is `available`: its place and size when it fits, moved (and cut
    // to the area when it is larger) so that all of it is seen; an empty
    // rectangle for no placement.
    static QRect PlacedRect(const KEYBOARD_PLACEMENT& placement, const QRect& available);

protected:
    BOOL OnInitDialog() override;
    void AddResizableControls() override;
    void SetChildWindowPosition() override;
    void OnGetMinMaxInfo(MINMAXINFO* info) override;
    void OnCommand(UINT id) override;
    void OnDestroy() override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void FillLayouts();
    void FillTypeCombo();
    void ApplyLayout(unsigned id);
    void OnLayoutChosen(int index);
    void OnTypeChosen(int index);
    void UpdateModifierKeys();
    void OnCharacterKey(int place);
    void OnModifierKey(UINT id);
    void ShowPadKey(int virtualKey, bool pressed);
    void ShowFixedKey(int scanCode, bool pressed);
    void OpenOptions();
    void OpenAbout();
    void ApplyPlacement();
    void StorePlacement();
    void InstallKeyboardHook();
    void RemoveKeyboardHook();

    COptions& m_options;
    std::unique_ptr<CAbstractInputSink> m_ownSink;
    std::unique_ptr<CAbstractPhysicalKeys> m_ownPhysical;
    CKeyboardModel m_model;
    CRoundButton* m_keys[KB_KEY_PLACES] = {};
    std::vector<std::pair<UINT, CRoundButton*>> m_otherKeys;
    std::vector<std::pair<unsigned, unsigned>> m_layouts;
    unsigned m_windowsLayout = 0;
    int m_padCode = 0;
    QSocketNotifier* m_hookNotifier = nullptr;
    bool m_hookInstalled = false;
    std::unique_ptr<COptionsDialog> m_optionsDlg;
    std::unique_ptr<CAboutDlg> m_aboutDlg;
    unsigned long m_focusBeforeDialog = 0;
};
