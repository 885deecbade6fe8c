#pragma once
// The observer of the log: it receives the user texts of log entries (the
// message itself, or the string-table text of an event) and offers
// string-table and text-conversion services. The progress dialog is the
// implementation; the log holds it without owning it.
//
// Returned texts belong to the implementing object and stay valid until the
// next call of the same operation on the same object.

#include "Pendrel/PendrelApi.h"
#include "compat/WinTypes.h"
#include "utility/AbstractLog.h"

class PENDREL_API CAbstractUILog {
public:
    virtual ~CAbstractUILog() {}

    // A user text of the log with the entry's time text ("01:05:09 PM"),
    // its level and its code (the string id of an event, else 0).
    virtual void AddLogMsg(const wchar_t* text, const wchar_t* time, LOG_ICON_TYPE level, UINT code) = 0;
    // The string-table text of id; "" when there is none.
    virtual const wchar_t* LoadStringW(UINT id) = 0;
    virtual const char* WideCharToMultiByte(UINT codePage, const wchar_t* text) = 0;
    virtual const wchar_t* MultiByteToWideChar(UINT codePage, const char* text) = 0;
    virtual const char* MultiByteToMultiByte(UINT fromCodePage, const char* text, UINT toCodePage) = 0;
    virtual const wchar_t* EncodeURL(const wchar_t* text) = 0;
};
