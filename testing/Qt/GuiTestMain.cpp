// The main of the test executables of user-interface code (suites labelled
// gui): the isolated environment of every test process, and the Qt
// application on the offscreen platform (unless QT_QPA_PLATFORM names
// another) with the Fusion style, its standard palette and DejaVu Sans
// (fonts-dejavu-core) as the application font, so that widgets look the
// same on every machine, whatever other fonts it has.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <QStyle>
#include <QStyleFactory>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "testing/IsolatedRun.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    return kvxtest::RunInIsolatedEnvironment([&] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        const char* tmp = std::getenv("TMPDIR");
        const std::string runtime = std::string(tmp && *tmp ? tmp : "/tmp") + "/runtime";
        std::filesystem::create_directories(runtime);
        std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);

        QApplication application(argc, argv);
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        QApplication::setPalette(QApplication::style()->standardPalette());
        QFont font = QApplication::font();
        font.setFamily(QStringLiteral("DejaVu Sans"));
        QApplication::setFont(font);
        return RUN_ALL_TESTS();
    });
}
