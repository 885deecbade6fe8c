#pragma once
// What libPendrel.so exports. Everything compiled into the library stays
// hidden (the build's default visibility) unless it is marked with
// PENDREL_API: the framework's classes and free functions that the programs
// use. The image library marks its own with KVXIMAGE_API.

#define PENDREL_API __attribute__((visibility("default")))
