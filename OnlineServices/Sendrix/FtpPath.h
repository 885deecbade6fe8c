#pragma once
// Remote paths of the FTP and SFTP clients.

#include "utility/BasicString.h"

// Every '\' becomes '/', then every "//" becomes '/'; empty for null.
CBasicString NormaliseFtpPath(const wchar_t* path);

// The path without its trailing '/' characters, unless it is "/" alone.
CBasicString TrimTrailingSlashes(const CBasicString& path);
