#pragma once
// The byte stream that every codec reads and writes through, modelled on
// stdio. Implementations: CKVXImageIOFile (a FILE*) and CKVXImageMemFile (a
// growable memory block). Streams own what they hold, so they cannot be copied.

#include <cstddef>

#include "Pendrel/Image/KVXImageDefs.h"

class KVXIMAGE_API CKVXImageFile {
public:
    CKVXImageFile() = default;
    virtual ~CKVXImageFile() = default;
    CKVXImageFile(const CKVXImageFile&) = delete;
    CKVXImageFile& operator=(const CKVXImageFile&) = delete;

    // Releases the underlying file or buffer.
    virtual bool Close() = 0;
    // Reads up to count elements of size bytes; returns the whole elements read.
    virtual size_t Read(void* buffer, size_t size, size_t count) = 0;
    // Writes count elements of size bytes; returns the elements written.
    virtual size_t Write(const void* buffer, size_t size, size_t count) = 0;
    // origin 0 from the start, 1 from the current position, 2 from the end.
    virtual bool Seek(long offset, int origin) = 0;
    virtual long Tell() = 0;
    virtual long Size() = 0;
    virtual bool Flush() = 0;
    virtual bool Eof() = 0;
    virtual long Error() = 0;
    // Writes one byte.
    virtual bool PutC(unsigned char c);
    // Reads one byte; -1 at the end.
    virtual long GetC() = 0;
};
