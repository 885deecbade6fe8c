#include "Quenzel/Dictionary/Model/DictionaryEntryList.h"

#include <algorithm>

#include "utility/ErrorReport.h"
#include "utility/UnicodeCase.h"

namespace {

const char kSourceFile[] = ".\\DictionaryListBox";
constexpr COLORREF kRemovedColor = 0x0000FF;  // red
constexpr COLORREF kChangedColor = 0xFF0000;  // blue

} // namespace

CDictionaryEntryList::~CDictionaryEntryList() { DeleteAll(); }

int CDictionaryEntryList::AddDictionary(CDictionaryDataItem* dictionary) {
    if (!dictionary) {
        ReportAssertion(0, kSourceFile, __LINE__);
        return -1;
    }
    m_dictionaries.push_back(dictionary);
    const int first = GetCount();
    for (const auto& [text, record] : dictionary->Meanings().Records()) AddEntry(text, kEntryMeaning, dictionary);
    for (const auto& [text, record] : dictionary->Synonyms().Records()) AddEntry(text, kEntrySynonym, dictionary);
    for (const auto& [text, record] : dictionary->Antonyms().Records()) AddEntry(text, kEntryAntonym, dictionary);
    for (const auto& [text, record] : dictionary->Acronyms().Records()) AddEntry(text, kEntryAcronym, dictionary);
    return first;
}

CDictionaryDataItem* CDictionaryEntryList::GetLastDictionary() const {
    return m_dictionaries.empty() ? nullptr : m_dictionaries.back();
}

CDictionaryDataItem* CDictionaryEntryList::TargetDictionary() const {
    CDictionaryDataItem* dictionary = GetLastDictionary();
    ReportAssertion(dictionary != nullptr, kSourceFile, __LINE__);
    return dictionary;
}

int CDictionaryEntryList::AddMeaning(const MeaningRecord& record) {
    CDictionaryDataItem* dictionary = TargetDictionary();
    if (!dictionary || !dictionary->Meanings().Insert(record)) return -1;
    return AddEntry(EntryText(record), kEntryMeaning, dictionary);
}

int CDictionaryEntryList::AddSynonym(const RelationRecord& record) {
    CDictionaryDataItem* dictionary = TargetDictionary();
    if (!dictionary || !dictionary->Synonyms().Insert(record)) return -1;
    return AddEntry(EntryText(record), kEntrySynonym, dictionary);
}

int CDictionaryEntryList::AddAntonym(const RelationRecord& record) {
    CDictionaryDataItem* dictionary = TargetDictionary();
    if (!dictionary || !dictionary->Antonyms().Insert(record)) return -1;
    return AddEntry(EntryText(record), kEntryAntonym, dictionary);
}

int CDictionaryEntryList::AddAcronym(const AcronymRecord& record) {
    CDictionaryDataItem* dictionary = TargetDictionary();
    if (!dictionary || !dictionary->Acronyms().Insert(record)) return -1;
    return AddEntry(EntryText(record), kEntryAcronym, dictionary);
}

int CDictionaryEntryList::AddEntry(const CBasicString& text, int kind, CDictionaryDataItem* owner) {
    auto* item = new CDictionaryListboxItem(text, kind, owner);
    item->SetSoundIndex(++m_lastSoundIndex);
    m_items.push_back(item);
    return GetCount() - 1;
}

CDictionaryListboxItem* CDictionaryEntryList::GetItem(int index) const {
    return index >= 0 && index < GetCount() ? m_items[static_cast<size_t>(index)] : nullptr;
}

CBasicString CDictionaryEntryList::GetItemText(int index) const {
    const CDictionaryListboxItem* item = GetItem(index);
    return item ? item->GetText() : CBasicString();
}

COLORREF CDictionaryEntryList::GetItemTextColor(int index, COLORREF plain) const {
    const CDictionaryListboxItem* item = GetItem(index);
    if (item && item->HasFlag(ENTRY_FLAG_REMOVED)) return kRemovedColor;
    if (item && item->HasFlag(ENTRY_FLAG_CHANGED)) return kChangedColor;
    return plain;
}

CDictionaryListboxItem* CDictionaryEntryList::FindItem(int kind, const wchar_t* text) const {
    for (CDictionaryListboxItem* item : m_items)
        if (item->GetKind() == kind && CompareTextNoCase(item->GetText().GetString(), text) == 0) return item;
    return nullptr;
}

int CDictionaryEntryList::IndexOf(const CDictionaryListboxItem* item) const {
    auto found = std::find(m_items.begin(), m_items.end(), item);
    return found == m_items.end() ? -1 : static_cast<int>(found - m_items.begin());
}

int CDictionaryEntryList::SetItemFlags(DWORD mask, int on, int index) {
    CDictionaryListboxItem* item = GetItem(index);
    if (!item) return 0;
    item->SetFlags((item->GetFlags() & ~mask) | (on ? mask : 0));
    return 1;
}

void CDictionaryEntryList::GetRemovedIds(int kind, std::vector<int64_t>& ids) const {
    ids.clear();
    auto range = m_removedIds.equal_range(kind);
    for (auto it = range.first; it != range.second; ++it) ids.push_back(it->second);
}

void CDictionaryEntryList::ForgetRemovedId(int kind, int64_t id) {
    auto range = m_removedIds.equal_range(kind);
    for (auto it = range.first; it != range.second; ++it) {
        if (it->second == id) {
            m_removedIds.erase(it);
            return;
        }
    }
}

int CDictionaryEntryList::MarkRemoved(const std::vector<int>& indexes) {
    int marked = 0;
    for (int index : indexes) {
        CDictionaryListboxItem* item = GetItem(index);
        if (!item) continue;
        item->SetFlags((item->GetFlags() & ~(ENTRY_FLAG_NEW | ENTRY_FLAG_CHANGED)) | ENTRY_FLAG_REMOVED);
        ++marked;
    }
    return marked;
}

std::vector<int> CDictionaryEntryList::RemoveMarked(bool recordIds) {
    std::vector<int> removed;
    for (int index = GetCount() - 1; index >= 0; --index) {
        CDictionaryListboxItem* item = m_items[static_cast<size_t>(index)];
        CDictionaryDataItem* owner = item->GetOwner();
        if (!owner) {
            ReportAssertion(0, kSourceFile, __LINE__);
            continue;
        }
        if (!item->HasFlag(ENTRY_FLAG_REMOVED)) continue;
        if (recordIds) {
            if (!IsEntryKind(item->GetKind())) {
                ReportAssertion(0, kSourceFile, __LINE__);
            } else {
                int64_t id = 0;
                if (owner->FindRecordId(item->GetKind(), item->GetText().GetString(), id)) {
                    if (id > 0) m_removedIds.emplace(item->GetKind(), id);
                    owner->EraseRecord(item->GetKind(), item->GetText().GetString());
                }
            }
        }
        m_items.erase(m_items.begin() + index);
        delete item;
        removed.push_back(index);
    }
    return removed;
}

std::vector<int> CDictionaryEntryList::Clear() {
    for (CDictionaryListboxItem* item : m_items) item->SetFlags(item->GetFlags() | ENTRY_FLAG_REMOVED);
    std::vector<int> removed = RemoveMarked(true);
    m_removedIds.clear();
    return removed;
}

void CDictionaryEntryList::DeleteAll() {
    for (CDictionaryListboxItem* item : m_items) delete item;
    m_items.clear();
    for (CDictionaryDataItem* dictionary : m_dictionaries) delete dictionary;
    m_dictionaries.clear();
}

void CDictionaryEntryList::MarkEdited(CDictionaryListboxItem& item) {
    DWORD flags = item.GetFlags() & ~ENTRY_FLAG_REMOVED;
    // An entry the database does not have yet stays new, so the save adds it.
    if (!(flags & ENTRY_FLAG_NEW)) flags |= ENTRY_FLAG_CHANGED;
    item.SetFlags(flags);
}

void CDictionaryEntryList::SetMeaningType(const std::vector<int>& indexes, int typeId) {
    for (int index : indexes) {
        CDictionaryListboxItem* item = GetItem(index);
        if (!item) continue;
        switch (item->GetKind()) {
        case kEntryMeaning:
            if (CDictionaryDataItem* owner = item->GetOwner()) {
                if (MeaningRecord* meaning = owner->Meanings().Find(item->GetText().GetString())) {
                    if (meaning->type != typeId) {
                        meaning->type = typeId;
                        MarkEdited(*item);
                    }
                }
            }
            break;
        case kEntrySynonym:
        case kEntryAntonym:
        case kEntryAcronym:
            break;
        default: ReportAssertion(0, kSourceFile, __LINE__); break;
        }
    }
}

int CDictionaryEntryList::RenameItem(int index, const wchar_t* text) {
    CDictionaryListboxItem* item = GetItem(index);
    if (!item || !text || item->GetText().Compare(text) == 0) return 0;
    CDictionaryDataItem* owner = item->GetOwner();
    if (!owner || !IsEntryKind(item->GetKind())) {
        ReportAssertion(0, kSourceFile, __LINE__);
        return 0;
    }
    // The record keeps its old text when another record of the kind has
    // the new one.
    if (!owner->RenameRecord(item->GetKind(), item->GetText().GetString(), text)) return 0;
    item->SetText(text);
    MarkEdited(*item);
    return 1;
}

int CDictionaryEntryList::FindByPrefix(wchar_t ch) const {
    const wchar_t key[2] = {ch, L'\0'};
    for (int index = 0; index < GetCount(); ++index) {
        const CBasicString& text = m_items[static_cast<size_t>(index)]->GetText();
        const size_t length = std::min<size_t>(1, static_cast<size_t>(text.GetLength()));
        if (CompareTextNoCaseN(text.GetString(), key, length) == 0) return index;
    }
    return -1;
}
