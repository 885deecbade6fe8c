// The dispatcher reaches each codec by its type number, and auto-detection
// tries the codecs in their fixed order, rewinding between tries. These tests
// follow the calls through the codec stand-ins; they go with the stand-ins
// once every codec is built (the codecs' own tests then cover the order).

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Pendrel/Image/CodecStubs/CodecStub.h"
#include "Pendrel/Image/KVXImage.h"
#include "Pendrel/Image/KVXImageMemFile.h"
#include "Pendrel/Image/tests/ImageTestSupport.h"

namespace {

using Calls = std::vector<DWORD>;

class CodecStubDispatch : public ::testing::Test {
protected:
    void SetUp() override { KVXCodecStubCalls().clear(); }
};

struct CodecCase {
    DWORD type;
    const char* format;
};

const CodecCase kCodecs[] = {{CKVXImage::ImageTypeGif, "GIF"}};

TEST_F(CodecStubDispatch, EachTypeNumberReachesItsCodec) {
    const std::vector<BYTE> bytes = kvximagetest::Bytes("0123");
    for (const CodecCase& c : kCodecs) {
        KVXCodecStubCalls().clear();
        CKVXImage image;
        EXPECT_FALSE(image.Decode(bytes.data(), static_cast<DWORD>(bytes.size()), c.type));
        EXPECT_EQ(KVXCodecStubCalls(), Calls{c.type}) << c.format;
        EXPECT_EQ(std::string(image.GetLastError()), std::string(c.format) + " decoding is not available");

        KVXCodecStubCalls().clear();
        CKVXImage picture(1, 1, 24);
        CKVXImageMemFile out;
        out.Open();
        EXPECT_FALSE(picture.Encode(&out, c.type));
        EXPECT_EQ(KVXCodecStubCalls(), Calls{c.type}) << c.format;
        EXPECT_EQ(std::string(picture.GetLastError()), std::string(c.format) + " encoding is not available");
    }
    KVXCodecStubCalls().clear();
    CKVXImage picture(1, 1, 24);
    CKVXImage* frames[] = {&picture};
    CKVXImageMemFile out;
    out.Open();
    EXPECT_FALSE(picture.Encode(&out, frames, 1, CKVXImage::ImageTypeGif));
    EXPECT_EQ(KVXCodecStubCalls(), Calls{CKVXImage::ImageTypeGif});
}

TEST_F(CodecStubDispatch, AutoDetectionOrderWithRewinds) {
    CKVXImage source(2, 2, 24);
    kvximagetest::FillPattern24(source);
    BYTE* raw = nullptr;
    long size = 0;
    ASSERT_TRUE(source.Encode(raw, size, CKVXImage::ImageTypeRaw));
    KVXCodecStubCalls().clear();

    // Every codec consumes bytes before failing: the raw reader, tried last,
    // only succeeds when the dispatcher rewound after each try.
    CKVXImage image;
    ASSERT_TRUE(image.Decode(raw, static_cast<DWORD>(size), CKVXImage::ImageTypeUnknown)) << image.GetLastError();
    const Calls order = {CKVXImage::ImageTypeGif};
    EXPECT_EQ(KVXCodecStubCalls(), order);
    kvximagetest::ExpectSamePixels(source, image);
    CKVXImage::FreeMemory(raw);
}

} // namespace
