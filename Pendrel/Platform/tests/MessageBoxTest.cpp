#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "Pendrel/Platform/KVXMessageBox.h"
#include "Pendrel/Platform/KVXText.h"

namespace {

// Presses a button of the message box once it shows; the key when the
// button is null.
void AnswerBox(QMessageBox::StandardButton button, Qt::Key key = Qt::Key_Escape) {
    QTimer::singleShot(0, [=] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        if (button == QMessageBox::NoButton) QTest::keyClick(box, key);
        else QTest::mouseClick(box->button(button), Qt::LeftButton);
    });
}

TEST(MessageBox, ButtonsAndTheirResults) {
    struct Case {
        UINT flags;
        QMessageBox::StandardButton press;
        int result;
    } cases[] = {
        {MB_OK | MB_ICONINFORMATION, QMessageBox::Ok, IDOK},
        {MB_OK | MB_ICONERROR, QMessageBox::NoButton, IDOK},
        {MB_OKCANCEL, QMessageBox::Cancel, IDCANCEL},
        {MB_YESNO | MB_ICONQUESTION, QMessageBox::Yes, IDYES},
        {MB_YESNO, QMessageBox::NoButton, IDNO},
        {MB_YESNOCANCEL | MB_ICONWARNING, QMessageBox::No, IDNO},
        {MB_YESNOCANCEL, QMessageBox::NoButton, IDCANCEL},
    };
    for (const Case& c : cases) {
        AnswerBox(c.press);
        EXPECT_EQ(KVXMessageBox(nullptr, L"Text", L"Caption", c.flags), c.result) << c.flags;
    }
}

TEST(MessageBox, TheBoxShowsTextCaptionAndIcon) {
    QApplication::setApplicationDisplayName(QStringLiteral("Quenzel"));
    QString text, title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        text = box->text();
        title = box->windowTitle();
        icon = box->icon();
        box->button(QMessageBox::Ok)->click();
    });
    KVXMessageBox(nullptr, L"Saved.", nullptr, MB_ICONINFORMATION);
    EXPECT_EQ(text, QStringLiteral("Saved."));
    EXPECT_TRUE(title.startsWith(QStringLiteral("Quenzel"))) << title.toStdString();
    EXPECT_EQ(icon, QMessageBox::Information);
}

TEST(MessageBox, AHandlerAnswersInPlaceOfTheBox) {
    CBasicString seenText, seenCaption;
    UINT seenFlags = 0;
    KVXSetMessageBoxHandler([&](QWidget*, const CBasicString& text, const CBasicString& caption, UINT flags) {
        seenText = text;
        seenCaption = caption;
        seenFlags = flags;
        return IDYES;
    });
    EXPECT_EQ(KVXMessageBox(nullptr, L"Delete the list?", L"Quenzel", MB_YESNO | MB_ICONQUESTION), IDYES);
    EXPECT_STREQ(seenText.GetString(), L"Delete the list?");
    EXPECT_STREQ(seenCaption.GetString(), L"Quenzel");
    EXPECT_EQ(seenFlags, MB_YESNO | MB_ICONQUESTION);
    KVXSetMessageBoxHandler(nullptr);
    AnswerBox(QMessageBox::Ok);
    EXPECT_EQ(KVXMessageBox(nullptr, nullptr, nullptr, MB_OK), IDOK);
}

} // namespace
