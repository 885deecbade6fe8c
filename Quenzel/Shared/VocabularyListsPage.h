#pragma once
// CVocabularyListsPage: the page that shows the vocabulary lists (the tutor
// page), as the word lists of the other pages see it when they add words to
// a list or make a new one: its list control and its rows.

#include <cstdint>

class CVocabularyListCtrl;
struct VocabularyListRecord;

class CVocabularyListsPage {
public:
    virtual ~CVocabularyListsPage() = default;

    virtual CVocabularyListCtrl* GetListCtrl() const = 0;
    // update 0: the record (taken over) becomes a new last row; 1: the row
    // takes a copy of the record. 0 for a missing record or a bad row.
    virtual int SetListRow(VocabularyListRecord* list, int row, int update) = 0;
    // The first row of the list id: 1 found, 0 not (row -1).
    virtual int FindListRow(int64_t listId, int& row) = 0;
};
