#pragma once
// What the tooltip keeps for a registered control: the screen rectangle a
// tip provider gives, an icon (owned) and the tip text in the tag
// language ("[H]Import[D]Imports a vocabulary list from file.").

#include "Pendrel/PendrelApi.h"
#include "compat/WinUser.h"
#include "utility/BasicString.h"

class PENDREL_API CToolTipInfo {
public:
    CToolTipInfo();
    // The icon argument is not kept: the record's icon stays null.
    CToolTipInfo(HICON icon, const wchar_t* text);
    // A copy takes the area and text; the icon stays with the original, the
    // one record that frees it.
    CToolTipInfo(const CToolTipInfo& other);
    CToolTipInfo& operator=(const CToolTipInfo& other);
    // Frees a non-null icon.
    ~CToolTipInfo();

    RECT area{0, 0, 0, 0};
    HICON icon = nullptr;
    CBasicString text;
};

// A tip provider: fills the text and area of a tip for a control that was
// registered with an empty text. The base gives nothing.
class PENDREL_API CWinToolTipCtrlBase {
public:
    virtual ~CWinToolTipCtrlBase() = default;
    virtual void GetTipInfo(CToolTipInfo& info);
};
