#include "Pendrel/App/CrashReporter.h"

#include <elf.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <ucontext.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "Pendrel/App/KVXApp.h"
#include "Pendrel/Pendrel.h"
#include "utility/AbstractLog.h"
#include "utility/LibraryLog.h"
#include "utility/Posix/Modules.h"
#include "utility/StringTableRegistration.h"
#include "utility/TextCodec.h"

namespace {

const StringTableEntry kCrashStrings[] = {
    {21034, L"Internal Error"},        {21035, L"Application Name"},        {21036, L"Application Version"},
    {21037, L"Application Timestamp"}, {21038, L"Faulty Module Name"},      {21039, L"Faulty Module Version"},
    {21040, L"Faulty Module Timestamp"}, {21041, L"Exception Type"},        {21042, L"Offset in module"},
};
const CStringTableRegistration kCrashStringsRegistration(kCrashStrings);

constexpr int kFirstLabel = 21034;
constexpr int kLabelCount = 9;
constexpr size_t kTextSize = 512;
const int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr size_t kSignalCount = sizeof(kSignals) / sizeof(kSignals[0]);

// What the handler writes, prepared outside it.
struct Prepared {
    char labels[kLabelCount][kTextSize];
    char programName[kTextSize];
    char programVersion[kTextSize];
    char programTimestamp[32];
    char reportFolder[4096];
};
Prepared g_prepared;
std::mutex g_prepareMutex;
std::atomic<bool> g_prepared_ready{false};

struct sigaction g_previous[kSignalCount];
std::once_flag g_installOnce;
// Reports run one after the other.
std::atomic_flag g_reporting = ATOMIC_FLAG_INIT;

// The thread's state: marked by the install, and whether it reported.
thread_local bool t_marked = false;
thread_local bool t_reported = false;

// The alternate signal stack of a marked thread (a stack overflow is a
// fault too), given back when the thread ends.
struct AlternateStack {
    void* memory = nullptr;
    ~AlternateStack() {
        if (!memory) return;
        stack_t off = {};
        off.ss_flags = SS_DISABLE;
        sigaltstack(&off, nullptr);
        std::free(memory);
    }
};
thread_local AlternateStack t_stack;

void CopyText(char* target, size_t size, const std::string& text) {
    size_t n = text.size() < size - 1 ? text.size() : size - 1;
    std::memcpy(target, text.data(), n);
    target[n] = '\0';
}

std::string Narrow(const CBasicString& text) { return WideToUtf8(text.GetString(), text.GetLength()); }

// --- async-signal-safe helpers ----------------------------------------

// A line buffer that never overflows.
struct Writer {
    char text[8192];
    size_t length = 0;
    void Add(const char* s) {
        while (*s && length < sizeof(text) - 1) text[length++] = *s++;
        text[length] = '\0';
    }
    void AddChars(const char* s, size_t n) {
        for (size_t i = 0; i < n && s[i] && length < sizeof(text) - 1; ++i) text[length++] = s[i];
        text[length] = '\0';
    }
    void AddHex(uint64_t value, int minDigits) {
        char digits[17];
        int n = 0;
        do {
            digits[n++] = "0123456789abcdef"[value & 15];
            value >>= 4;
        } while (value && n < 16);
        while (n < minDigits && n < 16) digits[n++] = '0';
        while (n) AddChars(&digits[--n], 1);
    }
    void AddDecimal(uint64_t value) {
        char digits[21];
        int n = 0;
        do {
            digits[n++] = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value);
        while (n) AddChars(&digits[--n], 1);
    }
    void Field(int label, const char* value) {
        Add(g_prepared.labels[label - kFirstLabel]);
        Add(": ");
        Add(value);
        Add("\n");
    }
};

// A hexadecimal number at p; p moves past it.
uintptr_t ParseHex(char*& p) {
    uintptr_t value = 0;
    for (;; ++p) {
        char c = *p;
        int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (digit < 0) return value;
        value = value * 16 + static_cast<uintptr_t>(digit);
    }
}

bool ReadAt(int fd, void* buffer, size_t size, uint64_t offset) {
    return pread(fd, buffer, size, static_cast<off_t>(offset)) == static_cast<ssize_t>(size);
}

// The version marker of a 64-bit ELF file ("KVXVERSION" and four 16-bit
// numbers in the section ".kvx_version"), read one header at a time.
bool ReadModuleVersion(const char* path, Writer& out) {
    static const char kSection[] = ".kvx_version";
    static const char kTag[] = "KVXVERSION";
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool found = false;
    Elf64_Ehdr header;
    if (ReadAt(fd, &header, sizeof(header), 0) && std::memcmp(header.e_ident, ELFMAG, SELFMAG) == 0 &&
        header.e_ident[EI_CLASS] == ELFCLASS64 && header.e_shentsize == sizeof(Elf64_Shdr) &&
        header.e_shstrndx < header.e_shnum) {
        Elf64_Shdr names;
        if (ReadAt(fd, &names, sizeof(names), header.e_shoff + uint64_t(header.e_shstrndx) * sizeof(Elf64_Shdr))) {
            for (unsigned i = 0; i < header.e_shnum && !found; ++i) {
                Elf64_Shdr section;
                char name[sizeof(kSection)];
                unsigned char marker[sizeof(kTag) - 1 + 8];
                if (!ReadAt(fd, &section, sizeof(section), header.e_shoff + uint64_t(i) * sizeof(Elf64_Shdr)) ||
                    section.sh_name >= names.sh_size ||
                    !ReadAt(fd, name, sizeof(name), names.sh_offset + section.sh_name) ||
                    std::memcmp(name, kSection, sizeof(kSection)) != 0)
                    continue;
                if (section.sh_size < sizeof(marker) || !ReadAt(fd, marker, sizeof(marker), section.sh_offset) ||
                    std::memcmp(marker, kTag, sizeof(kTag) - 1) != 0)
                    break;
                const unsigned char* p = marker + sizeof(kTag) - 1;
                for (int part = 0; part < 4; ++part) {
                    if (part) out.Add(".");
                    out.AddDecimal(p[2 * part] | (p[2 * part + 1] << 8));
                }
                found = true;
            }
        }
    }
    close(fd);
    return found;
}

// The mapping of /proc/self/maps that holds the address: the file's path
// and the address the file's offset 0 lies at.
bool FindModule(uintptr_t address, char* path, size_t pathSize, uintptr_t& base) {
    int fd = open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char chunk[4096];
    char line[4096 + 256];
    size_t lineLength = 0;
    bool found = false;
    ssize_t n;
    while (!found && (n = read(fd, chunk, sizeof(chunk))) > 0) {
        for (ssize_t i = 0; i < n && !found; ++i) {
            if (chunk[i] != '\n') {
                if (lineLength < sizeof(line) - 1) line[lineLength++] = chunk[i];
                continue;
            }
            line[lineLength] = '\0';
            lineLength = 0;
            // start-end perms offset dev inode path
            char* p = line;
            uintptr_t start = ParseHex(p);
            if (*p != '-') continue;
            ++p;
            uintptr_t end = ParseHex(p);
            if (address < start || address >= end) continue;
            while (*p == ' ') ++p;
            while (*p && *p != ' ') ++p;  // permissions
            while (*p == ' ') ++p;
            uintptr_t offset = ParseHex(p);
            for (int field = 0; field < 2; ++field) {  // device, inode
                while (*p == ' ') ++p;
                while (*p && *p != ' ') ++p;
            }
            while (*p == ' ') ++p;
            size_t length = std::strlen(p);
            if (length >= pathSize) length = pathSize - 1;
            std::memcpy(path, p, length);
            path[length] = '\0';
            base = start - offset;
            found = true;
        }
    }
    close(fd);
    return found;
}

const char* SignalName(int signal) {
    switch (signal) {
    case SIGSEGV: return "SIGSEGV";
    case SIGBUS: return "SIGBUS";
    case SIGFPE: return "SIGFPE";
    case SIGILL: return "SIGILL";
    case SIGABRT: return "SIGABRT";
    default: return "signal";
    }
}

uintptr_t FaultAddress(const siginfo_t* info, const void* context) {
    const ucontext_t* uc = static_cast<const ucontext_t*>(context);
#if defined(__x86_64__)
    if (uc) return static_cast<uintptr_t>(uc->uc_mcontext.gregs[REG_RIP]);
#elif defined(__aarch64__)
    if (uc) return static_cast<uintptr_t>(uc->uc_mcontext.pc);
#endif
    return reinterpret_cast<uintptr_t>(info ? info->si_addr : nullptr);
}

void WriteReport(int signal, const siginfo_t* info, const void* context) {
    static Writer out;  // handlers run one at a time
    out.length = 0;
    out.text[0] = '\0';
    const uintptr_t address = FaultAddress(info, context);
    static char modulePath[4096];
    uintptr_t base = 0;
    bool haveModule = FindModule(address, modulePath, sizeof(modulePath), base) && modulePath[0] == '/';

    out.Add(g_prepared.labels[0]);
    out.Add("\n");
    out.Field(21035, g_prepared.programName);
    out.Field(21036, g_prepared.programVersion);
    out.Field(21037, g_prepared.programTimestamp);

    out.Add(g_prepared.labels[21038 - kFirstLabel]);
    out.Add(": ");
    if (haveModule) {
        const char* slash = std::strrchr(modulePath, '/');
        out.Add(slash ? slash + 1 : modulePath);
    }
    out.Add("\n");
    out.Add(g_prepared.labels[21039 - kFirstLabel]);
    out.Add(": ");
    if (!haveModule || !ReadModuleVersion(modulePath, out)) out.Add("0.0.0.0");
    out.Add("\n");
    out.Add(g_prepared.labels[21040 - kFirstLabel]);
    out.Add(": ");
    struct stat st;
    if (haveModule && stat(modulePath, &st) == 0) out.AddHex(static_cast<uint64_t>(st.st_mtime), 1);
    out.Add("\n");
    out.Add(g_prepared.labels[21041 - kFirstLabel]);
    out.Add(": ");
    out.AddHex(static_cast<unsigned>(signal), 8);
    out.Add(" (");
    out.Add(SignalName(signal));
    out.Add(", code ");
    out.AddDecimal(static_cast<unsigned>(info ? info->si_code : 0));
    out.Add(", address 0x");
    out.AddHex(reinterpret_cast<uintptr_t>(info ? info->si_addr : nullptr), 1);
    out.Add(")\n");
    out.Add(g_prepared.labels[21042 - kFirstLabel]);
    out.Add(": 0x");
    out.AddHex(haveModule ? address - base : address, 16);
    out.Add("\n");

    Writer path;
    path.Add(g_prepared.reportFolder);
    path.Add("/Crash-");
    path.AddDecimal(static_cast<uint64_t>(getpid()));
    path.Add(".txt");
    int fd = open(path.text, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) return;
    size_t done = 0;
    while (done < out.length) {
        ssize_t n = write(fd, out.text + done, out.length - done);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    close(fd);
}

int SignalIndex(int signal) {
    for (size_t i = 0; i < kSignalCount; ++i)
        if (kSignals[i] == signal) return static_cast<int>(i);
    return -1;
}

// Ends the handler so that the signal takes its default action.
void RestoreDefault(int signal) {
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
    // A fault repeats when the handler returns; a signal sent by a process
    // is raised again (it stays pending until the handler ends).
    raise(signal);
}

void HandleFault(int signal, siginfo_t* info, void* context) {
    int index = SignalIndex(signal);
    if (!t_marked && index >= 0) {
        const struct sigaction& previous = g_previous[index];
        if (previous.sa_flags & SA_SIGINFO) {
            if (previous.sa_sigaction) previous.sa_sigaction(signal, info, context);
            return;
        }
        if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
            previous.sa_handler(signal);
            return;
        }
        RestoreDefault(signal);
        return;
    }
    // One report at a time: a second faulting thread waits for the first
    // to end the process.
    while (g_reporting.test_and_set()) {
        struct timespec pause = {0, 10 * 1000 * 1000};
        nanosleep(&pause, nullptr);
    }
    if (!t_reported && g_prepared_ready.load()) {
        t_reported = true;
        WriteReport(signal, info, context);
    }
    RestoreDefault(signal);
}

void InstallHandler() {
    for (size_t i = 0; i < kSignalCount; ++i) {
        struct sigaction action = {};
        action.sa_sigaction = HandleFault;
        action.sa_flags = SA_SIGINFO | SA_ONSTACK;
        sigemptyset(&action.sa_mask);
        sigaction(kSignals[i], &action, &g_previous[i]);
    }
}

void UseAlternateStack() {
    stack_t current = {};
    if (sigaltstack(nullptr, &current) == 0 && !(current.ss_flags & SS_DISABLE)) return;  // the thread has one
    const size_t size = 64 * 1024;
    void* memory = std::malloc(size);
    if (!memory) return;
    stack_t stack = {};
    stack.ss_sp = memory;
    stack.ss_size = size;
    if (sigaltstack(&stack, nullptr) != 0) {
        std::free(memory);
        return;
    }
    t_stack.memory = memory;
}

void Prepare() {
    std::lock_guard<std::mutex> lock(g_prepareMutex);
    for (int i = 0; i < kLabelCount; ++i) CopyText(g_prepared.labels[i], kTextSize, Narrow(KVXLoadString(kFirstLabel + i)));

    const CBasicString programPath = GetModulePath(nullptr);
    std::string path = Narrow(programPath);
    CopyText(g_prepared.programName, kTextSize, path.substr(path.rfind('/') + 1));
    CopyText(g_prepared.programVersion, kTextSize, Narrow(GetFileVersionText(programPath.GetString())));
    Writer timestamp;
    struct stat st;
    if (stat(path.c_str(), &st) == 0) timestamp.AddHex(static_cast<uint64_t>(st.st_mtime), 1);
    CopyText(g_prepared.programTimestamp, sizeof(g_prepared.programTimestamp), timestamp.text);

    std::string folder;
    if (CAbstractLog* log = GetLibraryLog()) {
        const wchar_t* logPath = log->GetLogFilePath();
        std::string logFile = logPath ? WideToUtf8(logPath, std::wcslen(logPath)) : std::string();
        size_t slash = logFile.rfind('/');
        if (slash != std::string::npos) folder = logFile.substr(0, slash);
    }
    if (folder.empty()) folder = Narrow(KVXGetProgramFolder());
    CopyText(g_prepared.reportFolder, sizeof(g_prepared.reportFolder), folder);
    g_prepared_ready.store(true);
}

} // namespace

void InstallStructuredExceptionTranslator() {
    Prepare();
    UseAlternateStack();
    t_marked = true;
    std::call_once(g_installOnce, InstallHandler);
}

std::string KVXGetCrashReportPath() {
    if (!g_prepared_ready.load()) return std::string();
    return std::string(g_prepared.reportFolder) + "/Crash-" + std::to_string(static_cast<long>(getpid())) + ".txt";
}
