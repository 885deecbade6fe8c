#pragma once
// The fixture of the tests of the learning view and the quiz: the program's
// application object over a fresh database, today fixed at kToday, and the
// window theme that the owner-drawn buttons draw through (the application
// object makes it in the program).

#include <QDir>
#include <QWidget>

#include "Pendrel/Controls/tests/ControlsTestSupport.h"
#include "Pendrel/Theme/WinThemeQStyle.h"
#include "Quenzel/Shell/tests/QuenzelAppFixture.h"
#include "Quenzel/Tutor/Model/QuizSession.h"
#include "Quenzel/Tutor/Model/tests/TutorListData.h"

namespace learntest {

class LearnTest : public QuenzelAppFixture {
protected:
    void SetUp() override {
        QuenzelAppFixture::SetUp();
        TutorSetTodayForTests(kToday);
    }
    void TearDown() override {
        TutorSetTodayForTests(L"");
        QuenzelAppFixture::TearDown();
    }
    CAbstractDataBase& Db() { return *m_app.GetDataBase(); }
    static void Screenshot(QWidget& window, const char* name) {
        QDir().mkpath(QStringLiteral(KVX_SCREENSHOT_FOLDER));
        window.grab().save(QStringLiteral(KVX_SCREENSHOT_FOLDER "/") + QLatin1String(name));
    }

    kvxcontrolstest::ThemeScope m_theme{new CWinThemeQStyle};
};

}  // namespace learntest
