#pragma once
// The ICO codec (image type 6): reads the image chosen by `frame` from an
// icon or cursor file, turning its AND mask into alpha values, a transparent
// palette index or a transparent colour, and writes the image object as an
// icon file with one image.

#include "compat/WinTypes.h"
#include "Pendrel/Image/KVXImage.h"

class CKVXImageFile;

class KVXIMAGE_API CKVXImageICO : public CKVXImage {
public:
    CKVXImageICO() : CKVXImage(ImageTypeIco) {}
    ~CKVXImageICO() override = default;

    // Decodes image number `frame` (0 = first) and sets numFrames to the
    // file's image count, also when the frame is not there. Only bitmap
    // images are read: an image stored as a PNG stream fails with a text.
    bool Decode(CKVXImageFile* stream);
    // Writes this image (at most 255 x 255) as a one-image icon file; false
    // when a write fails.
    bool Encode(CKVXImageFile* stream);

protected:
    // Turns the AND mask (bottom-up rows of maskRow bytes, a set bit marks a
    // transparent pixel) into transparency of the decoded image.
    void ApplyMask(const BYTE* mask, size_t maskRow, WORD bitCount);
};
