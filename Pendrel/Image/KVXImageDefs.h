#pragma once
// Settings shared by every part of the image library.

// The image library's classes and functions are exported from the shared
// library that contains it; everything else stays hidden.
#define KVXIMAGE_API __attribute__((visibility("default")))

// Largest picture that Create accepts: the image block (header, palette and
// pixel rows) and each one-byte-per-pixel plane must fit in this many bytes.
#define KVXIMAGE_MAX_MEMORY 256000000
