#pragma once
// Stand-ins for the codecs that are not built yet. Each stand-in fails with a
// text that names its format, after reading one byte of the stream (so that a
// caller that forgets to rewind between tries shows). The calls are recorded
// so that tests can follow the dispatch. Each codec's own source replaces its
// stand-in file; this folder goes when the last codec is in.

#include <cstddef>
#include <vector>

#include "compat/WinTypes.h"

class CKVXImageFile;

// Records a call of the stand-in for `type`, consumes a byte of a decoder's
// stream, writes the failure text into lastError and returns false.
bool KVXCodecStubDecode(DWORD type, const char* format, CKVXImageFile* stream, char* lastError, size_t size);
bool KVXCodecStubEncode(DWORD type, const char* format, char* lastError, size_t size);

// The image types whose stand-ins were called, oldest first.
std::vector<DWORD>& KVXCodecStubCalls();
