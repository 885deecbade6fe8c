#include <gtest/gtest.h>

#include <QDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <string>
#include <vector>

#include "Pendrel/App/KVXApp.h"
#include "Pendrel/Controls/WinButton.h"
#include "Pendrel/Dialogs/PageUpdate.h"
#include "Pendrel/Platform/KVXMessageBox.h"
#include "Pendrel/Platform/KVXSysColors.h"
#include "utility/StringTableRegistration.h"

namespace {

// The program's title, as a program's string table holds it.
const StringTableEntry kProgramStrings[] = {{57344, L"Quenzel"}};
const CStringTableRegistration kProgramStringsRegistration(kProgramStrings);

// An options window with a default OK button that Enter would press and
// Cancel that Escape would press, holding the page.
class OptionsHost : public QDialog {
public:
    explicit OptionsHost(CKVXApp* app) {
        resize(430, 260);
        m_ok = new QPushButton(QStringLiteral("OK"), this);
        m_ok->setDefault(true);
        m_ok->setGeometry(340, 226, 75, 24);
        connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
        m_page = new CPageUpdate(this, this, app);
        m_page->Create();
        m_page->move(10, 10);
    }
    CPageUpdate* Page() const { return m_page; }

private:
    QPushButton* m_ok;
    CPageUpdate* m_page;
};

TEST(PageUpdateTest, ShowsThePrivacyNoteAndTheProgramsPicture) {
    CKVXApp app;
    app.SetApplicationId(2);
    OptionsHost host(&app);
    CPageUpdate* page = host.Page();
    host.show();

    EXPECT_EQ(std::wstring(page->GetDlgItemText(CPageUpdate::IDC_PRIVACY_NOTE).GetString()),
              L"Only the version information of Quenzel and the Operating System you are using will be submitted to "
              L"the server.");
    int isPng = 0;
    EXPECT_TRUE(page->GetUpdateButton()->HasImage(isPng));
    EXPECT_TRUE(isPng);
    EXPECT_EQ(page->GetUpdateButton()->text(), QStringLiteral("Update Now"));
    EXPECT_EQ(page->palette().color(QPalette::Window), KVXToQColor(app.GetTabPageBkColor()));
    EXPECT_TRUE(page->autoFillBackground());

    // The note fits its label: the label is tall enough for its wrapped
    // lines.
    QWidget* note = page->GetDlgItem(CPageUpdate::IDC_PRIVACY_NOTE);
    const QRect needed = note->fontMetrics().boundingRect(QRect(0, 0, note->width(), 1000), Qt::TextWordWrap,
                                                         note->property("text").toString());
    EXPECT_LE(needed.height(), note->height());

    std::filesystem::create_directories(KVX_SCREENSHOT_FOLDER);
    host.grab().save(QStringLiteral(KVX_SCREENSHOT_FOLDER "/update-page.png"));
}

TEST(PageUpdateTest, EnterAndEscapeNeitherCloseTheHostNorStartAnUpdate) {
    CKVXApp app;
    OptionsHost host(&app);
    bool stillOpen = false;
    bool started = false;
    QTimer::singleShot(0, [&] {
        CWinButton* button = host.Page()->GetUpdateButton();
        button->setFocus();
        for (QWidget* target : {static_cast<QWidget*>(button), static_cast<QWidget*>(host.Page())})
            for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) QTest::keyClick(target, key);
        stillOpen = host.isVisible();
        started = host.Page()->IsJobRunning() || host.Page()->GetProgressDlg().isVisible();
        host.done(QDialog::Accepted + 5);
    });
    EXPECT_EQ(host.exec(), QDialog::Accepted + 5);
    EXPECT_TRUE(stillOpen);
    EXPECT_FALSE(started);
}

TEST(PageUpdateTest, WithoutTheOnlineLibraryTheRunEndsWithAnError) {
    struct Box {
        std::wstring text;
        UINT flags;
    };
    std::vector<Box> boxes;
    KVXSetMessageBoxHandler([&](QWidget*, const CBasicString& text, const CBasicString&, UINT flags) {
        boxes.push_back({text.GetString(), flags});
        return IDOK;
    });
    CKVXApp app;  // never initialised: no library, no link table
    OptionsHost host(&app);
    host.show();
    host.Page()->GetUpdateButton()->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !host.Page()->IsJobRunning(); }, 60000));
    KVXSetMessageBoxHandler(nullptr);

    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, L"");
    EXPECT_EQ(boxes[0].flags & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(host.Page()->GetOutcome(), 0);
    EXPECT_FALSE(host.Page()->GetProgressDlg().isVisible());
    EXPECT_TRUE(host.isVisible());
}

} // namespace
