#pragma once
// The launcher: starts a program that the system downloaded (the update
// page's installer) apart from the running program, or opens a file with
// the program the desktop has for it.
//
// - KVXLaunchInstaller makes the file executable by its owner only (mode
//   0700) and starts it detached, without arguments, in the caller's
//   working folder; it goes on running when the program that started it
//   ends.
// - KVXOpenFile hands an existing file to the desktop's opener
//   ("xdg-open" on the PATH), detached.
//
// Tests put a handler in place of both, which answers instead.

#include <functional>

#include "Pendrel/PendrelApi.h"
#include "compat/WinTypes.h"
#include "utility/BasicString.h"

enum KVX_LAUNCH_KIND {
    KVX_LAUNCH_INSTALLER = 0,
    KVX_LAUNCH_OPEN_FILE = 1
};

using KVXLauncherHandler = std::function<BOOL(const CBasicString& path, KVX_LAUNCH_KIND kind)>;

// TRUE when the program was started.
PENDREL_API BOOL KVXLaunchInstaller(const wchar_t* path);
// TRUE when the desktop took the file.
PENDREL_API BOOL KVXOpenFile(const wchar_t* path);
// An empty handler brings the launcher back.
PENDREL_API void KVXSetLauncherHandler(KVXLauncherHandler handler);
