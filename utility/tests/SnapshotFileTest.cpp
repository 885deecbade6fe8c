#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ReportCapture.h"
#include "testing/TempFolder.h"
#include "utility/AbstractRawTransfer.h"
#include "utility/AbstractSnapshot.h"
#include "utility/Posix/BasicFile.h"
#include "utility/Posix/EncryptedFileRaw.h"
#include "utility/Posix/VSSFile.h"

namespace {

using kvxtest::RecordingLog;
using kvxtest::TempFolder;

// Maps every path to one fixed answer.
class FixedSnapshot : public CAbstractSnapshot {
public:
    explicit FixedSnapshot(std::wstring answer) : m_answer(std::move(answer)) {}
    const wchar_t* MapPath(const wchar_t* path) override {
        m_asked.push_back(path);
        return m_answer.c_str();
    }
    std::wstring m_answer;
    std::vector<std::wstring> m_asked;
};

// Collects exported bytes and supplies bytes to import in small pieces.
class CollectingTransfer : public CAbstractRawTransfer {
public:
    DWORD ExportRawData(const BYTE* data, ULONG length, DWORD context) override {
        m_contexts.push_back(context);
        m_blocks.push_back(length);
        m_received.append((const char*)data, length);
        return m_exportResult;
    }
    DWORD ImportRawData(BYTE* data, ULONG* length, DWORD context) override {
        ULONG n = (ULONG)std::min<size_t>({*length, (size_t)1000, m_toSupply.size()});
        std::copy(m_toSupply.begin(), m_toSupply.begin() + n, data);
        m_toSupply.erase(0, n);
        *length = n;
        return ERROR_SUCCESS;
    }
    std::string m_received, m_toSupply;
    std::vector<ULONG> m_blocks;
    std::vector<DWORD> m_contexts;
    DWORD m_exportResult = ERROR_SUCCESS;
};

class SnapshotFileTest : public ReportCapture {
protected:
    SnapshotFileTest() {
        for (int code = -4; code <= -1; ++code) m_fileLog.Define(L"FILE", code, L"%s|%s");
    }
    std::vector<int> EventCodes() const {
        std::vector<int> codes;
        for (const auto& e : m_fileLog.Written()) codes.push_back(e.code);
        return codes;
    }

    TempFolder m_folder;
    RecordingLog m_fileLog;
};

TEST_F(SnapshotFileTest, OpensTheSnapshotCopyOrElseTheLiveFile) {
    std::string live = m_folder.WriteFile("live.txt", "live");
    std::string copy = m_folder.WriteFile("copy.txt", "copy");
    struct Case {
        std::wstring answer;
        const char* content;
        std::vector<int> events;
    };
    const Case cases[] = {
        {kvxtest::Widen(copy), "copy", {}},
        {L"", "live", {}},
        // A copy that cannot be opened is reported once; the live file opens.
        {m_folder.WSub("missing.txt"), "live", {-1}},
    };
    for (const Case& c : cases) {
        m_fileLog.Clear();
        FixedSnapshot snapshot(c.answer);
        CAbstractFile* file = CreateBasicFile(nullptr, &m_fileLog, &snapshot);
        ASSERT_NE(dynamic_cast<CVSSFile*>(file), nullptr);
        std::wstring name = kvxtest::Widen(live);
        EXPECT_EQ(file->Open(name.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0), 0);
        EXPECT_STREQ(file->GetFileName(), name.c_str());
        EXPECT_EQ(snapshot.m_asked, std::vector<std::wstring>{name});
        char buffer[8] = {};
        DWORD done = 0;
        file->Read(buffer, sizeof(buffer), &done);
        EXPECT_EQ(std::string(buffer, done), c.content);
        EXPECT_EQ(EventCodes(), c.events);
        DeleteBasicFile(file);
    }

    CVSSFile file(nullptr, nullptr, &m_fileLog);
    EXPECT_EQ(file.Open(nullptr, GENERIC_READ, 0, OPEN_EXISTING, 0), -1);
    EXPECT_EQ(AssertionLines().size(), 1u);
}

TEST_F(SnapshotFileTest, RawReadExportsThePlainBytesInBlocks) {
    std::string content(150 * 1024, '\0');
    for (size_t i = 0; i < content.size(); ++i) content[i] = (char)(i * 7);
    std::string path = m_folder.WriteFile("raw.bin", content);
    CollectingTransfer transfer;
    CEncryptedFileRaw file(nullptr, &m_fileLog, nullptr, &transfer, 42);
    EXPECT_EQ(file.IsOpen(), 0);
    ASSERT_EQ(file.Open(kvxtest::Widen(path).c_str(), 0, 0, 0, 0), 0);
    EXPECT_EQ(file.IsOpen(), 1);
    EXPECT_EQ(file.Read(nullptr, 0, nullptr), 0);
    EXPECT_EQ(transfer.m_received, content);
    EXPECT_EQ(transfer.m_blocks, (std::vector<ULONG>{65536, 65536, 22528}));
    EXPECT_EQ(transfer.m_contexts, (std::vector<DWORD>{42, 42, 42}));
    EXPECT_EQ(file.Close(), 1);
    EXPECT_EQ(file.IsOpen(), 0);

    // The callback stops the transfer with its code.
    transfer.m_exportResult = ERROR_DISK_FULL;
    ASSERT_EQ(file.Open(kvxtest::Widen(path).c_str(), 0, 0, 0, 0), 0);
    EXPECT_EQ(file.Read(nullptr, 0, nullptr), -1);
    EXPECT_EQ(file.GetLastError(), (DWORD)ERROR_DISK_FULL);
    EXPECT_EQ(EventCodes(), std::vector<int>{-3});
}

TEST_F(SnapshotFileTest, RawWriteImportsUntilNothingComes) {
    CollectingTransfer transfer;
    transfer.m_toSupply = std::string(2500, 'r');
    CEncryptedFileRaw file(nullptr, &m_fileLog, nullptr, &transfer, 1);
    std::string path = m_folder.Sub("imported.bin");
    ASSERT_EQ(file.Open(kvxtest::Widen(path).c_str(), CREATE_FOR_IMPORT, 0, 0, 0), 0);
    EXPECT_EQ(file.Write(nullptr, 0, nullptr), 0);
    file.Close();
    EXPECT_EQ(TempFolder::ReadFile(path), std::string(2500, 'r'));

    // Reading a file opened for writing, and a missing file.
    ASSERT_EQ(file.Open(kvxtest::Widen(path).c_str(), CREATE_FOR_IMPORT, 0, 0, 0), 0);
    EXPECT_EQ(file.Read(nullptr, 0, nullptr), -1);
    EXPECT_EQ(file.Open(m_folder.WSub("missing").c_str(), 0, 0, 0, 0), -1);
    EXPECT_EQ(file.GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(EventCodes(), (std::vector<int>{-3, -1}));
}

TEST_F(SnapshotFileTest, RawFileWithoutCallbackCallsNothing) {
    std::string path = m_folder.WriteFile("raw.bin", "abc");
    CAbstractFile* file = CreateEncryptedFileRaw(nullptr, &m_fileLog, nullptr, nullptr, 0);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->Close(), 1);
    ASSERT_EQ(file->Open(kvxtest::Widen(path).c_str(), 0, 0, 0, 0), 0);
    EXPECT_EQ(file->Read(nullptr, 0, nullptr), -1);
    EXPECT_EQ(file->Write(nullptr, 0, nullptr), -1);
    EXPECT_EQ(AssertionLines().size(), 2u);
    EXPECT_TRUE(EventCodes().empty());
    delete file;
}

} // namespace
