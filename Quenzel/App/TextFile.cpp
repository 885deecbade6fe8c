#include "Quenzel/App/TextFile.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include "Pendrel/App/KVXApp.h"
#include "Pendrel/Pendrel.h"
#include "utility/AbstractLog.h"
#include "utility/ErrorReport.h"
#include "utility/AnsiCodePage.h"
#include "utility/TextCodec.h"

namespace {

const char kSourceFile[] = ".\\textfile";
const wchar_t kSourceFileWide[] = L".\\textfile";
const char kTypeSourceFile[] = ".\\TextType";

CAbstractLog* ProgramLog() {
    CKVXApp* app = KVXGetApp();
    return app ? app->GetLog() : nullptr;
}

bool IsContinuation(unsigned char byte) { return byte >= 0x80 && byte <= 0xBF; }

} // namespace

CTextFile::~CTextFile() {
    Close();
}

void CTextFile::Close() {
    if (m_file) fclose(m_file);
    m_file = nullptr;
}

int CTextFile::Open(const wchar_t* path, const wchar_t* mode) {
    if (!path || !mode) {
        ReportAssertion(0, kSourceFile, 63);
        return -1;
    }
    Close();
    const std::string narrowPath = WideToUtf8(std::wstring(path));
    const std::string narrowMode = WideToUtf8(std::wstring(mode));
    m_file = fopen(narrowPath.c_str(), narrowMode.c_str());
    if (m_file) return 0;
    const int error = errno;
    if (CAbstractLog* log = ProgramLog()) {
        const int code = wcschr(mode, L'w') ? -2 : -1;
        log->LogEventFormat(kSourceFileWide, __LINE__, L"FILE", code, path, error,
                            Utf8ToWide(std::string(strerror(error))).c_str());
    }
    return -1;
}

int CTextFile::ReadLine(std::string& line) {
    line.clear();
    if (!m_file) {
        ReportAssertion(0, kSourceFile, 148);
        return -1;
    }
    int ch = getc(m_file);
    if (ch == EOF) return -8;
    bool cut = false;  // a zero byte ended the text of this line
    while (ch != EOF && ch != '\n') {
        if (ch == 0) cut = true;
        if (!cut) line.push_back(static_cast<char>(ch));
        ch = getc(m_file);
    }
    if (ch == '\n' && !line.empty() && line.back() == '\r') line.pop_back();
    return 0;
}

int LooksLikeUtf16(const unsigned char* bytes, size_t size) {
    if (!bytes || size < 2 || size % 2 != 0) return 0;
    const size_t units = size / 2;
    size_t textual = 0;
    for (size_t i = 0; i < units; ++i) {
        const unsigned unit = bytes[2 * i] | (bytes[2 * i + 1] << 8);
        if (unit == 0) {
            if (i + 1 != units) return 0;  // only a terminator may be zero
            continue;
        }
        if (unit == 0xFFFE || unit == 0xFFFF) return 0;
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (i + 1 >= units) return 0;
            const unsigned next = bytes[2 * i + 2] | (bytes[2 * i + 3] << 8);
            if (next < 0xDC00 || next > 0xDFFF) return 0;
            ++i;
            textual += 2;
            continue;
        }
        if (unit >= 0xDC00 && unit <= 0xDFFF) return 0;
        if (unit >= 0x20 || unit == L'\t' || unit == L'\r' || unit == L'\n') ++textual;
    }
    // Control characters other than line ends are rare in text.
    return textual * 10 >= units * 9 ? 1 : 0;
}

int GetTextType(const unsigned char* bytes, size_t size) {
    if (!bytes || size == 0) {
        ReportAssertion(0, kTypeSourceFile, 105);
        return TEXT_TYPE_EMPTY;
    }
    if (size > 1 && bytes[0] == 0xFE && bytes[1] == 0xFF) return TEXT_TYPE_UTF16_BE_BOM;
    if (size > 1 && bytes[0] == 0xFF && bytes[1] == 0xFE) return TEXT_TYPE_UTF16_LE_BOM;
    if (size > 2 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) return TEXT_TYPE_UTF8_BOM;
    if (size > 1 && bytes[0] != 0 && bytes[1] == 0 && LooksLikeUtf16(bytes, size)) return TEXT_TYPE_UTF16_LE;

    // UTF-8: shortest forms only, no surrogates, nothing above U+10FFFF.
    bool multiByte = false;
    size_t i = 0;
    while (i < size) {
        const unsigned char lead = bytes[i];
        if (lead == 0) return TEXT_TYPE_ANSI;
        if (lead < 0x80) {
            ++i;
            continue;
        }
        size_t length;
        unsigned char low = 0x80, high = 0xBF;  // range of the second byte
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0) low = 0xA0;
            if (lead == 0xED) high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;
        } else {
            return TEXT_TYPE_ANSI;
        }
        multiByte = true;
        for (size_t k = 1; k < length; ++k) {
            if (i + k >= size) return TEXT_TYPE_UTF8;  // cut off by the end of the sample
            const unsigned char byte = bytes[i + k];
            if (k == 1 ? (byte < low || byte > high) : !IsContinuation(byte)) return TEXT_TYPE_ANSI;
        }
        i += length;
    }
    return multiByte ? TEXT_TYPE_UTF8 : TEXT_TYPE_ASCII;
}

int GetFileTextType(const wchar_t* path) {
    if (!path) {
        ReportAssertion(0, kTypeSourceFile, 140);
        return TEXT_TYPE_EMPTY;
    }
    FILE* file = fopen(WideToUtf8(std::wstring(path)).c_str(), "rb");
    if (!file) return TEXT_TYPE_EMPTY;
    std::vector<unsigned char> sample(kTextTypeSample);
    const size_t got = fread(sample.data(), 1, sample.size(), file);
    fclose(file);
    if (got == 0) return TEXT_TYPE_EMPTY;
    return GetTextType(sample.data(), got);
}

std::wstring DecodeText(const unsigned char* bytes, size_t size, int type) {
    if (!bytes || size == 0) return std::wstring();
    switch (type) {
    case TEXT_TYPE_UTF8_BOM:
        return size >= 3 ? Utf8ToWide(reinterpret_cast<const char*>(bytes) + 3, size - 3) : std::wstring();
    case TEXT_TYPE_UTF8:
    case TEXT_TYPE_ASCII:
        return Utf8ToWide(reinterpret_cast<const char*>(bytes), size);
    case TEXT_TYPE_UTF16_LE_BOM:
        return Utf16LEToWide(bytes + 2, (size - 2) & ~size_t(1));
    case TEXT_TYPE_UTF16_LE:
        return Utf16LEToWide(bytes, size & ~size_t(1));
    case TEXT_TYPE_UTF16_BE_BOM: {
        std::vector<uint8_t> swapped(bytes + 2, bytes + 2 + ((size - 2) & ~size_t(1)));
        for (size_t i = 0; i + 1 < swapped.size(); i += 2) std::swap(swapped[i], swapped[i + 1]);
        return Utf16LEToWide(swapped.data(), swapped.size());
    }
    default:
        return AnsiToWide(reinterpret_cast<const char*>(bytes), size);
    }
}
