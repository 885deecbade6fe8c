#pragma once
// Folder texts as the framework's files name them.

#include "utility/BasicString.h"

// The folder without trailing white space and separators ('/' or '\'), in
// any mix; null gives "".
CBasicString TrimFolderText(const wchar_t* folder);

// The folder and the name, joined by one '/'.
CBasicString JoinFolderText(const wchar_t* folder, const wchar_t* name);
