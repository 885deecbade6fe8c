#pragma once
// Before a benchmark times anything, both sides must produce the same
// output: each side's result is hashed once and the run stops when the
// hashes differ, so that a ratio never compares different work.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// FNV-1a, 64 bits: enough to tell two outputs apart.
class COutputHash {
public:
    void Add(const void* data, size_t size) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        for (size_t i = 0; i < size; ++i) m_value = (m_value ^ bytes[i]) * 0x100000001b3ull;
    }
    template <class Text>
    void AddText(const Text& text) {
        Add(text.data(), text.size() * sizeof(text[0]));
        const char end = 0;
        Add(&end, 1);
    }
    uint64_t Value() const { return m_value; }

private:
    uint64_t m_value = 0xcbf29ce484222325ull;
};

inline uint64_t HashFile(const std::string& path) {
    COutputHash hash;
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        char block[1 << 16];
        for (size_t got; (got = std::fread(block, 1, sizeof(block), file)) > 0;) hash.Add(block, got);
        std::fclose(file);
    }
    return hash.Value();
}

// Stops the benchmark when the two sides' outputs differ.
inline void RequireSameOutput(const char* what, uint64_t ours, uint64_t reference) {
    if (ours == reference) {
        std::printf("same output: %s (%016llx)\n", what, static_cast<unsigned long long>(ours));
        return;
    }
    std::fprintf(stderr, "different output: %s (ours %016llx, reference %016llx)\n", what,
                 static_cast<unsigned long long>(ours), static_cast<unsigned long long>(reference));
    std::exit(1);
}
