// Stand-in for the ICO codec until it is built (see CodecStub.h).

#include "Pendrel/Image/CodecStubs/CodecStub.h"
#include "Pendrel/Image/KVXImage.h"

bool CKVXImage::DecodeAsIco(CKVXImageFile* stream) {
    return KVXCodecStubDecode(ImageTypeIco, "ICO", stream, imageInfo.lastError, sizeof imageInfo.lastError);
}

bool CKVXImage::EncodeAsIco(CKVXImageFile*) {
    return KVXCodecStubEncode(ImageTypeIco, "ICO", imageInfo.lastError, sizeof imageInfo.lastError);
}
