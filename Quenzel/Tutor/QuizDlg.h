#pragma once
// CQuizDlg: the modeless window "Quiz View" (template 537) in which the user
// answers the words of the training criteria one at a time: Known, Unknown,
// a typed answer checked by Verify, Show for the meaning, and Back. The
// rules live in QuizSession; the window shows its state.
//
// The tutor page makes it once and opens it for each quiz:
//
//   m_quiz = new CQuizDlg(mainWindow);
//   m_quiz->SetQueryOptions(options);
//   m_quiz->Open();   // created (again), placed, shown; the main window hides
//
// Closing it hands its place to the main window and shows that again.

#include <memory>

#include "Pendrel/Dialogs/KVXResizableDlg.h"
#include "Quenzel/App/QuenzelServices.h"
#include "Quenzel/Tutor/LearnDlgHelpers.h"
#include "Quenzel/Tutor/Model/QuizSession.h"

class CPronunciationDlg;
class QComboBox;
class QLabel;
class QPlainTextEdit;

constexpr UINT IDD_QUIZ = 537;
constexpr UINT IDC_QUIZ_WORD = 11002;
constexpr UINT IDC_QUIZ_MEANING = 11003;
constexpr UINT IDC_QUIZ_PICTURE = 11356;
constexpr UINT IDC_QUIZ_WORD_STATUS = 11128;
constexpr UINT IDC_QUIZ_MEANING_STATUS = 11129;
constexpr UINT IDC_QUIZ_ANSWER_IMAGE = 11127;
constexpr UINT IDC_QUIZ_SHOW_MODE = 11172;
constexpr UINT IDC_QUIZ_SHOW_LABEL = 11020;
constexpr UINT IDC_QUIZ_BACK = 11137;
constexpr UINT IDC_QUIZ_KNOWN = 11000;
constexpr UINT IDC_QUIZ_UNKNOWN = 11001;
constexpr UINT IDC_QUIZ_VERIFY = 11005;
constexpr UINT IDC_QUIZ_SHOW = 11019;
constexpr UINT IDC_QUIZ_SOUND_WORD = 11378;
constexpr UINT IDC_QUIZ_SOUND_MEANING = 11379;
constexpr UINT IDC_QUIZ_LANGUAGES = 11078;
constexpr UINT IDC_QUIZ_TITLE = 3006;
constexpr UINT IDC_QUIZ_HELP = 11126;
constexpr UINT IDC_QUIZ_LINE = 11118;
constexpr UINT IDC_QUIZ_KNOWN_VALUE = 11122;
constexpr UINT IDC_QUIZ_UNKNOWN_VALUE = 11123;
constexpr UINT IDC_QUIZ_TOTAL_VALUE = 11124;
constexpr UINT IDC_QUIZ_ADVERTISEMENT = 3011;

class CQuizDlg : public CKVXResizableDlg {
    Q_OBJECT

public:
    // owner: the main window, hidden while the quiz shows (not owned).
    explicit CQuizDlg(const QuenzelServices& services, QWidget* owner = nullptr);
    ~CQuizDlg() override;

    void SetQueryOptions(const CQueryOptions& options);
    // Creates the window (again; the quiz starts anew), places it at the
    // saved "Quiz" placement and shows it; the owner hides. FALSE when the
    // window could not be made.
    BOOL Open();

    QuizSession& Session() { return *m_session; }
    // The pronunciation dialog the last sound button opened; null before.
    CPronunciationDlg* GetPronunciationDlg() const { return m_pronunciation.get(); }
    // The texts of the two boxes (for tests).
    CBasicString GetWordText() const;
    CBasicString GetMeaningText() const;
    void SetAnswerText(const CBasicString& text);

protected:
    BOOL OnInitDialog() override;
    void AddResizableControls() override;
    void SetChildWindowPosition() override;
    void OnGetMinMaxInfo(MINMAXINFO* info) override;
    void OnCommand(UINT id) override;
    void OnDestroy() override;
    void paintEvent(QPaintEvent* event) override;

private:
    void OnAnswer(bool known);
    void OnVerify();
    void OnShowModeChanged();
    void OnSound(bool meaning);
    void ShowEndMessageIfDone(QuizAnswerResult result);
    void SetUpPictureLayout();
    // Shows the session's state: word, meaning, images, counters, buttons.
    void UpdateView();
    void ShowPicture(const WordRecord* word);

    QuenzelServices m_services;
    QWidget* m_owner;
    std::unique_ptr<QuizSession> m_session;
    std::unique_ptr<CPronunciationDlg> m_pronunciation;
    QComboBox* m_showMode = nullptr;
    TutorFirstLayout m_firstLayout;
    QPointer<CAdvertiseDialog> m_advertisement;
};
