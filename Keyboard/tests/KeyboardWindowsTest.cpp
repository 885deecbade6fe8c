// The keyboard's windows headless: the options window, the keyboard dialog
// over its settings, the round keys, and pictures of each window.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QEnterEvent>
#include <QImage>
#include <QTest>

#include "Keyboard/AboutDlg.h"
#include "Keyboard/KeyboardDlg.h"
#include "Keyboard/KeyboardResources.h"
#include "Keyboard/Options.h"
#include "Keyboard/OptionsDialog.h"
#include "Keyboard/PageSettings.h"
#include "Keyboard/RoundButton.h"
#include "KeyboardTestKit.h"
#include "Pendrel/App/KVXApp.h"
#include "Pendrel/Controls/BasicHyperlinkCtrl.h"
#include "Pendrel/Controls/KVXTabCtrl.h"
#include "Pendrel/Core/LinkTable.h"
#include "Pendrel/Pendrel.h"
#include "testing/TempFolder.h"

namespace {

class KeyboardWindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_home.RedirectHome();
        // the framework object with its theme, colours and link table, as
        // the program has it
        KVXSetApp(&m_app);
        m_app.SetLinkTable(std::make_unique<CLinkTable>());
        // the table beside the program, whatever the current folder
        m_app.GetLinkTable()->Load(QCoreApplication::applicationDirPath().toStdWString().c_str(), nullptr);
    }
    void TearDown() override {
        m_app.Release();
        KVXSetApp(nullptr);
    }

    static void SaveShot(QWidget& window, const char* name) {
        const QString folder = QStringLiteral(KVX_SCREENSHOT_FOLDER);
        QDir().mkpath(folder);
        EXPECT_TRUE(window.grab().save(folder + "/" + name));
    }

    kvxtest::TempFolder m_home;
    CKVXApp m_app;
    CRecordingInputSink m_sink;
    CFakePhysicalKeys m_physical;
};

struct SaveCase {
    bool advertisement;
    bool allChars;
    int captionRewrites;
};

} // namespace

TEST_F(KeyboardWindowsTest, SaveStoresBothChecksAndRedrawsOnlyForAllCharacters) {
    const SaveCase cases[] = {{true, false, 0}, {false, false, 0}, {true, true, 1}, {false, true, 1}};
    for (const SaveCase& c : cases) {
        COptions options;
        ASSERT_EQ(options.Load(), 1);
        options.SetAdvertisement(1);
        options.SetDisplayAllChars(0);
        int rewrites = 0;
        COptionsDialog dialog(options);
        dialog.SetDisplayAllCharsChanged([&] { ++rewrites; });
        ASSERT_TRUE(dialog.Create());
        CPageSettings* page = dialog.GetSettingsPage();
        ASSERT_NE(page, nullptr);
        page->GetDlgItem<QCheckBox>(IDC_SHOW_ADVERTISEMENT)->setChecked(c.advertisement);
        page->GetDlgItem<QCheckBox>(IDC_DISPLAY_ALL_CHARS)->setChecked(c.allChars);
        QTest::mouseClick(dialog.GetDlgItem(IDOK), Qt::LeftButton);
        EXPECT_EQ(options.GetAdvertisement(), c.advertisement ? 1 : 0);
        EXPECT_EQ(options.GetDisplayAllChars(), c.allChars ? 1 : 0);
        EXPECT_EQ(rewrites, c.captionRewrites) << c.advertisement << c.allChars;
        EXPECT_FALSE(dialog.isVisible());
    }
}

TEST_F(KeyboardWindowsTest, CancelAndEscapeStoreNothing) {
    COptions options;
    ASSERT_EQ(options.Load(), 1);
    int rewrites = 0;
    COptionsDialog dialog(options);
    dialog.SetDisplayAllCharsChanged([&] { ++rewrites; });
    ASSERT_TRUE(dialog.Create());
    CPageSettings* page = dialog.GetSettingsPage();
    page->GetDlgItem<QCheckBox>(IDC_SHOW_ADVERTISEMENT)->setChecked(false);
    page->GetDlgItem<QCheckBox>(IDC_DISPLAY_ALL_CHARS)->setChecked(true);
    SaveShot(dialog, "keyboard-options.png");
    // the update page follows the settings page
    ASSERT_EQ(dialog.GetTabCtrl()->count(), 2);
    EXPECT_EQ(dialog.GetTabCtrl()->tabText(1), QStringLiteral("Update"));
    dialog.GetTabCtrl()->SetActiveTab(1);
    SaveShot(dialog, "keyboard-options-update.png");
    dialog.GetTabCtrl()->SetActiveTab(0);
    // Escape and Enter on the page and on the window close nothing
    QTest::keyClick(page, Qt::Key_Escape);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QTest::keyClick(page, Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
    QTest::mouseClick(dialog.GetDlgItem(IDCANCEL), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(options.GetAdvertisement(), 1);
    EXPECT_EQ(options.GetDisplayAllChars(), 0);
    EXPECT_EQ(rewrites, 0);
}

TEST_F(KeyboardWindowsTest, TheDialogsSettingsSurviveARestart) {
    {
        COptions options;
        ASSERT_EQ(options.Load(), 1);
        CKeyboardDlg dialog(options, &m_sink, &m_physical);
        ASSERT_TRUE(dialog.Create());
        dialog.SelectLayout(kRussian);
        dialog.SelectType(KB_TYPE_102);
        COptionsDialog settings(options);
        ASSERT_TRUE(settings.Create());
        settings.GetSettingsPage()->GetDlgItem<QCheckBox>(IDC_DISPLAY_ALL_CHARS)->setChecked(true);
        settings.SetDisplayAllCharsChanged([&] { dialog.UpdateKeys(); });
        QTest::mouseClick(settings.GetDlgItem(IDOK), Qt::LeftButton);
        dialog.DestroyWindow();
        ASSERT_EQ(options.Save(), 1);
    }
    COptions options;
    ASSERT_EQ(options.Load(), 1);
    EXPECT_STREQ(options.GetKeyboardName().GetString(), L"Russian");
    CKeyboardDlg dialog(options, &m_sink, &m_physical);
    ASSERT_TRUE(dialog.Create());
    EXPECT_EQ(dialog.GetModel().GetLayoutId(), kRussian);
    EXPECT_EQ(dialog.GetModel().GetType(), KB_TYPE_102);
    EXPECT_EQ(dialog.GetDlgItem<QComboBox>(IDC_LAYOUT_COMBO)->currentText(), QStringLiteral("Russian"));
    EXPECT_EQ(dialog.GetDlgItem<QComboBox>(IDC_TYPE_COMBO)->currentText(), QStringLiteral("102 keys"));
    // the 102nd key is there, and every key shows its corners
    EXPECT_TRUE(dialog.GetCharacterKey(39)->isVisibleTo(&dialog));
    EXPECT_EQ(dialog.GetCharacterKey(2)->CornerCount(), 2) << "2 and \" on the Russian key";
    EXPECT_EQ(dialog.GetCharacterKey(14)->CornerCount(), 2) << "й and Й: only a Latin letter stands alone";
    SaveShot(dialog, "keyboard-all-characters.png");

    // a click on a key types it
    QTest::mouseClick(dialog.GetCharacterKey(14), Qt::LeftButton);
    EXPECT_EQ(m_sink.typed, u"й");
    // Shift on the screen changes the captions
    QTest::mouseClick(dialog.GetKey(IDC_KEY_LSHIFT), Qt::LeftButton);
    EXPECT_EQ(dialog.GetCharacterKey(14)->text(), QStringLiteral("Й"));
    EXPECT_TRUE(dialog.GetKey(IDC_KEY_RSHIFT)->GetPressedLook());
}

TEST_F(KeyboardWindowsTest, RoundKeysLightUnderThePointerAndShowOneLetter) {
    CRoundButton key;
    key.resize(40, 40);
    key.SetAllCaptions(true);
    key.SetDisplayAllChars(true);
    key.SetCorners(u"q", u"", u"");
    key.setText(QStringLiteral("q"));
    key.show();
    EXPECT_EQ(key.CornerCount(), 1);
    const QPoint inside(2, 20);
    QEnterEvent enter(QPointF(20, 20), QPointF(20, 20), QPointF(20, 20));
    QCoreApplication::sendEvent(&key, &enter);
    EXPECT_TRUE(key.IsLit());
    EXPECT_EQ(key.grab().toImage().pixelColor(inside), QColor(0, 0, 128));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&key, &leave);
    EXPECT_FALSE(key.IsLit());
    EXPECT_EQ(key.grab().toImage().pixelColor(inside), QColor(Qt::white));
    // three corners with a non-letter
    key.SetCorners(u"2", u"\"", u"²");
    EXPECT_EQ(key.CornerCount(), 3);
    key.SetDisplayAllChars(false);
    EXPECT_EQ(key.CornerCount(), 0);
}

TEST_F(KeyboardWindowsTest, AboutBoxPicture) {
    CAboutDlg about;
    ASSERT_TRUE(about.Create());
    const QString markup = about.GetLink()->text();
    EXPECT_TRUE(markup.startsWith(QStringLiteral("<u> <a href= http"))) << markup.toStdString();
    EXPECT_TRUE(markup.endsWith(QStringLiteral(" > Visit the Ondrivel web page </a></u>"))) << markup.toStdString();
    SaveShot(about, "keyboard-about.png");
}
