#pragma once
// CRegistryRoot: where the application key of a CBasicRegistry lies: the
// root key and root\SOFTWARE\<first name>\<second name> below it (either
// name may hold several key names joined by '\', such as
// "Windows\CurrentVersion"). It finds and makes the application key and
// its sub-keys in the root's hive (RegistryHive.h).

#include <string>
#include <vector>

#include "compat/WinTypes.h"

class CRegistryHive;
class CRegistryKey;

class CRegistryRoot {
public:
    CRegistryRoot(HKEY root, const wchar_t* firstName, const wchar_t* secondName);

    HKEY GetRoot() const { return m_root; }
    // The root's hive; null for a handle that is no predefined root key.
    CRegistryHive* GetHive() const;

    // The application key in the hive whose top is given, made with the
    // keys on its way when missing (created tells whether any was made);
    // null when a name is not allowed.
    CRegistryKey* OpenRootKey(CRegistryKey& top, bool& created) const;
    // subKey below the application key, made when missing. A null subKey is
    // an assertion report and gives null; an empty one gives the key itself.
    CRegistryKey* CreateSubKey(CRegistryKey& appKey, const wchar_t* subKey, bool& created) const;

    // subKey below the application key when both exist; null otherwise
    // (and for a null subKey, without a report).
    const CRegistryKey* FindSubKey(const CRegistryKey& top, const wchar_t* subKey) const;

private:
    HKEY m_root;
    std::vector<std::wstring> m_appKeyPath;
};
