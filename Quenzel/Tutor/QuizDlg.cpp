#include "Quenzel/Tutor/QuizDlg.h"

#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QPaintEvent>
#include <QPixmap>
#include <QPlainTextEdit>

#include <algorithm>
#include <iterator>
#include <utility>

#include "Pendrel/Controls/TransparentStaticImageCtrl.h"
#include "Pendrel/Platform/KVXDialogTemplate.h"
#include "Pendrel/Platform/KVXText.h"
#include "Quenzel/App/DataBaseCall.h"
#include "Quenzel/App/Options.h"
#include "Quenzel/App/QuenzelApp.h"
#include "Quenzel/Shared/HeaderBand.h"
#include "Quenzel/Shared/PronunciationDlg.h"
#include "Quenzel/Tutor/ChildPlacement.h"
#include "Quenzel/Tutor/LearnDlgHelpers.h"
#include "utility/StringTableRegistration.h"

namespace {

constexpr int kMinimumWidth = 800;
constexpr int kMinimumHeight = 600;
constexpr int kPictureSize = 96;
constexpr UINT kFinished = 30115;
constexpr UINT IDC_KNOWN_LABEL = 11119;
constexpr UINT IDC_UNKNOWN_LABEL = 11120;
constexpr UINT IDC_TOTAL_LABEL = 11121;

constexpr DWORD kShown = WS_CHILD | WS_VISIBLE;
constexpr DWORD kButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP;

const KVXDialogControl kControls[] = {
    {IDC_QUIZ_TITLE, WC_STATIC, L"", 10, 8, 380, 12, kShown | SS_NOPREFIX},
    {IDC_QUIZ_HELP, WC_STATIC, L"", 10, 22, 380, 18, kShown | SS_NOPREFIX},
    {IDC_QUIZ_LINE, WC_STATIC, L"", 0, 44, 533, 1, kShown | SS_ETCHEDHORZ},
    {IDC_QUIZ_LANGUAGES, WC_STATIC, L"", 226, 48, 300, 10, kShown | SS_RIGHT | SS_NOPREFIX},
    {IDC_QUIZ_ADVERTISEMENT, WC_STATIC, L"", 7, 57, 519, 40, WS_CHILD},
    {IDC_QUIZ_WORD_STATUS, WC_STATIC, L"", 7, 99, 16, 16, kShown},
    {IDC_QUIZ_SOUND_WORD, WC_BUTTON, L"Listen", 27, 100, 50, 14, kButton},
    {IDC_QUIZ_PICTURE, WC_STATIC, L"", 7, 117, 64, 59, WS_CHILD | SS_BITMAP},
    {IDC_QUIZ_WORD, WC_EDIT, L"", 7, 117, 519, 69, kShown | ES_MULTILINE | ES_READONLY | WS_VSCROLL},
    {IDC_QUIZ_SHOW_LABEL, WC_STATIC, L"Show:", 7, 194, 24, 10, kShown},
    {IDC_QUIZ_SHOW_MODE, WC_COMBOBOX, L"", 32, 191, 70, 14, kButton | CBS_DROPDOWNLIST},
    {IDC_QUIZ_MEANING_STATUS, WC_STATIC, L"", 108, 190, 16, 16, kShown},
    {IDC_QUIZ_SOUND_MEANING, WC_BUTTON, L"Listen", 128, 191, 50, 14, kButton},
    {IDC_QUIZ_ANSWER_IMAGE, WC_STATIC, L"", 184, 190, 16, 16, kShown | SS_CENTER},
    {IDC_QUIZ_MEANING, WC_EDIT, L"", 7, 210, 519, 116, kShown | ES_MULTILINE | WS_VSCROLL | WS_TABSTOP},
    {IDC_KNOWN_LABEL, WC_STATIC, L"Known:", 7, 334, 30, 10, kShown},
    {IDC_QUIZ_KNOWN_VALUE, WC_STATIC, L"0", 38, 334, 40, 10, kShown},
    {IDC_UNKNOWN_LABEL, WC_STATIC, L"Unknown:", 82, 334, 40, 10, kShown},
    {IDC_QUIZ_UNKNOWN_VALUE, WC_STATIC, L"0", 123, 334, 40, 10, kShown},
    {IDC_TOTAL_LABEL, WC_STATIC, L"Total:", 167, 334, 26, 10, kShown},
    {IDC_QUIZ_TOTAL_VALUE, WC_STATIC, L"0 / 0", 194, 334, 60, 10, kShown},
    {IDC_QUIZ_BACK, WC_BUTTON, L"Back", 146, 346, 60, 18, kButton},
    {IDC_QUIZ_KNOWN, WC_BUTTON, L"Known", 210, 346, 60, 18, kButton},
    {IDC_QUIZ_UNKNOWN, WC_BUTTON, L"Unknown", 274, 346, 60, 18, kButton},
    {IDC_QUIZ_VERIFY, WC_BUTTON, L"Verify", 338, 346, 60, 18, kButton},
    {IDC_QUIZ_SHOW, WC_BUTTON, L"Show", 402, 346, 60, 18, kButton},
    {IDOK, WC_BUTTON, L"Close", 466, 346, 60, 18, kButton},
};
const KVXDialogTemplate kTemplate = {IDD_QUIZ, L"Quiz View", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME,
                                     533, 369, 8, L"MS Shell Dlg", kControls, std::size(kControls)};
const CKVXDialogTemplateRegistration kTemplateRegistration(kTemplate);

const StringTableEntry kStrings[] = {
    {30115, L"You have successfully done the Quiz."},
    {31080, L"%s to %s"},
    {31169, L"Take a vocabulary quiz."},
    {31170, L"Answer each word with Known or Unknown, or type its meaning and press Verify."},
    {31173, L"Current"},
    {31174, L"Previous"},
    {31175, L"None"},
    {31326, L"[H]Word[D]The word to answer."},
    {31327, L"[H]Meaning[D]The meaning shown, or type your answer here and press Verify."},
    {31328, L"[H]Show[D]Which meaning shows: of the previous word, of the current word, or none."},
    {31329, L"[H]Back[D]Go back to the previous word."},
    {31330, L"[H]Known[D]You know this word."},
    {31331, L"[H]Unknown[D]You do not know this word yet."},
    {31332, L"[H]Verify[D]Check the meaning you typed."},
    {31333, L"[H]Show[D]Show the meaning of the current word."},
};
const CStringTableRegistration kStringsRegistration(kStrings);

const UINT kTemplateIds[] = {IDC_QUIZ_TITLE, IDC_QUIZ_HELP, IDC_QUIZ_LINE, IDC_QUIZ_LANGUAGES,
                             IDC_QUIZ_ADVERTISEMENT, IDC_QUIZ_WORD_STATUS, IDC_QUIZ_SOUND_WORD, IDC_QUIZ_PICTURE,
                             IDC_QUIZ_WORD, IDC_QUIZ_SHOW_LABEL, IDC_QUIZ_SHOW_MODE, IDC_QUIZ_MEANING_STATUS,
                             IDC_QUIZ_SOUND_MEANING, IDC_QUIZ_ANSWER_IMAGE, IDC_QUIZ_MEANING, IDC_KNOWN_LABEL,
                             IDC_QUIZ_KNOWN_VALUE, IDC_UNKNOWN_LABEL, IDC_QUIZ_UNKNOWN_VALUE, IDC_TOTAL_LABEL,
                             IDC_QUIZ_TOTAL_VALUE, IDC_QUIZ_BACK, IDC_QUIZ_KNOWN, IDC_QUIZ_UNKNOWN,
                             IDC_QUIZ_VERIFY, IDC_QUIZ_SHOW, IDOK};

struct Tip {
    UINT control, text;
};
const Tip kTips[] = {{IDC_QUIZ_WORD, 31326},  {IDC_QUIZ_MEANING, 31327}, {IDC_QUIZ_SHOW_MODE, 31328},
                     {IDC_QUIZ_BACK, 31329},  {IDC_QUIZ_KNOWN, 31330},   {IDC_QUIZ_UNKNOWN, 31331},
                     {IDC_QUIZ_VERIFY, 31332}, {IDC_QUIZ_SHOW, 31333},    {IDOK, 31315}};

const TutorButtonImage kButtons[] = {
    {IDC_QUIZ_KNOWN, 418, 0, 0, 0},         {IDC_QUIZ_UNKNOWN, 419, 0, 0, 0},
    {IDC_QUIZ_VERIFY, 420, 0, 0, 0},        {IDC_QUIZ_SOUND_WORD, 0, 343, 0, 16},
    {IDC_QUIZ_SOUND_MEANING, 0, 343, 0, 16}, {IDC_QUIZ_SHOW, 0, 316, 317, 24},
    {IDOK, 0, 337, 0, 24},                  {IDC_QUIZ_BACK, 0, 335, 336, 24},
};

// The status picture of a count 0 to 5; the blank picture without a word.
constexpr UINT kStatusPng = 412;
constexpr UINT kNoStatusPng = 404;
constexpr UINT kCorrectIcon = 319;
constexpr UINT kWrongIcon = 320;
constexpr int kAnswerIconSize = 24;

UINT StatusPicture(const WordRecord* word) {
    return word ? kStatusPng + static_cast<UINT>(std::clamp(word->statusCount, 0, 5)) : kNoStatusPng;
}

void SetLabel(QWidget* widget, const QString& text) {
    if (auto* label = qobject_cast<QLabel*>(widget)) label->setText(text);
}

} // namespace

CQuizDlg::CQuizDlg(const QuenzelServices& services, QWidget* owner)
    : CKVXResizableDlg(IDD_QUIZ, nullptr),
      m_services(services),
      m_owner(owner),
      m_session(std::make_unique<QuizSession>(services.database)) {}

CQuizDlg::~CQuizDlg() = default;

void CQuizDlg::SetQueryOptions(const CQueryOptions& options) { m_session->SetQueryOptions(options); }

BOOL CQuizDlg::Open() { return TutorOpenWindow(*this, PLACEMENT_QUIZ, m_owner, m_services.options); }

BOOL CQuizDlg::OnInitDialog() {
    const BOOL result = CKVXResizableDlg::OnInitDialog();
    m_services.SetWindowIcon(this);
    TutorStyleCounters(*this, {IDC_KNOWN_LABEL, IDC_QUIZ_KNOWN_VALUE, IDC_UNKNOWN_LABEL, IDC_QUIZ_UNKNOWN_VALUE,
                               IDC_TOTAL_LABEL, IDC_QUIZ_TOTAL_VALUE},
                       m_services.options);
    if (QWidget* word = GetDlgItem(IDC_QUIZ_WORD)) word->setFont(TutorLeftFont(m_services.options, font()));
    if (QWidget* meaning = GetDlgItem(IDC_QUIZ_MEANING))
        meaning->setFont(TutorRightFont(m_services.options, font()));
    TutorMakeButtons(*this, kButtons, std::size(kButtons));
    if (QWidget* back = GetDlgItem(IDC_QUIZ_BACK)) back->setEnabled(false);

    const CQueryOptions& options = m_session->GetQueryOptions();
    CBasicString pair;
    pair.Format(QuenzelString(31080).GetString(), TutorLanguageName(m_services.database, options.FirstLanguage).GetString(),
                TutorLanguageName(m_services.database, options.SecondLanguage).GetString());
    SetLabel(GetDlgItem(IDC_QUIZ_LANGUAGES), KVXToQString(pair));

    m_showMode = GetDlgItem<QComboBox>(IDC_QUIZ_SHOW_MODE);
    if (m_showMode) {
        m_showMode->disconnect(this);
        m_showMode->clear();
        m_showMode->addItem(KVXToQString(QuenzelString(31174)));
        m_showMode->addItem(KVXToQString(QuenzelString(31173)));
        m_showMode->addItem(KVXToQString(QuenzelString(31175)));
        m_showMode->setCurrentIndex(QUIZ_SHOW_PREVIOUS);
        connect(m_showMode, &QComboBox::activated, this, [this](int) { OnShowModeChanged(); });
    }
    m_session->SetShowMode(QUIZ_SHOW_PREVIOUS);

    TutorSetHeader(*this, IDC_QUIZ_TITLE, 31169, IDC_QUIZ_HELP, 31170);
    // The status and answer pictures paint themselves.
    for (UINT id : {IDC_QUIZ_WORD_STATUS, IDC_QUIZ_MEANING_STATUS, IDC_QUIZ_ANSWER_IMAGE})
        if (!GetDlgItem<CTransparentStaticImageCtrl>(id) && GetDlgItem(id))
            SubclassDlgItem(id, new CTransparentStaticImageCtrl(this));
    if (auto* answer = GetDlgItem<CTransparentStaticImageCtrl>(IDC_QUIZ_ANSWER_IMAGE)) answer->SetIcon(nullptr);

    m_session->Start();

    // The widgets live on between two quizzes: the first layout is set
    // again each time. Without the advertisement panel the word box takes
    // its place.
    if (!TutorRestoreLayout(*this, m_firstLayout))
        TutorKeepLayout(*this, m_firstLayout, kTemplateIds, std::size(kTemplateIds));
    if (QWidget* placeholder = GetDlgItem(IDC_QUIZ_ADVERTISEMENT)) placeholder->hide();
    const WordRecord* first = m_session->GetShownWord();
    const std::vector<CBasicString> items = {first ? m_session->WordSideText(*first) : CBasicString(),
                                             first ? m_session->MeaningSideText(*first) : CBasicString()};
    if (!TutorShowAdvertisement(*this, m_advertisement, IDC_QUIZ_ADVERTISEMENT, items, m_services.options)) {
        if (QWidget* placeholder = GetDlgItem(IDC_QUIZ_ADVERTISEMENT)) {
            const int gain = placeholder->height() + 4;
            for (UINT id : {IDC_QUIZ_WORD_STATUS, IDC_QUIZ_SOUND_WORD, IDC_QUIZ_PICTURE, IDC_QUIZ_WORD})
                if (QWidget* control = GetDlgItem(id)) control->move(control->x(), control->y() - gain);
            if (QWidget* word = GetDlgItem(IDC_QUIZ_WORD)) word->resize(word->width(), word->height() + gain);
        }
    }
    if (QWidget* meaning = GetDlgItem(IDC_QUIZ_MEANING)) {
        meaning->show();
        meaning->setEnabled(true);
    }
    if (QWidget* verify = GetDlgItem(IDC_QUIZ_VERIFY)) verify->setEnabled(!m_session->IsPictureQuiz());
    SetUpPictureLayout();

    AddResizableControls();
    for (const Tip& tip : kTips)
        if (QWidget* control = GetDlgItem(tip.control)) m_toolTip.AddTool(control, QuenzelString(tip.text));
    UpdateView();
    return result;
}

void CQuizDlg::SetUpPictureLayout() {
    QWidget* picture = GetDlgItem(IDC_QUIZ_PICTURE);
    QWidget* word = GetDlgItem(IDC_QUIZ_WORD);
    QWidget* meaning = GetDlgItem(IDC_QUIZ_MEANING);
    if (!picture || !word || !meaning) return;
    if (!m_session->IsPictureQuiz()) {
        picture->hide();
        return;
    }
    picture->setGeometry(word->x(), word->y(), kPictureSize, kPictureSize);
    picture->show();
    const int left = picture->x() + picture->width() + 2;
    word->setGeometry(left, word->y(), word->width() - (left - word->x()), word->height());
    meaning->hide();
    meaning->setEnabled(false);
}

void CQuizDlg::AddResizableControls() {
    m_resizableCtrls.clear();
    const DWORD topLeft = RESIZE_KEEP_LEFT | RESIZE_KEEP_TOP;
    const DWORD topRight = RESIZE_KEEP_TOP | RESIZE_ANCHOR_RIGHT;
    const DWORD bottomLeft = RESIZE_KEEP_LEFT | RESIZE_ANCHOR_BOTTOM;
    const DWORD bottomRight = RESIZE_ANCHOR_RIGHT | RESIZE_ANCHOR_BOTTOM;
    const DWORD acrossTop = RESIZE_KEEP_TOP | RESIZE_STRETCH_WIDTH;
    m_resizableCtrls.emplace_back(IDC_QUIZ_LINE, 0, acrossTop);
    m_resizableCtrls.emplace_back(IDC_QUIZ_LANGUAGES, 0, topRight);
    m_resizableCtrls.emplace_back(IDC_QUIZ_ADVERTISEMENT, 0, acrossTop);
    m_resizableCtrls.emplace_back(IDC_QUIZ_WORD, 0, acrossTop);
    m_resizableCtrls.emplace_back(IDC_QUIZ_PICTURE, 0, topLeft);
    for (UINT id : {IDC_QUIZ_WORD_STATUS, IDC_QUIZ_SOUND_WORD, IDC_QUIZ_SHOW_LABEL, IDC_QUIZ_SHOW_MODE,
                    IDC_QUIZ_MEANING_STATUS, IDC_QUIZ_SOUND_MEANING, IDC_QUIZ_ANSWER_IMAGE})
        m_resizableCtrls.emplace_back(id, 0, topLeft);
    m_resizableCtrls.emplace_back(IDC_QUIZ_MEANING, 0, RESIZE_STRETCH_WIDTH | RESIZE_STRETCH_HEIGHT);
    for (UINT id : {IDC_KNOWN_LABEL, IDC_QUIZ_KNOWN_VALUE, IDC_UNKNOWN_LABEL, IDC_QUIZ_UNKNOWN_VALUE, IDC_TOTAL_LABEL,
                    IDC_QUIZ_TOTAL_VALUE})
        m_resizableCtrls.emplace_back(id, 0, bottomLeft);
    for (UINT id : {IDC_QUIZ_BACK, IDC_QUIZ_KNOWN, IDC_QUIZ_UNKNOWN, IDC_QUIZ_VERIFY, IDC_QUIZ_SHOW, UINT(IDOK)})
        m_resizableCtrls.emplace_back(id, 0, bottomRight);
    CKVXResizableDlg::AddResizableControls();
}

void CQuizDlg::SetChildWindowPosition() {
    CKVXResizableDlg::SetChildWindowPosition();
    TutorPlaceAdvertisement(*this, m_advertisement, IDC_QUIZ_ADVERTISEMENT);
}

void CQuizDlg::OnGetMinMaxInfo(MINMAXINFO* info) {
    info->ptMinTrackSize.x = kMinimumWidth;
    info->ptMinTrackSize.y = kMinimumHeight;
    if (m_session->IsPictureQuiz()) info->ptMaxTrackSize.y = kMinimumHeight;
    CKVXResizableDlg::OnGetMinMaxInfo(info);
}

void CQuizDlg::OnCommand(UINT id) {
    switch (id) {
    case IDC_QUIZ_KNOWN: OnAnswer(true); break;
    case IDC_QUIZ_UNKNOWN: OnAnswer(false); break;
    case IDC_QUIZ_VERIFY: OnVerify(); break;
    case IDC_QUIZ_BACK:
        m_session->Back();
        UpdateView();
        break;
    case IDC_QUIZ_SHOW:
        m_session->ShowCurrentMeaning();
        UpdateView();
        break;
    case IDC_QUIZ_SOUND_WORD: OnSound(false); break;
    case IDC_QUIZ_SOUND_MEANING: OnSound(true); break;
    case IDOK:
    case IDCANCEL: DestroyWindow(); break;
    default: CKVXResizableDlg::OnCommand(id);
    }
}

void CQuizDlg::ShowEndMessageIfDone(QuizAnswerResult result) {
    if (result == ANSWER_NOT_SAVED) ShowStorageFailure(this);
    if (result != ANSWER_FINISHED) return;
    QuenzelMessageBox(this, QuenzelString(kFinished).GetString(), MB_ICONINFORMATION);
}

void CQuizDlg::OnAnswer(bool known) {
    const QuizAnswerResult result = m_session->Answer(known);
    UpdateView();
    ShowEndMessageIfDone(result);
}

void CQuizDlg::OnVerify() {
    std::vector<CBasicString> lines;
    for (const QString& line : KVXToQString(GetMeaningText()).split(QLatin1Char('\n')))
        lines.push_back(KVXFromQString(line));
    QuizAnswerResult result = ANSWER_IGNORED;
    const bool correct = m_session->Verify(lines, &result);
    if (auto* image = GetDlgItem<CTransparentStaticImageCtrl>(IDC_QUIZ_ANSWER_IMAGE))
        image->SetIcon(correct ? kCorrectIcon : kWrongIcon, kAnswerIconSize);
    if (!correct) return;
    UpdateView();
    ShowEndMessageIfDone(result);
}

void CQuizDlg::OnShowModeChanged() {
    if (!m_showMode) return;
    const int choice = m_showMode->currentIndex();
    m_session->SetShowMode(choice == 1 ? QUIZ_SHOW_CURRENT : choice == 2 ? QUIZ_SHOW_NONE : QUIZ_SHOW_PREVIOUS);
    UpdateView();
}

void CQuizDlg::OnSound(bool meaning) {
    // In "Previous" mode the meaning side belongs to the word whose meaning
    // shows.
    const WordRecord* word = meaning ? m_session->GetMeaningWord() : m_session->GetShownWord();
    if (!word) return;
    int64_t id = 0;
    int side = 0;
    m_session->PronunciationTarget(*word, meaning, id, side);
    // A dialog of its own for each side and word, so that sounds added in
    // it belong to that word.
    if (m_pronunciation && m_pronunciation->IsCreated()) m_pronunciation->DestroyWindow();
    m_pronunciation = std::make_unique<CPronunciationDlg>(m_services.database, this, id, TRUE, side);
    m_pronunciation->Create(this);
}

void CQuizDlg::ShowPicture(const WordRecord* word) {
    auto* picture = GetDlgItem<QLabel>(IDC_QUIZ_PICTURE);
    if (!picture) return;
    picture->clear();
    if (!word || !m_services.database) return;
    PictureRecord record;
    if (m_services.database->GetWordPicture(m_session->PictureWordId(*word), record) != DATABASE_OK) return;
    QImage image;
    if (!image.loadFromData(record.bytes.data(), static_cast<int>(record.bytes.size()))) return;
    picture->setPixmap(QPixmap::fromImage(
        image.scaled(kPictureSize, kPictureSize, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

void CQuizDlg::UpdateView() {
    const WordRecord* shown = m_session->GetShownWord();
    const WordRecord* meaningWord = m_session->GetMeaningWord();
    const bool picture = m_session->IsPictureQuiz();
    auto* word = GetDlgItem<QPlainTextEdit>(IDC_QUIZ_WORD);
    auto* meaning = GetDlgItem<QPlainTextEdit>(IDC_QUIZ_MEANING);

    const QString meaningText = meaningWord ? KVXToQString(m_session->MeaningSideText(*meaningWord)) : QString();
    if (picture) {
        // The picture shows the word; the text side of the meaning goes
        // to the word box.
        ShowPicture(shown);
        if (word) word->setPlainText(meaningText);
    } else {
        if (word) word->setPlainText(shown ? KVXToQString(m_session->WordSideText(*shown)) : QString());
        if (meaning) meaning->setPlainText(meaningText);
    }
    const COptions* settings = m_services.options;
    const QColor color = m_session->GetMeaningColor() == QUIZ_COLOR_KNOWN     ? TutorKnownColor(settings)
                         : m_session->GetMeaningColor() == QUIZ_COLOR_UNKNOWN ? TutorUnknownColor(settings)
                                                                             : TutorNormalColor(settings);
    TutorSetTextColor(meaning, color);
    TutorSetTextColor(GetDlgItem(IDC_QUIZ_SHOW_LABEL), color);

    for (const auto& [id, word] : {std::pair{IDC_QUIZ_WORD_STATUS, shown}, std::pair{IDC_QUIZ_MEANING_STATUS, meaningWord}})
        if (auto* image = GetDlgItem<CTransparentStaticImageCtrl>(id)) image->SetPNG(nullptr, StatusPicture(word));

    CBasicString known, unknown, total;
    known.Format(L"%I64d", m_session->GetKnownCount());
    unknown.Format(L"%I64d", m_session->GetUnknownCount());
    total.Format(L"%I64d / %I64d", m_session->GetPosition(), m_session->GetTotal());
    SetLabel(GetDlgItem(IDC_QUIZ_KNOWN_VALUE), KVXToQString(known));
    SetLabel(GetDlgItem(IDC_QUIZ_UNKNOWN_VALUE), KVXToQString(unknown));
    SetLabel(GetDlgItem(IDC_QUIZ_TOTAL_VALUE), KVXToQString(total));
    if (QWidget* back = GetDlgItem(IDC_QUIZ_BACK)) back->setEnabled(m_session->CanGoBack());

    CAbstractDataBase* database = m_services.database;
    auto hasSounds = [&](const WordRecord* record, bool meaningSide) {
        if (!record || !database) return false;
        int64_t id = 0;
        int side = 0;
        m_session->PronunciationTarget(*record, meaningSide, id, side);
        CAbstractRecordSet* sounds = database->QueryPronunciations(id, side);
        const bool any = sounds && !sounds->IsEOF();
        database->ReleaseRecordSet(sounds);
        return any;
    };
    if (QWidget* button = GetDlgItem(IDC_QUIZ_SOUND_WORD)) button->setEnabled(hasSounds(shown, false));
    if (QWidget* button = GetDlgItem(IDC_QUIZ_SOUND_MEANING)) button->setEnabled(hasSounds(meaningWord, true));
}

CBasicString CQuizDlg::GetWordText() const {
    auto* word = GetDlgItem<QPlainTextEdit>(IDC_QUIZ_WORD);
    return word ? KVXFromQString(word->toPlainText()) : CBasicString();
}

CBasicString CQuizDlg::GetMeaningText() const {
    auto* meaning = GetDlgItem<QPlainTextEdit>(IDC_QUIZ_MEANING);
    return meaning ? KVXFromQString(meaning->toPlainText()) : CBasicString();
}

void CQuizDlg::SetAnswerText(const CBasicString& text) {
    if (auto* meaning = GetDlgItem<QPlainTextEdit>(IDC_QUIZ_MEANING)) meaning->setPlainText(KVXToQString(text));
}

void CQuizDlg::OnDestroy() {
    m_pronunciation.reset();
    StoreChildPlacement(this, PLACEMENT_QUIZ, m_owner, m_services.options);
    CKVXResizableDlg::OnDestroy();
    TutorShowOwner(m_owner);
}

void CQuizDlg::paintEvent(QPaintEvent* event) {
    CKVXResizableDlg::paintEvent(event);
    QuenzelPaintHeaderBand(this, GetDlgItem(IDC_QUIZ_LINE), m_services.logo);
}
