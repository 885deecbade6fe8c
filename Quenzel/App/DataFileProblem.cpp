#include "Quenzel/App/DataFileProblem.h"

#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "DataBase/DataBaseResult.h"
#include "utility/TextCodec.h"

namespace {

// The folder of a path, with its trailing '/'.
std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L'/');
    return slash == std::wstring::npos ? std::wstring(L"./") : path.substr(0, slash + 1);
}

bool FolderAccessible(const std::wstring& folder) {
    const std::string name = WideToUtf8(folder);
    return ::faccessat(AT_FDCWD, name.c_str(), R_OK | W_OK | X_OK, AT_EACCESS) == 0;
}

} // namespace

CBasicString DescribeDataFileProblem(int openResult, const CBasicString& dataFilePath) {
    const std::wstring path(dataFilePath.GetString(), static_cast<size_t>(dataFilePath.GetLength()));
    const std::wstring folder = FolderOf(path);
    CBasicString text;
    switch (openResult) {
    case DATABASE_READ_ONLY:
        text.Format(L"Quenzel cannot start: the data file \"%s\" is read-only (the file or its folder cannot be "
                    L"written). Make it writable and start Quenzel again.",
                    path.c_str());
        break;
    case DATABASE_NOT_A_DATABASE:
        text.Format(L"Quenzel cannot start: the data file \"%s\" is damaged or is not a Quenzel data file. Restore "
                    L"it from a backup or move it away to start with a new one.",
                    path.c_str());
        break;
    case DATABASE_NEWER_VERSION:
        text.Format(L"Quenzel cannot start: the data file \"%s\" was written by a newer version of Quenzel.",
                    path.c_str());
        break;
    default:
        if (!FolderAccessible(folder))
            text.Format(L"Quenzel cannot start: the data folder \"%s\" is not accessible. Check that it exists and "
                        L"that you may read and write it.",
                        folder.c_str());
        else
            text.Format(L"Quenzel cannot start: the data file \"%s\" cannot be opened (error %d). Another program "
                        L"may be using it.",
                        path.c_str(), openResult);
        break;
    }
    return text;
}
