// The keyboard program's help, offscreen: F1 reaches the application's Help
// command from any window of the program; the desktop's opener is replaced
// by a recording stand-in.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWidget>

#include <string>
#include <vector>

#include "Keyboard/KeyboardApp.h"
#include "Keyboard/KeyboardDlg.h"
#include "Keyboard/KeyboardResources.h"
#include "Keyboard/Options.h"
#include "KeyboardTestKit.h"
#include "Pendrel/Platform/KVXLauncher.h"
#include "Pendrel/Platform/KVXMessageBox.h"
#include "Pendrel/Platform/KVXWindowMessages.h"
#include "testing/TempFolder.h"

namespace {

class KeyboardHelpTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_home.RedirectHome();
        KeyboardSetApp(&m_app);
        KVXSetLauncherHandler([this](const CBasicString& path, KVX_LAUNCH_KIND) {
            m_opened.emplace_back(path.GetString());
            return TRUE;
        });
        KVXSetMessageBoxHandler([this](QWidget*, const CBasicString& text, const CBasicString& caption, UINT) {
            m_boxes.emplace_back(text.GetString());
            m_caption = caption.GetString();
            return IDOK;
        });
    }
    void TearDown() override {
        KVXSetMessageBoxHandler({});
        KVXSetLauncherHandler({});
        KeyboardSetApp(nullptr);
    }

    kvxtest::TempFolder m_home;
    CKeyboardApp m_app;
    CRecordingInputSink m_sink;
    CFakePhysicalKeys m_physical;
    std::vector<std::wstring> m_opened;
    std::vector<std::wstring> m_boxes;
    std::wstring m_caption;
};

TEST_F(KeyboardHelpTest, F1AndTheHelpCommandReachTheApplicationsHelp) {
    COptions options;
    ASSERT_EQ(options.Load(), 1);
    CKeyboardDlg dialog(options, &m_sink, &m_physical);
    ASSERT_TRUE(dialog.Create());
    // The keyboard never takes the focus: F1 reaches the help from the
    // program's other windows (here one of its own).
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    // Before the start found a help file there is none to open: the
    // system's text for a missing file, under the program's title.
    QTest::keyClick(&other, Qt::Key_F1);
    EXPECT_EQ(m_boxes, std::vector<std::wstring>{L"The file was not found."});
    EXPECT_EQ(m_caption, L"Ondrivel");
    EXPECT_TRUE(m_opened.empty());

    // The help file the build puts beside the program (and its tests).
    m_app.SetHelpFile();
    ASSERT_FALSE(m_app.GetHelpFile().IsEmpty());
    SendMessage(&dialog, WM_COMMAND, ID_KEYBOARD_HELP, 0);
    ASSERT_EQ(m_opened.size(), 1u);
    EXPECT_EQ(m_opened[0], std::wstring(m_app.GetHelpFile().GetString()));
    EXPECT_NE(m_opened[0].find(L"/Ondrivel.html"), std::wstring::npos);
    QTest::keyClick(&other, Qt::Key_F1);
    EXPECT_EQ(m_opened.size(), 2u);
    EXPECT_EQ(m_boxes.size(), 1u);
    dialog.DestroyWindow();
}

} // namespace
