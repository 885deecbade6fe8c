#pragma once
// COptions of the keyboard program: its five settings and its window
// placement, kept in the main program's key Software\Morvane\Quenzel
// ("Settings" and "WindowsPos\Import"). Both programs write that key while
// both may run, so Save writes only the values this program changed since
// Load, each on its own; a value the other program wrote meanwhile stays.

#include <memory>

#include "compat/WinTypes.h"
#include "utility/BasicString.h"

class CRegistry;

// A window's placement as the settings keep it.
struct KEYBOARD_PLACEMENT {
    UINT flags = 0;
    UINT showCmd = 0;
    POINT ptMinPosition{};
    POINT ptMaxPosition{};
    RECT rcNormalPosition{};
};

class COptions {
public:
    // At the defaults, on the user's key.
    COptions();
    // At the defaults, on the given store (owned; may be null: Load and Save
    // then fail).
    explicit COptions(std::unique_ptr<CRegistry> registry);
    virtual ~COptions();
    COptions(const COptions&) = delete;
    COptions& operator=(const COptions&) = delete;

    // 1 after reading (or writing), 0 without a store.
    int Load();
    int Save();

    int GetAdvertisement() const { return m_values.advertisement; }
    void SetAdvertisement(int on) { m_values.advertisement = on; }
    int GetDisplayAllChars() const { return m_values.displayAllChars; }
    void SetDisplayAllChars(int on) { m_values.displayAllChars = on; }
    const CBasicString& GetKeyboardName() const { return m_values.keyboardName; }
    void SetKeyboardName(const wchar_t* name) { m_values.keyboardName = name ? name : L""; }
    // The chosen layout id; 0 is the layout of the session.
    UINT GetKeyboardCtrlID() const { return m_values.keyboardCtrlId; }
    void SetKeyboardCtrlID(UINT id) { m_values.keyboardCtrlId = id; }
    // 0 "101 keys", 1 "102 keys", 2 "106 keys".
    int GetKeyboardType() const { return m_values.keyboardType; }
    void SetKeyboardType(int type) { m_values.keyboardType = type; }

    void GetPlacement(KEYBOARD_PLACEMENT& placement) const { placement = m_values.placement; }
    void SetPlacement(const KEYBOARD_PLACEMENT& placement) { m_values.placement = placement; }

private:
    struct Values {
        int advertisement = 1;
        int displayAllChars = 0;
        CBasicString keyboardName;
        UINT keyboardCtrlId = 0;
        int keyboardType = 0;
        KEYBOARD_PLACEMENT placement;
    };
    std::unique_ptr<CRegistry> m_registry;
    Values m_values;
    Values m_loaded;  // as read by Load (or written by Save)
};
