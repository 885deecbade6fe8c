#pragma once
// The operating system, the user and the machine, and what the process may
// do. Free functions without state; failures raise assertion reports
// (".\Windows\BasicAPI") and give the failure value named below.
//
// The version tests answer for a current system of the NT line (version
// 10.0), so no branch for an older version is ever taken. Privileges,
// account rights, security identifiers and COM do not exist here: those
// functions fail with an assertion report and ERROR_NOT_SUPPORTED.

#include "compat/WinTypes.h"
#include "utility/BasicString.h"

class CAbstractLog;

// Version tests: 1 or 0.
int IsWindowsNT();
int IsWindows2000OrLater();
int IsWindowsXP();
int IsWindowsXPHomeEdition();
int IsWindowsServer2003();
int IsWindowsVista();
int IsWindowsVistaHomeEdition();
int IsWindowsVistaOrLater();
int IsWindows95OrNT4OrLater();
int IsWindows3x();
int IsWindows9x();
int IsWindows98OrMe();
int IsWindowsMe();
int IsWindows95Osr2OrLater();
int IsWindows9xFamily();

// The operating system's name from /etc/os-release (PRETTY_NAME) followed
// by the kernel's name and release: "Debian GNU/Linux 12 (bookworm) Linux
// 6.1.0-18-amd64".
CBasicString GetWindowsName();
inline CBasicString GetOperatingSystemName() { return GetWindowsName(); }

// The processor architecture (PROCESSOR_ARCHITECTURE_*), page size and
// processors of the machine: 1, or 0 when they cannot be had.
int GetNativeSystemInfoSafe(SYSTEM_INFO* info);
// 1 on an IA-64 machine or for a 32-bit process on a 64-bit system.
int IsNativeIa64OrWow64();

// The host name; "" on failure.
CBasicString GetComputerNameText();
// The name of the process's user; "" when it cannot be read.
CBasicString GetUserLogonName();
inline CBasicString GetUserNameText() { return GetUserLogonName(); }
// The host name (there is no logon domain here).
CBasicString GetLogonDomainName();
// The two-letter country of the user's locale (LC_ALL, else LANG:
// "de_AT.UTF-8" gives "AT"); "" when it names none.
CBasicString GetUserCountryCode();
// The first network adapter's hardware address, "%02X-%02X-%02X-%02X-%02X-
// %02X"; "00-00-00-00-00-00" when there is none.
CBasicString GetMacAddressText();

// A new random GUID (version 4) in upper case without braces, 36
// characters; "" with an assertion report when no random bytes can be had.
CBasicString NewGuidText();
inline CBasicString CreateGuidText() { return NewGuidText(); }

// 1 for the superuser and for members of the groups "sudo", "wheel" and
// "admin".
int IsUserInAdministrators();

// Not available: 0 (null for GetAccountSid) with an assertion report;
// EnablePrivilege also writes "(%d) %s" of the error to the log when given.
int EnablePrivilege(const wchar_t* privilegeName, CAbstractLog* log);
PSID GetAccountSid(const wchar_t* account, const wchar_t* systemName);
int SetAccountRight(const wchar_t* systemName, const wchar_t* account, const wchar_t* right, int add);

// 1 when the machine-wide settings can be written.
int IsLocalMachineWritable();

// COM is not available: an assertion report and 0.
int InitializeCom(void* reserved);
// With a null stream or object, or on the thread *ownerThread names,
// nothing to do: 1. Otherwise COM is not available: an assertion report
// and E_NOTIMPL.
HRESULT MarshalToStream(IStream* stream, IUnknown* object, DWORD* ownerThread, DWORD destContext, DWORD flags);
HRESULT UnmarshalFromStream(IStream* stream, const GUID& iid, void** object, DWORD* ownerThread);
