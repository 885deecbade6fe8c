#include "utility/Posix/SystemInfo.h"

#include <grp.h>
#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <pwd.h>
#include <sys/random.h>
#include <sys/syscall.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "utility/AbstractLog.h"
#include "utility/ErrorReport.h"
#include "utility/Posix/Folders.h"
#include "utility/Posix/RegistryHive.h"
#include "utility/Posix/SystemError.h"
#include "utility/Posix/SystemText.h"

namespace {

const char kSourceFile[] = ".\\Windows\\BasicAPI";
const wchar_t kSourceFileWide[] = L".\\Windows\\BasicAPI";
constexpr int kLineGuidRandom = 1466;
constexpr int kLineEnablePrivilege = 1521;
constexpr int kLineAccountSid = 1583;
constexpr int kLineAccountRight = 1620;
constexpr int kLineInitializeCom = 1702;
constexpr int kLineMarshal = 1731;
constexpr int kLineUnmarshal = 1768;

// The version the tests answer for: a current system of the NT line.
struct ReportedVersion {
    DWORD platformId;
    DWORD major;
    DWORD minor;
    WORD suiteMask;
    const char* servicePack;
};
constexpr ReportedVersion kVersion = {2, 10, 0, 0, ""};
constexpr DWORD kPlatformNt = 2;
constexpr WORD kSuitePersonal = 0x200;

void ReportNotAvailable(int line) {
    SetLastError(ERROR_NOT_SUPPORTED);
    ReportAssertion(0, kSourceFile, line);
}

// The value of a KEY=value line of os-release, without its quotes.
std::string OsReleaseValue(const char* key) {
    for (const char* file : {"/etc/os-release", "/usr/lib/os-release"}) {
        std::ifstream in(file);
        std::string line, prefix = std::string(key) + "=";
        while (std::getline(in, line)) {
            if (line.compare(0, prefix.size(), prefix) != 0) continue;
            std::string value = line.substr(prefix.size());
            if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
                value = value.substr(1, value.size() - 2);
            return value;
        }
        if (in.is_open() || errno != ENOENT) break;
    }
    return std::string();
}

WORD ArchitectureOfMachine(const char* machine) {
    struct Architecture {
        const char* machine;
        WORD code;
    };
    static const Architecture kArchitectures[] = {
        {"x86_64", PROCESSOR_ARCHITECTURE_AMD64}, {"aarch64", PROCESSOR_ARCHITECTURE_ARM64},
        {"ia64", PROCESSOR_ARCHITECTURE_IA64},    {"i386", PROCESSOR_ARCHITECTURE_INTEL},
        {"i486", PROCESSOR_ARCHITECTURE_INTEL},   {"i586", PROCESSOR_ARCHITECTURE_INTEL},
        {"i686", PROCESSOR_ARCHITECTURE_INTEL},   {"armv7l", PROCESSOR_ARCHITECTURE_ARM},
    };
    for (const Architecture& a : kArchitectures)
        if (strcmp(machine, a.machine) == 0) return a.code;
    return PROCESSOR_ARCHITECTURE_UNKNOWN;
}

// The folder of the machine-wide settings: the settings store's folder
// (KVX_REGISTRY_DIR, else $XDG_CONFIG_HOME/Morvane/registry).
DWORD CurrentThreadId() { return (DWORD)syscall(SYS_gettid); }

} // namespace

int IsWindowsNT() { return kVersion.platformId == kPlatformNt; }
int IsWindows2000OrLater() { return IsWindowsNT() && kVersion.major > 4; }
int IsWindowsXP() { return IsWindows2000OrLater() && kVersion.major == 5 && kVersion.minor == 1; }
int IsWindowsXPHomeEdition() {
    return IsWindows2000OrLater() && kVersion.major == 5 && kVersion.minor != 0 &&
           (kVersion.suiteMask & kSuitePersonal) != 0;
}
int IsWindowsServer2003() { return IsWindows2000OrLater() && kVersion.major == 5 && kVersion.minor == 2; }
int IsWindowsVista() { return kVersion.major == 6 && kVersion.minor == 0; }
int IsWindowsVistaHomeEdition() { return IsWindowsVista() && (kVersion.suiteMask & kSuitePersonal) != 0; }
int IsWindowsVistaOrLater() { return kVersion.major > 5; }
int IsWindows95OrNT4OrLater() { return kVersion.major > 3; }
int IsWindows3x() { return !IsWindowsNT() && kVersion.major < 4; }
int IsWindows9x() { return !IsWindowsNT() && kVersion.major > 3; }
int IsWindows98OrMe() { return !IsWindowsNT() && kVersion.major == 4 && kVersion.minor > 9; }
int IsWindowsMe() { return !IsWindowsNT() && kVersion.major == 4 && kVersion.minor >= 90; }
int IsWindows95Osr2OrLater() {
    return IsWindows9x() && (IsWindowsMe() || (strlen(kVersion.servicePack) > 1 && kVersion.servicePack[1] > 'A'));
}
int IsWindows9xFamily() { return IsWindowsMe() || IsWindows98OrMe() || IsWindows95Osr2OrLater() || IsWindows9x(); }

CBasicString GetWindowsName() {
    std::string name = OsReleaseValue("PRETTY_NAME");
    if (name.empty()) name = OsReleaseValue("NAME");
    utsname system;
    if (uname(&system) == 0) {
        if (!name.empty()) name += ' ';
        name += std::string(system.sysname) + " " + system.release;
    }
    return FromSystemText(name);
}

int GetNativeSystemInfoSafe(SYSTEM_INFO* info) {
    utsname system;
    if (!info || uname(&system) != 0) return 0;
    memset(info, 0, sizeof(*info));
    long pageSize = sysconf(_SC_PAGESIZE);
    long processors = sysconf(_SC_NPROCESSORS_ONLN);
    info->wProcessorArchitecture = ArchitectureOfMachine(system.machine);
    info->dwPageSize = pageSize > 0 ? (DWORD)pageSize : 4096;
    info->dwAllocationGranularity = info->dwPageSize;
    info->lpMinimumApplicationAddress = (void*)(uintptr_t)info->dwPageSize;
    info->lpMaximumApplicationAddress = (void*)(uintptr_t)(((uintptr_t)1 << 47) - 1 - info->dwPageSize);
    info->dwNumberOfProcessors = processors > 0 ? (DWORD)processors : 1;
    info->dwActiveProcessorMask =
        info->dwNumberOfProcessors >= sizeof(DWORD_PTR) * 8 ? ~(DWORD_PTR)0 : ((DWORD_PTR)1 << info->dwNumberOfProcessors) - 1;
    return 1;
}

int IsNativeIa64OrWow64() {
    SYSTEM_INFO info;
    if (IsWindows3x() || !GetNativeSystemInfoSafe(&info)) return 0;
    if (info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_IA64) return 1;
    // A 32-bit build of this process on a 64-bit machine.
    return sizeof(void*) == 4 && (info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
                                  info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_ARM64);
}

CBasicString GetComputerNameText() {
    char name[256];
    if (gethostname(name, sizeof(name)) != 0) {
        SetLastErrorFromErrno(errno);
        return CBasicString();
    }
    name[sizeof(name) - 1] = 0;
    return FromSystemText(name);
}

CBasicString GetUserLogonName() {
    std::vector<char> buffer(16384);
    passwd entry, *found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found) return CBasicString();
    return FromSystemText(found->pw_name);
}

CBasicString GetLogonDomainName() { return GetComputerNameText(); }

CBasicString GetUserCountryCode() {
    const char* locale = nullptr;
    for (const char* variable : {"LC_ALL", "LANG"}) {
        locale = getenv(variable);
        if (locale && *locale) break;
    }
    if (!locale) return CBasicString();
    // language[_TERRITORY][.codeset][@modifier]
    const char* underscore = strchr(locale, '_');
    if (!underscore) return CBasicString();
    const char* country = underscore + 1;
    size_t length = strcspn(country, ".@");
    if (length != 2 || country[0] < 'A' || country[0] > 'Z' || country[1] < 'A' || country[1] > 'Z')
        return CBasicString();
    return FromSystemText(std::string(country, 2));
}

CBasicString GetMacAddressText() {
    unsigned char address[6] = {};
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) == 0) {
        for (ifaddrs* entry = list; entry; entry = entry->ifa_next) {
            if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_PACKET || (entry->ifa_flags & IFF_LOOPBACK))
                continue;
            const sockaddr_ll* link = reinterpret_cast<const sockaddr_ll*>(entry->ifa_addr);
            if (link->sll_halen != 6) continue;
            memcpy(address, link->sll_addr, 6);
            break;
        }
        freeifaddrs(list);
    }
    CBasicString text;
    text.Format(L"%02X-%02X-%02X-%02X-%02X-%02X", address[0], address[1], address[2], address[3], address[4],
                address[5]);
    return text;
}

CBasicString NewGuidText() {
    unsigned char bytes[16];
    size_t filled = 0;
    while (filled < sizeof(bytes)) {
        ssize_t n = getrandom(bytes + filled, sizeof(bytes) - filled, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ReportAssertion(0, kSourceFile, kLineGuidRandom);
            return CBasicString();
        }
        filled += (size_t)n;
    }
    bytes[6] = (unsigned char)((bytes[6] & 0x0F) | 0x40);  // version 4: random
    bytes[8] = (unsigned char)((bytes[8] & 0x3F) | 0x80);  // the standard variant
    CBasicString text;
    text.Format(L"%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X", bytes[0], bytes[1],
                bytes[2], bytes[3], bytes[4], bytes[5], bytes[6], bytes[7], bytes[8], bytes[9], bytes[10], bytes[11],
                bytes[12], bytes[13], bytes[14], bytes[15]);
    return text;
}

int IsUserInAdministrators() {
    if (geteuid() == 0) return 1;
    int count = getgroups(0, nullptr);
    if (count < 0) return 0;
    std::vector<gid_t> groups((size_t)count + 1);
    count = getgroups(count, groups.data());
    if (count < 0) return 0;
    groups.resize((size_t)count);
    groups.push_back(getegid());
    for (const char* name : {"sudo", "wheel", "admin"}) {
        std::vector<char> buffer(16384);
        group entry, *found = nullptr;
        if (getgrnam_r(name, &entry, buffer.data(), buffer.size(), &found) != 0 || !found) continue;
        for (gid_t gid : groups)
            if (gid == found->gr_gid) return 1;
    }
    return 0;
}

int EnablePrivilege(const wchar_t* privilegeName, CAbstractLog* log) {
    ReportNotAvailable(kLineEnablePrivilege);
    if (log) {
        CBasicString message;
        message.Format(L"(%d) %s", (int)ERROR_NOT_SUPPORTED, GetSystemErrorText(ERROR_NOT_SUPPORTED).GetString());
        log->WriteSourceMessage(message.GetString(), kSourceFileWide, kLineEnablePrivilege);
    }
    return 0;
}

PSID GetAccountSid(const wchar_t* account, const wchar_t* systemName) {
    ReportNotAvailable(kLineAccountSid);
    return nullptr;
}

int SetAccountRight(const wchar_t* systemName, const wchar_t* account, const wchar_t* right, int add) {
    // Without the account's security identifier nothing can be granted.
    GetAccountSid(account, systemName);
    ReportAssertion(0, kSourceFile, kLineAccountRight);
    return 0;
}

int IsLocalMachineWritable() {
    if (!IsWindowsNT()) return 0;
    // The folder of the machine-wide settings hive.
    CRegistryHive* hive = CRegistryHive::ForRoot(HKEY_LOCAL_MACHINE);
    if (!hive || !hive->MakeFolder()) return 0;
    std::string path = hive->GetPath();
    return IsFolderReadOnly(FromSystemText(path.substr(0, path.rfind('/'))).GetString()) ? 0 : 1;
}

int InitializeCom(void* reserved) {
    ReportNotAvailable(kLineInitializeCom);
    return 0;
}

HRESULT MarshalToStream(IStream* stream, IUnknown* object, DWORD* ownerThread, DWORD destContext, DWORD flags) {
    if (!stream || !object || (ownerThread && *ownerThread == CurrentThreadId())) return 1;
    ReportNotAvailable(kLineMarshal);
    return E_NOTIMPL;
}

HRESULT UnmarshalFromStream(IStream* stream, const GUID& iid, void** object, DWORD* ownerThread) {
    if (!stream || (ownerThread && *ownerThread == CurrentThreadId())) return 1;
    ReportNotAvailable(kLineUnmarshal);
    return E_NOTIMPL;
}
