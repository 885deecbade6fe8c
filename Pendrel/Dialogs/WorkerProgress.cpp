#include "Pendrel/Dialogs/WorkerProgress.h"

#include "Pendrel/Dialogs/ProgressDlg.h"
#include "Pendrel/Platform/KVXMessageBox.h"

LRESULT KVXShowJobProgress(CProgressDlg* progress, QWidget* owner) {
    if (progress) {
        progress->SetRunning(TRUE);
        progress->SetDlgMode(PROGRESS_MODE_BUSY);
        progress->Create(owner);
    }
    return 1;
}

LRESULT KVXEndJobProgress(CProgressDlg* progress, QWidget* messageParent, const WorkerResult* result) {
    if (progress) {
        progress->SetRunning(FALSE);
        progress->DestroyWindow();
    }
    if (result && result->flags != 0 && messageParent)
        KVXMessageBox(messageParent, result->text.GetString(), nullptr, result->flags);
    return 1;
}
