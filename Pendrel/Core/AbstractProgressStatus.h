#pragma once
// Progress reports and the cancel query of long-running work, on top of the
// log observer. A program hands one implementation (the progress dialog) to
// the application object, where it becomes the log's observer, and to the
// database component, which reports through it and stops its work once
// IsRunning turns FALSE.
//
// SetProgress and IsRunning are called on the thread that does the work,
// usually a worker, while the implementation lives on the user-interface
// thread: implementations must allow for that.

#include "Pendrel/PendrelApi.h"
#include "Pendrel/Core/AbstractUILog.h"
#include "Pendrel/Core/ProgressInfo.h"

class PENDREL_API CAbstractProgressStatus : public CAbstractUILog {
public:
    // Ignored for null.
    virtual void SetProgress(const ProgressInfo* info) = 0;
    virtual const wchar_t* GetDocumentsPath() = 0;
    // FALSE once the user cancelled the work.
    virtual BOOL IsRunning() = 0;
};
