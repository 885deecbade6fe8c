#include "utility/BaseLetter.h"

#include "utility/AnsiCodePage.h"
#include "utility/BaseLetterTable.h"

wchar_t GetBaseLetter(wchar_t ch) {
    if (ch >= 0 && ch < 0x80) return ch;
    int byte = WideCharToAnsi(ch);
    if (byte < 0) return L'?';
    return byte < 0x80 ? (wchar_t)byte : kAnsiBaseLetters[byte - 0x80];
}
