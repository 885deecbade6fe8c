#pragma once
// CDictionaryDlgModel: the dictionary page's work with the database, apart
// from its window.
//
// - A search (QueryWord) only reads: the rows of the words that begin with
//   the text, one per meaning. It runs on the page's worker; the page shows
//   the rows on its own thread.
// - Next and Previous (Step) walk a cursor of the dictionary's words from
//   the current word, the word of the row shown last. A step in the other
//   direction, or past the end of the cursor, starts a new cursor from the
//   current word; past the last (or first) word it starts again at the
//   other end. With no current word (at the start, after a change of the
//   language pair) Next gives the first word and Previous the last.
// - The history: the last ten searches kept by the database, and a new
//   search's record with its UTC time as the key.

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "utility/BasicDateTime.h"
#include "utility/BasicString.h"

class CAbstractDataBase;
class CAbstractRecordSet;

class CDictionaryDlgModel {
public:
    enum Direction { DIRECTION_NONE = 0, DIRECTION_NEXT = 1, DIRECTION_PREVIOUS = 2 };
    static constexpr int kHistoryTexts = 10;

    // A row of the result list: a word and one of its meanings.
    struct Row {
        int64_t wordId = 0;
        CBasicString word;
        int64_t meaningId = 0;
        CBasicString meaning;
    };

    struct SearchResult {
        int ok = 0;              // 0: no database, no text or no set
        std::vector<Row> rows;
        int64_t firstId = 0;     // the word id of the first row
    };

    explicit CDictionaryDlgModel(CAbstractDataBase* dataBase = nullptr);
    ~CDictionaryDlgModel();
    CDictionaryDlgModel(const CDictionaryDlgModel&) = delete;
    CDictionaryDlgModel& operator=(const CDictionaryDlgModel&) = delete;

    void SetDataBase(CAbstractDataBase* dataBase);
    CAbstractDataBase* GetDataBase() const { return m_dataBase; }

    // The rows of the words that begin with text under the language pair;
    // reading stops early when running drops to 0. Safe on any thread.
    SearchResult QueryWord(const CBasicString& text, int first, int second, const std::atomic<int>& running) const;

    // The rows of a search arrived: the last row's word becomes the current
    // word and the step direction is reset.
    void OnRowsShown(const std::vector<Row>& rows);

    // One step in the direction; 1 with the row, 0 when the dictionary has
    // no word to show.
    int Step(Direction direction, int first, int second, Row& row);
    // The language pair changed: the cursor goes, the walk starts again.
    void ResetSteps();
    Direction GetDirection() const { return m_direction; }
    const CBasicString& GetCurrentWord() const { return m_currentWord; }

    // The last kHistoryTexts searches, newest first, to add(text, n) with n
    // counting from 0; rows with an empty key or text are skipped. 0
    // without a database or without a set.
    int LoadHistory(const std::function<void(const CBasicString&, int64_t)>& add) const;
    // Writes a history record of text searched at utc; 0 when the database
    // refused it.
    int WriteHistory(const CBasicString& text, const CBasicDateTime& utc) const;
    // "YYYYMMDD_hhmmss".
    static CBasicString HistoryKey(const CBasicDateTime& utc);

private:
    // Reads the current row of a word set; false when an id does not read.
    static bool ReadRow(CAbstractRecordSet* set, Row& row);
    void ReleaseCursor();

    CAbstractDataBase* m_dataBase;
    CAbstractRecordSet* m_cursor = nullptr;
    Direction m_direction = DIRECTION_NONE;
    CBasicString m_currentWord;
};
