#include <gtest/gtest.h>

#include <vector>

#include "Pendrel/Core/PrintInfo.h"

namespace {

struct PageCase {
    const char* name;
    UINT minPage, maxPage, fromPage, toPage;
    std::vector<UINT> pages;
};

TEST(PrintInfoTest, PageSequence) {
    const std::vector<PageCase> cases = {
        {"all pages by default", 1, 3, 0, 0, {1, 2, 3}},
        {"a chosen range", 1, 5, 2, 4, {2, 3, 4}},
        {"first greater than last runs backwards", 1, 3, 3, 1, {3, 2, 1}},
        {"both ends clamped to the document", 2, 4, 1, 9, {2, 3, 4}},
        {"backwards and clamped", 2, 4, 9, 1, {4, 3, 2}},
        {"a single page", 1, 3, 2, 2, {2}},
        {"a range wholly beyond the document gives its last page", 1, 3, 7, 9, {3}},
        {"the top of the page numbers ends", 0xFFFFFFFEu, 0xFFFFFFFFu, 0, 0, {0xFFFFFFFEu, 0xFFFFFFFFu}},
    };
    for (const PageCase& c : cases) {
        SCOPED_TRACE(c.name);
        CPrintInfo info;
        info.SetMinPage(c.minPage);
        info.SetMaxPage(c.maxPage);
        info.SetFromPage(c.fromPage);
        info.SetToPage(c.toPage);
        EXPECT_EQ(info.GetPageSequence(), c.pages);
    }
}

TEST(PrintInfoTest, NewInfoPrintsOnePageAndContinues) {
    const CPrintInfo info;
    EXPECT_EQ(info.GetPageSequence(), std::vector<UINT>{1});
    EXPECT_TRUE(info.m_continuePrinting);
    EXPECT_FALSE(info.m_preview);
}

} // namespace
