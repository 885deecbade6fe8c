#include "Pendrel/Controls/ToolTipInfo.h"

#include "Pendrel/Image/KVXGdiIcon.h"

CToolTipInfo::CToolTipInfo() = default;

CToolTipInfo::CToolTipInfo(HICON, const wchar_t* text) : text(text ? text : L"") {}

CToolTipInfo::CToolTipInfo(const CToolTipInfo& other) : area(other.area), icon(nullptr), text(other.text) {}

CToolTipInfo& CToolTipInfo::operator=(const CToolTipInfo& other) {
    if (this != &other) {
        area = other.area;
        text = other.text;
    }
    return *this;
}

CToolTipInfo::~CToolTipInfo() {
    delete icon;
    icon = nullptr;
}

void CWinToolTipCtrlBase::GetTipInfo(CToolTipInfo&) {}
