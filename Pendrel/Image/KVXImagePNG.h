#pragma once
// The PNG codec (image type 5), over libpng: translates between libpng's
// top-down rows and the image object's bottom-up rows, palette, transparent
// index, palette alpha and alpha plane, and keeps the interlace choice in
// the image's codec option for type 5.

#include "compat/WinTypes.h"
#include "Pendrel/Image/KVXImage.h"

class CKVXImageFile;

class KVXIMAGE_API CKVXImagePNG : public CKVXImage {
public:
    CKVXImagePNG() : CKVXImage(ImageTypePng) {}
    ~CKVXImagePNG() override = default;

    // Decodes one PNG image from the stream's current position.
    bool Decode(CKVXImageFile* stream);
    // Writes this image as a PNG. A palette image with a transparent index
    // other than 0 has entries 0 and that index exchanged (pixels relabelled)
    // in the image being encoded, which then keeps transparent index 0.
    bool Encode(CKVXImageFile* stream);
};
