#pragma once
// CBase64Coding: Base64 with the standard alphabet and '=' padding. The
// encoder can break its text into lines for mail bodies: CR LF after every
// 72 characters, only ever after a complete group of four (a text that ends
// on a line boundary ends with CR LF; a padded last group gets none). The
// decoder skips every character outside the alphabet ('=', CR, LF, blanks,
// anything else). No state; the caller supplies the output buffers and
// sizes them with the two length helpers.

class CBase64Coding {
public:
    CBase64Coding() = default;
    virtual ~CBase64Coding() = default;

    // Writes the text of length bytes into out, followed by a 0 -> 1. out
    // must hold GetEncodedSize(length, noLineBreaks) characters. Null out
    // (or null data with a length) is an assertion report and gives 0.
    virtual int Encode(const char* data, int length, char* out, int noLineBreaks);

    // Decodes length characters of text into out and stores the number of
    // bytes in *outLength -> 1. out must hold GetMaxDecodedSize(length)
    // bytes. A null text, out or outLength is an assertion report and 0.
    virtual int Decode(const char* text, unsigned length, char* out, int* outLength);

    // Characters Encode writes for length bytes, its final 0 included.
    static long long GetEncodedSize(long long length, int noLineBreaks);
    // The most bytes that length characters of text can decode to.
    static unsigned GetMaxDecodedSize(unsigned length);
};
