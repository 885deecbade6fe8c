#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>
#include <zlib.h>

#include "ReportCapture.h"
#include "utility/BasicString.h"
#include "utility/BasicZipCrypt.h"
#include "utility/CryptInfo.h"
#include "utility/ProtectedBlob.h"
#include "utility/TextCodec.h"

namespace {

DWORD U32(const std::vector<BYTE>& b, size_t at) {
    return (DWORD)b[at] | (DWORD)b[at + 1] << 8 | (DWORD)b[at + 2] << 16 | (DWORD)b[at + 3] << 24;
}

unsigned U16(const std::vector<BYTE>& b, size_t at) { return (unsigned)b[at] | (unsigned)b[at + 1] << 8; }

void PutU32(std::vector<BYTE>& b, size_t at, DWORD v) {
    for (int i = 0; i < 4; ++i) b[at + i] = (BYTE)(v >> (8 * i));
}

std::wstring Decrypted(const std::vector<BYTE>& blob, int type, int* result = nullptr) {
    CBasicString text(L"left over");
    int r = DecryptProtectedBlob(blob.data(), (unsigned)blob.size(), text, type);
    if (result) *result = r;
    return text.GetString();
}

class ProtectedBlobTest : public ReportCapture {};

TEST_F(ProtectedBlobTest, BlobOfAbcHasTheDocumentedLayout) {
    std::vector<BYTE> blob = {9, 9, 9};
    ASSERT_EQ(EncryptProtectedBlob(L"abc", blob, 1), 1);
    ASSERT_EQ(blob.size(), 34u);
    const BYTE plain[] = {'a', 0, 'b', 0, 'c', 0};
    EXPECT_EQ(U32(blob, 0), 1u);
    EXPECT_EQ(U32(blob, 4), (DWORD)crc32(0, plain, sizeof(plain)));
    EXPECT_EQ(U32(blob, 8), 16u);
    EXPECT_EQ(U16(blob, 12), 12u);
    EXPECT_EQ(U16(blob, 26), 0u);
    EXPECT_EQ(Decrypted(blob, 1), L"abc");

    // The cipher is the zip encryption under the seed's decimal digits in
    // UTF-16LE, and the header checks out against the seed.
    std::wstring digits = std::to_wstring(U32(blob, 4));
    std::vector<BYTE> password = WideToUtf16LE(digits.data(), digits.size());
    CCryptInfo info;
    info.SetPassword(password.data(), (unsigned short)password.size());
    info.SetSeed(U32(blob, 4));
    info.SetHeader(blob.data() + 14, 12);
    CBasicZipCrypt crypt(nullptr);
    ASSERT_EQ(crypt.BeginDecrypt(&info), 0);
    std::vector<BYTE> text(blob.begin() + 28, blob.end());
    ASSERT_EQ(crypt.Decrypt(text.data(), (DWORD)text.size(), &info), 0);
    EXPECT_EQ(text, std::vector<BYTE>(plain, plain + sizeof(plain)));
    EXPECT_TRUE(AssertionLines().empty());
}

TEST_F(ProtectedBlobTest, AStoredBlobStillOpens) {
    // A blob of "abc" as kept in a settings file.
    const std::vector<BYTE> stored = {
        0x01, 0x00, 0x00, 0x00, 0xB0, 0x7A, 0x95, 0xAD, 0x10, 0x00, 0x00, 0x00,
        0x0C, 0x00, 0x49, 0x77, 0x3A, 0x72, 0xF0, 0x32, 0x8E, 0x81, 0x49, 0xB4,
        0x58, 0xD9, 0x00, 0x00, 0x30, 0xF0, 0x36, 0x43, 0x79, 0xA3
    };
    EXPECT_EQ(Decrypted(stored, 1), L"abc");
}

TEST_F(ProtectedBlobTest, TwoBlobsOfOneTextShareOnlyTheSeed) {
    std::vector<BYTE> a, b;
    ASSERT_EQ(EncryptProtectedBlob(L"correct horse", a, 1), 1);
    ASSERT_EQ(EncryptProtectedBlob(L"correct horse", b, 1), 1);
    EXPECT_EQ(U32(a, 4), U32(b, 4));
    EXPECT_NE(std::vector<BYTE>(a.begin() + 14, a.begin() + 26), std::vector<BYTE>(b.begin() + 14, b.begin() + 26));
    EXPECT_NE(std::vector<BYTE>(a.begin() + 28, a.end()), std::vector<BYTE>(b.begin() + 28, b.end()));
    EXPECT_EQ(Decrypted(a, 1), L"correct horse");
    EXPECT_EQ(Decrypted(b, 1), L"correct horse");
}

TEST_F(ProtectedBlobTest, TextsOfEveryKindRoundTrip) {
    const std::wstring texts[] = {
        L"x",
        L"p\x00E4ssw\x00F6rd \x20AC",
        L"\x1F600 emoji \x10FFFF last",         // surrogate pairs in UTF-16
        std::wstring(5000, L'z') + L"\xD83D",  // long, ending in a lone surrogate
    };
    for (const std::wstring& text : texts) {
        std::vector<BYTE> blob;
        ASSERT_EQ(EncryptProtectedBlob(text.c_str(), blob, 1), 1);
        EXPECT_EQ(blob.size(), 28 + 2 * Utf16UnitCount(text.data(), text.size()));
        EXPECT_EQ(Decrypted(blob, 1), text);
    }
}

TEST_F(ProtectedBlobTest, TypesOtherThanOneAreReportedOrRefused) {
    std::vector<BYTE> blob;
    EXPECT_EQ(EncryptProtectedBlob(L"", blob, 1), 0);
    EXPECT_EQ(EncryptProtectedBlob(nullptr, blob, 1), 0);
    EXPECT_TRUE(blob.empty());
    EXPECT_TRUE(AssertionLines().empty());

    EXPECT_EQ(EncryptProtectedBlob(L"pw", blob, 2), 0);
    EXPECT_EQ(AssertionLines().size(), 1u);
    ASSERT_EQ(EncryptProtectedBlob(L"pw", blob, 3), 1);
    EXPECT_EQ(AssertionLines().size(), 2u);
    EXPECT_EQ(blob.size(), 32u);

    int result = -1;
    EXPECT_EQ(Decrypted(blob, 2, &result), L"");
    EXPECT_EQ(result, 0);
    EXPECT_EQ(AssertionLines().size(), 3u);
    EXPECT_EQ(Decrypted(blob, 3, &result), L"pw");
    EXPECT_EQ(result, 1);
    EXPECT_EQ(AssertionLines().size(), 4u);
}

TEST_F(ProtectedBlobTest, MalformedBlobsAreRefused) {
    std::vector<BYTE> good;
    ASSERT_EQ(EncryptProtectedBlob(L"a somewhat longer secret", good, 1), 1);
    struct Case {
        const char* what;
        std::vector<BYTE> blob;
        bool reported;
    };
    auto with = [&](size_t at, DWORD v) {
        std::vector<BYTE> b = good;
        PutU32(b, at, v);
        return b;
    };
    auto withU16 = [&](size_t at, unsigned v) {
        std::vector<BYTE> b = good;
        b[at] = (BYTE)v;
        b[at + 1] = (BYTE)(v >> 8);
        return b;
    };
    const std::vector<Case> cases = {
        {"11 bytes", std::vector<BYTE>(good.begin(), good.begin() + 11), true},
        {"info length past the end", with(8, (DWORD)good.size() - 11), true},
        {"info length of 4 GiB", with(8, 0xFFFFFFFF), true},
        {"info length too short for the header length", with(8, 1), false},
        {"header length past the info part", withU16(12, 15), false},
        {"header longer than a header can be", [&] {
             std::vector<BYTE> b = withU16(12, 25);
             PutU32(b, 8, 31);
             return b;
         }(), false},
        {"extra length past the info part", withU16(26, 1), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        m_log.Clear();
        int result = -1;
        EXPECT_EQ(Decrypted(c.blob, 1, &result), L"");
        EXPECT_EQ(result, 0);
        EXPECT_EQ(AssertionLines().size(), c.reported ? 1u : 0u);
    }
    CBasicString text(L"x");
    EXPECT_EQ(DecryptProtectedBlob(nullptr, 40, text, 1), 0);
    EXPECT_EQ(text.GetLength(), 0);
}

TEST_F(ProtectedBlobTest, NarrowBlobsReadThroughTheCodePage) {
    // A blob written in the narrow form: format 0, the seed's digits as
    // bytes, the text in Windows-1252.
    const std::string plain = "caf\xE9 \x80";
    DWORD seed = (DWORD)crc32(0, (const BYTE*)plain.data(), (uInt)plain.size());
    std::string digits = std::to_string(seed);
    CCryptInfo info;
    info.SetPassword((const BYTE*)digits.data(), (unsigned short)digits.size());
    info.SetSeed(seed);
    CBasicZipCrypt crypt(nullptr);
    ASSERT_EQ(crypt.BeginEncrypt(&info), 0);
    std::vector<BYTE> cipher(plain.begin(), plain.end());
    cipher.push_back(0);  // a NUL ends the text
    cipher.push_back('!');
    ASSERT_EQ(crypt.Encrypt(cipher.data(), (DWORD)cipher.size(), &info), 0);
    unsigned short length = 0;
    const BYTE* header = info.GetHeader(length);

    std::vector<BYTE> blob(12);
    PutU32(blob, 0, 0);
    PutU32(blob, 4, seed);
    PutU32(blob, 8, 16);
    blob.push_back(12);
    blob.push_back(0);
    blob.insert(blob.end(), header, header + 12);
    blob.push_back(0);
    blob.push_back(0);
    blob.insert(blob.end(), cipher.begin(), cipher.end());
    EXPECT_EQ(Decrypted(blob, 1), L"caf\x00E9 \x20AC");
}

TEST_F(ProtectedBlobTest, DecimalFormatting) {
    struct Case {
        DWORD value;
        int size;
        int result;
        const wchar_t* text;
    };
    const Case cases[] = {
        {0, 32, 1, L"0"},           {4294967295u, 32, 1, L"4294967295"}, {4294967295u, 11, 1, L"4294967295"},
        {4294967295u, 10, 0, L""}, {7, 1, 0, L""},                        {12, 3, 1, L"12"},
    };
    for (const Case& c : cases) {
        wchar_t wide[32] = {L'#'};
        char narrow[32] = {'#'};
        EXPECT_EQ(FormatDecimalW(c.value, wide, c.size), c.result);
        EXPECT_EQ(FormatDecimalA(c.value, narrow, c.size), c.result);
        EXPECT_EQ(std::wstring(wide), c.text);
        EXPECT_EQ(std::wstring(narrow, narrow + strlen(narrow)), c.text);
    }
    EXPECT_TRUE(AssertionLines().empty());
    wchar_t buffer[4];
    EXPECT_EQ(FormatDecimalW(1, buffer, 0), 0);
    EXPECT_EQ(FormatDecimalA(1, nullptr, 4), 0);
    EXPECT_EQ(AssertionLines().size(), 2u);
}

} // namespace
