#pragma once
// The JPEG codec (image type 4), over libjpeg-turbo (API 62): decodes JFIF
// and EXIF files (colour, grey, CMYK, optionally quantised, scaled by
// jpegScale) and encodes true-colour and 8-bit grey images. The EXIF reader
// runs before decoding, for the resolution; when an image decoded by this
// object is encoded again by it, the EXIF section goes into the new file.
//
// Codec option bits (type 4): encoding 0x01 baseline tables, 0x02 arithmetic
// coding, 0x04 grey output, 0x08 optimised Huffman tables, 0x10 progressive,
// 0x40 smoothing; decoding 0x80 grey output, 0x100 colour quantisation to
// jpegQuality colours, 0x200 dither mode, 0x400 one-pass quantisation,
// 0x800 no fancy upsampling.

#include <cstdio>

#include "compat/WinTypes.h"
#include "Pendrel/Image/KVXExifInfo.h"
#include "Pendrel/Image/KVXImage.h"

class CKVXImageFile;
class CKVXJpegStream;
struct KVXJpegErrorManager;
struct jpeg_compress_struct;
struct jpeg_decompress_struct;

class KVXIMAGE_API CKVXImageJPG : public CKVXImage {
public:
    using CKVXExifInfo = ::CKVXExifInfo;

    CKVXImageJPG();
    ~CKVXImageJPG() override;
    CKVXImageJPG(const CKVXImageJPG&) = delete;
    CKVXImageJPG& operator=(const CKVXImageJPG&) = delete;

    bool Decode(CKVXImageFile* stream);
    bool Encode(CKVXImageFile* stream);
    // Scans the stream's EXIF data with a new reader, leaving the stream
    // where it was; true when the file carries an EXIF block.
    bool DecodeExif(CKVXImageFile* stream);
    // The same over a caller's FILE (left open).
    bool Decode(FILE* stream);
    bool Encode(FILE* stream);
    bool DecodeExif(FILE* stream);

    const tag_ExifInfo& GetExifInfo() const { return exifInfo; }
    // Hands another codec object's EXIF reader and results to this one.
    void TakeExif(CKVXImageJPG& from);

protected:
    // The parts that run under the JPEG library's error exit (a long jump
    // back into them); they hold no object with a destructor.
    bool DecodeWith(jpeg_decompress_struct& cinfo, KVXJpegErrorManager& error, CKVXJpegStream& source,
                    bool exifFound);
    bool EncodeWith(jpeg_compress_struct& cinfo, KVXJpegErrorManager& error, CKVXJpegStream& destination);
    // Writes the file just encoded from `start` again with the EXIF section
    // of the decoded file in front.
    bool ReinsertExif(CKVXImageFile* stream, long start);

    CKVXExifInfo* exif;
    tag_ExifInfo exifInfo;
    int smoothing;
    int ditherMode;
};
