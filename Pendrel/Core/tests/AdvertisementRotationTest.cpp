#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Pendrel/Core/AdvertisementRotation.h"

namespace {

std::vector<std::wstring> Sequence(CAdvertisementRotation& rotation, int count) {
    std::vector<std::wstring> addresses;
    for (int i = 0; i < count; ++i) addresses.push_back(rotation.NextAddress().GetString());
    return addresses;
}

TEST(AdvertisementRotationTest, GoesThroughTheItemsAndStartsAgain) {
    CAdvertisementRotation rotation(L"http://h/ad/");
    EXPECT_EQ(rotation.SetItems({L"A", L"B"}), 60000u);
    EXPECT_EQ(Sequence(rotation, 5), (std::vector<std::wstring>{L"http://h/ad/A", L"http://h/ad/B", L"http://h/ad/A",
                                                                L"http://h/ad/B", L"http://h/ad/A"}));
    // A new list starts from its first item.
    EXPECT_EQ(rotation.SetItems({L"C", L"D", L"E"}), 60000u);
    EXPECT_EQ(Sequence(rotation, 4), (std::vector<std::wstring>{L"http://h/ad/C", L"http://h/ad/D", L"http://h/ad/E",
                                                                L"http://h/ad/C"}));
    EXPECT_EQ(CAdvertisementRotation::kRefreshInterval, 1800000u);
}

TEST(AdvertisementRotationTest, WithoutItemsEveryPageIsTheBaseAddress) {
    CAdvertisementRotation rotation(L"http://h/ad/");
    EXPECT_EQ(Sequence(rotation, 3), (std::vector<std::wstring>{L"http://h/ad/", L"http://h/ad/", L"http://h/ad/"}));
    rotation.SetItems({L"A"});
    rotation.SetItems({});
    EXPECT_EQ(Sequence(rotation, 2), (std::vector<std::wstring>{L"http://h/ad/", L"http://h/ad/"}));
}

TEST(AdvertisementRotationTest, AddressesDropTrailingCommasAndEncodeItems) {
    const struct {
        const char* name;
        std::wstring base;
        std::vector<CBasicString> items;
        std::wstring address;
    } cases[] = {
        {"one item", L"http://h/ad/", {L"English"}, L"http://h/ad/English"},
        {"items joined by commas", L"http://h/ad/", {L"English", L"German"}, L"http://h/ad/English,German"},
        {"an item's trailing comma goes", L"http://h/ad/", {L"English,"}, L"http://h/ad/English"},
        {"trailing commas of the last item go, inner ones stay", L"http://h/ad/", {L"A,", L"B,,"},
         L"http://h/ad/A,,B"},
        {"the base's trailing comma goes without items", L"http://h/ad/x,", {}, L"http://h/ad/x"},
        {"spaces and reserved characters are encoded", L"http://h/ad/", {L"New Greek/Modern?&#"},
         L"http://h/ad/New%20Greek%2FModern%3F%26%23"},
        {"other letters are encoded as UTF-8", L"http://h/ad/", {L"Fran\u00E7ais", L"\u65E5\u672C"},
         L"http://h/ad/Fran%C3%A7ais,%E6%97%A5%E6%9C%AC"},
        {"unreserved characters stay", L"http://h/ad/", {L"a-b.c_d~e9"}, L"http://h/ad/a-b.c_d~e9"},
        {"a percent sign is encoded", L"http://h/ad/", {L"100%"}, L"http://h/ad/100%25"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(std::wstring(CAdvertisementRotation::BuildAddress(c.base.c_str(), c.items).GetString()), c.address);
    }
}

} // namespace
