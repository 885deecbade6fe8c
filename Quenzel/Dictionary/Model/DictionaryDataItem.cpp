#include "Quenzel/Dictionary/Model/DictionaryDataItem.h"

#include "utility/ErrorReport.h"
#include "utility/UnicodeCase.h"

namespace {

const char kSourceFile[] = ".\\EditDictionaryDlg";

} // namespace

bool IsEntryKind(int kind) {
    return kind == kEntryMeaning || kind == kEntrySynonym || kind == kEntryAntonym || kind == kEntryAcronym;
}

bool TextNoCaseLess::operator()(const CBasicString& a, const CBasicString& b) const {
    return CompareTextNoCase(a.GetString(), b.GetString()) < 0;
}

CBasicString EntryText(const MeaningRecord& record) { return record.text; }
CBasicString EntryText(const RelationRecord& record) { return record.related.text; }
CBasicString EntryText(const AcronymRecord& record) { return record.secondText; }

void SetEntryText(MeaningRecord& record, const CBasicString& text) { record.text = text; }
void SetEntryText(RelationRecord& record, const CBasicString& text) { record.related.text = text; }
void SetEntryText(AcronymRecord& record, const CBasicString& text) {
    record.text = text;
    record.secondText = text;
}

CDictionaryDataItem::~CDictionaryDataItem() = default;

void CDictionaryDataItem::SetFirstLanguage(int id, const CBasicString& name) {
    m_firstLanguage.id = id;
    m_firstLanguage.name = name;
}

void CDictionaryDataItem::SetSecondLanguage(int id, const CBasicString& name) {
    m_secondLanguage.id = id;
    m_secondLanguage.name = name;
}

namespace {

template <class Record> bool FindId(const CEntrySet<Record>& set, const wchar_t* text, int64_t& id) {
    const Record* record = set.Find(text);
    if (!record) return false;
    id = record->id;
    return true;
}

} // namespace

bool CDictionaryDataItem::FindRecordId(int kind, const wchar_t* text, int64_t& id) const {
    switch (kind) {
    case kEntryMeaning: return FindId(m_meanings, text, id);
    case kEntrySynonym: return FindId(m_synonyms, text, id);
    case kEntryAntonym: return FindId(m_antonyms, text, id);
    case kEntryAcronym: return FindId(m_acronyms, text, id);
    default: ReportAssertion(0, kSourceFile, __LINE__); return false;
    }
}

bool CDictionaryDataItem::EraseRecord(int kind, const wchar_t* text) {
    switch (kind) {
    case kEntryMeaning: return m_meanings.Erase(text);
    case kEntrySynonym: return m_synonyms.Erase(text);
    case kEntryAntonym: return m_antonyms.Erase(text);
    case kEntryAcronym: return m_acronyms.Erase(text);
    default: ReportAssertion(0, kSourceFile, __LINE__); return false;
    }
}

bool CDictionaryDataItem::RenameRecord(int kind, const wchar_t* oldText, const wchar_t* newText) {
    switch (kind) {
    case kEntryMeaning: return m_meanings.Rename(oldText, newText);
    case kEntrySynonym: return m_synonyms.Rename(oldText, newText);
    case kEntryAntonym: return m_antonyms.Rename(oldText, newText);
    case kEntryAcronym: return m_acronyms.Rename(oldText, newText);
    default: ReportAssertion(0, kSourceFile, __LINE__); return false;
    }
}

void CDictionaryDataItem::ClearRecords() {
    m_meanings.Clear();
    m_synonyms.Clear();
    m_antonyms.Clear();
    m_acronyms.Clear();
}
