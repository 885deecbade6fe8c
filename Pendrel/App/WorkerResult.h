#pragma once
// The worker messages between a job (WorkerThread.h) and its window:
//
// - WM_USER+201 (1225), sent by the job before its work, wParam and lParam
//   0: the window shows the application's progress dialog; result 1.
// - WM_USER+202 (1226), at the job's end: posted with a WorkerResult, which
//   the message owns and frees after the handler (KVXWindowMessages.h), or
//   sent with lParam 0. The window closes the progress dialog, shows the
//   result's text when its flags are not 0, and gives 1.

#include "compat/WinUser.h"
#include "utility/BasicString.h"

constexpr UINT WM_KVX_WORKER_STARTED = WM_USER + 201;
constexpr UINT WM_KVX_WORKER_FINISHED = WM_USER + 202;

// What a job hands to its window with WM_USER+202.
struct WorkerResult {
    // The message-box flags: 0 nothing to show, MB_ICONINFORMATION for
    // success, MB_ICONERROR for failure.
    UINT flags = 0;
    CBasicString text;
};
