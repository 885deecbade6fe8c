#pragma once
// An image stream over a memory block. A buffer handed to the constructor is
// read and written in place and stays the caller's; the stream owns only the
// blocks it allocated itself (Open, or growth beyond a caller's buffer, which
// copies into a new block and never reallocates the caller's memory).

#include <cstdint>

#include "compat/WinTypes.h"
#include "Pendrel/Image/KVXImageFile.h"

class KVXIMAGE_API CKVXImageMemFile : public CKVXImageFile {
public:
    explicit CKVXImageMemFile(BYTE* buffer = nullptr, DWORD size = 0);
    ~CKVXImageMemFile() override;

    // Starts a fresh, empty block owned by the stream; false when a buffer is
    // already held or the allocation fails.
    bool Open();
    // The block; with detach the caller takes it over (free it with free()),
    // and the stream no longer frees it.
    BYTE* GetBuffer(bool detach = true);

    bool Close() override;
    size_t Read(void* buffer, size_t size, size_t count) override;
    size_t Write(const void* buffer, size_t size, size_t count) override;
    bool Seek(long offset, int origin) override;
    long Tell() override;
    long Size() override;
    bool Flush() override;
    bool Eof() override;
    long Error() override;
    long GetC() override;

protected:
    bool Free();

    BYTE* data;
    int32_t length;
    bool ownsData;
    int32_t position;
    int32_t capacity;

private:
    // Makes room for `required` bytes; false when memory runs out.
    bool Grow(int64_t required);
};
