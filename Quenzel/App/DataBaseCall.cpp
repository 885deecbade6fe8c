#include "Quenzel/App/DataBaseCall.h"

#include "Quenzel/App/QuenzelApp.h"

void ShowStorageFailure(QWidget* owner) {
    QuenzelMessageBox(owner, StorageFailureText().GetString(), MB_OK | MB_ICONERROR);
}
