#include "utility/Posix/RegistryRoot.h"

#include "utility/ErrorReport.h"
#include "utility/Posix/RegistryHive.h"
#include "utility/RegistryKey.h"

namespace {
const char kSourceFile[] = ".\\Windows\\BasicRegistry";
} // namespace

CRegistryRoot::CRegistryRoot(HKEY root, const wchar_t* firstName, const wchar_t* secondName) : m_root(root) {
    m_appKeyPath.push_back(L"SOFTWARE");
    for (const wchar_t* name : {firstName, secondName})
        for (std::wstring& part : CRegistryKey::SplitPath(name)) m_appKeyPath.push_back(std::move(part));
}

CRegistryHive* CRegistryRoot::GetHive() const { return CRegistryHive::ForRoot(m_root); }

CRegistryKey* CRegistryRoot::OpenRootKey(CRegistryKey& top, bool& created) const {
    return top.CreatePath(m_appKeyPath, created);
}

CRegistryKey* CRegistryRoot::CreateSubKey(CRegistryKey& appKey, const wchar_t* subKey, bool& created) const {
    ReportAssertion(subKey != nullptr, kSourceFile, __LINE__);
    if (!subKey) return nullptr;
    return appKey.CreatePath(CRegistryKey::SplitPath(subKey), created);
}

const CRegistryKey* CRegistryRoot::FindSubKey(const CRegistryKey& top, const wchar_t* subKey) const {
    if (!subKey) return nullptr;
    const CRegistryKey* appKey = top.FindPath(m_appKeyPath);
    return appKey ? appKey->FindPath(CRegistryKey::SplitPath(subKey)) : nullptr;
}
