#include "utility/Rc4Cipher.h"

#include <utility>

CRc4Cipher::CRc4Cipher(const BYTE* key, size_t length) {
    for (int i = 0; i < 256; ++i) m_state[i] = (BYTE)i;
    BYTE j = 0;
    for (int i = 0; i < 256 && length > 0; ++i) {
        j = (BYTE)(j + m_state[i] + key[i % length]);
        std::swap(m_state[i], m_state[j]);
    }
}

CRc4Cipher::~CRc4Cipher() {
    // The state is as good as the key: leave nothing of it behind.
    volatile BYTE* state = m_state;
    for (int i = 0; i < 256; ++i) state[i] = 0;
}

void CRc4Cipher::Apply(BYTE* data, size_t length) {
    for (size_t k = 0; k < length; ++k) {
        m_i = (BYTE)(m_i + 1);
        m_j = (BYTE)(m_j + m_state[m_i]);
        std::swap(m_state[m_i], m_state[m_j]);
        data[k] ^= m_state[(BYTE)(m_state[m_i] + m_state[m_j])];
    }
}
