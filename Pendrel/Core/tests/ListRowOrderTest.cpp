#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Pendrel/Core/ListRowOrder.h"

namespace {

// Rows are letters; a row's pointer points at its letter in the table.
const char kLetters[] = "abcdefgh";

std::vector<void*> Rows(const std::string& order) {
    std::vector<void*> rows;
    for (char ch : order) rows.push_back(const_cast<char*>(&kLetters[ch - 'a']));
    return rows;
}

std::string Order(const std::vector<void*>& rows) {
    std::string order;
    for (void* row : rows) order += *static_cast<const char*>(row);
    return order;
}

std::string Apply(const std::string& order, const KVXRowReorder& plan) {
    std::string rows = order;
    for (const auto& swap : plan.swaps) std::swap(rows[swap.first], rows[swap.second]);
    return rows;
}

} // namespace

TEST(ListRowOrder, StableSortKeepsEqualRowsInOrderAndMapsOldToNew) {
    // Keys: vowels sort before consonants, nothing else is compared.
    auto vowelsFirst = [](void* a, void* b) {
        auto key = [](void* p) { return std::string("aeiou").find(*static_cast<char*>(p)) == std::string::npos; };
        return static_cast<int>(key(a)) - static_cast<int>(key(b));
    };
    std::vector<void*> rows = Rows("hgfedcba");
    const std::vector<int> newIndexOf = KVXStableSortRows(rows, vowelsFirst);
    EXPECT_EQ(Order(rows), "eahgfdcb");
    // 'h' was row 0 and is now row 2; 'a' was row 7 and is now row 1.
    EXPECT_EQ(newIndexOf[0], 2);
    EXPECT_EQ(newIndexOf[7], 1);
    // Descending (negated) still keeps equal rows in their order.
    const std::vector<int> back = KVXStableSortRows(rows, [&](void* a, void* b) { return -vowelsFirst(a, b); });
    EXPECT_EQ(Order(rows), "hgfdcbea");
    EXPECT_EQ(back[0], 6);
}

TEST(ListRowOrder, ReorderMovesTheSelectionOneRowAtATime) {
    struct Case {
        const char* name;
        std::vector<int> selected;
        int delta;
        const char* expected;
        std::vector<int> selectedAfter;
    };
    const Case cases[] = {
        {"one row down", {1}, 1, "acbdefgh", {2}},
        {"three rows down one place", {2, 3, 4}, 1, "abfcdegh", {3, 4, 5}},
        {"three rows up two places", {2, 3, 4}, -2, "cdeabfgh", {0, 1, 2}},
        // Rows apart stay apart and the rows they pass keep their order
        // (a single exchange delta rows apart would scramble them).
        {"scattered rows down three places", {1, 3}, 3, "acefbgdh", {4, 6}},
        {"scattered rows up three places", {4, 6}, -3, "aebgcdfh", {1, 3}},
        {"last row cannot go below the end", {5, 7}, 1, "abcdefgh", {5, 7}},
        {"first row cannot go above the top", {0, 2}, -1, "abcdefgh", {0, 2}},
        {"too far down moves nothing", {4}, 4, "abcdefgh", {4}},
        {"no delta", {3}, 0, "abcdefgh", {3}},
        {"nothing selected", {}, 2, "abcdefgh", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const KVXRowReorder plan = KVXPlanRowReorder(8, c.selected, c.delta);
        EXPECT_EQ(Apply("abcdefgh", plan), c.expected);
        EXPECT_EQ(plan.selected, c.selectedAfter);
        // The selection follows its rows.
        const std::string after = Apply("abcdefgh", plan);
        for (size_t i = 0; i < plan.selected.size(); ++i)
            EXPECT_EQ(after[plan.selected[i]], "abcdefgh"[c.selected[i]]);
    }
}
