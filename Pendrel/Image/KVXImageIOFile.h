#pragma once
// An image stream over a stdio FILE. A FILE handed in stays the caller's (it
// is left open by Close); a file opened by Open belongs to the stream.

#include <cstdio>

#include "Pendrel/Image/KVXImageFile.h"

class KVXIMAGE_API CKVXImageIOFile : public CKVXImageFile {
public:
    explicit CKVXImageIOFile(FILE* fp = nullptr);
    ~CKVXImageIOFile() override;

    // Opens a file by its wide path and mode (for example L"rb"); false when
    // a file is already held or the open fails.
    bool Open(const wchar_t* path, const wchar_t* mode);

    bool Close() override;
    size_t Read(void* buffer, size_t size, size_t count) override;
    size_t Write(const void* buffer, size_t size, size_t count) override;
    bool Seek(long offset, int origin) override;
    long Tell() override;
    long Size() override;
    bool Flush() override;
    bool Eof() override;
    long Error() override;
    bool PutC(unsigned char c) override;
    long GetC() override;

protected:
    FILE* stream;
    bool ownsStream;
};
