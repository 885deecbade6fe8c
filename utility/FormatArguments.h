#pragma once
// Where the wide formatter (WideFormat.h) takes the arguments of a format
// from, in the order the format asks for them. The formatter reads a
// va_list through it; tests and fuzz targets hand in fixed arguments.

#include <cstdint>

class CFormatArguments {
public:
    virtual ~CFormatArguments() {}

    // int, unsigned, LONG, DWORD, wchar_t and promoted short or char values,
    // and '*' widths and precisions.
    virtual int32_t NextInt32() = 0;
    // 64-bit integers and size_t.
    virtual int64_t NextInt64() = 0;
    virtual double NextDouble() = 0;
    virtual const wchar_t* NextWideText() = 0;
    virtual const char* NextNarrowText() = 0;
    // %p, and the pointer of %n, which is taken but never written.
    virtual const void* NextPointer() = 0;
};
