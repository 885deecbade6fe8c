#pragma once
// Matching texts of a fixed form in tests: in the pattern '#' stands for one
// upper-case hexadecimal digit, every other character for itself.

#include <string>

inline bool MatchesHexPattern(const std::string& text, const std::string& pattern) {
    if (text.size() != pattern.size()) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        bool hex = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
        if (pattern[i] == '#' ? !hex : c != pattern[i]) return false;
    }
    return true;
}
