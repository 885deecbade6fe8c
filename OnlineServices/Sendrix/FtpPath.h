#pragma once
// Remote paths of the FTP and SFTP clients.

#include <functional>

#include "utility/BasicString.h"

// Every '\' becomes '/', then every "//" becomes '/'; empty for null.
CBasicString NormaliseFtpPath(const wchar_t* path);

// The path without its trailing '/' characters, unless it is "/" alone.
CBasicString TrimTrailingSlashes(const CBasicString& path);

// Creates every missing level of a folder through the two steps a client
// has: make (one level; true when it was created) and exists (true when the
// folder is there). The whole path is tried first; only when it cannot be
// made and is not there are its levels made from the top. 2 the last level
// was created, 1 it existed already, 0 failure.
int CreateFolderLevels(const CBasicString& folder, const std::function<bool(const CBasicString&)>& make,
                       const std::function<bool(const CBasicString&)>& exists);
