#pragma once
// QuizSession: the state and rules of a vocabulary quiz, without a window.
// It walks through the words that the criteria select, one at a time in the
// order the database gives them, and stores each answer at once as the
// word's status count (Known raises it by one up to 5, Unknown sets it to 0)
// with today's date as the date of the answer.
//
// - The history keeps every word read so far; Back steps through it without
//   reading the database, and answers given after a Back move forward
//   through the history again.
// - The quiz is finished once the last word has been answered: the next
//   answer stores nothing and reports ANSWER_FINISHED (the end message).
//   After a Back, the first answer on the last word is stored once more.
// - The known and unknown counters are a display only; together they never
//   exceed the number of words.
// - An answer the data file cannot take (full disk, another program
//   holding the file) changes nothing: the word, the counters and the
//   history stay as they were, and the same answer can be given again.
// - Which meaning shows follows the "Show:" choice: the previous word's
//   (after an answer, the word just answered), the current word's, or none.

#include <cstdint>
#include <vector>

#include "DataBase/AbstractDataBase.h"
#include "utility/BasicString.h"

// The "Show:" choice of the quiz.
enum QuizShowMode { QUIZ_SHOW_PREVIOUS = 0, QUIZ_SHOW_CURRENT = 1, QUIZ_SHOW_NONE = 2 };

// The colour of the shown meaning.
enum QuizMeaningColor { QUIZ_COLOR_NORMAL = 0, QUIZ_COLOR_KNOWN = 1, QUIZ_COLOR_UNKNOWN = 2 };

enum QuizAnswerResult {
    ANSWER_IGNORED = 0,   // no word, or the database refused the answer
    ANSWER_STORED = 1,    // the count and date were stored
    ANSWER_FINISHED = 2,  // the quiz is done: the end message, nothing stored
    ANSWER_NOT_SAVED = 3  // the data file could not be written: the quiz
                          // stays on the word, so the answer can be given again
};

// Today as "YYYY-MM-DD" in local time, or the day set for tests.
CBasicString TutorTodayText();
// Tests fix the day; an empty text goes back to the clock.
void TutorSetTodayForTests(const CBasicString& day);

class QuizSession {
public:
    // database: not owned; may be null (the quiz then has no words).
    explicit QuizSession(CAbstractDataBase* database);
    ~QuizSession();
    QuizSession(const QuizSession&) = delete;
    QuizSession& operator=(const QuizSession&) = delete;

    // Keeps a copy of the criteria; a pair whose second language is the
    // picture language is turned round so that it comes first.
    void SetQueryOptions(const CQueryOptions& options);
    const CQueryOptions& GetQueryOptions() const { return m_options; }
    bool IsPictureQuiz() const;

    // A new quiz: counters 0, the finished flag set, then Restart.
    void Start();
    // Releases the cursor, empties the history, runs the query and reads
    // the first word.
    void Restart();

    QuizAnswerResult Answer(bool known);
    // FALSE when there was nothing to step back to.
    bool Back();
    // Compares the typed lines with the shown word's meaning, ignoring
    // case (the whole line, untrimmed, each line cut at 510 characters). A
    // match is answered Known and gives true; result receives that answer.
    bool Verify(const std::vector<CBasicString>& lines, QuizAnswerResult* result = nullptr);

    void SetShowMode(QuizShowMode mode);
    QuizShowMode GetShowMode() const { return m_showMode; }
    // Show: the shown word's meaning on demand.
    void ShowCurrentMeaning();

    // The shown word; null when there is none.
    const WordRecord* GetShownWord() const;
    // The word whose meaning shows; null when none shows.
    const WordRecord* GetMeaningWord() const;
    // Text of the side in the criteria's first language, and of the other
    // side.
    CBasicString WordSideText(const WordRecord& word) const;
    CBasicString MeaningSideText(const WordRecord& word) const;
    // The word's first-language side is its meaning in the database.
    bool IsSwapped(const WordRecord& word) const;
    // The id and pronunciation side of a word's shown side (meaning false)
    // or meaning side.
    void PronunciationTarget(const WordRecord& word, bool meaning, int64_t& id, int& side) const;
    // The id whose picture the picture quiz shows for the word.
    int64_t PictureWordId(const WordRecord& word) const;

    QuizMeaningColor GetMeaningColor() const { return m_meaningColor; }
    int64_t GetKnownCount() const { return m_known; }
    int64_t GetUnknownCount() const { return m_unknown; }
    int64_t GetTotal() const { return m_total; }
    int64_t GetPosition() const { return m_position; }
    size_t GetHistorySize() const { return m_history.size(); }
    bool IsFinished() const { return m_finished; }
    bool CanGoBack() const { return m_position > 1; }

private:
    void ReleaseCursor();
    bool ReadNextWord();
    void ShowMeaningOf(int64_t historyIndex, bool colourByCount);
    void ApplyShowMode();

    CAbstractDataBase* m_database;
    CQueryOptions m_options;
    CAbstractRecordSet* m_cursor = nullptr;
    int64_t m_total = 0;
    std::vector<WordRecord> m_history;
    int64_t m_position = 0;  // 1-based index of the shown word, 0 for none
    int64_t m_known = 0;
    int64_t m_unknown = 0;
    bool m_finished = false;
    QuizShowMode m_showMode = QUIZ_SHOW_PREVIOUS;
    int64_t m_meaningIndex = -1;  // history index of the meaning shown
    QuizMeaningColor m_meaningColor = QUIZ_COLOR_NORMAL;
};
