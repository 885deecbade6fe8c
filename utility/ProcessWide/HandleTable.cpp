#include "utility/ProcessWide/HandleTable.h"

#include <cstdint>
#include <mutex>
#include <new>
#include <unordered_map>

namespace {

class CHandleTable {
public:
    HANDLE Insert(void* object) {
        std::lock_guard<std::mutex> lock(m_mutex);
        // Multiples of 4, as the system's own handle numbers are; far below
        // any wrap-around, and never null or INVALID_HANDLE_VALUE.
        uintptr_t number = m_next;
        try {
            m_objects.emplace(number, object);
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
        m_next += 4;
        return reinterpret_cast<HANDLE>(number);
    }

    void* Find(HANDLE handle) {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_objects.find(reinterpret_cast<uintptr_t>(handle));
        return it == m_objects.end() ? nullptr : it->second;
    }

    void* Remove(HANDLE handle) {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_objects.find(reinterpret_cast<uintptr_t>(handle));
        if (it == m_objects.end()) return nullptr;
        void* object = it->second;
        m_objects.erase(it);
        return object;
    }

private:
    std::mutex m_mutex;
    uintptr_t m_next = 0x1000;
    std::unordered_map<uintptr_t, void*> m_objects;
};

// Never destroyed: handles may be closed from static destructors of any
// module, which may run after the program's own.
CHandleTable& Table() {
    static CHandleTable* table = new CHandleTable;
    return *table;
}

} // namespace

extern "C" {

HANDLE KvxHandles_Insert(void* object) { return object ? Table().Insert(object) : nullptr; }

void* KvxHandles_Find(HANDLE handle) { return Table().Find(handle); }

void* KvxHandles_Remove(HANDLE handle) { return Table().Remove(handle); }
}
