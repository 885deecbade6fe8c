#include "Quenzel/Model/QuenzelString.h"

#include "utility/StringTable.h"

CBasicString QuenzelString(UINT id) {
    const wchar_t* text = FindModuleString(GetCurrentModuleHandle(), id);
    return CBasicString(text ? text : L"");
}
