#pragma once
// CEncryptedFileRaw: moves a whole file through a transfer callback in one
// call, for backups. The file system here keeps no encrypted form of its
// own, so the raw form of a file is its plain content: Read hands the bytes
// to CAbstractRawTransfer::ExportRawData in blocks of 64 KiB, Write takes
// them from ImportRawData until it supplies none.
//
// Open takes the file name and the raw-access flags in place of the access
// mask (0 opens for reading, CREATE_FOR_IMPORT creates the file for
// writing); the other open values are not used. The path opened is the
// snapshot mapper's copy where it has one. Errors are stored as the last
// error and reported as for any file (codes -1/-2, -3 and -4).

#include "utility/Posix/VSSFile.h"

class CAbstractRawTransfer;

class CEncryptedFileRaw : public CVSSFile {
public:
    CEncryptedFileRaw(const wchar_t* name, CAbstractLog* log, CAbstractSnapshot* mapper, CAbstractRawTransfer* transfer,
                      DWORD context);
    ~CEncryptedFileRaw() override;

    int IsOpen() override;
    int Open(const wchar_t* name, DWORD rawFlags, DWORD share, DWORD disposition, DWORD flagsAndAttributes) override;
    // The whole file through the callback; the arguments are not used.
    int Read(void* buffer, DWORD size, DWORD* done) override;
    int Write(const void* buffer, DWORD size, DWORD* done) override;
    // Always 1.
    int Close() override;

private:
    // Stores result as the last error and reports it when it is not 0.
    int Finish(DWORD result, int code, int line);

    CAbstractRawTransfer* m_transfer;
    DWORD m_context;
    // The open file of a raw transfer (its raw context), -1 when closed.
    int m_raw = -1;
    bool m_forImport = false;
};

// A new raw file object; null when memory is short.
CAbstractFile* CreateEncryptedFileRaw(const wchar_t* name, CAbstractLog* log, CAbstractSnapshot* mapper,
                                      CAbstractRawTransfer* transfer, DWORD context);
