#pragma once
// Fenmarl, the keyboard-hook library (libFenmarl.so): the keyboard layouts
// the on-screen keyboard offers, the hook that watches the physical keyboard
// and asks the keyboard program which character a key must type, and the
// injection of characters and keys into the window that has the focus.
//
// It works on an X11 display (a plain X server or XWayland); the layouts
// themselves need no display. Every function is called on the program's
// user-interface thread; the call-backs arrive on that thread too, from
// DispatchHookEvents, which the program runs whenever the descriptor of
// GetHookDescriptor becomes readable.

#include <cstddef>
#include <cstdint>

#include "compat/WinTypes.h"
#include "compat/WinUser.h"

#define FENMARL_EXPORT extern "C" __attribute__((visibility("default")))

// The call-back interface the keyboard program implements.
class CAbstractKeyboard {
public:
    virtual ~CAbstractKeyboard() {}
    // The low 16 bits: the UTF-16 character the key types in the chosen
    // layout and modifier state, 0 for none. A non-zero result makes the
    // hook swallow the physical key; the program types the character itself.
    virtual int TranslateKey(int scanCode) = 0;
    virtual void OnKeyDown(int scanCode, int virtualKey, int reserved) = 0;
    virtual void OnKeyUp(int scanCode, int virtualKey, int reserved) = 0;
};

// Layout ids of the two layouts of their own kind.
#define KB_LAYOUT_JAPANESE 0x4FFFFu
#define KB_LAYOUT_KOREAN 0x3FFFFu

#define KB_MAX_KEYS 51
#define KB_COLUMNS 16

// Characters of a column that stand for several characters, found in the
// two-, three- and four-character tables.
#define KB_CHARS_2 0xFFFEu
#define KB_CHARS_3 0xFFFDu
#define KB_CHARS_4 0xFFFCu

// One key of a layout (40 bytes).
struct st_KBKey {
    BYTE scanCode;
    BYTE reserved[3];
    DWORD deadColumns;      // bit c: column c of this key is a dead key
    WORD chars[KB_COLUMNS]; // UTF-16 character per column, 0 for none
};
static_assert(sizeof(st_KBKey) == 40);
static_assert(offsetof(st_KBKey, deadColumns) == 4 && offsetof(st_KBKey, chars) == 8);

// Entries of the multi-character tables; each table ends with an entry
// whose first character is 0. `key` is scan code x 256 + modifier flags.
struct st_KBChars2 {
    WORD chars[2];
    DWORD key;
};
struct st_KBChars3 {
    WORD chars[3];
    WORD reserved;
    DWORD key;
};
struct st_KBChars4 {
    WORD chars[4];
    DWORD key;
    DWORD reserved;
};
static_assert(sizeof(st_KBChars2) == 8 && sizeof(st_KBChars3) == 12 && sizeof(st_KBChars4) == 16);

// A lookup from key (scan code x 256 + modifier flags) to an entry index of
// one multi-character table; ends with key 0.
struct st_KBLookup {
    DWORD key;
    DWORD index;
};

// A composition of a dead key: with the dead character, the key of base
// character `base` (scan code `scanCode`, shifted or not) types `composed`.
// A list ends with composed 0.
struct st_KBDeadEntry {
    BYTE shifted;
    BYTE scanCode;
    WORD base;
    WORD composed;
    WORD reserved;
};
// The dead-key table, by dead character; ends with deadChar 0.
struct st_KBDeadKey {
    WORD deadChar;
    const st_KBDeadEntry* entries;
};

// The layout record that GetKeyboardData fills. Its pointers stay valid
// while the library is loaded.
struct st_KBImpl {
    WORD reserved;
    BYTE keyCount;        // key records in use, at most 51
    BYTE reserved2;
    DWORD columns;        // bit c: column c is present in the layout
    st_KBKey keys[KB_MAX_KEYS];
    const st_KBChars2* chars2;
    const st_KBChars3* chars3;
    const st_KBChars4* chars4;
    const void* reserved3;
    const st_KBLookup* lookup2;
    const st_KBLookup* lookup3;
    const st_KBLookup* lookup4;
    const st_KBDeadKey* deadKeys;
};
static_assert(offsetof(st_KBImpl, keyCount) == 2);
static_assert(offsetof(st_KBImpl, columns) == 4);
static_assert(offsetof(st_KBImpl, keys) == 8);
static_assert(offsetof(st_KBImpl, chars2) == 2048);
static_assert(sizeof(st_KBImpl) == 2048 + 8 * sizeof(void*));

// One keyboard record of SendKeyboardInput.
struct st_KBInput {
    WORD wVk;         // virtual key (0 with KEYEVENTF_UNICODE)
    WORD wScan;       // the UTF-16 unit with KEYEVENTF_UNICODE
    DWORD dwFlags;    // KEYEVENTF_KEYUP, KEYEVENTF_UNICODE
    DWORD time;
    ULONG_PTR dwExtraInfo;
};

// Installs the hook: the physical keys are reported to `keyboard`, and a key
// that `keyboard` translates never reaches another window.
FENMARL_EXPORT void InstallHook(HWND window, CAbstractKeyboard* keyboard);
FENMARL_EXPORT void UninstallHook();
// Gives the next layout on each call (its id and the string id of its
// name); id 0 ends the list, and the call after that starts again.
FENMARL_EXPORT void GetKeyboards(unsigned int& id, unsigned int& nameId);
// Fills `data` with the layout `id`; 0 when there is no such layout.
FENMARL_EXPORT int GetKeyboardData(unsigned int id, st_KBImpl& data);
// 0 before the program injects input of its own and 1 after it, so the
// hook does not take that input for the user's.
FENMARL_EXPORT void ProcessKeyboardEvent(int stage);
// Types the records into the window that has the focus; gives the number
// of records sent (a lone low surrogate or a key the display lacks is not
// sent). A character record types its character whole on its down record;
// the two halves of a surrogate pair, in two records or two calls, type one
// character. Keys other than Shift, Ctrl and Alt that are still held at
// ProcessKeyboardEvent(1), and every key still held at UninstallHook, are
// released.
FENMARL_EXPORT UINT SendKeyboardInput(UINT count, const st_KBInput* inputs);
// The descriptor the program watches while the hook is installed (-1 when
// none); when it is readable the program calls DispatchHookEvents.
FENMARL_EXPORT int GetHookDescriptor();
FENMARL_EXPORT void DispatchHookEvents();
