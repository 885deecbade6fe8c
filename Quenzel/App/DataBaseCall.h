#pragma once
// The database calls of the windows: CallDataBase, IsStorageFailure and
// StorageFailureText (Quenzel/Model/StorageCall.h), and the message box
// that tells the user a write failed.
//
// A write that failed keeps the user's work in the window that holds it;
// the window tells the user with StorageFailureText, so that they can try
// again once the disk has room or the other program let go of the file.

#include "Quenzel/Model/StorageCall.h"
#include "compat/WinUser.h"

class QWidget;

// Shows StorageFailureText with the error icon over owner (null: the main
// window).
void ShowStorageFailure(QWidget* owner);
