#pragma once
// The EXIF reader: splits a JPEG file into its marker sections, reads the
// EXIF block (camera data, resolution, orientation, thumbnail position), the
// comment and the frame header into a tag_ExifInfo record, and writes a JPEG
// file again from its sections with the EXIF section in front. The JPEG codec
// runs it before decoding (for the resolution) and after encoding (to carry
// the EXIF section of a decoded file over into the new one).

#include "compat/WinTypes.h"
#include "Pendrel/Image/KVXImageDefs.h"

class CKVXImageFile;

// What the EXIF reader found. Strings are NUL-terminated; the record is
// zeroed before use.
struct tag_ExifInfo {
    char version[5];
    char cameraMake[32];
    char cameraModel[40];
    char dateTime[20];
    int height;
    int width;
    int orientation;        // 1 to 8, 0 when undefined
    int isColor;            // 1 when the frame has 3 components
    int process;            // the frame marker, 0xC0 to 0xCF
    int flashUsed;
    float focalLength;
    float exposureTime;     // seconds
    float apertureFNumber;
    float distance;
    float sensorWidth;
    float exposureBias;
    int whiteBalance;       // the light-source tag's value
    int meteringMode;
    int exposureProgram;
    int isoEquivalent;
    int compressionLevel;   // compressed bits per pixel
    float focalPlaneXRes;
    float focalPlaneYRes;
    float focalPlaneUnits;  // factor, as for the resolution unit
    float xResolution;
    float yResolution;
    float resolutionUnit;   // resolution / factor = dots per inch
    float brightness;
    char comments[1000];
    BYTE* thumbnailPointer; // into the EXIF section's data
    unsigned thumbnailSize;
    bool isExif;            // the EXIF block was read without error
};

class KVXIMAGE_API CKVXExifInfo {
public:
    // Read modes, combinable: parse the EXIF and comment sections; keep the
    // compressed image data as a section of its own.
    enum ReadMode { ReadExif = 1, ReadImage = 2 };
    static constexpr int kMaxSections = 20;
    // Section type of the compressed image data behind the start of scan.
    static constexpr int kImageDataSection = 0x123;

    // Binds the reader to info, or to a zeroed record of its own when info
    // is null.
    explicit CKVXExifInfo(tag_ExifInfo* info = nullptr);
    ~CKVXExifInfo();
    CKVXExifInfo(const CKVXExifInfo&) = delete;
    CKVXExifInfo& operator=(const CKVXExifInfo&) = delete;

    // Reads sections from the stream's current position, behind those
    // already read.
    bool DecodeExif(CKVXImageFile* stream, int mode = ReadExif);
    // Writes the sections as a JPEG file.
    bool EncodeExif(CKVXImageFile* stream);
    // Keeps only the first EXIF and the first comment section, in that order.
    void DiscardAllButExif();

    // Binds the reader to another record, which takes over the results.
    void SetInfo(tag_ExifInfo* record);

    const char* GetLastError() const { return exifLastError; }
    const tag_ExifInfo* GetInfo() const { return info; }
    int GetSectionCount() const { return sectionCount; }

protected:
    struct Section {
        BYTE* data; // the two length bytes, then the contents
        int type;
        unsigned size;
    };

    bool process_EXIF(BYTE* data, unsigned length);
    bool ProcessExifDir(BYTE* dirStart, BYTE* offsetBase, unsigned length, tag_ExifInfo* record,
                        BYTE** lastReferenced, int depth);
    void process_COM(const BYTE* data, unsigned length);
    void process_SOFn(const BYTE* data, unsigned length, int marker);
    Section* FindSection(int type);
    double ConvertAnyFormat(const void* value, int format);
    int Get16m(const void* p);
    int Get16u(const void* p);
    long Get32s(const void* p);
    unsigned long Get32u(const void* p);

    // Stores a failure text and returns false.
    bool Fail(const char* text);
    // Frees section i and closes the gap.
    void RemoveSection(int index);

    tag_ExifInfo* info;
    bool ownsInfo;
    char exifLastError[256];
    int exifImageWidth;
    int motorolaOrder;
    Section sections[kMaxSections];
    int sectionCount;
};
