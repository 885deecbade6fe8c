#pragma once
// The int exceptions that the socket file and the line reader throw inside
// the library; their callers (the FTP client) catch them.

constexpr int kArchiveWriteRefused = -20;  // the line reader refused a write
constexpr int kSocketReadFailed = -21;     // the socket file could not read
constexpr int kSocketWriteFailed = -22;    // the socket file could not write
constexpr int kArchiveEndOfFile = -23;     // the line reader met the end of the stream
