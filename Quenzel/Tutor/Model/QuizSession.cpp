#include "Quenzel/Tutor/Model/QuizSession.h"

#include <algorithm>
#include <mutex>

#include "Quenzel/Model/StorageCall.h"
#include "utility/BasicDateTime.h"
#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = ".\\QuizDlg";
constexpr int kMaximumCount = 5;
constexpr int kAnswerLineLength = 510;

std::mutex g_todayMutex;
CBasicString g_todayForTests;

} // namespace

CBasicString TutorTodayText() {
    {
        std::lock_guard<std::mutex> lock(g_todayMutex);
        if (!g_todayForTests.IsEmpty()) return g_todayForTests;
    }
    const CBasicDateTime now = GetCurrentLocalTime();
    CBasicString text;
    text.Format(L"%04d-%02d-%02d", now.GetYear(), now.GetMonth(), now.GetDay());
    return text;
}

void TutorSetTodayForTests(const CBasicString& day) {
    std::lock_guard<std::mutex> lock(g_todayMutex);
    g_todayForTests = day;
}

QuizSession::QuizSession(CAbstractDataBase* database) : m_database(database) {}

QuizSession::~QuizSession() { ReleaseCursor(); }

void QuizSession::SetQueryOptions(const CQueryOptions& options) {
    m_options = options;
    if (m_options.SecondLanguage == kPictureLanguageId)
        std::swap(m_options.FirstLanguage, m_options.SecondLanguage);
}

bool QuizSession::IsPictureQuiz() const {
    return m_options.FirstLanguage == kPictureLanguageId || m_options.SecondLanguage == kPictureLanguageId;
}

void QuizSession::Start() {
    m_known = 0;
    m_unknown = 0;
    m_finished = true;
    Restart();
}

void QuizSession::ReleaseCursor() {
    if (m_cursor && m_database) m_database->ReleaseRecordSet(m_cursor);
    m_cursor = nullptr;
}

void QuizSession::Restart() {
    ReleaseCursor();
    m_history.clear();
    m_position = 0;
    m_total = 0;
    m_meaningIndex = -1;
    m_meaningColor = QUIZ_COLOR_NORMAL;
    if (!m_database) return;
    m_cursor = m_database->QueryWords(m_options);
    if (!m_cursor) {
        ReportAssertion(0, kSourceFile, 233);
        return;
    }
    m_total = m_cursor->GetCount();
    ReadNextWord();
    ApplyShowMode();
}

bool QuizSession::ReadNextWord() {
    if (!m_cursor || m_cursor->IsEOF()) return false;
    WordRecord word;
    if (m_database->ReadWord(m_cursor, word) != DATABASE_OK) {
        ReportAssertion(0, kSourceFile, 262);
        return false;
    }
    m_history.push_back(word);
    m_position = static_cast<int64_t>(m_history.size());
    return true;
}

const WordRecord* QuizSession::GetShownWord() const {
    if (m_position < 1 || m_position > static_cast<int64_t>(m_history.size())) return nullptr;
    return &m_history[static_cast<size_t>(m_position - 1)];
}

const WordRecord* QuizSession::GetMeaningWord() const {
    if (m_meaningIndex < 0 || m_meaningIndex >= static_cast<int64_t>(m_history.size())) return nullptr;
    return &m_history[static_cast<size_t>(m_meaningIndex)];
}

bool QuizSession::IsSwapped(const WordRecord& word) const { return word.languageId != m_options.FirstLanguage; }

CBasicString QuizSession::WordSideText(const WordRecord& word) const {
    return IsSwapped(word) ? word.meaningText : word.wordText;
}

CBasicString QuizSession::MeaningSideText(const WordRecord& word) const {
    return IsSwapped(word) ? word.wordText : word.meaningText;
}

void QuizSession::PronunciationTarget(const WordRecord& word, bool meaning, int64_t& id, int& side) const {
    // In a picture quiz only the second (text) side has sounds.
    const bool wordSide = IsPictureQuiz() ? IsSwapped(word) : (IsSwapped(word) == meaning);
    id = wordSide ? word.wordId : word.meaningId;
    side = wordSide ? kPronunciationWord : kPronunciationMeaning;
}

int64_t QuizSession::PictureWordId(const WordRecord& word) const {
    return word.languageId == kPictureLanguageId ? word.wordId : word.meaningId;
}

void QuizSession::ShowMeaningOf(int64_t historyIndex, bool colourByCount) {
    m_meaningIndex = historyIndex;
    const WordRecord* word = GetMeaningWord();
    if (!word || !colourByCount)
        m_meaningColor = QUIZ_COLOR_NORMAL;
    else
        m_meaningColor = word->statusCount > 0 ? QUIZ_COLOR_KNOWN : QUIZ_COLOR_UNKNOWN;
}

void QuizSession::ApplyShowMode() {
    switch (m_showMode) {
    case QUIZ_SHOW_PREVIOUS: ShowMeaningOf(m_position - 2, true); break;
    case QUIZ_SHOW_CURRENT: ShowMeaningOf(m_position - 1, false); break;
    default: ShowMeaningOf(-1, false); break;
    }
}

void QuizSession::SetShowMode(QuizShowMode mode) {
    m_showMode = mode;
    ApplyShowMode();
}

void QuizSession::ShowCurrentMeaning() { ShowMeaningOf(m_position - 1, false); }

QuizAnswerResult QuizSession::Answer(bool known) {
    const int64_t size = static_cast<int64_t>(m_history.size());
    if (!m_cursor || !m_database || size == 0 || m_position < 1 || m_position > size) {
        ReportAssertion(0, kSourceFile, 610);
        return ANSWER_IGNORED;
    }
    const int64_t answered = m_position - 1;
    const bool newest = m_position == size;
    const bool wasFinished = m_finished;
    if (newest && m_cursor->IsEOF()) {
        // The last word has been answered and nothing more can be read.
        if (m_showMode == QUIZ_SHOW_PREVIOUS) ShowMeaningOf(answered, true);
        if (m_finished) return ANSWER_FINISHED;
        m_finished = true;
    }

    WordRecord& word = m_history[static_cast<size_t>(answered)];
    const int count = known ? std::min(word.statusCount + 1, kMaximumCount) : 0;
    WordLinkRecord link;
    link.linkId = word.linkId;
    link.listId = word.listId;
    link.wordId = word.wordId;
    link.meaningId = word.meaningId;
    link.statusCount = count;
    // The quiz sets the date of the answer only; the date the word was
    // entered stays.
    link.statusDate = TutorTodayText();
    const int stored = CallDataBase([&] { return m_database->SaveWordLink(link, 0); });
    if (stored != DATABASE_OK) {
        ReportAssertion(0, kSourceFile, 652);
        m_finished = wasFinished;
        return IsStorageFailure(stored) ? ANSWER_NOT_SAVED : ANSWER_IGNORED;
    }
    word.statusCount = count;
    word.dateText = link.statusDate;

    if (m_known + m_unknown < m_total) ++(known ? m_known : m_unknown);
    if (m_showMode == QUIZ_SHOW_PREVIOUS) ShowMeaningOf(answered, true);

    if (newest) {
        if (m_cursor->MoveNext() == DATABASE_OK && !m_cursor->IsEOF()) ReadNextWord();
    } else {
        ++m_position;
    }
    if (m_showMode == QUIZ_SHOW_CURRENT)
        ShowMeaningOf(m_position - 1, false);
    else if (m_showMode == QUIZ_SHOW_NONE)
        ShowMeaningOf(-1, false);
    return ANSWER_STORED;
}

bool QuizSession::Back() {
    const int64_t size = static_cast<int64_t>(m_history.size());
    if (size == 0 || m_position < 1 || m_position > size) return false;
    m_finished = false;
    m_position = std::max<int64_t>(1, m_position - 1);
    ApplyShowMode();
    if (m_known > 0) --m_known;
    if (m_unknown > 0) --m_unknown;
    return true;
}

bool QuizSession::Verify(const std::vector<CBasicString>& lines, QuizAnswerResult* result) {
    if (result) *result = ANSWER_IGNORED;
    const WordRecord* word = GetShownWord();
    if (!word) return false;
    const CBasicString expected = MeaningSideText(*word);
    for (const CBasicString& line : lines) {
        const CBasicString typed = line.Left(kAnswerLineLength);
        if (typed.CompareNoCase(expected.GetString()) != 0) continue;
        const QuizAnswerResult answer = Answer(true);
        if (result) *result = answer;
        return true;
    }
    return false;
}
