#pragma once
// CChangeOnlyRegistry: a settings store over another that writes only what
// changed. A value written with the same data it had when this object last
// read or wrote it is not written again, so a program that saves all its
// settings at its end leaves alone the values another program changed
// meanwhile (each value is its own locked write in the store below). A
// value this object never read, or read while the store did not hold it,
// is always written. Deletions and every
// other call go straight to the store below.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "utility/Registry.h"

class CChangeOnlyRegistry : public CRegistry {
public:
    // store: owned; must not be null.
    explicit CChangeOnlyRegistry(std::unique_ptr<CRegistry> store);
    ~CChangeOnlyRegistry() override;

    int DeleteKey(HKEY parent, const wchar_t* subKey) override;
    int DeleteValue(HKEY parent, const wchar_t* subKey, const wchar_t* valueName) override;
    DWORD GetDWORD(const wchar_t* subKey, const wchar_t* valueName, DWORD defaultValue) override;
    CBasicString GetString(const wchar_t* subKey, const wchar_t* valueName, const wchar_t* defaultText) override;
    int GetBinary(const wchar_t* subKey, const wchar_t* valueName, BYTE** data, int* size) override;
    std::vector<CBasicString>* GetUserSubKeyNames(const CBasicString& keyPath) override;
    std::vector<CBasicString>* ReadValueList(const CBasicString& keyPath, int profileValuesOnly) override;
    void WriteValueList(const wchar_t* keyPath, const CBasicString& subKey,
                        const std::vector<CBasicString>* values) override;
    std::vector<CBasicString>* GetRegisteredExtensions() override;
    int SetDWORD(const wchar_t* subKey, const wchar_t* valueName, DWORD value) override;
    int SetString(const wchar_t* subKey, const wchar_t* valueName, const wchar_t* text) override;
    int SetBinary(const wchar_t* subKey, const wchar_t* valueName, const BYTE* data, int size) override;

private:
    // A value as this object knows it: its kind and bytes.
    struct Known {
        int kind = 0;
        std::vector<BYTE> bytes;
        bool operator==(const Known& other) const { return kind == other.kind && bytes == other.bytes; }
    };
    static std::wstring KeyOf(const wchar_t* subKey, const wchar_t* valueName);
    bool Unchanged(const std::wstring& key, const Known& value) const;

    std::unique_ptr<CRegistry> m_store;
    std::map<std::wstring, Known> m_known;
};
