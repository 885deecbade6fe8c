#include "Pendrel/Core/AdvertisementRotation.h"

#include <string>

#include "utility/TextCodec.h"

namespace {

bool IsKeptAsItIs(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~' || c == ',';
}

} // namespace

CAdvertisementRotation::CAdvertisementRotation(const CBasicString& baseAddress) : m_base(baseAddress) {}

UINT CAdvertisementRotation::SetItems(const std::vector<CBasicString>& items) {
    m_items = items;
    m_index = 0;
    return kFirstDelay;
}

std::vector<CBasicString> CAdvertisementRotation::NextItems() {
    if (m_index >= m_items.size()) m_index = 0;
    std::vector<CBasicString> shown;
    if (!m_items.empty()) shown.push_back(m_items[m_index]);
    ++m_index;
    return shown;
}

CBasicString CAdvertisementRotation::BuildAddress(const CBasicString& base, const std::vector<CBasicString>& items) {
    CBasicString address = base;
    for (const CBasicString& item : items) {
        address += EncodeItem(item);
        address += L',';
    }
    address.TrimRightChar(L',');
    return address;
}

CBasicString CAdvertisementRotation::EncodeItem(const CBasicString& item) {
    static const char kHex[] = "0123456789ABCDEF";
    const std::string bytes = WideToUtf8(item.GetString(), static_cast<size_t>(item.GetLength()));
    CBasicString encoded;
    for (unsigned char c : bytes) {
        if (IsKeptAsItIs(c)) {
            encoded += static_cast<wchar_t>(c);
        } else {
            encoded += L'%';
            encoded += static_cast<wchar_t>(kHex[c >> 4]);
            encoded += static_cast<wchar_t>(kHex[c & 0x0F]);
        }
    }
    return encoded;
}
