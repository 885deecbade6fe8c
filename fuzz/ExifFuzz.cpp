// The EXIF reader over arbitrary bytes, in both read modes; sections read
// with the image data must write back.

#include <cstdint>

#include "Pendrel/Image/KVXExifInfo.h"
#include "Pendrel/Image/KVXImageMemFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > UINT32_MAX) return 0;
    {
        CKVXExifInfo reader;
        CKVXImageMemFile stream(const_cast<uint8_t*>(data), static_cast<DWORD>(size));
        reader.DecodeExif(&stream, CKVXExifInfo::ReadExif);
    }
    CKVXExifInfo reader;
    CKVXImageMemFile stream(const_cast<uint8_t*>(data), static_cast<DWORD>(size));
    if (reader.DecodeExif(&stream, CKVXExifInfo::ReadExif | CKVXExifInfo::ReadImage)) {
        reader.DiscardAllButExif();
        CKVXImageMemFile again(const_cast<uint8_t*>(data), static_cast<DWORD>(size));
        reader.DecodeExif(&again, CKVXExifInfo::ReadImage);
        CKVXImageMemFile out;
        out.Open();
        reader.EncodeExif(&out);
    }
    return 0;
}
