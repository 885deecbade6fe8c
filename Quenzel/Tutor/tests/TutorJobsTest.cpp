// The tutor page's jobs apart from its window: each works from what it was
// handed when it started and hands its result back.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Quenzel/Shell/tests/QuenzelAppFixture.h"
#include "Quenzel/Tutor/ListWordCounts.h"
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
