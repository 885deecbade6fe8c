#include "SyncMerge.h"

#include <algorithm>
#include <map>
#include <tuple>

namespace {

// The languages and meaning types of the merged copy, found by name
// without regard to case.
class Names {
public:
    explicit Names(SyncCopy& merged) : m_merged(merged) {}

    int Language(const SyncCopy& from, int index)
    {
        const SyncLanguage& language = from.languages[static_cast<size_t>(index)];
        auto [found, added] = m_languages.emplace(FoldText(language.name), static_cast<int>(m_merged.languages.size()));
        if (added)
            m_merged.languages.push_back(language);
        return found->second;
    }
    int Type(const SyncCopy& from, int index)
    {
        if (index < 0)
            return -1;
        const SyncMeanType& type = from.types[static_cast<size_t>(index)];
        auto [found, added] = m_types.emplace(FoldText(type.name), static_cast<int>(m_merged.types.size()));
        if (added)
            m_merged.types.push_back(type);
        return found->second;
    }
    std::wstring LanguageKey(const SyncCopy& from, int index) const
    {
        return FoldText(from.languages[static_cast<size_t>(index)].name);
    }

private:
    SyncCopy& m_merged;
    std::map<std::wstring, int> m_languages, m_types;
};

// One side's view of an entry: alive (entry) or removed (removed).
struct EntryVersion {
    const SyncCopy* copy = nullptr;
    const SyncEntry* entry = nullptr;
    const SyncRemoved* removed = nullptr;

    const std::string& Changed() const { return entry ? entry->changed : removed->changed; }
    // The order of two versions: the later change, a removal before an
    // equal change, then the values.
    bool Before(const EntryVersion& other) const
    {
        if (Changed() != other.Changed())
            return Changed() < other.Changed();
        if (!removed != !other.removed)
            return !removed;
        if (removed)
            return false;
        return std::tie(entry->status, entry->statusDate, entry->enteredDate, entry->type) <
               std::tie(other.entry->status, other.entry->statusDate, other.entry->enteredDate, other.entry->type);
    }
};

std::wstring EntryKey(const Names& names, const SyncCopy& copy, const std::wstring& word, int wordLanguage,
                      const std::wstring& meaning, int meaningLanguage)
{
    std::wstring key = FoldText(word);
    key += L'\x1f';
    key += names.LanguageKey(copy, wordLanguage);
    key += L'\x1f';
    key += FoldText(meaning);
    key += L'\x1f';
    key += names.LanguageKey(copy, meaningLanguage);
    return key;
}

// The latest change of a list: its own or one of its entries'.
std::string LatestChange(const SyncList& list)
{
    std::string latest = list.changed;
    for (const SyncEntry& entry : list.entries)
        latest = std::max(latest, entry.changed);
    for (const SyncRemoved& removed : list.removed)
        latest = std::max(latest, removed.changed);
    return latest;
}

bool HeadBefore(const SyncList& a, const SyncList& b)
{
    return std::tie(a.changed, a.name, a.secondText, a.editable, a.extra) <
           std::tie(b.changed, b.name, b.secondText, b.editable, b.extra);
}

struct ListSides {
    std::vector<std::pair<const SyncCopy*, const SyncList*>> alive;
    std::string deleted;  // the latest removal, empty when none
};

SyncList MergeList(Names& names, const ListSides& sides)
{
    // The head (name, texts, flags, languages) of the later change.
    auto head = sides.alive.front();
    for (const auto& side : sides.alive)
        if (HeadBefore(*head.second, *side.second))
            head = side;
    SyncList merged;
    merged.guid = head.second->guid;
    merged.name = head.second->name;
    merged.secondText = head.second->secondText;
    merged.fromLanguage = names.Language(*head.first, head.second->fromLanguage);
    merged.toLanguage = names.Language(*head.first, head.second->toLanguage);
    merged.editable = head.second->editable;
    merged.extra = head.second->extra;
    merged.changed = head.second->changed;

    std::vector<std::wstring> order;
    std::map<std::wstring, EntryVersion> latest;
    auto offer = [&](std::wstring key, const EntryVersion& version) {
        auto [found, added] = latest.emplace(key, version);
        if (added)
            order.push_back(std::move(key));
        else if (found->second.Before(version))
            found->second = version;
    };
    for (const auto& [copy, list] : sides.alive) {
        for (const SyncEntry& entry : list->entries)
            offer(EntryKey(names, *copy, entry.word, entry.wordLanguage, entry.meaning, entry.meaningLanguage),
                  EntryVersion{copy, &entry, nullptr});
        for (const SyncRemoved& removed : list->removed)
            offer(EntryKey(names, *copy, removed.word, removed.wordLanguage, removed.meaning, removed.meaningLanguage),
                  EntryVersion{copy, nullptr, &removed});
    }
    for (const std::wstring& key : order) {
        const EntryVersion& version = latest[key];
        const SyncCopy& copy = *version.copy;
        if (version.entry) {
            SyncEntry entry = *version.entry;
            entry.wordLanguage = names.Language(copy, entry.wordLanguage);
            entry.meaningLanguage = names.Language(copy, entry.meaningLanguage);
            entry.type = names.Type(copy, entry.type);
            merged.entries.push_back(std::move(entry));
        } else {
            SyncRemoved removed = *version.removed;
            removed.word = FoldText(removed.word);
            removed.meaning = FoldText(removed.meaning);
            removed.wordLanguage = names.Language(copy, removed.wordLanguage);
            removed.meaningLanguage = names.Language(copy, removed.meaningLanguage);
            merged.removed.push_back(std::move(removed));
        }
    }
    return merged;
}

}  // namespace

SyncCopy MergeSyncCopies(const SyncCopy& first, const SyncCopy& second)
{
    SyncCopy merged;
    merged.version = std::max(first.version, second.version);
    Names names(merged);

    std::vector<std::string> order;
    std::map<std::string, ListSides> lists;
    for (const SyncCopy* copy : {&first, &second}) {
        for (const SyncList& list : copy->lists) {
            auto [found, added] = lists.try_emplace(list.guid);
            if (added)
                order.push_back(list.guid);
            found->second.alive.emplace_back(copy, &list);
        }
        for (const SyncDeletedList& deleted : copy->deleted) {
            auto [found, added] = lists.try_emplace(deleted.guid);
            if (added)
                order.push_back(deleted.guid);
            found->second.deleted = std::max(found->second.deleted, deleted.changed);
        }
    }
    for (const std::string& guid : order) {
        const ListSides& sides = lists[guid];
        std::string latest;
        for (const auto& side : sides.alive)
            latest = std::max(latest, LatestChange(*side.second));
        // A removal wins over changes made before it (or at the same time).
        if (sides.alive.empty() || (!sides.deleted.empty() && sides.deleted >= latest))
            merged.deleted.push_back({guid, sides.deleted});
        else
            merged.lists.push_back(MergeList(names, sides));
    }
    return merged;
}
