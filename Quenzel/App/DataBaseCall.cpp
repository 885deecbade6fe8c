#include "Quenzel/App/DataBaseCall.h"

#include "Quenzel/App/QuenzelApp.h"
#include "utility/StringTableRegistration.h"

namespace {

constexpr UINT IDS_STORAGE_FAILED = 31990;

const StringTableEntry kStrings[] = {
    {IDS_STORAGE_FAILED, L"The dictionary could not be saved: the disk is full or another program is using it. "
                         L"Your changes are kept; please try again."},
};
const CStringTableRegistration kStringsRegistration(kStrings);

} // namespace

CBasicString StorageFailureText() { return QuenzelString(IDS_STORAGE_FAILED); }

void ShowStorageFailure(QWidget* owner) {
    QuenzelMessageBox(owner, StorageFailureText().GetString(), MB_OK | MB_ICONERROR);
}
