#pragma once
// What a window does with the progress dialog when its job starts and ends
// (the worker messages of WorkerResult.h), shared by every window that
// shows the application's progress dialog for its jobs.

#include "Pendrel/App/WorkerResult.h"
#include "Pendrel/PendrelApi.h"
#include "compat/WinTypes.h"

class CProgressDlg;
class QWidget;

// WM_USER+201: the progress dialog is set running, gets the busy bar and
// is created over the owner. Gives 1.
PENDREL_API LRESULT KVXShowJobProgress(CProgressDlg* progress, QWidget* owner);

// WM_USER+202: the progress dialog is stopped and closed; then, when there
// is a result with flags other than 0 and a parent for the message, the
// result's text is shown over it with those flags. The result stays the
// message's. Gives 1.
PENDREL_API LRESULT KVXEndJobProgress(CProgressDlg* progress, QWidget* messageParent, const WorkerResult* result);
