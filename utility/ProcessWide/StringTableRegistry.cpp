#include "utility/ProcessWide/StringTableRegistry.h"

#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "utility/StringTable.h"

namespace {

struct RegisteredTable {
    HINSTANCE module;
    const StringTableEntry* entries;
    size_t count;
};

class CStringTableRegistry {
public:
    void Add(HINSTANCE module, const StringTableEntry* entries, size_t count) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_tables.push_back({module, entries, count});
        Index(m_tables.back());
    }

    void Remove(HINSTANCE module, const StringTableEntry* entries) {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (auto it = m_tables.begin(); it != m_tables.end(); ++it) {
            if (it->module == module && it->entries == entries) {
                m_tables.erase(it);
                break;
            }
        }
        m_texts.clear();
        for (const RegisteredTable& table : m_tables) Index(table);
    }

    const wchar_t* Find(HINSTANCE module, UINT id) {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_texts.find({module, id});
        return it == m_texts.end() ? nullptr : it->second;
    }

private:
    // Written without operator[], which would make the module impossible to
    // unload (it exports a unique symbol of the standard library).
    void Index(const RegisteredTable& table) {
        for (size_t i = 0; i < table.count; ++i) {
            auto inserted = m_texts.insert({{table.module, table.entries[i].id}, table.entries[i].text});
            if (!inserted.second) inserted.first->second = table.entries[i].text;
        }
    }

    std::mutex m_mutex;
    std::vector<RegisteredTable> m_tables;
    std::map<std::pair<HINSTANCE, UINT>, const wchar_t*> m_texts;
};

// Never destroyed: modules unregister from their static destructors, which
// may run after the program's own.
CStringTableRegistry& Registry() {
    static CStringTableRegistry* registry = new CStringTableRegistry;
    return *registry;
}

} // namespace

extern "C" {

void KvxStringTables_Register(HINSTANCE module, const StringTableEntry* entries, size_t count) {
    Registry().Add(module, entries, count);
}

void KvxStringTables_Unregister(HINSTANCE module, const StringTableEntry* entries) {
    Registry().Remove(module, entries);
}

const wchar_t* KvxStringTables_Find(HINSTANCE module, UINT id) { return Registry().Find(module, id); }
}
