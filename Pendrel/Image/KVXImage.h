#pragma once
// The image object: one device-independent bitmap block (the 40-byte header,
// the palette and the pixel rows, bottom row first, each row padded to 4
// bytes, 24-bit pixels stored blue, green, red), the settings and state of
// the picture, an optional alpha plane, an optional selection mask and
// optional layer images.
//
// The whole class is declared here; its members are defined by topic:
//   KVXImage.cpp               lifetime, creation, copying, accessors
//   KVXImagePalette.cpp        palette, nearest colour, colour conversions
//   KVXImagePixel.cpp          pixel access, blending, lines
//   KVXImageAlpha.cpp          alpha plane and palette alpha
//   KVXImageSelection.cpp      selection mask
//   KVXImageInterpolation.cpp  interpolated and area colours
//   KVXImageDraw.cpp           drawing on a device context
//   KVXImageText.cpp           text
//   KVXImageBitmap.cpp         bitmaps and icons in and out
//   KVXImageTransform.cpp      flips, mirror, grey scale, negative
//   KVXImageRotate.cpp         quarter and half turns
//   KVXImageFreeTransform.cpp  rotation by any angle, shearing, radial
//                              distortions, rotated crops
//   KVXImageCrop.cpp           crop and expand
//   KVXImageResample.cpp       resampling and thumbnails
//   KVXImageDepth.cpp          colour depth
//   KVXImageDither.cpp         dithering
//   KVXImageDispatch.cpp       decoding and encoding by image type, load, save
//   KVXImageRaw.cpp            the library's own "RAW" format and RGBA output
//   KVXImage<codec>.cpp        BMP, GIF, ICO, JPG and PNG

#include <cstdint>
#include <cstdio>

#include "compat/WinTypes.h"
#include "Pendrel/Image/KVXImageDefs.h"

class CKVXImageFile;
struct tagKVXTextInfo;

class KVXIMAGE_API CKVXImage {
public:
    // Image type numbers, stored in the image and passed to every decoding
    // and encoding entry point.
    enum ImageType : DWORD {
        ImageTypeUnknown = 0,
        ImageTypeRaw = 1,
        ImageTypeBmp = 2,
        ImageTypeGif = 3,
        ImageTypeJpg = 4,
        ImageTypePng = 5,
        ImageTypeIco = 6,
        ImageTypeCount = 7
    };

    // What a position outside the image yields when sampling. Both method
    // enumerations take any int: values without a name have their own rules.
    enum OverflowMethod : int {
        OverflowFillColor = 1,
        OverflowTransColor = 2,
        OverflowFullyTransparent = 3,
        OverflowWrapAround = 4,
        OverflowClampToEdge = 5,
        OverflowMirrorEdge = 6
    };

    // How a colour between pixels is computed.
    enum InterpolationMethod : int {
        InterpolationNearest = 1,
        InterpolationBilinear = 2,
        InterpolationBSpline = 3,
        InterpolationCubic = 4,
        InterpolationGeneralizedCubic = 5,
        InterpolationLanczosSinc = 6,
        InterpolationBox = 7,
        InterpolationHermite = 8,
        InterpolationHamming = 9,
        InterpolationSinc = 10,
        InterpolationBlackman = 11,
        InterpolationBessel = 12,
        InterpolationGaussian = 13,
        InterpolationQuadratic = 14,
        InterpolationMitchell = 15,
        InterpolationCatrom = 16
    };

    // A colour as three bytes: red, green, blue.
    struct rgb_color {
        BYTE r;
        BYTE g;
        BYTE b;
    };

    // Settings and state of the picture, copied as one block.
    struct ImageInfo {
        DWORD effWidth;              // bytes per pixel row
        BYTE* bits;                  // first (bottom) pixel row inside dib
        CKVXImage* ghostSource;      // the image this one borrows its buffers from
        DWORD type;                  // image type number
        char lastError[256];         // text of the last failure
        int32_t progress;
        int32_t escape;              // non-zero asks a running operation to stop; read atomically
        int32_t transIndex;          // transparent palette index, -1 for none
        RGBQUAD transColor;          // transparent colour of images without a palette
        BYTE jpegQuality;
        BYTE jpegScale;
        int32_t frame;
        int32_t numFrames;
        DWORD frameDelay;
        int32_t xDpi;
        int32_t yDpi;
        RECT selectionBox;
        BYTE alphaMax;               // overall opacity
        bool alphaPaletteEnabled;
        bool enabled;
        int32_t offsetX;
        int32_t offsetY;
        DWORD codecOptions[ImageTypeCount];
        RGBQUAD nearestCacheColor;   // last colour looked up by GetNearestIndex
        BYTE nearestCacheIndex;
        bool nearestCacheValid;
        int32_t layerCount;
        DWORD flags;
    };

    // ----- Lifetime, creation and copying ---------------------------------
    explicit CKVXImage(DWORD type = ImageTypeUnknown);
    CKVXImage(DWORD width, DWORD height, DWORD bpp, DWORD type = ImageTypeUnknown);
    CKVXImage(const CKVXImage& src, bool withPixels = true, bool withSelection = true, bool withAlpha = true);
    // Decoding constructors; the result shows in IsValid().
    CKVXImage(CKVXImageFile* stream, DWORD type);
    CKVXImage(const BYTE* buffer, DWORD size, DWORD type);
    CKVXImage(const wchar_t* path, DWORD type);
    CKVXImage(FILE* stream, DWORD type);
    virtual ~CKVXImage();
    CKVXImage& operator=(const CKVXImage& src);

    bool Destroy();
    void* Create(DWORD width, DWORD height, DWORD bpp, DWORD type = ImageTypeUnknown);
    void Copy(const CKVXImage& src, bool withPixels = true, bool withSelection = true, bool withAlpha = true);
    bool Transfer(CKVXImage& from);
    void Clear(BYTE value = 0);
    // A copy of the whole image block in a global memory block (KVXGlobalMemory.h).
    void* CopyToHandle();
    // Frees a block that the library allocated for the caller (memory encoding).
    static void FreeMemory(void* p);
    static int CompareColors(const void* a, const void* b);
    bool CreateFromArray(BYTE* source, DWORD width, DWORD height, DWORD bpp, DWORD rowBytes, bool flip);
    bool CreateFromMatrix(BYTE** rows, DWORD width, DWORD height, DWORD bpp, DWORD rowBytes, bool flip);

    // ----- Pixel buffer and accessors -------------------------------------
    BYTE* GetBits(DWORD row = 0);
    long GetSize();
    bool IsInside(long x, long y);

    void* GetDIB() const { return dib; }
    bool IsValid() const { return dib != nullptr; }
    DWORD GetWidth() const { return static_cast<DWORD>(header.biWidth); }
    DWORD GetHeight() const { return static_cast<DWORD>(header.biHeight); }
    DWORD GetEffWidth() const { return imageInfo.effWidth; }
    DWORD GetNumColors() const { return header.biClrUsed; }
    WORD GetBpp() const { return header.biBitCount; }
    DWORD GetType() const { return imageInfo.type; }
    bool IsIndexed() const { return header.biClrUsed != 0; }
    BYTE GetColorType();
    long GetTransIndex() const { return imageInfo.transIndex; }
    void SetTransIndex(long index) { imageInfo.transIndex = static_cast<int32_t>(index); }
    bool IsTransparent() const { return imageInfo.transIndex >= 0; }
    RGBQUAD GetTransColor();
    void SetTransColor(RGBQUAD color);
    long GetXDPI() const { return imageInfo.xDpi; }
    long GetYDPI() const { return imageInfo.yDpi; }
    void SetXDPI(long dpi);
    void SetYDPI(long dpi);
    DWORD GetFlags() const { return imageInfo.flags; }
    void SetFlags(DWORD flags, bool lowOnly = false);
    DWORD GetFrameDelay() const { return imageInfo.frameDelay; }
    void SetFrameDelay(DWORD delay) { imageInfo.frameDelay = delay; }
    void GetOffset(long* x, long* y);
    void SetOffset(long x, long y);
    BYTE GetJpegQuality() const { return imageInfo.jpegQuality; }
    void SetJpegQuality(BYTE quality) { imageInfo.jpegQuality = quality; }
    BYTE GetJpegScale() const { return imageInfo.jpegScale; }
    void SetJpegScale(BYTE scale) { imageInfo.jpegScale = scale; }
    long GetProgress() const { return imageInfo.progress; }
    void SetProgress(long progress) { imageInfo.progress = static_cast<int32_t>(progress); }
    // The escape flag may be set from another thread while an operation runs.
    long GetEscape() const;
    void SetEscape(long escape);
    bool IsEnabled() const { return imageInfo.enabled; }
    void Enable(bool enable = true) { imageInfo.enabled = enable; }
    long GetNumFrames() const { return imageInfo.numFrames; }
    long GetFrame() const { return imageInfo.frame; }
    void SetFrame(long frame) { imageInfo.frame = static_cast<int32_t>(frame); }
    const char* GetLastError() const { return imageInfo.lastError; }
    const wchar_t* GetVersion() const;
    float GetVersionNumber() const;
    DWORD GetCodecOption(DWORD type = ImageTypeUnknown);
    bool SetCodecOption(DWORD option, DWORD type = ImageTypeUnknown);

    // ----- Decoding and encoding by image type ----------------------------
    // Each of these starts with an empty GetLastError() text: after it
    // returns, the text is its own failure's, or empty.
    bool Decode(CKVXImageFile* stream, DWORD type);
    bool Decode(const BYTE* buffer, DWORD size, DWORD type);
    bool Decode(FILE* stream, DWORD type);
    bool Encode(CKVXImageFile* stream, DWORD type);
    bool Encode(CKVXImageFile* stream, CKVXImage** images, int count, DWORD type);
    bool Encode(FILE* stream, DWORD type);
    bool Encode(FILE* stream, CKVXImage** images, int count, DWORD type);
    // Encodes into a new block handed out in buffer (free it with FreeMemory).
    bool Encode(BYTE*& buffer, long& size, DWORD type);
    bool Encode2RGBA(CKVXImageFile* stream);
    bool Encode2RGBA(BYTE*& buffer, long& size);
    bool Load(const wchar_t* path, DWORD type = ImageTypeUnknown);
    bool Save(const wchar_t* path, DWORD type);
    bool LoadResource(HRSRC resource, DWORD type, HINSTANCE module = nullptr);

    // ----- Drawing and bitmap conversion ----------------------------------
    long Draw(HDC hdc, long x = 0, long y = 0, long cx = -1, long cy = -1, RECT* clip = nullptr, bool smooth = false);
    long Draw(HDC hdc, const RECT& rect, RECT* clip = nullptr, bool smooth = false);
    long Draw2(HDC hdc, long x = 0, long y = 0, long cx = -1, long cy = -1);
    long Draw2(HDC hdc, const RECT& rect);
    long Draw3(HDC hdc, long x, long y, long cx, long cy, RECT* clip, bool smooth);
    long Stretch(HDC hdc, long x, long y, long cx, long cy, DWORD rop);
    long Stretch(HDC hdc, const RECT& rect, DWORD rop);
    long Tile(HDC hdc, RECT* rect);
    HBITMAP MakeBitmap(HDC hdc = nullptr);
    bool CreateFromHBITMAP(HBITMAP bitmap, HPALETTE palette = nullptr);
    bool CreateFromHICON(HICON icon);
    bool CreateFromHANDLE(HANDLE memory);
    long DrawString(HDC hdc, long x, long y, const wchar_t* text, RGBQUAD color, const wchar_t* fontName, long size,
                    long weight, BYTE italic, BYTE underline, bool setAlpha);
    long DrawStringEx(HDC hdc, long x, long y, tagKVXTextInfo* info, bool setAlpha = false);
    void InitTextInfo(tagKVXTextInfo* info);

    // ----- Grey scale, negative, flip and mirror --------------------------
    bool GrayScale();
    bool Negative();
    bool Flip();
    bool Mirror();

    // ----- Colour depth ---------------------------------------------------
    bool IncreaseBpp(DWORD bpp);
    bool DecreaseBpp(DWORD bpp, bool diffuseError, RGBQUAD* palette = nullptr, DWORD importantColors = 0);
    bool Dither(long method = 0);

    // ----- Rotations, crop and expand -------------------------------------
    bool RotateLeft(CKVXImage* destination = nullptr);
    bool RotateRight(CKVXImage* destination = nullptr);
    bool Rotate180(CKVXImage* destination = nullptr);
    bool Crop(long left, long top, long right, long bottom, CKVXImage* destination = nullptr);
    bool Crop(const RECT& rect, CKVXImage* destination = nullptr);
    bool Expand(long left, long top, long right, long bottom, RGBQUAD borderColor, CKVXImage* destination = nullptr);
    bool Expand(long newWidth, long newHeight, RGBQUAD borderColor, CKVXImage* destination = nullptr);
    bool Rotate(float angle, CKVXImage* destination = nullptr);
    bool Rotate2(float angle, CKVXImage* destination, InterpolationMethod interpolation, OverflowMethod overflow,
                 RGBQUAD* outsideColor, bool useQuarterTurns, bool keepSize);
    // The rectangle's corner (left, top) is in picture terms and its angle in
    // radians (positive turns it clockwise as displayed), while Rotate and
    // Rotate2 take degrees.
    bool CropRotatedRectangle(long left, long top, long width, long height, float angle,
                              CKVXImage* destination = nullptr);
    bool Skew(float xShear, float yShear, long pivotX, long pivotY, bool interpolate);
    bool CircleTransform(int type, long maxRadius, float coefficient);

    // ----- Resampling -----------------------------------------------------
    bool Resample(long newWidth, long newHeight, int mode, CKVXImage* destination = nullptr);
    bool Resample2(long newWidth, long newHeight, InterpolationMethod interpolation, OverflowMethod overflow,
                   CKVXImage* destination, bool noAveraging);
    bool QIShrink(long newWidth, long newHeight, CKVXImage* destination = nullptr);
    bool Thumbnail(long newWidth, long newHeight, RGBQUAD borderColor, CKVXImage* destination = nullptr);

    // ----- Palette --------------------------------------------------------
    DWORD GetPaletteSize();
    RGBQUAD* GetPalette() const;
    RGBQUAD GetPaletteColor(BYTE index);
    bool GetPaletteColor(BYTE index, BYTE* red, BYTE* green, BYTE* blue);
    void SetPaletteColor(BYTE index, BYTE red, BYTE green, BYTE blue, BYTE alpha = 0);
    void SetPaletteColor(BYTE index, RGBQUAD color);
    void SetPaletteColor(BYTE index, COLORREF cr);
    void SetPalette(DWORD count, const BYTE* red, const BYTE* green = nullptr, const BYTE* blue = nullptr);
    void SetPalette(const rgb_color* colors, DWORD count);
    void SetPalette(const RGBQUAD* entries, DWORD count);
    void SetGrayPalette();
    void SetStdPalette();
    void BlendPalette(COLORREF cr, long percent);
    bool IsGrayScale();
    void SwapIndex(BYTE first, BYTE second);
    bool IsSamePalette(CKVXImage& other, bool checkAlpha = true);
    DWORD GetClrImportant() const { return header.biClrImportant; }
    void SetClrImportant(DWORD count);
    BYTE GetNearestIndex(RGBQUAD color);

    // ----- Pixels ---------------------------------------------------------
    BYTE GetPixelIndex(long x, long y);
    RGBQUAD GetPixelColor(long x, long y, bool withAlpha = true);
    BYTE GetPixelGray(long x, long y);
    void SetPixelIndex(long x, long y, BYTE index);
    void SetPixelColor(long x, long y, RGBQUAD color, bool setAlpha = false);
    void SetPixelColor(long x, long y, COLORREF cr);
    void BlendPixelColor(long x, long y, RGBQUAD color, float blend, bool setAlpha = false);
    bool IsTransparent(long x, long y);
    void DrawLine(int startX, int endX, int startY, int endY, RGBQUAD color, bool setAlpha = false);
    void DrawLine(int startX, int endX, int startY, int endY, COLORREF cr);
    static RGBQUAD RGBtoRGBQUAD(COLORREF cr);
    static COLORREF RGBQUADtoRGB(RGBQUAD color);

    // ----- Alpha ----------------------------------------------------------
    BYTE AlphaGetMax() const { return imageInfo.alphaMax; }
    void AlphaSetMax(BYTE alphaMax) { imageInfo.alphaMax = alphaMax; }
    bool AlphaIsValid() const { return alpha != nullptr; }
    void AlphaPaletteEnable(bool enable = true) { imageInfo.alphaPaletteEnabled = enable; }
    bool AlphaPaletteIsEnabled() const { return imageInfo.alphaPaletteEnabled; }
    void AlphaCreate();
    void AlphaDelete();
    void AlphaClear();
    void AlphaSet(BYTE level);
    void AlphaInvert();
    void AlphaSet(long x, long y, BYTE level);
    BYTE AlphaGet(long x, long y);
    BYTE* AlphaGetPointer(long x = 0, long y = 0);
    bool AlphaCopy(CKVXImage& from);
    bool AlphaSet(CKVXImage& from);
    void AlphaPaletteClear();
    bool AlphaPaletteIsValid();
    void AlphaStrip();
    bool AlphaFlip();
    bool AlphaMirror();
    bool AlphaSplit(CKVXImage* destination);
    bool AlphaPaletteSplit(CKVXImage* destination);

    // ----- Selection ------------------------------------------------------
    bool SelectionIsValid() const { return selection != nullptr; }
    void SelectionGetBox(RECT& box);
    bool SelectionCreate();
    bool SelectionDelete();
    bool SelectionClear();
    bool SelectionIsInside(long x, long y);
    bool SelectionInvert();
    bool SelectionCopy(CKVXImage& from);
    bool SelectionSplit(CKVXImage* destination);
    bool SelectionToHRGN(HRGN& region);
    bool SelectionAddRect(RECT r);
    bool SelectionAddEllipse(RECT r);
    bool SelectionAddPolygon(POINT* points, long count);
    bool SelectionAddColor(RGBQUAD color);
    bool SelectionAddPixel(int x, int y);

    // ----- Interpolation and overflow -------------------------------------
    void OverflowCoordinates(long& x, long& y, OverflowMethod method);
    void OverflowCoordinates(float& x, float& y, OverflowMethod method);
    RGBQUAD GetPixelColorWithOverflow(long x, long y, OverflowMethod method, RGBQUAD* const replacement = nullptr);
    RGBQUAD GetPixelColorInterpolated(float x, float y, InterpolationMethod method, OverflowMethod overflow,
                                      RGBQUAD* const replacement = nullptr);
    RGBQUAD GetAreaColorInterpolated(float centerX, float centerY, float areaWidth, float areaHeight,
                                     InterpolationMethod method, OverflowMethod overflow,
                                     RGBQUAD* const replacement = nullptr);
    static float KernelBSpline(float x);
    static float KernelLinear(float x);
    static float KernelCubic(float x);
    static float KernelGeneralizedCubic(float x, float a = -0.5f);
    static float KernelLanczosSinc(float x, float radius);
    static float KernelBox(float x);
    static float KernelHermite(float x);
    static float KernelHamming(float x);
    static float KernelSinc(float x);
    static float KernelBlackman(float x);
    static float KernelBessel_J1(float x);
    static float KernelBessel_P1(float x);
    static float KernelBessel_Q1(float x);
    static float KernelBessel_Order1(float x);
    static float KernelBessel(float x);
    static float KernelGaussian(float x);
    static float KernelQuadratic(float x);
    static float KernelMitchell(float x);
    static float KernelCatrom(float x);

protected:
    void Startup(DWORD type);
    // Create for a result whose every pixel the caller writes: at 8 and 24
    // bits the pixel bytes are not cleared first (the row padding is).
    void* CreateForWriting(DWORD width, DWORD height, DWORD bpp, DWORD type);
    void Ghost(CKVXImage* from);
    void CopyInfo(const CKVXImage& src);
    void Bitfield2RGB(BYTE* source, WORD maskRed, WORD maskGreen, WORD maskBlue, BYTE bpp);
    // Stores a failure text (cut to the field's size).
    void SetLastErrorText(const char* text);
    // Must follow every direct write into the palette entries.
    void ClearNearestCache() { imageInfo.nearestCacheValid = false; }

    BYTE BlindGetPixelIndex(long x, long y);
    RGBQUAD BlindGetPixelColor(long x, long y);
    void* BlindGetPixelPointer(long x, long y);
    BYTE BlindAlphaGet(long x, long y) { return alpha[x + y * static_cast<long>(header.biWidth)]; }
    void RGBtoBGR(BYTE* buffer, int length);
    void AddAveragingCont(const RGBQUAD& color, float weight, float& red, float& green, float& blue, float& alphaSum);
    // Moves a new 8-bit grey image holding one byte per pixel of `plane`
    // (width x height bytes, bottom row first) into destination.
    bool SplitPlane(const BYTE* plane, CKVXImage* destination);

    // ----- Decoding and encoding internals --------------------------------
    // True when encoding must not go on (no stream, or no picture).
    bool EncodeSafeCheck(CKVXImageFile* stream);
    bool DecodeTyped(CKVXImageFile* stream, DWORD type);
    bool DecodeAutoDetect(CKVXImageFile* stream);
    bool DecodeRaw(CKVXImageFile* stream);
    bool EncodeRaw(CKVXImageFile* stream);
    template <class Encoder> bool EncodeToMemory(BYTE*& buffer, long& size, Encoder encode);

    // Codec hook-up: the dispatcher reaches each codec by its type number
    // through these members; each codec's own source file defines its pair,
    // usually as RunDecoder<CKVXImageXXX> and RunEncoder<CKVXImageXXX>.
    bool DecodeAsBmp(CKVXImageFile* stream);
    bool EncodeAsBmp(CKVXImageFile* stream);
    bool DecodeAsGif(CKVXImageFile* stream);
    bool EncodeAsGif(CKVXImageFile* stream);
    bool EncodeAsGifFrames(CKVXImageFile* stream, CKVXImage** images, int count);
    bool DecodeAsJpg(CKVXImageFile* stream);
    bool EncodeAsJpg(CKVXImageFile* stream);
    bool DecodeAsPng(CKVXImageFile* stream);
    bool EncodeAsPng(CKVXImageFile* stream);
    bool DecodeAsIco(CKVXImageFile* stream);
    bool EncodeAsIco(CKVXImageFile* stream);

    // A fresh codec object takes this image's settings and decodes; on
    // success its picture moves into this image, on failure its text (and,
    // with keepFrameCount, its frame count) is kept here.
    template <class Codec> bool RunDecoder(CKVXImageFile* stream, bool keepFrameCount) {
        Codec codec;
        static_cast<CKVXImage&>(codec).CopyInfo(*this);
        const bool decoded = codec.Decode(stream);
        return AdoptDecoded(codec, decoded, keepFrameCount);
    }
    // A codec object encodes as a ghost of this image (sharing its buffers
    // and settings); its failure text is kept here.
    template <class Codec> bool RunEncoder(CKVXImageFile* stream) {
        Codec codec;
        static_cast<CKVXImage&>(codec).Ghost(this);
        const bool encoded = codec.Encode(stream);
        return AdoptEncoded(codec, encoded);
    }
    bool AdoptDecoded(CKVXImage& codec, bool decoded, bool keepFrameCount);
    bool AdoptEncoded(const CKVXImage& codec, bool encoded);

    void* dib;
    BITMAPINFOHEADER header;
    ImageInfo imageInfo;
    BYTE* selection;
    BYTE* alpha;
    CKVXImage** layers;

private:
    void* CreateBlock(DWORD width, DWORD height, DWORD bpp, DWORD type, bool clearPixels);
    // Copies another info record, keeping this object's own buffer-bound
    // fields (bits, ghostSource, layerCount).
    void CopySettings(const ImageInfo& src);
};
