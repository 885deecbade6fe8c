// The merge of two copies: which change survives when two computers
// changed the same list or entry, and that both orders of merging agree.

#include <gtest/gtest.h>

#include "SyncMerge.h"
#include "utility/TextCodec.h"

namespace {

// A copy of one list "g" (unless removed) whose entries are given as
// {word, status, changed}; removals as {word, changed}.
struct Entry {
    const wchar_t* word;
    int status;
    const char* changed;
};
struct Removal {
    const wchar_t* word;
    const char* changed;
};

SyncCopy Copy(const wchar_t* name, const char* changed, std::vector<Entry> entries, std::vector<Removal> removals = {})
{
    SyncCopy copy;
    copy.languages = {{L"English", L"en", 0}, {L"German", L"de", 0}};
    copy.types = {{L"Noun", L"n."}};
    SyncList list;
    list.guid = "g";
    list.name = name;
    list.toLanguage = 1;
    list.changed = changed;
    for (const Entry& entry : entries)
        list.entries.push_back({entry.word, 0, std::wstring(entry.word) + L"-de", 1, 0, entry.status, L"2024-01-10",
                                L"2024-01-10", entry.changed});
    for (const Removal& removal : removals)
        list.removed.push_back({removal.word, 0, std::wstring(removal.word) + L"-de", 1, removal.changed});
    copy.lists.push_back(list);
    return copy;
}

SyncCopy Removed(const char* changed)
{
    SyncCopy copy;
    copy.deleted.push_back({"g", changed});
    return copy;
}

// The merged copy as text: the list's name and its entries in word order,
// or "removed at" its time.
std::string Show(const SyncCopy& copy)
{
    std::string text;
    for (const SyncDeletedList& deleted : copy.deleted)
        text += "removed at " + deleted.changed;
    for (const SyncList& list : copy.lists) {
        text += WideToUtf8(list.name) + ":";
        std::vector<std::string> entries;
        for (const SyncEntry& entry : list.entries)
            entries.push_back(std::string(" ") + WideToUtf8(entry.word) + "=" + std::to_string(entry.status) + " (" +
                              WideToUtf8(copy.languages[entry.wordLanguage].name) + ", " +
                              WideToUtf8(copy.types[entry.type].name) + ")");
        for (const SyncRemoved& removed : list.removed)
            entries.push_back(std::string(" -") + WideToUtf8(removed.word));
        std::sort(entries.begin(), entries.end());
        for (const std::string& entry : entries)
            text += entry;
    }
    return text;
}

TEST(SyncMergeTest, TheLaterChangeOfEachListAndEntrySurvivesInBothOrders)
{
    const char* t1 = "2024-01-10T08:00:00.000Z";
    const char* t2 = "2024-01-10T09:00:00.000Z";
    const char* t3 = "2024-01-10T10:00:00.000Z";
    struct Case {
        const char* name;
        SyncCopy first, second;
        std::string merged;
    };
    const Case cases[] = {
        {"additions on both sides, the later rename", Copy(L"A", t2, {{L"dog", 1, t1}, {L"fish", 0, t2}}),
         Copy(L"B", t3, {{L"dog", 1, t1}, {L"cow", 0, t3}}),
         "B: cow=0 (English, Noun) dog=1 (English, Noun) fish=0 (English, Noun)"},
        {"the later status on the same day", Copy(L"A", t1, {{L"dog", 4, t3}}), Copy(L"A", t1, {{L"dog", 0, t2}}),
         "A: dog=4 (English, Noun)"},
        {"a removal after the other's last change", Copy(L"A", t1, {{L"dog", 1, t1}}, {{L"cat", t3}}),
         Copy(L"A", t1, {{L"dog", 1, t1}, {L"cat", 2, t2}}), "A: -cat dog=1 (English, Noun)"},
        {"a status set after the removal", Copy(L"A", t1, {}, {{L"cat", t2}}), Copy(L"A", t1, {{L"cat", 2, t3}}),
         "A: cat=2 (English, Noun)"},
        {"a removal at the same time", Copy(L"A", t1, {}, {{L"cat", t2}}), Copy(L"A", t1, {{L"cat", 2, t2}}),
         "A: -cat"},
        {"a removed list", Removed(t3), Copy(L"A", t2, {{L"dog", 1, t1}}), "removed at " + std::string(t3)},
        {"a list changed after its removal", Removed(t2), Copy(L"A", t1, {{L"dog", 1, t3}}),
         "A: dog=1 (English, Noun)"},
        {"changes from before times were kept", Copy(L"A", "", {{L"dog", 3, ""}}), Copy(L"A", t1, {{L"dog", 1, t1}}),
         "A: dog=1 (English, Noun)"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        EXPECT_EQ(Show(MergeSyncCopies(test.first, test.second)), test.merged);
        EXPECT_EQ(Show(MergeSyncCopies(test.second, test.first)), test.merged);
    }
}

TEST(SyncMergeTest, LanguagesAndTypesAreMatchedByNameWithoutRegardToCase)
{
    SyncCopy first = Copy(L"A", "", {{L"dog", 1, "2024-01-10T08:00:00Z"}});
    SyncCopy second = Copy(L"A", "", {{L"DOG", 2, "2024-01-10T09:00:00Z"}, {L"cow", 0, "2024-01-10T09:00:00Z"}});
    // The second copy names its languages in another order and case.
    std::swap(second.languages[0], second.languages[1]);
    second.languages[1].name = L"ENGLISH";
    for (SyncEntry& entry : second.lists[0].entries) {
        entry.wordLanguage = 1;
        entry.meaningLanguage = 0;
    }
    second.lists[0].toLanguage = 0;
    second.lists[0].fromLanguage = 1;
    second.version = 4;
    SyncCopy merged = MergeSyncCopies(first, second);
    EXPECT_EQ(merged.version, 4);
    EXPECT_EQ(merged.languages.size(), 2u);
    EXPECT_EQ(Show(merged), "A: DOG=2 (English, Noun) cow=0 (English, Noun)");
}

}  // namespace
