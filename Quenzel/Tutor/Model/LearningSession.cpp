#include "Quenzel/Tutor/Model/LearningSession.h"

#include <algorithm>
#include <string>

#include "Pendrel/Core/AbstractProgressStatus.h"
#include "Quenzel/Model/QuenzelString.h"
#include "Quenzel/Model/StorageCall.h"
#include "Quenzel/Tutor/Model/ListFileFormat.h"
#include "Quenzel/Tutor/Model/QuizSession.h"
#include "Quenzel/Tutor/Model/ReplacingFile.h"
#include "compat/WinUser.h"
#include "utility/ErrorReport.h"
#include "utility/TextCodec.h"

namespace {

const char kSourceFile[] = "LearnDlg";
constexpr int kProgressStep = 100;

constexpr UINT IDS_EXPORTED = 31144;
constexpr UINT IDS_EXPORT_FAILED = 31143;
constexpr UINT IDS_EXPORTED_PARTIALLY = 31267;

bool Running(CAbstractProgressStatus* progress) { return !progress || progress->IsRunning(); }

void ReportSecondPair(CAbstractProgressStatus* progress, int64_t current, int64_t total) {
    if (!progress) return;
    ProgressInfo info;
    info.kind = 2;
    info.current2 = static_cast<int32_t>(current);
    info.total2 = static_cast<int32_t>(total);
    progress->SetProgress(&info);
}

// A word counts as known when it was marked on some day and its count is
// above 0; a count without a date (an imported or reset link) does not.
bool CountsAsKnown(const GridRow& row) { return !row.dateText.IsEmpty() && row.statusCount > 0; }

// A row in the known counter now: as its mark of this session says, else as
// loaded.
bool CountedKnown(const GridRow& row) {
    if (row.flags & GRIDROW_KNOWN) return true;
    if (row.flags & GRIDROW_UNKNOWN) return false;
    return CountsAsKnown(row);
}

// The database's word side and meaning side of a row.
CGridListCtrl_Data& WordSide(GridRow& row) { return (row.flags & GRIDROW_SWAPPED) ? row.meaning : row.word; }
CGridListCtrl_Data& MeaningSide(GridRow& row) { return (row.flags & GRIDROW_SWAPPED) ? row.word : row.meaning; }

CBasicString MessageText(UINT id, const CBasicString& path) {
    CBasicString text;
    text.Format(QuenzelString(id).GetString(), path.GetString());
    return text;
}

int FirstColumnInt(CAbstractDataBase* database, const wchar_t* text, int kind) {
    int value = 0;
    CAbstractRecordSet* set = database->Search(text, kind, 0, 0);
    if (set && !set->IsEOF()) set->GetInt(0, value);
    database->ReleaseRecordSet(set);
    return value;
}

} // namespace

LearningSession::LearningSession(CAbstractDataBase* database, CMultilineListRows& rows)
    : m_database(database), m_rows(rows) {}

void LearningSession::Reset(const CBasicString& firstName, const CBasicString& secondName) {
    m_rows.ResetContent();
    if (!m_rows.HasHeadingRow())
        m_rows.AddHeadingRow(firstName.GetString(), secondName.GetString());
    else
        m_rows.SetFirstRowTexts(firstName.GetString(), secondName.GetString());
    m_rows.SetCounters(0, 0, 0);
}

int LearningSession::Load(CAbstractProgressStatus* progress, const CBasicString& caption) {
    m_rows.ResetContent();
    m_rows.SetCounters(0, 0, 0);
    m_rows.SetModified(false);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_removedLinks.clear();
    }
    if (progress) {
        ProgressInfo info;
        info.kind = 1;
        info.text = caption;
        progress->SetProgress(&info);
    }
    if (!m_database) return 0;
    CAbstractRecordSet* set = m_database->QueryWords(m_options);
    if (!set) {
        ReportAssertion(0, kSourceFile, 371);
        return 0;
    }
    const int firstLanguage = m_list.fromLanguage;
    int64_t read = 0;
    int64_t total = 0;
    int64_t known = 0;
    while (!set->IsEOF() && Running(progress)) {
        WordRecord word;
        if (m_database->ReadWord(set, word) == DATABASE_OK) {
            GridRow row;
            const bool swapped = word.languageId != firstLanguage;
            if (swapped) row.SetSwapped();
            row.word.m_value = static_cast<ULONGLONG>(swapped ? word.meaningId : word.wordId);
            row.word.m_text = row.word.m_secondText = swapped ? word.meaningText : word.wordText;
            row.meaning.m_value = static_cast<ULONGLONG>(swapped ? word.wordId : word.meaningId);
            row.meaning.m_text = row.meaning.m_secondText = swapped ? word.wordText : word.meaningText;
            row.linkId = word.linkId;
            row.statusCount = std::clamp(word.statusCount, 0, CMultilineListRows::kMaxStatusCount);
            row.dateText = word.dateText;
            row.typeId = word.typeId;
            m_rows.AddRow(row);
            ++total;
            if (CountsAsKnown(row)) ++known;
            m_rows.SetCounters(total, known, total - known);
        } else {
            ReportAssertion(0, kSourceFile, 388);
        }
        ++read;
        if (read % kProgressStep == 0) ReportSecondPair(progress, read, set->GetCount());
        if (set->MoveNext() != DATABASE_OK) break;
    }
    const bool complete = set->IsEOF() != 0;
    m_database->ReleaseRecordSet(set);
    if (Running(progress)) ReportSecondPair(progress, total, total);
    m_rows.Sort(0, true);
    return complete ? 1 : 0;
}

int LearningSession::Mark(const std::vector<int>& rows, bool known, CAbstractProgressStatus* progress) {
    std::function<bool()> running;
    if (progress) running = [progress] { return progress->IsRunning() != FALSE; };
    const CMultilineListRows::MarkResult result = m_rows.Mark(rows, known, running);
    return result.changed ? result.lastIndex : -1;
}

void LearningSession::Remove(std::vector<int> rows) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    bool collected = false;
    int64_t total = m_rows.GetTotalCount();
    int64_t known = m_rows.GetKnownCount();
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        GridRow row;
        if (!m_rows.CopyRow(*it, row) || (row.flags & GRIDROW_HEADING)) continue;
        if (row.linkId > 0) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_removedLinks.push_back(row.linkId);
            collected = true;
        }
        if (!m_rows.DeleteRow(*it)) continue;
        // The counters follow the words that remain.
        --total;
        if (CountedKnown(row) && known > 0) --known;
    }
    m_rows.SetCounters(total, known, total - known);
    if (collected) m_rows.SetModified(true);
}

int LearningSession::SaveRow(GridRow& row) {
    CGridListCtrl_Data& wordSide = WordSide(row);
    CGridListCtrl_Data& meaningSide = MeaningSide(row);
    const bool swapped = (row.flags & GRIDROW_SWAPPED) != 0;
    const int wordLanguage = swapped ? m_list.toLanguage : m_list.fromLanguage;
    const int meaningLanguage = swapped ? m_list.fromLanguage : m_list.toLanguage;
    const bool meaningChanged = meaningSide.m_text.Compare(meaningSide.m_secondText.GetString()) != 0;
    const bool wordChanged = wordSide.m_text.Compare(wordSide.m_secondText.GetString()) != 0;
    int result = 1;

    MeaningRecord meaning;
    meaning.id = static_cast<int64_t>(meaningSide.m_value);
    meaning.text = meaningSide.m_text;
    meaning.language = meaningLanguage;
    meaning.wordId = static_cast<int64_t>(wordSide.m_value);
    meaning.type = row.typeId;
    if (meaningChanged) {
        if (m_database->UpdateMeaning(meaning) == DATABASE_OK) {
            meaningSide.m_secondText = meaningSide.m_text;
        } else {
            ReportAssertion(0, kSourceFile, 1012);
            result = 0;
        }
    }

    if (wordChanged) {
        WordKeyRecord word;
        word.id = static_cast<int64_t>(wordSide.m_value);
        word.text = wordSide.m_text;
        word.language = wordLanguage;
        CBasicString id;
        id.Format(L"%I64d", word.id);
        const int uses = FirstColumnInt(m_database, id.GetString(), SEARCH_WORD_USES);
        const int exists = FirstColumnInt(m_database, word.text.GetString(), SEARCH_TEXT_EXISTS);
        if (exists != 0 || uses != 1) {
            // The old word stays for its other uses: the row gets a word of
            // its own.
            int64_t next = 0;
            m_database->GetNextId(NEXT_ID_WORD, next);
            word.id = next;
            if (m_database->AddWord(word) != DATABASE_OK) {
                ReportAssertion(0, kSourceFile, 1046);
                return 0;
            }
            meaning.wordId = word.id;
            m_database->UpdateMeaning(meaning);
            WordLinkRecord link;
            link.linkId = row.linkId;
            link.wordId = word.id;
            link.meaningId = meaning.id;
            link.statusCount = row.statusCount;
            link.enteredDate = link.statusDate = TutorTodayText();
            if (m_database->SaveWordLink(link, 0) != DATABASE_OK) {
                ReportAssertion(0, kSourceFile, 1060);
                return 0;
            }
            wordSide.m_value = static_cast<ULONGLONG>(word.id);
            wordSide.m_secondText = wordSide.m_text;
        } else if (m_database->UpdateWord(word) == DATABASE_OK) {
            wordSide.m_secondText = wordSide.m_text;
        } else {
            ReportAssertion(0, kSourceFile, 1068);
            return 0;
        }
    }

    if (row.statusChanged) {
        WordLinkRecord link;
        link.linkId = row.linkId;
        link.enteredDate = link.statusDate = TutorTodayText();
        link.statusCount = row.IsStatusA() ? row.statusCount : 0;
        link.wordId = static_cast<int64_t>(wordSide.m_value);
        link.meaningId = static_cast<int64_t>(meaningSide.m_value);
        if (m_database->SaveWordLink(link, 0) == DATABASE_OK) {
            row.statusChanged = 0;
            row.dateText = link.statusDate;
        } else {
            ReportAssertion(0, kSourceFile, 1090);
            result = 0;
        }
    }
    return result;
}

int LearningSession::Save(CAbstractProgressStatus* progress, bool* removedLinks) {
    if (removedLinks) *removedLinks = false;
    if (!m_database) return 0;
    // The rows are saved as copies, which the rows take only once the
    // transaction is committed: a failed save leaves every mark, edit and
    // removal not stored in the view, still to be saved.
    const std::vector<int64_t> removed = GetRemovedLinks();
    int result = 1;
    int failure = CallDataBase([&] { return m_database->Transaction(TRANSACTION_BEGIN); });
    if (failure != DATABASE_OK) {
        ReportAssertion(0, kSourceFile, 960);
        return kSaveFailed;
    }
    bool removalsDone = true;
    for (int64_t link : removed) {
        const int status = CallDataBase([&] { return m_database->SetWordStatus(0, link, WORD_STATUS_REMOVE); });
        if (IsStorageFailure(status)) {
            failure = status;
            removalsDone = false;
            break;
        }
        if (status != DATABASE_OK) ReportAssertion(0, kSourceFile, 970);
    }
    std::vector<std::pair<int, GridRow>> saved;
    const int count = m_rows.GetRowCount() - 1;
    int index = 1;
    for (; failure == DATABASE_OK && index <= count && Running(progress); ++index) {
        GridRow copy;
        if (!m_rows.CopyRow(index, copy)) {
            ReportAssertion(0, kSourceFile, 1001);
            continue;
        }
        int rowResult = 0;
        failure = CallDataBase([&] {
            rowResult = SaveRow(copy);
            return DATABASE_OK;
        });
        if (failure != DATABASE_OK) break;
        if (rowResult == 0) result = 0;
        saved.emplace_back(index, std::move(copy));
        if (index % kProgressStep == 0) ReportSecondPair(progress, index, count);
    }
    if (index <= count) result = 0;
    // The writes before a failure are committed with the others when the
    // file takes them; only what the commit stored counts as saved.
    const int committed = CallDataBase([&] { return m_database->Transaction(TRANSACTION_COMMIT); });
    if (committed != DATABASE_OK) {
        ReportAssertion(0, kSourceFile, 1105);
        return kSaveFailed;
    }
    if (failure == DATABASE_OK && Running(progress) && count > 0) ReportSecondPair(progress, count, count);
    for (const auto& [row, copy] : saved) {
        m_rows.ChangeRow(row, [&copy](GridRow& target) {
            target.word = copy.word;
            target.meaning = copy.meaning;
            target.statusChanged = copy.statusChanged;
            target.dateText = copy.dateText;
        });
    }
    if (!removed.empty() && removalsDone) {
        std::lock_guard<std::mutex> lock(m_mutex);
        const size_t stored = std::min(removed.size(), m_removedLinks.size());
        m_removedLinks.erase(m_removedLinks.begin(), m_removedLinks.begin() + static_cast<ptrdiff_t>(stored));
        if (removedLinks) *removedLinks = true;
    }
    if (failure != DATABASE_OK) {
        ReportAssertion(0, kSourceFile, 1110);
        return kSaveFailed;
    }
    m_rows.SetModified(false);
    return result;
}

int LearningSession::SeparatorKindForPath(const CBasicString& path) { return GetListFileKind(path.GetString()); }

WorkerResult LearningSession::Export(const CBasicString& path, int separatorKind, CAbstractProgressStatus* progress) {
    WorkerResult failed{MB_ICONERROR, MessageText(IDS_EXPORT_FAILED, path)};
    if (separatorKind != LIST_FILE_TAB && separatorKind != LIST_FILE_COMMA) {
        ReportAssertion(0, kSourceFile, 1148);
        return failed;
    }
    // The words go to a new file of a unique name beside the target, which
    // then replaces it: an earlier longer file leaves nothing behind, a
    // failure leaves the old file as it was, and no file or link of another
    // name is written through.
    CReplacingFile file(path.GetString());
    if (!file.IsOpen()) {
        ReportAssertion(0, kSourceFile, 1160);
        return failed;
    }
    bool cancelled = false;
    const int count = m_rows.GetRowCount();
    for (int index = 0; index < count; ++index) {
        if (!Running(progress)) {
            cancelled = true;
            break;
        }
        GridRow row;
        if (!m_rows.CopyRow(index, row) || (row.word.m_value == 0 && row.meaning.m_value == 0)) continue;
        const std::string bytes =
            FormatListFileLine(row.word.m_text.GetString(), row.meaning.m_text.GetString(), separatorKind);
        if (!file.Write(bytes)) return failed;
    }
    if (!file.Commit()) return failed;
    if (cancelled) return WorkerResult{MB_ICONINFORMATION, MessageText(IDS_EXPORTED_PARTIALLY, path)};
    return WorkerResult{MB_ICONINFORMATION, MessageText(IDS_EXPORTED, path)};
}

std::vector<int64_t> LearningSession::GetRemovedLinks() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_removedLinks;
}
