#pragma once
// Fixtures for the codec tests: PNG and JPEG files written with libpng and
// libjpeg directly (for the cases our encoders never write), a stream whose
// writes fail, and small byte helpers.

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "Pendrel/Image/KVXImage.h"
#include "Pendrel/Image/KVXImageMemFile.h"

namespace kvxcodectest {

using Bytes = std::vector<BYTE>;

// ----- PNG files written with libpng ---------------------------------------------

struct PngSpec {
    png_uint_32 width = 1;
    png_uint_32 height = 1;
    int bitDepth = 8;
    int colorType = PNG_COLOR_TYPE_RGB;
    bool interlaced = false;
    // Rows top-down, each packed as PNG stores it (16-bit samples big-endian).
    std::vector<Bytes> rows;
    std::vector<png_color> palette;
    std::vector<png_byte> transAlpha;   // tRNS of a palette file
    bool hasTransColor = false;         // tRNS of a grey or RGB file
    png_color_16 transColor{};
    bool hasBackground = false;
    png_color_16 background{};
    bool hasPhys = false;
    png_uint_32 physX = 0;
    png_uint_32 physY = 0;
    int physUnit = PNG_RESOLUTION_METER;
    png_uint_32 gamma = 0;               // gAMA (gamma × 100000) when not 0
};

inline void AppendToBytes(png_structp png, png_bytep data, size_t length) {
    Bytes* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

// Writes the described PNG into out; false on a libpng error. Nothing with a
// destructor lives in this frame.
inline bool WritePngInto(const PngSpec& spec, Bytes* out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, AppendToBytes, nullptr);
    png_set_IHDR(png, info, spec.width, spec.height, spec.bitDepth, spec.colorType,
                 spec.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!spec.palette.empty())
        png_set_PLTE(png, info, spec.palette.data(), static_cast<int>(spec.palette.size()));
    if (!spec.transAlpha.empty())
        png_set_tRNS(png, info, spec.transAlpha.data(), static_cast<int>(spec.transAlpha.size()), nullptr);
    if (spec.hasTransColor) png_set_tRNS(png, info, nullptr, 1, &spec.transColor);
    if (spec.hasBackground) png_set_bKGD(png, info, &spec.background);
    if (spec.hasPhys) png_set_pHYs(png, info, spec.physX, spec.physY, spec.physUnit);
    if (spec.gamma) png_set_gAMA_fixed(png, info, static_cast<png_fixed_point>(spec.gamma));
    png_write_info(png, info);
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass)
        for (const Bytes& row : spec.rows) png_write_row(png, row.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

inline Bytes WritePng(const PngSpec& spec) {
    Bytes out;
    if (!WritePngInto(spec, &out)) out.clear();
    return out;
}

// ----- JPEG files written with libjpeg --------------------------------------------

struct JpegSpec {
    JDIMENSION width = 1;
    JDIMENSION height = 1;
    int components = 3;
    J_COLOR_SPACE colorSpace = JCS_RGB;
    Bytes samples;            // rows top-down, `components` samples per pixel
    int quality = 95;
    int densityUnit = 1;
    UINT16 xDensity = 72;
    UINT16 yDensity = 72;
    bool writeJfif = true;
    // Markers written right after the start of the file: (marker, contents).
    std::vector<std::pair<int, Bytes>> markers;
};

struct JpegTestError {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

[[noreturn]] inline void JpegTestErrorExit(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<JpegTestError*>(cinfo->err)->jump, 1);
}

// Writes the described JPEG into *data / *size (a block from malloc, the caller frees
// it); false on a library error.
inline bool WriteJpegInto(const JpegSpec& spec, unsigned char** data, unsigned long* size) {
    jpeg_compress_struct cinfo;
    JpegTestError error;
    cinfo.err = jpeg_std_error(&error.base);
    error.base.error_exit = JpegTestErrorExit;
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, data, size);
    cinfo.image_width = spec.width;
    cinfo.image_height = spec.height;
    cinfo.input_components = spec.components;
    cinfo.in_color_space = spec.colorSpace;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, spec.quality, TRUE);
    cinfo.write_JFIF_header = spec.writeJfif ? TRUE : FALSE;
    cinfo.density_unit = static_cast<UINT8>(spec.densityUnit);
    cinfo.X_density = spec.xDensity;
    cinfo.Y_density = spec.yDensity;
    jpeg_start_compress(&cinfo, TRUE);
    for (const auto& marker : spec.markers)
        jpeg_write_marker(&cinfo, marker.first, marker.second.data(), static_cast<unsigned>(marker.second.size()));
    const size_t stride = static_cast<size_t>(spec.width) * spec.components;
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(spec.samples.data() + cinfo.next_scanline * stride);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

inline Bytes WriteJpeg(const JpegSpec& spec) {
    unsigned char* data = nullptr;
    unsigned long size = 0;
    Bytes out;
    if (WriteJpegInto(spec, &data, &size)) out.assign(data, data + size);
    std::free(data);
    return out;
}

// ----- Streams and bytes ----------------------------------------------------------

// A memory stream that accepts only the first `limit` bytes written.
class ShortWriteStream : public CKVXImageMemFile {
public:
    explicit ShortWriteStream(size_t limit) : remaining(limit) { Open(); }
    size_t Write(const void* buffer, size_t size, size_t count) override {
        if (size * count > remaining) {
            remaining = 0;
            return 0;
        }
        remaining -= size * count;
        return CKVXImageMemFile::Write(buffer, size, count);
    }

private:
    size_t remaining;
};

// Encodes the image into a new byte vector; empty when encoding fails.
inline Bytes EncodeToBytes(CKVXImage& image, DWORD type) {
    BYTE* buffer = nullptr;
    long size = 0;
    Bytes out;
    if (image.Encode(buffer, size, type)) out.assign(buffer, buffer + size);
    CKVXImage::FreeMemory(buffer);
    return out;
}

inline bool DecodeBytes(CKVXImage& image, const Bytes& bytes, DWORD type) {
    return image.Decode(bytes.data(), static_cast<DWORD>(bytes.size()), type);
}

inline void PutLE16(Bytes& out, unsigned value) {
    out.push_back(static_cast<BYTE>(value));
    out.push_back(static_cast<BYTE>(value >> 8));
}

inline void PutLE32(Bytes& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<BYTE>(value >> (8 * i)));
}

inline void PutBE16(Bytes& out, unsigned value) {
    out.push_back(static_cast<BYTE>(value >> 8));
    out.push_back(static_cast<BYTE>(value));
}

} // namespace kvxcodectest
