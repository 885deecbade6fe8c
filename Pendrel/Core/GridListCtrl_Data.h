#pragma once
// The cell record of the grid list and of the main program's row records: a
// number the owner attaches to the cell, the text the grid shows, and a
// second text kept with the cell (the main program keeps the text as it was
// loaded there). Part of libPendrel.so's interface; its fields keep this
// order.

#include "Pendrel/PendrelApi.h"
#include "compat/WinTypes.h"
#include "utility/BasicString.h"

class PENDREL_API CGridListCtrl_Data {
public:
    CGridListCtrl_Data();
    CGridListCtrl_Data(const CGridListCtrl_Data& other);
    CGridListCtrl_Data& operator=(const CGridListCtrl_Data& other);
    ~CGridListCtrl_Data();

    ULONGLONG m_value;           // 0 in a new record
    CBasicString m_text;         // the shown text
    CBasicString m_secondText;   // kept with the cell, not shown by the grid
};
