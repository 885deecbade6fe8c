#include "Quenzel/Model/StorageCall.h"

#include "DataBase/DataBaseResult.h"
#include "Quenzel/Model/QuenzelString.h"
#include "utility/StringTableRegistration.h"

namespace {

constexpr UINT IDS_STORAGE_FAILED = 31990;

const StringTableEntry kStrings[] = {
    {IDS_STORAGE_FAILED, L"The dictionary could not be saved: the disk is full or another program is using it. "
                         L"Your changes are kept; please try again."},
};
const CStringTableRegistration kStringsRegistration(kStrings);

} // namespace

int CallDataBase(const std::function<int()>& call) {
    try {
        return call();
    } catch (DATABASE_RESULT code) {
        return code == DATABASE_OK ? DATABASE_FAILED : code;
    }
}

bool IsStorageFailure(int result) {
    return result == DATABASE_STORAGE_FAILED || result == DATABASE_FAILED || result == DATABASE_NOT_A_DATABASE ||
           result == DATABASE_NOT_OPEN;
}

CBasicString StorageFailureText() { return QuenzelString(IDS_STORAGE_FAILED); }
