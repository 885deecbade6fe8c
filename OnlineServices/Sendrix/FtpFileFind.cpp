#include "OnlineServices/Sendrix/FtpFileFind.h"

#include <ctime>
#include <new>
#include <cstring>
#include <sys/socket.h>

#include "OnlineServices/Sendrix/AbstractFtpConnection.h"
#include "OnlineServices/Sendrix/Archive.h"
#include "OnlineServices/Sendrix/FtpConnection.h"
#include "OnlineServices/Sendrix/FtpFileFindData.h"
#include "OnlineServices/Sendrix/FtpListParser.h"
#include "OnlineServices/Sendrix/FtpPath.h"
#include "OnlineServices/Sendrix/SSLSocket.h"
#include "OnlineServices/Sendrix/SocketFile.h"
#include "OnlineServices/Sendrix/StreamErrors.h"
#include "utility/AbstractLog.h"
#include "utility/ErrorReport.h"
#include "utility/PathName.h"

namespace {

const char kSourceFile[] = ".\\FtpFileFind";
const wchar_t kLogSource[] = L".\\FtpFileFind";
const wchar_t kOnline[] = L"ONLINE";

constexpr int kSocketFailed = -2;
constexpr int kConnectionLost = -3;
constexpr int kArchiveBufferSize = 4096;
constexpr int kLineLimit = 520;
constexpr int kFolderBufferSize = 260;

int64_t SystemClock() { return (int64_t)time(nullptr); }

CFtpFileFind::ClockFunction g_clock = SystemClock;

} // namespace

void CFtpFileFind::SetClockForTests(ClockFunction clock) { g_clock = clock ? clock : SystemClock; }

CFtpFileFind::CFtpFileFind(CAbstractConnection* connection)
    : CBasicFileFind(0), m_ftpData(new CFtpFileFindData), m_connection(dynamic_cast<CAbstractFtpConnection*>(connection)) {
    m_pathFlags |= kPathFlagForwardSlash;
    m_data = m_ftpData;
    m_ftpData->connection = m_connection;
}

CFtpFileFind::~CFtpFileFind() = default;

void CFtpFileFind::LogPatternEvent(int code, const wchar_t* pattern, int line) {
    CFtpConnection* ftp = m_connection ? m_connection->AsFtpConnection() : nullptr;
    CAbstractLog* log = ftp ? ftp->GetLog() : nullptr;
    if (!log) return;
    if (pattern) log->LogEventFormat(kLogSource, line, kOnline, code, pattern);
    else log->LogEvent(code, kOnline, kLogSource, line);
}

const wchar_t* CFtpFileFind::GetFileURL() {
    if (!m_data->current.IsValid() || m_data->root.IsEmpty()) {
        m_data->scratch.Empty();
        return m_data->scratch.GetString();
    }
    CBasicString root = m_data->root;
    int length = root.GetLength();
    while (length > 0 && (root.GetAt(length - 1) == L'/' || root.GetAt(length - 1) == L'\\')) --length;
    m_data->scratch = root.Left(length) + L"/" + m_data->current.GetFileName();
    return m_data->scratch.GetString();
}

void CFtpFileFind::Clear() {
    m_ftpData->current = CBasicFileFindInfo();
    m_ftpData->entries.clear();
    m_ftpData->listed.clear();
    m_ftpData->position = 0;
}

void CFtpFileFind::Close() {
    CBasicFileFind::Close();
    m_ftpData->listed.clear();
    m_ftpData->CloseListing();
}

void CFtpFileFind::AddEntry(const CBasicFileFindInfo& record) { m_ftpData->listed.insert(record); }

int CFtpFileFind::FindFirst(const wchar_t* pattern, DWORD flags) {
    int request = (int)(flags & 1);
    return FindFirstInFolder(pattern, request ? &request : nullptr);
}

int CFtpFileFind::FindFirstInFolder(const wchar_t* pattern, int* flags) {
    bool usable = m_connection != nullptr && pattern != nullptr;
    ReportAssertion(usable, kSourceFile, __LINE__);
    if (!usable) return 0;
    Close();
    int result = 1;
    CBasicString path = NormaliseFtpPath(pattern);
    bool singleEntry = false;
    int slash = path.ReverseFind(L'/');
    if (slash < 0) {
        wchar_t folder[kFolderBufferSize];
        if (m_connection->GetCurrentDirectory(folder, kFolderBufferSize)) m_data->root = folder;
        else result = 0;
    } else {
        m_data->root = path.Left(slash + 1);
        singleEntry = path.CompareNoCase(L"/") != 0 && path.GetAt(path.GetLength() - 1) != L'*';
        CFtpConnection* ftp = m_connection->AsFtpConnection();
        if (flags && (*flags & 1) && ftp) {
            if (!ftp->SetCurrentDirectory(m_data->root.GetString())) {
                *flags |= 2;
                result = 0;
            }
            if (!ftp->SetCurrentDirectory(m_data->root.GetString())) result = 0;
        }
    }
    CBasicString command = L"LIST " + m_data->root;
    bool opened = result && m_connection->IsRunning() && OpenListing(command.GetString()) >= 0;
    if (opened) {
        LogPatternEvent(6, nullptr, __LINE__);
        if (!ReadListing()) result = 0;
    } else {
        // A listing the server refused or could not deliver is the peer's
        // doing, not a broken invariant: the log events say what failed.
        LogPatternEvent(-4, nullptr, __LINE__);
        LogPatternEvent(-9, pattern, __LINE__);
        result = 0;
    }
    m_ftpData->CloseListing();
    // The transfer's final reply is read whenever an FTP listing started,
    // so that the control connection stays in step.
    CFtpConnection* ftp = m_connection->AsFtpConnection();
    if (opened && ftp) {
        if (!ftp->Command(L"", 0) && result) {
            LogPatternEvent(-9, pattern, __LINE__);
            result = 0;
        }
    }
    CBasicString filter = GetFileTitleFromPath(path.GetString());
    filter.Remove(L'*');
    if (!result || m_ftpData->listed.empty()) {
        Clear();
        return 0;
    }
    m_ftpData->entries.reserve(m_ftpData->listed.size());
    for (const CBasicFileFindInfo& record : m_ftpData->listed) {
        if (!filter.IsEmpty() && CBasicString(record.GetFileName()).Left(filter.GetLength()).CompareNoCase(filter.GetString()) != 0)
            continue;
        m_ftpData->entries.push_back(record);
    }
    m_ftpData->listed.clear();
    m_ftpData->position = 0;
    if (m_ftpData->entries.empty()) {
        m_ftpData->current = CBasicFileFindInfo();
        return 0;
    }
    m_ftpData->current = m_ftpData->entries[0];
    if (singleEntry && !FindFile(path.GetString())) result = 0;
    return result;
}

int CFtpFileFind::FindNext() {
    if (m_ftpData->position >= m_ftpData->entries.size()) return 0;
    ++m_ftpData->position;
    if (m_ftpData->position < m_ftpData->entries.size()) {
        m_ftpData->current = m_ftpData->entries[m_ftpData->position];
        return 1;
    }
    m_ftpData->current = CBasicFileFindInfo();
    return 0;
}

CBasicFileFindInfo* CFtpFileFind::FindFile(const wchar_t* path) {
    ReportAssertion(path != nullptr, kSourceFile, __LINE__);
    if (!path) return nullptr;
    CBasicString full = NormaliseFtpPath(path);
    int slash = full.ReverseFind(L'/');
    ReportAssertion(slash >= 0, kSourceFile, __LINE__);
    if (slash < 0) return nullptr;
    CBasicString folder = full.Left(slash);
    const CBasicString& root = m_data->root;
    bool listedAlready = !root.IsEmpty() && !folder.IsEmpty() && !m_ftpData->entries.empty() &&
                         root.Left(folder.GetLength()).CompareNoCase(folder.GetString()) == 0;
    if (!listedAlready) {
        CBasicString pattern = (folder.IsEmpty() ? CBasicString(L"") : folder) + L"/*";
        if (!FindFirstInFolder(pattern.GetString(), nullptr)) return nullptr;
    }
    CBasicString name = full.MidToEnd(slash + 1);
    // A file of that name first, then a folder.
    for (int wantFolder = 0; wantFolder < 2; ++wantFolder) {
        for (size_t i = 0; i < m_ftpData->entries.size(); ++i) {
            const CBasicFileFindInfo& record = m_ftpData->entries[i];
            bool isFolder = (record.GetAttributes() & FILE_ATTRIBUTE_DIRECTORY) != 0;
            if (isFolder == (wantFolder != 0) && wcscmp(record.GetFileName(), name.GetString()) == 0) {
                m_ftpData->position = i;
                m_ftpData->current = record;
                return GetFindInfo();
            }
        }
    }
    return nullptr;
}

int CFtpFileFind::OpenListing(const wchar_t* command) {
    CFtpConnection* ftp = m_connection ? m_connection->AsFtpConnection() : nullptr;
    ReportAssertion(ftp != nullptr, kSourceFile, __LINE__);
    if (!ftp) return kConnectionLost;
    m_ftpData->CloseListing();
    m_ftpData->dataSocket = new (std::nothrow) CSSLSocket(ftp->GetLog());
    bool made = m_ftpData->dataSocket && m_ftpData->dataSocket->Create(0, SOCK_STREAM, nullptr);
    if (!made) {
        m_ftpData->CloseListing();
        return kSocketFailed;
    }
    int result = ftp->OpenDataConnection(m_ftpData->dataSocket, command);
    if (result < 0) return result;
    m_ftpData->socketFile = CreateSocketFile(m_ftpData->dataSocket, 1);
    m_ftpData->archive = m_ftpData->socketFile ? CreateArchive(m_ftpData->socketFile, 3, kArchiveBufferSize, nullptr)
                                               : nullptr;
    if (!m_ftpData->archive) {
        ftp->SetLastResult(kSocketFailed);
        return kSocketFailed;
    }
    return result;
}

int CFtpFileFind::ReadListing() {
    bool usable = m_ftpData->archive != nullptr && m_connection != nullptr && m_connection->IsConnected();
    ReportAssertion(usable, kSourceFile, __LINE__);
    if (!usable) return 0;
    int64_t now = g_clock();
    char line[kLineLimit + 1];
    try {
        while (m_connection->IsRunning()) {
            if (!m_ftpData->archive->ReadString(line, kLineLimit)) return 1;
            CBasicFileFindInfo record;
            if (ParseFtpListLine(line, strlen(line), record, now)) {
                record.SetValid(1);
                AddEntry(record);
            }
        }
    } catch (int code) {
        return code == kSocketReadFailed ? 1 : 0;
    } catch (...) {
        return 0;
    }
    return 1;
}
