#pragma once
// CDictionaryDataItem: one dictionary with the entries of the word being
// edited: its meanings, synonyms, antonyms and acronyms. Each kind is a set
// ordered by the entry's text without regard to case, so a text occurs at
// most once per kind; the same text may stand in two kinds (a meaning and a
// synonym).
//
// The text of an entry is the meaning's text, the related word's text of a
// synonym or antonym, and the second text of an acronym.

#include <map>

#include "DataBase/DataBaseRecords.h"
#include "utility/BasicString.h"

// The kinds of entries, told by the string ids of their captions.
enum : int {
    kEntryMeaning = 31187,
    kEntrySynonym = 31201,
    kEntryAntonym = 31202,
    kEntryAcronym = 31203,
};

// True for the four kinds above.
bool IsEntryKind(int kind);

// Orders texts by a case-insensitive comparison of their characters.
struct TextNoCaseLess {
    bool operator()(const CBasicString& a, const CBasicString& b) const;
};

// The text that keys a record in its set, and its replacement.
CBasicString EntryText(const MeaningRecord& record);
CBasicString EntryText(const RelationRecord& record);
CBasicString EntryText(const AcronymRecord& record);
void SetEntryText(MeaningRecord& record, const CBasicString& text);
void SetEntryText(RelationRecord& record, const CBasicString& text);
// An acronym's two texts are both the typed text.
void SetEntryText(AcronymRecord& record, const CBasicString& text);

// The records of one kind by their text.
template <class Record> class CEntrySet {
public:
    using Map = std::map<CBasicString, Record, TextNoCaseLess>;

    // False (and nothing changes) when a record with an equal text is in.
    bool Insert(const Record& record) { return m_records.emplace(EntryText(record), record).second; }
    Record* Find(const wchar_t* text) {
        auto found = m_records.find(CBasicString(text));
        return found == m_records.end() ? nullptr : &found->second;
    }
    const Record* Find(const wchar_t* text) const {
        auto found = m_records.find(CBasicString(text));
        return found == m_records.end() ? nullptr : &found->second;
    }
    bool Erase(const wchar_t* text) { return m_records.erase(CBasicString(text)) > 0; }
    // Gives the record the new text. Nothing changes, and the result is
    // false, when no record has the old text or another record has the new
    // one; a change of case only is allowed.
    bool Rename(const wchar_t* oldText, const wchar_t* newText);
    size_t Size() const { return m_records.size(); }
    void Clear() { m_records.clear(); }
    Map& Records() { return m_records; }
    const Map& Records() const { return m_records; }

private:
    Map m_records;
};

class CDictionaryDataItem {
public:
    CDictionaryDataItem() = default;
    CDictionaryDataItem(const CBasicString& path, const CBasicString& displayName)
        : m_path(path), m_displayName(displayName) {}
    virtual ~CDictionaryDataItem();

    const CBasicString& GetDisplayName() const { return m_displayName; }
    const CBasicString& GetPath() const { return m_path; }
    const LanguageRecord& GetFirstLanguage() const { return m_firstLanguage; }
    const LanguageRecord& GetSecondLanguage() const { return m_secondLanguage; }
    // The language's id and name (no picture).
    void SetFirstLanguage(int id, const CBasicString& name);
    void SetSecondLanguage(int id, const CBasicString& name);

    CEntrySet<MeaningRecord>& Meanings() { return m_meanings; }
    CEntrySet<RelationRecord>& Synonyms() { return m_synonyms; }
    CEntrySet<RelationRecord>& Antonyms() { return m_antonyms; }
    CEntrySet<AcronymRecord>& Acronyms() { return m_acronyms; }
    const CEntrySet<MeaningRecord>& Meanings() const { return m_meanings; }
    const CEntrySet<RelationRecord>& Synonyms() const { return m_synonyms; }
    const CEntrySet<RelationRecord>& Antonyms() const { return m_antonyms; }
    const CEntrySet<AcronymRecord>& Acronyms() const { return m_acronyms; }

    // Operations on the set of a kind; a kind other than the four fails a
    // check and changes nothing.
    // The stored id of the record with the text: false when there is none.
    bool FindRecordId(int kind, const wchar_t* text, int64_t& id) const;
    bool EraseRecord(int kind, const wchar_t* text);
    bool RenameRecord(int kind, const wchar_t* oldText, const wchar_t* newText);
    // Empties all four sets.
    void ClearRecords();

private:
    CBasicString m_path;
    CBasicString m_displayName;
    LanguageRecord m_firstLanguage;
    LanguageRecord m_secondLanguage;
    CEntrySet<MeaningRecord> m_meanings;
    CEntrySet<RelationRecord> m_synonyms;
    CEntrySet<RelationRecord> m_antonyms;
    CEntrySet<AcronymRecord> m_acronyms;
};

template <class Record> bool CEntrySet<Record>::Rename(const wchar_t* oldText, const wchar_t* newText) {
    auto found = m_records.find(CBasicString(oldText));
    if (found == m_records.end()) return false;
    const CBasicString key(newText);
    const bool sameKey = !TextNoCaseLess()(found->first, key) && !TextNoCaseLess()(key, found->first);
    if (!sameKey && m_records.count(key)) return false;
    Record copy = found->second;
    SetEntryText(copy, key);
    m_records.erase(found);
    m_records.emplace(key, copy);
    return true;
}
