#pragma once
// CAbstractSnapshot: maps the path of a file to the path of the same file
// inside a snapshot of its volume. Supplied by the caller of the file
// factory; the system itself has none.

class CAbstractSnapshot {
public:
    virtual ~CAbstractSnapshot() {}
    // The path inside the snapshot, or an empty text (or null) when the
    // snapshot does not hold the file.
    virtual const wchar_t* MapPath(const wchar_t* path) = 0;
};
