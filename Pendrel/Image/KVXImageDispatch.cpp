// Decoding and encoding by image type number, auto-detection of a stream's
// format, and the entry points around them: decoding constructors, memory
// buffers, stdio files, paths, resources and encoding into memory.
//
// Each codec is reached through its hook (DecodeAsBmp, EncodeAsPng, ...):
// the codec's own source defines the hook, so adding a codec never changes
// this file.

#include "Pendrel/Image/KVXImage.h"

#include <cstring>

#include "Pendrel/Image/KVXImageIOFile.h"
#include "Pendrel/Image/KVXImageMemFile.h"

namespace {

const char kUnknownDecodeFormat[] = "Decode: Unknown or wrong format";
const char kCannotOpen[] = "Can't open the file";
const char kCannotWrite[] = "Can't write the file";

} // namespace

// ----- Decoding constructors -------------------------------------------------

CKVXImage::CKVXImage(CKVXImageFile* stream, DWORD type) {
    Startup(type);
    Decode(stream, type);
}

CKVXImage::CKVXImage(const BYTE* buffer, DWORD size, DWORD type) {
    Startup(type);
    Decode(buffer, size, type);
}

CKVXImage::CKVXImage(const wchar_t* path, DWORD type) {
    Startup(type);
    Load(path, type);
}

CKVXImage::CKVXImage(FILE* stream, DWORD type) {
    Startup(type);
    Decode(stream, type);
}

// ----- Decoding ---------------------------------------------------------------

// Every decoding and encoding entry point starts with an empty error text,
// so that the text always belongs to the call that just returned.

bool CKVXImage::Decode(CKVXImageFile* stream, DWORD type) {
    SetLastErrorText("");
    if (!stream) {
        SetLastErrorText("null file handler");
        return false;
    }
    if (type == ImageTypeUnknown) return DecodeAutoDetect(stream);
    if (type >= ImageTypeCount) {
        SetLastErrorText(kUnknownDecodeFormat);
        return false;
    }
    return DecodeTyped(stream, type);
}

bool CKVXImage::DecodeTyped(CKVXImageFile* stream, DWORD type) {
    switch (type) {
    case ImageTypeRaw: {
        CKVXImage reader;
        reader.CopyInfo(*this);
        const bool decoded = reader.DecodeRaw(stream);
        return AdoptDecoded(reader, decoded, false);
    }
    case ImageTypeBmp: return DecodeAsBmp(stream);
    case ImageTypeGif: return DecodeAsGif(stream);
    case ImageTypeJpg: return DecodeAsJpg(stream);
    case ImageTypePng: return DecodeAsPng(stream);
    case ImageTypeIco: return DecodeAsIco(stream);
    default: return false;
    }
}

bool CKVXImage::DecodeAutoDetect(CKVXImageFile* stream) {
    static const DWORD order[] = {ImageTypeBmp, ImageTypeJpg, ImageTypeIco, ImageTypeGif, ImageTypePng, ImageTypeRaw};
    const long start = stream->Tell();
    for (DWORD type : order) {
        // A codec's refusal is not handed on to the next codec's try.
        SetLastErrorText("");
        if (DecodeTyped(stream, type)) return true;
        stream->Seek(start, 0);
    }
    SetLastErrorText(kUnknownDecodeFormat);
    return false;
}

bool CKVXImage::AdoptDecoded(CKVXImage& codec, bool decoded, bool keepFrameCount) {
    // Transfer fails only when this image is a ghost, whose borrowed buffers
    // must not be replaced.
    if (decoded) return Transfer(codec);
    std::memcpy(imageInfo.lastError, codec.imageInfo.lastError, sizeof imageInfo.lastError);
    if (keepFrameCount) imageInfo.numFrames = codec.imageInfo.numFrames;
    return false;
}

bool CKVXImage::Decode(const BYTE* buffer, DWORD size, DWORD type) {
    // Decoding only reads the caller's bytes.
    CKVXImageMemFile file(const_cast<BYTE*>(buffer), size);
    return Decode(&file, type);
}

bool CKVXImage::Decode(FILE* stream, DWORD type) {
    CKVXImageIOFile file(stream);
    return Decode(&file, type);
}

// ----- Encoding ---------------------------------------------------------------

bool CKVXImage::Encode(CKVXImageFile* stream, DWORD type) {
    SetLastErrorText("");
    switch (type) {
    case ImageTypeRaw: return EncodeRaw(stream);
    case ImageTypeBmp: return EncodeAsBmp(stream);
    case ImageTypeGif: return EncodeAsGif(stream);
    case ImageTypeJpg: return EncodeAsJpg(stream);
    case ImageTypePng: return EncodeAsPng(stream);
    case ImageTypeIco: return EncodeAsIco(stream);
    default: SetLastErrorText("Encode: Unknown format"); return false;
    }
}

bool CKVXImage::Encode(CKVXImageFile* stream, CKVXImage** images, int count, DWORD type) {
    SetLastErrorText("");
    if (type != ImageTypeGif) {
        SetLastErrorText("Multipage Encode, Unsupported operation for this format");
        return false;
    }
    return EncodeAsGifFrames(stream, images, count);
}

bool CKVXImage::AdoptEncoded(const CKVXImage& codec, bool encoded) {
    if (!encoded) std::memcpy(imageInfo.lastError, codec.imageInfo.lastError, sizeof imageInfo.lastError);
    return encoded;
}

bool CKVXImage::EncodeSafeCheck(CKVXImageFile* stream) {
    if (!stream) {
        SetLastErrorText("null file handler");
        return true;
    }
    if (!dib) {
        SetLastErrorText("null image!!!");
        return true;
    }
    return false;
}

bool CKVXImage::Encode(FILE* stream, DWORD type) {
    CKVXImageIOFile file(stream);
    return Encode(&file, type);
}

bool CKVXImage::Encode(FILE* stream, CKVXImage** images, int count, DWORD type) {
    CKVXImageIOFile file(stream);
    return Encode(&file, images, count, type);
}

template <class Encoder> bool CKVXImage::EncodeToMemory(BYTE*& buffer, long& size, Encoder encode) {
    SetLastErrorText("");
    if (buffer) {
        SetLastErrorText("the buffer must be empty");
        return false;
    }
    CKVXImageMemFile file;
    if (!file.Open() || !encode(&file)) return false; // the stream frees its block
    size = file.Size();
    buffer = file.GetBuffer(true);
    return true;
}

bool CKVXImage::Encode(BYTE*& buffer, long& size, DWORD type) {
    return EncodeToMemory(buffer, size, [&](CKVXImageFile* file) { return Encode(file, type); });
}

bool CKVXImage::Encode2RGBA(BYTE*& buffer, long& size) {
    return EncodeToMemory(buffer, size, [&](CKVXImageFile* file) { return Encode2RGBA(file); });
}

// ----- Files and resources ------------------------------------------------------

bool CKVXImage::Load(const wchar_t* path, DWORD type) {
    auto cannotOpen = [this]() {
        SetLastErrorText(kCannotOpen);
        return false;
    };
    SetLastErrorText("");
    if (type > ImageTypeUnknown && type < ImageTypeCount) {
        CKVXImageIOFile file;
        if (!file.Open(path, L"rb")) return cannotOpen();
        if (Decode(&file, type)) return true;
    }
    // When the named type fails, a second try detects the format; if that
    // fails too, the caller sees why the named type failed.
    char typedError[sizeof imageInfo.lastError];
    std::memcpy(typedError, imageInfo.lastError, sizeof typedError);
    CKVXImageIOFile file;
    if (!file.Open(path, L"rb")) return cannotOpen();
    if (Decode(&file, ImageTypeUnknown)) return true;
    if (type != ImageTypeUnknown) std::memcpy(imageInfo.lastError, typedError, sizeof typedError);
    return false;
}

bool CKVXImage::Save(const wchar_t* path, DWORD type) {
    // Opened for update, so that an encoder may read back what it wrote.
    CKVXImageIOFile file;
    if (!file.Open(path, L"w+b")) {
        SetLastErrorText(kCannotOpen);
        return false;
    }
    const bool encoded = Encode(&file, type);
    // Data that never reached the disk is a failed save.
    const bool closed = file.Close();
    if (encoded && !closed) SetLastErrorText(kCannotWrite);
    return encoded && closed;
}

bool CKVXImage::LoadResource(HRSRC resource, DWORD type, HINSTANCE module) {
    SetLastErrorText("");
    if (!resource) {
        SetLastErrorText("Unable to load resource!");
        return false;
    }
    if (!resource->data) return false;
    return Decode(resource->data, resource->size, type);
}
