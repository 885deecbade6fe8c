#pragma once
// The system functions of the utility library in one include: the system
// and the user, modules and their versions, drives and volumes, folders and
// temporary names, the shell and processes.

#include "utility/Posix/Folders.h"
#include "utility/Posix/Modules.h"
#include "utility/Posix/Shell.h"
#include "utility/Posix/SystemInfo.h"
#include "utility/Posix/Volumes.h"
