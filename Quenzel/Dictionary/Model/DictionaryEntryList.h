#pragma once
// CDictionaryEntryList: what the word editor's entry list shows, without a
// window: the dictionaries (owned) whose sets hold the records, one entry
// (owned) per record in list order, the new, changed and removed marks, and
// the ids of the stored records that were removed, by kind, for the save.
//
// - Adding a record puts it into the set of its kind of the last
//   dictionary; only a record the set accepts (no equal text of that kind)
//   gets an entry. The adding operations give the new entry's index, or -1.
// - Removal is two steps: MarkRemoved marks entries, RemoveMarked takes the
//   marked ones out of the list and their records out of the sets, and
//   notes the ids of records that were stored (id above 0) under their
//   kind.
// - Editing keeps an entry's new mark: an entry that was never stored is
//   still added by the save after its text or type changed.

#include <map>
#include <memory>
#include <vector>

#include "DataBase/DataBaseRecords.h"
#include "Quenzel/Dictionary/Model/DictionaryDataItem.h"
#include "Quenzel/Dictionary/Model/DictionaryListboxItem.h"
#include "compat/WinTypes.h"

class CDictionaryEntryList {
public:
    CDictionaryEntryList() = default;
    ~CDictionaryEntryList();
    CDictionaryEntryList(const CDictionaryEntryList&) = delete;
    CDictionaryEntryList& operator=(const CDictionaryEntryList&) = delete;

    // Appends the dictionary (taken over) and an entry per record of its
    // meanings, synonyms, antonyms and acronyms, in that order and in set
    // order. The index of its first entry (the count when it has none);
    // -1 for a null dictionary.
    int AddDictionary(CDictionaryDataItem* dictionary);
    int AddMeaning(const MeaningRecord& record);
    int AddSynonym(const RelationRecord& record);
    int AddAntonym(const RelationRecord& record);
    int AddAcronym(const AcronymRecord& record);

    int GetCount() const { return static_cast<int>(m_items.size()); }
    // Null for an index out of range.
    CDictionaryListboxItem* GetItem(int index) const;
    // Empty for an index out of range.
    CBasicString GetItemText(int index) const;
    // Red for a removed entry, blue for a changed one, else plain (the
    // window-text colour of the list's window).
    COLORREF GetItemTextColor(int index, COLORREF plain) const;
    // The entry of the kind with the text (case ignored); null when none.
    CDictionaryListboxItem* FindItem(int kind, const wchar_t* text) const;
    int IndexOf(const CDictionaryListboxItem* item) const;

    // flags := flags without mask, plus mask when on; 0 for an index out of
    // range, else 1.
    int SetItemFlags(DWORD mask, int on, int index);
    void GetRemovedIds(int kind, std::vector<int64_t>& ids) const;
    void ClearRemovedIds() { m_removedIds.clear(); }
    // The id leaves the noted ids of the kind (it was deleted).
    void ForgetRemovedId(int kind, int64_t id);

    // Marks the entries removed (new and changed cleared); the number
    // marked.
    int MarkRemoved(const std::vector<int>& indexes);
    // Takes the marked entries out, from the last to the first; with
    // recordIds their records leave their sets and the stored ids are
    // noted. The indexes taken out, highest first.
    std::vector<int> RemoveMarked(bool recordIds);
    // Every entry removed, then the noted ids forgotten. The indexes taken
    // out, highest first.
    std::vector<int> Clear();
    // The entries and the dictionaries deleted; the noted ids stay.
    void DeleteAll();

    // Gives the meanings among the entries the type; those entries are
    // marked changed unless they are new. Relation entries are marked the
    // same way and change nothing else.
    void SetMeaningType(const std::vector<int>& indexes, int typeId);
    // The entry takes the new text when the record of its kind can take it
    // (no other record of the kind has it). 1 when the text changed.
    int RenameItem(int index, const wchar_t* text);
    // The first entry whose text and the character agree, case ignored
    // (an empty text agrees with every character); -1 when none.
    int FindByPrefix(wchar_t ch) const;

    const std::vector<CDictionaryDataItem*>& GetDictionaries() const { return m_dictionaries; }
    CDictionaryDataItem* GetLastDictionary() const;

private:
    int AddEntry(const CBasicString& text, int kind, CDictionaryDataItem* owner);
    // The last dictionary, or null after a failed check.
    CDictionaryDataItem* TargetDictionary() const;
    void MarkEdited(CDictionaryListboxItem& item);

    std::vector<CDictionaryDataItem*> m_dictionaries;
    std::vector<CDictionaryListboxItem*> m_items;
    std::multimap<int, int64_t> m_removedIds;
    int m_lastSoundIndex = 0;
};
