#include "Pendrel/Image/KVXImageIOFile.h"

#include "Pendrel/Image/KVXWidePath.h"

CKVXImageIOFile::CKVXImageIOFile(FILE* fp) : stream(fp), ownsStream(fp == nullptr) {}

CKVXImageIOFile::~CKVXImageIOFile() {
    Close();
}

bool CKVXImageIOFile::Open(const wchar_t* path, const wchar_t* mode) {
    if (stream || !path || !mode) return false;
    std::string narrowPath;
    std::string narrowMode;
    if (!KVXWideToUtf8(path, narrowPath) || !KVXWideToUtf8(mode, narrowMode)) return false;
    FILE* fp = std::fopen(narrowPath.c_str(), narrowMode.c_str());
    if (!fp) return false;
    stream = fp;
    ownsStream = true;
    return true;
}

bool CKVXImageIOFile::Close() {
    if (!stream || !ownsStream) return true;
    const bool closed = std::fclose(stream) == 0;
    stream = nullptr;
    return closed;
}

size_t CKVXImageIOFile::Read(void* buffer, size_t size, size_t count) {
    if (!stream) return 0;
    return std::fread(buffer, size, count, stream);
}

size_t CKVXImageIOFile::Write(const void* buffer, size_t size, size_t count) {
    if (!stream) return 0;
    return std::fwrite(buffer, size, count, stream);
}

bool CKVXImageIOFile::Seek(long offset, int origin) {
    if (!stream) return false;
    return std::fseek(stream, offset, origin) == 0;
}

long CKVXImageIOFile::Tell() {
    if (!stream) return 0;
    return std::ftell(stream);
}

long CKVXImageIOFile::Size() {
    if (!stream) return -1;
    const long position = std::ftell(stream);
    if (position < 0 || std::fseek(stream, 0, SEEK_END) != 0) return -1;
    const long size = std::ftell(stream);
    if (std::fseek(stream, position, SEEK_SET) != 0) return -1;
    return size;
}

bool CKVXImageIOFile::Flush() {
    if (!stream) return false;
    return std::fflush(stream) == 0;
}

bool CKVXImageIOFile::Eof() {
    if (!stream) return true;
    return std::feof(stream) != 0;
}

long CKVXImageIOFile::Error() {
    if (!stream) return -1;
    return std::ferror(stream);
}

bool CKVXImageIOFile::PutC(unsigned char c) {
    if (!stream) return false;
    return std::fputc(c, stream) == c;
}

long CKVXImageIOFile::GetC() {
    if (!stream) return -1;
    return std::getc(stream);
}
