#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <random>
#include <sys/resource.h>
#include <sys/wait.h>
#include <string>
#include <sys/stat.h>
#include <vector>
#include <zlib.h>

#include "ReportCapture.h"
#include "testing/TempFolder.h"
#include "utility/AbstractChecksumProgress.h"
#include "utility/BasicCrypt.h"
#include "utility/BasicZipCrypt.h"
#include "utility/FileUtility.h"
#include "utility/Posix/BasicFile.h"
#include "utility/Posix/BasicRegistry.h"

namespace {

using kvxtest::RecordedEntry;
using kvxtest::TempFolder;
using kvxtest::Widen;

std::string RandomBytes(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& b : bytes) b = (char)random();
    return bytes;
}

// A local file whose size is announced larger than what it holds.
class OverstatedFile : public CBasicFile {
public:
    using CBasicFile::CBasicFile;
    int GetSize(ULONGLONG* size) override {
        *size = 1000000;
        return 1;
    }
};

class CountingProgress : public CAbstractChecksumProgress {
public:
    void Progress(ULONGLONG bytes) override {
        total += bytes;
        ++calls;
    }
    ULONGLONG total = 0;
    int calls = 0;
};

class FileUtilityTest : public ReportCapture {
protected:
    // The texts logged at level 1 so far.
    std::vector<std::wstring> LoggedErrors() const {
        std::vector<std::wstring> texts;
        for (const RecordedEntry& e : m_log.Written())
            if (e.call == kvxtest::LogCall::LogFormat && e.level == 1) texts.push_back(e.text);
        return texts;
    }

    TempFolder m_folder;
};

TEST_F(FileUtilityTest, CopiesWholeFiles) {
    std::string content = RandomBytes(3 * 1024 * 1024 + 17, 1);
    std::string source = m_folder.WriteFile("source.bin", content);
    std::string target = m_folder.WriteFile("target.bin", "old and longer than nothing");
    EXPECT_EQ(CopyFileByPath(Widen(source).c_str(), Widen(target).c_str()), 1);
    EXPECT_EQ(TempFolder::ReadFile(target), content);

    std::string empty = m_folder.WriteFile("empty", "");
    EXPECT_EQ(CopyFileByPath(Widen(empty).c_str(), Widen(target).c_str()), 1);
    EXPECT_EQ(TempFolder::ReadFile(target), "");
    EXPECT_TRUE(AssertionLines().empty());
    EXPECT_TRUE(LoggedErrors().empty());
}

// A copy that cannot be written whole (here the file-size limit stands in
// for a full disk) leaves the old target as it was and nothing beside it.
TEST_F(FileUtilityTest, AFailedCopyLeavesTheOldTarget) {
    std::string source = m_folder.WriteFile("source.bin", RandomBytes(1024 * 1024, 2));
    std::string target = m_folder.WriteFile("target.bin", "the old target");
    chmod(target.c_str(), 0640);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = {64 * 1024, 64 * 1024};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(CopyFileByPath(Widen(source).c_str(), Widen(target).c_str()) == 0 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the copy must fail";
    EXPECT_EQ(TempFolder::ReadFile(target), "the old target");
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(m_folder.Path())) files += entry.is_regular_file();
    EXPECT_EQ(files, 2);

    // A whole copy keeps the target's mode.
    ASSERT_EQ(CopyFileByPath(Widen(source).c_str(), Widen(target).c_str()), 1);
    struct stat st;
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(TempFolder::ReadFile(target), TempFolder::ReadFile(source));
}

TEST_F(FileUtilityTest, MissingSourceLeavesTheTargetIntact) {
    std::string target = m_folder.WriteFile("target.txt", "precious");
    std::wstring missing = m_folder.WSub("missing.txt");
    EXPECT_EQ(CopyFileByPath(missing.c_str(), Widen(target).c_str()), 0);
    EXPECT_EQ(TempFolder::ReadFile(target), "precious");
    EXPECT_EQ(LoggedErrors(), std::vector<std::wstring>{L"Could not create file (" + missing + L") for reading!!!"});

    // A target that cannot be created.
    m_log.Clear();
    std::wstring badTarget = m_folder.WSub("no/folder/x");
    EXPECT_EQ(CopyFileByPath(Widen(target).c_str(), badTarget.c_str()), 0);
    EXPECT_EQ(LoggedErrors(), std::vector<std::wstring>{L"Could not create file (" + badTarget + L") for writing!!!"});

    // A file copied onto itself would be emptied: refused.
    std::wstring same = Widen(target);
    EXPECT_EQ(CopyFileByPath(same.c_str(), (m_folder.WPath() + L"/./target.txt").c_str()), 0);
    EXPECT_EQ(TempFolder::ReadFile(target), "precious");

    EXPECT_EQ(CopyFileByPath(L"", same.c_str()), 0);
    EXPECT_EQ(CopyFileContents(nullptr, nullptr), 0);
    EXPECT_EQ(AssertionLines().size(), 3u);
}

TEST_F(FileUtilityTest, SourceThatEndsEarlyEndsTheCopy) {
    std::string source = m_folder.WriteFile("short.bin", std::string(70000, 's'));
    OverstatedFile from(Widen(source).c_str(), nullptr);
    CBasicFile to(m_folder.WSub("copy.bin").c_str(), nullptr);
    EXPECT_EQ(CopyFileContents(&from, &to), 0);
    EXPECT_EQ(from.IsOpen(), 0);
    EXPECT_EQ(to.IsOpen(), 0);
    EXPECT_EQ(TempFolder::ReadFile(m_folder.Sub("copy.bin")).size(), 70000u);
    EXPECT_EQ(AssertionLines().size(), 1u);
}

TEST_F(FileUtilityTest, ChecksumMatchesZlib) {
    std::string content = RandomBytes(3 * 1024 * 1024 + 5, 2);
    std::string path = m_folder.WriteFile("data.bin", content);
    uLong expected = crc32(0, (const Bytef*)content.data(), (uInt)content.size());

    CBasicFile file(Widen(path).c_str(), nullptr);
    CountingProgress progress;
    unsigned crc = 0;
    EXPECT_EQ(ComputeFileCrc32(&file, crc, &progress), 0);
    EXPECT_EQ(crc, (unsigned)expected);
    EXPECT_EQ(progress.total, content.size());
    EXPECT_EQ(progress.calls, 49);
    EXPECT_EQ(file.IsOpen(), 0);

    // The caller's start value carries on: two halves give the whole.
    std::string first = m_folder.WriteFile("first", content.substr(0, 1000000));
    std::string second = m_folder.WriteFile("second", content.substr(1000000));
    crc = 0;
    CBasicFile a(Widen(first).c_str(), nullptr), b(Widen(second).c_str(), nullptr);
    EXPECT_EQ(ComputeFileCrc32(&a, crc, nullptr), 0);
    EXPECT_EQ(ComputeFileCrc32(&b, crc, nullptr), 0);
    EXPECT_EQ(crc, (unsigned)expected);

    CBasicFile missing(m_folder.WSub("missing").c_str(), nullptr);
    EXPECT_EQ(ComputeFileCrc32(&missing, crc, nullptr), -1);
    EXPECT_EQ(ComputeFileCrc32(nullptr, crc, nullptr), -1);
    OverstatedFile overstated(Widen(m_folder.WriteFile("small", "0123456789")).c_str(), nullptr);
    EXPECT_EQ(ComputeFileCrc32(&overstated, crc, nullptr), -1);
}

TEST_F(FileUtilityTest, SizesAndRenames) {
    std::string path = m_folder.WriteFile("a.txt", "12345");
    LONGLONG size = -1;
    EXPECT_EQ(GetFileSizeByPath(Widen(path).c_str(), size), 1);
    EXPECT_EQ(size, 5);
    EXPECT_EQ(GetFileSizeByPath(m_folder.WSub("none").c_str(), size), 0);
    EXPECT_EQ(size, 0);

    EXPECT_EQ(RenameFile(Widen(path).c_str(), m_folder.WSub("b.txt").c_str()), 1);
    EXPECT_EQ(MoveFileByRename(m_folder.WSub("b.txt").c_str(), m_folder.WSub("c.txt").c_str()), 1);
    EXPECT_EQ(TempFolder::ReadFile(m_folder.Sub("c.txt")), "12345");
    EXPECT_EQ(RenameFile(m_folder.WSub("b.txt").c_str(), m_folder.WSub("d.txt").c_str()), 0);
}

TEST(Factories, MakeRegistryAndEncryptionObjects) {
    CBasicRegistry* registry = CreateBasicRegistry(L"Morvane", L"FactoryTest", HKEY_CURRENT_USER);
    ASSERT_NE(registry, nullptr);
    EXPECT_EQ(registry->SetDWORD(L"Settings", L"Count", 7), 1);
    EXPECT_EQ(registry->GetDWORD(L"Settings", L"Count", 0), 7u);
    DeleteBasicRegistry(registry);
    DeleteBasicRegistry(nullptr);

    kvxtest::RecordingLog log;
    const struct {
        int type;
        bool zip, rc4;
    } cases[] = {{1, true, false}, {2, false, true}, {0, false, false}, {3, false, false}, {-1, false, false}};
    for (const auto& c : cases) {
        CAbstractCrypt* crypt = CreateCrypt(c.type, &log);
        EXPECT_EQ(dynamic_cast<CBasicZipCrypt*>(crypt) != nullptr, c.zip) << c.type;
        EXPECT_EQ(dynamic_cast<CBasicCrypt*>(crypt) != nullptr, c.rc4) << c.type;
        delete crypt;
    }
}

} // namespace
