#pragma once
// The download benchmarks' same-output check: the bytes each side received
// are hashed and compared with the served file's before anything is timed.

#include <cstdio>
#include <string>
#include <vector>

#include "bench/CurlRun.h"
#include "bench/SameOutput.h"

// Reads the open file to its end through buffer, adding the bytes to hash
// when one is given; returns the count of bytes read.
template <class File> size_t ReadToEnd(File& file, std::vector<char>& buffer, COutputHash* hash) {
    size_t total = 0;
    DWORD done = 0;
    while (file.Read(buffer.data(), static_cast<DWORD>(buffer.size()), &done) == 0 && done > 0) {
        if (hash) hash->Add(buffer.data(), done);
        total += done;
    }
    return total;
}

// Runs curl once with arguments (the address last) writing into the file
// at path, and returns the hash of what it wrote (0 when curl failed); the
// file is removed afterwards.
inline uint64_t CurlDownloadHash(const std::string& curl, std::vector<std::string> arguments, const std::string& path) {
    arguments.insert(arguments.end() - 1, {"-o", path});
    const uint64_t hash = RunCurl(curl, arguments) ? HashFile(path) : 0;
    std::remove(path.c_str());
    return hash;
}
