// The JPEG codec over libjpeg-turbo.
//
// The library reports errors through its error exit, which here stores the
// library's message in lastError and jumps back into DecodeWith or
// EncodeWith. Those frames hold no object with a destructor: the stream
// adapter lives in the calling frame, and everything else is plain data or
// memory of the library's own pools.

#include "Pendrel/Image/KVXImageJPG.h"

#include <algorithm>
#include <csetjmp>
#include <cmath>
#include <cstring>
#include <new>

#include <jpeglib.h>

#include "Pendrel/Image/ImageIterator.h"
#include "Pendrel/Image/KVXImageFile.h"
#include "Pendrel/Image/KVXImageIOFile.h"
#include "Pendrel/Image/KVXJpegStream.h"

static_assert(JPEG_LIB_VERSION == 62, "the JPEG codec is written for the library's API version 62");

// The library's standard error manager with the jump target and the buffer
// that receives the message.
struct KVXJpegErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char* message;
};

namespace {

enum DecodeOption : DWORD {
    OptionDecodeGrey = 0x80,
    OptionQuantize = 0x100,
    OptionDither = 0x200,
    OptionOnePass = 0x400,
    OptionNoFancyUpsampling = 0x800
};

enum EncodeOption : DWORD {
    OptionBaseline = 0x01,
    OptionArithmetic = 0x02,
    OptionEncodeGrey = 0x04,
    OptionOptimize = 0x08,
    OptionProgressive = 0x10,
    OptionSmoothing = 0x40
};

[[noreturn]] void OnJpegError(j_common_ptr cinfo) {
    KVXJpegErrorManager* error = reinterpret_cast<KVXJpegErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, error->message);
    std::longjmp(error->jump, 1);
}

// Warnings (a premature end of the data) are not printed.
void OnJpegMessage(j_common_ptr) {}

void InstallErrorManager(KVXJpegErrorManager& error, char* message) {
    jpeg_std_error(&error.base);
    error.base.error_exit = OnJpegError;
    error.base.output_message = OnJpegMessage;
    error.message = message;
}

// A resolution as dots per inch: truncated and held to the range that the
// image accepts (values below 1 become 96 there).
long WholeDpi(double dpi) {
    if (!(dpi > 0)) return 0;
    return static_cast<long>(std::min(dpi, 2147483647.0));
}

} // namespace

bool CKVXImage::DecodeAsJpg(CKVXImageFile* stream) {
    CKVXImageJPG codec;
    static_cast<CKVXImage&>(codec).CopyInfo(*this);
    const bool decoded = codec.Decode(stream);
    // A JPEG codec object that decodes keeps the EXIF data for its encoder.
    if (decoded) {
        if (CKVXImageJPG* self = dynamic_cast<CKVXImageJPG*>(this)) self->TakeExif(codec);
    }
    return AdoptDecoded(codec, decoded, false);
}

bool CKVXImage::EncodeAsJpg(CKVXImageFile* stream) {
    // A JPEG codec object encodes itself, so that its EXIF data goes along.
    if (CKVXImageJPG* self = dynamic_cast<CKVXImageJPG*>(this)) return self->Encode(stream);
    return RunEncoder<CKVXImageJPG>(stream);
}

CKVXImageJPG::CKVXImageJPG() : CKVXImage(ImageTypeJpg), exif(nullptr), exifInfo(), smoothing(0), ditherMode(0) {}

CKVXImageJPG::~CKVXImageJPG() {
    delete exif;
}

void CKVXImageJPG::TakeExif(CKVXImageJPG& from) {
    if (&from == this) return;
    delete exif;
    exif = from.exif;
    from.exif = nullptr;
    exifInfo = from.exifInfo;
    if (exif) exif->SetInfo(&exifInfo);
}

// ----- EXIF -------------------------------------------------------------------

bool CKVXImageJPG::DecodeExif(CKVXImageFile* stream) {
    if (!stream) return false;
    delete exif;
    exifInfo = tag_ExifInfo();
    exif = new (std::nothrow) CKVXExifInfo(&exifInfo);
    if (!exif) return false;
    const long position = stream->Tell();
    exif->DecodeExif(stream, CKVXExifInfo::ReadExif);
    stream->Seek(position, 0);
    return exifInfo.isExif;
}

bool CKVXImageJPG::ReinsertExif(CKVXImageFile* stream, long start) {
    exif->DiscardAllButExif();
    stream->Seek(start, 0);
    // A stream that cannot be read back keeps the file as it was encoded.
    if (!exif->DecodeExif(stream, CKVXExifInfo::ReadImage)) return true;
    stream->Seek(start, 0);
    return exif->EncodeExif(stream);
}

// ----- Decoding ---------------------------------------------------------------

bool CKVXImageJPG::Decode(CKVXImageFile* stream) {
    if (!stream) return false;
    const bool exifFound = DecodeExif(stream);
    CKVXJpegStream source(stream);
    if (!source.IsReady()) return false;
    KVXJpegErrorManager error;
    jpeg_decompress_struct cinfo;
    std::memset(&cinfo, 0, sizeof cinfo);
    return DecodeWith(cinfo, error, source, exifFound);
}

bool CKVXImageJPG::DecodeWith(jpeg_decompress_struct& cinfo, KVXJpegErrorManager& error, CKVXJpegStream& source,
                              bool exifFound) {
    InstallErrorManager(error, imageInfo.lastError);
    cinfo.err = &error.base;
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    source.AttachSource(&cinfo);
    jpeg_read_header(&cinfo, TRUE);

    const DWORD options = GetCodecOption(ImageTypeJpg);
    if (options & OptionDecodeGrey) cinfo.out_color_space = JCS_GRAYSCALE;
    if (options & OptionQuantize) {
        cinfo.quantize_colors = TRUE;
        cinfo.desired_number_of_colors = imageInfo.jpegQuality;
    }
    if (options & OptionDither) cinfo.dither_mode = static_cast<J_DITHER_MODE>(ditherMode);
    if (options & OptionOnePass) cinfo.two_pass_quantize = FALSE;
    if (options & OptionNoFancyUpsampling) cinfo.do_fancy_upsampling = FALSE;
    // Scale 0 is the default, full size.
    cinfo.scale_denom = imageInfo.jpegScale ? imageInfo.jpegScale : 1;
    // True colour comes out blue, green, red: the image's own order.
    if (cinfo.out_color_space == JCS_RGB && !cinfo.quantize_colors) cinfo.out_color_space = JCS_EXT_BGR;

    if (GetEscape() == -1) {
        // Dimensions only.
        jpeg_calc_output_dimensions(&cinfo);
        header.biWidth = static_cast<LONG>(cinfo.output_width);
        header.biHeight = static_cast<LONG>(cinfo.output_height);
        jpeg_destroy_decompress(&cinfo);
        return true;
    }

    // A picture beyond the memory limit is refused before the library
    // allocates its buffers for it.
    jpeg_calc_output_dimensions(&cinfo);
    if (static_cast<uint64_t>(cinfo.output_width) * cinfo.output_height * cinfo.output_components >
        KVXIMAGE_MAX_MEMORY) {
        SetLastErrorText("KVXIMAGE_MAX_MEMORY exceeded");
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_start_decompress(&cinfo);
    if (!Create(cinfo.output_width, cinfo.output_height, 8 * cinfo.output_components, ImageTypeJpg)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }

    if (exifFound) {
        if (exifInfo.xResolution != 0 && exifInfo.resolutionUnit != 0)
            SetXDPI(WholeDpi(exifInfo.xResolution / exifInfo.resolutionUnit));
        if (exifInfo.yResolution != 0 && exifInfo.resolutionUnit != 0)
            SetYDPI(WholeDpi(exifInfo.yResolution / exifInfo.resolutionUnit));
    } else if (cinfo.density_unit == 2) {
        SetXDPI(static_cast<long>(std::floor(cinfo.X_density * 2.54 + 0.5)));
        SetYDPI(static_cast<long>(std::floor(cinfo.Y_density * 2.54 + 0.5)));
    } else if (cinfo.density_unit != 0) {
        // Unit 0 gives only the aspect ratio: the resolution stays 96 dpi.
        SetXDPI(cinfo.X_density);
        SetYDPI(cinfo.Y_density);
    }

    if (cinfo.quantize_colors) {
        const int components = cinfo.out_color_components;
        for (int i = 0; i < cinfo.actual_number_of_colors && i < 256; ++i) {
            const BYTE red = cinfo.colormap[0][i];
            const BYTE green = components >= 3 ? cinfo.colormap[1][i] : red;
            const BYTE blue = components >= 3 ? cinfo.colormap[2][i] : red;
            SetPaletteColor(static_cast<BYTE>(i), red, green, blue);
        }
    } else if (cinfo.out_color_space == JCS_GRAYSCALE) {
        SetGrayPalette();
    }

    const size_t rowLength = static_cast<size_t>(cinfo.output_width) * cinfo.output_components;
    const bool cmyk = cinfo.out_color_space == JCS_CMYK && !cinfo.quantize_colors;
    const size_t effWidth = imageInfo.effWidth;
    if (!cmyk && rowLength <= effWidth) {
        // Rows that fit the image's rows are read straight into them, top
        // row first, a few at a time.
        constexpr JDIMENSION kRowsPerRead = 16;
        JSAMPROW rows[kRowsPerRead];
        const JDIMENSION height = cinfo.output_height;
        while (cinfo.output_scanline < height) {
            if (GetEscape()) {
                jpeg_destroy_decompress(&cinfo);
                return false;
            }
            const JDIMENSION count = std::min(kRowsPerRead, height - cinfo.output_scanline);
            for (JDIMENSION i = 0; i < count; ++i)
                rows[i] = imageInfo.bits + static_cast<size_t>(height - 1 - (cinfo.output_scanline + i)) * effWidth;
            jpeg_read_scanlines(&cinfo, rows, count);
        }
    } else {
        JSAMPARRAY buffer = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                       static_cast<JDIMENSION>(rowLength), 1);
        CImageIterator iterator(this);
        iterator.MoveToTopRow();
        while (cinfo.output_scanline < cinfo.output_height) {
            if (GetEscape()) {
                jpeg_destroy_decompress(&cinfo);
                return false;
            }
            jpeg_read_scanlines(&cinfo, buffer, 1);
            const BYTE* samples = buffer[0];
            if (cmyk) {
                // Inverted CMYK as most programs store it: blue = K * Y / 255, ...
                BYTE* row = iterator.GetRowPointer();
                for (size_t in = 0, out = 0; out + 2 < effWidth && in + 3 < rowLength; in += 4, out += 3) {
                    const unsigned k = samples[in + 3];
                    row[out] = static_cast<BYTE>(k * samples[in + 2] / 255);
                    row[out + 1] = static_cast<BYTE>(k * samples[in + 1] / 255);
                    row[out + 2] = static_cast<BYTE>(k * samples[in] / 255);
                }
            } else {
                iterator.SetRow(samples, static_cast<long>(rowLength));
            }
            iterator.MoveToRowBelow();
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

// ----- Encoding ---------------------------------------------------------------

bool CKVXImageJPG::Encode(CKVXImageFile* stream) {
    if (EncodeSafeCheck(stream)) return false;
    if (header.biClrUsed != 0 && !(header.biBitCount == 8 && IsGrayScale())) {
        SetLastErrorText("JPEG can save only RGB or GreyScale images");
        return false;
    }
    const long start = stream->Tell();
    bool encoded;
    {
        CKVXJpegStream destination(stream);
        if (!destination.IsReady()) return false;
        KVXJpegErrorManager error;
        jpeg_compress_struct cinfo;
        std::memset(&cinfo, 0, sizeof cinfo);
        encoded = EncodeWith(cinfo, error, destination);
    }
    if (!encoded) return false;
    if (exif && exifInfo.isExif) return ReinsertExif(stream, start);
    return true;
}

bool CKVXImageJPG::EncodeWith(jpeg_compress_struct& cinfo, KVXJpegErrorManager& error,
                              CKVXJpegStream& destination) {
    InstallErrorManager(error, imageInfo.lastError);
    cinfo.err = &error.base;
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    destination.AttachDestination(&cinfo);
    cinfo.image_width = GetWidth();
    cinfo.image_height = GetHeight();
    const bool grey = header.biClrUsed != 0;
    cinfo.input_components = grey ? 1 : 3;
    // True-colour rows go in as they lie: blue, green, red.
    cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);

    const DWORD options = GetCodecOption(ImageTypeJpg);
    if (options & OptionArithmetic) cinfo.arith_code = TRUE;
    if (options & OptionOptimize) cinfo.optimize_coding = TRUE;
    if (options & OptionEncodeGrey) jpeg_set_colorspace(&cinfo, JCS_GRAYSCALE);
    if (options & OptionSmoothing) cinfo.smoothing_factor = smoothing;
    jpeg_set_quality(&cinfo, imageInfo.jpegQuality, (options & OptionBaseline) ? TRUE : FALSE);
    if (options & OptionProgressive) jpeg_simple_progression(&cinfo);
    cinfo.density_unit = 1;
    cinfo.X_density = static_cast<UINT16>(GetXDPI());
    cinfo.Y_density = static_cast<UINT16>(GetYDPI());

    jpeg_start_compress(&cinfo, TRUE);
    const size_t effWidth = imageInfo.effWidth;
    JSAMPARRAY buffer = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                   static_cast<JDIMENSION>(effWidth + 8), 1);
    CImageIterator iterator(this);
    iterator.MoveToTopRow();
    while (cinfo.next_scanline < cinfo.image_height) {
        iterator.GetRow(buffer[0], static_cast<long>(effWidth));
        jpeg_write_scanlines(&cinfo, buffer, 1);
        iterator.MoveToRowBelow();
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

// ----- stdio wrappers ---------------------------------------------------------

bool CKVXImageJPG::Decode(FILE* stream) {
    CKVXImageIOFile file(stream);
    return Decode(&file);
}

bool CKVXImageJPG::Encode(FILE* stream) {
    CKVXImageIOFile file(stream);
    return Encode(&file);
}

bool CKVXImageJPG::DecodeExif(FILE* stream) {
    CKVXImageIOFile file(stream);
    return DecodeExif(&file);
}
