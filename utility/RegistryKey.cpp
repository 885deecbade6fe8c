#include "utility/RegistryKey.h"

#include <utility>

#include "utility/UnicodeCase.h"

namespace {

std::wstring FoldName(const std::wstring& name) {
    std::wstring folded(name);
    for (wchar_t& ch : folded) ch = ToLowerChar(ch);
    return folded;
}

} // namespace

size_t CRegistryKey::CNameIndex::Find(const std::wstring& name) const {
    auto it = m_positions.find(FoldName(name));
    return it == m_positions.end() ? npos : it->second;
}

void CRegistryKey::CNameIndex::Add(const std::wstring& name, size_t position) {
    m_positions[FoldName(name)] = position;
}

CRegistryKey::CRegistryKey(std::wstring name) : m_name(std::move(name)) {}

std::vector<std::wstring> CRegistryKey::SplitPath(const wchar_t* path) {
    std::vector<std::wstring> parts;
    if (!path) return parts;
    std::wstring part;
    for (const wchar_t* p = path;; ++p) {
        if (*p == L'\\' || *p == 0) {
            if (!part.empty()) parts.push_back(std::move(part));
            part.clear();
            if (*p == 0) break;
        } else {
            part.push_back(*p);
        }
    }
    return parts;
}

bool CRegistryKey::IsValidKeyName(const std::wstring& name) {
    return !name.empty() && name.size() <= kMaxKeyNameLength && name.find(L'\\') == std::wstring::npos &&
           name.find(L'\0') == std::wstring::npos;
}

CRegistryKey* CRegistryKey::FindSubKey(const std::wstring& name) {
    size_t pos = m_subKeyIndex.Find(name);
    return pos == CNameIndex::npos ? nullptr : m_subKeys[pos].get();
}

const CRegistryKey* CRegistryKey::FindSubKey(const std::wstring& name) const {
    return const_cast<CRegistryKey*>(this)->FindSubKey(name);
}

CRegistryKey* CRegistryKey::CreateSubKey(const std::wstring& name, bool* created) {
    if (CRegistryKey* existing = FindSubKey(name)) return existing;
    if (!IsValidKeyName(name) || Depth() + 1 > kMaxDepth) return nullptr;
    auto key = std::make_unique<CRegistryKey>(name);
    key->m_parent = this;
    m_subKeyIndex.Add(name, m_subKeys.size());
    m_subKeys.push_back(std::move(key));
    if (created) *created = true;
    return m_subKeys.back().get();
}

bool CRegistryKey::DeleteSubKey(const std::wstring& name) {
    size_t pos = m_subKeyIndex.Find(name);
    if (pos == CNameIndex::npos) return false;
    m_subKeys.erase(m_subKeys.begin() + (std::ptrdiff_t)pos);
    ReindexSubKeys();
    return true;
}

CRegistryKey* CRegistryKey::FindPath(const std::vector<std::wstring>& path) {
    CRegistryKey* key = this;
    for (const std::wstring& name : path)
        if (!(key = key->FindSubKey(name))) return nullptr;
    return key;
}

const CRegistryKey* CRegistryKey::FindPath(const std::vector<std::wstring>& path) const {
    return const_cast<CRegistryKey*>(this)->FindPath(path);
}

CRegistryKey* CRegistryKey::CreatePath(const std::vector<std::wstring>& path, bool& created) {
    CRegistryKey* key = this;
    for (const std::wstring& name : path)
        if (!(key = key->CreateSubKey(name, &created))) return nullptr;
    return key;
}

const CRegistryValue* CRegistryKey::FindValue(const std::wstring& name) const {
    size_t pos = m_valueIndex.Find(name);
    return pos == CNameIndex::npos ? nullptr : &m_values[pos];
}

bool CRegistryKey::SetValue(const std::wstring& name, DWORD type, std::vector<BYTE> data) {
    if (name.size() > kMaxValueNameLength) return false;
    size_t pos = m_valueIndex.Find(name);
    if (pos != CNameIndex::npos) {
        m_values[pos].type = type;
        m_values[pos].data = std::move(data);
        return true;
    }
    m_valueIndex.Add(name, m_values.size());
    m_values.push_back(CRegistryValue{name, type, std::move(data)});
    return true;
}

bool CRegistryKey::DeleteValue(const std::wstring& name) {
    size_t pos = m_valueIndex.Find(name);
    if (pos == CNameIndex::npos) return false;
    m_values.erase(m_values.begin() + (std::ptrdiff_t)pos);
    ReindexValues();
    return true;
}

size_t CRegistryKey::Depth() const {
    size_t depth = 0;
    for (const CRegistryKey* key = m_parent; key; key = key->m_parent) ++depth;
    return depth;
}

void CRegistryKey::ReindexSubKeys() {
    m_subKeyIndex.Clear();
    for (size_t i = 0; i < m_subKeys.size(); ++i) m_subKeyIndex.Add(m_subKeys[i]->m_name, i);
}

void CRegistryKey::ReindexValues() {
    m_valueIndex.Clear();
    for (size_t i = 0; i < m_values.size(); ++i) m_valueIndex.Add(m_values[i].name, i);
}
