#pragma once
// One key of the settings store, with its values and its sub-keys: the
// in-memory form of a hive (RegistryHiveText.h reads and writes its file
// form, Posix/RegistryHive.h keeps it on disk).
//
// - Names are case-insensitive and case-preserving: a name is found however
//   it is written, and keeps the form it had when it was created.
// - Sub-keys and values stay in the order they were created; replacing a
//   value keeps its place.
// - Values hold their data as the bytes the registry functions hand out:
//   text as UTF-16LE with its terminator, numbers as 4 little-endian bytes.
// - The limits of the registry hold: a key name has at most 255 characters,
//   a value name at most 16,383, and keys nest at most 512 deep.

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "compat/WinTypes.h"

struct CRegistryValue {
    std::wstring name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

class CRegistryKey {
public:
    static constexpr size_t kMaxKeyNameLength = 255;
    static constexpr size_t kMaxValueNameLength = 16383;
    static constexpr size_t kMaxDepth = 512;

    explicit CRegistryKey(std::wstring name = std::wstring());
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;

    const std::wstring& GetName() const { return m_name; }

    // The components of a key path written with '\' between them; empty
    // components (doubled, leading or trailing '\') are dropped.
    static std::vector<std::wstring> SplitPath(const wchar_t* path);
    static bool IsValidKeyName(const std::wstring& name);

    size_t GetSubKeyCount() const { return m_subKeys.size(); }
    const CRegistryKey& GetSubKey(size_t index) const { return *m_subKeys[index]; }
    CRegistryKey* FindSubKey(const std::wstring& name);
    const CRegistryKey* FindSubKey(const std::wstring& name) const;
    // The sub-key of that name, made (and *created set) when missing; null
    // for a name the registry does not allow.
    CRegistryKey* CreateSubKey(const std::wstring& name, bool* created = nullptr);
    // Removes the sub-key with everything below it; false when missing.
    bool DeleteSubKey(const std::wstring& name);

    // The key at the end of a path below this one (this key for an empty
    // path); null when a key on the way is missing.
    CRegistryKey* FindPath(const std::vector<std::wstring>& path);
    const CRegistryKey* FindPath(const std::vector<std::wstring>& path) const;
    // The same, making the missing keys; null when a name is not allowed
    // or the path would nest too deep. created tells whether any was made.
    CRegistryKey* CreatePath(const std::vector<std::wstring>& path, bool& created);

    size_t GetValueCount() const { return m_values.size(); }
    const CRegistryValue& GetValue(size_t index) const { return m_values[index]; }
    const CRegistryValue* FindValue(const std::wstring& name) const;
    // Adds the value or replaces the type and data of the one of that name;
    // false for a name the registry does not allow.
    bool SetValue(const std::wstring& name, DWORD type, std::vector<BYTE> data);
    // False when there is no value of that name.
    bool DeleteValue(const std::wstring& name);

private:
    // Positions of entries by their case-folded names.
    class CNameIndex {
    public:
        static constexpr size_t npos = (size_t)-1;
        size_t Find(const std::wstring& name) const;
        void Add(const std::wstring& name, size_t position);
        void Clear() { m_positions.clear(); }

    private:
        std::unordered_map<std::wstring, size_t> m_positions;
    };

    size_t Depth() const;
    void ReindexSubKeys();
    void ReindexValues();

    std::wstring m_name;
    CRegistryKey* m_parent = nullptr;
    std::vector<std::unique_ptr<CRegistryKey>> m_subKeys;
    std::vector<CRegistryValue> m_values;
    CNameIndex m_subKeyIndex;
    CNameIndex m_valueIndex;
};
