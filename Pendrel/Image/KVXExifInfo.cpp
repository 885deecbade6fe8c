// The EXIF reader. Every position inside a section is checked against the
// section's size in 64-bit arithmetic before it is read, directory links are
// followed to a bounded depth, and the section table never grows past its 20
// entries.

#include "Pendrel/Image/KVXExifInfo.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "Pendrel/Image/KVXImageFile.h"

namespace {

// Bytes per component of the tag value formats 1 to 12.
constexpr int kFormatBytes[13] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};

enum Format {
    FormatByte = 1,
    FormatString = 2,
    FormatUShort = 3,
    FormatULong = 4,
    FormatURational = 5,
    FormatSByte = 6,
    FormatUndefined = 7,
    FormatSShort = 8,
    FormatSLong = 9,
    FormatSRational = 10,
    FormatSingle = 11,
    FormatDouble = 12
};

enum Tag {
    TagMake = 0x010F,
    TagModel = 0x0110,
    TagOrientation = 0x0112,
    TagXResolution = 0x011A,
    TagYResolution = 0x011B,
    TagResolutionUnit = 0x0128,
    TagThumbnailOffset = 0x0201,
    TagThumbnailLength = 0x0202,
    TagExposureTime = 0x829A,
    TagFNumber = 0x829D,
    TagExifOffset = 0x8769,
    TagExposureProgram = 0x8822,
    TagIsoEquivalent = 0x8827,
    TagExifVersion = 0x9000,
    TagDateTimeOriginal = 0x9003,
    TagCompressionLevel = 0x9102,
    TagShutterSpeed = 0x9201,
    TagAperture = 0x9202,
    TagBrightness = 0x9203,
    TagExposureBias = 0x9204,
    TagMaxAperture = 0x9205,
    TagSubjectDistance = 0x9206,
    TagMeteringMode = 0x9207,
    TagLightSource = 0x9208,
    TagFlash = 0x9209,
    TagFocalLength = 0x920A,
    TagUserComment = 0x9286,
    TagExifImageWidth = 0xA002,
    TagExifImageHeight = 0xA003,
    TagInteropOffset = 0xA005,
    TagFocalPlaneXRes = 0xA20E,
    TagFocalPlaneYRes = 0xA20F,
    TagFocalPlaneUnits = 0xA210
};

// Directories nest only a few levels in real files (first directory, EXIF
// directory, interoperability directory, thumbnail directory); links beyond
// this depth are not followed, so a loop of links ends.
constexpr int kMaxDirectoryDepth = 6;

// Resolution unit factors: resolution / factor = dots per inch.
float UnitFactor(int unit) {
    switch (unit) {
    case 1:
    case 2: return 1.0f;
    case 3: return 0.3937008f;
    case 4: return 0.03937008f;
    case 5: return 0.00003937008f;
    default: return 0.0f;
    }
}

// A tag's number as a whole number: truncated, held to the int range, and 0
// for a value that is not a number.
int Whole(double value) {
    if (!(value == value)) return 0;
    return static_cast<int>(std::clamp(value, static_cast<double>(INT32_MIN), static_cast<double>(INT32_MAX)));
}

// A tag's number as a float, finite values held to the float range.
float Real(double value) {
    if (std::isfinite(value)) value = std::clamp(value, -3.4e38, 3.4e38);
    return static_cast<float>(value);
}

// A tag's number as an offset or length inside a block (0 to 2^32 - 1).
uint64_t BlockPosition(double value) {
    if (!(value > 0)) return 0;
    return static_cast<uint64_t>(std::min(value, 4294967295.0));
}

// Copies at most `limit` characters of a value of `size` bytes that need not
// be terminated, and terminates the copy.
void CopyText(char* target, size_t limit, const BYTE* value, uint64_t size) {
    const size_t count = static_cast<size_t>(std::min<uint64_t>(size, limit));
    size_t i = 0;
    for (; i < count && value[i] != 0; ++i) target[i] = static_cast<char>(value[i]);
    target[i] = '\0';
}

} // namespace

CKVXExifInfo::CKVXExifInfo(tag_ExifInfo* record)
    : info(record), ownsInfo(record == nullptr), exifImageWidth(0), motorolaOrder(0), sections(), sectionCount(0) {
    if (ownsInfo) {
        info = static_cast<tag_ExifInfo*>(std::calloc(1, sizeof(tag_ExifInfo)));
        if (!info) ownsInfo = false;
    }
    exifLastError[0] = '\0';
}

CKVXExifInfo::~CKVXExifInfo() {
    for (Section& section : sections) std::free(section.data);
    if (ownsInfo) std::free(info);
}

void CKVXExifInfo::SetInfo(tag_ExifInfo* record) {
    if (!record || record == info) return;
    if (info) std::memcpy(record, info, sizeof *record);
    if (ownsInfo) std::free(info);
    info = record;
    ownsInfo = false;
}

bool CKVXExifInfo::Fail(const char* text) {
    std::strncpy(exifLastError, text, sizeof exifLastError - 1);
    exifLastError[sizeof exifLastError - 1] = '\0';
    return false;
}

void CKVXExifInfo::RemoveSection(int index) {
    std::free(sections[index].data);
    for (int i = index; i + 1 < sectionCount; ++i) sections[i] = sections[i + 1];
    --sectionCount;
    sections[sectionCount] = Section{nullptr, 0, 0};
}

// ----- Reading the sections ---------------------------------------------------

bool CKVXExifInfo::DecodeExif(CKVXImageFile* stream, int mode) {
    if (!stream || !info) return false;
    if (stream->GetC() != 0xFF || stream->GetC() != 0xD8) return false;
    for (;;) {
        if (sectionCount >= kMaxSections) return Fail("Too many sections in jpg file");
        long marker = 0;
        for (int fillers = 0;; ++fillers) {
            marker = stream->GetC();
            if (marker != 0xFF) break;
            if (fillers == 6) return false;
        }
        if (marker < 0) return false;

        const long high = stream->GetC();
        const long low = stream->GetC();
        if (high < 0 || low < 0) return Fail("Premature end of file?");
        const unsigned length = static_cast<unsigned>((high << 8) | low);
        if (length < 2) return Fail("invalid marker");
        BYTE* data = static_cast<BYTE*>(std::malloc(length));
        if (!data) return Fail("Could not allocate memory");
        data[0] = static_cast<BYTE>(high);
        data[1] = static_cast<BYTE>(low);
        if (length > 2 && stream->Read(data + 2, 1, length - 2) != length - 2) {
            std::free(data);
            return Fail("Premature end of file?");
        }
        const int index = sectionCount++;
        sections[index] = Section{data, static_cast<int>(marker), length};

        switch (marker) {
        case 0xDA: { // start of scan: the compressed data follows
            if (mode & ReadImage) {
                if (sectionCount >= kMaxSections) return Fail("Too many sections in jpg file");
                const long here = stream->Tell();
                const long size = std::max(stream->Size() - here, 0L);
                BYTE* image = static_cast<BYTE*>(std::malloc(static_cast<size_t>(size) + 1));
                if (!image) return Fail("could not allocate data for entire image");
                if (size > 0 && stream->Read(image, 1, static_cast<size_t>(size)) != static_cast<size_t>(size)) {
                    std::free(image);
                    return Fail("could not read the rest of the image");
                }
                sections[sectionCount++] = Section{image, kImageDataSection, static_cast<unsigned>(size)};
            }
            return true;
        }
        case 0xD9: // end of image without image data
            return false;
        case 0xFE:
            if (mode & ReadExif) process_COM(data, length);
            else RemoveSection(index);
            break;
        case 0xE0:
            RemoveSection(index);
            break;
        case 0xE1:
            if ((mode & ReadExif) && length >= 6 && std::memcmp(data + 2, "Exif", 4) == 0)
                info->isExif = process_EXIF(data + 2, length - 2);
            else RemoveSection(index);
            break;
        case 0xC0: case 0xC1: case 0xC2: case 0xC3: case 0xC5: case 0xC6: case 0xC7:
        case 0xC9: case 0xCA: case 0xCB: case 0xCD: case 0xCE: case 0xCF:
            process_SOFn(data, length, static_cast<int>(marker));
            break;
        default:
            break;
        }
    }
}

// ----- The EXIF block ---------------------------------------------------------

bool CKVXExifInfo::process_EXIF(BYTE* data, unsigned length) {
    info->flashUsed = 0;
    info->comments[0] = '\0';
    exifImageWidth = 0;

    static const BYTE kExifHeader[6] = {'E', 'x', 'i', 'f', 0, 0};
    if (length < 6 + 8 || std::memcmp(data, kExifHeader, 6) != 0) return Fail("Incorrect Exif header");
    if (std::memcmp(data + 6, "II", 2) == 0) motorolaOrder = 0;
    else if (std::memcmp(data + 6, "MM", 2) == 0) motorolaOrder = 1;
    else return Fail("Invalid Exif alignment marker.");
    if (Get16u(data + 8) != 0x2A) return Fail("Invalid Exif start (1)");

    BYTE* const offsetBase = data + 6;
    const unsigned blockLength = length - 6;
    BYTE* lastReferenced = offsetBase;
    if (!ProcessExifDir(offsetBase + 8, offsetBase, blockLength, info, &lastReferenced, 0)) return false;
    const unsigned long firstOffset = Get32u(offsetBase + 4);
    if (firstOffset > 8) {
        if (firstOffset >= blockLength) return Fail("Illegal subdirectory link");
        if (!ProcessExifDir(offsetBase + firstOffset, offsetBase, blockLength, info, &lastReferenced, 0)) return false;
    }
    if (info->focalPlaneXRes != 0)
        info->sensorWidth = Real(exifImageWidth * static_cast<double>(info->focalPlaneUnits) / info->focalPlaneXRes);
    return true;
}

bool CKVXExifInfo::ProcessExifDir(BYTE* dirStart, BYTE* offsetBase, unsigned length, tag_ExifInfo* record,
                                  BYTE** lastReferenced, int depth) {
    if (depth > kMaxDirectoryDepth) return true;
    const uint64_t dirOffset = static_cast<uint64_t>(dirStart - offsetBase);
    if (dirOffset + 2 > length) return Fail("Illegally sized directory");
    const unsigned entries = static_cast<unsigned>(Get16u(dirStart));
    if (dirOffset + 2 + 12ull * entries > length) return Fail("Illegally sized directory");

    uint64_t thumbnailOffset = 0;
    uint64_t thumbnailLength = 0;
    for (unsigned de = 0; de < entries; ++de) {
        BYTE* entry = dirStart + 2 + 12 * de;
        const int tag = Get16u(entry);
        const int format = Get16u(entry + 2);
        const uint64_t components = Get32u(entry + 4);
        if (format < 1 || format > 12) return Fail("Illegal format code in EXIF dir");
        const uint64_t byteCount = components * static_cast<uint64_t>(kFormatBytes[format]);
        BYTE* value;
        if (byteCount > 4) {
            const uint64_t valueOffset = Get32u(entry + 8);
            if (valueOffset + byteCount > length) return Fail("Illegal pointer offset value in EXIF.");
            value = offsetBase + valueOffset;
        } else {
            value = entry + 8;
        }
        if (value + byteCount > *lastReferenced) *lastReferenced = value + byteCount;
        // Numbers are read only when the value holds a whole one.
        auto number = [&]() {
            return byteCount >= static_cast<uint64_t>(kFormatBytes[format]) ? ConvertAnyFormat(value, format) : 0.0;
        };

        switch (tag) {
        case TagMake: CopyText(record->cameraMake, 31, value, byteCount); break;
        case TagModel: CopyText(record->cameraModel, 39, value, byteCount); break;
        case TagDateTimeOriginal: CopyText(record->dateTime, 19, value, byteCount); break;
        case TagExifVersion: CopyText(record->version, 4, value, byteCount); break;
        case TagOrientation: {
            const int orientation = Whole(number());
            if (orientation < 1 || orientation > 8) {
                Fail("Undefined rotation value");
                record->orientation = 0;
            } else {
                record->orientation = orientation;
            }
            break;
        }
        case TagXResolution: record->xResolution = Real(number()); break;
        case TagYResolution: record->yResolution = Real(number()); break;
        case TagResolutionUnit: record->resolutionUnit = UnitFactor(Whole(number())); break;
        case TagThumbnailOffset: thumbnailOffset = BlockPosition(number()); break;
        case TagThumbnailLength: thumbnailLength = BlockPosition(number()); break;
        case TagExposureTime: record->exposureTime = Real(number()); break;
        case TagFNumber: record->apertureFNumber = Real(number()); break;
        case TagExposureProgram: record->exposureProgram = Whole(number()); break;
        case TagIsoEquivalent:
            record->isoEquivalent = Whole(number());
            if (record->isoEquivalent < 50) record->isoEquivalent = Whole(record->isoEquivalent * 200.0);
            break;
        case TagCompressionLevel: record->compressionLevel = Whole(number()); break;
        case TagShutterSpeed:
            if (record->exposureTime == 0) record->exposureTime = Real(1 / std::exp(number() * std::log(2.0)));
            break;
        case TagAperture:
        case TagMaxAperture:
            if (record->apertureFNumber == 0)
                record->apertureFNumber = Real(std::exp(number() * std::log(2.0) * 0.5));
            break;
        case TagBrightness: record->brightness = Real(number()); break;
        case TagExposureBias: record->exposureBias = Real(number()); break;
        case TagSubjectDistance: record->distance = Real(number()); break;
        case TagMeteringMode: record->meteringMode = Whole(number()); break;
        case TagLightSource: record->whiteBalance = Whole(number()); break;
        case TagFlash: record->flashUsed = (Whole(number()) & 7) != 0; break;
        case TagFocalLength: record->focalLength = Real(number()); break;
        case TagUserComment: {
            // Trailing blanks become NULs, in place.
            for (uint64_t a = byteCount; a-- > 0;) {
                if (value[a] != ' ') break;
                value[a] = '\0';
            }
            if (byteCount >= 5 && std::memcmp(value, "ASCII", 5) == 0) {
                record->comments[0] = '\0';
                for (uint64_t a = 5; a < 10 && a < byteCount; ++a) {
                    if (value[a] != '\0' && value[a] != ' ') {
                        CopyText(record->comments, 199, value + a, byteCount - a);
                        break;
                    }
                }
            } else {
                CopyText(record->comments, 199, value, byteCount);
            }
            break;
        }
        case TagExifImageWidth:
        case TagExifImageHeight: exifImageWidth = std::max(exifImageWidth, Whole(number())); break;
        case TagFocalPlaneXRes: record->focalPlaneXRes = Real(number()); break;
        case TagFocalPlaneYRes: record->focalPlaneYRes = Real(number()); break;
        case TagFocalPlaneUnits: record->focalPlaneUnits = UnitFactor(Whole(number())); break;
        case TagExifOffset:
        case TagInteropOffset: {
            const uint64_t subOffset = Get32u(value);
            if (byteCount < 4) break;
            if (subOffset > 8) {
                if (subOffset > length) return Fail("Illegal subdirectory link");
                ProcessExifDir(offsetBase + subOffset, offsetBase, length, record, lastReferenced, depth + 1);
            }
            break;
        }
        default: break;
        }
    }

    // The link to the next directory follows the entries.
    const uint64_t linkOffset = dirOffset + 2 + 12ull * entries;
    if (linkOffset + 4 <= length) {
        const uint64_t next = Get32u(dirStart + 2 + 12 * entries);
        if (next != 0) {
            if (next > length) return Fail("Illegal subdirectory link");
            ProcessExifDir(offsetBase + next, offsetBase, length, record, lastReferenced, depth + 1);
        }
    }

    if (thumbnailOffset && thumbnailLength && thumbnailOffset + thumbnailLength <= length) {
        record->thumbnailPointer = offsetBase + thumbnailOffset;
        record->thumbnailSize = static_cast<unsigned>(thumbnailLength);
    }
    return true;
}

// ----- Comment and frame header -----------------------------------------------

void CKVXExifInfo::process_COM(const BYTE* data, unsigned length) {
    length = std::min(length, 1000u);
    char comment[1000];
    size_t n = 0;
    for (unsigned a = 2; a < length && n < sizeof comment - 1; ++a) {
        const BYTE ch = data[a];
        if (ch == '\r' && a + 1 < length && data[a + 1] == '\n') continue;
        comment[n++] = (ch >= 32 || ch == '\n' || ch == '\t') && ch < 127 ? static_cast<char>(ch) : '?';
    }
    comment[n] = '\0';
    std::memcpy(info->comments, comment, n + 1);
}

void CKVXExifInfo::process_SOFn(const BYTE* data, unsigned length, int marker) {
    if (length < 8) return;
    info->height = Get16m(data + 3);
    info->width = Get16m(data + 5);
    info->isColor = data[7] == 3 ? 1 : 0;
    info->process = marker;
}

// ----- Writing ----------------------------------------------------------------

CKVXExifInfo::Section* CKVXExifInfo::FindSection(int type) {
    for (int a = 0; a + 1 < sectionCount; ++a)
        if (sections[a].type == type) return &sections[a];
    return nullptr;
}

void CKVXExifInfo::DiscardAllButExif() {
    Section exif{nullptr, 0, 0};
    Section comment{nullptr, 0, 0};
    for (int a = 0; a < sectionCount; ++a) {
        Section& section = sections[a];
        if (section.type == 0xE1 && !exif.data) exif = section;
        else if (section.type == 0xFE && !comment.data) comment = section;
        else std::free(section.data);
        section = Section{nullptr, 0, 0};
    }
    sectionCount = 0;
    if (exif.data) sections[sectionCount++] = exif;
    if (comment.data) sections[sectionCount++] = comment;
}

bool CKVXExifInfo::EncodeExif(CKVXImageFile* stream) {
    if (!stream) return false;
    if (!FindSection(0xDA)) return Fail("Can't write exif : didn't read all");
    static const BYTE kStart[2] = {0xFF, 0xD8};
    static const BYTE kJfifHeader[18] = {0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00,
                                          0x01, 0x01, 0x01, 0x01, 0x2C, 0x01, 0x2C, 0x00, 0x00};
    bool written = stream->Write(kStart, 2, 1) == 1;
    if (sections[0].type != 0xE1 && sections[0].type != 0xE0)
        written = written && stream->Write(kJfifHeader, sizeof kJfifHeader, 1) == 1;
    for (int a = 0; a + 1 < sectionCount; ++a) {
        const BYTE marker[2] = {0xFF, static_cast<BYTE>(sections[a].type)};
        written = written && stream->Write(marker, 2, 1) == 1;
        written = written && stream->Write(sections[a].data, sections[a].size, 1) == 1;
    }
    const Section& last = sections[sectionCount - 1];
    if (last.size) written = written && stream->Write(last.data, last.size, 1) == 1;
    return written;
}

// ----- Numbers in the block's byte order --------------------------------------

int CKVXExifInfo::Get16m(const void* p) {
    const BYTE* b = static_cast<const BYTE*>(p);
    return (b[0] << 8) | b[1];
}

int CKVXExifInfo::Get16u(const void* p) {
    const BYTE* b = static_cast<const BYTE*>(p);
    return motorolaOrder ? (b[0] << 8) | b[1] : (b[1] << 8) | b[0];
}

long CKVXExifInfo::Get32s(const void* p) {
    const BYTE* b = static_cast<const BYTE*>(p);
    const uint32_t value = motorolaOrder
                               ? (uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | b[3]
                               : (uint32_t(b[3]) << 24) | (uint32_t(b[2]) << 16) | (uint32_t(b[1]) << 8) | b[0];
    return static_cast<int32_t>(value);
}

unsigned long CKVXExifInfo::Get32u(const void* p) {
    return static_cast<uint32_t>(Get32s(p));
}

double CKVXExifInfo::ConvertAnyFormat(const void* value, int format) {
    const BYTE* b = static_cast<const BYTE*>(value);
    switch (format) {
    case FormatSByte: return static_cast<signed char>(b[0]);
    case FormatByte: return b[0];
    case FormatUShort: return Get16u(b);
    case FormatULong: return static_cast<double>(Get32u(b));
    case FormatURational:
    case FormatSRational: {
        const long numerator = Get32s(b);
        const long denominator = Get32s(b + 4);
        return denominator == 0 ? 0.0 : static_cast<double>(numerator) / static_cast<double>(denominator);
    }
    case FormatSShort: return static_cast<int16_t>(Get16u(b));
    case FormatSLong: return static_cast<double>(Get32s(b));
    case FormatSingle: {
        float f;
        const uint32_t bits = static_cast<uint32_t>(Get32u(b));
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }
    case FormatDouble: {
        double d;
        uint64_t bits = motorolaOrder ? (uint64_t(Get32u(b)) << 32) | Get32u(b + 4)
                                      : (uint64_t(Get32u(b + 4)) << 32) | Get32u(b);
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }
    default: return 0.0;
    }
}
