#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QPushButton>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "Pendrel/Dialogs/ProgressDlg.h"
#include "Pendrel/Platform/KVXFileDialog.h"
#include "Pendrel/Platform/KVXFontColorDialog.h"
#include "Pendrel/Platform/KVXMessageBox.h"
#include "Pendrel/Theme/AbstractWinTheme.h"
#include "Pendrel/Theme/WinTheme.h"
#include "Quenzel/Shared/LanguageComboBox.h"
#include "Quenzel/Shell/FontColorCtrl.h"
#include "Quenzel/Shell/LanguageListCtrl.h"
#include "Quenzel/Shell/MainDlg.h"
#include "Quenzel/Shell/OptionsDialog.h"
#include "Quenzel/Shell/PageFonts.h"
#include "Quenzel/Shell/PageLanguage.h"
#include "Quenzel/Shell/PagePlugin.h"
#include "Quenzel/Shell/PageSettings.h"
#include "Quenzel/Shell/PageStatics.h"
#include "Quenzel/Shell/PluginListCtrl.h"
#include "Quenzel/Shell/TabCtrlEx.h"
#include "QuenzelAppFixture.h"
#include "utility/Posix/BasicRegistry.h"

namespace {

namespace fs = std::filesystem;

// Every file below a folder with its bytes.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        files[entry.path().string()] = bytes.str();
    }
    return files;
}

// What the database holds of the languages and plug-ins, as one text.
std::wstring DataBaseState(CAbstractDataBase& database) {
    std::wostringstream out;
    for (const LanguageRecord& language : database.GetLanguages(1))
        out << language.id << L'|' << language.name.GetString() << L'|' << language.code.GetString() << L'|'
            << language.rightToLeft << L'|' << language.picture.size() << L'\n';
    for (const PluginEntry& plugin : database.GetPlugins())
        out << plugin.fileName.GetString() << L'=' << plugin.enabled << L'\n';
    return out.str();
}

void WritePng(const std::string& path, QColor color) {
    QImage image(16, 11, QImage::Format_ARGB32);
    image.fill(color);
    ASSERT_TRUE(image.save(QString::fromStdString(path), "PNG"));
}

class OptionsDialogTest : public QuenzelAppFixture {
protected:
    void SetUp() override {
        QuenzelAppFixture::SetUp();
        // Two plug-ins in the program's folder, no stored flags yet.
        m_plugins = m_data.Path() + "/plugins";
        fs::create_directories(m_plugins);
        for (const char* name : {"pluginWeb.so", "pluginDict.so", "other.so"})
            std::ofstream(m_plugins + "/" + name) << "x";
        m_app.GetOptions().SetPluginFolder(CBasicString(fs::path(m_plugins).wstring().c_str()));
        m_app.GetOptions().Load();

        KVXSetMessageBoxHandler([this](QWidget*, const CBasicString& text, const CBasicString&, UINT flags) {
            m_messages.push_back(text.GetString());
            return (flags & MB_YESNO) ? IDYES : IDOK;
        });
        KVXSetFileDialogHandler([this](QWidget*, const KVXFileDialogRequest& request, KVXFileDialogAnswer& answer) {
            m_fileFilter = request.filter.GetString();
            if (m_chosenFile.empty()) return false;
            answer.path = CBasicString(fs::path(m_chosenFile).wstring().c_str());
            return true;
        });
        KVXSetFontColorDialogHandler([](QWidget*, KVXFontColorRequest& request) {
            if (request.kind == KVXFontColorRequest::Font) {
                request.font = LOGFONTW{};
                wcsncpy(request.font.lfFaceName, L"Test Serif", LF_FACESIZE - 1);
                request.font.lfHeight = -15;
                request.font.lfWeight = 700;
            } else {
                request.color = 0x123456;
            }
            return true;
        });
    }
    void TearDown() override {
        KVXSetMessageBoxHandler({});
        KVXSetFileDialogHandler({});
        KVXSetFontColorDialogHandler({});
        QuenzelAppFixture::TearDown();
    }

    // The dialog, created, with its first count done.
    void Open(COptionsDialog& dialog) {
        ASSERT_TRUE(dialog.Create());
        CPageStatics* statics = dialog.GetTabCtrl()->GetStaticsPage();
        ASSERT_NE(statics, nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(!statics->IsCounting(), 60000);
        EXPECT_TRUE(dialog.GetDlgItem(IDOK)->isEnabled());
    }

    static void Press(COptionsDialog& dialog, UINT id) {
        auto* button = qobject_cast<QPushButton*>(dialog.GetDlgItem(id));
        ASSERT_NE(button, nullptr);
        button->click();
        QApplication::processEvents();
    }

    static void ClickCell(CBasicListCtrl* list, int row, int column) {
        RECT rect;
        ASSERT_TRUE(list->GetSubItemRect(row, column, LVIR_BOUNDS, &rect));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QRect(rect.left, rect.top, rect.right - rect.left,
                                                                      rect.bottom - rect.top).center());
    }

    static int RowOf(CLanguageListCtrl* list, int languageId) {
        for (int row = 0; row < list->GetItemCount(); ++row)
            if (static_cast<GridRow*>(list->GetItem(row))->third.m_value == static_cast<ULONGLONG>(languageId))
                return row;
        return -1;
    }

    int64_t AddList(int from, int to) {
        VocabularyListRecord list;
        list.name = L"Animals";
        list.fromLanguage = from;
        list.toLanguage = to;
        return m_app.GetDataBase()->CreateVocabularyList(list);
    }

    void AddEntry(int64_t list, int from, int to, const wchar_t* word, const wchar_t* meaning, int status) {
        WordKeyRecord key;
        key.text = word;
        key.language = from;
        MeaningRecord mean;
        mean.text = meaning;
        mean.language = to;
        ASSERT_EQ(m_app.GetDataBase()->AddMeaning(key, mean, 0), 0);
        WordLinkRecord link;
        link.listId = list;
        link.wordId = key.id;
        link.meaningId = mean.id;
        link.statusCount = status;
        ASSERT_EQ(m_app.GetDataBase()->AddListEntry(link, 0), 0);
    }

    // Changes something on every page: both first fonts and colours, the
    // first language's name, reading order and flag, the first plug-in and
    // the advertisement switch.
    void ChangeEverything(COptionsDialog& dialog, int languageId) {
        CTabCtrlEx* tab = dialog.GetTabCtrl();
        CPageFonts* fonts = tab->GetFontsPage();
        fonts->ChooseFont(CPageFonts::LeftFont);
        fonts->ChooseColor(CPageFonts::KnownColor);

        tab->setCurrentWidget(tab->GetLanguagePage());
        CLanguageListCtrl* languages = tab->GetLanguagePage()->GetList();
        const int row = RowOf(languages, languageId);
        ASSERT_GE(row, 0);
        languages->ItemEdited(row, CLanguageListModel::ColumnName, L"Klingon");
        ClickCell(languages, row, CLanguageListModel::ColumnRightToLeft);
        languages->SelectItem(row);
        m_chosenFile = m_data.Path() + "/flag.png";
        WritePng(m_chosenFile, Qt::red);
        tab->GetLanguagePage()->OnChangeIcon();

        tab->setCurrentWidget(tab->GetPluginPage());
        ClickCell(tab->GetPluginPage()->GetList(), 0, 1);

        tab->GetSettingsPage()->GetDlgItem<QCheckBox>(IDC_SETTINGS_ADVERTISEMENT)->setChecked(false);
    }

    static bool PageFlagIsRed(COptionsDialog& dialog, int languageId) {
        const QImage* flag = dialog.GetTabCtrl()->GetLanguagePage()->GetModel().FindFlag(languageId);
        return flag && flag->pixelColor(3, 3) == QColor(Qt::red);
    }

    std::string m_plugins;
    std::vector<std::wstring> m_messages;
    std::wstring m_fileFilter;
    std::string m_chosenFile;
};

} // namespace

TEST_F(OptionsDialogTest, CancelWritesNothingAndLeavesTheFlagsShownElsewhere) {
    const int languageId = m_app.GetDataBase()->GetLanguages(0).front().id;
    m_app.FillImageCache(m_app.GetDataBase()->GetLanguages(0));
    const bool hadFlag = m_app.FindFlag(languageId) != nullptr;
    const auto registry = Snapshot(m_home.Path());
    const std::wstring stored = DataBaseState(*m_app.GetDataBase());
    {
        COptionsDialog dialog(m_app.Services(), nullptr);
        Open(dialog);
        ChangeEverything(dialog, languageId);
        EXPECT_TRUE(dialog.GetTabCtrl()->GetLanguagePage()->IsModified());
        EXPECT_TRUE(dialog.GetTabCtrl()->GetPluginPage()->IsModified());
        // The new flag shows on the page only.
        EXPECT_TRUE(PageFlagIsRed(dialog, languageId));
        const QImage* shown = m_app.FindFlag(languageId);
        EXPECT_EQ(shown != nullptr, hadFlag);
        EXPECT_TRUE(!shown || shown->pixelColor(3, 3) != QColor(Qt::red));
        Press(dialog, IDCANCEL);
        EXPECT_EQ(dialog.result(), IDCANCEL);
    }
    EXPECT_EQ(Snapshot(m_home.Path()), registry);
    EXPECT_EQ(DataBaseState(*m_app.GetDataBase()), stored);
    COptions& options = m_app.GetOptions();
    LOGFONTW left{};
    options.GetLeftFont(left);
    EXPECT_STRNE(left.lfFaceName, L"Test Serif");
    EXPECT_EQ(options.GetKnownColor(), 0x8000u);
    EXPECT_EQ(options.GetAdvertisement(), 1);
    EXPECT_EQ(m_app.FindFlag(languageId) != nullptr, hadFlag);
}

TEST_F(OptionsDialogTest, SaveWritesFontsColoursSettingsPluginFlagsAndLanguagesAndRefreshesTheMainWindow) {
    const int languageId = m_app.GetDataBase()->GetLanguages(0).front().id;
    CMainDlg main(m_app.Services());
    ASSERT_TRUE(main.Create());
    {
        COptionsDialog dialog(main.Services(), &main, &main);
        Open(dialog);
        QStringList tabs;
        for (int i = 0; i < dialog.GetTabCtrl()->count(); ++i) tabs << dialog.GetTabCtrl()->tabText(i);
        EXPECT_EQ(tabs.join(QLatin1Char(',')), QStringLiteral("Statics,Settings,Language,Plugins,Fonts,Update"));
        ChangeEverything(dialog, languageId);
        EXPECT_EQ(m_fileFilter, L"PNG File (*.png)|*.png|");
        const QImage* before = m_app.FindFlag(languageId);
        EXPECT_TRUE(!before || before->pixelColor(3, 3) != QColor(Qt::red));
        Press(dialog, IDOK);
        EXPECT_EQ(dialog.result(), IDOK);
        EXPECT_EQ(dialog.IsLanguagesChanged(), 1);
    }

    CBasicRegistry registry(L"Morvane", L"Quenzel", HKEY_CURRENT_USER);
    EXPECT_STREQ(registry.GetString(L"Fonts\\LeftFont", L"FaceName", L"").GetString(), L"Test Serif");
    EXPECT_EQ(registry.GetDWORD(L"Fonts\\LeftFont", L"Weight", 0), 700u);
    EXPECT_EQ(registry.GetDWORD(L"Settings", L"KnownColor", 0), 0x123456u);
    EXPECT_EQ(registry.GetDWORD(L"Settings", L"Advertisement", 1), 0u);

    const std::vector<PluginEntry> plugins = m_app.GetDataBase()->GetPlugins();
    ASSERT_EQ(plugins.size(), 2u);
    for (const PluginEntry& plugin : plugins)
        EXPECT_EQ(registry.GetDWORD(L"Settings", plugin.fileName.GetString(), 7), static_cast<DWORD>(plugin.enabled))
            << plugin.fileName.GetString();
    EXPECT_EQ(plugins[0].enabled + plugins[1].enabled, 1);

    LanguageRecord saved;
    for (const LanguageRecord& language : m_app.GetDataBase()->GetLanguages(1))
        if (language.id == languageId) saved = language;
    EXPECT_STREQ(saved.name.GetString(), L"Klingon");
    EXPECT_NE(saved.picture.size(), 0u);
    // The flag shows everywhere now, and the main window lists the new name.
    const QImage* flag = m_app.FindFlag(languageId);
    ASSERT_NE(flag, nullptr);
    EXPECT_EQ(flag->pixelColor(3, 3), QColor(Qt::red));
    bool listed = false;
    for (int i = 0; i < main.GetFirstCombo()->count(); ++i)
        listed = listed || std::wstring(main.GetFirstCombo()->GetItemText(i).GetString()) == L"Klingon";
    EXPECT_TRUE(listed);
    main.DestroyWindow();
}

TEST_F(OptionsDialogTest, APluginToggledOnAndOffIsStillWrittenBack) {
    COptionsDialog dialog(m_app.Services(), nullptr);
    Open(dialog);
    CPagePlugin* page = dialog.GetTabCtrl()->GetPluginPage();
    dialog.GetTabCtrl()->setCurrentWidget(page);
    CPluginListCtrl* list = page->GetList();
    ASSERT_EQ(list->GetItemCount(), 2);
    const std::vector<PluginEntry> shown = list->GetEntries();
    ClickCell(list, 1, 0);
    EXPECT_NE(list->GetEntries()[1].enabled, shown[1].enabled);
    ClickCell(list, 1, 0);
    EXPECT_EQ(list->GetEntries()[1].enabled, shown[1].enabled);
    EXPECT_EQ(page->IsModified(), 1);

    // Someone else changed the component's flags meanwhile: the page's rows
    // go back all the same.
    std::vector<PluginEntry> other = shown;
    for (PluginEntry& entry : other) entry.enabled = 1 - entry.enabled;
    m_app.GetDataBase()->SetPlugins(other);
    Press(dialog, IDOK);
    const std::vector<PluginEntry> stored = m_app.GetDataBase()->GetPlugins();
    ASSERT_EQ(stored.size(), shown.size());
    for (size_t i = 0; i < shown.size(); ++i) {
        EXPECT_STREQ(stored[i].fileName.GetString(), shown[i].fileName.GetString());
        EXPECT_EQ(stored[i].enabled, shown[i].enabled);
    }
}

TEST_F(OptionsDialogTest, ALanguageInUseStopsTheRemovalThereAndSaysWhichOne) {
    const std::vector<LanguageRecord> languages = m_app.GetDataBase()->GetLanguages(0);
    ASSERT_GE(languages.size(), 4u);
    const LanguageRecord& used = languages[1];
    ASSERT_GT(AddList(used.id, languages[3].id), 0);

    COptionsDialog dialog(m_app.Services(), nullptr);
    Open(dialog);
    CPageLanguage* page = dialog.GetTabCtrl()->GetLanguagePage();
    CLanguageListCtrl* list = page->GetList();
    const int count = list->GetItemCount();
    // Selected in list order: a free language, the used one, another free one.
    list->ClearSelection();
    for (int id : {languages[0].id, used.id, languages[2].id})
        list->SetItemState(RowOf(list, id), LVIS_SELECTED, LVIS_SELECTED);
    page->OnRemove();
    ASSERT_EQ(m_messages.size(), 2u);
    EXPECT_EQ(m_messages[0], L"Are you sure to delete (3) languages.");
    EXPECT_EQ(m_messages[1], L"A vocabulary list for this language is present. Please remove all the vocabulary "
                             L"lists for (" + std::wstring(used.name.GetString()) + L") language to continue.");
    EXPECT_EQ(list->GetItemCount(), count - 1);
    EXPECT_EQ(RowOf(list, languages[0].id), -1);
    EXPECT_GE(RowOf(list, used.id), 0);
    EXPECT_GE(RowOf(list, languages[2].id), 0);

    // Nothing selected: the page asks for a language.
    m_messages.clear();
    list->ClearSelection();
    page->OnRemove();
    EXPECT_EQ(m_messages, std::vector<std::wstring>{L"Please select a language to continue."});

    Press(dialog, IDOK);
    std::vector<int> ids;
    for (const LanguageRecord& language : m_app.GetDataBase()->GetLanguages(1)) ids.push_back(language.id);
    EXPECT_EQ(std::count(ids.begin(), ids.end(), languages[0].id), 0);
    EXPECT_EQ(std::count(ids.begin(), ids.end(), used.id), 1);
    EXPECT_EQ(std::count(ids.begin(), ids.end(), languages[2].id), 1);
}

TEST_F(OptionsDialogTest, RenamingOnlyTheCaseOrBackIsNoChange) {
    const LanguageRecord language = m_app.GetDataBase()->GetLanguages(0).front();
    const std::wstring name = language.name.GetString();
    std::wstring upper = name;
    for (wchar_t& c : upper) c = static_cast<wchar_t>(towupper(c));
    ASSERT_NE(upper, name);

    struct Case {
        int column;
        std::wstring text;
        int modified;
    };
    const Case cases[] = {
        {CLanguageListModel::ColumnName, upper, 0},
        {CLanguageListModel::ColumnName, name, 0},
        {CLanguageListModel::ColumnCode, std::wstring(language.code.GetString()), 0},
        {CLanguageListModel::ColumnName, name + L"x", 1},
        {CLanguageListModel::ColumnCode, L"zz", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.column << " " << std::string(c.text.begin(), c.text.end()));
        COptionsDialog dialog(m_app.Services(), nullptr);
        Open(dialog);
        CPageLanguage* page = dialog.GetTabCtrl()->GetLanguagePage();
        CLanguageListCtrl* list = page->GetList();
        const int row = RowOf(list, language.id);
        list->ItemEdited(row, c.column, c.text.c_str());
        EXPECT_EQ(std::wstring(list->GetItemText(row, c.column).GetString()), c.text);
        EXPECT_EQ(page->IsModified(), c.modified);
        Press(dialog, IDCANCEL);
    }
}

TEST_F(OptionsDialogTest, AFileThatIsNoPngIsRefusedAsAFlag) {
    const int languageId = m_app.GetDataBase()->GetLanguages(0).front().id;
    COptionsDialog dialog(m_app.Services(), nullptr);
    Open(dialog);
    CPageLanguage* page = dialog.GetTabCtrl()->GetLanguagePage();
    CLanguageListCtrl* list = page->GetList();
    list->SelectItem(RowOf(list, languageId));
    const bool hadFlag = page->GetModel().FindFlag(languageId) != nullptr;

    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"text.png", "this is no picture"},
        {"empty.png", ""},
        {"truncated.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_messages.clear();
        m_chosenFile = m_data.Path() + "/" + c.name;
        std::ofstream(m_chosenFile, std::ios::binary) << c.bytes;
        page->OnChangeIcon();
        EXPECT_EQ(m_messages, std::vector<std::wstring>{L"Please provide a valid picture file in PNG format."});
        EXPECT_EQ(page->GetModel().FindFlag(languageId) != nullptr, hadFlag);
        EXPECT_EQ(page->IsModified(), 0);
    }
    // A JPEG is a picture, but not a flag.
    m_chosenFile = m_data.Path() + "/flag.jpg";
    QImage jpeg(16, 11, QImage::Format_RGB32);
    jpeg.fill(Qt::blue);
    ASSERT_TRUE(jpeg.save(QString::fromStdString(m_chosenFile), "JPG"));
    m_messages.clear();
    page->OnChangeIcon();
    EXPECT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(page->IsModified(), 0);
}

TEST_F(OptionsDialogTest, TheStatisticsPageShowsTheCountsOfTheSelectedLanguage) {
    const std::vector<LanguageRecord> languages = m_app.GetDataBase()->GetLanguages(0);
    ASSERT_GE(languages.size(), 3u);
    const int from = languages[0].id, to = languages[1].id;
    const int64_t list = AddList(from, to);
    ASSERT_GT(list, 0);
    const std::pair<const wchar_t*, int> entries[] = {{L"cat", 0}, {L"dog", 3}, {L"pig", 5},
                                                      {L"owl", 5}, {L"bee", 0}, {L"ant", 0}};
    for (const auto& [word, status] : entries) AddEntry(list, from, to, word, word, status);

    COptionsDialog dialog(m_app.Services(), nullptr);
    Open(dialog);
    CPageStatics* page = dialog.GetTabCtrl()->GetStaticsPage();
    CLanguageComboBox* combo = page->GetLanguageCombo();
    struct Case {
        int language;
        const wchar_t *words, *shortTerm, *longTerm, *unknown;
    };
    const Case cases[] = {{from, L"6", L"1", L"2", L"3"}, {to, L"6", L"1", L"2", L"3"},
                          {languages[2].id, L"0", L"0", L"0", L"0"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        int index = -1;
        for (int i = 0; i < combo->count(); ++i)
            if (combo->GetItemData(i) == c.language) index = i;
        ASSERT_GE(index, 0);
        combo->setCurrentIndex(index);
        emit combo->activated(index);
        QTRY_VERIFY_WITH_TIMEOUT(!page->IsCounting(), 60000);
        EXPECT_STREQ(page->GetDlgItemText(IDC_STATICS_WORDS).GetString(), c.words);
        EXPECT_STREQ(page->GetDlgItemText(IDC_STATICS_SHORT_TERM).GetString(), c.shortTerm);
        EXPECT_STREQ(page->GetDlgItemText(IDC_STATICS_LONG_TERM).GetString(), c.longTerm);
        EXPECT_STREQ(page->GetDlgItemText(IDC_STATICS_UNKNOWN).GetString(), c.unknown);
        EXPECT_TRUE(dialog.GetDlgItem(IDOK)->isEnabled());
        EXPECT_TRUE(dialog.GetTabCtrl()->isEnabled());
    }
    Press(dialog, IDCANCEL);
}

TEST_F(OptionsDialogTest, ACountCancelledInTheProgressDialogLeavesTheNumbers) {
    const std::vector<LanguageRecord> languages = m_app.GetDataBase()->GetLanguages(0);
    const int64_t list = AddList(languages[0].id, languages[1].id);
    AddEntry(list, languages[0].id, languages[1].id, L"cat", L"Katze", 5);
    COptionsDialog dialog(m_app.Services(), nullptr);
    Open(dialog);
    CPageStatics* page = dialog.GetTabCtrl()->GetStaticsPage();
    CLanguageComboBox* combo = page->GetLanguageCombo();
    int index = -1;
    for (int i = 0; i < combo->count(); ++i)
        if (combo->GetItemData(i) == languages[0].id) index = i;
    ASSERT_GE(index, 0);
    combo->setCurrentIndex(index);
    emit combo->activated(index);
    QTRY_VERIFY_WITH_TIMEOUT(!page->IsCounting(), 60000);
    ASSERT_STREQ(page->GetDlgItemText(IDC_STATICS_WORDS).GetString(), L"1");

    // The user presses Cancel as soon as the progress dialog shows (the
    // count waits for it to show), then picks a language without words.
    struct CancelOnShow : QObject {
        CProgressDlg* progress;
        explicit CancelOnShow(CProgressDlg* dialog) : progress(dialog) {}
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Show) progress->SetRunning(FALSE);
            return false;
        }
    } cancel(m_app.GetProgressDlg());
    m_app.GetProgressDlg()->installEventFilter(&cancel);
    const int other = index == 0 ? 1 : 0;
    combo->setCurrentIndex(other);
    emit combo->activated(other);
    QTRY_VERIFY_WITH_TIMEOUT(!page->IsCounting(), 60000);
    m_app.GetProgressDlg()->removeEventFilter(&cancel);
    EXPECT_STREQ(page->GetDlgItemText(IDC_STATICS_WORDS).GetString(), L"1");
    EXPECT_STREQ(page->GetDlgItemText(IDC_STATICS_LONG_TERM).GetString(), L"1");
    EXPECT_TRUE(dialog.GetDlgItem(IDOK)->isEnabled());
    Press(dialog, IDCANCEL);
}

TEST_F(OptionsDialogTest, TheFontsPageShowsFaceAndWeightAndACancelledChoiceChangesNothing) {
    LOGFONTW zero{};
    EXPECT_STREQ(CPageFonts::FormatFont(zero).GetString(), L" 0");
    COptionsDialog dialog(m_app.Services(), nullptr);
    Open(dialog);
    CPageFonts* page = dialog.GetTabCtrl()->GetFontsPage();
    const CBasicString before = page->GetDlgItemText(IDC_FONTS_RIGHT_TEXT);
    const COLORREF color = page->GetColor(CPageFonts::UnknownColor);
    EXPECT_EQ(color, 0xFFu);
    KVXSetFontColorDialogHandler([](QWidget*, KVXFontColorRequest& request) {
        request.color = 0x00FF00;
        wcsncpy(request.font.lfFaceName, L"Changed", LF_FACESIZE - 1);
        return false;
    });
    page->ChooseFont(CPageFonts::RightFont);
    page->ChooseColor(CPageFonts::UnknownColor);
    EXPECT_STREQ(page->GetDlgItemText(IDC_FONTS_RIGHT_TEXT).GetString(), before.GetString());
    EXPECT_EQ(page->GetColor(CPageFonts::UnknownColor), color);

    KVXSetFontColorDialogHandler([](QWidget*, KVXFontColorRequest& request) {
        wcsncpy(request.font.lfFaceName, L"Test Serif", LF_FACESIZE - 1);
        request.font.lfWeight = 400;
        return true;
    });
    page->ChooseFont(CPageFonts::RightFont);
    EXPECT_STREQ(page->GetDlgItemText(IDC_FONTS_RIGHT_TEXT).GetString(), L"Test Serif 400");
    Press(dialog, IDCANCEL);
}

#ifdef KVX_SCREENSHOT_FOLDER
TEST_F(OptionsDialogTest, EveryPageRendersForTheScreenshots) {
    const std::vector<LanguageRecord> languages = m_app.GetDataBase()->GetLanguages(0);
    const int64_t list = AddList(languages[0].id, languages[1].id);
    AddEntry(list, languages[0].id, languages[1].id, L"cat", L"Katze", 5);
    m_chosenFile = m_data.Path() + "/flag.png";
    WritePng(m_chosenFile, Qt::red);
    m_app.FillImageCache(languages);
    std::unique_ptr<CAbstractWinTheme> theme(CreateWinTheme());
    KVXSetCurrentWinTheme(theme.get());
    COptionsDialog dialog(m_app.Services(), nullptr);
    Open(dialog);
    dialog.show();
    CTabCtrlEx* tab = dialog.GetTabCtrl();
    CLanguageListCtrl* languageList = tab->GetLanguagePage()->GetList();
    languageList->SelectItem(0);
    tab->GetLanguagePage()->OnChangeIcon();
    QDir().mkpath(QStringLiteral(KVX_SCREENSHOT_FOLDER));
    for (int i = 0; i < tab->count(); ++i) {
        tab->setCurrentIndex(i);
        QApplication::processEvents();
        const QString name = QStringLiteral(KVX_SCREENSHOT_FOLDER "/options-%1.png").arg(tab->tabText(i));
        EXPECT_TRUE(dialog.grab().save(name));
    }
    Press(dialog, IDCANCEL);
    KVXSetCurrentWinTheme(nullptr);
}
#endif
