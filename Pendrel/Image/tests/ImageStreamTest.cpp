// The image streams over memory blocks and stdio files.

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <sstream>
#include <string>
#include <type_traits>

#include "Pendrel/Image/KVXImageIOFile.h"
#include "Pendrel/Image/KVXImageMemFile.h"
#include "testing/TempFolder.h"

static_assert(!std::is_copy_constructible_v<CKVXImageMemFile> && !std::is_copy_assignable_v<CKVXImageMemFile>);
static_assert(!std::is_copy_constructible_v<CKVXImageIOFile> && !std::is_copy_assignable_v<CKVXImageIOFile>);

namespace {

class MemProbe : public CKVXImageMemFile {
public:
    using CKVXImageMemFile::CKVXImageMemFile;
    int32_t Capacity() const { return capacity; }
    bool Owns() const { return ownsData; }
};

struct StreamCase {
    const char* name;
    std::function<std::string()> run;
    const char* expected;
};

std::ostream& operator<<(std::ostream& os, const StreamCase& c) {
    return os << c.name;
}

std::string CallerBufferRead() {
    BYTE buffer[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    CKVXImageMemFile file(buffer, 10);
    BYTE out[12] = {};
    std::ostringstream t;
    t << "size=" << file.Size() << " read=" << file.Read(out, 4, 3) << " last=" << int(out[9])
      << " eof=" << file.Eof() << " getc=" << file.GetC();
    return t.str();
}

std::string SeekClampsAndRefusesOrigins() {
    BYTE buffer[4] = {};
    CKVXImageMemFile file(buffer, 4);
    std::ostringstream t;
    t << "seek=" << file.Seek(-5, 0) << " tell=" << file.Tell() << " badOrigin=" << file.Seek(0, 3)
      << " huge=" << file.Seek(LONG_MAX, 0) << " tell=" << file.Tell() << " veryNegative=" << file.Seek(LONG_MIN, 1)
      << " tell=" << file.Tell();
    return t.str();
}

std::string OpenGrowsInPagesAndDetaches() {
    BYTE block[5000];
    std::memset(block, 7, sizeof block);
    std::ostringstream t;
    MemProbe pages;
    t << "open=" << pages.Open() << " reopen=" << pages.Open() << " cap=" << pages.Capacity();
    pages.Write(block, 1, 1);
    t << " cap1=" << pages.Capacity();
    pages.Write(block, 1, 4095);
    t << " cap4096=" << pages.Capacity();
    pages.Write(block, 1, 1);
    t << " cap4097=" << pages.Capacity();

    MemProbe file;
    file.Open();
    file.Write(block, 1, 5000);
    t << " cap5000=" << file.Capacity() << " size=" << file.Size();
    BYTE* taken = file.GetBuffer();
    t << " owns=" << file.Owns() << " close=" << file.Close() << " kept=" << (file.GetBuffer(false) == taken);
    std::free(taken);  // the caller's now; the stream must not free it as well
    return t.str();
}

std::string IOFileLeavesTheCallersFileOpen() {
    FILE* fp = std::tmpfile();
    std::ostringstream t;
    {
        CKVXImageIOFile file(fp);
        t << "putc=" << file.PutC('x') << " close=" << file.Close();
    }
    t << " stillOpen=" << (std::fputc('y', fp) == 'y') << " size=" << (std::fseek(fp, 0, SEEK_END), std::ftell(fp));
    std::fclose(fp);
    return t.str();
}

// Every operation of a stream that holds no file or buffer.
std::string WithoutBacking(CKVXImageFile& file) {
    BYTE b = 0;
    std::ostringstream t;
    t << "tell=" << file.Tell() << " size=" << file.Size() << " read=" << file.Read(&b, 1, 1)
      << " write=" << file.Write(&b, 1, 1) << " seek=" << file.Seek(0, 0) << " eof=" << file.Eof()
      << " error=" << file.Error() << " flush=" << file.Flush() << " putc=" << file.PutC(1)
      << " getc=" << file.GetC() << " close=" << file.Close();
    return t.str();
}

std::string IOFileWithoutFile() {
    CKVXImageIOFile file;
    return WithoutBacking(file);
}

std::string MemFileWithoutBuffer() {
    CKVXImageMemFile file;
    return WithoutBacking(file);
}

std::string GrowingPastTheCallersBufferCopies() {
    // A heap block of the caller's: reallocating it would move it under the
    // caller's feet (and the sanitizer would see the stream free it).
    BYTE* buffer = static_cast<BYTE*>(std::malloc(4));
    std::memcpy(buffer, "abcd", 4);
    std::string content;
    std::ostringstream t;
    {
        MemProbe file(buffer, 4);
        file.Seek(0, 2);
        t << "write=" << file.Write("efgh", 1, 4) << " owns=" << file.Owns() << " size=" << file.Size();
        content.assign(reinterpret_cast<char*>(file.GetBuffer(false)), 8);
    }
    t << " content=" << content << " caller=" << std::string(reinterpret_cast<char*>(buffer), 4);
    std::free(buffer);
    return t.str();
}

std::string SeekPastTheEndLeavesZeros() {
    CKVXImageMemFile file;
    file.Open();
    file.Write("ab", 1, 2);
    BYTE out = 9;
    std::ostringstream t;
    t << "seek=" << file.Seek(3, 1) << " read=" << file.Read(&out, 1, 1) << " eof=" << file.Eof()
      << " error=" << file.Error();
    file.Write("z", 1, 1);
    const BYTE* data = file.GetBuffer(false);
    t << " size=" << file.Size() << " gap=" << int(data[2]) << int(data[3]) << int(data[4]) << " end=" << data[5];
    return t.str();
}

std::string SizesThatWouldOverflow() {
    BYTE buffer[10] = {};
    CKVXImageMemFile file(buffer, 10);
    BYTE out[10];
    std::ostringstream t;
    t << "read=" << file.Read(out, SIZE_MAX / 2, 3) << " tell=" << file.Tell();
    CKVXImageMemFile grown;
    grown.Open();
    grown.Seek(INT32_MAX - 2, 0);
    t << " write=" << grown.Write("1234", 1, 4) << " hugeWrite=" << grown.Write(out, SIZE_MAX / 2, 3)
      << " size=" << grown.Size();
    return t.str();
}

std::string PutCExtends() {
    CKVXImageMemFile file;
    file.Open();
    std::ostringstream t;
    t << "putc=" << file.PutC('q') << file.PutC('r') << " size=" << file.Size() << " tell=" << file.Tell();
    file.Seek(0, 0);
    t << " getc=" << char(file.GetC()) << char(file.GetC()) << " end=" << file.GetC();
    return t.str();
}

class ImageStream : public ::testing::TestWithParam<StreamCase> {};

TEST_P(ImageStream, EdgeCase) {
    EXPECT_EQ(GetParam().run(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ImageStream,
    ::testing::Values(
        StreamCase{"CallerBufferRead", CallerBufferRead, "size=10 read=2 last=10 eof=1 getc=-1"},
        StreamCase{"SeekClamps", SeekClampsAndRefusesOrigins,
                   "seek=1 tell=0 badOrigin=0 huge=0 tell=0 veryNegative=1 tell=0"},
        StreamCase{"OpenGrowsInPagesAndDetaches", OpenGrowsInPagesAndDetaches,
                   "open=1 reopen=0 cap=0 cap1=4096 cap4096=4096 cap4097=8192 cap5000=8192 size=5000 owns=0 close=1 kept=1"},
        StreamCase{"IOFileLeavesTheCallersFileOpen", IOFileLeavesTheCallersFileOpen,
                   "putc=1 close=1 stillOpen=1 size=2"},
        StreamCase{"IOFileWithoutFile", IOFileWithoutFile,
                   "tell=0 size=-1 read=0 write=0 seek=0 eof=1 error=-1 flush=0 putc=0 getc=-1 close=1"},
        StreamCase{"MemFileWithoutBuffer", MemFileWithoutBuffer,
                   "tell=-1 size=-1 read=0 write=0 seek=0 eof=1 error=-1 flush=0 putc=0 getc=-1 close=1"},
        StreamCase{"GrowingPastTheCallersBufferCopies", GrowingPastTheCallersBufferCopies,
                   "write=4 owns=1 size=8 content=abcdefgh caller=abcd"},
        StreamCase{"SeekPastTheEndLeavesZeros", SeekPastTheEndLeavesZeros,
                   "seek=1 read=0 eof=1 error=1 size=6 gap=000 end=z"},
        StreamCase{"SizesThatWouldOverflow", SizesThatWouldOverflow, "read=0 tell=10 write=0 hugeWrite=0 size=0"},
        StreamCase{"PutCExtends", PutCExtends, "putc=11 size=2 tell=2 getc=qr end=-1"}),
    [](const ::testing::TestParamInfo<StreamCase>& info) { return std::string(info.param.name); });

TEST(ImageStreamFile, OpensWidePathsAndReportsSize) {
    kvxtest::TempFolder folder;
    const std::wstring path = folder.WPath() + L"/bild-\u00e4\u4e2d.raw";
    {
        CKVXImageIOFile file;
        ASSERT_TRUE(file.Open(path.c_str(), L"wb"));
        EXPECT_FALSE(file.Open(path.c_str(), L"wb")) << "a file is already held";
        EXPECT_EQ(file.Write("hello", 1, 5), 5u);
        EXPECT_TRUE(file.Flush());
        EXPECT_EQ(file.Size(), 5);
        EXPECT_EQ(file.Tell(), 5);
        EXPECT_TRUE(file.Close());
    }
    EXPECT_EQ(kvxtest::TempFolder::ReadFile(folder.Sub("bild-\xc3\xa4\xe4\xb8\xad.raw")), "hello");
    CKVXImageIOFile reader;
    ASSERT_TRUE(reader.Open(path.c_str(), L"rb"));
    EXPECT_TRUE(reader.Seek(-2, 2));
    EXPECT_EQ(reader.GetC(), 'l');
    EXPECT_EQ(reader.GetC(), 'o');
    EXPECT_EQ(reader.GetC(), -1);
    EXPECT_TRUE(reader.Eof());
    CKVXImageIOFile missing;
    EXPECT_FALSE(missing.Open((folder.WPath() + L"/none").c_str(), L"rb"));
    EXPECT_FALSE(missing.Open(nullptr, L"rb"));
}

} // namespace
