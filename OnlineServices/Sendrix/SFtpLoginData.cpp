#include "OnlineServices/Sendrix/SFtpLoginData.h"

#include <cstdint>

#include "OnlineServices/Sendrix/TextConversion.h"

std::string MakeSFtpLoginData(const wchar_t* host, int port, const wchar_t* user, const wchar_t* password) {
    std::string data = ToNarrowText(host);
    data.push_back('\0');
    const uint32_t value = (uint32_t)port;
    for (int shift = 0; shift < 32; shift += 8) data.push_back((char)((value >> shift) & 0xFF));
    data.append(ToNarrowText(user)).push_back('\0');
    data.append(ToNarrowText(password)).push_back('\0');
    data.push_back('\0');
    data.push_back('\2');
    return data;
}
