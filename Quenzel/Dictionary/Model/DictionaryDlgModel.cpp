#include "Quenzel/Dictionary/Model/DictionaryDlgModel.h"

#include "DataBase/AbstractDataBase.h"
#include "Quenzel/Model/StorageCall.h"
#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = ".\\DictionaryDlg";

} // namespace

CDictionaryDlgModel::CDictionaryDlgModel(CAbstractDataBase* dataBase) : m_dataBase(dataBase) {}

CDictionaryDlgModel::~CDictionaryDlgModel() { ReleaseCursor(); }

void CDictionaryDlgModel::SetDataBase(CAbstractDataBase* dataBase) {
    ReleaseCursor();
    m_dataBase = dataBase;
}

bool CDictionaryDlgModel::ReadRow(CAbstractRecordSet* set, Row& row) {
    int64_t wordId = 0, meaningId = 0;
    const bool ok = set->GetInt64(0, wordId) == DATABASE_OK && set->GetInt64(2, meaningId) == DATABASE_OK;
    if (!ok) return false;
    row = Row();
    row.wordId = wordId;
    set->GetText(1, row.word);
    row.meaningId = meaningId;
    set->GetText(3, row.meaning);
    return true;
}

CDictionaryDlgModel::SearchResult CDictionaryDlgModel::QueryWord(const CBasicString& text, int first, int second,
                                                                 const std::atomic<int>& running) const {
    SearchResult result;
    if (text.IsEmpty()) {
        ReportAssertion(0, kSourceFile, 641);
        return result;
    }
    if (!m_dataBase) return result;
    CAbstractRecordSet* set = m_dataBase->SearchInPair({first, second}, text.GetString(), SEARCH_WORD, 0, 0);
    if (!set) return result;
    result.ok = 1;
    while (running.load() && !set->IsEOF()) {
        Row row;
        if (ReadRow(set, row)) {
            if (result.rows.empty()) result.firstId = row.wordId;
            result.rows.push_back(std::move(row));
        } else {
            ReportAssertion(0, kSourceFile, 668);
        }
        set->MoveNext();
    }
    m_dataBase->ReleaseRecordSet(set);
    return result;
}

void CDictionaryDlgModel::OnRowsShown(const std::vector<Row>& rows) {
    if (rows.empty()) return;
    m_currentWord = rows.back().word;
    m_direction = DIRECTION_NONE;
}

int CDictionaryDlgModel::Step(Direction direction, int first, int second, Row& row) {
    if (!m_dataBase) return 0;
    const int kind = direction == DIRECTION_NEXT ? SEARCH_NEXT_WORDS : SEARCH_PREVIOUS_WORDS;
    if (!m_cursor || m_cursor->IsEOF() || m_direction != direction) {
        ReleaseCursor();
        m_cursor = m_dataBase->SearchInPair({first, second}, m_currentWord.GetString(), kind, 0, 0);
        if (!m_cursor || m_cursor->IsEOF()) {
            // Past the last (or first) word: again from the other end.
            ReleaseCursor();
            m_currentWord = L"";
            m_cursor = m_dataBase->SearchInPair({first, second}, L"", kind, 0, 0);
        }
    }
    m_direction = direction;
    if (!m_cursor) {
        ReportAssertion(0, kSourceFile, 812);
        return 0;
    }
    while (!m_cursor->IsEOF()) {
        const bool read = ReadRow(m_cursor, row);
        m_cursor->MoveNext();
        if (read) {
            m_currentWord = row.word;
            return 1;
        }
        ReportAssertion(0, kSourceFile, 829);
    }
    return 0;
}

void CDictionaryDlgModel::ResetSteps() {
    m_direction = DIRECTION_NONE;
    m_currentWord = L"";
    ReleaseCursor();
}

void CDictionaryDlgModel::ReleaseCursor() {
    if (m_cursor && m_dataBase) m_dataBase->ReleaseRecordSet(m_cursor);
    m_cursor = nullptr;
}

int CDictionaryDlgModel::LoadHistory(const std::function<void(const CBasicString&, int64_t)>& add) const {
    if (!m_dataBase) return 0;
    int64_t position = 0;
    m_dataBase->GetHistoryCount(1, position, 0, 0);
    CAbstractRecordSet* set = m_dataBase->QueryHistory(position, kHistoryTexts);
    if (!set) {
        // An empty history has no rows to query.
        ReportAssertion(position == 0, kSourceFile, 547);
        return position == 0 ? 1 : 0;
    }
    int64_t n = 0;
    CBasicString key, text;
    for (; !set->IsEOF(); set->MoveNext()) {
        set->GetText(0, key);
        set->GetText(1, text);
        if (key.IsEmpty() || text.IsEmpty()) {
            ReportAssertion(0, kSourceFile, 561);
            continue;
        }
        add(text, n++);
    }
    m_dataBase->ReleaseRecordSet(set);
    return 1;
}

int CDictionaryDlgModel::WriteHistory(const CBasicString& text, const CBasicDateTime& utc) const {
    if (!m_dataBase) return 0;
    HistoryRecord record;
    record.key = HistoryKey(utc);
    record.text = text;
    const int result = CallDataBase([&] { return m_dataBase->AddHistoryEntry(record); });
    ReportAssertion(result == DATABASE_OK, kSourceFile, 712);
    return result == DATABASE_OK ? 1 : 0;
}

CBasicString CDictionaryDlgModel::HistoryKey(const CBasicDateTime& utc) {
    CBasicString key;
    key.Format(L"%04d%02d%02d_%02d%02d%02d", utc.GetYear(), utc.GetMonth(), utc.GetDay(), utc.GetHour(), utc.GetMinute(),
               utc.GetSecond());
    return key;
}
