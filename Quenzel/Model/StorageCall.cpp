#include "Quenzel/Model/StorageCall.h"

#include "DataBase/DataBaseResult.h"

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
