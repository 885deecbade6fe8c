// Stand-in for the BMP codec until it is built (see CodecStub.h).

#include "Pendrel/Image/CodecStubs/CodecStub.h"
#include "Pendrel/Image/KVXImage.h"

bool CKVXImage::DecodeAsBmp(CKVXImageFile* stream) {
    return KVXCodecStubDecode(ImageTypeBmp, "BMP", stream, imageInfo.lastError, sizeof imageInfo.lastError);
}

bool CKVXImage::EncodeAsBmp(CKVXImageFile*) {
    return KVXCodecStubEncode(ImageTypeBmp, "BMP", imageInfo.lastError, sizeof imageInfo.lastError);
}
