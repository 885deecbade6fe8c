#include "OnlineServices/Sendrix/SFtpIpc.h"

#include <atomic>
#include <cstring>
#include <mutex>

#include "OnlineServices/Sendrix/SFtpAgentMessages.h"
#include "utility/AbstractLog.h"
#include "utility/ErrorReport.h"
#include "utility/Posix/EventHandle.h"
#include "utility/Posix/Handle.h"
#include "utility/Posix/Modules.h"
#include "utility/Posix/ProcessHandle.h"
#include "utility/Posix/ProcessStart.h"
#include "utility/Posix/SystemError.h"
#include "utility/TextCodec.h"

namespace {

const char kSourceFile[] = ".\\SFtpIpc";
const wchar_t kLogSource[] = L".\\SFtpIpc";
const wchar_t kOnline[] = L"ONLINE";
const wchar_t kGeneral[] = L"GENERAL";

constexpr DWORD kDefaultReadyMs = 10000;
constexpr DWORD kDefaultReplyMs = 60000;
// How long the destructor waits for the ended agent to be reaped.
constexpr DWORD kReapMs = 5000;
// Waits on the channel sleep at once: on a machine with few cores a
// spinning wait takes the time the agent (and the server) would answer in.
constexpr DWORD kSpinMicroseconds = 0;

std::atomic<DWORD> g_readyMs{kDefaultReadyMs};
std::atomic<DWORD> g_replyMs{kDefaultReplyMs};
std::mutex g_agentPathMutex;
std::string g_agentPath;

std::string AgentPath() {
    std::lock_guard<std::mutex> lock(g_agentPathMutex);
    return g_agentPath;
}

SFtpBlock* Block(const CSharedMemoryBlock& block) { return static_cast<SFtpBlock*>(block.Data()); }

} // namespace

void CSFtpIpc::SetAgentPath(const std::string& path) {
    std::lock_guard<std::mutex> lock(g_agentPathMutex);
    g_agentPath = path;
}

void CSFtpIpc::SetWaitTimes(DWORD readyMilliseconds, DWORD replyMilliseconds) {
    g_readyMs.store(readyMilliseconds ? readyMilliseconds : kDefaultReadyMs);
    g_replyMs.store(replyMilliseconds ? replyMilliseconds : kDefaultReplyMs);
}

CSFtpIpc::CSFtpIpc(CSFtpAgentMessages* owner) : m_owner(owner), m_log(nullptr), m_message(kSFtpDataSize + 1) {
    ReportAssertion(owner != nullptr, kSourceFile, __LINE__);
    if (owner) m_log = owner->GetLog();
}

CSFtpIpc::~CSFtpIpc() {
    ReportAssertion(m_block1.Close(), kSourceFile, __LINE__);
    ReportAssertion(m_block2.Close(), kSourceFile, __LINE__);
    for (HANDLE* handle : {&m_event1, &m_event2, &m_event3, &m_event4, &m_self}) {
        if (*handle) ReportAssertion(CloseHandle(*handle), kSourceFile, __LINE__);
        *handle = nullptr;
    }
    if (m_agent) {
        TerminateProcess(m_agent, 0);
        // Reaped here, so no agent outlives its channel as a zombie.
        WaitForSingleObject(m_agent, kReapMs);
        DWORD exitCode;
        GetExitCodeProcess(m_agent, &exitCode);
        CloseHandle(m_agent);
        m_agent = nullptr;
    }
    m_owner = nullptr;
    m_log = nullptr;
}

void CSFtpIpc::LogEvent(int code, int line) {
    if (m_log) m_log->LogEvent(code, kOnline, kLogSource, line);
}

void CSFtpIpc::LogSystemError(int line) {
    if (m_log) m_log->LogEventFormat(kLogSource, line, kGeneral, -24, (int)GetLastError());
}

bool CSFtpIpc::MakeObjects() {
    if (!m_block1.Create(kSFtpBlockSize)) return false;
    if (!(m_event1 = CreateEventHandle(TRUE, FALSE))) return false;
    if (!(m_event2 = CreateEventHandle(TRUE, TRUE))) return false;
    if (!m_block2.Create(kSFtpBlockSize)) return false;
    if (!(m_event3 = CreateEventHandle(TRUE, FALSE))) return false;
    if (!(m_event4 = CreateEventHandle(TRUE, FALSE))) return false;
    return true;
}

int CSFtpIpc::Start() {
    ReportAssertion(m_log != nullptr && m_owner != nullptr, kSourceFile, __LINE__);
    if (!m_log || !m_owner || m_agent) return 0;
    if (!MakeObjects()) {
        LogSystemError(__LINE__);
        return 0;
    }
    if (!(m_self = OpenCurrentProcessHandle())) {
        LogSystemError(__LINE__);
        return 0;
    }

    std::string path = AgentPath();
    if (path.empty()) {
        CBasicString folder = GetProgramFolder();
        if (folder.IsEmpty()) {
            LogEvent(-25, __LINE__);
            return 0;
        }
        path = WideToUtf8(folder.GetString(), folder.GetLength()) + LinuxModuleFileName("SFtp.exe");
    }

    std::vector<int> descriptors = {m_block1.Descriptor(),        GetHandleDescriptor(m_event1),
                                    GetHandleDescriptor(m_event2), m_block2.Descriptor(),
                                    GetHandleDescriptor(m_event3), GetHandleDescriptor(m_event4),
                                    GetHandleDescriptor(m_self)};
    std::vector<std::string> arguments = {LinuxModuleFileName("SFtp.exe")};
    for (int fd : descriptors) arguments.push_back(std::to_string(fd));
    if (!(m_agent = StartProcess(path, arguments, "", descriptors))) {
        LogSystemError(__LINE__);
        return 0;
    }
    if (WaitFor(m_event4, g_readyMs.load()) == WAIT_OBJECT_0) return 1;
    LogEvent(-19, __LINE__);
    return 0;
}

DWORD CSFtpIpc::WaitFor(HANDLE event, DWORD milliseconds) {
    HANDLE objects[2] = {event, m_agent};
    return SpinWaitForMultipleObjects(2, objects, kSpinMicroseconds, milliseconds);
}

bool CSFtpIpc::WaitReady(int line) {
    DWORD result = WaitFor(m_event4, g_readyMs.load());
    if (result == WAIT_OBJECT_0) return true;
    LogEvent(result == WAIT_OBJECT_0 + 1 ? -18 : -19, line);
    return false;
}

unsigned char* CSFtpIpc::BeginRequest() {
    ReportAssertion(m_agent != nullptr, kSourceFile, __LINE__);
    if (!m_agent) return nullptr;
    // The agent's readiness mostly came with its last reply: taking it at
    // once spares a wait.
    if (!TakeEvent(m_event4) && (!WaitReady(__LINE__) || !ResetEvent(m_event4))) return nullptr;
    return Block(m_block2)->data;
}

int CSFtpIpc::EndRequest(DWORD code, DWORD length) {
    bool usable = m_agent != nullptr && code != 0 && length <= kSFtpDataSize;
    ReportAssertion(usable, kSourceFile, __LINE__);
    if (!usable) return 0;
    SFtpBlock* block = Block(m_block2);
    block->code = code;
    block->length = length;
    if (!SetEvent(m_event3)) return 0;
    return WaitReady(__LINE__) ? 1 : 0;
}

int CSFtpIpc::SendRequest(DWORD code, DWORD length, const void* data) {
    bool usable = m_agent != nullptr && code != 0 && length <= kSFtpDataSize && (length == 0 || data != nullptr);
    ReportAssertion(usable, kSourceFile, __LINE__);
    if (!usable) return 0;
    unsigned char* area = BeginRequest();
    if (!area) return 0;
    if (length) memcpy(area, data, length);
    return EndRequest(code, length);
}

int CSFtpIpc::SendString(DWORD code, const char* text) {
    if (!text) return SendRequest(code, 0, nullptr);
    return SendRequest(code, (DWORD)strlen(text) + 1, text);
}

int CSFtpIpc::ReceiveReply(DWORD expected, DWORD* length, void* buffer) {
    bool usable = m_agent != nullptr && length != nullptr;
    ReportAssertion(usable, kSourceFile, __LINE__);
    if (!usable) return 0;
    const DWORD capacity = *length;
    for (;;) {
        // A message that came with the agent's acknowledgement is there
        // already; else wait for it. The agent writes block 1 again only
        // once event 2 says that it was copied.
        if (!TakeEvent(m_event1)) {
            DWORD result = WaitFor(m_event1, g_replyMs.load());
            if (result != WAIT_OBJECT_0) {
                LogEvent(result == WAIT_OBJECT_0 + 1 ? -18 : result == WAIT_TIMEOUT ? -19 : -17, __LINE__);
                return 0;
            }
            if (!ResetEvent(m_event1)) return 0;
        }
        const SFtpBlock* block = Block(m_block1);
        DWORD code = block->code;
        DWORD n = block->length;
        *length = n;
        if (n > kSFtpDataSize) return 0;
        memcpy(m_message.data(), block->data, n);
        m_message[n] = 0;
        if (!SetEvent(m_event2)) return 0;

        if (!m_owner->Handle(*this, code, n, m_message.data())) return 0;
        if (code == expected) {
            if (buffer) {
                DWORD count = n < capacity ? n : capacity;
                memcpy(buffer, m_message.data(), count);
                *length = count;
            }
            return 1;
        }
    }
}
