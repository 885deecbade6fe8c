#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ReportCapture.h"
#include "utility/BasicCrypt.h"
#include "utility/CryptInfo.h"
#include "utility/Rc4Cipher.h"

namespace {

std::vector<BYTE> FromHex(const std::string& hex) {
    std::vector<BYTE> bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes.push_back((BYTE)std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

// Key stream vectors of RFC 6229 at the offsets 0, 16, 240 and 4096.
TEST(Rc4Cipher, KeyStreamMatchesRfc6229) {
    struct Vector {
        const char* key;
        size_t offset;
        const char* stream;
    };
    const Vector vectors[] = {
        {"0102030405", 0, "b2396305f03dc027ccc3524a0a1118a8"},
        {"0102030405", 16, "6982944f18fc82d589c403a47a0d0919"},
        {"0102030405", 240, "28cb1132c96ce286421dcaadb8b69eae"},
        {"0102030405", 4096, "ff25b58995996707e51fbdf08b34d875"},
        {"01020304050607", 0, "293f02d47f37c9b633f2af5285feb46b"},
        {"01020304050607", 240, "914f02531c9218810df60f67e338154c"},
        {"0102030405060708090a0b0c0d0e0f10", 0, "9ac7cc9a609d1ef7b2932899cde41b97"},
        {"0102030405060708090a0b0c0d0e0f10", 4096, "a36a4c301ae8ac13610ccbc12256cacc"},
        {"0102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f20", 0, "eaa6bd25880bf93d3f5d1e4ca2611d91"},
        {"0102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f20", 240, "114ae344ded71b35f2e60febad727fd8"},
    };
    for (const Vector& v : vectors) {
        SCOPED_TRACE(std::string(v.key) + " @" + std::to_string(v.offset));
        std::vector<BYTE> key = FromHex(v.key);
        CRc4Cipher cipher(key.data(), key.size());
        std::vector<BYTE> skip(v.offset, 0);
        cipher.Apply(skip.data(), skip.size());
        std::vector<BYTE> stream(16, 0);
        cipher.Apply(stream.data(), stream.size());
        EXPECT_EQ(stream, FromHex(v.stream));
    }
}

class BasicCryptTest : public ReportCapture {
protected:
    void SetUp() override {
        ReportCapture::SetUp();
        m_info.SetPassword((const BYTE*)"password", 8);
        m_info.SetFlags(1);
    }
    CCryptInfo m_info;
};

TEST_F(BasicCryptTest, BlocksOfAnySizeContinueOneStream) {
    std::vector<BYTE> plain(2500);
    for (size_t i = 0; i < plain.size(); ++i) plain[i] = (BYTE)(i % 253);
    std::vector<BYTE> data = plain;

    CBasicCrypt crypt(&m_log);
    m_info.SetFlags(0);
    ASSERT_EQ(crypt.BeginEncrypt(&m_info), 0);
    ASSERT_EQ(crypt.Encrypt(data.data(), 1008, &m_info), 0);
    ASSERT_EQ(crypt.Encrypt(data.data() + 1008, 1008, &m_info), 0);
    m_info.SetFlags(1);
    ASSERT_EQ(crypt.Encrypt(data.data() + 2016, 484, &m_info), 0);
    EXPECT_NE(data, plain);

    // Encrypting again from a new Begin gives the same cipher text.
    std::vector<BYTE> again = plain;
    ASSERT_EQ(crypt.BeginEncrypt(&m_info), 0);
    ASSERT_EQ(crypt.Encrypt(again.data(), (DWORD)again.size(), &m_info), 0);
    EXPECT_EQ(again, data);

    CBasicCrypt reader(&m_log);
    m_info.SetFlags(0);
    ASSERT_EQ(reader.BeginDecrypt(&m_info), 0);
    ASSERT_EQ(reader.Decrypt(data.data(), 1000, &m_info), 0);
    ASSERT_EQ(reader.Decrypt(data.data() + 1000, 1000, &m_info), 0);
    m_info.SetFlags(1);
    ASSERT_EQ(reader.Decrypt(data.data() + 2000, 500, &m_info), 0);
    EXPECT_EQ(data, plain);
    EXPECT_TRUE(m_log.Entries().empty());
}

TEST_F(BasicCryptTest, TheKeyComesFromTheFirst56BitsOfTheMd5Hash) {
    // MD5("password") = 5f4dcc3b5aa765d61d8327deb882cf99.
    std::vector<BYTE> key = FromHex("5f4dcc3b5aa765");
    std::vector<BYTE> expected(32, 0x5A);
    CRc4Cipher(key.data(), key.size()).Apply(expected.data(), expected.size());

    std::vector<BYTE> data(32, 0x5A);
    CBasicCrypt crypt(&m_log);
    ASSERT_EQ(crypt.BeginEncrypt(&m_info), 0);
    ASSERT_EQ(crypt.Encrypt(data.data(), (DWORD)data.size(), &m_info), 0);
    EXPECT_EQ(data, expected);
}

TEST_F(BasicCryptTest, UnusableArgumentsAndAnEndedMessage) {
    CCryptInfo empty;
    BYTE buffer[8] = {};
    CBasicCrypt crypt(&m_log);
    EXPECT_EQ(crypt.BeginEncrypt(&empty), -4);
    EXPECT_EQ(crypt.BeginDecrypt(nullptr), -4);
    EXPECT_EQ(crypt.Encrypt(buffer, 8, &empty), -4);
    EXPECT_EQ(crypt.Encrypt(nullptr, 8, &m_info), -4);
    EXPECT_EQ(crypt.Decrypt(buffer, 0, &m_info), -4);
    EXPECT_EQ(AssertionLines().size(), 5u);

    // The call with flags set ended the message: the key is gone.
    m_log.Clear();
    m_log.Define(L"ENCRYPTION", -4, L"error %d");
    ASSERT_EQ(crypt.BeginEncrypt(&m_info), 0);
    ASSERT_EQ(crypt.Encrypt(buffer, 8, &m_info), 0);
    EXPECT_EQ(crypt.Encrypt(buffer, 8, &m_info), -1);
    auto entries = m_log.Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].call, kvxtest::LogCall::LogEventFormat);
    EXPECT_EQ(entries[0].category, L"ENCRYPTION");
    EXPECT_EQ(entries[0].code, -4);
    EXPECT_EQ(entries[0].text, L"error -2146893821");  // the missing-key error, 0x80090003
}

} // namespace
