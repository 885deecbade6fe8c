#pragma once
// COptions: the main program's settings under Software\Morvane\Quenzel of
// the user's settings store: three fonts, three colours, the advertisement
// switch, the synchronisation account, the last language pair, the
// placements of five dialogs, and the enabled flag of each search plug-in
// (kept by the database component). Read once at start, written at exit and
// when the options dialog is saved. The keyboard program keeps its own
// settings in the same key and shares "Advertisement" and the Import
// placement. Save writes only the values that changed since they were read
// or last written, so that two programs (or two instances) on one key keep
// each other's changes.

#include <memory>

#include "compat/WinTypes.h"
#include "utility/BasicString.h"

class CAbstractDataBase;
class CRegistry;

// A window's placement as the settings keep it (the length field of the
// system's record is not stored).
struct WINDOWPLACEMENT {
    UINT length = sizeof(WINDOWPLACEMENT);
    UINT flags = 0;
    UINT showCmd = 0;
    POINT ptMinPosition{};
    POINT ptMaxPosition{};
    RECT rcNormalPosition{};
};

// The placement kinds.
enum PlacementKind { PLACEMENT_IMPORT = 0, PLACEMENT_CREATE, PLACEMENT_EDIT, PLACEMENT_LEARN, PLACEMENT_QUIZ, PLACEMENT_COUNT };

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

    // 1 after reading (or writing) everything, 0 without a store. The
    // plug-in flags take part only when a database object is set.
    int Load();
    int Save();

    // The database component that keeps the plug-in list (not owned; may be
    // null) and the folder searched for "plugin*.so" (the program's folder
    // when empty).
    void SetDataBase(CAbstractDataBase* database) { m_database = database; }
    void SetPluginFolder(const CBasicString& folder) { m_pluginFolder = folder; }

    void GetNormalFont(LOGFONTW& font) const { font = m_normalFont; }
    void SetNormalFont(const LOGFONTW& font) { m_normalFont = font; }
    void GetLeftFont(LOGFONTW& font) const { font = m_leftFont; }
    void SetLeftFont(const LOGFONTW& font) { m_leftFont = font; }
    void GetRightFont(LOGFONTW& font) const { font = m_rightFont; }
    void SetRightFont(const LOGFONTW& font) { m_rightFont = font; }

    COLORREF GetNormalColor() const { return m_normalColor; }
    void SetNormalColor(COLORREF color) { m_normalColor = color; }
    COLORREF GetKnownColor() const { return m_knownColor; }
    void SetKnownColor(COLORREF color) { m_knownColor = color; }
    COLORREF GetUnknownColor() const { return m_unknownColor; }
    void SetUnknownColor(COLORREF color) { m_unknownColor = color; }

    int GetAdvertisement() const { return m_advertisement; }
    void SetAdvertisement(int on) { m_advertisement = on; }

    const CBasicString& GetSyncEMail() const { return m_syncEMail; }
    void SetSyncEMail(const wchar_t* text) { m_syncEMail = text ? text : L""; }
    const CBasicString& GetSyncPassword() const { return m_syncPassword; }
    void SetSyncPassword(const wchar_t* text) { m_syncPassword = text ? text : L""; }
    int GetRememberSyncPassword() const { return m_rememberSyncPassword; }
    void SetRememberSyncPassword(int remember) { m_rememberSyncPassword = remember; }

    // The saved pair, an empty name read as "English". Both outputs must be
    // given.
    void GetLanguageNames(CBasicString* from, CBasicString* to);
    void SetLanguageNames(const wchar_t* from, const wchar_t* to);

    // A kind outside 0 to 4 copies nothing (assertion) and gives 0.
    int GetPlacement(int kind, WINDOWPLACEMENT& placement) const;
    int SetPlacement(int kind, const WINDOWPLACEMENT& placement);

private:
    void LoadFont(const wchar_t* subKey, LOGFONTW& font);
    void SaveFont(const wchar_t* subKey, const LOGFONTW& font);
    void LoadPlugins();
    void SavePlugins();

    std::unique_ptr<CRegistry> m_registry;
    CAbstractDataBase* m_database = nullptr;
    CBasicString m_pluginFolder;
    LOGFONTW m_normalFont{};
    LOGFONTW m_leftFont{};
    LOGFONTW m_rightFont{};
    COLORREF m_normalColor = 0;
    COLORREF m_knownColor = 0x8000;
    COLORREF m_unknownColor = 0xFF;
    CBasicString m_fromLanguage;
    CBasicString m_toLanguage;
    CBasicString m_syncEMail;
    CBasicString m_syncPassword;
    int m_rememberSyncPassword = 0;
    int m_advertisement = 1;
    WINDOWPLACEMENT m_placements[PLACEMENT_COUNT]{};
};
