#pragma once
// The shell and processes: deleting through the shell, opening a file with
// the desktop's program for it, starting a program of the program's folder,
// playing a sound, expanding %VAR% in text; and the factories of the
// synchronisation objects. Free functions without state; broken contracts
// raise assertion reports (".\Windows\BasicAPI"), and log messages go to
// the library's log sink at level 1.
//
// Files are opened with "xdg-open" and sounds played with "aplay", both
// found on PATH. The restart registration and the shutdown-block reasons
// belong to one older system version only and do nothing here (1).

#include "compat/WinTypes.h"
#include "utility/BasicString.h"

class CAbstractFile;
class CAbstractLog;
class CAbstractSnapshot;
class CBasicEvent;
class CBasicSemaphore;
class CFileItemInfo;

// Deletes a file or a whole folder (a link is removed, never followed).
// toRecycleBin moves it into the user's trash instead, where the trash is
// on the same file system (else it is deleted). An empty path raises an
// assertion report and gives 0; a missing path gives 1; a failing deletion
// raises an assertion report and still gives 1.
int ShellDelete(const wchar_t* path, int toRecycleBin);

// Opens an existing file with the desktop's program for it: 1 when the
// opener started, else 0.
int OpenWithShell(const wchar_t* file);

// Starts a program of the program's folder. The command line holds the
// program (in double quotes when it holds blanks) and its parameters,
// which the program receives split by the command-line quoting rules
// (CommandLine.h); "X.exe" names the program X. The program runs in the
// program's folder. The process handle (ProcessHandle.h), which the caller
// closes; null after logging "Failed to execute command (%s) with system
// error: (%d) %s" when it cannot be started.
HANDLE RunCommand(const wchar_t* commandLine);

// Plays a sound file without waiting for it: 1 when the player started.
// Null stops nothing and gives 1.
int PlaySoundFile(const wchar_t* file);

// Replaces every %NAME% in source by the environment variable NAME (exact
// name first, then without regard to ASCII case); an unknown name stays as
// it stands. Writes the text with its terminator into target when size
// characters hold it; the result is the characters needed, terminator
// included (more than size when target is too small), 0 for a null source.
int ExpandEnvironmentText(const wchar_t* source, wchar_t* target, int size);

// The type name of a file of that name, existing or not: "<EXT> File" with
// the extension in upper case, or "File" without an extension.
CBasicString GetFileTypeName(const wchar_t* path);

int RegisterForRestart();
int CreateShutdownBlockReason(const void* window, const wchar_t* reason);
int DestroyShutdownBlockReason(const void* window);

// New objects (null when allocation fails), freed with delete.
CBasicSemaphore* CreateBasicSemaphore(int initialCount, int maximumCount, const wchar_t* name);
CBasicEvent* CreateBasicEvent(int initialState, int manualReset, const wchar_t* name);

// The file that delivers a file-system item's backup stream (its security
// and reparse data) to CFileItemInfo::WriteStreamData. There is no backup
// stream here: always null, and the item writes empty blocks.
CAbstractFile* CreateItemFile(const wchar_t* name, CAbstractLog* log, CAbstractSnapshot* mapper, CFileItemInfo* item,
                              CAbstractFile* stream);
