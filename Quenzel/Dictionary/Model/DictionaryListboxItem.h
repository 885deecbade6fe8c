#pragma once
// CDictionaryListboxItem: one entry of the word editor's entry list: the
// text shown, the kind and state flags, the kind's caption id, and the
// dictionary whose set holds the entry's record. An entry also keeps the
// sounds recorded for it, so they stay with it whatever happens to the
// entries around it.

#include <vector>

#include "DataBase/DataBaseRecords.h"
#include "compat/WinTypes.h"
#include "utility/BasicString.h"

class CDictionaryDataItem;

// Entry flags: one kind bit and the state bits.
enum : DWORD {
    ENTRY_FLAG_MEANING = 0x2,
    ENTRY_FLAG_SYNONYM = 0x4,
    ENTRY_FLAG_ANTONYM = 0x8,
    ENTRY_FLAG_ACRONYM = 0x10,
    ENTRY_FLAG_NEW = 0x20000000,
    ENTRY_FLAG_CHANGED = 0x40000000,
    ENTRY_FLAG_REMOVED = 0x80000000,
};

// The kind bit of an entry kind (0 for another kind).
DWORD EntryKindFlag(int kind);

class CDictionaryListboxItem {
public:
    CDictionaryListboxItem() = default;
    CDictionaryListboxItem(const CBasicString& text, int kind, CDictionaryDataItem* owner)
        : m_text(text), m_flags(EntryKindFlag(kind)), m_kind(kind), m_owner(owner) {}
    virtual ~CDictionaryListboxItem() = default;

    const CBasicString& GetText() const { return m_text; }
    void SetText(const CBasicString& text) { m_text = text; }
    DWORD GetFlags() const { return m_flags; }
    void SetFlags(DWORD flags) { m_flags = flags; }
    bool HasFlag(DWORD flag) const { return (m_flags & flag) != 0; }
    int GetKind() const { return m_kind; }
    CDictionaryDataItem* GetOwner() const { return m_owner; }

    // The entry's place in the word editor's store of sounds (0 is the
    // word's): never shared by two entries of one list.
    int GetSoundIndex() const { return m_soundIndex; }
    void SetSoundIndex(int index) { m_soundIndex = index; }
    // The entry's sounds; whether the stored ones were read already.
    std::vector<PronunciationRecord>& Sounds() { return m_sounds; }
    bool AreSoundsLoaded() const { return m_soundsLoaded; }
    void SetSoundsLoaded() { m_soundsLoaded = true; }

private:
    CBasicString m_text;
    DWORD m_flags = 0;
    int m_kind = 0;
    CDictionaryDataItem* m_owner = nullptr;
    std::vector<PronunciationRecord> m_sounds;
    bool m_soundsLoaded = false;
    int m_soundIndex = 0;
};
