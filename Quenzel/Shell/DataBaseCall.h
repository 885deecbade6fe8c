#pragma once
// A call of the database component whose storage failures come back as
// their code: the component throws DATABASE_RESULT when a write fails.

#include <functional>

// The call's result, or the code it threw (a thrown DATABASE_OK counts as
// DATABASE_FAILED: a throw is never a success).
int CallDataBase(const std::function<int()>& call);
