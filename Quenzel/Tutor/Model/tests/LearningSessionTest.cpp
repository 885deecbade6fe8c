// The learning view's rows and rules without a window, over the database
// component.

#include <gtest/gtest.h>

#include <filesystem>

#include "Quenzel/Shell/tests/DataFileCheck.h"
#include "Quenzel/Tutor/Model/LearningSession.h"
#include "Quenzel/Tutor/Model/tests/RecordingProgress.h"
#include "Quenzel/Tutor/Model/tests/TutorModelTest.h"
#include "compat/WinUser.h"
#include "testing/FullDisk.h"
#include "testing/TempFolder.h"

using namespace learntest;

namespace {

class LearningSessionTest : public TutorModelTest {
protected:

    std::unique_ptr<LearningSession> Load(int64_t listId, RecordingProgress* progress = nullptr) {
        m_rows.emplace_back(std::make_unique<CMultilineListRows>());
        m_rows.back()->SetMode(MULTILINE_MODE_LEARNING);
        auto session = std::make_unique<LearningSession>(&Db(), *m_rows.back());
        session->SetListRecord(ListRecord());
        session->SetQueryOptions(AllWordsOf(listId));
        session->Reset(L"English", L"German");
        EXPECT_EQ(session->Load(progress, L"English to German"), 1);
        return session;
    }
    // Sets the stored count of the list's n-th entry.
    void SetCount(int64_t listId, size_t index, int count) {
        CAbstractRecordSet* set = Db().QueryWords(AllWordsOf(listId));
        for (size_t i = 0; i < index; ++i) set->MoveNext();
        WordRecord word;
        Db().ReadWord(set, word);
        Db().ReleaseRecordSet(set);
        WordLinkRecord link;
        link.linkId = word.linkId;
        link.statusCount = count;
        link.statusDate = L"2030-01-01";
        ASSERT_EQ(Db().SaveWordLink(link, 0), DATABASE_OK);
    }
    int RowOf(LearningSession& session, const wchar_t* word) {
        for (int i = 1; i < session.Rows().GetRowCount(); ++i) {
            GridRow row;
            session.Rows().CopyRow(i, row);
            if (row.word.m_text.Compare(word) == 0) return i;
        }
        return -1;
    }
    static GridRow Row(LearningSession& session, int index) {
        GridRow row;
        EXPECT_TRUE(session.Rows().CopyRow(index, row));
        return row;
    }
    std::vector<std::unique_ptr<CMultilineListRows>> m_rows;
    kvxtest::TempFolder m_files;
};

TEST_F(LearningSessionTest, LoadingReportsEveryHundredRowsThenTheTotal) {
    Pairs pairs = Numbered(250);
    std::reverse(pairs.begin(), pairs.end());
    const int64_t list = MakeList(Db(), L"long", pairs);
    RecordingProgress progress;
    auto session = Load(list, &progress);
    EXPECT_EQ(progress.captions, std::vector<std::wstring>{L"English to German"});
    EXPECT_EQ(progress.steps, (std::vector<int>{100, 200, 250}));
    EXPECT_EQ(session->GetTotal(), 250);
    EXPECT_EQ(session->Rows().GetRowCount(), 251);
    // The heading row stays first; the words are sorted.
    EXPECT_EQ(std::wstring(Row(*session, 0).word.m_text.GetString()), L"English");
    EXPECT_TRUE(Row(*session, 0).flags & GRIDROW_HEADING);
    EXPECT_EQ(std::wstring(Row(*session, 1).word.m_text.GetString()), L"word001");

    // A cancel stops the load at the next row.
    RecordingProgress cancelling;
    cancelling.cancelAfter = 1;
    CMultilineListRows stoppedRows;
    LearningSession stopped(&Db(), stoppedRows);
    stopped.SetListRecord(ListRecord());
    stopped.SetQueryOptions(AllWordsOf(list));
    EXPECT_EQ(stopped.Load(&cancelling, L""), 0);
    EXPECT_EQ(stopped.GetTotal(), 100);
}

TEST_F(LearningSessionTest, KnownAndUnknownCountByTheSameRuleAsLoading) {
    const int64_t list = MakeList(Db(), L"marks", {{L"a", L"1"}, {L"b", L"2"}, {L"c", L"3"}, {L"d", L"4"}});
    SetCount(list, 0, 2);
    SetCount(list, 3, 5);
    auto session = Load(list);
    // A word counts as known while its count is above 0.
    EXPECT_EQ(session->GetKnownCount(), 2);
    EXPECT_EQ(session->GetUnknownCount(), 2);

    struct Step {
        const wchar_t* word;
        bool known;
        int count;  // the row's count afterwards
        int64_t knownWords;
    };
    const Step steps[] = {
        {L"b", true, 1, 3},   // 0 -> 1: one more known word
        {L"b", true, 1, 3},   // already marked known: nothing changes
        {L"a", true, 3, 3},   // known already by its count
        {L"d", true, 5, 3},   // stays at 5
        {L"a", false, 0, 2},  // Unknown resets the count
        {L"a", false, 0, 2},
        {L"a", true, 1, 3},
        {L"c", false, 0, 3},  // an unknown word marked Unknown stays unknown
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(testing::Message() << std::wstring(step.word).size() << (step.known ? " known" : " unknown"));
        const int index = RowOf(*session, step.word);
        session->Mark({index}, step.known);
        EXPECT_EQ(Row(*session, index).statusCount, step.count);
        EXPECT_EQ(session->GetKnownCount(), step.knownWords);
        EXPECT_EQ(session->GetKnownCount() + session->GetUnknownCount(), session->GetTotal());
    }
    EXPECT_TRUE(session->IsModified());

    // A selection that takes the heading row marks the words only.
    session->Mark({0, RowOf(*session, L"c")}, true);
    session->Mark({0}, true);
    EXPECT_EQ(session->GetKnownCount(), 4);
    EXPECT_EQ(session->GetUnknownCount(), 0);
    EXPECT_EQ(Row(*session, 0).statusCount, 0);

    // Removing words keeps the counters within the words that remain.
    session->Remove({RowOf(*session, L"a"), RowOf(*session, L"c")});
    EXPECT_EQ(session->GetTotal(), 2);
    EXPECT_EQ(session->GetKnownCount(), 2);
    EXPECT_EQ(session->GetUnknownCount(), 0);
}

TEST_F(LearningSessionTest, SaveStoresMarksEditsAndRemovalsInOneGo) {
    const int64_t list = MakeList(Db(), L"save", {{L"a", L"1"}, {L"b", L"2"}, {L"c", L"3"}});
    auto session = Load(list);
    session->Mark({RowOf(*session, L"a")}, true);
    session->Mark({RowOf(*session, L"b")}, false);
    // An edit in place changes the current text of the cell.
    session->Rows().ChangeRow(RowOf(*session, L"b"), [](GridRow& row) { row.meaning.m_text = L"zwei"; });
    session->Remove({RowOf(*session, L"c")});
    bool removed = false;
    EXPECT_EQ(session->Save(nullptr, &removed), 1);
    EXPECT_TRUE(removed);
    EXPECT_FALSE(session->IsModified());
    EXPECT_TRUE(session->GetRemovedLinks().empty());

    const std::vector<Entry> entries = Entries(Db(), list);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].count, 1);
    EXPECT_EQ(entries[0].answered, kToday);
    EXPECT_EQ(entries[0].entered, kEntered);
    EXPECT_EQ(entries[1].count, 0);
    EXPECT_EQ(entries[1].answered, kToday);

    // Loaded again, the edited meaning is there and the marks are gone.
    auto again = Load(list);
    const GridRow row = Row(*again, RowOf(*again, L"b"));
    EXPECT_EQ(std::wstring(row.meaning.m_text.GetString()), L"zwei");
    EXPECT_FALSE(row.IsStatusA() || row.IsStatusB());
    EXPECT_EQ(again->GetKnownCount(), 1);
}

TEST_F(LearningSessionTest, ASaveTheDiskDoesNotTakeKeepsEveryChangeToSaveAgain) {
    const int64_t list = MakeList(Db(), L"full", {{L"a", L"1"}, {L"b", L"2"}, {L"c", L"3"}});
    auto session = Load(list);
    session->Mark({RowOf(*session, L"a")}, true);
    session->Rows().ChangeRow(RowOf(*session, L"b"), [](GridRow& row) { row.meaning.m_text = L"zwei"; });
    session->Remove({RowOf(*session, L"c")});
    {
        kvxtest::FullDisk full;
        ASSERT_TRUE(full.IsActive());
        bool removed = true;
        EXPECT_EQ(session->Save(nullptr, &removed), LearningSession::kSaveFailed);
        EXPECT_FALSE(removed);
    }
    // Nothing of the save is stored, and nothing of it is forgotten.
    EXPECT_EQ(quenzeltest::DataFileIntegrity(DataFile()), "ok");
    std::vector<Entry> entries = Entries(Db(), list);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].count, 0);
    EXPECT_TRUE(session->IsModified());
    EXPECT_EQ(session->GetRemovedLinks().size(), 1u);
    const GridRow marked = Row(*session, RowOf(*session, L"a"));
    EXPECT_TRUE(marked.IsStatusA());
    EXPECT_EQ(marked.statusChanged, 1);
    const GridRow edited = Row(*session, RowOf(*session, L"b"));
    EXPECT_EQ(std::wstring(edited.meaning.m_secondText.GetString()), L"2");

    // With room again the same save stores everything.
    bool removed = false;
    EXPECT_EQ(session->Save(nullptr, &removed), 1);
    EXPECT_TRUE(removed);
    EXPECT_FALSE(session->IsModified());
    entries = Entries(Db(), list);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].count, 1);
    auto again = Load(list);
    EXPECT_EQ(std::wstring(Row(*again, RowOf(*again, L"b")).meaning.m_text.GetString()), L"zwei");
}

TEST_F(LearningSessionTest, ExportWritesThroughNoLinkItDidNotMake) {
    const int64_t list = MakeList(Db(), L"links", {{L"a", L"1"}});
    auto session = Load(list);
    // Links where a fixed temporary name would be, and the target itself a
    // link: the files they point at stay as they were.
    const std::string victim = m_files.WriteFile("victim.txt", "keep");
    const std::string target = m_files.Sub("words.txt");
    for (const char* name : {"words.txt.part", "words.txt.tmp", "words.txt~"})
        std::filesystem::create_symlink(victim, m_files.Sub(name));
    std::filesystem::create_symlink(victim, target);
    const WorkerResult done = session->Export(CBasicString(target.c_str()), LIST_FILE_TAB, nullptr);
    EXPECT_EQ(done.flags, UINT(MB_ICONINFORMATION));
    EXPECT_EQ(kvxtest::TempFolder::ReadFile(victim), "keep");
    EXPECT_FALSE(std::filesystem::is_symlink(target));
    EXPECT_EQ(kvxtest::TempFolder::ReadFile(target), "a\t1\r\n");
    // Nothing is left beside the target but the links the test made.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(m_files.Path())) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 5);
}

TEST_F(LearningSessionTest, ExportWritesTheWordsWithTheSeparatorOfTheExtension) {
    struct Case {
        const char* name;
        int kind;
    };
    const Case cases[] = {{"list.txt", LIST_FILE_TAB}, {"list.CSV", LIST_FILE_COMMA}, {"list.Txt", LIST_FILE_TAB},
                          {"list.doc", 0}};
    for (const Case& c : cases)
        EXPECT_EQ(LearningSession::SeparatorKindForPath(CBasicString(c.name)), c.kind) << c.name;

    const int64_t list = MakeList(Db(), L"export", {{L"b, c", L"zwei"}, {L"über", L"over"}});
    auto session = Load(list);
    // An older, longer file leaves nothing behind.
    const std::string csv = m_files.WriteFile("words.CSV", std::string(200, 'x'));
    const WorkerResult done = session->Export(CBasicString(csv.c_str()), LIST_FILE_COMMA, nullptr);
    EXPECT_EQ(done.flags, UINT(MB_ICONINFORMATION));
    EXPECT_NE(std::wstring(done.text.GetString()).find(L"Successfully exported"), std::wstring::npos);
    // The heading row has no ids and is never written; a comma inside a
    // word is quoted as in every list file.
    EXPECT_EQ(kvxtest::TempFolder::ReadFile(csv), "\"b, c\",zwei\r\n\xC3\xBC" "ber,over\r\n");

    const std::string txt = m_files.Sub("words.txt");
    session->Export(CBasicString(txt.c_str()), LIST_FILE_TAB, nullptr);
    EXPECT_EQ(kvxtest::TempFolder::ReadFile(txt), "b, c\tzwei\r\n\xC3\xBC" "ber\tover\r\n");

    // A folder that does not exist: the failure text, nothing written.
    const std::string missing = m_files.Sub("none/words.txt");
    const WorkerResult failed = session->Export(CBasicString(missing.c_str()), LIST_FILE_TAB, nullptr);
    EXPECT_EQ(failed.flags, UINT(MB_ICONERROR));
    EXPECT_NE(std::wstring(failed.text.GetString()).find(L"Failed to export"), std::wstring::npos);

    // A cancel keeps what was written and says so.
    RecordingProgress cancelled;
    cancelled.running = FALSE;
    const WorkerResult partial = session->Export(CBasicString(txt.c_str()), LIST_FILE_TAB, &cancelled);
    EXPECT_NE(std::wstring(partial.text.GetString()).find(L"partially"), std::wstring::npos);
}

} // namespace
