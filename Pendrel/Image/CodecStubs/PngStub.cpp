// Stand-in for the PNG codec until it is built (see CodecStub.h).

#include "Pendrel/Image/CodecStubs/CodecStub.h"
#include "Pendrel/Image/KVXImage.h"

bool CKVXImage::DecodeAsPng(CKVXImageFile* stream) {
    return KVXCodecStubDecode(ImageTypePng, "PNG", stream, imageInfo.lastError, sizeof imageInfo.lastError);
}

bool CKVXImage::EncodeAsPng(CKVXImageFile*) {
    return KVXCodecStubEncode(ImageTypePng, "PNG", imageInfo.lastError, sizeof imageInfo.lastError);
}
