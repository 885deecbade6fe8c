#pragma once
// CAbstractArchive: a line reader and writer over a file (CArchive).

class CAbstractArchive {
public:
    virtual ~CAbstractArchive() {}

    // One line of at most |max| characters into buffer (which holds |max| + 1
    // bytes); null at the end of the stream when nothing was read.
    virtual char* ReadString(char* buffer, int max) = 0;
    // The text in the narrow code page, without a line end.
    virtual void WriteString(const wchar_t* text) = 0;
};
