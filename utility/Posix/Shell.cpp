#include "utility/Posix/Shell.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cwchar>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "utility/AbstractLog.h"
#include "utility/CommandLine.h"
#include "utility/ErrorReport.h"
#include "utility/LibraryLog.h"
#include "utility/Posix/BasicEvent.h"
#include "utility/Posix/BasicFile.h"
#include "utility/Posix/BasicSemaphore.h"
#include "utility/Posix/Folders.h"
#include "utility/Posix/Modules.h"
#include "utility/Posix/ProcessStart.h"
#include "utility/Posix/SystemError.h"
#include "utility/Posix/SystemText.h"

extern char** environ;

namespace {

const char kSourceFile[] = ".\\Windows\\BasicAPI";
const wchar_t kSourceFileWide[] = L".\\Windows\\BasicAPI";
constexpr int kLineShellDeleteEmpty = 2455;
constexpr int kLineShellDeleteFailed = 2479;
constexpr int kLineRunCommandFailed = 2547;

const char kOpener[] = "xdg-open";
const char kSoundPlayer[] = "aplay";

// A path as the trash's information file writes it: bytes outside the
// unreserved set and '/' as %XX.
std::string TrashInfoPath(const std::string& path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (unsigned char c : path) {
        if (isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            encoded += (char)c;
        } else {
            encoded += '%';
            encoded += kHex[c >> 4];
            encoded += kHex[c & 15];
        }
    }
    return encoded;
}

// Moves the path into the user's trash (files/ and info/ of
// <data home>/Trash); false when it cannot go there.
bool MoveToTrash(const std::string& path) {
    std::string dataHome = ToSystemText(GetSpecialFolderPath(CSIDL_APPDATA));
    if (dataHome.empty()) return false;
    std::string trash = dataHome + "/Trash";
    CBasicFile folders(nullptr, nullptr);
    if (!folders.CreateFolder(FromSystemText(trash + "/files").GetString()) ||
        !folders.CreateFolder(FromSystemText(trash + "/info").GetString()))
        return false;
    std::error_code ec;
    std::string absolute = std::filesystem::absolute(path, ec).lexically_normal().string();
    if (ec) return false;
    std::string base = std::filesystem::path(absolute).filename().string();
    if (base.empty()) return false;

    char date[32];
    time_t now = time(nullptr);
    tm local;
    strftime(date, sizeof(date), "%Y-%m-%dT%H:%M:%S", localtime_r(&now, &local));
    std::string info = "[Trash Info]\nPath=" + TrashInfoPath(absolute) + "\nDeletionDate=" + date + "\n";

    for (int n = 1; n < 1000; ++n) {
        std::string name = n == 1 ? base : base + " " + std::to_string(n);
        std::string infoPath = trash + "/info/" + name + ".trashinfo";
        // The information file reserves the name.
        int fd = open(infoPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return false;
        }
        bool written = write(fd, info.data(), info.size()) == (ssize_t)info.size();
        close(fd);
        if (written && rename(path.c_str(), (trash + "/files/" + name).c_str()) == 0) return true;
        unlink(infoPath.c_str());
        return false;
    }
    return false;
}

// Starts a program of PATH on one file, detached.
int StartOnFile(const char* program, std::vector<std::string> options, const wchar_t* file) {
    std::string path = FindProgramOnPath(program);
    if (path.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    std::vector<std::string> arguments = {program};
    arguments.insert(arguments.end(), options.begin(), options.end());
    arguments.push_back(ToSystemText(file));
    return StartDetachedProcess(path, arguments) ? 1 : 0;
}

// The value of an environment variable: exact name first, then without
// regard to ASCII case.
const char* FindEnvironmentValue(const std::string& name) {
    if (const char* value = getenv(name.c_str())) return value;
    for (char** entry = environ; entry && *entry; ++entry) {
        const char* equals = strchr(*entry, '=');
        if (equals && (size_t)(equals - *entry) == name.size() && strncasecmp(*entry, name.c_str(), name.size()) == 0)
            return equals + 1;
    }
    return nullptr;
}

} // namespace

int ShellDelete(const wchar_t* path, int toRecycleBin) {
    if (!path || !*path) {
        ReportAssertion(0, kSourceFile, kLineShellDeleteEmpty);
        return 0;
    }
    if (!PathExists(path)) return 1;
    std::string target = ToSystemText(path);
    if (toRecycleBin && MoveToTrash(target)) return 1;
    std::error_code ec;
    std::filesystem::remove_all(target, ec);
    if (ec) ReportAssertion(0, kSourceFile, kLineShellDeleteFailed);
    return 1;
}

int OpenWithShell(const wchar_t* file) {
    if (!PathExists(file)) return 0;
    return StartOnFile(kOpener, {}, file);
}

HANDLE RunCommand(const wchar_t* commandLine) {
    CBasicString program, parameters;
    SplitProgramAndParameters(commandLine, program, parameters);
    std::string folder = ToSystemText(GetProgramFolder());
    DWORD error = ERROR_PATH_NOT_FOUND;
    HANDLE process = nullptr;
    if (!program.IsEmpty() && folder.size() > 1) {
        std::string path = folder + ToSystemText(program);
        std::string linuxPath = LinuxModuleFileName(path);
        if (access(path.c_str(), F_OK) != 0 && access(linuxPath.c_str(), F_OK) == 0) path = linuxPath;
        std::vector<std::string> arguments = {path};
        for (const std::wstring& argument : SplitCommandArguments(parameters.GetString()))
            arguments.push_back(WideToUtf8(argument));
        process = StartProcess(path, arguments, folder.substr(0, folder.size() - 1));
        if (!process) error = GetLastError();
    }
    if (!process) {
        if (CAbstractLog* log = GetLibraryLog())
            log->LogFormat(kSourceFileWide, kLineRunCommandFailed, 1,
                           L"Failed to execute command (%s) with system error: (%d) %s",
                           commandLine ? commandLine : L"", (int)error, GetSystemErrorText(error).GetString());
        SetLastError(error);
    }
    return process;
}

int PlaySoundFile(const wchar_t* file) {
    if (!file) return 1;
    if (!PathExists(file)) return 0;
    return StartOnFile(kSoundPlayer, {"-q"}, file);
}

int ExpandEnvironmentText(const wchar_t* source, wchar_t* target, int size) {
    if (!source) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::wstring text;
    for (const wchar_t* p = source; *p;) {
        const wchar_t* closing = *p == L'%' ? wcschr(p + 1, L'%') : nullptr;
        if (!closing) {
            text += *p++;
            continue;
        }
        std::wstring name(p + 1, closing);
        const char* value = name.empty() ? nullptr : FindEnvironmentValue(WideToUtf8(name));
        if (value) text += Utf8ToWide(value, strlen(value));
        else text.append(p, closing + 1);
        p = closing + 1;
    }
    int needed = (int)text.size() + 1;
    if (target && size >= needed) wmemcpy(target, text.c_str(), (size_t)needed);
    return needed;
}

CBasicString GetFileTypeName(const wchar_t* path) {
    CBasicString name(path ? path : L"");
    int slash = name.ReverseFind(L'/');
    CBasicString file = name.MidToEnd(slash + 1);
    int dot = file.ReverseFind(L'.');
    CBasicString extension = dot < 0 ? CBasicString() : file.MidToEnd(dot + 1);
    if (extension.IsEmpty()) return CBasicString(L"File");
    extension.MakeUpper();
    return extension + L" File";
}

int RegisterForRestart() { return 1; }

int CreateShutdownBlockReason(const void* window, const wchar_t* reason) { return 1; }

int DestroyShutdownBlockReason(const void* window) { return 1; }

CBasicSemaphore* CreateBasicSemaphore(int initialCount, int maximumCount, const wchar_t* name) {
    return new (std::nothrow) CBasicSemaphore(initialCount, maximumCount, name);
}

CBasicEvent* CreateBasicEvent(int initialState, int manualReset, const wchar_t* name) {
    return new (std::nothrow) CBasicEvent(initialState, manualReset, name);
}

CAbstractFile* CreateItemFile(const wchar_t* name, CAbstractLog* log, CAbstractSnapshot* mapper, CFileItemInfo* item,
                              CAbstractFile* stream) {
    return nullptr;
}
