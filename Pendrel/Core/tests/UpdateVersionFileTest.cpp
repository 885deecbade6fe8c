#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Pendrel/Core/UpdateVersionFile.h"
#include "testing/RecordingLog.h"
#include "utility/tests/ReportCapture.h"

namespace {

const std::wstring kSha = L"9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08";

struct VersionCase {
    const char* name;
    std::wstring reply;
    CBasicVersionNumber current;
    int result;
    int newer;
    CBasicVersionNumber online;
    std::wstring address;
    std::wstring sha256;
    std::vector<int> assertions;
};

class UpdateVersionFileTest : public ReportCapture {};

TEST_F(UpdateVersionFileTest, ReadsTheVersionAndTheInstallerAddress) {
    const CBasicVersionNumber v1999(1, 9, 9, 9);
    const CBasicVersionNumber v2000(2, 0, 0, 0);
    const VersionCase cases[] = {
        {"a newer version gives its address", L"Version=2.0.0.0\nSetup=http://h/setup\n", v1999, 1, 1, v2000,
         L"http://h/setup", L"", {}},
        {"the same version is not newer", L"Version=2.0.0.0\nSetup=http://h/setup\n", v2000, 1, 0, v2000, L"", L"",
         {}},
        {"an older version is not newer", L"Version=1.9.9.8\nSetup=http://h/setup", v1999, 1, 0,
         CBasicVersionNumber(1, 9, 9, 8), L"", L"", {}},
        {"three numbers fill the first, second and fourth part", L"V=1.2.3\nU=http://h/s", CBasicVersionNumber(1, 2, 0, 2),
         1, 1, CBasicVersionNumber(1, 2, 0, 3), L"http://h/s", L"", {}},
        {"one number is the fourth part", L"V=5\nU=http://h/s", CBasicVersionNumber(0, 0, 0, 4), 1, 1,
         CBasicVersionNumber(0, 0, 0, 5), L"http://h/s", L"", {}},
        {"an empty part between dots stays 0 and swallows the rest", L"V=1..2.3\nU=http://h/s", v1999, 1, 0,
         CBasicVersionNumber(1, 0, 0, 0), L"", L"", {}},
        {"a part keeps its low 16 bits", L"V=65537.0.0.0\nU=http://h/s", CBasicVersionNumber(1, 0, 0, 0), 1, 0,
         CBasicVersionNumber(1, 0, 0, 0), L"", L"", {}},
        {"an unreadable own version counts as 0.0.0.0", L"V=0.0.0.1\nU=http://h/s", CBasicVersionNumber(), 1, 1,
         CBasicVersionNumber(0, 0, 0, 1), L"http://h/s", L"", {}},
        {"a single line announces 0.0.0.0", L"Version=2.0.0.0\n", v1999, 1, 0, CBasicVersionNumber(), L"", L"", {}},
        {"a negative part is refused", L"V=1.-2.3.4\nU=http://h/s", v1999, 0, 0, CBasicVersionNumber(), L"", L"",
         {178}},
        {"a newer version without an address is refused", L"V=2.0.0.0\nU=", v1999, 0, 0, v2000, L"", L"", {}},
        {"the address is taken after the first equals sign", L"V=2.0.0.0\nU=http://h/get?f=setup&v=2", v1999, 1, 1,
         v2000, L"http://h/get?f=setup&v=2", L"", {}},
        {"a second line without a key is the address, reported", L"V=2.0.0.0\nhttp://h/s", v1999, 1, 1, v2000,
         L"http://h/s", L"", {210}},
        {"a first line without a key is read whole, reported", L"2.0.0.0\nU=http://h/s", v1999, 1, 1, v2000,
         L"http://h/s", L"", {142}},
        {"CR LF line ends and white space around values", L"  Version = 2.0.0.0 \r\nSetup = http://h/s \r\nNote=x\r\n",
         v1999, 1, 1, v2000, L"http://h/s", L"", {}},
        {"an empty reply is refused", L"", v1999, 0, 0, CBasicVersionNumber(), L"", L"", {119}},
        {"a checksum line is read, in lower case", L"V=2.0.0.0\r\nU=http://h/s\r\nsha256=9F86D081884C7D659A2FEAA0C55AD015A3BF4F1B2B0B822CD15D6C15B0F00A08\r\n",
         v1999, 1, 1, v2000, L"http://h/s", kSha, {}},
        {"the checksum may follow other lines", L"V=2.0.0.0\nU=http://h/s\nNote=x\nSHA256=" + kSha, v1999, 1, 1, v2000,
         L"http://h/s", kSha, {}},
        {"a short checksum is refused", L"V=2.0.0.0\nU=http://h/s\nSHA256=" + kSha.substr(1), v1999, 0, 0, v2000, L"",
         L"", {}},
        {"a checksum with other characters is refused", L"V=2.0.0.0\nU=http://h/s\nSHA256=" + kSha.substr(1) + L"g",
         v1999, 0, 0, v2000, L"", L"", {}},
        {"the checksum line counts only when newer", L"V=2.0.0.0\nU=http://h/s\nSHA256=bad", v2000, 1, 0, v2000, L"",
         L"", {}},
    };
    for (const VersionCase& c : cases) {
        SCOPED_TRACE(c.name);
        m_log.Clear();
        CUpdateVersionFile file;
        EXPECT_EQ(file.Parse(CBasicString(c.reply.c_str()), c.current, nullptr), c.result);
        EXPECT_EQ(file.IsNewer(), c.newer);
        EXPECT_TRUE(file.GetOnlineVersion() == c.online);
        EXPECT_EQ(std::wstring(file.GetDownloadAddress().GetString()), c.address);
        EXPECT_EQ(std::wstring(file.GetSha256().GetString()), c.sha256);
        EXPECT_EQ(AssertionLines(), c.assertions);
    }
}

TEST_F(UpdateVersionFileTest, LogsBothVersionsAsRead) {
    kvxtest::RecordingLog log;
    CUpdateVersionFile file;
    ASSERT_EQ(file.Parse(L"V=70000.2.3.4\nU=http://h/s", CBasicVersionNumber(1, 0, 0, 0), &log), 1);
    const std::vector<kvxtest::RecordedEntry> entries = log.Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].call, kvxtest::LogCall::LogFormat);
    EXPECT_EQ(entries[0].level, 0);
    EXPECT_EQ(entries[0].line, 190);
    EXPECT_EQ(entries[0].text, L"Current version: 1.0.0.0, Online version: 70000.2.3.4");
}

TEST(BasicVersionNumberTest, TheFirstDifferentPartDecides) {
    EXPECT_TRUE(CBasicVersionNumber(2, 0, 0, 0) > CBasicVersionNumber(1, 9, 9, 9));
    EXPECT_TRUE(CBasicVersionNumber(1, 0, 0, 10) > CBasicVersionNumber(1, 0, 0, 9));
    EXPECT_FALSE(CBasicVersionNumber(1, 0, 0, 9) > CBasicVersionNumber(1, 0, 1, 0));
    EXPECT_FALSE(CBasicVersionNumber(1, 2, 3, 4) > CBasicVersionNumber(1, 2, 3, 4));
    EXPECT_TRUE(CBasicVersionNumber() == CBasicVersionNumber(0, 0, 0, 0));
}

} // namespace
