#include "OnlineServices/Sendrix/Archive.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "OnlineServices/Sendrix/StreamErrors.h"
#include "OnlineServices/Sendrix/TextConversion.h"
#include "utility/AbstractFile.h"
#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = ".\\Archive";

constexpr int kMinimumBufferSize = 128;

} // namespace

CArchive* CreateArchive(CAbstractFile* file, int mode, int bufferSize, char* buffer) {
    return new (std::nothrow) CArchive(file, mode, bufferSize, buffer);
}

CArchive::CArchive(CAbstractFile* file, int mode, int bufferSize, char* buffer) : m_file(file), m_mode(mode) {
    if (bufferSize < kMinimumBufferSize) {
        bufferSize = kMinimumBufferSize;
        buffer = nullptr;
    }
    m_bufferSize = (unsigned)bufferSize;
    m_ownBuffer = buffer == nullptr;
    m_start = m_ownBuffer ? new (std::nothrow) BYTE[m_bufferSize] : reinterpret_cast<BYTE*>(buffer);
    ReportAssertion(m_start != nullptr, kSourceFile, __LINE__);
    if (!m_start) m_bufferSize = 0;
    m_current = m_start;
    m_end = IsLoading() ? m_start : m_start + m_bufferSize;
}

CArchive::~CArchive() {
    if (m_ownBuffer) delete[] m_start;
}

unsigned CArchive::ReadFromFile(void* data, unsigned length) {
    if (!m_file) throw kSocketReadFailed;
    DWORD done = 0;
    if (m_file->Read(data, length, &done) < 0) throw kSocketReadFailed;
    return std::min<unsigned>(done, length);
}

void CArchive::FillBuffer(unsigned needed) {
    bool usable = IsLoading() && m_start != nullptr && needed <= m_bufferSize;
    ReportAssertion(usable, kSourceFile, __LINE__);
    if (!usable) throw kArchiveEndOfFile;
    unsigned have = Buffered();
    memmove(m_start, m_current, have);
    m_current = m_start;
    m_end = m_start + have;
    unsigned got;
    do {
        got = ReadFromFile(m_end, m_bufferSize - have);
        m_end += got;
        have += got;
    } while (got > 0 && have < m_bufferSize && have < needed);
    if (have < needed) throw kArchiveEndOfFile;
}

BYTE CArchive::ReadByte() {
    if (Buffered() < 1) FillBuffer(1);
    return *m_current++;
}

WORD CArchive::ReadWord() {
    if (Buffered() < 2) FillBuffer(2);
    WORD value = (WORD)(m_current[0] | (m_current[1] << 8));
    m_current += 2;
    return value;
}

char* CArchive::ReadString(char* buffer, int max) {
    bool usable = buffer != nullptr && IsLoading();
    ReportAssertion(usable, kSourceFile, __LINE__);
    if (!usable) return nullptr;
    bool keepEnd = max < 0;
    unsigned limit = keepEnd ? 0u - (unsigned)max : (unsigned)max;
    unsigned count = 0;
    try {
        while (count < limit) {
            char ch = (char)ReadByte();
            if (ch == '\n' || ch == '\r') {
                if (ch == '\r') ch = (char)ReadByte();
                if (keepEnd) buffer[count++] = ch;
                break;
            }
            buffer[count++] = ch;
        }
    } catch (int code) {
        if (code != kArchiveEndOfFile) throw;
        if (count == 0) {
            buffer[0] = 0;
            return nullptr;
        }
    }
    buffer[count] = 0;
    return buffer;
}

void CArchive::WriteString(const wchar_t* text) {
    ReportAssertion(text != nullptr, kSourceFile, __LINE__);
    if (!text) return;
    std::string narrow = ToNarrowText(text);
    Write(narrow.data(), (unsigned)narrow.size());
}

int CArchive::Write(const void* data, unsigned length) {
    if (length <= 2 || !m_file) throw kArchiveWriteRefused;
    DWORD done = 0;
    return m_file->Write(data, length, &done);
}

unsigned CArchive::Read(void* data, unsigned length) {
    bool usable = IsLoading() && data != nullptr;
    ReportAssertion(usable, kSourceFile, __LINE__);
    if (!usable) return 0;
    BYTE* out = static_cast<BYTE*>(data);
    unsigned delivered = std::min(length, Buffered());
    memcpy(out, m_current, delivered);
    m_current += delivered;
    unsigned rest = length - delivered;
    if (rest == 0) return delivered;

    unsigned whole = rest - rest % m_bufferSize;
    unsigned direct = 0;
    while (direct < whole) {
        unsigned got = ReadFromFile(out + delivered + direct, whole - direct);
        if (got == 0) break;
        direct += got;
    }
    delivered += direct;
    rest -= direct;
    if (direct < whole || rest == 0) return delivered;

    // The last part goes through the buffer; the end of the stream only
    // makes the count smaller.
    m_current = m_end = m_start;
    while (Buffered() < rest) {
        unsigned got = ReadFromFile(m_end, m_bufferSize - Buffered());
        if (got == 0) break;
        m_end += got;
    }
    unsigned last = std::min(rest, Buffered());
    memcpy(out + delivered, m_current, last);
    m_current += last;
    return delivered + last;
}
