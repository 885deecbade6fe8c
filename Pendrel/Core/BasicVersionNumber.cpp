#include "Pendrel/Core/BasicVersionNumber.h"

CBasicVersionNumber::CBasicVersionNumber() : m_parts{0, 0, 0, 0, 0} {}

CBasicVersionNumber::CBasicVersionNumber(WORD first, WORD second, WORD third, WORD fourth)
    : m_parts{first, second, third, fourth, 0} {}

bool CBasicVersionNumber::operator>(const CBasicVersionNumber& other) const {
    for (int i = 0; i < kParts; ++i)
        if (m_parts[i] != other.m_parts[i]) return m_parts[i] > other.m_parts[i];
    return false;
}

bool CBasicVersionNumber::operator==(const CBasicVersionNumber& other) const {
    for (int i = 0; i < kParts; ++i)
        if (m_parts[i] != other.m_parts[i]) return false;
    return true;
}
