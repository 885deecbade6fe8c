#pragma once
// CArchive: a buffered reader (and unbuffered writer) over any file, used
// for the reply lines and commands of the FTP control connection. Reading
// refills the buffer from the file in whole blocks; failures are thrown as
// ints (StreamErrors.h): kArchiveEndOfFile when the stream ends during a
// refill, kArchiveWriteRefused for a refused write. The file's own
// exceptions (the socket file's kSocketReadFailed and kSocketWriteFailed)
// pass through. A file's failed read (-1) is thrown as kSocketReadFailed.

#include "OnlineServices/Sendrix/AbstractArchive.h"
#include "compat/WinTypes.h"

class CAbstractFile;

class CArchive : public CAbstractArchive {
public:
    // Mode bit 0 set: loading (reading); clear: storing. A buffer size below
    // 128 becomes 128 and then a given buffer is not used; without one the
    // archive allocates its own.
    CArchive(CAbstractFile* file, int mode, int bufferSize, char* buffer);
    ~CArchive() override;
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    // A line ends at LF, or at CR, which takes one more character with it
    // (the LF of CR LF). With max negative that last character is kept in
    // the text, otherwise it is dropped. Reading |max| characters also ends
    // the line. At the end of the stream: null when nothing was read, else
    // the text so far.
    char* ReadString(char* buffer, int max) override;
    void WriteString(const wchar_t* text) override;

    // One write of the whole data through the file, the file's result. A
    // length of 2 bytes or less, or no file, throws kArchiveWriteRefused.
    int Write(const void* data, unsigned length);
    // Loading: the buffered bytes, then whole blocks straight from the file,
    // then the rest through the buffer. The count delivered (fewer than
    // asked at the end of the stream).
    unsigned Read(void* data, unsigned length);
    BYTE ReadByte();
    // A 16-bit value as stored (little-endian).
    WORD ReadWord();
    // Moves the unread bytes to the start and reads from the file until at
    // least needed bytes are buffered; throws kArchiveEndOfFile when the
    // stream ends first.
    void FillBuffer(unsigned needed);

    bool IsLoading() const { return (m_mode & 1) != 0; }
    unsigned GetBufferSize() const { return m_bufferSize; }

private:
    unsigned ReadFromFile(void* data, unsigned length);
    unsigned Buffered() const { return (unsigned)(m_end - m_current); }

    CAbstractFile* m_file;
    int m_mode;
    unsigned m_bufferSize;
    BYTE* m_start;
    BYTE* m_current;
    BYTE* m_end;
    bool m_ownBuffer;
};

// A new archive; null when memory runs out.
CArchive* CreateArchive(CAbstractFile* file, int mode, int bufferSize, char* buffer);
