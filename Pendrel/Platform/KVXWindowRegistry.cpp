#include "Pendrel/Platform/KVXWindowRegistry.h"

#include "Pendrel/Platform/KVXWndCore.h"

CKVXWindowRegistry& CKVXWindowRegistry::Instance() {
    // Never destroyed: windows may leave from static destructors.
    static CKVXWindowRegistry* registry = new CKVXWindowRegistry;
    return *registry;
}

void CKVXWindowRegistry::Add(QObject* object, CKVXWndCore* window) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_windows[object] = window;
}

void CKVXWindowRegistry::Remove(QObject* object) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_windows.erase(object);
}

CKVXWndCore* CKVXWindowRegistry::Find(QObject* object) const {
    auto it = m_windows.find(object);
    if (it == m_windows.end() || !it->second->IsCreated()) return nullptr;
    return it->second;
}
