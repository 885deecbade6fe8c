#include "utility/ChangeOnlyRegistry.h"

#include <cstring>
#include <cwchar>
#include <cwctype>

namespace {

enum { kDword = 1, kText = 2, kBinary = 3 };

template <class T> std::vector<BYTE> BytesOf(const T* data, size_t count) {
    const BYTE* first = reinterpret_cast<const BYTE*>(data);
    return std::vector<BYTE>(first, first + count * sizeof(T));
}

} // namespace

CChangeOnlyRegistry::CChangeOnlyRegistry(std::unique_ptr<CRegistry> store) : m_store(std::move(store)) {}

CChangeOnlyRegistry::~CChangeOnlyRegistry() = default;

std::wstring CChangeOnlyRegistry::KeyOf(const wchar_t* subKey, const wchar_t* valueName) {
    // Names are case-insensitive in the store.
    std::wstring key = subKey ? subKey : L"";
    key += L'\n';
    key += valueName ? valueName : L"";
    for (wchar_t& ch : key) ch = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(ch)));
    return key;
}

bool CChangeOnlyRegistry::Unchanged(const std::wstring& key, const Known& value) const {
    auto found = m_known.find(key);
    return found != m_known.end() && found->second == value;
}

int CChangeOnlyRegistry::DeleteKey(HKEY parent, const wchar_t* subKey) {
    m_known.clear();
    return m_store->DeleteKey(parent, subKey);
}

int CChangeOnlyRegistry::DeleteValue(HKEY parent, const wchar_t* subKey, const wchar_t* valueName) {
    // The path given here starts at the root; forget every value of that name.
    const std::wstring suffix = KeyOf(L"", valueName);
    for (auto it = m_known.begin(); it != m_known.end();) {
        const std::wstring& key = it->first;
        if (key.size() >= suffix.size() && key.compare(key.size() - suffix.size(), suffix.size(), suffix) == 0)
            it = m_known.erase(it);
        else
            ++it;
    }
    return m_store->DeleteValue(parent, subKey, valueName);
}

DWORD CChangeOnlyRegistry::GetDWORD(const wchar_t* subKey, const wchar_t* valueName, DWORD defaultValue) {
    const DWORD value = m_store->GetDWORD(subKey, valueName, defaultValue);
    // A value the store does not hold gives any default back: it stays
    // unknown, so that the program's value is written.
    if (value == defaultValue && m_store->GetDWORD(subKey, valueName, ~defaultValue) == ~defaultValue)
        m_known.erase(KeyOf(subKey, valueName));
    else
        m_known[KeyOf(subKey, valueName)] = Known{kDword, BytesOf(&value, 1)};
    return value;
}

CBasicString CChangeOnlyRegistry::GetString(const wchar_t* subKey, const wchar_t* valueName,
                                            const wchar_t* defaultText) {
    CBasicString text = m_store->GetString(subKey, valueName, defaultText);
    const wchar_t* chars = text.GetString();
    const std::wstring fallback = defaultText ? defaultText : L"";
    if (fallback == chars) {
        const std::wstring other = fallback + L"\x1";
        if (other == m_store->GetString(subKey, valueName, other.c_str()).GetString()) {
            m_known.erase(KeyOf(subKey, valueName));
            return text;
        }
    }
    m_known[KeyOf(subKey, valueName)] = Known{kText, BytesOf(chars, std::wcslen(chars))};
    return text;
}

int CChangeOnlyRegistry::GetBinary(const wchar_t* subKey, const wchar_t* valueName, BYTE** data, int* size) {
    const int result = m_store->GetBinary(subKey, valueName, data, size);
    if (result && data && size && *data && *size >= 0)
        m_known[KeyOf(subKey, valueName)] = Known{kBinary, BytesOf(*data, static_cast<size_t>(*size))};
    return result;
}

std::vector<CBasicString>* CChangeOnlyRegistry::GetUserSubKeyNames(const CBasicString& keyPath) {
    return m_store->GetUserSubKeyNames(keyPath);
}

std::vector<CBasicString>* CChangeOnlyRegistry::ReadValueList(const CBasicString& keyPath, int profileValuesOnly) {
    return m_store->ReadValueList(keyPath, profileValuesOnly);
}

void CChangeOnlyRegistry::WriteValueList(const wchar_t* keyPath, const CBasicString& subKey,
                                         const std::vector<CBasicString>* values) {
    m_store->WriteValueList(keyPath, subKey, values);
}

std::vector<CBasicString>* CChangeOnlyRegistry::GetRegisteredExtensions() { return m_store->GetRegisteredExtensions(); }

int CChangeOnlyRegistry::SetDWORD(const wchar_t* subKey, const wchar_t* valueName, DWORD value) {
    const std::wstring key = KeyOf(subKey, valueName);
    Known known{kDword, BytesOf(&value, 1)};
    if (Unchanged(key, known)) return 1;
    const int result = m_store->SetDWORD(subKey, valueName, value);
    if (result) m_known[key] = std::move(known);
    return result;
}

int CChangeOnlyRegistry::SetString(const wchar_t* subKey, const wchar_t* valueName, const wchar_t* text) {
    if (!valueName || !text) {
        // A deletion (of the value, or of the sub-key).
        m_known.erase(KeyOf(subKey, valueName));
        return m_store->SetString(subKey, valueName, text);
    }
    const std::wstring key = KeyOf(subKey, valueName);
    Known known{kText, BytesOf(text, std::wcslen(text))};
    if (Unchanged(key, known)) return 1;
    const int result = m_store->SetString(subKey, valueName, text);
    if (result) m_known[key] = std::move(known);
    return result;
}

int CChangeOnlyRegistry::SetBinary(const wchar_t* subKey, const wchar_t* valueName, const BYTE* data, int size) {
    const std::wstring key = KeyOf(subKey, valueName);
    Known known{kBinary, data && size > 0 ? BytesOf(data, static_cast<size_t>(size)) : std::vector<BYTE>()};
    if (Unchanged(key, known)) return 1;
    const int result = m_store->SetBinary(subKey, valueName, data, size);
    if (result) m_known[key] = std::move(known);
    return result;
}
