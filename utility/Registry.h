#pragma once
// CRegistry: reading and writing settings below one application key of the
// settings store, <root>\SOFTWARE\<company>\<product> (CBasicRegistry
// implements it). Sub-key arguments are paths below the application key
// unless an operation says otherwise; paths use '\' between key names.

#include <vector>

#include "compat/WinTypes.h"
#include "utility/BasicString.h"

class CRegistry {
public:
    virtual ~CRegistry() {}

    // Deletes parent\subKey with everything below it: 1 / 0.
    virtual int DeleteKey(HKEY parent, const wchar_t* subKey) = 0;
    // Deletes the value of parent\subKey: 1 / 0.
    virtual int DeleteValue(HKEY parent, const wchar_t* subKey, const wchar_t* valueName) = 0;
    virtual DWORD GetDWORD(const wchar_t* subKey, const wchar_t* valueName, DWORD defaultValue) = 0;
    virtual CBasicString GetString(const wchar_t* subKey, const wchar_t* valueName, const wchar_t* defaultText) = 0;
    // *data gets a new[] buffer that the caller frees with delete[]: 1 / 0.
    virtual int GetBinary(const wchar_t* subKey, const wchar_t* valueName, BYTE** data, int* size) = 0;
    // Names of the sub-keys of HKEY_CURRENT_USER\keyPath.
    virtual std::vector<CBasicString>* GetUserSubKeyNames(const CBasicString& keyPath) = 0;
    // Texts of the values of root\keyPath.
    virtual std::vector<CBasicString>* ReadValueList(const CBasicString& keyPath, int profileValuesOnly) = 0;
    // Replaces the values of root\keyPath\subKey by Value0, Value1, ...
    virtual void WriteValueList(const wchar_t* keyPath, const CBasicString& subKey,
                                const std::vector<CBasicString>* values) = 0;
    // File name extensions known to the system, each with its leading '.'.
    virtual std::vector<CBasicString>* GetRegisteredExtensions() = 0;
    virtual int SetDWORD(const wchar_t* subKey, const wchar_t* valueName, DWORD value) = 0;
    virtual int SetString(const wchar_t* subKey, const wchar_t* valueName, const wchar_t* text) = 0;
    virtual int SetBinary(const wchar_t* subKey, const wchar_t* valueName, const BYTE* data, int size) = 0;
};
