#pragma once
// CAbstractRawTransfer: receives the bytes of a raw file transfer on
// reading and supplies them on writing (CEncryptedFileRaw). Each operation
// gives 0 to go on or a system error code to stop the transfer.

#include "compat/WinTypes.h"

class CAbstractRawTransfer {
public:
    virtual ~CAbstractRawTransfer() {}
    virtual DWORD ExportRawData(const BYTE* data, ULONG length, DWORD context) = 0;
    // *length: the room on entry, the bytes supplied on return (0 at the end).
    virtual DWORD ImportRawData(BYTE* data, ULONG* length, DWORD context) = 0;
};
