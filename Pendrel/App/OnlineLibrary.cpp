#include "Pendrel/App/OnlineLibrary.h"

#include "utility/Posix/Modules.h"

namespace {
typedef CAbstractFile* (*CreateHttpFileFunction)(const wchar_t*, CAbstractLog*);
typedef void (*DeleteHttpFileFunction)(CAbstractFile*);
} // namespace

COnlineLibrary::~COnlineLibrary() { Reset(nullptr); }

void COnlineLibrary::Reset(HMODULE module) {
    if (module == m_module) return;
    if (IsLoaded()) FreeDynamicLibrary(m_module);
    m_module = module == reinterpret_cast<HMODULE>(-1) ? nullptr : module;
}

bool COnlineLibrary::IsLoaded() const { return m_module && m_module != reinterpret_cast<HMODULE>(-1); }

bool COnlineLibrary::CanCreateHttpFile() const {
    return IsLoaded() && GetLibraryFunction(m_module, "CreateHttpFile") != nullptr;
}

CAbstractFile* COnlineLibrary::CreateHttpFile(const wchar_t* url, CAbstractLog* log) const {
    if (!IsLoaded()) return nullptr;
    auto create = reinterpret_cast<CreateHttpFileFunction>(GetLibraryFunction(m_module, "CreateHttpFile"));
    return create ? create(url, log) : nullptr;
}

void COnlineLibrary::DeleteHttpFile(CAbstractFile* file) const {
    if (!file || !IsLoaded()) return;
    if (auto destroy = reinterpret_cast<DeleteHttpFileFunction>(GetLibraryFunction(m_module, "DeleteHttpFile")))
        destroy(file);
}
