#include "utility/ProtectedBlob.h"

#include <cstring>
#include <cwchar>
#include <string>
#include <zlib.h>

#include "utility/AnsiCodePage.h"
#include "utility/BasicString.h"
#include "utility/BasicZipCrypt.h"
#include "utility/CryptInfo.h"
#include "utility/ErrorReport.h"
#include "utility/LibraryLog.h"
#include "utility/LittleEndian.h"
#include "utility/TextCodec.h"

namespace {

const char kSourceFile[] = ".\\ProtectedBlob";
constexpr DWORD kFormatUtf16 = 1;
constexpr int kPasswordBufferLength = 32;
constexpr unsigned kMinBlobSize = 12;

template <class Char>
int FormatDecimal(DWORD value, Char* buffer, int size) {
    bool usable = buffer && size > 0;
    ReportAssertion(usable, kSourceFile, __LINE__);
    if (!usable) return 0;
    Char digits[10];
    int count = 0;
    do {
        digits[count++] = (Char)('0' + value % 10);
        value /= 10;
    } while (value);
    if (count > size - 1) {
        buffer[0] = 0;
        return 0;
    }
    for (int i = 0; i < count; ++i) buffer[i] = digits[count - 1 - i];
    buffer[count] = 0;
    return 1;
}

// The zip password of a seed: its decimal digits as UTF-16LE or as bytes.
std::vector<BYTE> PasswordOfSeed(DWORD seed, bool utf16) {
    std::vector<BYTE> password;
    if (utf16) {
        wchar_t digits[kPasswordBufferLength] = {};
        FormatDecimalW(seed, digits, kPasswordBufferLength);
        AppendUtf16LE(password, digits, wcslen(digits));
    } else {
        char digits[kPasswordBufferLength] = {};
        FormatDecimalA(seed, digits, kPasswordBufferLength);
        password.assign(digits, digits + strlen(digits));
    }
    return password;
}

void AppendU16(std::vector<BYTE>& out, unsigned value) {
    out.resize(out.size() + 2);
    PutLE16(out.data() + out.size() - 2, (uint16_t)value);
}

void AppendU32(std::vector<BYTE>& out, DWORD value) {
    out.resize(out.size() + 4);
    PutLE32(out.data() + out.size() - 4, value);
}

// Type 1 is the blob's own; type 3 is taken like it but reported.
bool AcceptType(int type) {
    ReportAssertion(type == 1, kSourceFile, __LINE__);
    return type == 1 || type == 3;
}

// Hands the header and extra block of the info part to the info; false
// when a length runs past the part or past its buffer.
bool ReadInfoPart(const BYTE* part, DWORD length, CCryptInfo& info) {
    DWORD pos = 0;
    for (int block = 0; block < 2; ++block) {
        if (length - pos < 2) return false;
        unsigned n = GetLE16(part + pos);
        pos += 2;
        unsigned limit = block == 0 ? CCryptInfo::kHeaderSize : CCryptInfo::kExtraSize;
        if (n > length - pos || n > limit) return false;
        if (n && block == 0) info.SetHeader(part + pos, (unsigned short)n);
        if (n && block == 1) info.SetExtra(part + pos, (unsigned short)n);
        pos += n;
    }
    return true;
}

std::wstring PlainText(const std::vector<BYTE>& plain, bool utf16) {
    if (!utf16) return AnsiToWide((const char*)plain.data(), strnlen((const char*)plain.data(), plain.size()));
    size_t units = 0;
    while (units * 2 + 1 < plain.size() && (plain[units * 2] || plain[units * 2 + 1])) ++units;
    return Utf16LEToWide(plain.data(), units * 2);
}

} // namespace

int FormatDecimalW(DWORD value, wchar_t* buffer, int size) { return FormatDecimal(value, buffer, size); }

int FormatDecimalA(DWORD value, char* buffer, int size) { return FormatDecimal(value, buffer, size); }

int EncryptProtectedBlob(const wchar_t* text, std::vector<BYTE>& blob, int type) {
    if (!text || !*text) return 0;
    if (!AcceptType(type)) return 0;

    std::vector<BYTE> plain = WideToUtf16LE(text, wcslen(text));
    DWORD seed = (DWORD)crc32_z(0, plain.data(), plain.size());
    CCryptInfo info;
    info.SetType(type);
    info.SetSeed(seed);
    info.SetFlags(1);
    std::vector<BYTE> password = PasswordOfSeed(seed, true);
    info.SetPassword(password.data(), (unsigned short)password.size());

    CBasicZipCrypt crypt(GetLibraryLog());
    if (crypt.BeginEncrypt(&info) != 0 || crypt.Encrypt(plain.data(), (DWORD)plain.size(), &info) != 0) return 0;

    unsigned short headerLength = 0;
    unsigned short extraLength = 0;
    const BYTE* header = info.GetHeader(headerLength);
    const BYTE* extra = info.GetExtra(extraLength);
    if (!extra) extraLength = 0;

    blob.clear();
    AppendU32(blob, kFormatUtf16);
    AppendU32(blob, seed);
    AppendU32(blob, (DWORD)headerLength + extraLength + 4);
    AppendU16(blob, headerLength);
    blob.insert(blob.end(), header, header + headerLength);
    AppendU16(blob, extraLength);
    if (extra) blob.insert(blob.end(), extra, extra + extraLength);
    blob.insert(blob.end(), plain.begin(), plain.end());
    return 1;
}

int DecryptProtectedBlob(const BYTE* blob, unsigned size, CBasicString& text, int type) {
    text.Empty();
    bool sized = blob && size >= kMinBlobSize;
    ReportAssertion(sized, kSourceFile, __LINE__);
    if (!sized || !AcceptType(type)) return 0;

    DWORD format = GetLE32(blob);
    DWORD seed = GetLE32(blob + 4);
    DWORD infoLength = GetLE32(blob + 8);
    bool covered = (unsigned long long)kMinBlobSize + infoLength <= size;
    ReportAssertion(covered, kSourceFile, __LINE__);
    if (!covered) return 0;
    // The cipher text, with two zero bytes after it.
    std::vector<BYTE> plain(blob + kMinBlobSize + infoLength, blob + size);
    size_t cipherLength = plain.size();
    plain.resize(cipherLength + 2, 0);

    bool utf16 = (format & kFormatUtf16) != 0;
    CCryptInfo info;
    info.SetType(type);
    info.SetSeed(seed);
    std::vector<BYTE> password = PasswordOfSeed(seed, utf16);
    info.SetPassword(password.data(), (unsigned short)password.size());
    info.SetFlags(1);
    if (!ReadInfoPart(blob + kMinBlobSize, infoLength, info)) return 0;

    // The header check does not decide: the blob's readers have always taken
    // whatever text comes out.
    CBasicZipCrypt crypt(GetLibraryLog());
    crypt.BeginDecrypt(&info);
    crypt.Decrypt(plain.data(), (DWORD)cipherLength, &info);

    std::wstring wide = PlainText(plain, utf16);
    text = CBasicString(wide.c_str(), (int)wide.size());
    return 1;
}
