#pragma once
// The data of the SFTP agent's login request: host, zero byte, port
// (signed 32-bit little-endian), user name, zero byte, password, zero byte,
// then the bytes 0 and 2. Texts go in the library's narrow code page.

#include <string>

std::string MakeSFtpLoginData(const wchar_t* host, int port, const wchar_t* user, const wchar_t* password);
