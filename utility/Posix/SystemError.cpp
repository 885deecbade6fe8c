#include "utility/Posix/SystemError.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <sys/stat.h>

#include "utility/BasicString.h"
#include "utility/ProcessWide/LastError.h"
#include "utility/TextCodec.h"

namespace {

struct ErrnoMapping {
    int err;
    DWORD code;
};

const ErrnoMapping kErrnoMappings[] = {
    {0, ERROR_SUCCESS},
    {ENOENT, ERROR_FILE_NOT_FOUND},
    {EACCES, ERROR_ACCESS_DENIED},
    {EPERM, ERROR_ACCESS_DENIED},
    {EROFS, ERROR_WRITE_PROTECT},
    {EEXIST, ERROR_ALREADY_EXISTS},
    {ENOTEMPTY, ERROR_DIR_NOT_EMPTY},
    {ENOSPC, ERROR_DISK_FULL},
    {EDQUOT, ERROR_DISK_FULL},
    {EFBIG, ERROR_FILE_TOO_LARGE},
    {ENAMETOOLONG, ERROR_FILENAME_EXCED_RANGE},
    {EINVAL, ERROR_INVALID_PARAMETER},
    {EBADF, ERROR_INVALID_HANDLE},
    {ENOMEM, ERROR_NOT_ENOUGH_MEMORY},
    {EBUSY, ERROR_BUSY},
    {ETXTBSY, ERROR_SHARING_VIOLATION},
    {EISDIR, ERROR_ACCESS_DENIED},
    {ENOTDIR, ERROR_PATH_NOT_FOUND},
    {ELOOP, ERROR_CANT_RESOLVE_FILENAME},
    {EMFILE, ERROR_TOO_MANY_OPEN_FILES},
    {ENFILE, ERROR_TOO_MANY_OPEN_FILES},
    {EXDEV, ERROR_NOT_SAME_DEVICE},
    {EPIPE, ERROR_BROKEN_PIPE},
    {ENOSYS, ERROR_CALL_NOT_IMPLEMENTED},
    {ENOTSUP, ERROR_NOT_SUPPORTED},
    {ETIMEDOUT, ERROR_TIMEOUT},
    {ECANCELED, ERROR_CANCELLED},
};

struct ErrorText {
    DWORD code;
    const wchar_t* text;
};

// Short texts for the Windows numbers that the system reports.
const ErrorText kErrorTexts[] = {
    {ERROR_SUCCESS, L"The operation completed successfully."},
    {ERROR_INVALID_FUNCTION, L"Incorrect function."},
    {ERROR_FILE_NOT_FOUND, L"The file was not found."},
    {ERROR_PATH_NOT_FOUND, L"The path was not found."},
    {ERROR_TOO_MANY_OPEN_FILES, L"Too many files are open."},
    {ERROR_ACCESS_DENIED, L"Access is denied."},
    {ERROR_INVALID_HANDLE, L"The handle is invalid."},
    {ERROR_NOT_ENOUGH_MEMORY, L"Not enough memory is available."},
    {ERROR_INVALID_DATA, L"The data is invalid."},
    {ERROR_OUTOFMEMORY, L"Not enough memory is available."},
    {ERROR_NOT_SAME_DEVICE, L"The file cannot be moved to another device."},
    {ERROR_NO_MORE_FILES, L"There are no more files."},
    {ERROR_WRITE_PROTECT, L"The medium is write-protected."},
    {ERROR_SHARING_VIOLATION, L"The file is in use by another process."},
    {ERROR_LOCK_VIOLATION, L"A part of the file is locked by another process."},
    {ERROR_HANDLE_EOF, L"The end of the file was reached."},
    {ERROR_HANDLE_DISK_FULL, L"The disk is full."},
    {ERROR_NOT_SUPPORTED, L"The request is not supported."},
    {ERROR_FILE_EXISTS, L"The file exists."},
    {ERROR_INVALID_PARAMETER, L"The parameter is incorrect."},
    {ERROR_BROKEN_PIPE, L"The pipe has been ended."},
    {ERROR_OPEN_FAILED, L"The file could not be opened."},
    {ERROR_DISK_FULL, L"There is not enough space on the disk."},
    {ERROR_CALL_NOT_IMPLEMENTED, L"This function is not supported on this system."},
    {ERROR_INSUFFICIENT_BUFFER, L"The data area passed to a system call is too small."},
    {ERROR_INVALID_NAME, L"The file name, folder name or volume label syntax is incorrect."},
    {ERROR_MOD_NOT_FOUND, L"The module could not be found."},
    {ERROR_PROC_NOT_FOUND, L"The procedure could not be found."},
    {ERROR_DIR_NOT_EMPTY, L"The folder is not empty."},
    {ERROR_BUSY, L"The resource is in use."},
    {ERROR_ALREADY_EXISTS, L"Cannot create a file when that file already exists."},
    {ERROR_FILENAME_EXCED_RANGE, L"The file name or extension is too long."},
    {ERROR_FILE_TOO_LARGE, L"The file size exceeds the limit allowed and cannot be saved."},
    {ERROR_MORE_DATA, L"More data is available."},
    {WAIT_TIMEOUT, L"The wait operation timed out."},
    {ERROR_NO_MORE_ITEMS, L"No more data is available."},
    {ERROR_DIRECTORY, L"The folder name is invalid."},
    {ERROR_OPERATION_ABORTED, L"The operation was aborted."},
    {ERROR_NOACCESS, L"Invalid access to a memory location."},
    {ERROR_CANT_RESOLVE_FILENAME, L"The name of the file cannot be resolved."},
    {ERROR_CANTREAD, L"The file could not be read."},
    {ERROR_CANTWRITE, L"The file could not be written."},
    {ERROR_NO_ASSOCIATION, L"No application is associated with the specified file for this operation."},
    {ERROR_NOT_FOUND, L"Element not found."},
    {ERROR_CANCELLED, L"The operation was cancelled by the user."},
    {ERROR_TIMEOUT, L"The operation returned because the time-out period expired."},
};

} // namespace

DWORD WinErrorFromErrno(int err) {
    for (const ErrnoMapping& m : kErrnoMappings)
        if (m.err == err) return m.code;
    return kErrnoErrorFlag | (DWORD)err;
}

void SetLastError(DWORD code) { *KvxLastError_Slot() = code; }

DWORD GetLastError() { return *KvxLastError_Slot(); }

DWORD SetLastErrorFromErrno(int err) {
    DWORD code = WinErrorFromErrno(err);
    SetLastError(code);
    return code;
}

DWORD WinErrorFromPathErrno(int err, const char* path) {
    if (err != ENOENT || !path) return WinErrorFromErrno(err);
    std::string folder(path);
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    size_t slash = folder.rfind('/');
    folder = slash == std::string::npos ? "." : folder.substr(0, slash == 0 ? 1 : slash);
    struct stat st;
    return stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

DWORD SetLastErrorFromPathErrno(int err, const char* path) {
    DWORD code = WinErrorFromPathErrno(err, path);
    SetLastError(code);
    return code;
}

CBasicString GetSystemErrorText(DWORD code) {
    for (const ErrorText& e : kErrorTexts)
        if (e.code == code) return CBasicString(e.text);
    if ((code & 0xF0000000u) != kErrnoErrorFlag) return CBasicString();
    int err = (int)(code & ~kErrnoErrorFlag);
    char buffer[256];
    // The GNU strerror_r returns the text, which may not be in the buffer.
    const char* text = strerror_r(err, buffer, sizeof(buffer));
    std::wstring wide = Utf8ToWide(text, strlen(text));
    CBasicString result(wide.c_str(), (int)wide.size());
    result.TrimRight();
    return result;
}
