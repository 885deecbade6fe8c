#include "utility/Posix/BasicFileFind.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <new>
#include <unistd.h>
#include <utility>

#include "utility/ErrorReport.h"
#include "utility/PathName.h"
#include "utility/Posix/FileStatus.h"
#include "utility/Posix/SystemError.h"
#include "utility/TextCodec.h"
#include "utility/UnicodeCase.h"
#include "utility/WildcardMatch.h"

namespace {

const char kSourceFile[] = ".\\Windows\\BasicFileFind";
constexpr int kLineNoDataFlag = 52;
constexpr int kLineAccessor = 118;
constexpr int kLineFindFile = 301;
constexpr int kLineFindFirstData = 330;
constexpr int kLinePatternLimit = 352;
constexpr int kLineFullPath = 362;
constexpr int kLineFindNext = 402;
constexpr int kLineExtension = 455;

// Patterns this long or longer are refused (with the room the full path
// needs they would pass the system's limit).
constexpr size_t kPatternRoom = 260;
constexpr size_t kPatternLimit = 1040;

// The absolute form of a path, with "." and ".." resolved as text (symbolic
// links are not followed); false when the current folder is unknown.
bool MakeFullPath(const std::string& path, std::string& full) {
    std::string absolute = path;
    if (absolute.empty() || absolute[0] != '/') {
        char* cwd = getcwd(nullptr, 0);
        if (!cwd) return false;
        absolute = std::string(cwd) + "/" + absolute;
        free(cwd);
    }
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= absolute.size()) {
        size_t end = absolute.find('/', start);
        if (end == std::string::npos) end = absolute.size();
        std::string part = absolute.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    full.clear();
    for (const std::string& part : parts) full += "/" + part;
    if (full.empty()) full.push_back('/');
    return true;
}

// The order of a listing: "." and ".." first, then by the upper-cased name
// (the spelling decides between names that differ only in case).
struct SortKey {
    int dots;
    std::wstring upper;
    std::string name;
    bool operator<(const SortKey& other) const {
        if (dots != other.dots) return dots > other.dots;
        if (upper != other.upper) return upper < other.upper;
        return name < other.name;
    }
};

SortKey KeyOf(const std::string& name, const std::wstring& wide) {
    std::wstring upper = wide;
    for (wchar_t& ch : upper) ch = ToUpperChar(ch);
    int dots = name == "." ? 2 : (name == ".." ? 1 : 0);
    return SortKey {dots, std::move(upper), name};
}

CBasicDateTime LocalTimeOf(const timespec& t) {
    CBasicDateTime value;
    value.FromTime64((int64_t)t.tv_sec);
    return value;
}

} // namespace

CBasicFileFind::CBasicFileFind() : m_data(new CBasicFileFindData) {}

CBasicFileFind::CBasicFileFind(int noData) { ReportAssertion(noData == 0, kSourceFile, kLineNoDataFlag); }

CBasicFileFind::~CBasicFileFind() {
    Close();
    delete m_data;
}

CBasicFileFindInfo* CBasicFileFind::Current(int line) {
    bool has = m_data && m_data->current.IsValid();
    ReportAssertion(has, kSourceFile, line);
    return has ? &m_data->current : nullptr;
}

int CBasicFileFind::HasAttribute(DWORD attribute, int line) {
    CBasicFileFindInfo* current = Current(line);
    return current && (current->GetAttributes() & attribute) ? 1 : 0;
}

int CBasicFileFind::IsReadOnly() { return HasAttribute(FILE_ATTRIBUTE_READONLY, kLineAccessor); }
int CBasicFileFind::IsDirectory() { return HasAttribute(FILE_ATTRIBUTE_DIRECTORY, kLineAccessor + 5); }
int CBasicFileFind::IsCompressed() { return HasAttribute(FILE_ATTRIBUTE_COMPRESSED, kLineAccessor + 10); }
int CBasicFileFind::IsSystem() { return HasAttribute(FILE_ATTRIBUTE_SYSTEM, kLineAccessor + 15); }
int CBasicFileFind::IsHidden() { return HasAttribute(FILE_ATTRIBUTE_HIDDEN, kLineAccessor + 20); }
int CBasicFileFind::IsTemporary() { return HasAttribute(FILE_ATTRIBUTE_TEMPORARY, kLineAccessor + 25); }
int CBasicFileFind::IsNormal() { return HasAttribute(FILE_ATTRIBUTE_NORMAL, kLineAccessor + 30); }
int CBasicFileFind::IsArchived() { return HasAttribute(FILE_ATTRIBUTE_ARCHIVE, kLineAccessor + 35); }

int CBasicFileFind::IsDots() {
    CBasicFileFindInfo* current = Current(kLineAccessor + 40);
    if (!current || !(current->GetAttributes() & FILE_ATTRIBUTE_DIRECTORY)) return 0;
    const wchar_t* name = current->GetFileName();
    return wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0 ? 1 : 0;
}

const wchar_t* CBasicFileFind::GetFileName() {
    CBasicFileFindInfo* current = Current(kLineAccessor + 50);
    return current ? current->GetFileName() : L"";
}

const wchar_t* CBasicFileFind::GetFilePath() {
    CBasicFileFindInfo* current = Current(kLineAccessor + 60);
    if (!current) return L"";
    if (m_data->root.IsEmpty()) {
        m_data->scratch.Empty();
        return m_data->scratch.GetString();
    }
    CBasicString path = m_data->root;
    path.TrimRightChar(L'/');
    path.TrimRightChar(L'\\');
    path.TrimRightChar(L'/');
    path.AppendChar(m_pathFlags & kPathFlagForwardSlash ? L'/' : L'\\');
    path.Append(current->GetFileName());
    m_data->scratch = path;
    return m_data->scratch.GetString();
}

const wchar_t* CBasicFileFind::GetFileTitle() {
    CBasicFileFindInfo* current = Current(kLineAccessor + 70);
    if (!current) return L"";
    m_data->scratch = GetFileTitleFromPath(current->GetFileName());
    return m_data->scratch.GetString();
}

const wchar_t* CBasicFileFind::GetFileURL() {
    CBasicFileFindInfo* current = Current(kLineAccessor + 80);
    if (!current) return L"";
    CBasicString path = GetFilePath();
    m_data->scratch = CBasicString(L"file://") + path;
    return m_data->scratch.GetString();
}

const wchar_t* CBasicFileFind::GetRoot() {
    CBasicFileFindInfo* current = Current(kLineAccessor + 90);
    return current ? m_data->root.GetString() : L"";
}

ULONGLONG CBasicFileFind::GetLength() {
    CBasicFileFindInfo* current = Current(kLineAccessor + 100);
    return current ? current->GetFileSize() : 0;
}

CBasicFileFindInfo* CBasicFileFind::GetFindInfo() { return Current(kLineAccessor + 110); }

CBasicFileFindInfo* CBasicFileFind::FindFile(const wchar_t* path) {
    Close();
    bool usable = m_data && path && *path;
    ReportAssertion(usable, kSourceFile, kLineFindFile);
    if (!usable || !FindFirst(path, 0)) return nullptr;
    return m_data->current.IsValid() ? &m_data->current : nullptr;
}

DWORD CBasicFileFind::MatchesMask(DWORD mask) {
    CBasicFileFindInfo* current = Current(kLineAccessor + 120);
    return current ? mask & current->GetAttributes() : 0;
}

void CBasicFileFind::Fail(DWORD error) {
    Close();
    m_lastError = error;
    SetLastError(error);
}

bool CBasicFileFind::StartLocalSearch(const std::wstring& pattern) {
    // A folder has no entry of its own behind a trailing separator.
    if (pattern.empty() || pattern.back() == L'/') {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    size_t slash = pattern.rfind(L'/');
    std::wstring folder = slash == std::wstring::npos ? L"." : pattern.substr(0, slash == 0 ? 1 : slash);
    std::wstring namePattern = slash == std::wstring::npos ? pattern : pattern.substr(slash + 1);
    std::string folderPath = WideToUtf8(folder);

    int fd = open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        int err = errno;
        SetLastError(err == ENOENT ? ERROR_PATH_NOT_FOUND : WinErrorFromErrno(err));
        return false;
    }
    m_data->folder = fd;

    if (!HasWildcard(namePattern.c_str())) {
        std::string name = WideToUtf8(namePattern);
        FileStatus status;
        if (!ReadFileStatus(fd, name.c_str(), status)) {
            SetLastErrorFromPathErrno(errno, WideToUtf8(pattern).c_str());
            return false;
        }
        m_data->names.push_back(name);
        return true;
    }

    int listFd = dup(fd);
    DIR* dir = listFd >= 0 ? fdopendir(listFd) : nullptr;
    if (!dir) {
        if (listFd >= 0) close(listFd);
        SetLastErrorFromErrno(errno);
        return false;
    }
    std::vector<SortKey> matches;
    while (dirent* entry = readdir(dir)) {
        std::wstring wide = Utf8ToWide(entry->d_name);
        if (MatchesWildcard(namePattern.c_str(), (int)namePattern.size(), wide.c_str(), (int)wide.size()))
            matches.push_back(KeyOf(entry->d_name, wide));
    }
    closedir(dir);
    if (matches.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    std::sort(matches.begin(), matches.end());
    m_data->names.reserve(matches.size());
    for (SortKey& key : matches) m_data->names.push_back(std::move(key.name));
    return true;
}

bool CBasicFileFind::ServeNext() {
    while (m_data->position < m_data->names.size()) {
        const std::string& name = m_data->names[m_data->position++];
        FileStatus status;
        // A name that vanished since the listing is passed over.
        if (!ReadFileStatus(m_data->folder, name.c_str(), status)) continue;
        CBasicFileFindInfo entry;
        std::wstring wide = Utf8ToWide(name);
        entry.SetFileName(wide.c_str());
        entry.SetAttributes(status.attributes);
        entry.SetCreationTime(LocalTimeOf(status.creation));
        entry.SetLastAccessTime(LocalTimeOf(status.lastAccess));
        entry.SetLastWriteTime(LocalTimeOf(status.lastWrite));
        entry.SetFileSize(status.size);
        DWORD attributes = status.attributes;
        bool sparse = (attributes & FILE_ATTRIBUTE_SPARSE_FILE) && !(attributes & FILE_ATTRIBUTE_COMPRESSED);
        entry.SetCompressedSize(sparse ? status.sizeOnDisk : status.size);
        entry.SetValid(1);
        m_data->current = entry;
        return true;
    }
    return false;
}

int CBasicFileFind::FindFirst(const wchar_t* pattern, DWORD flags) {
    ReportAssertion(m_data != nullptr, kSourceFile, kLineFindFirstData);
    if (!m_data) return 0;
    Close();
    std::wstring text = pattern ? pattern : L"*.*";
    m_lastError = 0;
    SetLastError(0);

    if (!StartLocalSearch(text)) {
        Fail(::GetLastError());
        return 0;
    }
    bool withinLimit = text.size() + kPatternRoom < kPatternLimit;
    ReportAssertion(withinLimit, kSourceFile, kLinePatternLimit);
    if (!withinLimit) {
        Fail(ERROR_PATH_NOT_FOUND);
        return 0;
    }
    std::string full;
    bool resolved = MakeFullPath(WideToUtf8(text), full);
    ReportAssertion(resolved, kSourceFile, kLineFullPath);
    if (!resolved) {
        Fail(ERROR_INVALID_NAME);
        return 0;
    }
    size_t slash = full.rfind('/');
    std::wstring root = Utf8ToWide(full.substr(0, slash == 0 ? 1 : slash));
    m_data->root = CBasicString(root.c_str(), (int)root.size());

    if (!ServeNext()) {
        Fail(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    return 1;
}

int CBasicFileFind::FindNext() {
    bool searching = m_data && m_data->folder >= 0;
    ReportAssertion(searching, kSourceFile, kLineFindNext);
    if (!searching) return 0;
    m_lastError = 0;
    SetLastError(0);
    if (ServeNext()) return 1;
    m_lastError = ERROR_NO_MORE_FILES;
    SetLastError(ERROR_NO_MORE_FILES);
    m_data->current = CBasicFileFindInfo();
    return 0;
}

const wchar_t* CBasicFileFind::GetFileExtension() {
    ReportAssertion(m_data != nullptr, kSourceFile, kLineExtension);
    if (!m_data) return L"";
    const CBasicFileFindInfo& current = m_data->current;
    if (current.GetAttributes() & FILE_ATTRIBUTE_DIRECTORY) m_data->scratch.Empty();
    else m_data->scratch = ::GetFileExtension(current.GetFileName());
    return m_data->scratch.GetString();
}

DWORD CBasicFileFind::GetLastError() { return m_lastError; }

void CBasicFileFind::Close() {
    m_lastError = 0;
    if (m_data) m_data->Reset();
}

int CBasicFileFind::CopyFindInfo(CBasicFileFindInfo* out) {
    CBasicFileFindInfo* current = Current(kLineAccessor + 130);
    if (!current || !out) return 0;
    *out = *current;
    return 1;
}

CAbstractFileFind* CreateBasicFileFind(const wchar_t* path) { return new (std::nothrow) CBasicFileFind(); }

void DeleteBasicFileFind(CAbstractFileFind* find) { delete find; }
