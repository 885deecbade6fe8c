// The About box and the help of the main program, offscreen. The desktop's
// opener is replaced by a recording stand-in; the link table is one of the
// test's own.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QTest>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Pendrel/App/KVXApp.h"
#include "Pendrel/App/KVXHelp.h"
#include "Pendrel/Controls/BasicHyperlinkCtrl.h"
#include "Pendrel/Core/LinkTable.h"
#include "Pendrel/Pendrel.h"
#include "Pendrel/Platform/KVXLauncher.h"
#include "Pendrel/Platform/KVXMessageBox.h"
#include "Pendrel/Platform/KVXWindowMessages.h"
#include "Quenzel/Shell/AboutDlg.h"
#include "Quenzel/Shell/MainDlg.h"
#include "QuenzelAppFixture.h"
#include "testing/RecordingLog.h"
#include "utility/LibraryLog.h"

namespace {

class AboutHelpTest : public QuenzelAppFixture {
protected:
    void SetUp() override {
        QuenzelAppFixture::SetUp();
        SetLibraryLog(&m_log);
        KVXSetLauncherHandler([this](const CBasicString& path, KVX_LAUNCH_KIND kind) {
            m_opened.emplace_back(path.GetString(), kind);
            return m_openerWorks;
        });
        KVXSetMessageBoxHandler([this](QWidget*, const CBasicString& text, const CBasicString& caption, UINT flags) {
            m_boxes.emplace_back(text.GetString());
            m_caption = caption.GetString();
            m_flags = flags;
            return IDOK;
        });
    }
    void TearDown() override {
        KVXSetMessageBoxHandler({});
        KVXSetLauncherHandler({});
        KVXSetApp(nullptr);
        if (m_kvx.GetLinkTable()) m_kvx.Release();
        SetLibraryLog(nullptr);
        QuenzelAppFixture::TearDown();
    }
    // The framework object with a link table that has the About page.
    void UseLinks() {
        m_links.WriteFile("UrlFile.xml",
                          "<UrlFile><Link id=\"15\" url=\"http://127.0.0.1:8080/kvx/about/quenzel.html\"/></UrlFile>");
        m_kvx.SetLinkTable(std::make_unique<CLinkTable>());
        m_kvx.GetLinkTable()->Load(m_links.WPath().c_str(), nullptr);
        KVXSetApp(&m_kvx);
    }
    std::vector<int> AssertionLines() const {
        std::vector<int> lines;
        for (const kvxtest::RecordedEntry& e : m_log.Entries())
            if (e.call == kvxtest::LogCall::WriteSourceMessage && e.text == L"Assert Failed!!!") lines.push_back(e.line);
        return lines;
    }

    kvxtest::RecordingLog m_log;
    kvxtest::TempFolder m_links;
    CKVXApp m_kvx;
    BOOL m_openerWorks = TRUE;
    std::vector<std::pair<std::wstring, KVX_LAUNCH_KIND>> m_opened;
    std::vector<std::wstring> m_boxes;
    std::wstring m_caption;
    UINT m_flags = 0;
};

TEST_F(AboutHelpTest, TheHeaderStripsMenuOpensTheAboutBoxWithTheProgramsLink) {
    UseLinks();
    CMainDlg dialog(m_app.Services());
    ASSERT_TRUE(dialog.Create());
    dialog.show();
    // Below the header line there is no menu of the strip.
    EXPECT_EQ(dialog.CreateHeaderMenu(QPoint(20, dialog.height() / 2)), nullptr);
    std::unique_ptr<QMenu> menu(dialog.CreateHeaderMenu(QPoint(20, 10)));
    ASSERT_TRUE(menu);
    const QList<QAction*> actions = menu->actions();
    ASSERT_EQ(actions.size(), 2);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("&About Quenzel..."));
    EXPECT_EQ(actions[1]->text(), QStringLiteral("&Help"));
    EXPECT_EQ(actions[1]->shortcut(), QKeySequence(QKeySequence::HelpContents));

    actions[0]->trigger();
    CAboutDlg* about = dialog.GetAboutDialog();
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isVisible());
    EXPECT_EQ(about->windowTitle(), QStringLiteral("About Quenzel"));
    EXPECT_EQ(about->GetDlgItem(IDC_ABOUT_LINK), about->GetLink());
    EXPECT_EQ(about->GetLink()->text(),
              QStringLiteral("<u> <a href= http://127.0.0.1:8080/kvx/about/quenzel.html > Visit the Quenzel web page "
                             "</a></u>"));
    EXPECT_FALSE(about->GetDlgItem<QLabel>(IDC_ABOUT_ICON)->pixmap().isNull());
    EXPECT_TRUE(AssertionLines().empty());
#ifdef KVX_SCREENSHOT_FOLDER
    QDir().mkpath(QStringLiteral(KVX_SCREENSHOT_FOLDER));
    EXPECT_TRUE(about->grab().save(QStringLiteral(KVX_SCREENSHOT_FOLDER "/about-box.png")));
#endif
    about->DestroyWindow();

    // The window-menu command opens it again.
    SendMessage(&dialog, WM_COMMAND, IDM_ABOUTBOX, 0);
    ASSERT_NE(dialog.GetAboutDialog(), nullptr);
    EXPECT_TRUE(dialog.GetAboutDialog()->isVisible());
    dialog.DestroyWindow();
}

TEST_F(AboutHelpTest, WithoutTheLinkTheAboutLabelKeepsItsText) {
    CAboutDlg about;
    ASSERT_TRUE(about.Create());
    EXPECT_EQ(AssertionLines(), std::vector<int>{90});
    EXPECT_NE(about.GetDlgItem(IDC_ABOUT_LINK), about.GetLink());
    EXPECT_EQ(about.GetDlgItem<QLabel>(IDC_ABOUT_LINK)->text(), QStringLiteral("Visit the Quenzel web page"));
}

TEST_F(AboutHelpTest, F1OpensTheHelpFileBesideTheProgram) {
    // The build puts the help beside the programs, as the tests' binaries.
    ASSERT_FALSE(m_app.GetHelpFile().IsEmpty());
    EXPECT_TRUE(QFileInfo(QString::fromWCharArray(m_app.GetHelpFile().GetString())).fileName() ==
                QStringLiteral("Quenzel.html"));
    CMainDlg dialog(m_app.Services());
    ASSERT_TRUE(dialog.Create());
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    QTest::keyClick(&dialog, Qt::Key_F1);
    ASSERT_EQ(m_opened.size(), 1u);
    EXPECT_EQ(m_opened[0].first, std::wstring(m_app.GetHelpFile().GetString()));
    EXPECT_EQ(m_opened[0].second, KVX_LAUNCH_OPEN_FILE);
    EXPECT_TRUE(m_boxes.empty());

    // An opener that does not start gives the system's text for it.
    m_openerWorks = FALSE;
    SendMessage(&dialog, WM_COMMAND, ID_HELP, 0);
    EXPECT_EQ(m_boxes, std::vector<std::wstring>{L"No application is associated with the specified file for this operation."});
    EXPECT_EQ(m_caption, L"Quenzel");
    EXPECT_EQ(m_flags, UINT(MB_ICONERROR));
    dialog.DestroyWindow();
}

TEST_F(AboutHelpTest, TheHelpFileIsFoundOnlyWhenItExists) {
    kvxtest::TempFolder folder;
    const std::wstring program = folder.WSub("Quenzel");
    EXPECT_TRUE(KVXFindHelpFile(program.c_str(), L"Quenzel", ".\\Quenzel", 293).IsEmpty());
    folder.WriteFile("Quenzel.html", "<html></html>");
    EXPECT_EQ(std::wstring(KVXFindHelpFile(program.c_str(), L"Quenzel", ".\\Quenzel", 293).GetString()),
              folder.WSub("Quenzel.html"));
    // A program path without a folder has no help file.
    EXPECT_TRUE(KVXFindHelpFile(L"Quenzel", L"Quenzel", ".\\Quenzel", 293).IsEmpty());

    // No help file: the help command says the file was not found and opens
    // nothing.
    EXPECT_FALSE(KVXShowHelp(nullptr, CBasicString(), L"Quenzel"));
    EXPECT_FALSE(KVXShowHelp(nullptr, CBasicString(folder.WSub("gone.html").c_str()), L"Quenzel"));
    EXPECT_TRUE(m_opened.empty());
    EXPECT_EQ(m_boxes, (std::vector<std::wstring>{L"The file was not found.", L"The file was not found."}));
}

} // namespace
