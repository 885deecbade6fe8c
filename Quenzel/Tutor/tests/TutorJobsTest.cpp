// The tutor page's jobs apart from its window: each works from what it was
// handed when it started and hands its result back.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Quenzel/Shell/tests/QuenzelAppFixture.h"
#include "Quenzel/Tutor/ListWordCounts.h"
#include "Quenzel/Tutor/TutorSync.h"
#include "Quenzel/Tutor/VocabularyListExport.h"
#include "Quenzel/Tutor/VocabularyListFile.h"
#include "TutorTestData.h"

using namespace tutortest;

namespace {

using TutorJobsTest = QuenzelAppFixture;

} // namespace

TEST_F(TutorJobsTest, WordCountsAreReadByIdUntilTheProgressStops) {
    CAbstractDataBase* db = m_app.GetDataBase();
    const auto [from, to] = TwoLanguages(db);
    const int64_t two = StoreList(db, L"Two", from, to, {{L"a", L"b"}, {L"c", L"d"}});
    const int64_t none = StoreList(db, L"None", from, to, {});
    const int64_t one = StoreList(db, L"One", from, to, {{L"e", L"f"}});

    EXPECT_EQ(ReadListWordCounts(db, {one, two, none}, {}),
              (std::vector<ListWordCount>{{one, 1}, {two, 2}, {none, 0}}));
    int asked = 0;
    EXPECT_EQ(ReadListWordCounts(db, {two, one}, [&asked] { return asked++ < 1; }),
              (std::vector<ListWordCount>{{two, 2}}));
    EXPECT_TRUE(ReadListWordCounts(nullptr, {two}, {}).empty());
}

// (The message of each result is the tutor page's test.)
TEST_F(TutorJobsTest, SyncWorksFromTheRequestItWasGivenAndNeedsAnHttpFile) {
    TutorSyncRequest request;
    request.http = reinterpret_cast<CAbstractFile*>(this);
    request.email = L"me@example.org";
    request.password = L"secret";
    request.direction = 0;
    const TutorSync job(request);
    // The request may change once the job has it.
    request.email = L"other@example.org";
    request.direction = 1;
    std::vector<std::wstring> seen;
    const TutorSyncOutcome outcome =
        job.Run([&](CAbstractFile* file, const wchar_t* email, const wchar_t* password, int direction) {
            EXPECT_EQ(file, reinterpret_cast<CAbstractFile*>(this));
            seen = {email, password, std::to_wstring(direction)};
            return DATABASE_OK;
        });
    EXPECT_EQ(seen, (std::vector<std::wstring>{L"me@example.org", L"secret", L"0"}));
    EXPECT_EQ(std::wstring(outcome.end.text.GetString()), Text(31251));
    EXPECT_TRUE(outcome.refillLists);

    // Without an HTTP file the database is not asked.
    bool called = false;
    const TutorSyncOutcome offline = TutorSync(TutorSyncRequest{}).Run([&](auto...) {
        called = true;
        return DATABASE_OK;
    });
    EXPECT_FALSE(called);
    EXPECT_EQ(std::wstring(offline.end.text.GetString()), Text(31152));
    EXPECT_EQ(offline.end.flags, static_cast<UINT>(MB_ICONERROR));
    EXPECT_FALSE(offline.refillLists);
}

TEST_F(TutorJobsTest, ExportChecksItsPathAndWritesTheListInTheKindOfItsExtension) {
    struct Case {
        const char* name;
        VocabularyListExport::Check check;
        int kind;
    };
    const Case cases[] = {
        {"", VocabularyListExport::kEmptyPath, 0},
        {"words.TXT", VocabularyListExport::kReady, LIST_FILE_TAB},
        {"words.csv", VocabularyListExport::kReady, LIST_FILE_COMMA},
        {"words.doc", VocabularyListExport::kUnknownKind, 0},
    };
    for (const Case& c : cases) {
        const CBasicString path = *c.name ? kvxtest::Widen(m_data.Sub(c.name)).c_str() : L"";
        const VocabularyListExport job(7, path);
        EXPECT_EQ(job.GetCheck(), c.check) << c.name;
        EXPECT_EQ(job.GetKind(), c.kind) << c.name;
    }

    CAbstractDataBase* db = m_app.GetDataBase();
    const auto [from, to] = TwoLanguages(db);
    const int64_t id = StoreList(db, L"Mine", from, to, {{L"house", L"Haus"}, {L"tree", L"Baum"}});
    const std::wstring path = kvxtest::Widen(m_data.Sub("mine.csv"));
    const WorkerResult end = VocabularyListExport(id, path.c_str()).Run(db, {});
    EXPECT_EQ(kvxtest::TempFolder::ReadFile(m_data.Sub("mine.csv")), "house,Haus\r\ntree,Baum\r\n");
    EXPECT_EQ(std::wstring(end.text.GetString()), Text(31144, path.c_str()));
    EXPECT_EQ(end.flags, static_cast<UINT>(MB_ICONINFORMATION));
}
