#pragma once
// LanguagePair: the two languages a search or a meaning query works in, by
// id: words of the first, meanings in the second (0: none chosen).

struct LanguagePair {
    int first = 0;
    int second = 0;

    bool operator==(const LanguagePair&) const = default;
};
