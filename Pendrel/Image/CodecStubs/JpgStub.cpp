// Stand-in for the JPEG codec until it is built (see CodecStub.h).

#include "Pendrel/Image/CodecStubs/CodecStub.h"
#include "Pendrel/Image/KVXImage.h"

bool CKVXImage::DecodeAsJpg(CKVXImageFile* stream) {
    return KVXCodecStubDecode(ImageTypeJpg, "JPEG", stream, imageInfo.lastError, sizeof imageInfo.lastError);
}

bool CKVXImage::EncodeAsJpg(CKVXImageFile*) {
    return KVXCodecStubEncode(ImageTypeJpg, "JPEG", imageInfo.lastError, sizeof imageInfo.lastError);
}
