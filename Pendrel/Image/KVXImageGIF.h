#pragma once
// The GIF codec (image type 3). Decoding picks one frame of the file by the
// image's frame index and builds it on a canvas of the frames before it;
// encoding writes GIF89a files: one palette image, a true-colour image cut
// into tiles of at most 256 colours, or a sequence of frames.

#include <cstdint>
#include <cstdio>

#include "Pendrel/Image/KVXImage.h"

class KVXIMAGE_API CKVXImageGIF : public CKVXImage {
public:
    CKVXImageGIF();
    ~CKVXImageGIF() override;

    // Decodes the frame given by the image's frame index. False for no
    // stream, a file that is not a GIF, a frame index the file does not
    // reach, a frame that does not fit in memory, or a cancel.
    bool Decode(CKVXImageFile* stream);
    bool Decode(FILE* stream);

    // Writes this image as a GIF file; false when it cannot be written.
    bool Encode(CKVXImageFile* stream);
    bool Encode(FILE* stream);
    // Writes the images as the frames of one file, with this object's loop
    // count, disposal method and comment. The first frame's palette is the
    // file's global table; a later frame brings its own when it has colours
    // that table does not hold at the same indices, and with localColorMaps
    // always. Every frame must be a palette image of 8 bits or fewer.
    bool Encode(CKVXImageFile* stream, CKVXImage** images, int count, bool localColorMaps = false);
    bool Encode(FILE* stream, CKVXImage** images, int count, bool localColorMaps = false);

    void SetLoops(int count) { loops = count; }
    long GetLoops() const { return loops; }
    void SetDisposalMethod(int method) { disposalMethod = method; }
    long GetDisposalMethod() const { return disposalMethod; }
    // Keeps at most 255 characters of a text; null changes nothing.
    void SetComment(const char* text);
    // Writes exactly 255 bytes: the comment, then NUL bytes (a comment of
    // 255 characters has no terminator).
    void GetComment(char* out) const;

protected:
    // The graphic control block of the file: flags (bit 0 transparency,
    // bits 2 to 4 the disposal method), delay in hundredths of a second,
    // transparent index.
    struct GraphicControl {
        BYTE flags;
        WORD delay;
        BYTE transIndex;
    };

    // A colour table: count entries of red, green, blue.
    struct tag_TabCol {
        int count;
        rgb_color paleta[256];
    };

    // The screen descriptor.
    struct tag_dscgif {
        WORD width;
        WORD height;
        BYTE flags;          // bit 7: a global colour table follows; bits 0-2: its size
        BYTE background;
    };

    // An image descriptor.
    struct tag_image {
        WORD left;
        WORD top;
        WORD width;
        WORD height;
        BYTE flags;          // bit 7: a local colour table follows; bit 6: interlaced; bits 0-2: its size
    };

    // What the decoding of one file keeps between its frames.
    struct FrameWalk;

    // ----- Decoding ---------------------------------------------------------
    // Reads the next block introducer ('!', ',' or ';'); -1 at the end of the
    // stream or on a cancel. Bytes that do not follow a 0 byte are skipped.
    long NextBlock(CKVXImageFile* stream, bool& afterZero);
    // Reads an extension (after its '!'); false when it ends the block walk.
    bool DecodeExtension(CKVXImageFile* stream);
    // Counts the frames inside the screen from the stream's position, which
    // it restores; tells whether they are the tiles of one picture (shown at
    // one instant, kept, covering the screen without overlapping).
    int get_num_frames(CKVXImageFile* stream, const tag_dscgif& screen, bool* tilesScreen = nullptr);
    // Decodes one frame onto the canvas, or into the true-colour picture.
    bool DecodeFrame(CKVXImageFile* stream, const tag_image& descriptor, FrameWalk& walk);
    // Lays this image (a frame) onto the canvas at the frame's position.
    void GifMix(CKVXImageGIF& canvas, const tag_image& descriptor);
    // Copies this image (a frame) with its colours into the true-colour picture.
    void CopyToTrueColor(CKVXImage& picture, const tag_image& descriptor);
    // Finds the next ',' that follows a 0 byte from a position; its position,
    // the stream put back on it, or -1.
    long seek_next_image(CKVXImageFile* stream, long position);

    // ----- Encoding ---------------------------------------------------------
    bool EncodeHeader(CKVXImageFile* stream);
    bool EncodeLoopExtension(CKVXImageFile* stream);
    bool EncodeExtension(CKVXImageFile* stream);
    bool EncodeComment(CKVXImageFile* stream);
    bool EncodeBody(CKVXImageFile* stream, bool localColorMap = false);
    bool EncodeRGB(CKVXImageFile* stream);
    bool EncodePalette(CKVXImageFile* stream);
    // Writes the image data with the scheme of the codec option.
    bool EncodePixels(CKVXImageFile* stream, int initBits);
    // The frame-sequence encoder; its failure text or null.
    const char* EncodeFrames(CKVXImageFile* stream, CKVXImage** images, int count, bool localColorMaps);
    // Flushes the stream; false with the write-error text when anything
    // written did not reach it.
    bool FinishWriting(CKVXImageFile* stream, bool written);

    // Pixels of the screen that the last decoding read or wrote while it
    // laid the frames after the first: of the order of the screen's size
    // and the frames' rectangles, never their product.
    uint64_t CanvasWork() const { return canvasWork; }

    GraphicControl gifgce;
    char comment[256];
    int loops;
    int disposalMethod;
    uint64_t canvasWork;
};
