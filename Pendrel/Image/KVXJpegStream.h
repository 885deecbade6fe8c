#pragma once
// Connects the JPEG library to an image stream: one object that is the
// library's source manager and its destination manager at once, with a
// 4,096-byte buffer. The library reaches it through the compression or
// decompression object's client_data.
//
// An empty stream is the library's empty-input error; a stream that ends
// early gets the library's premature-end warning and an end-of-image marker,
// so that what was read still decodes. A failed write is the library's
// file-write error.

#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

class CKVXImageFile;

class CKVXJpegStream {
public:
    static constexpr size_t kBufferSize = 4096;

    explicit CKVXJpegStream(CKVXImageFile* stream);
    ~CKVXJpegStream();
    CKVXJpegStream(const CKVXJpegStream&) = delete;
    CKVXJpegStream& operator=(const CKVXJpegStream&) = delete;

    // False when the buffer could not be allocated.
    bool IsReady() const { return buffer != nullptr; }
    // Makes this object the source, or the destination, of the library object.
    void AttachSource(j_decompress_ptr cinfo);
    void AttachDestination(j_compress_ptr cinfo);

private:
    static CKVXJpegStream* From(j_common_ptr cinfo);
    static void InitDestination(j_compress_ptr cinfo);
    static boolean EmptyOutputBuffer(j_compress_ptr cinfo);
    static void TermDestination(j_compress_ptr cinfo);
    static void InitSource(j_decompress_ptr cinfo);
    static boolean FillInputBuffer(j_decompress_ptr cinfo);
    static void SkipInputData(j_decompress_ptr cinfo, long count);
    static void TermSource(j_decompress_ptr cinfo);

    jpeg_source_mgr source;
    jpeg_destination_mgr destination;
    CKVXImageFile* file;
    JOCTET* buffer;
    bool startOfFile;
};
