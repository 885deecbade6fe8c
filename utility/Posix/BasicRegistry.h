#pragma once
// CBasicRegistry: the settings of one application, kept below
// <root>\SOFTWARE\<first name>\<second name> in the settings store
// (RegistryHive.h: one file per root key in the user's settings folder,
// shared safely by the programs that run at the same time).
//
// - Every call finds its keys afresh; nothing stays open between calls.
//   Like the registry's create-or-open, a read makes the application key
//   and the sub-key it names when they are missing.
// - Texts are stored as UTF-16LE with their terminator, numbers as 4
//   little-endian bytes, binary values as given.
// - Lists returned by GetUserSubKeyNames, ReadValueList,
//   GetRegisteredExtensions and ReadNamedValueList belong to the object and
//   are replaced by the next list call.
// - Nothing is logged: failures show as results and defaults; broken
//   contracts (null names) are assertion reports and the call takes its
//   fallback.

#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "utility/Registry.h"

class CRegistryKey;
class CRegistryRoot;
struct CRegistryValue;

class CBasicRegistry : public CRegistry {
public:
    // Both names must be given (assertion report otherwise).
    CBasicRegistry(const wchar_t* firstName, const wchar_t* secondName, HKEY root);
    ~CBasicRegistry() override;
    CBasicRegistry(const CBasicRegistry&) = delete;
    CBasicRegistry& operator=(const CBasicRegistry&) = delete;

    // parent is a root key (HKEY_CURRENT_USER, ...); subKey a path below it.
    // 0 when the key does not exist. A null or empty subKey deletes nothing.
    int DeleteKey(HKEY parent, const wchar_t* subKey) override;
    int DeleteValue(HKEY parent, const wchar_t* subKey, const wchar_t* valueName) override;

    // The default when the key or value is missing; a value that is no
    // 4-byte REG_DWORD is an assertion report (a shorter one is still read).
    DWORD GetDWORD(const wchar_t* subKey, const wchar_t* valueName, DWORD defaultValue) override;
    // The text up to its first NUL; the default when missing. A type other
    // than REG_SZ is an assertion report, the data is still read as text.
    CBasicString GetString(const wchar_t* subKey, const wchar_t* valueName, const wchar_t* defaultText) override;
    // *data and *size are first set to null and 0; on success *data is a
    // new[] buffer of *size bytes that the caller frees with delete[]. A
    // type other than REG_BINARY is an assertion report.
    int GetBinary(const wchar_t* subKey, const wchar_t* valueName, BYTE** data, int* size) override;
    // The same with the size as a DWORD, as the programs call it.
    int GetBinary(const wchar_t* subKey, const wchar_t* valueName, BYTE** data, DWORD* size);

    std::vector<CBasicString>* GetUserSubKeyNames(const CBasicString& keyPath) override;
    // The texts of the values of root\keyPath in their order (nothing is
    // made when the key is missing). Values without data are skipped; a
    // value name of 260 characters or more ends the list. With
    // profileValuesOnly 0: each non-empty string of a REG_MULTI_SZ value and
    // the non-empty text of any other value. Otherwise only REG_SZ values
    // whose names begin with "Value" or "Profile".
    std::vector<CBasicString>* ReadValueList(const CBasicString& keyPath, int profileValuesOnly) override;
    // The same as (value name, text) pairs.
    std::vector<std::pair<CBasicString, CBasicString>>* ReadNamedValueList(const CBasicString& keyPath,
                                                                            int profileValuesOnly);
    // Replaces root\keyPath\subKey, in one step, by a key holding the texts
    // as REG_SZ values "Value0", "Value1", ... subKey must not be empty.
    void WriteValueList(const wchar_t* keyPath, const CBasicString& subKey,
                        const std::vector<CBasicString>* values) override;
    // The file name extensions the system knows (/etc/mime.types).
    std::vector<CBasicString>* GetRegisteredExtensions() override;

    // 1 stored, 0 not; the keys are made when missing.
    int SetDWORD(const wchar_t* subKey, const wchar_t* valueName, DWORD value) override;
    // With a value name: a text is stored, a null text deletes the value.
    // Without one: the sub-key itself is deleted when it has no sub-keys.
    int SetString(const wchar_t* subKey, const wchar_t* valueName, const wchar_t* text) override;
    int SetBinary(const wchar_t* subKey, const wchar_t* valueName, const BYTE* data, int size) override;

private:
    bool OnSubKey(const wchar_t* subKey, const std::function<bool(CRegistryKey& key)>& work);
    bool OnAppKey(const std::function<bool(CRegistryKey& appKey)>& work);
    bool QueryValue(const wchar_t* subKey, const wchar_t* valueName, CRegistryValue& value);
    int SetValue(const wchar_t* subKey, const wchar_t* valueName, DWORD type, std::vector<BYTE> data);
    void ReadValueTexts(const CBasicString& keyPath, int profileValuesOnly,
                        const std::function<void(const std::wstring& name, std::wstring text)>& add);

    std::unique_ptr<CRegistryRoot> m_root;
    std::vector<CBasicString> m_textList;
    std::vector<std::pair<CBasicString, CBasicString>> m_pairList;
};
