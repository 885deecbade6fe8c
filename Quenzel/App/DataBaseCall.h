#pragma once
// A call of the database component whose storage failures come back as
// their code: the component throws DATABASE_RESULT when a write fails.
//
// A write that failed keeps the user's work in the window that holds it;
// the window tells the user with StorageFailureText, so that they can try
// again once the disk has room or the other program let go of the file.

#include <functional>

#include "compat/WinUser.h"
#include "utility/BasicString.h"

class QWidget;

// The call's result, or the code it threw (a thrown DATABASE_OK counts as
// DATABASE_FAILED: a throw is never a success).
int CallDataBase(const std::function<int()>& call);

// True for the results of a failed storage (the file could not be written
// or read, or another program held it too long), the ones worth trying
// again.
bool IsStorageFailure(int result);

// "The dictionary could not be saved: ..." (string 31990).
CBasicString StorageFailureText();
// Shows it with the error icon over owner (null: the main window).
void ShowStorageFailure(QWidget* owner);
