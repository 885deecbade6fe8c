#include "Quenzel/Dictionary/Model/WordEditorModel.h"

#include "utility/ErrorReport.h"
#include "utility/UnicodeCase.h"

namespace {

const char kSourceFile[] = ".\\EditDictionaryDlg";

// Reads a 64-bit column; a failed read fails a check and gives 0.
int64_t ReadId(CAbstractRecordSet& set, int column) {
    int64_t value = 0;
    if (set.GetInt64(column, value) != DATABASE_OK) {
        ReportAssertion(0, kSourceFile, __LINE__);
        return 0;
    }
    return value;
}

int ReadInt(CAbstractRecordSet& set, int column) {
    int value = 0;
    if (set.GetInt(column, value) != DATABASE_OK) {
        ReportAssertion(0, kSourceFile, __LINE__);
        return 0;
    }
    return value;
}

CBasicString ReadText(CAbstractRecordSet& set, int column) {
    CBasicString text;
    set.GetText(column, text);
    return text;
}

// A delete of a row that is gone already changes nothing and is no failure.
bool IsFailure(int result) { return result != DATABASE_OK; }
bool IsDeleteFailure(int result) { return result != DATABASE_OK && result != DATABASE_NO_ROW; }

} // namespace

int CWordEditorModel::LoadWord(int64_t wordId, const CBasicString& wordText, int firstLanguage) {
    m_entries.Clear();
    m_wordSounds.clear();
    m_loadedWordId = wordId;
    m_loadedWordText = wordText;
    m_loadedLanguage = firstLanguage;
    if (!m_database || wordId <= 0) return 0;

    WordKeyRecord key;
    key.id = wordId;
    key.text = wordText;
    key.language = firstLanguage;
    int lastType = 0;

    if (CAbstractRecordSet* set = m_database->QueryMeanings(key, kQueryAllOfWord)) {
        for (; !set->IsEOF(); set->MoveNext()) {
            MeaningRecord meaning;
            meaning.id = ReadId(*set, 0);
            meaning.text = ReadText(*set, 1);
            meaning.wordId = ReadId(*set, 2);
            meaning.language = ReadInt(*set, 3);
            meaning.type = ReadInt(*set, 4);
            lastType = meaning.type;
            m_entries.AddMeaning(meaning);
        }
        m_database->ReleaseRecordSet(set);
    }

    // Relations are read against the word's text: without it there is
    // nothing to tell the word from its relations.
    auto readRelations = [&](CAbstractRecordSet* set, bool synonyms) {
        if (!set) return;
        for (; !set->IsEOF(); set->MoveNext()) {
            RelationRecord relation;
            relation.id = ReadId(*set, 0);
            relation.word = key;
            relation.word.id = ReadId(*set, 1);
            relation.related.id = ReadId(*set, 2);
            relation.related.text = ReadText(*set, 3);
            relation.related.language = ReadInt(*set, 4);
            if (CompareTextNoCase(relation.related.text.GetString(), wordText.GetString()) == 0) continue;
            if (synonyms)
                m_entries.AddSynonym(relation);
            else
                m_entries.AddAntonym(relation);
        }
        m_database->ReleaseRecordSet(set);
    };
    if (wordText.IsEmpty())
        ReportAssertion(0, kSourceFile, __LINE__);
    else
        readRelations(m_database->QuerySynonyms(key, kQueryAllOfWord), true);

    if (CAbstractRecordSet* set = m_database->QueryAcronyms(key, kQueryAllOfWord)) {
        for (; !set->IsEOF(); set->MoveNext()) {
            AcronymRecord acronym;
            acronym.id = ReadId(*set, 0);
            acronym.text = ReadText(*set, 1);
            acronym.secondText = ReadText(*set, 2);
            acronym.word = key;
            m_entries.AddAcronym(acronym);
        }
        m_database->ReleaseRecordSet(set);
    }

    if (wordText.IsEmpty())
        ReportAssertion(0, kSourceFile, __LINE__);
    else
        readRelations(m_database->QueryAntonyms(key, kQueryAllOfWord), false);
    return lastType;
}

int CWordEditorModel::AddEntry(int kind, const CBasicString& text, int secondLanguage, int typeId) {
    if (text.IsEmpty()) return -1;
    int index = -1;
    switch (kind) {
    case kEntryMeaning: {
        MeaningRecord meaning;
        meaning.text = text;
        meaning.language = secondLanguage;
        meaning.type = typeId;
        index = m_entries.AddMeaning(meaning);
        break;
    }
    case kEntrySynonym:
    case kEntryAntonym: {
        RelationRecord relation;
        relation.related.text = text;
        relation.related.language = secondLanguage;
        index = kind == kEntrySynonym ? m_entries.AddSynonym(relation) : m_entries.AddAntonym(relation);
        break;
    }
    case kEntryAcronym: {
        AcronymRecord acronym;
        SetEntryText(acronym, text);
        index = m_entries.AddAcronym(acronym);
        break;
    }
    default: ReportAssertion(0, kSourceFile, __LINE__); return -1;
    }
    // Only an entry that was really added is new; a refused duplicate
    // leaves every other entry as it was.
    if (index >= 0) m_entries.SetItemFlags(ENTRY_FLAG_NEW, 1, index);
    return index;
}

bool CWordEditorModel::CanHaveSounds(int index) const {
    const CDictionaryListboxItem* item = m_entries.GetItem(index);
    return item && (item->GetKind() == kEntryMeaning || item->GetKind() == kEntrySynonym ||
                    item->GetKind() == kEntryAntonym);
}

bool CWordEditorModel::SoundOwner(const CDictionaryListboxItem& item, int64_t& ownerId, int& side) const {
    CDictionaryDataItem* owner = item.GetOwner();
    if (!owner) return false;
    const wchar_t* text = item.GetText().GetString();
    switch (item.GetKind()) {
    case kEntryMeaning:
        if (const MeaningRecord* meaning = owner->Meanings().Find(text)) {
            ownerId = meaning->id;
            side = kPronunciationMeaning;
            return true;
        }
        return false;
    case kEntrySynonym:
    case kEntryAntonym: {
        const CEntrySet<RelationRecord>& set =
            item.GetKind() == kEntrySynonym ? owner->Synonyms() : owner->Antonyms();
        if (const RelationRecord* relation = set.Find(text)) {
            ownerId = relation->related.id;
            side = kPronunciationWord;
            return true;
        }
        return false;
    }
    default: return false;
    }
}

std::vector<PronunciationRecord>* CWordEditorModel::EntrySounds(int index) {
    return CanHaveSounds(index) ? &m_entries.GetItem(index)->Sounds() : nullptr;
}

void CWordEditorModel::Reset() {
    m_loadedWordId = 0;
    m_loadedWordText.Empty();
    m_loadedLanguage = 0;
    m_wordSounds.clear();
}

WordSaveResult CWordEditorModel::Save(const CBasicString& wordText, const LanguageRecord& first,
                                      const LanguageRecord& second) {
    WordSaveResult result;
    if (!m_database || !m_database->IsDictionaryOpen()) {
        ReportAssertion(0, kSourceFile, __LINE__);
        return result;
    }
    for (CDictionaryDataItem* dictionary : m_entries.GetDictionaries()) {
        if (first.id <= 0 || second.id <= 0) {
            ReportAssertion(0, kSourceFile, __LINE__);
            continue;
        }
        dictionary->SetFirstLanguage(first.id, first.name);
        dictionary->SetSecondLanguage(second.id, second.name);
        if (wordText.IsEmpty()) {
            ReportAssertion(0, kSourceFile, __LINE__);
            continue;
        }
        int code = DATABASE_OK;
        try {
            code = SaveDictionary(*dictionary, wordText, result);
        } catch (DATABASE_RESULT thrown) {
            code = thrown == DATABASE_OK ? DATABASE_FAILED : thrown;
        }
        if (code != DATABASE_OK) {
            result.outcome = WordSaveResult::kFailed;
            result.code = code;
            return result;
        }
        result.outcome = WordSaveResult::kSaved;
    }
    if (result.outcome == WordSaveResult::kSaved) {
        m_entries.Clear();
        Reset();
    }
    return result;
}

int CWordEditorModel::SaveDictionary(CDictionaryDataItem& dictionary, const CBasicString& wordText,
                                     WordSaveResult& result) {
    WordKeyRecord word;
    word.text = wordText;
    word.language = dictionary.GetFirstLanguage().id;
    int code = SaveWord(word);
    if (code == DATABASE_OK) code = SaveMeanings(dictionary, word, result);
    if (code == DATABASE_OK) code = SaveRelations(dictionary.Synonyms(), kEntrySynonym, word);
    if (code == DATABASE_OK) code = SaveAcronyms(dictionary, word);
    if (code == DATABASE_OK) code = SaveRelations(dictionary.Antonyms(), kEntryAntonym, word);
    if (code == DATABASE_OK) code = SaveSounds(m_wordSounds, word.id, kPronunciationWord);
    if (code == DATABASE_OK) code = SaveEntrySounds(dictionary);
    return code;
}

int CWordEditorModel::SaveWord(WordKeyRecord& word) {
    const bool loaded = m_loadedWordId > 0 && word.language == m_loadedLanguage &&
                        CompareTextNoCase(word.text.GetString(), m_loadedWordText.GetString()) == 0;
    if (loaded) {
        // The word being edited keeps its id; only a change of case is
        // written.
        word.id = m_loadedWordId;
        if (word.text.Compare(m_loadedWordText.GetString()) == 0) return DATABASE_OK;
        const int code = m_database->UpdateWord(word);
        if (code == DATABASE_OK) m_loadedWordText = word.text;
        return code;
    }
    int code = m_database->GetNextId(NEXT_ID_WORD, word.id);
    if (code == DATABASE_OK) code = m_database->AddWord(word);
    if (code == DATABASE_OK) {
        // A second save of the same editing writes to this word.
        m_loadedWordId = word.id;
        m_loadedWordText = word.text;
        m_loadedLanguage = word.language;
    }
    return code;
}

int CWordEditorModel::SaveMeanings(CDictionaryDataItem& dictionary, WordKeyRecord& word, WordSaveResult& result) {
    for (auto& [text, meaning] : dictionary.Meanings().Records()) {
        CDictionaryListboxItem* item = m_entries.FindItem(kEntryMeaning, text.GetString());
        if (!item) {
            ReportAssertion(0, kSourceFile, __LINE__);
            continue;
        }
        if (item->HasFlag(ENTRY_FLAG_NEW)) {
            // The record takes the ids only once it is stored: a record with
            // an id counts as stored when it is removed.
            MeaningRecord stored = meaning;
            int code = m_database->GetNextId(NEXT_ID_MEANING, stored.id);
            if (code == DATABASE_OK) code = m_database->AddMeaning(word, stored, 1);
            if (IsFailure(code)) return code;
            meaning = stored;
        } else if (item->HasFlag(ENTRY_FLAG_CHANGED)) {
            if (meaning.wordId <= 0) meaning.wordId = word.id;
            const int code = m_database->UpdateMeaning(meaning);
            if (IsFailure(code)) return code;
        }
        item->SetFlags(item->GetFlags() & ~(ENTRY_FLAG_NEW | ENTRY_FLAG_CHANGED));
    }
    std::vector<int64_t> removed;
    m_entries.GetRemovedIds(kEntryMeaning, removed);
    for (int64_t id : removed) {
        const int code = m_database->DeleteMeaning(id);
        if (code == DATABASE_IN_USE)
            ++result.keptMeanings;
        else if (IsDeleteFailure(code))
            return code;
        m_entries.ForgetRemovedId(kEntryMeaning, id);
    }
    return DATABASE_OK;
}

int CWordEditorModel::SaveRelations(CEntrySet<RelationRecord>& set, int kind, WordKeyRecord& word) {
    const bool synonyms = kind == kEntrySynonym;
    for (auto& [text, relation] : set.Records()) {
        CDictionaryListboxItem* item = m_entries.FindItem(kind, text.GetString());
        if (!item) {
            ReportAssertion(0, kSourceFile, __LINE__);
            continue;
        }
        if (item->HasFlag(ENTRY_FLAG_NEW)) {
            RelationRecord stored = relation;
            int code = m_database->GetNextId(NEXT_ID_WORD, stored.related.id);
            if (code == DATABASE_OK) code = m_database->AddWord(stored.related);
            stored.word = word;
            if (code == DATABASE_OK)
                code = synonyms ? m_database->AddSynonym(stored, 0) : m_database->AddAntonym(stored, 0);
            if (IsFailure(code)) return code;
            relation = stored;
        } else if (item->HasFlag(ENTRY_FLAG_CHANGED)) {
            if (relation.word.id <= 0) relation.word = word;
            const int code = synonyms ? m_database->UpdateSynonym(relation) : m_database->UpdateAntonym(relation);
            if (IsFailure(code)) return code;
        }
        item->SetFlags(item->GetFlags() & ~(ENTRY_FLAG_NEW | ENTRY_FLAG_CHANGED));
    }
    return DeleteRemoved(kind);
}

int CWordEditorModel::SaveAcronyms(CDictionaryDataItem& dictionary, WordKeyRecord& word) {
    for (auto& [text, acronym] : dictionary.Acronyms().Records()) {
        CDictionaryListboxItem* item = m_entries.FindItem(kEntryAcronym, text.GetString());
        if (!item) {
            ReportAssertion(0, kSourceFile, __LINE__);
            continue;
        }
        if (item->HasFlag(ENTRY_FLAG_NEW)) {
            AcronymRecord stored = acronym;
            stored.word = word;
            const int code = m_database->AddAcronym(stored, 0);
            if (IsFailure(code)) return code;
            acronym = stored;
        } else if (item->HasFlag(ENTRY_FLAG_CHANGED)) {
            const int code = m_database->UpdateAcronym(acronym);
            if (IsFailure(code)) return code;
        }
        item->SetFlags(item->GetFlags() & ~(ENTRY_FLAG_NEW | ENTRY_FLAG_CHANGED));
    }
    return DeleteRemoved(kEntryAcronym);
}

int CWordEditorModel::DeleteRemoved(int kind) {
    std::vector<int64_t> removed;
    m_entries.GetRemovedIds(kind, removed);
    for (int64_t id : removed) {
        int code = DATABASE_OK;
        switch (kind) {
        case kEntrySynonym: code = m_database->DeleteSynonym(id); break;
        case kEntryAntonym: code = m_database->DeleteAntonym(id); break;
        case kEntryAcronym: code = m_database->DeleteAcronym(id); break;
        default: ReportAssertion(0, kSourceFile, __LINE__); break;
        }
        if (IsDeleteFailure(code)) return code;
        m_entries.ForgetRemovedId(kind, id);
    }
    return DATABASE_OK;
}

int CWordEditorModel::SaveSounds(std::vector<PronunciationRecord>& sounds, int64_t ownerId, int side) {
    for (auto it = sounds.begin(); it != sounds.end();) {
        if (it->removed) {
            if (it->id > 0) {
                const int code = m_database->DeletePronunciation(it->id);
                if (IsDeleteFailure(code)) return code;
            }
            it = sounds.erase(it);
            continue;
        }
        if (it->isNew) {
            it->ownerId = ownerId;
            it->side = side;
            const int code = m_database->SavePronunciation(*it, it->sourcePath.GetString());
            if (IsFailure(code)) return code;
            it->isNew = 0;
        }
        ++it;
    }
    return DATABASE_OK;
}

int CWordEditorModel::SaveEntrySounds(CDictionaryDataItem& dictionary) {
    for (int index = 0; index < m_entries.GetCount(); ++index) {
        CDictionaryListboxItem* item = m_entries.GetItem(index);
        if (item->GetOwner() != &dictionary || item->Sounds().empty()) continue;
        int64_t ownerId = 0;
        int side = 0;
        if (!SoundOwner(*item, ownerId, side) || ownerId <= 0) {
            ReportAssertion(0, kSourceFile, __LINE__);
            continue;
        }
        const int code = SaveSounds(item->Sounds(), ownerId, side);
        if (code != DATABASE_OK) return code;
    }
    return DATABASE_OK;
}
