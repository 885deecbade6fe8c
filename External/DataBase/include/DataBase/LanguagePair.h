#pragma once
// LanguagePair: the two languages a search or a meaning query works in, by
// id: words of the first, meanings in the second (0: none chosen).

// Eight bytes aligned as eight, so that a std::atomic of it is lock-free
// with every compiler (clang otherwise calls the atomic library).
struct alignas(8) LanguagePair {
    int first = 0;
    int second = 0;

    bool operator==(const LanguagePair&) const = default;
};
