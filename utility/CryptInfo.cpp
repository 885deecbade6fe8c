#include "utility/CryptInfo.h"

#include <algorithm>

#include "utility/ErrorReport.h"

namespace {
const char kSourceFile[] = ".\\CryptInfo";
} // namespace

CCryptInfo::CCryptInfo() = default;

CCryptInfo::~CCryptInfo() {
    // The password should not linger in freed memory.
    std::fill(m_password.begin(), m_password.end(), 0);
}

const BYTE* CCryptInfo::GetPassword(unsigned short& length) const {
    length = (unsigned short)m_password.size();
    return m_password.empty() ? nullptr : m_password.data();
}

int CCryptInfo::SetPassword(const BYTE* password, unsigned short length) {
    std::fill(m_password.begin(), m_password.end(), 0);
    m_password.clear();
    if (password && length) m_password.assign(password, password + length);
    return 1;
}

BYTE* CCryptInfo::GetHeader(unsigned short& length) {
    length = m_headerLength;
    return m_type == 2 ? nullptr : m_header.data();
}

void CCryptInfo::SetHeader(const BYTE* header, unsigned short length) {
    ReportAssertion(length <= kHeaderSize && (header || length == 0), kSourceFile, __LINE__);
    if (!header) length = 0;
    length = std::min(length, kHeaderSize);
    m_header.fill(0);
    std::copy(header, header + length, m_header.begin());
    m_headerLength = length;
}

BYTE* CCryptInfo::GetExtra(unsigned short& length) {
    length = m_extraLength;
    return m_type == 3 && m_extra ? m_extra->data() : nullptr;
}

void CCryptInfo::SetExtra(const BYTE* extra, unsigned short length) {
    ReportAssertion(length <= kExtraSize && (extra || length == 0), kSourceFile, __LINE__);
    if (!m_extra) m_extra = std::make_unique<std::array<BYTE, kExtraSize>>();
    m_extra->fill(0);
    if (!extra || length == 0) return;
    length = std::min(length, kExtraSize);
    std::copy(extra, extra + length, m_extra->begin());
    m_extraLength = length;
}
