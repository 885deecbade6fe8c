#pragma once
// A call of the database component whose storage failures come back as
// their code: the component throws DATABASE_RESULT when a write fails. The
// window-free models make their writes through it; the windows show the
// failure's text (Quenzel/App/DataBaseCall.h).

#include <functional>

#include "utility/BasicString.h"

// The call's result, or the code it threw (a thrown DATABASE_OK counts as
// DATABASE_FAILED: a throw is never a success).
int CallDataBase(const std::function<int()>& call);

// True for the results of a failed storage (the file could not be written
// or read, or another program held it too long), the ones worth trying
// again.
bool IsStorageFailure(int result);

// "The dictionary could not be saved: ..." (string 31990).
CBasicString StorageFailureText();
