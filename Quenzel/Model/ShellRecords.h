#pragma once
// The row record of the word lists and its sort and search helpers. The
// records exchanged with the database component (languages, vocabulary
// lists, word links, words, statistics, pictures, plug-ins) are in
// DataBase/DataBaseRecords.h.

#include <vector>

#include "Pendrel/Core/GridListCtrl_Data.h"
#include "compat/WinTypes.h"
#include "utility/BasicString.h"

// GridRow flags.
enum : int {
    GRIDROW_KNOWN = 0x2,          // marked known
    GRIDROW_UNKNOWN = 0x4,        // marked unknown
    GRIDROW_MEANING_HIDDEN = 0x8,
    GRIDROW_SWAPPED = 0x10,       // the word belongs to the second language
    GRIDROW_RIGHT_TO_LEFT = 0x20, // language rows
    GRIDROW_HEADING = 0x40
};

struct GridRow {
    CGridListCtrl_Data word;     // word id, current text, loaded text
    CGridListCtrl_Data meaning;  // meaning id, current text, loaded text
    CGridListCtrl_Data third;    // a further id and text
    int flags = 0;
    LONGLONG linkId = 0;
    int statusCount = 0;
    int imageIndex = -1;
    int statusChanged = 0;
    CBasicString dateText;
    CBasicString secondText;
    std::vector<BYTE> bytes;
    int typeId = 1;
    CGridListCtrl_Data fourth;

    void SetStatusA() { flags = (flags | GRIDROW_KNOWN) & ~GRIDROW_UNKNOWN; }
    void SetStatusB() { flags = (flags | GRIDROW_UNKNOWN) & ~GRIDROW_KNOWN; }
    bool IsStatusA() const { return (flags & GRIDROW_KNOWN) != 0; }
    bool IsStatusB() const { return (flags & GRIDROW_UNKNOWN) != 0; }
    bool IsMeaningHidden() const { return (flags & GRIDROW_MEANING_HIDDEN) != 0; }
    void SetMeaningHidden(bool hidden) {
        flags = hidden ? (flags | GRIDROW_MEANING_HIDDEN) : (flags & ~GRIDROW_MEANING_HIDDEN);
    }
    void SetSwapped() { flags |= GRIDROW_SWAPPED; }
};

// Orders rows by their word texts (byWord) or meaning texts, ignoring case;
// for std::stable_sort.
class GridRowLess {
public:
    GridRowLess(bool byWord, bool ascending) : m_byWord(byWord), m_ascending(ascending) {}
    bool operator()(const GridRow& a, const GridRow& b) const;
    bool operator()(const GridRow* a, const GridRow* b) const { return (*this)(*a, *b); }

private:
    bool m_byWord;
    bool m_ascending;
};

// A row matches when its text and the given text agree, ignoring case, over
// the shorter of the two lengths (either may be a prefix of the other).
class GridRowPrefix {
public:
    GridRowPrefix(bool byWord, const wchar_t* text) : m_byWord(byWord), m_text(text ? text : L"") {}
    bool operator()(const GridRow& row) const;
    bool operator()(const GridRow* row) const { return (*this)(*row); }

private:
    bool m_byWord;
    CBasicString m_text;
};
