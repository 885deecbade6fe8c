#include <gtest/gtest.h>

#include <vector>

#include "OnlineServices/Sendrix/OnlineProfile.h"
#include "OnlineServices/Sendrix/OnlineProxyProfile.h"
#include "OnlineServices/Sendrix/tests/support/LogEvents.h"
#include "testing/RecordingLog.h"
#include "utility/LibraryLog.h"

namespace {

const BYTE kBlob[] = {1, 2, 3, 4, 5};

// Second address "s", host "h", user "u", the five-byte blob, protocol 3,
// flags 2, port 990, tuning values 30 and 600.
std::vector<BYTE> GoldenBytes() {
    return {2, 0, 0, 0, 's', 0,  2, 0, 0, 0, 'h', 0, 2, 0, 0, 0, 'u', 0, 5, 0,  0, 0, 1, 2, 3,
            4, 5, 3, 0, 0, 0, 2,  0, 0, 0, 0xDE, 3, 0, 0, 30, 0, 0, 0, 0x58, 2, 0, 0};
}

void FillGolden(COnlineProfile& profile) {
    profile.SetSecondAddress(L"s");
    profile.SetHost(L"h");
    profile.SetUserName(L"u");
    profile.SetPasswordBlob(kBlob, sizeof kBlob);
    profile.SetProtocol(3);
    profile.SetPassive(1);
    profile.SetPort(990);
    profile.SetFirstTuningValue(30);
    profile.SetSecondTuningValue(600);
    profile.SetProfileName(L"not carried");
}

std::vector<BYTE> Serialized(COnlineProfile& profile) {
    std::vector<BYTE> bytes((size_t)profile.GetSerializedSize());
    int offset = 0;
    EXPECT_EQ(profile.Serialize(bytes.data(), offset), 1);
    EXPECT_EQ(offset, (int)bytes.size());
    return bytes;
}

TEST(OnlineProfileTest, SerialisesToTheFixedLayout) {
    COnlineProfile profile;
    FillGolden(profile);
    EXPECT_EQ(profile.GetSerializedSize(), 36 + 2 * 3 + 5);
    EXPECT_EQ(Serialized(profile), GoldenBytes());
}

TEST(OnlineProfileTest, RoundTripKeepsEverythingButTheName) {
    COnlineProfile source;
    source.SetHost(L"ftp.example.org");
    source.SetUserName(L"j\u00f6rg");
    source.SetPassword(L"p\u00e4ss \U0001F600");
    source.SetProtocol(2);
    source.SetFirstFlag(1);
    source.SetPassive(1);
    source.SetPort(2121);
    source.SetFirstTuningValue(100);
    source.SetSecondTuningValue(0);
    source.SetProfileName(L"mine");
    std::vector<BYTE> bytes = Serialized(source);

    COnlineProfile copy;
    unsigned offset = 0;
    ASSERT_EQ(copy.Deserialize(bytes.data(), offset, (unsigned)bytes.size(), 0), 1);
    EXPECT_EQ(offset, bytes.size());
    EXPECT_STREQ(copy.GetHost(), L"ftp.example.org");
    EXPECT_STREQ(copy.GetUserName(), L"j\u00f6rg");
    EXPECT_STREQ(copy.GetPassword(), L"p\u00e4ss \U0001F600");
    EXPECT_EQ(copy.GetProtocol(), 2);
    EXPECT_EQ(copy.GetFlags(), 3);
    EXPECT_EQ(copy.GetPort(), 2121);
    EXPECT_EQ(copy.GetFirstTuningValue(), 100);
    EXPECT_EQ(copy.GetSecondTuningValue(), 0);
    EXPECT_STREQ(copy.GetProfileName(), L"");
}

// Cutting the buffer inside each field gives 0 and keeps the fields read
// before it.
TEST(OnlineProfileTest, TruncationStopsAtTheFieldItCuts) {
    kvxtest::RecordingLog log;
    SetLibraryLog(&log);
    std::vector<BYTE> bytes = GoldenBytes();
    struct Cut {
        unsigned size;
        const wchar_t* second;
        const wchar_t* host;
        int port;
    } cuts[] = {
        {3, L"old", L"old", 1},    {5, L"old", L"old", 1},   {8, L"s", L"old", 1},   {11, L"s", L"old", 1},
        {16, L"s", L"h", 1},       {20, L"s", L"h", 1},      {24, L"s", L"h", 1},    {29, L"s", L"h", 1},
        {33, L"s", L"h", 1},       {37, L"s", L"h", 1},      {41, L"s", L"h", 990},  {45, L"s", L"h", 990},
    };
    for (const Cut& cut : cuts) {
        COnlineProfile profile;
        profile.SetSecondAddress(L"old");
        profile.SetHost(L"old");
        profile.SetPort(1);
        unsigned offset = 0;
        int before = sendrixtest::AssertionCount(log);
        EXPECT_EQ(profile.Deserialize(bytes.data(), offset, cut.size, 0), 0) << cut.size;
        EXPECT_STREQ(profile.GetSecondAddress(), cut.second) << cut.size;
        EXPECT_STREQ(profile.GetHost(), cut.host) << cut.size;
        EXPECT_EQ(profile.GetPort(), cut.port) << cut.size;
        EXPECT_GT(sendrixtest::AssertionCount(log), before) << cut.size;
    }
    COnlineProfile whole;
    unsigned offset = 0;
    EXPECT_EQ(whole.Deserialize(bytes.data(), offset, (unsigned)bytes.size(), 0), 1);
    EXPECT_EQ(whole.Deserialize(nullptr, offset, 10, 0), 0);
    SetLibraryLog(nullptr);
}

TEST(OnlineProfileTest, TuningValuesAreBounded) {
    COnlineProfile profile;
    EXPECT_EQ(profile.GetPort(), 21);
    struct {
        int value, first, second;
    } cases[] = {{4, 5, 4}, {5, 5, 5}, {500, 500, 500}, {501, 5, 501}, {600, 5, 600}, {601, 5, 2}, {-1, 5, 2}};
    for (const auto& c : cases) {
        profile.SetFirstTuningValue(c.value);
        profile.SetSecondTuningValue(c.value);
        EXPECT_EQ(profile.GetFirstTuningValue(), c.first) << c.value;
        EXPECT_EQ(profile.GetSecondTuningValue(), c.second) << c.value;
    }
    // Read back, stored values out of bounds are bounded the same way.
    std::vector<BYTE> bytes = GoldenBytes();
    bytes[39] = 0;                 // first tuning value 0
    bytes[43] = 0x59;              // second tuning value 601
    unsigned offset = 0;
    ASSERT_EQ(profile.Deserialize(bytes.data(), offset, (unsigned)bytes.size(), 0), 1);
    EXPECT_EQ(profile.GetFirstTuningValue(), 5);
    EXPECT_EQ(profile.GetSecondTuningValue(), 2);
}

TEST(OnlineProfileTest, PasswordTravelsAsFreshBlobs) {
    COnlineProfile profile;
    profile.SetPassword(L"abc");
    std::vector<BYTE> first = profile.GetPasswordBlob();
    std::vector<BYTE> second = profile.GetPasswordBlob();
    EXPECT_EQ(first.size(), 34u);
    EXPECT_NE(first, second);

    COnlineProfile other;
    other.SetPasswordBlob(second.data(), (unsigned)second.size());
    EXPECT_STREQ(other.GetPassword(), L"abc");
    EXPECT_EQ(other.SetPasswordBlob(nullptr, 3), 0);

    // A blob length of 0 keeps the blob that was there.
    std::vector<BYTE> bytes = GoldenBytes();
    std::vector<BYTE> noBlob(bytes.begin(), bytes.begin() + 18);
    noBlob.insert(noBlob.end(), {0, 0, 0, 0});
    noBlob.insert(noBlob.end(), bytes.begin() + 27, bytes.end());
    unsigned offset = 0;
    ASSERT_EQ(other.Deserialize(noBlob.data(), offset, (unsigned)noBlob.size(), 0), 1);
    EXPECT_STREQ(other.GetPassword(), L"abc");
}

TEST(OnlineProfileTest, CopyAndAssign) {
    COnlineProfile source;
    FillGolden(source);
    source.SetPassword(L"pw");
    COnlineProfile assigned;
    EXPECT_EQ(assigned.Assign(&source), 1);
    EXPECT_EQ(Serialized(assigned), Serialized(source));
    EXPECT_STREQ(assigned.GetProfileName(), L"not carried");

    COnlineProfile copied;
    copied.CopyFrom(&source);
    EXPECT_STREQ(copied.GetPassword(), L"pw");
    EXPECT_EQ(copied.GetFlags(), 2);
    EXPECT_EQ(copied.GetPort(), 990);
}

TEST(OnlineProxyProfileTest, CopiesEveryField) {
    COnlineProxyProfile source;
    source.SetKind(5);
    source.SetFtpLoginForm(7);
    source.SetHost(L"proxy");
    source.SetPort(1080);
    source.SetUserName(L"u");
    source.SetPassword(L"p");
    source.SetAuthentication(1);
    COnlineProxyProfile copy;
    copy.CopyFrom(&source);
    EXPECT_EQ(copy.GetKind(), 5);
    EXPECT_EQ(copy.GetFtpLoginForm(), 7);
    EXPECT_STREQ(copy.GetHost(), L"proxy");
    EXPECT_EQ(copy.GetPort(), 1080);
    EXPECT_STREQ(copy.GetUserName(), L"u");
    EXPECT_STREQ(copy.GetPassword(), L"p");
    EXPECT_EQ(copy.GetAuthentication(), 1);
    EXPECT_EQ(copy.DetectSystemProxy(nullptr), nullptr);
}

} // namespace
