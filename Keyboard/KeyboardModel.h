#pragma once
// CKeyboardModel: the keyboard's state without a window. It holds the
// chosen layout record and keyboard type, the 51 character-key places,
// the on-screen modifier states and the pending dead key; it gives the
// caption of each key, translates a physical key for the hook, follows the
// physical keys, and types a clicked key into the input sink.
//
// Modifier flags: Shift 1, left Ctrl 2, Alt 4, right Ctrl 8, Caps Lock 0x10;
// AltGr is 6. A layout keeps sixteen columns per key, 2b + Caps Lock for b
// 0 plain, 1 Shift, 2 Ctrl, 3 Shift+Ctrl, 4 AltGr, 5 Shift+AltGr, 6 right
// Ctrl, 7 Shift+right Ctrl.

#include <string>

#include "Fenmarl/Fenmarl.h"
#include "Keyboard/platform/InputSink.h"

enum : unsigned {
    KBF_SHIFT = 0x1,
    KBF_LCTRL = 0x2,
    KBF_ALT = 0x4,
    KBF_ALTGR = 0x6,
    KBF_RCTRL = 0x8,
    KBF_CAPS = 0x10,
};

enum KeyboardType { KB_TYPE_101 = 0, KB_TYPE_102 = 1, KB_TYPE_106 = 2 };

constexpr int KB_KEY_PLACES = 51;
constexpr int KB_SCAN_SPACE = 57;

// What a character key shows.
struct KeyCaption {
    std::u16string text;     // the characters it types now
    std::u16string corners[3];  // plain, Shift and AltGr characters (a letter alone)
    int active = 0;          // the corner in use: 0 plain, 1 Shift, 2 AltGr or Ctrl
    bool dead = false;       // a dead key in the current column
    bool visible = false;    // the place holds a key of the layout
    bool enabled = false;    // visible and the caption is not empty
};

// What a physical key event changes on screen.
struct PhysicalKeyEffect {
    enum Target { NoKey, PadKey, CharacterKey, FixedKey };
    Target target = NoKey;
    int index = 0;            // pad: virtual key; character key: place; fixed key: scan code
    bool click = false;       // the character key or the space bar types (a press the hook swallowed)
    bool statesChanged = false;  // modifier states changed: captions to rewrite
    bool numLockPressed = false;
};

class CKeyboardModel {
public:
    CKeyboardModel(CAbstractInputSink* sink, const CAbstractPhysicalKeys* physical);

    // The column of the flags (0-31); -1 where the table has none.
    static int ColumnOfFlags(unsigned flags);
    // The scan codes of the 51 places of the type (0: no key there).
    static const BYTE* ScanCodesOfType(int type);

    // A new layout: the modifiers are cleared, the type is kept where the
    // layout allows it (the Japanese layout is always of type 106, the others
    // never), and Caps Lock and NumLock follow the physical keyboard.
    void SetLayout(unsigned id, const st_KBImpl& data);
    void SetType(int type);
    unsigned GetLayoutId() const { return m_layoutId; }
    int GetType() const { return m_type; }
    bool IsJapanese() const { return m_layoutId == KB_LAYOUT_JAPANESE; }
    bool IsKorean() const { return m_layoutId == KB_LAYOUT_KOREAN; }
    BYTE ScanCodeAt(int place) const;
    // The key record of the scan code; null when the layout has none.
    const st_KBKey* FindKey(int scanCode) const;

    // The on-screen states.
    bool Shift() const { return m_shift; }
    bool LeftCtrl() const { return m_leftCtrl; }
    bool RightCtrl() const { return m_rightCtrl; }
    bool CapsLock() const { return m_capsLock; }
    bool AltGr() const { return m_altGr; }  // also Kana (106) and Kor (Korean)
    bool NumLock() const { return m_numLock; }
    bool Katakana() const { return m_katakana; }
    bool HalfWidth() const { return m_halfWidth; }
    bool DeadKeyPending() const { return m_deadChar != 0; }
    void ToggleShift() { m_shift = !m_shift; }
    void ToggleLeftCtrl() { m_leftCtrl = !m_leftCtrl; }
    void ToggleRightCtrl() { m_rightCtrl = !m_rightCtrl; }
    void ToggleCapsLock() { m_capsLock = !m_capsLock; }
    void ToggleAltGr() { m_altGr = !m_altGr; }
    void ToggleKatakana() { m_katakana = !m_katakana; }
    void ToggleHalfWidth() { m_halfWidth = !m_halfWidth; }
    // Toggles NumLock and sends the NumLock key.
    void ClickNumLock();

    // The flags of the on-screen states.
    unsigned Flags() const;
    // The column the captions and clicks use; -1 for none.
    int CurrentColumn() const;

    // Which modifier keys the layout allows in the current state.
    bool IsAltGrAvailable() const;
    bool IsCapsLockAvailable() const;
    bool IsShiftAvailable() const;

    KeyCaption CaptionAt(int place) const;
    // The space bar's character in the current column ("" for none).
    std::u16string SpaceCaption() const;

    // The hook's question: the character of the physical key in the chosen
    // layout with the on-screen states and the physical Ctrl and Alt; 0 for
    // none (the key then reaches the window as it is).
    int TranslateKey(int scanCode) const;
    PhysicalKeyEffect OnPhysicalKey(int scanCode, int virtualKey, bool down);

    // A click on the character key at the place.
    void ClickCharacterKey(int place);
    // A fixed key (Backspace, Tab, Enter, the pad): its press and its
    // release. Enter and Backspace end a pending dead key.
    void ClickFixedKey(WORD virtualKey);
    // The space bar: the dead key's own character when one is pending (and
    // the dead key ends), the layout's character of the space bar where it
    // is not a plain space, else the space key.
    void ClickSpace();

private:
    struct Saved {
        bool shift, leftCtrl, rightCtrl, capsLock, altGr;
    };
    unsigned CaptionFlags() const;
    std::u16string CharacterText(const st_KBKey& key, int column) const;
    bool HasColumn(int column) const { return column >= 0 && (m_data.columns & (1u << column)); }
    void TypeFirstCharacter(const std::u16string& text);
    // Ctrl and AltGr come back as they were before the dead key.
    void EndDeadKey();
    void SendCtrlCombination(int scanCode, WORD ctrlKey);

    CAbstractInputSink* m_sink;
    const CAbstractPhysicalKeys* m_physical;
    unsigned m_layoutId = 0;
    st_KBImpl m_data{};
    int m_type = KB_TYPE_101;
    bool m_shift = false;
    bool m_leftCtrl = false;
    bool m_rightCtrl = false;
    bool m_capsLock = false;
    bool m_altGr = false;
    bool m_numLock = false;
    bool m_katakana = false;
    bool m_halfWidth = false;
    bool m_physicalAlt = false;  // Alt's state as its events told
    WORD m_deadChar = 0;
    Saved m_saved{};
};
