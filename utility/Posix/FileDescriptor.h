#pragma once
// Whole transfers on a file descriptor: the system may move fewer bytes
// than asked or be interrupted by a signal; these go on until all is done.

#include <cstddef>

// Writes all size bytes -> true. false with errno set when a write fails
// (ENOSPC when the system took nothing). written (may be null) receives the
// count written, also on failure.
bool WriteFully(int fd, const void* data, size_t size, size_t* written);

// Reads until size bytes are in or the file ends -> true; got receives the
// count read (fewer than size only at the end of the file). false with
// errno set when a read fails.
bool ReadFully(int fd, void* buffer, size_t size, size_t* got);
