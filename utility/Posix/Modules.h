#pragma once
// Modules: the program and the shared libraries it loads. A module handle
// (HMODULE) is the load address of the module, as the string tables use it
// (StringTable.h: GetCurrentModuleHandle); null stands for the program.
//
// Module file names of the system map onto Linux names: "X.dll" is
// "libX.so" and "X.exe" is "X". A name is tried as it stands first, then in
// its Linux form.
//
// Every binary of the system carries a version marker: CMake embeds the
// project's four-part version into the section ".kvx_version" of each
// program and shared library ("KVXVERSION" and four 16-bit little-endian
// numbers: major, minor, build, revision).

#include <string>

#include "compat/WinTypes.h"
#include "utility/BasicString.h"

struct VersionNumber {
    WORD major;
    WORD minor;
    WORD build;
    WORD revision;
};

// The Linux form of a module file name (the folder is kept): "X.dll"
// becomes "libX.so", "X.exe" becomes "X" (both without regard to case);
// other names stay.
std::string LinuxModuleFileName(const std::string& name);

// The full path of the module file; null gives the program's own file.
// "" when the handle is no module.
CBasicString GetModulePath(HMODULE module);

// The program's folder: its file path up to and including the last '/'.
CBasicString GetProgramFolder();

// The version text "%d.%d.%d.%d" of a file's version marker; file null
// gives the program's own file. out (optional) receives the four parts.
// "0.0.0.0" and a zeroed record when the file has no marker or cannot be
// read.
CBasicString GetModuleVersionText(const wchar_t* file, VersionNumber* out);

// The same with the parts in an array (major, minor, build, revision).
inline CBasicString GetFileVersion(const wchar_t* path, WORD version[4]) {
    VersionNumber number;
    CBasicString text = GetModuleVersionText(path, &number);
    if (version) {
        version[0] = number.major;
        version[1] = number.minor;
        version[2] = number.build;
        version[3] = number.revision;
    }
    return text;
}

inline CBasicString GetFileVersionText(const wchar_t* path) { return GetModuleVersionText(path, nullptr); }

// 1 when the version texts of the two modules' files are equal (without
// regard to case).
int IsSameModuleVersion(HMODULE a, HMODULE b);

// Loads a shared library. A name without '/' is looked for in the
// program's folder first, then where the dynamic linker looks. The
// module's handle; null with ERROR_MOD_NOT_FOUND when it cannot be loaded.
HMODULE LoadDynamicLibrary(const wchar_t* fileName);

// Unloads a library loaded with LoadDynamicLibrary: 1, or 0 for a handle
// that is no loaded library.
BOOL FreeDynamicLibrary(HMODULE module);

// The address of an exported function; null with ERROR_PROC_NOT_FOUND.
void* GetLibraryFunction(HMODULE module, const char* name);
