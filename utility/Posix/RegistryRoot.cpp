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
