#pragma once
// CBasicVersionNumber: a program version of five 16-bit parts, compared
// part by part from the first: the first part that differs decides, and
// equal versions are not greater.

#include "Pendrel/PendrelApi.h"
#include "compat/WinTypes.h"

class PENDREL_API CBasicVersionNumber {
public:
    // Every part 0.
    CBasicVersionNumber();
    // The first four parts; the fifth stays 0.
    CBasicVersionNumber(WORD first, WORD second, WORD third, WORD fourth);

    WORD GetPart(int index) const { return index >= 0 && index < kParts ? m_parts[index] : 0; }
    bool operator>(const CBasicVersionNumber& other) const;
    bool operator==(const CBasicVersionNumber& other) const;

    static constexpr int kParts = 5;

private:
    WORD m_parts[kParts];
};
