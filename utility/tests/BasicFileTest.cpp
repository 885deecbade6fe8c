#include <gtest/gtest.h>

#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "ReportCapture.h"
#include "testing/TempFolder.h"
#include "utility/BasicDateTime.h"
#include "utility/Posix/BasicFile.h"
#include "utility/Posix/VSSFile.h"

namespace {

using kvxtest::LogCall;
using kvxtest::RecordedEntry;
using kvxtest::RecordingLog;
using kvxtest::TempFolder;

bool PathExists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

// A file object with a log that shows every "FILE" event as "name|detail".
class BasicFileTest : public ReportCapture {
protected:
    BasicFileTest() {
        // Read and write on a closed file report the name alone.
        for (int code = -18; code <= -1; ++code)
            m_fileLog.Define(L"FILE", code, code == -15 || code == -16 ? L"%s|" : L"%s|%s");
        m_fileLog.SetVerbose(true);
    }

    // The "FILE" events written so far, as (code, text).
    std::vector<std::pair<int, std::wstring>> Events() const {
        std::vector<std::pair<int, std::wstring>> events;
        for (const RecordedEntry& e : m_fileLog.Written())
            if (e.category == L"FILE") events.emplace_back(e.code, e.text);
        return events;
    }

    TempFolder m_folder;
    RecordingLog m_fileLog;
    CBasicFile m_file {nullptr, &m_fileLog};
};

TEST_F(BasicFileTest, FailedOpensReportTheReadOrWriteCode) {
    std::wstring missing = m_folder.WSub("missing.txt");
    EXPECT_EQ(m_file.Open(missing.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0), -1);
    EXPECT_EQ(m_file.GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
    EXPECT_STREQ(m_file.GetFileName(), missing.c_str());

    std::wstring inMissingFolder = m_folder.WSub("no/such/file.txt");
    EXPECT_EQ(m_file.Open(inMissingFolder.c_str(), GENERIC_READ | GENERIC_WRITE, 0, OPEN_ALWAYS, 0), -1);
    EXPECT_EQ(m_file.GetLastError(), (DWORD)ERROR_PATH_NOT_FOUND);

    m_folder.WriteFile("exists.txt", "x");
    std::wstring exists = m_folder.WSub("exists.txt");
    EXPECT_EQ(m_file.Open(exists.c_str(), GENERIC_WRITE, 0, CREATE_NEW, 0), -1);
    EXPECT_EQ(m_file.GetLastError(), (DWORD)ERROR_FILE_EXISTS);

    // A folder opens only for backup semantics.
    EXPECT_EQ(m_file.Open(m_folder.WPath().c_str(), GENERIC_READ, 0, OPEN_EXISTING, 0), -1);
    EXPECT_EQ(m_file.GetLastError(), (DWORD)ERROR_ACCESS_DENIED);

    auto events = Events();
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0], std::make_pair(-1, missing + L"|(2) The file was not found."));
    EXPECT_EQ(events[1], std::make_pair(-2, inMissingFolder + L"|(3) The path was not found."));
    EXPECT_EQ(events[2].first, -2);
    EXPECT_EQ(events[3].first, -1);
    EXPECT_EQ(m_file.Open(m_folder.WPath().c_str(), GENERIC_READ, 0, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS), 0);

    // Without a log the results are the same and nothing is written anywhere.
    CBasicFile silent(nullptr, nullptr);
    EXPECT_EQ(silent.Open(missing.c_str(), GENERIC_READ, 0, OPEN_EXISTING, 0), -1);
    EXPECT_EQ(silent.GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(silent.IsOpen(), 0);
    EXPECT_EQ(Events().size(), 4u);
}

TEST_F(BasicFileTest, DispositionsCreateTruncateOrKeep) {
    std::wstring path = m_folder.WSub("d.txt");
    std::string narrow = m_folder.Sub("d.txt");
    struct Case {
        DWORD disposition;
        const char* before;  // null: no file
        int result;
        const char* after;
    };
    const Case cases[] = {
        {CREATE_NEW, nullptr, 0, ""},        {CREATE_NEW, "old", -1, "old"},
        {CREATE_ALWAYS, "old", 0, ""},       {CREATE_ALWAYS, nullptr, 0, ""},
        {OPEN_EXISTING, "old", 0, "old"},    {OPEN_EXISTING, nullptr, -1, nullptr},
        {OPEN_ALWAYS, "old", 0, "old"},      {OPEN_ALWAYS, nullptr, 0, ""},
        {TRUNCATE_EXISTING, "old", 0, ""},   {TRUNCATE_EXISTING, nullptr, -1, nullptr},
        {0, "old", -1, "old"},
    };
    for (const Case& c : cases) {
        unlink(narrow.c_str());
        if (c.before) m_folder.WriteFile("d.txt", c.before);
        EXPECT_EQ(m_file.Open(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, c.disposition, 0), c.result)
            << c.disposition << " " << (c.before ? c.before : "-");
        m_file.Close();
        EXPECT_EQ(PathExists(narrow), c.after != nullptr);
        if (c.after) {
            EXPECT_EQ(TempFolder::ReadFile(narrow), c.after);
        }
    }
}

TEST_F(BasicFileTest, ReadsWritesSeeksAndTruncates) {
    std::wstring path = m_folder.WSub("rw.bin");
    ASSERT_EQ(m_file.Open(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS, 0), 0);
    DWORD done = 0;
    EXPECT_EQ(m_file.Write("hello world", 11, &done), 0);
    EXPECT_EQ(done, 11u);
    ULONGLONG value = 99;
    EXPECT_EQ(m_file.GetSize(&value), 1);
    EXPECT_EQ(value, 11u);

    EXPECT_EQ(m_file.Seek(-5, FILE_END), 1);
    char buffer[16] = {};
    EXPECT_EQ(m_file.Read(buffer, sizeof(buffer), &done), 0);
    EXPECT_EQ(std::string(buffer, done), "world");

    // At the end of the file a read succeeds with nothing.
    EXPECT_EQ(m_file.Read(buffer, sizeof(buffer), &done), 0);
    EXPECT_EQ(done, 0u);

    EXPECT_EQ(m_file.Seek(5, FILE_BEGIN), 1);
    EXPECT_EQ(m_file.GetPosition(&value), 1);
    EXPECT_EQ(value, 5u);
    EXPECT_EQ(m_file.Truncate(), 1);
    EXPECT_EQ(m_file.GetSize(&value), 1);
    EXPECT_EQ(value, 5u);
    EXPECT_EQ(m_file.SetSize(100), 1);
    EXPECT_EQ(m_file.GetSize(&value), 1);
    EXPECT_EQ(value, 5u);
    EXPECT_TRUE(AssertionLines().empty());

    EXPECT_EQ(m_file.Seek(-10, FILE_BEGIN), 0);
    EXPECT_EQ(m_file.GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    EXPECT_EQ(m_file.Seek(0, 7), 0);
    EXPECT_EQ(AssertionLines().size(), 1u);
    EXPECT_EQ(Events().size(), 2u);
    EXPECT_EQ(Events()[0].first, -11);

    EXPECT_EQ(m_file.Read(buffer, 0, &done), -1);
    EXPECT_EQ(m_file.Close(), 1);
    EXPECT_EQ(m_file.Close(), 0);
    EXPECT_EQ(TempFolder::ReadFile(m_folder.Sub("rw.bin")), "hello");
}

TEST_F(BasicFileTest, OperationsOnAClosedFile) {
    m_file.SetFileName(L"/data/list.txt");
    char buffer[4];
    DWORD done = 7;
    EXPECT_EQ(m_file.Read(buffer, 4, &done), -1);
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(m_file.Write("abc", 3, nullptr), -1);
    ULONGLONG value = 5;
    EXPECT_EQ(m_file.GetSize(&value), 0);
    EXPECT_EQ(value, 0u);
    EXPECT_EQ(m_file.GetPosition(&value), 0);
    EXPECT_EQ(m_file.Seek(0, FILE_BEGIN), 0);
    EXPECT_EQ(m_file.Truncate(), 0);
    EXPECT_EQ(m_file.SetTimes(nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(m_file.ZeroData(0, 10), 0);
    EXPECT_EQ(AssertionLines().size(), 8u);

    auto events = Events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].first, -15);
    EXPECT_EQ(events[1].first, -16);
    EXPECT_EQ(m_fileLog.Written()[0].text, L"/data/list.txt|");
    EXPECT_EQ(m_file.SetFileName(nullptr), 0);
    EXPECT_STREQ(m_file.GetFileName(), L"/data/list.txt");
    EXPECT_EQ(m_file.GetLog(), &m_fileLog);
}

TEST_F(BasicFileTest, CreateFolderMakesEveryMissingLevel) {
    m_folder.WriteFile("file", "x");
    struct Case {
        std::string path;  // below the temporary folder
        int result;
    };
    const Case cases[] = {
        {"", 1},                  // exists
        {"a", 2},                 // last level new
        {"a", 1},
        {"b/c/d", 2},             // several levels new
        {"b/c/d/ \t", 1},         // trailing separators and blanks
        {"b/c/e//  ", 2},
        {"file/sub", 0},          // a file in the way
    };
    for (const Case& c : cases) {
        std::wstring path = m_folder.WPath() + L"/" + kvxtest::Widen(c.path);
        EXPECT_EQ(m_file.CreateFolder(path.c_str()), c.result) << c.path;
    }
    EXPECT_EQ(m_file.GetLastError(), (DWORD)ERROR_PATH_NOT_FOUND);
    std::wstring blanks = L" \t" + m_folder.WPath() + L"/b/c/f/ ";
    EXPECT_EQ(m_file.CreateFolder(blanks.c_str()), 2);
    struct stat st;
    EXPECT_EQ(stat(m_folder.Sub("b/c/f").c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(m_file.CreateFolder(L"/"), 1);

    auto events = Events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].first, -5);

    EXPECT_EQ(m_file.CreateFolder(L""), 0);
    EXPECT_EQ(m_file.CreateFolder(nullptr), 0);
    EXPECT_EQ(AssertionLines().size(), 2u);
}

TEST_F(BasicFileTest, DeleteClearsReadOnlyAndIgnoresMissingFiles) {
    std::string path = m_folder.WriteFile("ro.txt", "keep?");
    chmod(path.c_str(), 0444);
    std::wstring wide = kvxtest::Widen(path);
    DWORD attributes = 0;
    EXPECT_EQ(m_file.GetAttributes(wide.c_str(), &attributes), 1);
    EXPECT_EQ(attributes, FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(m_file.Delete(wide.c_str()), 1);
    EXPECT_FALSE(PathExists(path));

    EXPECT_EQ(m_file.Delete(wide.c_str()), 0);
    EXPECT_TRUE(Events().empty());

    // A folder is no file: a verbose report.
    mkdir(m_folder.Sub("dir").c_str(), 0755);
    EXPECT_EQ(m_file.Delete(m_folder.WSub("dir").c_str()), 0);
    auto events = Events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].first, -7);
    EXPECT_EQ(m_fileLog.Entries().back().call, LogCall::DebugEventFormat);
}

TEST_F(BasicFileTest, AttributesOfEntries) {
    m_folder.WriteFile("plain.txt", "x");
    m_folder.WriteFile(".hidden", "x");
    std::string readOnly = m_folder.WriteFile("ro.txt", "x");
    chmod(readOnly.c_str(), 0444);
    mkdir(m_folder.Sub("dir").c_str(), 0755);
    symlink(m_folder.Sub("dir").c_str(), m_folder.Sub("link").c_str());
    struct Case {
        const char* name;
        DWORD attributes;
    };
    const Case cases[] = {
        {"plain.txt", FILE_ATTRIBUTE_NORMAL},
        {".hidden", FILE_ATTRIBUTE_HIDDEN},
        {"ro.txt", FILE_ATTRIBUTE_READONLY},
        {"dir", FILE_ATTRIBUTE_DIRECTORY},
        {"link", FILE_ATTRIBUTE_REPARSE_POINT},
    };
    for (const Case& c : cases) {
        DWORD attributes = 0;
        EXPECT_EQ(m_file.GetAttributes(m_folder.WSub(c.name).c_str(), &attributes), 1) << c.name;
        EXPECT_EQ(attributes, c.attributes) << c.name;
    }

    std::wstring plain = m_folder.WSub("plain.txt");
    DWORD attributes = 0;
    EXPECT_EQ(m_file.SetAttributes(plain.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE), 1);
    m_file.GetAttributes(plain.c_str(), &attributes);
    EXPECT_EQ(attributes, FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(m_file.SetAttributes(plain.c_str(), FILE_ATTRIBUTE_NORMAL), 1);
    m_file.GetAttributes(plain.c_str(), &attributes);
    EXPECT_EQ(attributes, FILE_ATTRIBUTE_NORMAL);
    // A link keeps its own: what it points at does not change.
    EXPECT_EQ(m_file.SetAttributes(m_folder.WSub("link").c_str(), FILE_ATTRIBUTE_READONLY), 1);
    struct stat st;
    stat(m_folder.Sub("dir").c_str(), &st);
    EXPECT_TRUE(st.st_mode & S_IWUSR);
    EXPECT_TRUE(Events().empty());

    // A missing path: 0 and the invalid value, with or without a log.
    std::wstring missing = m_folder.WSub("missing");
    EXPECT_EQ(m_file.GetAttributes(missing.c_str(), &attributes), 0);
    EXPECT_EQ(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(m_file.GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(Events().size(), 1u);
    EXPECT_EQ(Events()[0].first, -9);
    CBasicFile silent(nullptr, nullptr);
    attributes = 0;
    EXPECT_EQ(silent.GetAttributes(missing.c_str(), &attributes), 0);
    EXPECT_EQ(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(m_file.SetAttributes(missing.c_str(), FILE_ATTRIBUTE_NORMAL), 0);

    ULONGLONG size = 7;
    m_folder.WriteFile("sized", std::string(1234, 'x'));
    EXPECT_EQ(m_file.GetFileSizeByName(m_folder.WSub("sized").c_str(), &size), 1);
    EXPECT_EQ(size, 1234u);
    EXPECT_EQ(m_file.GetFileSizeByName(missing.c_str(), &size), 0);
    EXPECT_EQ(size, 0u);
}

TEST_F(BasicFileTest, ZeroDataReadsBackAsZeros) {
    const size_t size = 200 * 1024;
    std::string path = m_folder.WriteFile("z.bin", std::string(size, '\xAB'));
    ASSERT_EQ(m_file.Open(kvxtest::Widen(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING, 0), 0);
    EXPECT_EQ(m_file.ZeroData(4096 + 100, 65536), 1);
    EXPECT_EQ(m_file.ZeroData(size - 10, 1000), 1);
    EXPECT_EQ(m_file.ZeroData(0, 0), 0);
    EXPECT_EQ(m_file.ZeroData(-1, 10), 0);
    EXPECT_EQ(AssertionLines().size(), 2u);
    m_file.Close();

    std::string content = TempFolder::ReadFile(path);
    ASSERT_EQ(content.size(), size);
    for (size_t i = 0; i < size; ++i) {
        bool zero = (i >= 4196 && i < 4196 + 65536) || i >= size - 10;
        ASSERT_EQ(content[i], zero ? '\0' : '\xAB') << i;
    }
}

TEST_F(BasicFileTest, RemoveFolderNeverFollowsSymbolicLinks) {
    TempFolder outside;
    std::string outsideFile = outside.WriteFile("precious.txt", "keep");
    mkdir(outside.Sub("folder").c_str(), 0755);
    outside.WriteFile("folder/inner.txt", "keep too");

    mkdir(m_folder.Sub("tree").c_str(), 0755);
    mkdir(m_folder.Sub("tree/sub").c_str(), 0755);
    mkdir(m_folder.Sub("tree/sub/deeper").c_str(), 0755);
    m_folder.WriteFile("tree/a.txt", "a");
    m_folder.WriteFile("tree/sub/.hidden", "h");
    chmod(m_folder.WriteFile("tree/sub/deeper/ro.txt", "r").c_str(), 0444);
    symlink(outside.Sub("folder").c_str(), m_folder.Sub("tree/sub/folder-link").c_str());
    symlink(outsideFile.c_str(), m_folder.Sub("tree/file-link").c_str());
    symlink(outside.Sub("folder").c_str(), m_folder.Sub("top-link").c_str());

    EXPECT_EQ(m_file.RemoveFolder(m_folder.WSub("tree").c_str()), 1);
    EXPECT_FALSE(PathExists(m_folder.Sub("tree")));
    // A link given as the folder itself goes, not what it points at.
    EXPECT_EQ(m_file.RemoveFolder(m_folder.WSub("top-link").c_str()), 1);
    EXPECT_FALSE(PathExists(m_folder.Sub("top-link")));

    EXPECT_EQ(TempFolder::ReadFile(outsideFile), "keep");
    EXPECT_EQ(TempFolder::ReadFile(outside.Sub("folder/inner.txt")), "keep too");
    struct stat st;
    EXPECT_EQ(stat(outsideFile.c_str(), &st), 0);
    EXPECT_TRUE(st.st_mode & S_IWUSR);

    EXPECT_EQ(m_file.RemoveFolder(m_folder.WSub("tree").c_str()), 0);
    ASSERT_EQ(Events().size(), 1u);
    EXPECT_EQ(Events()[0].first, -6);
    EXPECT_TRUE(AssertionLines().empty());
}

TEST_F(BasicFileTest, SetTimesChangesAccessAndWriteTimes) {
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
    std::string path = m_folder.WriteFile("t.txt", "x");
    ASSERT_EQ(m_file.Open(kvxtest::Widen(path).c_str(), GENERIC_WRITE, 0, OPEN_EXISTING, 0), 0);
    CBasicDateTime access(2010, 1, 2, 3, 4, 5), write(2011, 7, 1, 12, 0, 0);
    EXPECT_EQ(m_file.SetTimes(nullptr, &access, &write), 1);
    struct stat st;
    stat(path.c_str(), &st);
    EXPECT_EQ(st.st_mtime, 1309514400);  // 10:00 UTC
    EXPECT_EQ(st.st_atime, access.ToTime64());

    EXPECT_EQ(m_file.SetTimes(nullptr, nullptr, nullptr), 1);
    CBasicDateTime empty;
    EXPECT_EQ(m_file.SetTimes(&write, &empty, nullptr), 1);
    stat(path.c_str(), &st);
    EXPECT_EQ(st.st_mtime, 1309514400);
    EXPECT_EQ(st.st_atime, access.ToTime64());
}

TEST_F(BasicFileTest, DeleteOnCloseAndFactories) {
    std::wstring path = m_folder.WSub("temp.bin");
    CAbstractFile* file = CreateBasicFile(nullptr, &m_fileLog, nullptr);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(dynamic_cast<CVSSFile*>(file), nullptr);
    EXPECT_EQ(file->Open(path.c_str(), GENERIC_WRITE, 0, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE), 0);
    EXPECT_TRUE(PathExists(m_folder.Sub("temp.bin")));
    DeleteBasicFile(file);
    EXPECT_FALSE(PathExists(m_folder.Sub("temp.bin")));
    DeleteBasicFile(nullptr);
}

} // namespace
