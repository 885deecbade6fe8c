#include <gtest/gtest.h>

#include <QBuffer>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <functional>

#include "Quenzel/App/Options.h"
#include "Quenzel/Shell/PictureCtrl.h"
#include "Quenzel/Tutor/SyncOption.h"
#include "testing/TempFolder.h"
#include "utility/Posix/SystemError.h"

namespace {

class SyncOptionTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_home.RedirectHome();
        m_options = std::make_unique<COptions>();
        m_options->SetSyncEMail(L"old@example.org");
        m_options->SetSyncPassword(L"old");
        m_options->SetRememberSyncPassword(1);
    }

    // Runs the dialog modally; work runs inside its loop and ends it.
    INT_PTR Run(CSyncOption& dialog, const std::function<void()>& work) {
        QTimer::singleShot(0, &dialog, work);
        return dialog.DoModal();
    }

    kvxtest::TempFolder m_home;
    QuenzelServices Services() const {
        QuenzelServices services;
        services.options = m_options.get();
        return services;
    }

    std::unique_ptr<COptions> m_options;
};

} // namespace

TEST_F(SyncOptionTest, OkStoresTheAccountAndTheDirection) {
    CSyncOption dialog(Services(), nullptr);
    const INT_PTR result = Run(dialog, [&] {
        EXPECT_EQ(dialog.GetDlgItem<QLineEdit>(IDC_SYNC_EMAIL)->text(), QStringLiteral("old@example.org"));
        EXPECT_EQ(dialog.GetDlgItem<QLineEdit>(IDC_SYNC_PASSWORD)->echoMode(), QLineEdit::Password);
        EXPECT_TRUE(dialog.GetDlgItem<QCheckBox>(IDC_SYNC_REMEMBER)->isChecked());
        EXPECT_TRUE(dialog.GetDlgItem<QRadioButton>(IDC_SYNC_TO_LOCAL)->isChecked());
        dialog.GetDlgItem<QLineEdit>(IDC_SYNC_EMAIL)->setText(QStringLiteral("new@example.org"));
        dialog.GetDlgItem<QLineEdit>(IDC_SYNC_PASSWORD)->setText(QStringLiteral("n\u00E9w"));
        dialog.GetDlgItem<QCheckBox>(IDC_SYNC_REMEMBER)->setChecked(false);
        dialog.GetDlgItem<QRadioButton>(IDC_SYNC_TO_ONLINE)->setChecked(true);
        dialog.GetDlgItem<QPushButton>(IDOK)->click();
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(dialog.m_direction, 1);
    EXPECT_STREQ(m_options->GetSyncEMail().GetString(), L"new@example.org");
    EXPECT_STREQ(m_options->GetSyncPassword().GetString(), L"n\u00E9w");
    EXPECT_EQ(m_options->GetRememberSyncPassword(), 0);

    // The direction starts at "To Local" every time.
    const INT_PTR again = Run(dialog, [&] {
        EXPECT_TRUE(dialog.GetDlgItem<QRadioButton>(IDC_SYNC_TO_LOCAL)->isChecked());
        dialog.GetDlgItem<QPushButton>(IDOK)->click();
    });
    EXPECT_EQ(again, IDOK);
    EXPECT_EQ(dialog.m_direction, 0);
}

TEST_F(SyncOptionTest, CancelStoresNothing) {
    CSyncOption dialog(Services(), nullptr);
    const INT_PTR result = Run(dialog, [&] {
        dialog.GetDlgItem<QLineEdit>(IDC_SYNC_EMAIL)->setText(QStringLiteral("new@example.org"));
        dialog.GetDlgItem<QCheckBox>(IDC_SYNC_REMEMBER)->setChecked(false);
        dialog.GetDlgItem<QPushButton>(IDCANCEL)->click();
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_STREQ(m_options->GetSyncEMail().GetString(), L"old@example.org");
    EXPECT_STREQ(m_options->GetSyncPassword().GetString(), L"old");
    EXPECT_EQ(m_options->GetRememberSyncPassword(), 1);
}

TEST(PictureCtrlTest, PicturesFromBytesAndBadBytes) {
    CPictureCtrl control;
    QImage image(8, 4, QImage::Format_RGB32);
    image.fill(Qt::green);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    ASSERT_EQ(control.LoadFromMemory(reinterpret_cast<const BYTE*>(png.constData()), png.size()), 1);
    EXPECT_TRUE(control.HasPicture());
    EXPECT_EQ(control.GetPicture().size(), QSize(8, 4));

    const BYTE junk[] = {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'};
    EXPECT_EQ(control.LoadFromMemory(junk, sizeof junk), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));
    EXPECT_FALSE(control.HasPicture());
    EXPECT_EQ(control.LoadFromMemory(nullptr, 0), 0);
}
