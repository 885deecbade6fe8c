#include "utility/Posix/Folders.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "utility/AbstractLog.h"
#include "utility/ErrorReport.h"
#include "utility/LibraryLog.h"
#include "utility/PathName.h"
#include "utility/Posix/BasicFile.h"
#include "utility/Posix/Modules.h"
#include "utility/Posix/Shell.h"
#include "utility/Posix/SystemError.h"
#include "utility/Posix/SystemInfo.h"
#include "utility/Posix/SystemText.h"

#ifndef KVX_INSTALL_PREFIX
#define KVX_INSTALL_PREFIX "/usr/local"
#endif

namespace {

const char kSourceFile[] = ".\\Windows\\BasicAPI";
const wchar_t kSourceFileWide[] = L".\\Windows\\BasicAPI";
constexpr int kLineShortPath = 2113;
constexpr int kLineExistsBesideProgram = 2207;
constexpr int kLineFolderReadOnly = 2236;
constexpr int kLineCheckPathsEmpty = 2281;
constexpr int kLineProgramFilesPath = 2304;
constexpr int kLineRootMissing = 2318;
constexpr int kLineCreateDirectory = 2341;
constexpr int kLineCreateTestFile = 2352;
constexpr int kLineNoAppData = 2398;

constexpr int kTempNameCount = 0x10000;
constexpr DWORD kTestFileFlags = FILE_FLAG_SEQUENTIAL_SCAN | FILE_ATTRIBUTE_NORMAL;

void LogError(int line, const wchar_t* format, const wchar_t* argument) {
    if (CAbstractLog* log = GetLibraryLog()) log->LogFormat(kSourceFileWide, line, 1, format, argument);
}

std::string WithoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

bool Exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

bool IsFolder(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string HomeFolder() {
    const char* home = getenv("HOME");
    if (home && *home) return home;
    std::vector<char> buffer(16384);
    passwd entry, *found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir)
        return found->pw_dir;
    return std::string();
}

std::string ParentFolder(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return std::string();
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The top-most folder of the path that does not exist yet; "" when the
// whole path exists.
std::string TopMostMissingFolder(const std::string& folder) {
    std::string missing;
    for (std::string path = folder; !path.empty() && !Exists(path); path = ParentFolder(path)) {
        missing = path;
        if (path == "/") break;
    }
    return missing;
}

void RemoveTree(const std::string& path) {
    if (!path.empty()) ShellDelete(FromSystemText(path).GetString(), 0);
}

// One writability test of CheckPathsWritable with its file object; 0, -1
// or -2.
int CheckPathWritable(const std::wstring& entry, const CBasicString& programFiles, const std::string& testName,
                      CBasicFile& file) {
    std::string path = WithoutTrailingSlashes(ToSystemText(entry.c_str()));
    CBasicString asFolder = FromSystemText(path == "/" ? path : path + "/");
    if (asFolder.CompareNoCase(programFiles.GetString()) == 0) {
        LogError(kLineProgramFilesPath, L"Unable to create on Program files path(%s).", programFiles.GetString());
        return -2;
    }
    if (entry.compare(0, 2, L"\\\\") == 0) return 0;

    size_t firstSlash = path.find('/');
    std::string root = firstSlash == std::string::npos ? std::string() : path.substr(0, firstSlash + 1);
    CBasicString wideRoot = FromSystemText(root);
    if (!PathExists(wideRoot.GetString())) {
        LogError(kLineRootMissing, L"Path (%s) doesn't exist !!!", wideRoot.GetString());
        return -2;
    }

    CBasicString widePath = FromSystemText(path);
    std::string folder = GetFileExtension(widePath.GetString()).IsEmpty() ? path : ParentFolder(path);
    std::string created = TopMostMissingFolder(folder);
    CBasicString wideFolder = FromSystemText(folder);
    if (!created.empty() && !file.CreateFolder(wideFolder.GetString())) {
        RemoveTree(created);
        LogError(kLineCreateDirectory, L"Unable to create directory on path (%s).", wideFolder.GetString());
        return -1;
    }

    std::string testFile = WithoutTrailingSlashes(folder) + (folder == "/" ? "" : "/") + testName;
    CBasicString wideTestFile = FromSystemText(testFile);
    // Created as a new file, so the test never truncates a file of the user.
    if (file.Open(wideTestFile.GetString(), GENERIC_WRITE, FILE_SHARE_READ, CREATE_NEW, kTestFileFlags) < 0) {
        RemoveTree(created);
        LogError(kLineCreateTestFile, L"Unable to create temporary file on path (%s).", wideTestFile.GetString());
        return -1;
    }
    file.Close();
    RemoveTree(testFile);
    RemoveTree(created);
    return 0;
}

} // namespace

int PathExists(const wchar_t* path) {
    if (!path || !*path) return 0;
    std::string p = ToSystemText(path);
    if (p.size() > 1 && p.back() == '/') p.pop_back();
    return Exists(p) ? 1 : 0;
}

CBasicString GetSpecialFolderPath(int csidl) {
    switch (csidl) {
    case CSIDL_APPDATA:
        return FromSystemText(GetXdgFolder("XDG_DATA_HOME", ".local/share"));
    case CSIDL_WINDOWS:
        return CBasicString(L"/usr");
    case CSIDL_SYSTEM:
        return CBasicString(L"/usr/lib");
    case CSIDL_PROGRAM_FILES:
        return FromSystemText(WithoutTrailingSlashes(KVX_INSTALL_PREFIX));
    default:
        return CBasicString();
    }
}

CBasicString GetTempFolder() {
    const char* tmp = getenv("TMPDIR");
    std::string folder = WithoutTrailingSlashes(tmp && *tmp ? tmp : "/tmp");
    return FromSystemText(folder == "/" ? folder : folder + "/");
}

int GetShortPath(const wchar_t* longPath, CBasicString& shortPath) {
    if (!longPath || !*longPath || !PathExists(longPath)) {
        if (longPath && *longPath) SetLastError(ERROR_FILE_NOT_FOUND);
        ReportAssertion(0, kSourceFile, kLineShortPath);
        return 0;
    }
    shortPath = longPath;
    return 1;
}

CBasicString MakeTempFileName(const wchar_t* folder, const wchar_t* extension) {
    std::string dir = WithoutTrailingSlashes(ToSystemText(folder));
    if (dir.empty() || !IsFolder(dir)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return CBasicString();
    }
    if (dir != "/") dir += '/';
    std::string suffix = ToSystemText(extension);
    suffix.insert(suffix.begin(), '.');
    unsigned short start = 0;
    if (getrandom(&start, sizeof(start), GRND_NONBLOCK) != (ssize_t)sizeof(start)) start = (unsigned short)getpid();
    for (int i = 0; i < kTempNameCount; ++i) {
        char digits[8];
        snprintf(digits, sizeof(digits), "%04X", (unsigned)((start + i) & 0xFFFF));
        std::string name = dir;
        name.append("KVX").append(digits).append(suffix);
        int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            close(fd);
            return FromSystemText(name);
        }
        if (errno != EEXIST) break;
    }
    SetLastErrorFromErrno(errno);
    return CBasicString();
}

int ExistsBesideProgram(const wchar_t* name) {
    if (!name || !*name) {
        ReportAssertion(0, kSourceFile, kLineExistsBesideProgram);
        return 0;
    }
    return PathExists((GetProgramFolder() + name).GetString());
}

int IsFolderReadOnly(const wchar_t* folder) {
    if (!folder || !*folder) {
        ReportAssertion(0, kSourceFile, kLineFolderReadOnly);
        return 0;
    }
    CBasicString name = MakeTempFileName(folder, L"tmp");
    if (name.IsEmpty()) return 1;
    CBasicFile file(nullptr, GetLibraryLog());
    bool opened = file.Open(name.GetString(), GENERIC_ALL, FILE_SHARE_READ, CREATE_ALWAYS, kTestFileFlags) == 0;
    file.Close();
    file.Delete(name.GetString());
    return opened ? 0 : 1;
}

int CheckPathsWritable(const std::list<std::wstring>& paths) {
    if (paths.empty()) {
        ReportAssertion(0, kSourceFile, kLineCheckPathsEmpty);
        return 0;
    }
    CBasicString programFiles = GetSpecialFolderPath(CSIDL_PROGRAM_FILES);
    programFiles.TrimRightChar(L'/');
    programFiles += L'/';
    std::string testName = ToSystemText(NewGuidText()) + ".tmp";
    CBasicFile file(nullptr, nullptr);
    for (const std::wstring& path : paths) {
        int result = CheckPathWritable(path, programFiles, testName, file);
        if (result != 0) return result;
    }
    return 0;
}

CBasicString GetPerUserDataFolder(CBasicString folder, CBasicString subFolder) {
    CBasicString result;
    if (!folder.IsEmpty() && folder.GetAt(0) == L'/' && PathExists(folder.GetString())) {
        result = folder;
    } else {
        CBasicString appData = GetSpecialFolderPath(CSIDL_APPDATA);
        if (appData.IsEmpty()) {
            ReportAssertion(0, kSourceFile, kLineNoAppData);
            return CBasicString();
        }
        result = appData + L"/Morvane/" + GetFileTitleFromPath(GetModulePath(nullptr).GetString());
        if (!subFolder.IsEmpty()) result += L'/' + subFolder;
    }
    result.TrimRightChar(L'/');
    result += L'/';
    CBasicFile file(nullptr, nullptr);
    file.CreateFolder(result.GetString());
    return result;
}

std::string GetXdgFolder(const char* variable, const char* underHome) {
    const char* value = getenv(variable);
    // A relative value is to be ignored.
    if (value && *value == '/') return WithoutTrailingSlashes(value);
    std::string home = HomeFolder();
    if (home.empty()) return std::string();
    home = WithoutTrailingSlashes(home);
    return (home == "/" ? std::string() : home) + "/" + underHome;
}
