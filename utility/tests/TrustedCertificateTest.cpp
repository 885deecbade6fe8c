#include <gtest/gtest.h>

#include <string>

#include "ReportCapture.h"
#include "testing/TempFolder.h"
#include "utility/LibraryLog.h"
#include "utility/TrustedCertificate.h"

namespace {

std::string Fingerprint(char fill) { return std::string(20, fill); }

class TrustedCertificateTest : public ReportCapture {
protected:
    void SetUp() override {
        ReportCapture::SetUp();
        m_log.SetLogFilePath(m_folder.WSub("Quenzel.log"));
    }
    void WriteStore(const std::string& bytes) { m_folder.WriteFile("TrustedCerts.dat", bytes); }

    kvxtest::TempFolder m_folder;
};

TEST_F(TrustedCertificateTest, FindsFingerprintsInWholeRecords) {
    // Two records and a 10-byte tail.
    std::string second = Fingerprint('b');
    second[19] = 'X';
    WriteStore(Fingerprint('a') + second + std::string(10, 'c'));

    struct Case {
        std::string fingerprint;
        int trusted;
    };
    const Case cases[] = {
        {Fingerprint('a'), 1},
        {second, 1},
        {Fingerprint('b'), 0},  // differs from the second record in its last byte only
        {std::string(10, 'c') + std::string(10, '\0'), 0},
    };
    for (const Case& c : cases) EXPECT_EQ(IsTrustedCertificate(c.fingerprint.data(), 20), c.trusted);
    EXPECT_TRUE(AssertionLines().empty());

    // A longer input is reported and compared by its first 20 bytes.
    std::string longer = second + std::string(12, 'z');
    EXPECT_EQ(IsTrustedCertificate(longer.data(), 32), 1);
    EXPECT_EQ(AssertionLines().size(), 1u);
}

TEST_F(TrustedCertificateTest, EmptyOrMissingStoreTrustsNothing) {
    std::string fingerprint = Fingerprint('a');
    EXPECT_EQ(IsTrustedCertificate(fingerprint.data(), 20), 0);
    // A missing store is the usual case: nothing is logged for it.
    EXPECT_TRUE(m_log.Entries().empty());
    WriteStore("");
    EXPECT_EQ(IsTrustedCertificate(fingerprint.data(), 20), 0);
    WriteStore(fingerprint.substr(0, 19));
    EXPECT_EQ(IsTrustedCertificate(fingerprint.data(), 20), 0);
    EXPECT_TRUE(AssertionLines().empty());
}

TEST_F(TrustedCertificateTest, RefusesShortInputAndMissingLog) {
    WriteStore(Fingerprint('a'));
    std::string fingerprint = Fingerprint('a');
    EXPECT_EQ(IsTrustedCertificate(fingerprint.data(), 19), 0);
    EXPECT_EQ(IsTrustedCertificate(nullptr, 20), 0);
    m_log.SetLogFilePath(L"no-folder.log");
    EXPECT_EQ(IsTrustedCertificate(fingerprint.data(), 20), 0);
    EXPECT_EQ(AssertionLines().size(), 4u);

    SetLibraryLog(nullptr);
    EXPECT_EQ(IsTrustedCertificate(fingerprint.data(), 20), 0);
    EXPECT_EQ(AssertionLines().size(), 4u);
}

} // namespace
