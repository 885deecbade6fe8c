#include "OnlineServices/Sendrix/WinHttpFile.h"

#include <chrono>
#include <cstring>
#include <cwchar>
#include <mutex>
#include <thread>

#include "OnlineServices/Sendrix/BasicHttpConnection.h"
#include "OnlineServices/Sendrix/TextConversion.h"
#include "utility/AbstractLog.h"
#include "utility/ErrorReport.h"
#include "utility/LibraryLog.h"

namespace {

const char kSourceFile[] = ".\\WinHttpFile";
const wchar_t kLogSource[] = L".\\WinHttpFile";

constexpr long kConnectTimeoutMs = 30000;
constexpr int kConnectBackoffMs = 1000;
constexpr int kConnectRetries = 1;
// How long one round of the transfer waits for input.
constexpr int kPollMs = 1000;

const char kAccept[] = "Accept: audio/x-aiff, audio/basic, audio/midi, audio/mpeg, audio/wav, image/jpeg, image/gif, "
                       "image/jpg, image/png, image/mng, image/bmp, text/plain, text/html, text/htm";
const char kUserAgent[] = "KVX/Version";

std::mutex g_authorityMutex;
std::string g_authorityFile;

void StartCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool IsConnectFailure(int result) { return result == CURLE_COULDNT_CONNECT || result == CURLE_OPERATION_TIMEDOUT; }

} // namespace

CWinHttpFile::CWinHttpFile() { StartCurl(); }

CWinHttpFile::~CWinHttpFile() { Close(); }

void CWinHttpFile::SetCertificateAuthorityFile(const std::string& path) {
    std::lock_guard<std::mutex> lock(g_authorityMutex);
    g_authorityFile = path;
}

std::string CWinHttpFile::RequestUrl(const wchar_t* url) {
    if (!url) return std::string();
    CBasicString host = url;
    unsigned port = 80;
    CBasicHttpConnection::SplitUrl(host, port);
    // The path runs from the first '/' after the scheme to the end.
    const wchar_t* scheme = wcsstr(url, L"://");
    const wchar_t* path = wcschr(scheme ? scheme + 3 : url, L'/');
    std::string text = CBasicHttpConnection::UsesTls(url, port) ? "https://" : "http://";
    text += ToNarrowText(host.GetString()) + ":" + std::to_string(port);
    text += path ? ToNarrowText(path) : "/";
    return text;
}

void CWinHttpFile::LogFailure(const wchar_t* format, int code, int line) {
    CAbstractLog* log = GetLibraryLog();
    if (log)
        log->LogFormat(kLogSource, line, 1, format, code,
                       FromNarrowText(curl_easy_strerror((CURLcode)code)).GetString());
}

// ---------------------------------------------------------------------------
// The request

size_t CWinHttpFile::OnBody(char* data, size_t size, size_t count, void* self) {
    CWinHttpFile* file = static_cast<CWinHttpFile*>(self);
    file->m_body.append(data, size * count);
    return size * count;
}

size_t CWinHttpFile::OnHeader(char* data, size_t size, size_t count, void* self) {
    CWinHttpFile* file = static_cast<CWinHttpFile*>(self);
    size_t length = size * count;
    bool emptyLine = (length == 2 && data[0] == '\r' && data[1] == '\n') || (length == 1 && data[0] == '\n');
    if (emptyLine) {
        long status = 0;
        curl_easy_getinfo(file->m_request, CURLINFO_RESPONSE_CODE, &status);
        // The head of an interim (1xx) reply is followed by another head.
        if (status >= 200) file->m_headComplete = true;
    }
    return length;
}

bool CWinHttpFile::MakeRequest(const std::string& url) {
    m_multi = curl_multi_init();
    m_request = curl_easy_init();
    m_headers = curl_slist_append(nullptr, kAccept);
    if (!m_multi || !m_request || !m_headers) return false;
    curl_easy_setopt(m_request, CURLOPT_URL, url.c_str());
    curl_easy_setopt(m_request, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(m_request, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(m_request, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(m_request, CURLOPT_CONNECTTIMEOUT_MS, kConnectTimeoutMs);
    curl_easy_setopt(m_request, CURLOPT_USERAGENT, kUserAgent);
    curl_easy_setopt(m_request, CURLOPT_HTTPHEADER, m_headers);
    curl_easy_setopt(m_request, CURLOPT_WRITEFUNCTION, &CWinHttpFile::OnBody);
    curl_easy_setopt(m_request, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(m_request, CURLOPT_HEADERFUNCTION, &CWinHttpFile::OnHeader);
    curl_easy_setopt(m_request, CURLOPT_HEADERDATA, this);
    {
        std::lock_guard<std::mutex> lock(g_authorityMutex);
        if (!g_authorityFile.empty()) curl_easy_setopt(m_request, CURLOPT_CAINFO, g_authorityFile.c_str());
    }
    return curl_multi_add_handle(m_multi, m_request) == CURLM_OK;
}

void CWinHttpFile::Pump() {
    int running = 0;
    CURLMcode code = curl_multi_perform(m_multi, &running);
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(m_multi, &left)) {
        if (message->msg != CURLMSG_DONE) continue;
        m_ended = true;
        m_result = message->data.result;
    }
    if (code == CURLM_OK && running && !m_ended) code = curl_multi_poll(m_multi, nullptr, 0, kPollMs, nullptr);
    if (code != CURLM_OK) {
        m_ended = true;
        m_result = CURLE_RECV_ERROR;
    }
}

int CWinHttpFile::ReceiveHead() {
    while (!m_headComplete && !m_ended) Pump();
    return m_headComplete ? CURLE_OK : m_result;
}

void CWinHttpFile::FreeRequest() {
    if (m_multi && m_request) curl_multi_remove_handle(m_multi, m_request);
    if (m_request) curl_easy_cleanup(m_request);
    if (m_multi) curl_multi_cleanup(m_multi);
    if (m_headers) curl_slist_free_all(m_headers);
    m_request = nullptr;
    m_multi = nullptr;
    m_headers = nullptr;
    m_body.clear();
    m_bodyStart = 0;
    m_headComplete = false;
    m_ended = false;
    m_result = CURLE_OK;
}

// ---------------------------------------------------------------------------
// The file

int CWinHttpFile::IsOpen() { return m_request != nullptr; }

DWORD CWinHttpFile::GetLastError() { return m_lastError; }

int CWinHttpFile::Open(const wchar_t* name, DWORD access, DWORD share, DWORD disposition, DWORD flagsAndAttributes) {
    bool usable = name != nullptr && access == GENERIC_READ;
    ReportAssertion(usable, kSourceFile, __LINE__);
    if (!usable) return -1;
    Close();
    SetFileName(name);
    m_lastError = 0;
    std::string url = RequestUrl(name);
    int result = CURLE_OK;
    for (int attempt = 0; attempt <= kConnectRetries; ++attempt) {
        if (attempt > 0) {
            FreeRequest();
            std::this_thread::sleep_for(std::chrono::milliseconds(kConnectBackoffMs));
        }
        if (!MakeRequest(url)) {
            ReportAssertion(0, kSourceFile, __LINE__);
            FreeRequest();
            return -1;
        }
        result = url.empty() ? CURLE_URL_MALFORMAT : ReceiveHead();
        if (!IsConnectFailure(result)) break;
    }
    long status = 0;
    if (result != CURLE_OK) {
        m_lastError = (DWORD)result;
        LogFailure(L"Failed to get internet session. System error: (%d) %s", result, __LINE__);
    } else {
        curl_easy_getinfo(m_request, CURLINFO_RESPONSE_CODE, &status);
    }
    if (status == 200) return 0;
    if (result == CURLE_OK) m_lastError = CBasicHttpConnection::HttpStatusError(status);
    CAbstractLog* log = GetLibraryLog();
    if (log) log->LogFormat(kLogSource, __LINE__, 1, L"Failed to open file (%s). HTTP error: %d", m_url.GetString(), (int)status);
    return -1;
}

int CWinHttpFile::Read(void* buffer, DWORD size, DWORD* done) {
    bool usable = m_request != nullptr && buffer != nullptr && size != 0 && done != nullptr;
    ReportAssertion(usable, kSourceFile, __LINE__);
    if (!usable) return -1;
    *done = 0;
    char* out = static_cast<char*>(buffer);
    while (*done < size) {
        size_t waiting = m_body.size() - m_bodyStart;
        if (waiting == 0) {
            m_body.clear();
            m_bodyStart = 0;
            if (!m_ended) {
                Pump();
                continue;
            }
            // A failed transfer shows once the bytes before the failure
            // are read.
            if (m_result != CURLE_OK && *done == 0) {
                m_lastError = (DWORD)m_result;
                LogFailure(L"Failed to read from file. System error: (%d) %s", m_result, __LINE__);
                return -1;
            }
            break;
        }
        size_t n = waiting < size - *done ? waiting : size - *done;
        memcpy(out + *done, m_body.data() + m_bodyStart, n);
        m_bodyStart += n;
        *done += (DWORD)n;
        m_position += n;
    }
    return 0;
}

int CWinHttpFile::Write(const void* buffer, DWORD size, DWORD* done) {
    ReportAssertion(0, kSourceFile, __LINE__);
    return -1;
}

int CWinHttpFile::Close() {
    m_position = 0;
    FreeRequest();
    return 1;
}

int CWinHttpFile::CreateFolder(const wchar_t* path) { return 0; }

int CWinHttpFile::RemoveFolder(const wchar_t* path) { return 0; }

int CWinHttpFile::Delete(const wchar_t* path) { return 0; }

int CWinHttpFile::GetAttributes(const wchar_t* path, DWORD* attributes) {
    if (attributes) *attributes = 0;
    return 0;
}

int CWinHttpFile::SetAttributes(const wchar_t* path, DWORD attributes) { return 0; }

int CWinHttpFile::GetFileSizeByName(const wchar_t* path, ULONGLONG* size) {
    ReportAssertion(0, kSourceFile, __LINE__);
    return 0;
}

int CWinHttpFile::GetSize(ULONGLONG* size) {
    ReportAssertion(size != nullptr, kSourceFile, __LINE__);
    if (!size) return 0;
    curl_off_t length = -1;
    if (m_request) curl_easy_getinfo(m_request, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    *size = length > 0 ? (ULONGLONG)length : 0;
    return 1;
}

int CWinHttpFile::SetSize(ULONGLONG size) {
    ReportAssertion(0, kSourceFile, __LINE__);
    return 0;
}

int CWinHttpFile::GetPosition(ULONGLONG* position) {
    ReportAssertion(position != nullptr, kSourceFile, __LINE__);
    if (!position) return 0;
    *position = m_request ? m_position : 0;
    return m_request ? 1 : 0;
}

int CWinHttpFile::Seek(LONGLONG distance, DWORD origin) {
    ReportAssertion(0, kSourceFile, __LINE__);
    return 0;
}

const wchar_t* CWinHttpFile::GetFileName() { return m_url.GetString(); }

int CWinHttpFile::SetFileName(const wchar_t* name) {
    m_url = name;
    return 1;
}

CAbstractLog* CWinHttpFile::GetLog() { return GetLibraryLog(); }

int CWinHttpFile::SetTimes(const CBasicDateTime* creation, const CBasicDateTime* lastAccess,
                           const CBasicDateTime* lastWrite) {
    ReportAssertion(0, kSourceFile, __LINE__);
    return 0;
}

int CWinHttpFile::Truncate() {
    ReportAssertion(0, kSourceFile, __LINE__);
    return 0;
}

int CWinHttpFile::ZeroData(LONGLONG offset, LONGLONG length) {
    ReportAssertion(0, kSourceFile, __LINE__);
    return 0;
}
