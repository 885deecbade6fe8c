#include "utility/Posix/BasicRegistry.h"

#include <cwchar>
#include <fstream>
#include <sstream>
#include <string>
#include <unordered_set>

#include "utility/ErrorReport.h"
#include "utility/Posix/RegistryHive.h"
#include "utility/Posix/RegistryRoot.h"
#include "utility/RegistryKey.h"
#include "utility/TextCodec.h"
#include "utility/UnicodeCase.h"

namespace {

const char kSourceFile[] = ".\\Windows\\BasicRegistry";
// Names of this length or longer do not fit the enumeration's name buffer.
constexpr size_t kNameBufferLength = 260;
const char kMimeTypesPath[] = "/etc/mime.types";

CBasicString ToBasicString(const std::wstring& text) { return CBasicString(text.c_str(), (int)text.size()); }

std::vector<BYTE> TextData(const wchar_t* text) {
    std::vector<BYTE> data = WideToUtf16LE(text, wcslen(text));
    data.push_back(0);
    data.push_back(0);
    return data;
}

// The UTF-16LE strings of data, split at each NUL unit (a last string
// without a NUL included).
std::vector<std::wstring> TextsOfData(const std::vector<BYTE>& data) {
    std::vector<std::wstring> texts;
    size_t start = 0;
    for (size_t i = 0; i + 1 < data.size(); i += 2) {
        if (data[i] != 0 || data[i + 1] != 0) continue;
        texts.push_back(Utf16LEToWide(data.data() + start, i - start));
        start = i + 2;
    }
    if (start + 1 < data.size()) texts.push_back(Utf16LEToWide(data.data() + start, data.size() - start));
    return texts;
}

// The text of data up to its first NUL.
std::wstring TextOfData(const std::vector<BYTE>& data) {
    std::vector<std::wstring> texts = TextsOfData(data);
    return texts.empty() ? std::wstring() : texts.front();
}

bool StartsWith(const std::wstring& text, const wchar_t* prefix) { return text.compare(0, wcslen(prefix), prefix) == 0; }

// Where a key lies: the path of its parent and its name.
struct KeyPlace {
    std::vector<std::wstring> parentPath;
    std::wstring name;
};

KeyPlace PlaceOf(std::vector<std::wstring> path) {
    std::wstring name = std::move(path.back());
    path.pop_back();
    return {std::move(path), std::move(name)};
}

} // namespace

CBasicRegistry::CBasicRegistry(const wchar_t* firstName, const wchar_t* secondName, HKEY root) {
    ReportAssertion(firstName != nullptr, kSourceFile, __LINE__);
    ReportAssertion(secondName != nullptr, kSourceFile, __LINE__);
    m_root = std::make_unique<CRegistryRoot>(root, firstName, secondName);
}

CBasicRegistry::~CBasicRegistry() = default;

// Runs work on the application key, made with the keys on its way when
// missing, and stores the hive when a key was made or work (which tells
// whether it changed anything) changed it. False when the key cannot be
// made or the hive cannot be read or stored.
bool CBasicRegistry::OnAppKey(const std::function<bool(CRegistryKey& appKey)>& work) {
    CRegistryHive* hive = m_root->GetHive();
    if (!hive) return false;
    bool opened = false;
    bool stored = hive->Modify([&](CRegistryKey& top) {
        bool created = false;
        CRegistryKey* appKey = m_root->OpenRootKey(top, created);
        if (!appKey) return created;
        opened = true;
        return work(*appKey) || created;
    });
    return stored && opened;
}

// The same for subKey below the application key.
bool CBasicRegistry::OnSubKey(const wchar_t* subKey, const std::function<bool(CRegistryKey& key)>& work) {
    bool opened = false;
    bool stored = OnAppKey([&](CRegistryKey& appKey) {
        bool created = false;
        CRegistryKey* key = m_root->CreateSubKey(appKey, subKey, created);
        if (!key) return created;
        opened = true;
        return work(*key) || created;
    });
    return stored && opened;
}

int CBasicRegistry::DeleteKey(HKEY parent, const wchar_t* subKey) {
    ReportAssertion(subKey != nullptr, kSourceFile, __LINE__);
    std::vector<std::wstring> path = CRegistryKey::SplitPath(subKey);
    CRegistryHive* hive = CRegistryHive::ForRoot(parent);
    if (path.empty() || !hive) return 0;
    KeyPlace place = PlaceOf(std::move(path));
    bool deleted = false;
    bool stored = hive->Modify([&](CRegistryKey& top) {
        CRegistryKey* parentKey = top.FindPath(place.parentPath);
        deleted = parentKey && parentKey->DeleteSubKey(place.name);
        return deleted;
    });
    return stored && deleted ? 1 : 0;
}

int CBasicRegistry::DeleteValue(HKEY parent, const wchar_t* subKey, const wchar_t* valueName) {
    CRegistryHive* hive = CRegistryHive::ForRoot(parent);
    if (!hive) return 0;
    std::vector<std::wstring> path = CRegistryKey::SplitPath(subKey);
    std::wstring name = valueName ? valueName : L"";
    bool deleted = false;
    bool stored = hive->Modify([&](CRegistryKey& top) {
        CRegistryKey* key = top.FindPath(path);
        deleted = key && key->DeleteValue(name);
        return deleted;
    });
    return stored && deleted ? 1 : 0;
}

// A copy of the value of subKey below the application key (the keys are
// made when missing, as every read does); false when it cannot be read or
// does not exist.
bool CBasicRegistry::QueryValue(const wchar_t* subKey, const wchar_t* valueName, CRegistryValue& value) {
    std::wstring name = valueName ? valueName : L"";
    bool found = false;
    // Where the keys exist and the file is unchanged, nothing is made or
    // stored: the keys in memory answer without the lock file.
    CRegistryHive* hive = m_root->GetHive();
    if (hive && hive->ReadIfCurrent([&](const CRegistryKey& top) {
            const CRegistryKey* key = m_root->FindSubKey(top, subKey);
            if (!key) return false;
            if (const CRegistryValue* v = key->FindValue(name)) {
                value = *v;
                found = true;
            }
            return true;
        }))
        return found;
    bool read = OnSubKey(subKey, [&](CRegistryKey& key) {
        if (const CRegistryValue* v = key.FindValue(name)) {
            value = *v;
            found = true;
        }
        return false;
    });
    return read && found;
}

DWORD CBasicRegistry::GetDWORD(const wchar_t* subKey, const wchar_t* valueName, DWORD defaultValue) {
    ReportAssertion(subKey != nullptr, kSourceFile, __LINE__);
    ReportAssertion(valueName != nullptr, kSourceFile, __LINE__);
    CRegistryValue v;
    // Data longer than the 4-byte buffer fails the query.
    if (!subKey || !valueName || !QueryValue(subKey, valueName, v) || v.data.size() > sizeof(DWORD))
        return defaultValue;
    ReportAssertion(v.type == REG_DWORD && v.data.size() == sizeof(DWORD), kSourceFile, __LINE__);
    DWORD value = 0;
    for (size_t i = 0; i < v.data.size(); ++i) value |= (DWORD)v.data[i] << (8 * i);
    return value;
}

CBasicString CBasicRegistry::GetString(const wchar_t* subKey, const wchar_t* valueName, const wchar_t* defaultText) {
    CRegistryValue v;
    if (!QueryValue(subKey, valueName, v)) return CBasicString(defaultText);
    ReportAssertion(v.type == REG_SZ, kSourceFile, __LINE__);
    return ToBasicString(TextOfData(v.data));
}

int CBasicRegistry::GetBinary(const wchar_t* subKey, const wchar_t* valueName, BYTE** data, int* size) {
    ReportAssertion(data != nullptr && size != nullptr, kSourceFile, __LINE__);
    if (!data || !size) return 0;
    *data = nullptr;
    *size = 0;
    CRegistryValue v;
    if (!QueryValue(subKey, valueName, v)) return 0;
    ReportAssertion(v.type == REG_BINARY, kSourceFile, __LINE__);
    *data = new BYTE[v.data.size()];
    std::copy(v.data.begin(), v.data.end(), *data);
    *size = (int)v.data.size();
    return 1;
}

int CBasicRegistry::GetBinary(const wchar_t* subKey, const wchar_t* valueName, BYTE** data, DWORD* size) {
    int length = 0;
    int result = GetBinary(subKey, valueName, data, size ? &length : nullptr);
    if (size) *size = (DWORD)length;
    return result;
}

std::vector<CBasicString>* CBasicRegistry::GetUserSubKeyNames(const CBasicString& keyPath) {
    m_textList.clear();
    CRegistryHive* hive = CRegistryHive::ForRoot(HKEY_CURRENT_USER);
    std::vector<std::wstring> path = CRegistryKey::SplitPath(keyPath.GetString());
    if (hive) {
        hive->Read([&](const CRegistryKey& top) {
            const CRegistryKey* key = top.FindPath(path);
            for (size_t i = 0; key && i < key->GetSubKeyCount(); ++i) {
                const std::wstring& name = key->GetSubKey(i).GetName();
                if (name.size() >= kNameBufferLength) break;
                m_textList.push_back(ToBasicString(name));
            }
        });
    }
    return &m_textList;
}

void CBasicRegistry::ReadValueTexts(const CBasicString& keyPath, int profileValuesOnly,
                                    const std::function<void(const std::wstring& name, std::wstring text)>& add) {
    CRegistryHive* hive = m_root->GetHive();
    if (!hive) return;
    std::vector<std::wstring> path = CRegistryKey::SplitPath(keyPath.GetString());
    hive->Read([&](const CRegistryKey& top) {
        const CRegistryKey* key = top.FindPath(path);
        for (size_t i = 0; key && i < key->GetValueCount(); ++i) {
            const CRegistryValue& v = key->GetValue(i);
            if (v.name.size() >= kNameBufferLength) break;
            if (v.data.empty()) continue;
            if (profileValuesOnly) {
                if (v.type == REG_SZ && (StartsWith(v.name, L"Value") || StartsWith(v.name, L"Profile")))
                    add(v.name, TextOfData(v.data));
            } else if (v.type == REG_MULTI_SZ) {
                for (std::wstring& text : TextsOfData(v.data))
                    if (!text.empty()) add(v.name, std::move(text));
            } else {
                std::wstring text = TextOfData(v.data);
                if (!text.empty()) add(v.name, std::move(text));
            }
        }
    });
}

std::vector<CBasicString>* CBasicRegistry::ReadValueList(const CBasicString& keyPath, int profileValuesOnly) {
    m_textList.clear();
    ReadValueTexts(keyPath, profileValuesOnly,
                   [&](const std::wstring&, std::wstring text) { m_textList.push_back(ToBasicString(text)); });
    return &m_textList;
}

std::vector<std::pair<CBasicString, CBasicString>>* CBasicRegistry::ReadNamedValueList(const CBasicString& keyPath,
                                                                                         int profileValuesOnly) {
    m_pairList.clear();
    ReadValueTexts(keyPath, profileValuesOnly, [&](const std::wstring& name, std::wstring text) {
        m_pairList.emplace_back(ToBasicString(name), ToBasicString(text));
    });
    return &m_pairList;
}

void CBasicRegistry::WriteValueList(const wchar_t* keyPath, const CBasicString& subKey,
                                    const std::vector<CBasicString>* values) {
    bool usable = keyPath && !subKey.IsEmpty() && values;
    ReportAssertion(usable, kSourceFile, __LINE__);
    CRegistryHive* hive = m_root->GetHive();
    std::vector<std::wstring> path = CRegistryKey::SplitPath(keyPath);
    std::vector<std::wstring> subPath = CRegistryKey::SplitPath(subKey.GetString());
    if (!usable || !hive || subPath.empty()) return;
    path.insert(path.end(), subPath.begin(), subPath.end());
    KeyPlace place = PlaceOf(path);
    hive->Modify([&](CRegistryKey& top) {
        bool changed = false;
        if (CRegistryKey* parentKey = top.FindPath(place.parentPath)) changed = parentKey->DeleteSubKey(place.name);
        if (values->empty()) return changed;
        CRegistryKey* key = top.CreatePath(path, changed);
        for (size_t i = 0; key && i < values->size(); ++i)
            changed |= key->SetValue(L"Value" + std::to_wstring(i), REG_SZ, TextData((*values)[i].GetString()));
        return changed;
    });
}

std::vector<CBasicString>* CBasicRegistry::GetRegisteredExtensions() {
    m_textList.clear();
    std::ifstream in(kMimeTypesPath);
    std::unordered_set<std::wstring> seen;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream words(line);
        std::string word;
        words >> word;  // the media type
        while (words >> word) {
            std::wstring extension = L"." + Utf8ToWide(word);
            if (extension.size() >= kNameBufferLength) return &m_textList;
            std::wstring folded = extension;
            for (wchar_t& ch : folded) ch = ToLowerChar(ch);
            if (seen.insert(folded).second) m_textList.push_back(ToBasicString(extension));
        }
    }
    return &m_textList;
}

int CBasicRegistry::SetValue(const wchar_t* subKey, const wchar_t* valueName, DWORD type, std::vector<BYTE> data) {
    std::wstring name = valueName ? valueName : L"";
    bool set = false;
    bool stored = OnSubKey(subKey, [&](CRegistryKey& key) {
        // A value that already holds this type and data is not written
        // again: the file is replaced only when something changed.
        const CRegistryValue* old = key.FindValue(name);
        if (old && old->type == type && old->data == data) {
            set = true;
            return false;
        }
        set = key.SetValue(name, type, std::move(data));
        return set;
    });
    return stored && set ? 1 : 0;
}

int CBasicRegistry::SetDWORD(const wchar_t* subKey, const wchar_t* valueName, DWORD value) {
    return SetValue(subKey, valueName, REG_DWORD, {(BYTE)value, (BYTE)(value >> 8), (BYTE)(value >> 16), (BYTE)(value >> 24)});
}

int CBasicRegistry::SetString(const wchar_t* subKey, const wchar_t* valueName, const wchar_t* text) {
    ReportAssertion(subKey != nullptr, kSourceFile, __LINE__);
    if (!subKey) return 0;
    if (valueName && text) return SetValue(subKey, valueName, REG_SZ, TextData(text));

    bool deleted = false;
    bool stored;
    if (valueName) {
        stored = OnSubKey(subKey, [&](CRegistryKey& key) { return deleted = key.DeleteValue(valueName); });
    } else {
        // The sub-key itself, only while it has no sub-keys of its own.
        std::vector<std::wstring> path = CRegistryKey::SplitPath(subKey);
        if (path.empty()) return 0;
        KeyPlace place = PlaceOf(std::move(path));
        stored = OnAppKey([&](CRegistryKey& appKey) {
            CRegistryKey* parent = appKey.FindPath(place.parentPath);
            CRegistryKey* leaf = parent ? parent->FindSubKey(place.name) : nullptr;
            deleted = leaf && leaf->GetSubKeyCount() == 0 && parent->DeleteSubKey(place.name);
            return deleted;
        });
    }
    return stored && deleted ? 1 : 0;
}

int CBasicRegistry::SetBinary(const wchar_t* subKey, const wchar_t* valueName, const BYTE* data, int size) {
    bool usable = size >= 0 && (data || size == 0);
    ReportAssertion(usable, kSourceFile, __LINE__);
    if (!usable) return 0;
    return SetValue(subKey, valueName, REG_BINARY, std::vector<BYTE>(data, data + size));
}
