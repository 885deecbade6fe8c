#include "Pendrel/Core/BasicLogFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cwchar>
#include <string>

#include "utility/ErrorReport.h"
#include "utility/Posix/Folders.h"
#include "utility/Posix/SystemText.h"
#include "utility/TextCodec.h"

namespace {

const char kSourceFile[] = ".\\BasicLogFile";
constexpr int kLineAlreadyOpen = 70;
constexpr int kLineCannotCreate = 74;
constexpr int kLineHistoryNotOpened = 124;
constexpr int kLineCopySourceNotOpened = 201;
constexpr int kLineCopyTargetNotCreated = 208;
constexpr int kLineMoveNotReopened = 294;
constexpr int kLineLogNotOpened = 390;
constexpr int kLineTempNotCreated = 464;

// Copies go in blocks of 1,024 UTF-16 units.
constexpr size_t kBlockBytes = 2048;
constexpr int kSeparatorHashes = 140;
const uint8_t kByteOrderMark[] = {0xFF, 0xFE};
const uint8_t kHistoryHeader[] = {0xFF, 0xFE, 0x0D, 0x00, 0x0A, 0x00};

const std::vector<uint8_t>& RunSeparator() {
    static const std::vector<uint8_t> separator = [] {
        std::wstring hashes(kSeparatorHashes / 2, L'#');
        std::wstring text = hashes + L"\r\n" + hashes + L"\r\n\r\n";
        return WideToUtf16LE(text.c_str(), text.size());
    }();
    return separator;
}

bool WriteAll(FILE* stream, const uint8_t* bytes, size_t count) {
    return fwrite(bytes, 1, count, stream) == count;
}

// Copies from the stream's position to its end: false on a short write.
bool CopyRest(FILE* from, FILE* to) {
    uint8_t block[kBlockBytes];
    size_t got;
    while ((got = fread(block, 1, sizeof(block), from)) > 0)
        if (!WriteAll(to, block, got)) return false;
    return true;
}

// The folder part of a path, up to and including its last '/'.
CBasicString FolderOf(const CBasicString& path) {
    int slash = path.ReverseFind(L'/');
    return slash < 0 ? CBasicString(L"./") : path.Left(slash + 1);
}

// The extension of a path's file name, without its '.'.
CBasicString ExtensionOf(const CBasicString& path) {
    int dot = path.ReverseFind(L'.');
    return dot < 0 || dot < path.ReverseFind(L'/') ? CBasicString() : path.MidToEnd(dot + 1);
}

// A new log file at path, kept under an exclusive lock for its life so
// that no other log takes it: created exclusively, or an empty regular file
// of this user that no log holds (a name reserved with MakeTempFileName)
// taken over. Between two logs racing for one path the lock decides: the
// one that does not get it goes elsewhere. taken tells that another file is
// in the way.
FILE* OpenNewFile(const std::string& path, bool& taken) {
    taken = false;
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EEXIST) fd = open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        taken = errno == EEXIST || errno == ELOOP;
        return nullptr;
    }
    struct stat st;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size != 0 ||
        st.st_uid != geteuid()) {
        close(fd);
        taken = true;
        return nullptr;
    }
    FILE* stream = fdopen(fd, "w+b");
    if (!stream) close(fd);
    return stream;
}

// The history's separators: the unit positions (counted from byte 2) of
// the text after each, in file order. Reads from the stream's position. A
// separator is what AppendLogTo writes: a line ending in 70 '#' (a run's
// last line may run into it) followed by a whole line of 70 '#'. Hashes of
// a run's own text never make one, however many there are in a row.
std::vector<int64_t> FindSeparators(FILE* history) {
    constexpr int kLineHashes = kSeparatorHashes / 2;
    std::vector<int64_t> positions;
    uint8_t block[kBlockBytes];
    int64_t index = 0;
    int64_t lineLength = 0;      // units of the current line, CR not counted
    int64_t trailingHashes = 0;  // '#' at the end of the current line
    bool previousEndsInHashes = false;
    bool pending = false;  // a separator ended; its run starts at the next unit that is no CR or LF
    size_t got;
    while ((got = fread(block, 1, sizeof(block), history)) >= 2) {
        for (size_t i = 0; i + 1 < got; i += 2, ++index) {
            uint16_t unit = (uint16_t)(block[i] | (block[i + 1] << 8));
            if (unit == L'\r') continue;
            if (unit == L'\n') {
                bool whole = lineLength == kLineHashes && trailingHashes == kLineHashes;
                if (whole && previousEndsInHashes) {
                    pending = true;
                    previousEndsInHashes = false;
                } else {
                    previousEndsInHashes = trailingHashes >= kLineHashes;
                }
                lineLength = trailingHashes = 0;
                continue;
            }
            if (pending) {
                positions.push_back(index);
                pending = false;
                previousEndsInHashes = false;
            }
            ++lineLength;
            trailingHashes = unit == L'#' ? trailingHashes + 1 : 0;
        }
        if (got < sizeof(block)) break;
    }
    if (pending) positions.push_back(index);
    return positions;
}

// Removes the copies "<history>.XXXXXX" that an append killed before its
// rename left beside the history. The caller guards the history, so no
// other append is writing one now.
void RemoveStaleCopies(const std::string& history) {
    size_t slash = history.rfind('/');
    std::string folder = slash == std::string::npos ? std::string(".") : history.substr(0, slash + 1);
    std::string prefix = (slash == std::string::npos ? history : history.substr(slash + 1)) + ".";
    DIR* dir = opendir(folder.c_str());
    if (!dir) return;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0) continue;
        if (std::all_of(name.begin() + (long)prefix.size(), name.end(), [](char c) { return isalnum((unsigned char)c); }))
            unlinkat(dirfd(dir), name.c_str(), 0);
    }
    closedir(dir);
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

} // namespace

CBasicLogFile::~CBasicLogFile() {
    CloseStream();
    if (m_ownsFile && !m_path.IsEmpty()) remove(ToSystemText(m_path).c_str());
}

bool CBasicLogFile::IsOpen() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_stream != nullptr;
}

void CBasicLogFile::CloseStream() {
    if (m_stream) fclose(m_stream);
    m_stream = nullptr;
}

int CBasicLogFile::Open(const wchar_t* path) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_path = path;
    if (m_stream) {
        ReportAssertion(0, kSourceFile, kLineAlreadyOpen);
        CloseStream();
    }
    m_ownsFile = false;
    bool taken = false;
    FILE* stream = m_path.IsEmpty() ? nullptr : OpenNewFile(ToSystemText(m_path), taken);
    if (taken) {
        CBasicString other = MakeTempFileName(FolderOf(m_path).GetString(), ExtensionOf(m_path).GetString());
        if (!other.IsEmpty()) stream = OpenNewFile(ToSystemText(other), taken);
        if (stream) m_path = other;
    }
    if (!stream) {
        ReportAssertion(0, kSourceFile, kLineCannotCreate);
        return -1;
    }
    m_stream = stream;
    m_ownsFile = true;
    if (!WriteAll(m_stream, kByteOrderMark, sizeof(kByteOrderMark)) || fflush(m_stream) != 0) return -1;
    return 0;
}

int CBasicLogFile::Write(const wchar_t* text) { return text ? Write(text, wcslen(text)) : -1; }

int CBasicLogFile::Write(const wchar_t* text, size_t length) {
    if (!text || length == 0) return -1;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_stream) return -1;
    m_units.clear();
    AppendUtf16LE(m_units, text, length);
    bool written = WriteAll(m_stream, m_units.data(), m_units.size());
    return fflush(m_stream) == 0 && written ? 0 : -1;
}

int CBasicLogFile::Copy(const wchar_t* path) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return CopyUnlocked(path);
}

int CBasicLogFile::CopyUnlocked(const wchar_t* path) {
    FILE* source = m_path.IsEmpty() ? nullptr : fopen(ToSystemText(m_path).c_str(), "rb");
    if (!source) {
        ReportAssertion(0, kSourceFile, kLineCopySourceNotOpened);
        return -1;
    }
    std::string target = ToSystemText(path);
    struct stat sourceStat, targetStat;
    if (fstat(fileno(source), &sourceStat) == 0 && stat(target.c_str(), &targetStat) == 0 &&
        SameFile(sourceStat, targetStat)) {
        // Opening the target for writing would empty the log itself.
        fclose(source);
        return 0;
    }
    FILE* copy = target.empty() ? nullptr : fopen(target.c_str(), "wb");
    if (!copy) {
        ReportAssertion(0, kSourceFile, kLineCopyTargetNotCreated);
        fclose(source);
        return -1;
    }
    bool copied = CopyRest(source, copy);
    fclose(source);
    if (fclose(copy) != 0) copied = false;
    return copied ? 0 : -1;
}

int CBasicLogFile::Move(const wchar_t* path) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (path && m_path.Compare(path) == 0) return 0;
    struct stat current, target;
    if (path && stat(ToSystemText(m_path).c_str(), &current) == 0 && stat(ToSystemText(path).c_str(), &target) == 0 &&
        SameFile(current, target))
        return 0;
    int result = CopyUnlocked(path);
    if (result < 0) return result;
    CloseStream();
    if (m_ownsFile) remove(ToSystemText(m_path).c_str());
    m_ownsFile = false;
    FILE* stream = fopen(ToSystemText(path).c_str(), "a+b");
    if (!stream) {
        ReportAssertion(0, kSourceFile, kLineMoveNotReopened);
        return -1;
    }
    m_stream = stream;
    m_path = path;
    m_ownsFile = true;
    return 0;
}

int CBasicLogFile::AppendToHistory(const wchar_t* historyPath, int maxRuns) {
    if (maxRuns < 1) return -1;
    std::string path = ToSystemText(historyPath);
    RemoveStaleCopies(path);
    int fd = path.empty() ? -1 : open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    FILE* history = fd < 0 ? nullptr : fdopen(fd, "r+b");
    if (!history) {
        if (fd >= 0) close(fd);
        ReportAssertion(0, kSourceFile, kLineHistoryNotOpened);
        return -1;
    }

    uint8_t head[2];
    size_t headBytes = fread(head, 1, sizeof(head), history);
    int64_t dataOffset = headBytes == 2 && head[0] == kByteOrderMark[0] && head[1] == kByteOrderMark[1] ? 2 : 0;
    std::vector<int64_t> positions;
    if (headBytes == 2) positions = FindSeparators(history);

    // Text after the last separator is an interrupted append: cut it off.
    int64_t cut = positions.empty() ? dataOffset : 2 + 2 * positions.back();
    if (fflush(history) != 0 || ftruncate(fileno(history), cut) != 0 || fseeko(history, cut, SEEK_SET) != 0 ||
        AppendLogTo(history) < 0) {
        fclose(history);
        return -1;
    }

    size_t runs = positions.size();
    int64_t start = runs >= (size_t)maxRuns ? 2 + 2 * positions[runs - (size_t)maxRuns] : dataOffset;
    if (start == 2 && dataOffset == 2) return fclose(history) == 0 ? 0 : -1;

    // Keep the last runs: write them beside the history and rename that
    // over it.
    std::string tempPath = path + ".XXXXXX";
    int tempFd = mkostemp(tempPath.data(), O_CLOEXEC);
    FILE* rewritten = tempFd < 0 ? nullptr : fdopen(tempFd, "wb");
    if (!rewritten) {
        if (tempFd >= 0) {
            close(tempFd);
            remove(tempPath.c_str());
        }
        ReportAssertion(0, kSourceFile, kLineTempNotCreated);
        fclose(history);
        return -1;
    }
    bool ok = WriteAll(rewritten, kHistoryHeader, sizeof(kHistoryHeader)) && fseeko(history, start, SEEK_SET) == 0 &&
              CopyRest(history, rewritten);
    fclose(history);
    if (fclose(rewritten) != 0) ok = false;
    if (ok && rename(tempPath.c_str(), path.c_str()) == 0) return 0;
    remove(tempPath.c_str());
    return -1;
}

int CBasicLogFile::AppendLogTo(FILE* history) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_path.IsEmpty()) return -1;
    FILE* log = fopen(ToSystemText(m_path).c_str(), "rb");
    if (!log) {
        ReportAssertion(0, kSourceFile, kLineLogNotOpened);
        return -1;
    }
    bool ok = fseeko(log, sizeof(kByteOrderMark), SEEK_SET) == 0 && CopyRest(log, history);
    fclose(log);
    if (!ok) return -1;
    const std::vector<uint8_t>& separator = RunSeparator();
    return WriteAll(history, separator.data(), separator.size()) ? 0 : -1;
}
