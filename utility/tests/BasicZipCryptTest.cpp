#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>
#include <zlib.h>

#include "ReportCapture.h"
#include "testing/TempFolder.h"
#include "utility/BasicZipCrypt.h"
#include "utility/CryptInfo.h"

namespace {

using kvxtest::LogCall;
using kvxtest::TempFolder;

std::vector<BYTE> Bytes(const std::string& s) { return std::vector<BYTE>(s.begin(), s.end()); }

void SetPassword(CCryptInfo& info, const std::string& password) {
    info.SetPassword((const BYTE*)password.data(), (unsigned short)password.size());
}

std::vector<BYTE> Header(CCryptInfo& info) {
    unsigned short length = 0;
    BYTE* header = info.GetHeader(length);
    return std::vector<BYTE>(header, header + length);
}

// Some bytes of every value, longer than one block of anything.
std::vector<BYTE> SampleData(size_t size) {
    std::vector<BYTE> data(size);
    for (size_t i = 0; i < size; ++i) data[i] = (BYTE)(i * 7 + i / 256);
    return data;
}

// The header and cipher text of data under password, the header's check
// bytes made from seed.
std::vector<BYTE> EncryptWithHeader(const std::string& password, DWORD seed, std::vector<BYTE> data) {
    CCryptInfo info;
    SetPassword(info, password);
    info.SetSeed(seed);
    CBasicZipCrypt crypt(nullptr);
    EXPECT_EQ(crypt.BeginEncrypt(&info), 0);
    EXPECT_EQ(crypt.Encrypt(data.data(), (DWORD)data.size(), &info), 0);
    std::vector<BYTE> out = Header(info);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

class BasicZipCryptTest : public ReportCapture {};

TEST_F(BasicZipCryptTest, OneCallOrTwoGiveTheSameBytesAndDecryptBack) {
    const std::vector<BYTE> plain = SampleData(1000);
    CCryptInfo info;
    SetPassword(info, "secret");
    info.SetSeed(0xA1B2C3D4);
    CBasicZipCrypt crypt(&m_log);
    ASSERT_EQ(crypt.BeginEncrypt(&info), 0);
    ASSERT_EQ(Header(info).size(), 12u);
    std::vector<BYTE> once = plain;
    ASSERT_EQ(crypt.Encrypt(once.data(), (DWORD)once.size(), &info), 0);
    EXPECT_NE(once, plain);

    // Reading the header back leaves the keys as they were after making it.
    CBasicZipCrypt twice(&m_log);
    ASSERT_EQ(twice.BeginDecrypt(&info), 0);
    std::vector<BYTE> split = plain;
    ASSERT_EQ(twice.Encrypt(split.data(), 1, &info), 0);
    ASSERT_EQ(twice.Encrypt(split.data() + 1, 999, &info), 0);
    EXPECT_EQ(split, once);

    CBasicZipCrypt reader(&m_log);
    ASSERT_EQ(reader.BeginDecrypt(&info), 0);
    ASSERT_EQ(reader.Decrypt(split.data(), 300, &info), 0);
    ASSERT_EQ(reader.Decrypt(split.data() + 300, 700, &info), 0);
    EXPECT_EQ(split, plain);
    EXPECT_TRUE(m_log.Entries().empty());
}

TEST_F(BasicZipCryptTest, HeadersDifferEvenWithinOneSecond) {
    std::vector<BYTE> a = EncryptWithHeader("secret", 0x12345678, Bytes("same text"));
    std::vector<BYTE> b = EncryptWithHeader("secret", 0x12345678, Bytes("same text"));
    EXPECT_NE(std::vector<BYTE>(a.begin(), a.begin() + 12), std::vector<BYTE>(b.begin(), b.begin() + 12));
    EXPECT_NE(std::vector<BYTE>(a.begin() + 12, a.end()), std::vector<BYTE>(b.begin() + 12, b.end()));
}

TEST_F(BasicZipCryptTest, TheHeaderCheckComparesWithTheSeedsTopByte) {
    // The header of the bytes 1 to 10 and the seed 0x7F000000 under "secret".
    const BYTE sealed[12] = {0xC9, 0xA9, 0xE1, 0x3D, 0xE5, 0x2E, 0x97, 0xE7, 0x3F, 0x10, 0xD4, 0x2C};
    struct Case {
        const char* password;
        DWORD seed;
        int result;
    };
    const Case cases[] = {{"secret", 0x7F000000, 0}, {"secret", 0x7FFFFFFF, 0}, {"secret", 0x80000000, -1},
                          {"Secret", 0x7F000000, -1}, {"wrong!", 0x7F000000, -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.password + std::to_string(c.seed));
        m_log.Clear();
        CCryptInfo info;
        SetPassword(info, c.password);
        info.SetSeed(c.seed);
        info.SetHeader(sealed, 12);
        CBasicZipCrypt crypt(&m_log);
        EXPECT_EQ(crypt.BeginDecrypt(&info), c.result);
        if (c.result == 0) continue;
        ASSERT_EQ(m_log.Entries().size(), 1u);
        EXPECT_EQ(m_log.Entries()[0].call, LogCall::LogEvent);
        EXPECT_EQ(m_log.Entries()[0].category, L"DECRYPTION");
        EXPECT_EQ(m_log.Entries()[0].code, -1);
    }
}

TEST_F(BasicZipCryptTest, UnusableArguments) {
    CCryptInfo noPassword;
    CCryptInfo emptyPassword;
    SetPassword(emptyPassword, "");
    BYTE buffer[4] = {1, 2, 3, 4};
    CBasicZipCrypt crypt(&m_log);
    for (CCryptInfo* info : {&noPassword, &emptyPassword, (CCryptInfo*)nullptr}) {
        EXPECT_EQ(crypt.BeginEncrypt(info), -4);
        EXPECT_EQ(crypt.Encrypt(buffer, 4, info), -4);
        EXPECT_EQ(crypt.BeginDecrypt(info), -4);
        EXPECT_EQ(crypt.Decrypt(buffer, 4, info), -4);
    }
    EXPECT_EQ(AssertionLines().size(), 12u);
    EXPECT_EQ(buffer[0], 1);

    m_log.Clear();
    CCryptInfo info;
    SetPassword(info, "pw");
    EXPECT_EQ(crypt.BeginDecrypt(&info), -4);  // no header
    EXPECT_EQ(crypt.Encrypt(nullptr, 4, &info), -1);
    EXPECT_EQ(crypt.Decrypt(nullptr, 4, &info), -1);
    auto entries = m_log.Entries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].text, L"Assert Failed!!!");
    EXPECT_EQ(entries[1].category, L"ENCRYPTION");
    EXPECT_EQ(entries[1].code, -2);
    EXPECT_EQ(entries[2].category, L"DECRYPTION");
    EXPECT_EQ(entries[2].code, -2);
}

TEST_F(BasicZipCryptTest, CryptInfoBuffersAndTheirLimits) {
    CCryptInfo info;
    unsigned short length = 99;
    EXPECT_EQ(info.GetType(), 1);
    EXPECT_EQ(info.GetPassword(length), nullptr);
    EXPECT_EQ(length, 0);
    ASSERT_NE(info.GetHeader(length), nullptr);
    EXPECT_EQ(length, 0);

    const BYTE bytes[30] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25};
    info.SetHeader(bytes, 30);  // cut at the 24-byte buffer
    BYTE* header = info.GetHeader(length);
    EXPECT_EQ(length, 24);
    EXPECT_EQ(std::vector<BYTE>(header, header + 24), std::vector<BYTE>(bytes, bytes + 24));
    info.SetHeader(bytes, 2);
    header = info.GetHeader(length);
    EXPECT_EQ(length, 2);
    EXPECT_EQ(header[2], 0);  // the rest is zeroed

    EXPECT_EQ(info.GetExtra(length), nullptr);  // only type 3 has the extra block
    info.SetType(3);
    EXPECT_EQ(info.GetExtra(length), nullptr);  // not made yet
    info.SetExtra(bytes, 0);
    ASSERT_NE(info.GetExtra(length), nullptr);
    EXPECT_EQ(length, 0);
    info.SetExtra(bytes, 12);
    EXPECT_EQ(info.GetExtra(length)[9], 10);
    EXPECT_EQ(length, 10);
    info.SetType(2);
    EXPECT_EQ(info.GetHeader(length), nullptr);
    EXPECT_EQ(length, 2);

    EXPECT_EQ(info.SetPassword(bytes, 3), 1);
    EXPECT_EQ(info.GetPassword(length)[2], 3);
    EXPECT_EQ(info.SetPassword(bytes, 0), 1);
    EXPECT_EQ(info.GetPassword(length), nullptr);
    EXPECT_EQ(AssertionLines().size(), 2u);  // the two copies that were too long
}

// A zip archive holding one stored, encrypted entry.
std::string StoredEncryptedZip(const std::string& name, const std::string& content, const std::string& password) {
    DWORD crc = (DWORD)crc32(0, (const Bytef*)content.data(), (uInt)content.size());
    // The header's check byte is the CRC's top byte, so the seed is the CRC.
    std::vector<BYTE> data = EncryptWithHeader(password, crc, Bytes(content));
    std::string zip;
    auto u16 = [&](unsigned v) { zip.push_back((char)(v & 0xFF)); zip.push_back((char)(v >> 8)); };
    auto u32 = [&](DWORD v) { u16(v & 0xFFFF); u16(v >> 16); };
    const unsigned kDate = ((2024 - 1980) << 9) | (5 << 5) | 17;
    auto entryFields = [&] {
        u16(20);  // version needed
        u16(1);   // flags: encrypted
        u16(0);   // stored
        u16(0);   // time
        u16(kDate);
        u32(crc);
        u32((DWORD)data.size());
        u32((DWORD)content.size());
        u16((unsigned)name.size());
        u16(0);  // extra field length
    };
    u32(0x04034B50);
    entryFields();
    zip += name;
    zip.append(data.begin(), data.end());
    DWORD directoryOffset = (DWORD)zip.size();
    u32(0x02014B50);
    u16(20);  // made by
    entryFields();
    u16(0);  // comment length
    u16(0);  // disk
    u16(0);  // internal attributes
    u32(0);  // external attributes
    u32(0);  // offset of the local header
    zip += name;
    DWORD directorySize = (DWORD)zip.size() - directoryOffset;
    u32(0x06054B50);
    u16(0);
    u16(0);
    u16(1);
    u16(1);
    u32(directorySize);
    u32(directoryOffset);
    u16(0);
    return zip;
}

std::string RunAndRead(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return out;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof(buffer), pipe)) > 0) out.append(buffer, n);
    EXPECT_EQ(pclose(pipe), 0) << command;
    return out;
}

TEST(BasicZipCryptInterop, ZipToolsExtractOurEncryptedEntry) {
    TempFolder folder;
    std::string content;
    for (int i = 0; i < 3000; ++i) content.push_back((char)(i * 31 % 251));
    std::string zip = folder.WriteFile("sealed.zip", StoredEncryptedZip("words.txt", content, "Pass word 1"));

    EXPECT_EQ(RunAndRead("unzip -P 'Pass word 1' -p '" + zip + "' words.txt"), content);
    EXPECT_EQ(RunAndRead("python3 -c \"import sys, zipfile; sys.stdout.buffer.write("
                         "zipfile.ZipFile(sys.argv[1]).read('words.txt', pwd=b'Pass word 1'))\" '" +
                         zip + "'"),
              content);
}

} // namespace
