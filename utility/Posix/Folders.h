#pragma once
// Paths and folders: whether a path exists, the special folders, the
// temporary folder and temporary names, the per-user data folder and
// whether folders can be written. Free functions without state; broken
// contracts raise assertion reports (".\Windows\BasicAPI"), and log
// messages go to the library's log sink at level 1.
//
// Paths use '/'; a folder that these functions return ends with one '/'
// where the text says so. The special folders lie on the XDG locations
// (see the README, "Files and folders").

#include <list>
#include <string>

#include "utility/BasicString.h"

// 1 when the path names an existing file, folder or link (one trailing '/'
// is ignored); 0 otherwise and for null or "".
int PathExists(const wchar_t* path);

// The folder of a special-folder id, without a trailing '/':
// CSIDL_APPDATA $XDG_DATA_HOME (else $HOME/.local/share), CSIDL_WINDOWS
// /usr, CSIDL_SYSTEM /usr/lib, CSIDL_PROGRAM_FILES the installation prefix;
// "" for any other id or when the folder cannot be known.
CBasicString GetSpecialFolderPath(int csidl);
inline CBasicString GetWindowsFolder() { return GetSpecialFolderPath(CSIDL_WINDOWS); }

// $TMPDIR (when set), else /tmp, with a trailing '/'.
CBasicString GetTempFolder();

// Short (8.3) names do not exist here: an existing path is its own short
// form (1). A null or empty path, or one that does not exist, raises an
// assertion report and gives 0.
int GetShortPath(const wchar_t* longPath, CBasicString& shortPath);

// A new file name in the folder: '/', "KVX", four upper-case hexadecimal
// digits, '.' and the extension. The name is reserved: the file is created
// empty, exclusively, so no existing file is ever handed out. "" when the
// folder does not exist or no name could be made.
CBasicString MakeTempFileName(const wchar_t* folder, const wchar_t* extension);

// 1 when the name exists in the program's folder; an empty name raises an
// assertion report and gives 0.
int ExistsBesideProgram(const wchar_t* name);

// 1 when no new file can be created in the folder (tried with a temporary
// name, removed again), 0 when one can. An empty folder raises an assertion
// report and gives 0.
int IsFolderReadOnly(const wchar_t* folder);
inline int IsFolderNotWritable(const wchar_t* folder) { return IsFolderReadOnly(folder); }

// Tests, in list order, that each path can be written: 0 when all can, -2
// or -1 (with a log message) at the first that cannot. A path whose last
// component has an extension names a file: its folder is tested. A missing
// folder is created for the test and removed again. The installation
// prefix itself and a path whose root does not exist give -2; a folder that
// cannot be created or written gives -1. An empty list raises an assertion
// report and gives 0.
int CheckPathsWritable(const std::list<std::wstring>& paths);

// The per-user data folder, ending with '/' and created with its parents:
// folder when it is an absolute path that exists; otherwise
// <CSIDL_APPDATA>/Morvane/<program file title>[/subFolder]/. "" (with an
// assertion report) when there is no application-data folder.
CBasicString GetPerUserDataFolder(CBasicString folder, CBasicString subFolder);
inline CBasicString GetUserDataFolder(CBasicString folder, CBasicString subFolder) {
    return GetPerUserDataFolder(folder, subFolder);
}

// The folder an XDG base-directory variable (XDG_DATA_HOME, XDG_CONFIG_HOME)
// names when it holds an absolute path, else underHome below the user's home
// folder ($HOME, else the user's entry in the password database); without a
// trailing '/'. "" when there is no home folder.
std::string GetXdgFolder(const char* variable, const char* underHome);
