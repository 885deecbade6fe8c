#include "Quenzel/Tutor/Model/ListEditModel.h"

#include <algorithm>

#include "DataBase/AbstractDataBase.h"
#include "Quenzel/Model/QuenzelString.h"
#include "Quenzel/Model/StorageCall.h"
#include "Quenzel/Tutor/Model/WordUse.h"
#include "compat/WinUser.h"
#include "utility/ErrorReport.h"
#include "utility/PathName.h"
#include "utility/StringTableRegistration.h"

namespace {

const char kSourceFile[] = ".\\EditListDlg";
constexpr int kReportEvery = 100;
constexpr UINT kWordPlaceholder = 30111;
constexpr UINT kMeaningPlaceholder = 30112;

// The list editor's texts; the tutor page and the editor's window show
// some of them too.
const StringTableEntry kStrings[] = {
    {kWordPlaceholder, L"Enter your word..."},
    {kMeaningPlaceholder, L"Your word means..."},
    {31030, L"Failed to import vocabulary list from following file.\n%s"},
    {31031, L"Successfully imported the vocabulary list from following file.\n%s"},
    {31107, L"(%s) has been updated successfully."},
    {31110, L"Failed to update vocabulary list (%s)."},
    {31132, L"Vocabulary list (%s) has been created successfully."},
    {31136, L"No vocabulary list is available for selected language."},
    {31264, L"Vocabulary list (%s) has been created partially."},
    {31265, L"Vocabulary list from file (%s) has been imported partially."},
    {31266, L"Vocabulary list (%s) has been updated partially."},
    {31350, L"Successfully merged (%d) items to vocabulary list (%s)."},
    {31351, L"Failed to merge (%d) items to vocabulary list (%s)."},
};
const CStringTableRegistration kStringsRegistration(kStrings);

bool Differs(const CGridListCtrl_Data& cell) { return cell.m_text.CompareNoCase(cell.m_secondText.GetString()) != 0; }

bool IsBlank(const CBasicString& text) {
    CBasicString trimmed = text;
    trimmed.TrimLeft();
    trimmed.TrimRight();
    return trimmed.IsEmpty();
}

CBasicString Formatted(UINT id, const wchar_t* text) {
    CBasicString result;
    result.Format(QuenzelString(id).GetString(), text);
    return result;
}

CBasicString Formatted(UINT id, int count, const wchar_t* text) {
    CBasicString result;
    result.Format(QuenzelString(id).GetString(), count, text);
    return result;
}

} // namespace

void CListEditModel::Reset(int mode, const VocabularyListRecord& list) {
    m_mode = mode;
    m_list.Copy(list);
    m_name = list.name;
    m_importPath.Empty();
    m_wordsLanguage = list.fromLanguage;
    m_meaningsLanguage = list.toLanguage;
    m_rows.clear();
    m_listNames.clear();
    m_removedLinks.clear();
    m_added = m_removed = 0;
    m_nameChanged = m_modified = false;
    m_rowChange = LIST_ROW_NONE;
}

void CListEditModel::LoadListNames() {
    m_listNames.clear();
    if (!m_database) return;
    CAbstractRecordSet* set = m_database->QueryVocabularyLists(LIST_QUERY_EDITABLE, nullptr);
    while (set && !set->IsEOF()) {
        VocabularyListRecord list;
        int64_t id = 0;
        set->GetInt64(0, id);
        list.id = id;
        set->GetText(1, list.name);
        set->GetInt(2, list.fromLanguage);
        set->GetInt(3, list.toLanguage);
        set->GetInt(4, list.wordCount);
        set->GetInt(5, list.editable);
        set->GetText(6, list.secondText);
        m_listNames.push_back(list);
        set->MoveNext();
    }
    m_database->ReleaseRecordSet(set);
}

void CListEditModel::ChooseList(size_t index) {
    if (index >= m_listNames.size()) return;
    m_list.Copy(m_listNames[index]);
    m_name = m_list.name;
    m_nameChanged = false;
    m_wordsLanguage = m_list.fromLanguage;
    m_meaningsLanguage = m_list.toLanguage;
}

bool CListEditModel::SetName(const CBasicString& name) {
    m_name = name;
    m_name.TrimLeft();
    m_name.TrimRight();
    m_nameChanged = m_name.CompareNoCase(m_list.name.GetString()) != 0;
    return m_nameChanged;
}

size_t CListEditModel::AddRow() {
    GridRow row;
    row.word.m_text = QuenzelString(kWordPlaceholder);
    row.meaning.m_text = QuenzelString(kMeaningPlaceholder);
    row.SetStatusB();
    m_rows.push_back(row);
    m_modified = true;
    return m_rows.size() - 1;
}

bool CListEditModel::IsPlaceholder(const GridRow& row) {
    if (row.word.m_value != 0 || row.meaning.m_value != 0) return false;
    return row.word.m_text.Compare(QuenzelString(kWordPlaceholder).GetString()) == 0 ||
           row.meaning.m_text.Compare(QuenzelString(kMeaningPlaceholder).GetString()) == 0;
}

void CListEditModel::RemoveRows(std::vector<size_t> indices) {
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    for (auto it = indices.rbegin(); it != indices.rend(); ++it) {
        if (*it >= m_rows.size()) continue;
        const GridRow& row = m_rows[*it];
        if (m_mode != LIST_EDIT_IMPORT && row.linkId > 0) {
            m_removedLinks.push_back(row.linkId);
            ++m_removed;
            m_modified = true;
        }
        m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(*it));
    }
}

int CListEditModel::Load(const ListFileProgress& progress) {
    m_rows.clear();
    if (!m_database) return 0;
    CQueryOptions options;
    options.AllWords = 1;
    options.ListIds.push_back(m_list.id);
    CAbstractRecordSet* set = m_database->QueryWords(options);
    // The cells follow the language boxes: swapped when the list stands the
    // other way round.
    const bool swap = m_list.fromLanguage == m_meaningsLanguage && m_list.toLanguage == m_wordsLanguage &&
                      m_list.fromLanguage != m_list.toLanguage;
    int count = 0;
    bool stopped = false;
    while (set && !set->IsEOF()) {
        if (!progress.IsRunning()) {
            stopped = true;
            break;
        }
        WordRecord word;
        if (m_database->ReadWord(set, word) == 0) {
            GridRow row;
            row.linkId = word.linkId;
            CGridListCtrl_Data& left = swap ? row.meaning : row.word;
            CGridListCtrl_Data& right = swap ? row.word : row.meaning;
            left.m_value = static_cast<ULONGLONG>(word.wordId);
            left.m_text = left.m_secondText = word.wordText;
            right.m_value = static_cast<ULONGLONG>(word.meaningId);
            right.m_text = right.m_secondText = word.meaningText;
            if (swap) row.SetSwapped();
            row.statusCount = word.statusCount;
            row.dateText = word.dateText;
            if (word.statusCount > 0) row.SetStatusA();
            else row.SetStatusB();
            row.typeId = word.typeId;
            m_rows.push_back(row);
            if (++count % kReportEvery == 0) progress.Report(count);
        }
        set->MoveNext();
    }
    m_database->ReleaseRecordSet(set);
    progress.Report(count);
    return stopped ? 0 : 1;
}

int CListEditModel::Import(const ListFileProgress& progress, const ListFileImporter& read) {
    SetName(GetFileTitleFromPath(m_importPath.GetString()));
    const size_t before = m_rows.size();
    const int result = read(m_database, m_importPath.GetString(), m_importKind, progress, m_rows, &m_importLongLine);
    m_importedCount = static_cast<int>(m_rows.size() - before);
    // A file that gave no pair leaves nothing to save.
    if (m_importedCount > 0) m_modified = true;
    return result;
}

bool CListEditModel::BuildRecords(const GridRow& row, RowRecords& records) const {
    const bool straight = m_wordsLanguage == m_list.fromLanguage && m_meaningsLanguage == m_list.toLanguage;
    const bool opposite = m_wordsLanguage == m_list.toLanguage && m_meaningsLanguage == m_list.fromLanguage;
    const bool wordIsLeft = m_mode == LIST_EDIT_CREATE || straight || !(m_mode == LIST_EDIT_IMPORT || opposite);
    const CGridListCtrl_Data& word = wordIsLeft ? row.word : row.meaning;
    const CGridListCtrl_Data& meaning = wordIsLeft ? row.meaning : row.word;
    records.word = WordKeyRecord{};
    records.meaning = MeaningRecord{};
    records.word.id = static_cast<int64_t>(word.m_value);
    records.word.text = word.m_text;
    records.meaning.id = static_cast<int64_t>(meaning.m_value);
    records.meaning.text = meaning.m_text;
    records.meaning.wordId = records.word.id;
    records.meaning.type = row.typeId;
    if (m_mode == LIST_EDIT_CREATE || straight) {
        records.word.language = m_list.fromLanguage;
        records.meaning.language = m_list.toLanguage;
    } else if (wordIsLeft) {
        records.word.language = m_wordsLanguage;
        records.meaning.language = m_meaningsLanguage;
    } else {
        records.word.language = m_meaningsLanguage;
        records.meaning.language = m_wordsLanguage;
    }
    return wordIsLeft;
}

WordLinkRecord CListEditModel::MakeLink(const GridRow& row, const CBasicString& today) const {
    WordLinkRecord link;
    link.linkId = row.linkId;
    link.listId = m_list.id;
    link.statusCount = row.statusCount;
    link.enteredDate = today;
    link.statusDate = today;
    return link;
}

bool CListEditModel::SaveStoredRow(GridRow& row, const CBasicString& today) {
    RowRecords records;
    const bool wordIsLeft = BuildRecords(row, records);
    CGridListCtrl_Data& wordCell = wordIsLeft ? row.word : row.meaning;
    CGridListCtrl_Data& meaningCell = wordIsLeft ? row.meaning : row.word;
    const bool wordChanged = Differs(wordCell);
    const bool meaningChanged = Differs(meaningCell);
    if (!wordChanged && !meaningChanged && !row.statusChanged) return true;

    auto storeLink = [&]() {
        WordLinkRecord link = MakeLink(row, today);
        link.wordId = records.word.id;
        link.meaningId = records.meaning.id;
        return Store([&] { return m_database->SaveWordLink(link, 0); });
    };
    if (wordChanged) {
        int textHits = 0, idUses = 0;
        LookupWordUse(m_database, records.word, textHits, idUses);
        if (textHits != 0 || idUses != 1) {
            // The word is used elsewhere, or the new text is a word already:
            // the entry moves to a word of its own.
            int64_t next = 0;
            Store([&] { return m_database->GetNextId(NEXT_ID_WORD, next); });
            records.word.id = next;
            if (Store([&] { return m_database->AddWord(records.word); }) != 0) {
                ReportAssertion(0, kSourceFile, 2210);
                return false;
            }
            records.meaning.wordId = records.word.id;
            if (Store([&] { return m_database->UpdateMeaning(records.meaning); }) != 0) return false;
            if (storeLink() != 0) return false;
            wordCell.m_value = static_cast<ULONGLONG>(records.word.id);
        } else if (Store([&] { return m_database->UpdateWord(records.word); }) != 0) {
            return false;
        }
        wordCell.m_secondText = wordCell.m_text;
    }
    if (meaningChanged) {
        if (Store([&] { return m_database->UpdateMeaning(records.meaning); }) != 0) return false;
        meaningCell.m_secondText = meaningCell.m_text;
    }
    if (row.statusChanged) {
        if (storeLink() != 0) {
            ReportAssertion(0, kSourceFile, 2260);
            return false;
        }
        row.statusChanged = 0;
    }
    return true;
}

bool CListEditModel::SaveNewRow(GridRow& row, int64_t& nextWord, int64_t& nextMeaning, const CBasicString& today) {
    RowRecords records;
    const bool wordIsLeft = BuildRecords(row, records);
    records.word.id = nextWord > 0 ? nextWord : 0;
    records.meaning.id = nextMeaning > 0 ? nextMeaning : 0;
    if (Store([&] { return m_database->AddMeaning(records.word, records.meaning, 0); }) != 0) return false;
    // A reserved id that came back is used up; a word or meaning that was
    // stored already leaves it for the next row.
    if (nextWord > 0 && records.word.id == nextWord) ++nextWord;
    if (nextMeaning > 0 && records.meaning.id == nextMeaning) ++nextMeaning;
    CGridListCtrl_Data& wordCell = wordIsLeft ? row.word : row.meaning;
    CGridListCtrl_Data& meaningCell = wordIsLeft ? row.meaning : row.word;
    wordCell.m_value = static_cast<ULONGLONG>(records.word.id);
    meaningCell.m_value = static_cast<ULONGLONG>(records.meaning.id);
    wordCell.m_secondText = wordCell.m_text;
    meaningCell.m_secondText = meaningCell.m_text;

    WordLinkRecord link = MakeLink(row, today);
    link.wordId = records.word.id;
    link.meaningId = records.meaning.id;
    const int found = Store([&] { return m_database->UpdateListEntry(link, kListEntryLookUp); });
    if (found == DATABASE_NO_ROW) {
        if (Store([&] { return m_database->AddListEntry(link, 0); }) != 0) return false;
        ++m_added;
    } else if (found != 0) {
        return false;
    }
    row.linkId = link.linkId;
    row.statusChanged = 0;
    return true;
}

int CListEditModel::Store(const std::function<int()>& write) {
    const int result = CallDataBase(write);
    if (IsStorageFailure(result) && m_storageFailure == DATABASE_OK) m_storageFailure = result;
    return result;
}

void CListEditModel::RemoveKeptEntries() {
    if (m_removedLinks.empty()) return;
    if (Store([&] { return m_database->Transaction(TRANSACTION_BEGIN); }) != 0) return;
    for (int64_t link : m_removedLinks) {
        if (m_storageFailure != DATABASE_OK) break;
        const int result = Store([&] { return m_database->SetWordStatus(0, link, WORD_STATUS_REMOVE); });
        ReportAssertion(result == 0, kSourceFile, 2120);
    }
    // The entries stay kept for the next save until a commit stored them.
    if (Store([&] { return m_database->Transaction(TRANSACTION_COMMIT); }) == 0 && m_storageFailure == DATABASE_OK)
        m_removedLinks.clear();
}

CListEditModel::SavedState CListEditModel::TakeState() const {
    return SavedState{m_rows, m_list, m_mode, m_removedLinks, m_added, m_removed, m_nameChanged, m_modified};
}

void CListEditModel::RestoreState(SavedState&& state) {
    m_rows = std::move(state.rows);
    m_list = state.list;
    m_mode = state.mode;
    m_removedLinks = std::move(state.removedLinks);
    m_added = state.added;
    m_removed = state.removed;
    m_nameChanged = state.nameChanged;
    m_modified = state.modified;
}

void CListEditModel::SetStorageFailureText(WorkerResult& end) {
    end.flags = MB_ICONERROR;
    end.text = StorageFailureText();
}

const VocabularyListRecord* CListEditModel::FindListByName(const CBasicString& name) const {
    for (const VocabularyListRecord& list : m_listNames)
        if (list.name.CompareNoCase(name.GetString()) == 0) return &list;
    return nullptr;
}

void CListEditModel::SetEndText(WorkerResult& end, bool merged, bool ok, bool cancelled) const {
    const wchar_t* name = m_list.name.GetString();
    const wchar_t* path = m_importPath.GetString();
    const int net = std::max(0, m_added - m_removed);
    if (cancelled) {
        end.flags = MB_ICONINFORMATION;
        end.text = m_mode == LIST_EDIT_IMPORT ? Formatted(31265, path)
                   : m_mode == LIST_EDIT_EDIT ? Formatted(31266, name)
                                              : Formatted(31264, name);
        return;
    }
    end.flags = ok ? MB_ICONINFORMATION : MB_ICONERROR;
    if (m_mode == LIST_EDIT_EDIT) end.text = Formatted(ok ? 31107 : 31110, name);
    else if (merged) end.text = Formatted(ok ? 31350 : 31351, net, name);
    else if (ok) end.text = m_mode == LIST_EDIT_CREATE ? Formatted(31132, name) : Formatted(31031, path);
    else end.text = Formatted(31030, m_mode == LIST_EDIT_IMPORT ? path : name);
}

int CListEditModel::Save(const ListFileProgress& progress, const CBasicString& today, WorkerResult& end) {
    end = WorkerResult{};
    m_rowChange = LIST_ROW_NONE;
    m_storageFailure = DATABASE_OK;
    if (!m_database) return 0;
    // What the editor holds before the save comes back when the file took
    // nothing of it, so that the rows can be saved again.
    SavedState before = TakeState();
    auto notStored = [&]() {
        RestoreState(std::move(before));
        m_modified = true;
        SetStorageFailureText(end);
        return 0;
    };
    RemoveKeptEntries();
    if (m_storageFailure != DATABASE_OK) return notStored();

    bool merged = m_mode == LIST_EDIT_EDIT;
    if (!merged) {
        if (const VocabularyListRecord* same = FindListByName(m_name)) {
            // Only a list of the same pair takes the rows.
            const bool samePair = (same->fromLanguage == m_wordsLanguage && same->toLanguage == m_meaningsLanguage) ||
                                  (same->fromLanguage == m_meaningsLanguage && same->toLanguage == m_wordsLanguage);
            if (!samePair) {
                end.flags = MB_ICONINFORMATION;
                end.text = QuenzelString(31136);
                return 0;
            }
            m_list.Copy(*same);
            merged = true;
        }
    }
    m_list.name = m_name;
    if (Store([&] { return m_database->Transaction(TRANSACTION_BEGIN); }) != 0) return notStored();
    if (!merged) {
        m_list.id = 0;
        m_list.fromLanguage = m_wordsLanguage;
        m_list.toLanguage = m_meaningsLanguage;
        m_list.wordCount = 0;
        m_list.editable = 1;
        int64_t id = 0;
        try {
            id = m_database->CreateVocabularyList(m_list);
        } catch (DATABASE_RESULT code) {
            id = 0;
            m_storageFailure = code == DATABASE_OK ? DATABASE_FAILED : code;
        }
        if (id <= 0) {
            ReportAssertion(0, kSourceFile, 2180);
            Store([&] { return m_database->Transaction(TRANSACTION_COMMIT); });
            if (m_storageFailure != DATABASE_OK) return notStored();
            SetEndText(end, false, false, false);
            return 0;
        }
        m_list.id = id;
    }

    int64_t nextWord = 0, nextMeaning = 0;
    CallDataBase([&] { return m_database->GetNextId(NEXT_ID_WORD, nextWord); });
    CallDataBase([&] { return m_database->GetNextId(NEXT_ID_MEANING, nextMeaning); });
    ReportAssertion(nextWord != 0 && nextMeaning != 0, kSourceFile, 2195);

    bool ok = true, cancelled = false;
    int handled = 0;
    for (GridRow& row : m_rows) {
        // The file takes no more: the rows after would fail the same way.
        if (m_storageFailure != DATABASE_OK) break;
        if (!progress.IsRunning()) {
            cancelled = true;
            break;
        }
        if (row.word.m_value > 0 || row.meaning.m_value > 0) {
            if (!SaveStoredRow(row, today)) ok = false;
        } else if (!IsPlaceholder(row) && !IsBlank(row.word.m_text) && !IsBlank(row.meaning.m_text)) {
            if (!SaveNewRow(row, nextWord, nextMeaning, today)) ok = false;
        }
        if (++handled % kReportEvery == 0) progress.Report(handled);
    }
    progress.Report(handled);

    m_list.wordCount = std::max(0, m_list.wordCount + m_added - m_removed);
    if (m_storageFailure == DATABASE_OK && Store([&] { return m_database->UpdateVocabularyList(m_list); }) != 0) {
        ReportAssertion(0, kSourceFile, 2290);
        ok = false;
    }
    // A commit that fails stores nothing of the save.
    if (CallDataBase([&] { return m_database->Transaction(TRANSACTION_COMMIT); }) != 0) {
        if (m_storageFailure == DATABASE_OK) m_storageFailure = DATABASE_STORAGE_FAILED;
        return notStored();
    }

    SetEndText(end, merged, ok, cancelled);
    m_rowChange = merged ? LIST_ROW_UPDATE : LIST_ROW_ADD;
    if (m_mode == LIST_EDIT_CREATE) m_mode = LIST_EDIT_EDIT;
    m_added = m_removed = 0;
    m_nameChanged = false;
    if (m_storageFailure != DATABASE_OK) {
        // The rows before the failure are stored (they hold their ids now);
        // the others are still to be saved.
        SetStorageFailureText(end);
        m_modified = true;
        return 0;
    }
    m_modified = false;
    return ok && !cancelled ? 1 : 0;
}
