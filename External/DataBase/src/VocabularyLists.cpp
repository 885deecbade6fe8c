#include "VocabularyLists.h"

#include <algorithm>
#include <set>

#include "DataBaseClock.h"
#include "RecordSet.h"
#include "RecordText.h"

namespace {

int ClampStatus(int count)
{
    return std::clamp(count, 0, 5);
}

}  // namespace

int64_t CVocabularyLists::CreateVocabularyList(VocabularyListRecord& list)
{
    std::wstring name = Wide(list.name);
    if (name.empty())
        return 0;
    int64_t id = 0;
    int result = m_file.Write([&](SqliteConnection& connection) -> int {
        SqlStatement insert(connection,
                            "INSERT INTO vocab_list(name, fold, second_text, from_language, to_language, editable, extra)"
                            " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)");
        insert.Bind(1, name).Bind(2, FoldText(name)).Bind(3, Wide(list.secondText)).Bind(4, list.fromLanguage);
        insert.Bind(5, list.toLanguage).Bind(6, list.editable ? 1 : 0).Bind(7, list.extra);
        insert.Run();
        id = connection.LastInsertId();
        return DATABASE_OK;
    }, CDataFileConnections::kOneStatement);
    if (result != DATABASE_OK)
        return 0;
    list.id = id;
    return id;
}

int CVocabularyLists::UpdateVocabularyList(const VocabularyListRecord& list)
{
    std::wstring name = Wide(list.name);
    if (name.empty() || list.id <= 0)
        return DATABASE_INVALID_ARGUMENT;
    return m_file.Write([&](SqliteConnection& connection) -> int {
        SqlStatement update(connection,
                            "UPDATE vocab_list SET name = ?2, fold = ?3, second_text = ?4, from_language = ?5,"
                            " to_language = ?6, editable = ?7, extra = ?8 WHERE id = ?1");
        update.Bind(1, list.id).Bind(2, name).Bind(3, FoldText(name)).Bind(4, Wide(list.secondText));
        update.Bind(5, list.fromLanguage).Bind(6, list.toLanguage).Bind(7, list.editable ? 1 : 0).Bind(8, list.extra);
        update.Run();
        return connection.Changes() ? DATABASE_OK : DATABASE_NO_ROW;
    }, CDataFileConnections::kOneStatement);
}

int CVocabularyLists::DeleteVocabularyList(int64_t listId, int all)
{
    if (all == 1)
        return m_file.Write([&](SqliteConnection& connection) -> int {
            connection.Execute("DELETE FROM vocab_list");
            return DATABASE_OK;
        }, CDataFileConnections::kOneStatement);
    return m_file.DeleteRow("DELETE FROM vocab_list WHERE id = ?1", listId);
}

CAbstractRecordSet* CVocabularyLists::QueryVocabularyLists(int kind, const wchar_t* name)
{
    if (kind != LIST_QUERY_ALL && kind != LIST_QUERY_EDITABLE)
        return nullptr;
    std::wstring fold = FoldText(name);
    return m_file.Query([&](SqliteConnection& connection) {
        SqlStatement read(connection,
                          "SELECT l.id, l.name, l.from_language, l.to_language,"
                          " (SELECT count(*) FROM list_entry e WHERE e.list_id = l.id), l.editable, l.second_text"
                          " FROM vocab_list l WHERE (?1 = 0 OR l.editable = 1) AND (?2 = '' OR l.fold = ?2)"
                          " ORDER BY l.fold, l.id");
        read.Bind(1, kind == LIST_QUERY_EDITABLE ? 1 : 0).Bind(2, fold);
        auto set = std::make_unique<CRecordSet>();
        set->AppendRows(read);
        return set.release();
    });
}

int CVocabularyLists::AddListEntry(WordLinkRecord& link, int)
{
    std::wstring entered = Wide(link.enteredDate);
    std::wstring answered = Wide(link.statusDate);
    if (entered.empty())
        entered = answered.empty() ? TodayText() : answered;
    if (answered.empty())
        answered = entered;
    int64_t id = 0;
    int result = m_file.Write([&](SqliteConnection& connection) -> int {
        SqlStatement insert(connection,
                            "INSERT INTO list_entry(list_id, word_id, meaning_id, status, date_entered, date_status)"
                            " VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
        insert.Bind(1, link.listId).Bind(2, link.wordId).Bind(3, link.meaningId).Bind(4, ClampStatus(link.statusCount));
        insert.Bind(5, entered).Bind(6, answered);
        insert.Run();
        id = connection.LastInsertId();
        return DATABASE_OK;
    }, CDataFileConnections::kOneStatement);
    if (result == DATABASE_OK)
        link.linkId = id;
    return result;
}

int CVocabularyLists::SaveWordLink(const WordLinkRecord& link, int)
{
    std::wstring answered = Wide(link.statusDate);
    if (answered.empty())
        answered = TodayText();
    return m_file.Write([&](SqliteConnection& connection) -> int {
        SqlStatement update(connection,
                            "UPDATE list_entry SET word_id = CASE WHEN ?2 > 0 THEN ?2 ELSE word_id END,"
                            " meaning_id = CASE WHEN ?3 > 0 THEN ?3 ELSE meaning_id END, status = ?4, date_status = ?5"
                            " WHERE id = ?1");
        update.Bind(1, link.linkId).Bind(2, link.wordId).Bind(3, link.meaningId).Bind(4, ClampStatus(link.statusCount));
        update.Bind(5, answered);
        update.Run();
        return connection.Changes() ? DATABASE_OK : DATABASE_NO_ROW;
    }, CDataFileConnections::kOneStatement);
}

int CVocabularyLists::SetWordStatus(int status, int64_t linkId, int action)
{
    if (action == WORD_STATUS_REMOVE)
        return m_file.DeleteRow("DELETE FROM list_entry WHERE id = ?1", linkId);
    if (action != WORD_STATUS_SET)
        return DATABASE_INVALID_ARGUMENT;
    std::wstring today = TodayText();
    return m_file.Write([&](SqliteConnection& connection) -> int {
        SqlStatement update(connection, "UPDATE list_entry SET status = ?2, date_status = ?3 WHERE id = ?1");
        update.Bind(1, linkId).Bind(2, ClampStatus(status)).Bind(3, today);
        update.Run();
        return connection.Changes() ? DATABASE_OK : DATABASE_NO_ROW;
    }, CDataFileConnections::kOneStatement);
}

int CVocabularyLists::UpdateListEntry(WordLinkRecord& link, int)
{
    return m_file.Read([&](SqliteConnection& connection) -> int {
        SqlStatement read(connection,
                          "SELECT id, status, date_entered, date_status FROM list_entry"
                          " WHERE list_id = ?1 AND word_id = ?2 AND meaning_id = ?3");
        read.Bind(1, link.listId).Bind(2, link.wordId).Bind(3, link.meaningId);
        if (!read.Step())
            return DATABASE_NO_ROW;
        // Every value is read before the record changes.
        CBasicString entered = Basic(read.Text(2)), answered = Basic(read.Text(3));
        link.linkId = read.Int64(0);
        link.statusCount = read.Int(1);
        link.enteredDate = std::move(entered);
        link.statusDate = std::move(answered);
        return DATABASE_OK;
    });
}

CAbstractRecordSet* CVocabularyLists::QueryWords(const CQueryOptions& options)
{
    // The filter: 0 all words, 1 entered in the period, 2 answered in it,
    // 3 known, 4 not known.
    int filter = 0;
    std::wstring from, to = L"9999-12-31";
    if (!options.AllWords) {
        switch (options.Status) {
        case QUERY_STATUS_ENTERED:
        case QUERY_STATUS_ACCESSED: {
            filter = options.Status == QUERY_STATUS_ENTERED ? 1 : 2;
            std::wstring today = TodayText();
            if (options.PeriodKind == QUERY_PERIOD_BETWEEN) {
                CBasicDateTime start = options.StartDate, end = options.EndDate;
                if (start.IsValid() && end.IsValid() && end < start)
                    std::swap(start, end);
                if (start.IsValid())
                    from = Wide(start.Format(L"%Y-%m-%d"));
                if (end.IsValid())
                    to = Wide(end.Format(L"%Y-%m-%d"));
            } else if (options.PeriodKind == QUERY_PERIOD_MONTHS) {
                from = DateMonthsBefore(today, std::max(options.Months, 0));
            } else if (options.PeriodKind == QUERY_PERIOD_DAYS) {
                from = DateDaysBefore(today, std::max(options.Days, 0));
            } else {
                return nullptr;
            }
            break;
        }
        case QUERY_STATUS_MEMORIZED:
            filter = 3;
            break;
        case QUERY_STATUS_NOT_MEMORIZED:
            filter = 4;
            break;
        default:
            return nullptr;
        }
    }
    return m_file.Query([&](SqliteConnection& connection) {
        auto set = std::make_unique<CRecordSet>(CRecordSet::kWords);
        std::set<int64_t> done;
        for (int64_t listId : options.ListIds) {
            if (!done.insert(listId).second)
                continue;
            SqlStatement read(connection,
                              "SELECT e.id, e.list_id, e.word_id, e.meaning_id, w.language_id, e.status, w.text, m.text,"
                              " e.date_status, m.type_id"
                              " FROM list_entry e JOIN word w ON w.id = e.word_id JOIN meaning m ON m.id = e.meaning_id"
                              " WHERE e.list_id = ?1 AND (?2 = 0"
                              " OR (?2 = 1 AND e.date_entered BETWEEN ?3 AND ?4)"
                              " OR (?2 = 2 AND e.date_status BETWEEN ?3 AND ?4)"
                              " OR (?2 = 3 AND e.status > 0) OR (?2 = 4 AND e.status = 0))"
                              " ORDER BY e.id");
            read.Bind(1, listId).Bind(2, filter).Bind(3, from).Bind(4, to);
            set->AppendRows(read);
        }
        return set.release();
    });
}

int CVocabularyLists::ReadWord(CAbstractRecordSet* set, WordRecord& word)
{
    auto* words = dynamic_cast<CRecordSet*>(set);
    if (!words || words->GetKind() != CRecordSet::kWords)
        return DATABASE_INVALID_ARGUMENT;
    if (words->IsEOF())
        return DATABASE_NO_ROW;
    WordRecord read;
    int result = DATABASE_OK;
    auto check = [&](int rc) {
        if (rc != DATABASE_OK && result == DATABASE_OK)
            result = rc;
    };
    check(words->GetInt64(0, read.linkId));
    check(words->GetInt64(1, read.listId));
    check(words->GetInt64(2, read.wordId));
    check(words->GetInt64(3, read.meaningId));
    check(words->GetInt(4, read.languageId));
    check(words->GetInt(5, read.statusCount));
    check(words->GetText(6, read.wordText));
    check(words->GetText(7, read.meaningText));
    check(words->GetText(8, read.dateText));
    check(words->GetInt(9, read.typeId));
    if (result == DATABASE_OK)
        word = std::move(read);
    return result;
}

int CVocabularyLists::GetStatistics(StatisticsRecord& statistics)
{
    if (statistics.mode != kStatisticsAllLists && statistics.mode != kStatisticsOneList)
        return DATABASE_INVALID_ARGUMENT;
    StatisticsRecord counted = statistics;
    int result = m_file.Read([&](SqliteConnection& connection) -> int {
        SqlStatement read(connection,
                          "SELECT count(*), coalesce(sum(e.status = 5), 0), coalesce(sum(e.status BETWEEN 1 AND 4), 0),"
                          " coalesce(sum(e.status = 0), 0) FROM list_entry e JOIN vocab_list l ON l.id = e.list_id"
                          " WHERE CASE WHEN ?1 = 2 THEN l.id = ?2"
                          " ELSE (?3 <= 0 OR l.from_language = ?3 OR l.to_language = ?3) END");
        read.Bind(1, statistics.mode).Bind(2, statistics.listId).Bind(3, statistics.selector);
        if (statistics.mode == kStatisticsOneList && !RowExists(connection, "SELECT 1 FROM vocab_list WHERE id = ?1",
                                                                statistics.listId))
            return DATABASE_NO_ROW;
        read.Step();
        counted.wordCount = read.Int64(0);
        counted.longTerm = read.Int64(1);
        counted.shortTerm = read.Int64(2);
        counted.unknown = read.Int64(3);
        return DATABASE_OK;
    });
    if (result == DATABASE_OK)
        statistics = counted;
    return result;
}

CAbstractRecordSet* CVocabularyLists::QueryListPairs(int64_t listId)
{
    return m_file.Query([&](SqliteConnection& connection) {
        SqlStatement read(connection,
                          "SELECT CASE WHEN w.language_id = l.to_language AND m.language_id = l.from_language"
                          " THEN m.text ELSE w.text END,"
                          " CASE WHEN w.language_id = l.to_language AND m.language_id = l.from_language"
                          " THEN w.text ELSE m.text END"
                          " FROM list_entry e JOIN vocab_list l ON l.id = e.list_id"
                          " JOIN word w ON w.id = e.word_id JOIN meaning m ON m.id = e.meaning_id"
                          " WHERE e.list_id = ?1 ORDER BY e.id");
        read.Bind(1, listId);
        auto set = std::make_unique<CRecordSet>();
        set->AppendRows(read);
        return set.release();
    });
}

int CVocabularyLists::FindLanguage(const VocabularyListRecord& list, int kind)
{
    if (kind != kFindLanguageInLists)
        return DATABASE_INVALID_ARGUMENT;
    return m_file.Read([&](SqliteConnection& connection) -> int {
        SqlStatement read(connection,
                          "SELECT 1 FROM vocab_list WHERE from_language IN (?1, ?2) OR to_language IN (?1, ?2) LIMIT 1");
        read.Bind(1, list.fromLanguage).Bind(2, list.toLanguage);
        return read.Step() ? DATABASE_OK : DATABASE_NO_ROW;
    });
}
