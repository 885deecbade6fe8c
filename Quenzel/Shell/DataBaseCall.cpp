#include "Quenzel/Shell/DataBaseCall.h"

#include "DataBase/DataBaseResult.h"

int CallDataBase(const std::function<int()>& call) {
    try {
        return call();
    } catch (DATABASE_RESULT code) {
        return code == DATABASE_OK ? DATABASE_FAILED : code;
    }
}
