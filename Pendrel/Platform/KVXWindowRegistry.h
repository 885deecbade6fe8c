#pragma once
// The windows that live in the process, so that a message from any thread
// reaches only a window that still exists. A window registers itself when
// it is constructed and leaves before its Qt object is destroyed; the Qt
// object then drops the events still queued for it.

#include <mutex>
#include <unordered_map>

class CKVXWndCore;
class QObject;

class CKVXWindowRegistry {
public:
    static CKVXWindowRegistry& Instance();

    void Add(QObject* object, CKVXWndCore* window);
    void Remove(QObject* object);

    // Runs action(window) under the registry's lock when object is a window
    // that exists; false (and nothing run) otherwise. The window cannot be
    // destroyed while the action runs.
    template <class Action> bool WithWindow(QObject* object, Action action) {
        std::lock_guard<std::mutex> lock(m_mutex);
        CKVXWndCore* window = Find(object);
        if (!window) return false;
        action(*window);
        return true;
    }

private:
    CKVXWndCore* Find(QObject* object) const;

    std::mutex m_mutex;
    std::unordered_map<QObject*, CKVXWndCore*> m_windows;
};
