#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "ReportCapture.h"
#include "testing/MemoryFile.h"
#include "testing/TempFolder.h"
#include "utility/AbstractItemVisitor.h"
#include "utility/BasicFileFindInfo.h"
#include "utility/FileItemInfo.h"

namespace {

using kvxtest::MemoryFile;

// Builds the bytes of hand-made records.
class Bytes {
public:
    Bytes& U32(uint32_t value) {
        for (int i = 0; i < 4; ++i) m_bytes += (char)(value >> (8 * i));
        return *this;
    }
    Bytes& U64(uint64_t value) { return U32((uint32_t)value).U32((uint32_t)(value >> 32)); }
    Bytes& Wide(const std::wstring& text) {
        U32((uint32_t)(2 * text.size()));
        for (wchar_t ch : text) m_bytes += std::string{(char)ch, (char)(ch >> 8)};
        return *this;
    }
    Bytes& Narrow(const std::string& text) {
        U32((uint32_t)text.size());
        m_bytes += text;
        return *this;
    }
    Bytes& Raw(const std::string& bytes) {
        m_bytes += bytes;
        return *this;
    }
    // The bytes behind their length, as a record is stored.
    std::string AsRecord() const { return Bytes().U32((uint32_t)m_bytes.size()).Raw(m_bytes).m_bytes; }
    const std::string& Get() const { return m_bytes; }

private:
    std::string m_bytes;
};

uint32_t LE32(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | (unsigned char)bytes[at + i];
    return value;
}

std::string Serialized(const CBasicDateTime& time) {
    BYTE bytes[5];
    int pos = 0;
    time.Serialize(bytes, pos);
    return std::string((const char*)bytes, 5);
}

ULONGLONG Position(CAbstractFile& file) {
    ULONGLONG position = 0;
    file.GetPosition(&position);
    return position;
}

// An item with every recorded value set.
void Fill(CFileItemInfo& item) {
    item.SetPath(L"/data/caf\u00e9");
    item.SetName(L"caf\u00e9 \U0001F600.txt");
    item.SetShortName(L"CAFE~1.TXT");
    item.SetText4(L"four");
    item.SetText5(L"five");
    item.SetText6(L"");
    item.SetAttributes(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    item.SetNumberA(0x0102030405060708ull);
    item.SetNumberB(2);
    item.SetSize(123456789012ull);
    item.SetNumberC(4);
    item.SetNumberD(5);
    item.SetWordA(6);
    item.SetFlags2(0xA5, 1);
    item.SetRecordedTime(CBasicDateTime(2011, 3, 5, 14, 7, 9));
    item.SetCreationTime(CBasicDateTime(2001, 1, 2, 3, 4, 5));
    item.SetLastWriteTime(CBasicDateTime(2020, 12, 31, 23, 59, 58));
    item.GetStreamNames() = {L"::$DATA", L"Zone.Identifier"};
}

class FileItemInfoTest : public ReportCapture {};

TEST_F(FileItemInfoTest, EmptyItemWritesItsLengthTheRecordAndTwoEmptyBlocks) {
    CFileItemInfo item;
    MemoryFile stream;
    ASSERT_EQ(item.WriteToStream(&stream, 0, 0, nullptr), 1);
    const std::string& bytes = stream.Bytes();
    ASSERT_EQ(bytes.size(), 4u + 91u + 8u);
    EXPECT_EQ(LE32(bytes, 0), 91u);
    EXPECT_EQ(LE32(bytes, 4), 0x80u);  // strings in UTF-16
    EXPECT_EQ(bytes.substr(8, 60), std::string(60, '\0'));  // six empty strings, attributes, four numbers
    EXPECT_EQ(bytes.substr(68, 5), Serialized(*item.GetRecordedTime()));
    EXPECT_TRUE(item.GetRecordedTime()->IsValid());
    EXPECT_EQ(bytes.substr(73), std::string(30, '\0'));  // two empty times, word A, number D, blocks
    EXPECT_TRUE(AssertionLines().empty());
}

TEST_F(FileItemInfoTest, RecordRoundTripsWithStreamNamesAndFlags2) {
    CFileItemInfo item, sibling, child;
    Fill(item);
    item.SetNextSibling(&sibling);
    item.SetFirstChild(&child);
    MemoryFile stream;
    ASSERT_EQ(item.WriteToStream(&stream, CFileItemInfo::kRecordFlags2, 0, nullptr), 1);

    // The name's emoji takes two UTF-16 units; six strings of 10 + 11 + 10 +
    // 4 + 4 + 0 units, flags 2, the count and names of 7 and 15 units.
    uint32_t length = 91 + 2 * (10 + 11 + 10 + 4 + 4 + 0) + 4 + 4 + (4 + 14) + (4 + 30);
    const std::string& bytes = stream.Bytes();
    ASSERT_EQ(LE32(bytes, 0), length);
    EXPECT_EQ(bytes.size(), 4 + length + 8);
    EXPECT_EQ(LE32(bytes, 4), 0x80u | 0x1u | 0x2u | 0x10000u);

    stream.Seek(0, FILE_BEGIN);
    CFileItemInfo back;
    ASSERT_EQ(back.ReadFromStream(&stream, CFileItemInfo::kRecordFlags2, 3), 1);
    EXPECT_STREQ(back.GetPath(), item.GetPath());
    EXPECT_STREQ(back.GetName(), item.GetName());
    EXPECT_STREQ(back.GetShortName(), L"CAFE~1.TXT");
    EXPECT_STREQ(back.GetAnsiShortName(), "CAFE~1.TXT");
    EXPECT_STREQ(back.GetText4(), L"four");
    EXPECT_STREQ(back.GetText5(), L"five");
    EXPECT_EQ(back.GetAttributes(), item.GetAttributes());
    EXPECT_EQ(back.GetNumberA(), item.GetNumberA());
    EXPECT_EQ(back.GetNumberB(), 2u);
    EXPECT_EQ(back.GetSize(), item.GetSize());
    EXPECT_EQ(back.GetNumberC(), 4u);
    EXPECT_EQ(back.GetNumberD(), 5u);
    EXPECT_EQ(back.GetWordA(), 6u);
    EXPECT_EQ(back.GetFlags2(), 0xA5u);
    EXPECT_EQ(back.GetFlags(), item.GetFlags());
    EXPECT_EQ(*back.GetRecordedTime(), *item.GetRecordedTime());
    EXPECT_EQ(*back.GetCreationTime(), *item.GetCreationTime());
    EXPECT_EQ(*back.GetLastWriteTime(), *item.GetLastWriteTime());
    EXPECT_EQ(back.GetStreamNames(), item.GetStreamNames());
    EXPECT_EQ(back.GetBlockOffset(CFileItemInfo::kSecurityBlock), 4u + length);
    EXPECT_EQ(back.GetBlockOffset(CFileItemInfo::kReparseBlock), 4u + length + 4);
    EXPECT_EQ(Position(stream), bytes.size());

    // Without the flags-2 option the record has no flags 2 and the reader
    // must not look for them.
    MemoryFile plain;
    ASSERT_EQ(item.WriteToStream(&plain, 0, 0, nullptr), 1);
    EXPECT_EQ(LE32(plain.Bytes(), 0), length - 4);
    plain.Seek(0, FILE_BEGIN);
    CFileItemInfo plainBack;
    ASSERT_EQ(plainBack.ReadFromStream(&plain, 0, 3), 1);
    EXPECT_EQ(plainBack.GetFlags2(), 0u);
    EXPECT_EQ(plainBack.GetStreamNames(), item.GetStreamNames());
    EXPECT_TRUE(AssertionLines().empty());
}

TEST_F(FileItemInfoTest, VersionTwoRecordsHaveNoReparseBlock) {
    CFileItemInfo item;
    MemoryFile stream;
    ASSERT_EQ(item.WriteToStream(&stream, 0, 0, nullptr), 1);
    for (int version : {2, 3}) {
        stream.Seek(0, FILE_BEGIN);
        CFileItemInfo back;
        ASSERT_EQ(back.ReadFromStream(&stream, 0, version), 1) << version;
        EXPECT_EQ(Position(stream), version == 2 ? 4u + 91u + 4u : 4u + 91u + 8u) << version;
        EXPECT_EQ(back.GetBlockOffset(CFileItemInfo::kSecurityBlock), 95u);
        EXPECT_EQ(back.GetBlockOffset(CFileItemInfo::kReparseBlock), version == 2 ? 0u : 99u);
    }
}

TEST_F(FileItemInfoTest, ReadsVersionOneRecordsWithFileTimes) {
    setenv("TZ", "UTC0", 1);
    tzset();
    tm when = {};
    when.tm_year = 2011 - 1900;
    when.tm_mon = 2;
    when.tm_mday = 5;
    when.tm_hour = 14;
    when.tm_min = 7;
    when.tm_sec = 9;
    uint64_t fileTime = ((uint64_t)timegm(&when) * 10000000ull) + KVX_FILETIME_UNIX_EPOCH;
    std::string record = Bytes()
                             .U32(0x80)
                             .Wide(L"C:\\old")
                             .Wide(L"letter.doc")
                             .Wide(L"LETTER.DOC")
                             .Wide(L"")
                             .Wide(L"")
                             .Wide(L"")
                             .U32(FILE_ATTRIBUTE_ARCHIVE)
                             .U64(1)
                             .U64(2)
                             .U64(300)
                             .U64(4)
                             .U64(fileTime)
                             .U64(0)
                             .U64(fileTime + 10000000)
                             .AsRecord();
    // Whatever follows a version 1 record is left for the caller.
    MemoryFile stream(record + "tail");
    CFileItemInfo item;
    ASSERT_EQ(item.ReadFromStream(&stream, 0, 1), 1);
    EXPECT_STREQ(item.GetPath(), L"C:\\old");
    EXPECT_STREQ(item.GetName(), L"letter.doc");
    EXPECT_STREQ(item.GetAnsiShortName(), "LETTER.DOC");
    EXPECT_EQ(item.GetAttributes(), (DWORD)FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(item.GetSize(), 300u);
    EXPECT_EQ(*item.GetRecordedTime(), CBasicDateTime(2011, 3, 5, 14, 7, 9));
    EXPECT_FALSE(item.GetCreationTime()->IsValid());
    EXPECT_EQ(*item.GetLastWriteTime(), CBasicDateTime(2011, 3, 5, 14, 7, 10));
    EXPECT_EQ(Position(stream), record.size());
}

TEST_F(FileItemInfoTest, StringsAreNarrowWhenTheUnicodeFlagIsClear) {
    std::string record = Bytes()
                             .U32(0)
                             .Narrow("/tmp")
                             .Narrow("caf\xE9\x80.txt")
                             .Narrow("")
                             .Narrow("")
                             .Narrow("")
                             .Narrow("")
                             .U32(FILE_ATTRIBUTE_NORMAL)
                             .Raw(std::string(32 + 15, '\0'))
                             .U32(0)
                             .U64(0)
                             .AsRecord();
    MemoryFile stream(record + std::string(8, '\0'));
    CFileItemInfo item;
    ASSERT_EQ(item.ReadFromStream(&stream, 0, 3), 1);
    EXPECT_STREQ(item.GetName(), L"caf\u00e9\u20ac.txt");
    EXPECT_STREQ(item.GetPath(), L"/tmp");
    EXPECT_EQ(item.GetFlags(), 0x80u);
}

TEST_F(FileItemInfoTest, StreamNameLimits) {
    // Only the first 100,000 names are written, and all of them read back
    // although the record is far longer than 0x8000 bytes.
    CFileItemInfo item;
    for (int i = 0; i <= 100000; ++i) item.GetStreamNames().insert(std::to_wstring(1000000 + i));
    MemoryFile stream;
    ASSERT_EQ(item.WriteToStream(&stream, 0, 0, nullptr), 1);
    EXPECT_EQ(LE32(stream.Bytes(), 0), 91u + 4u + 100000u * (4 + 14));
    stream.Seek(0, FILE_BEGIN);
    CFileItemInfo back;
    ASSERT_EQ(back.ReadFromStream(&stream, 0, 3), 1);
    EXPECT_EQ(back.GetStreamNames().size(), 100000u);
    EXPECT_EQ(*back.GetStreamNames().rbegin(), L"1099999");

    // A record that claims 100,001 names is refused.
    Bytes tooMany;
    tooMany.U32(0x80 | 0x10000).Raw(std::string(24 + 4 + 32 + 15 + 4 + 8, '\0')).U32(100001);
    for (int i = 0; i < 100001; ++i) tooMany.Wide(L"s");
    MemoryFile refused(tooMany.AsRecord() + std::string(8, '\0'));
    EXPECT_EQ(back.ReadFromStream(&refused, 0, 3), 0);
    EXPECT_EQ(AssertionLines().size(), 1u);
}

TEST_F(FileItemInfoTest, DamagedRecordsAreRefused) {
    CFileItemInfo item;
    Fill(item);
    MemoryFile written;
    ASSERT_EQ(item.WriteToStream(&written, 0, 0, nullptr), 1);
    const std::string& good = written.Bytes();
    std::string longer = good;
    longer[0] = (char)(LE32(good, 0) + 13);  // a length beyond the stream
    std::string negative = good;
    negative.replace(0, 4, "\xff\xff\xff\xff");
    std::string shortString = good;
    shortString.replace(8, 4, std::string("\xff\xff\0\0", 4));  // a path longer than the record
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"three bytes", good.substr(0, 3)},
        {"cut inside the record", good.substr(0, 60)},
        {"length past the end", longer},
        {"negative length", negative},
        {"string past the record", shortString},
        {"no blocks behind it", good.substr(0, good.size() - 8)},
    };
    for (const auto& c : cases) {
        m_log.Clear();
        MemoryFile stream(c.bytes);
        CFileItemInfo back;
        EXPECT_EQ(back.ReadFromStream(&stream, 0, 3), 0) << c.what;
        EXPECT_EQ(AssertionLines().size(), 1u) << c.what;
        EXPECT_EQ(back.GetFlags() & 0x80u, 0x80u) << c.what;
    }
}

TEST_F(FileItemInfoTest, BlocksThatCannotBeReadAreLogged) {
    CFileItemInfo item;
    MemoryFile written;
    ASSERT_EQ(item.WriteToStream(&written, 0, 0, nullptr), 1);
    const std::string& bytes = written.Bytes();
    const struct {
        std::string bytes;
        int version;
        const wchar_t* message;
    } cases[] = {
        {bytes.substr(0, 95), 3, L"Could not read security attributes for (items.dat)"},
        {bytes.substr(0, 99), 3, L"Could not read reparse attributes for (items.dat)"},
        {bytes.substr(0, 95) + "\xff\xff\xff\xff", 2, L"Could not read security attributes for (items.dat)"},
    };
    for (const auto& c : cases) {
        kvxtest::RecordingLog streamLog;
        MemoryFile stream(c.bytes, &streamLog, L"items.dat");
        CFileItemInfo back;
        EXPECT_EQ(back.ReadFromStream(&stream, 0, c.version), 0);
        auto entries = streamLog.Entries();
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(entries[0].call, kvxtest::LogCall::LogFormat);
        EXPECT_EQ(entries[0].level, 1);
        EXPECT_EQ(entries[0].text, c.message);
    }
}

TEST_F(FileItemInfoTest, BlocksAreEmptyWhereNoBackupStreamCanBeHad) {
    kvxtest::TempFolder folder;
    std::string file = folder.WriteFile("data.bin", "content");
    kvxtest::RecordingLog streamLog;
    streamLog.Define(L"GENERAL", -22, L"Could not open (%s)");
    const DWORD both = CFileItemInfo::kStreamSecurity | CFileItemInfo::kStreamReparse;
    const struct {
        std::wstring path;
        DWORD options;
        bool logged;
    } cases[] = {
        {kvxtest::Widen(file), both, true},  // the item's file cannot be had here
        {kvxtest::Widen(file), CFileItemInfo::kStreamReparse, true},
        {kvxtest::Widen(file), 0, false},  // no block asked for
        {L"", both, false},
        {L"\\\\server\\share\\x", both, false},
        {L"/proc/version", both, false},  // not a volume with such data
    };
    for (const auto& c : cases) {
        streamLog.Clear();
        CFileItemInfo item;
        item.SetPath(c.path.c_str());
        MemoryFile stream("head", &streamLog);
        stream.Seek(0, FILE_END);
        EXPECT_EQ(item.WriteStreamData(&stream, c.options, nullptr), 1);
        EXPECT_EQ(stream.Bytes(), "head" + std::string(8, '\0'));
        auto entries = streamLog.Entries();
        ASSERT_EQ(entries.size(), c.logged ? 1u : 0u) << kvxtest::Narrow(c.path);
        if (c.logged) {
            EXPECT_EQ(entries[0].category, L"GENERAL");
            EXPECT_EQ(entries[0].text, L"Could not open (" + c.path + L")");
        }
    }
    EXPECT_TRUE(AssertionLines().empty());

    // Blocks that cannot even be written empty fail the write.
    CFileItemInfo item;
    MemoryFile full;
    full.SetWriteLimit(4 + 91 + 4);
    EXPECT_EQ(item.WriteToStream(&full, 0, 0, nullptr), 0);
    EXPECT_EQ(item.WriteStreamData(nullptr, 0, nullptr), 0);
}

TEST_F(FileItemInfoTest, FindsBackupStreamsByTheirId) {
    auto header = [](uint32_t id, uint64_t size, uint32_t nameSize) {
        return Bytes().U32(id).U32(0).U64(size).U32(nameSize).Get();
    };
    std::string backup = header(1, 6, 4) + "name" + "data01" +      // data with a name
                         header(9, 8 + 3, 0) + "offset!!" + "xyz" +  // a sparse block
                         header(3, 4, 0) + "SECU" + header(8, 5, 0) + "REPAR";
    const struct {
        DWORD id;
        ULONGLONG size;
        std::string data;
    } cases[] = {{3, 4, "SECU"}, {8, 5, "REPAR"}, {1, 6, "data01"}, {9, 3, "xyz"}, {4, 0, ""}};
    for (const auto& c : cases) {
        MemoryFile file(backup);
        CFileItemInfo item;
        ULONGLONG size = 99;
        ASSERT_EQ(item.FindBackupStream(&file, c.id, &size), 1) << c.id;
        EXPECT_EQ(size, c.size) << c.id;
        char data[8] = {};
        DWORD done = 0;
        file.Read(data, (DWORD)c.data.size(), &done);
        EXPECT_EQ(std::string(data, done), c.data) << c.id;
    }
    EXPECT_TRUE(AssertionLines().empty());

    for (const std::string& broken : {header(12, 0, 0), header(9, 4, 0) + "1234", header(1, 0, 10) + "short"}) {
        m_log.Clear();
        MemoryFile file(broken);
        CFileItemInfo item;
        ULONGLONG size = 0;
        EXPECT_EQ(item.FindBackupStream(&file, 8, &size), 0);
        EXPECT_EQ(AssertionLines().size(), 1u);
    }
}

TEST_F(FileItemInfoTest, PathsOfATree) {
    CFileItemInfo root(L"/srv/", 1), folder(L"a\u00e9", 1), file(L"b.txt", 0);
    root.SetFirstChild(&folder);
    folder.SetParent(&root);
    folder.SetFirstChild(&file);
    file.SetParent(&folder);
    EXPECT_STREQ(file.GetFullPath(), L"/srv/a\u00e9/b.txt");
    EXPECT_STREQ(root.GetFullPath(), L"/srv");
    EXPECT_STREQ(file.GetAnsiRelativePath(), "a\xE9\\b.txt");
    file.SetFlags(0x20000, 1);
    EXPECT_STREQ(file.GetAnsiRelativePath(), "a\xE9/b.txt");
    EXPECT_STREQ(root.GetAnsiRelativePath(), "");

    EXPECT_EQ(folder.HasFileChild(), 1);
    EXPECT_EQ(root.HasFileChild(), 0);
    root.SetFlags2Recursive(0x30, 0);
    file.SetFlags2(0x1, 1);
    root.SetFlags2Recursive(0x4, 0x11);
    EXPECT_EQ(root.GetFlags2(), 0x24u);
    EXPECT_EQ(file.GetFlags2(), 0x24u);

    // A visitor that takes only folders walks into them.
    struct FolderVisitor : CAbstractItemVisitor {
        int AcceptItem(CFileItemInfo* item) override {
            seen.push_back(item->GetName());
            return item->IsDirectory();
        }
        int KeepVisiting() override { return 1; }
        std::vector<std::wstring> seen;
    } visitor;
    root.VisitChildren(&visitor);
    EXPECT_EQ(visitor.seen, (std::vector<std::wstring>{L"a\u00e9", L"b.txt"}));
}

TEST_F(FileItemInfoTest, ConstructionAndCopies) {
    CBasicFileFindInfo entry;
    entry.SetFileName(L"report.pdf");
    entry.SetAttributes(FILE_ATTRIBUTE_ARCHIVE);
    entry.SetFileSize(5000);
    entry.SetCompressedSize(4096);
    entry.SetCreationTime(CBasicDateTime(2010, 1, 1, 0, 0, 0));
    entry.SetLastWriteTime(CBasicDateTime(2012, 2, 2, 2, 2, 2));
    CFileItemInfo found(&entry, L"/docs/report.pdf");
    EXPECT_STREQ(found.GetName(), L"report.pdf");
    EXPECT_STREQ(found.GetShortName(), L"report.pdf");
    EXPECT_STREQ(found.GetPath(), L"/docs/report.pdf");
    EXPECT_EQ(found.GetSize(), 5000u);
    EXPECT_EQ(found.GetSizeOnDisk(), 4096u);
    EXPECT_EQ(*found.GetLastWriteTime(), CBasicDateTime(2012, 2, 2, 2, 2, 2));
    EXPECT_TRUE(found.GetRecordedTime()->IsValid());

    CFileItemInfo named(L"notes", 1);
    EXPECT_EQ(named.IsDirectory(), 1);
    EXPECT_EQ(*named.GetCreationTime(), *named.GetRecordedTime());
    EXPECT_EQ(found.CompareLastWrite(&named), -1);
    EXPECT_EQ(named.CompareLastWrite(&found), 1);
    EXPECT_EQ(found.CompareLastWrite(nullptr), 1);

    // A copy takes the values but not the tree links, numbers A and B, word B
    // or the extra record.
    CFileItemInfo source, parent;
    Fill(source);
    source.SetParent(&parent);
    source.SetText7(L"seven");
    source.SetUniqueName(L"unique");
    source.SetWordB(9);
    source.SetWordC(10);
    source.SetNumberE(11);
    FILE_ITEM_EXTRA extra = {{1, 2, 3, 4}};
    source.SetExtraRecord(&extra);
    ASSERT_NE(source.GetExtraRecord(), nullptr);
    EXPECT_EQ(source.GetExtraRecord()->value[3], 4u);
    CFileItemInfo copy(&source);
    EXPECT_STREQ(copy.GetName(), source.GetName());
    EXPECT_STREQ(copy.GetAnsiShortName(), "CAFE~1.TXT");
    EXPECT_STREQ(copy.GetText7(), L"seven");
    EXPECT_STREQ(copy.GetUniqueName(), L"unique");
    EXPECT_EQ(copy.GetWordC(), 10u);
    EXPECT_EQ(copy.GetNumberE(), 11u);
    EXPECT_EQ(copy.GetStreamNames(), source.GetStreamNames());
    EXPECT_EQ(copy.GetParent(), nullptr);
    EXPECT_EQ(copy.GetNumberA(), 0u);
    EXPECT_EQ(copy.GetWordB(), 0u);
    EXPECT_EQ(copy.GetExtraRecord(), nullptr);
    source.SetExtraRecord(nullptr);
    EXPECT_EQ(source.GetExtraRecord(), nullptr);
    EXPECT_TRUE(AssertionLines().empty());

    copy.CopyFrom(nullptr);
    CFileItemInfo adopted(static_cast<CFileItemData*>(nullptr));
    EXPECT_EQ(adopted.GetFlags(), 0x80u);
    EXPECT_EQ(AssertionLines().size(), 2u);
}

} // namespace
