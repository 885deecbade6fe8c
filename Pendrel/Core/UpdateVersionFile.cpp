#include "Pendrel/Core/UpdateVersionFile.h"

#include <climits>
#include <cwchar>
#include <cwctype>

#include "utility/AbstractLog.h"
#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = ".\\PageUpdate";
const wchar_t kSourceFileWide[] = L".\\PageUpdate";
constexpr int kLineEmptyReply = 119;
constexpr int kLineVersionKey = 142;
constexpr int kLineNegativePart = 178;
constexpr int kLineVersions = 190;
constexpr int kLineAddressKey = 210;

const wchar_t kChecksumKey[] = L"SHA256=";
constexpr int kChecksumDigits = 64;

// A number as the system's wide-text conversion reads it: leading white
// space, a sign, decimal digits up to the first other character; 0 when
// there are none; clamped to the 32-bit range.
long ReadNumber(const CBasicString& text) {
    long long value = std::wcstoll(text.GetString(), nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<long>(value);
}

// The value after the first "=" of a line; a "=" first or none is a broken
// line (reported at line), and without any "=" the whole line counts.
CBasicString ValueOf(const CBasicString& line, int reportLine) {
    const int equals = line.FindChar(L'=');
    ReportAssertion(equals > 0, kSourceFile, reportLine);
    return equals >= 0 ? line.MidToEnd(equals + 1) : line;
}

} // namespace

int CUpdateVersionFile::Parse(const CBasicString& reply, const CBasicVersionNumber& current, CAbstractLog* log) {
    m_newer = 0;
    m_online = CBasicVersionNumber();
    m_downloadAddress.Empty();
    m_sha256.Empty();
    if (reply.IsEmpty()) {
        ReportAssertion(0, kSourceFile, kLineEmptyReply);
        return 0;
    }
    CBasicString rest = reply;
    rest.TrimLeft();
    rest.TrimRight();

    // The first line holds the version; without a line feed there is no
    // version line at all.
    CBasicString version;
    const int lineEnd = rest.FindChar(L'\n');
    if (lineEnd > 0) {
        version = rest.Left(lineEnd);
        rest = rest.MidToEnd(lineEnd + 1);
    }
    if (!version.IsEmpty()) {
        const int equals = version.FindChar(L'=');
        if (equals > 0) version = version.MidToEnd(equals + 1);
        else ReportAssertion(0, kSourceFile, kLineVersionKey);
    }

    long parts[4] = {0, 0, 0, 0};
    for (int i = 0; i < 3; ++i) {
        const int dot = version.FindChar(L'.');
        if (dot <= 0) continue;
        parts[i] = ReadNumber(version.Left(dot));
        version = version.MidToEnd(dot + 1);
    }
    if (!version.IsEmpty()) parts[3] = ReadNumber(version);
    for (long part : parts) {
        if (part < 0) {
            ReportAssertion(0, kSourceFile, kLineNegativePart);
            return 0;
        }
    }

    m_online = CBasicVersionNumber(static_cast<WORD>(parts[0]), static_cast<WORD>(parts[1]),
                                   static_cast<WORD>(parts[2]), static_cast<WORD>(parts[3]));
    if (log)
        log->LogFormat(kSourceFileWide, kLineVersions, 0, L"Current version: %d.%d.%d.%d, Online version: %d.%d.%d.%d",
                       current.GetPart(0), current.GetPart(1), current.GetPart(2), current.GetPart(3),
                       static_cast<int>(parts[0]), static_cast<int>(parts[1]), static_cast<int>(parts[2]),
                       static_cast<int>(parts[3]));
    if (!(m_online > current)) return 1;

    // The second line holds the installer's address; further lines may hold
    // its checksum.
    CBasicString addressLine = rest;
    CBasicString further;
    const int addressEnd = rest.FindChar(L'\n');
    if (addressEnd > 0) {
        addressLine = rest.Left(addressEnd);
        further = rest.MidToEnd(addressEnd + 1);
    }
    CBasicString address = ValueOf(addressLine, kLineAddressKey);
    // A file written with CR LF line ends leaves the CR behind; white space
    // is no part of an address.
    address.TrimLeft();
    address.TrimRight();
    if (address.IsEmpty()) return 0;
    if (!ReadChecksum(further)) return 0;
    m_downloadAddress = address;
    m_newer = 1;
    return 1;
}

int CUpdateVersionFile::ReadChecksum(const CBasicString& lines) {
    int start = 0;
    while (start < lines.GetLength()) {
        int end = lines.FindCharFrom(L'\n', start);
        if (end < 0) end = lines.GetLength();
        CBasicString line = lines.Mid(start, end - start);
        start = end + 1;
        line.TrimLeft();
        line.TrimRight();
        const int keyLength = static_cast<int>(std::wcslen(kChecksumKey));
        if (line.Left(keyLength).CompareNoCase(kChecksumKey) != 0) continue;
        CBasicString digits = line.MidToEnd(keyLength);
        digits.TrimLeft();
        if (digits.GetLength() != kChecksumDigits) return 0;
        for (int i = 0; i < digits.GetLength(); ++i)
            if (!std::iswxdigit(static_cast<wint_t>(digits.GetAt(i))) || digits.GetAt(i) > 0x7F) return 0;
        digits.MakeLower();
        m_sha256 = digits;
        return 1;
    }
    return 1;
}
