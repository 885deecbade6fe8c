#pragma once
// The database calls of the windows: CallDataBase and IsStorageFailure
// (Quenzel/Model/StorageCall.h), and what the user is told when a write
// failed.
//
// A write that failed keeps the user's work in the window that holds it;
// the window tells the user with StorageFailureText, so that they can try
// again once the disk has room or the other program let go of the file.

#include "Quenzel/Model/StorageCall.h"
#include "compat/WinUser.h"
#include "utility/BasicString.h"

class QWidget;

// "The dictionary could not be saved: ..." (string 31990).
CBasicString StorageFailureText();
// Shows it with the error icon over owner (null: the main window).
void ShowStorageFailure(QWidget* owner);
