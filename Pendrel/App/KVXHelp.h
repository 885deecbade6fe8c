#pragma once
// The help of the two programs: an HTML file named after the program's
// title, installed beside the program ("Quenzel.html", "Ondrivel.html"),
// opened with the program the desktop has for it (KVXLauncher.h).
//
// - KVXFindHelpFile: the path of the help file in the folder of the given
//   program path when that file exists, else empty. A program path without
//   a folder reports the assertion (sourceFile, line) and gives empty.
// - KVXShowHelp: opens the help file. An empty or missing help file, or an
//   opener that does not start, shows the system's text for the failure in
//   a message box with the title as caption; FALSE then.

#include "Pendrel/PendrelApi.h"
#include "compat/WinTypes.h"
#include "utility/BasicString.h"

class QWidget;

PENDREL_API CBasicString KVXFindHelpFile(const wchar_t* programPath, const wchar_t* title, const char* sourceFile,
                                         int line);
PENDREL_API BOOL KVXShowHelp(QWidget* parent, const CBasicString& helpFile, const wchar_t* title);
