// Stand-in for the GIF codec until it is built (see CodecStub.h).

#include "Pendrel/Image/CodecStubs/CodecStub.h"
#include "Pendrel/Image/KVXImage.h"

bool CKVXImage::DecodeAsGif(CKVXImageFile* stream) {
    return KVXCodecStubDecode(ImageTypeGif, "GIF", stream, imageInfo.lastError, sizeof imageInfo.lastError);
}

bool CKVXImage::EncodeAsGif(CKVXImageFile*) {
    return KVXCodecStubEncode(ImageTypeGif, "GIF", imageInfo.lastError, sizeof imageInfo.lastError);
}

bool CKVXImage::EncodeAsGifFrames(CKVXImageFile*, CKVXImage**, int) {
    return KVXCodecStubEncode(ImageTypeGif, "GIF", imageInfo.lastError, sizeof imageInfo.lastError);
}
