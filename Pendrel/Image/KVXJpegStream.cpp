#include "Pendrel/Image/KVXJpegStream.h"

#include <cstdlib>

#include <jerror.h>

#include "Pendrel/Image/KVXImageFile.h"

CKVXJpegStream::CKVXJpegStream(CKVXImageFile* stream)
    : source(), destination(), file(stream), buffer(static_cast<JOCTET*>(std::malloc(kBufferSize))),
      startOfFile(false) {
    source.init_source = InitSource;
    source.fill_input_buffer = FillInputBuffer;
    source.skip_input_data = SkipInputData;
    source.resync_to_restart = jpeg_resync_to_restart;
    source.term_source = TermSource;
    source.next_input_byte = nullptr;
    source.bytes_in_buffer = 0;
    destination.init_destination = InitDestination;
    destination.empty_output_buffer = EmptyOutputBuffer;
    destination.term_destination = TermDestination;
}

CKVXJpegStream::~CKVXJpegStream() {
    std::free(buffer);
}

void CKVXJpegStream::AttachSource(j_decompress_ptr cinfo) {
    cinfo->client_data = this;
    cinfo->src = &source;
}

void CKVXJpegStream::AttachDestination(j_compress_ptr cinfo) {
    cinfo->client_data = this;
    cinfo->dest = &destination;
}

CKVXJpegStream* CKVXJpegStream::From(j_common_ptr cinfo) {
    return static_cast<CKVXJpegStream*>(cinfo->client_data);
}

// ----- Destination ------------------------------------------------------------

void CKVXJpegStream::InitDestination(j_compress_ptr cinfo) {
    CKVXJpegStream* self = From(reinterpret_cast<j_common_ptr>(cinfo));
    self->destination.next_output_byte = self->buffer;
    self->destination.free_in_buffer = kBufferSize;
}

boolean CKVXJpegStream::EmptyOutputBuffer(j_compress_ptr cinfo) {
    CKVXJpegStream* self = From(reinterpret_cast<j_common_ptr>(cinfo));
    if (self->file->Write(self->buffer, 1, kBufferSize) != kBufferSize) ERREXIT(cinfo, JERR_FILE_WRITE);
    InitDestination(cinfo);
    return TRUE;
}

void CKVXJpegStream::TermDestination(j_compress_ptr cinfo) {
    CKVXJpegStream* self = From(reinterpret_cast<j_common_ptr>(cinfo));
    const size_t count = kBufferSize - self->destination.free_in_buffer;
    if (count > 0 && self->file->Write(self->buffer, 1, count) != count) ERREXIT(cinfo, JERR_FILE_WRITE);
    self->file->Flush();
    if (self->file->Error()) ERREXIT(cinfo, JERR_FILE_WRITE);
}

// ----- Source -----------------------------------------------------------------

void CKVXJpegStream::InitSource(j_decompress_ptr cinfo) {
    From(reinterpret_cast<j_common_ptr>(cinfo))->startOfFile = true;
}

boolean CKVXJpegStream::FillInputBuffer(j_decompress_ptr cinfo) {
    CKVXJpegStream* self = From(reinterpret_cast<j_common_ptr>(cinfo));
    size_t count = self->file->Read(self->buffer, 1, kBufferSize);
    if (count == 0) {
        if (self->startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
        WARNMS(cinfo, JWRN_JPEG_EOF);
        // An end-of-image marker in place of the missing data.
        self->buffer[0] = 0xFF;
        self->buffer[1] = JPEG_EOI;
        count = 2;
    }
    self->source.next_input_byte = self->buffer;
    self->source.bytes_in_buffer = count;
    self->startOfFile = false;
    return TRUE;
}

void CKVXJpegStream::SkipInputData(j_decompress_ptr cinfo, long count) {
    if (count <= 0) return;
    CKVXJpegStream* self = From(reinterpret_cast<j_common_ptr>(cinfo));
    while (count > static_cast<long>(self->source.bytes_in_buffer)) {
        count -= static_cast<long>(self->source.bytes_in_buffer);
        FillInputBuffer(cinfo);
    }
    self->source.next_input_byte += count;
    self->source.bytes_in_buffer -= static_cast<size_t>(count);
}

void CKVXJpegStream::TermSource(j_decompress_ptr) {}
