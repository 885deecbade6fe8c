#pragma once
// Helpers of the controls' tests: the window theme the controls draw
// with, failed checks counted through the library log, and widgets
// rendered into images.

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QWidget>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "Pendrel/Theme/WinTheme.h"
#include "Pendrel/Theme/WinThemeClassic.h"
#include "Pendrel/Theme/WinThemeQStyle.h"
#include "testing/RecordingLog.h"
#include "utility/LibraryLog.h"

namespace kvxcontrolstest {

// Makes a theme the current one for the scope (the application object's
// part in the program).
class ThemeScope {
public:
    explicit ThemeScope(CAbstractWinTheme* theme) : m_theme(theme), m_previous(KVXGetCurrentWinTheme()) {
        KVXSetCurrentWinTheme(m_theme.get());
    }
    ~ThemeScope() { KVXSetCurrentWinTheme(m_previous); }
    ThemeScope(const ThemeScope&) = delete;
    ThemeScope& operator=(const ThemeScope&) = delete;

private:
    std::unique_ptr<CAbstractWinTheme> m_theme;
    CAbstractWinTheme* m_previous;
};

// Counts the failed checks reported while it lives.
class AssertionCounter {
public:
    AssertionCounter() { SetLibraryLog(&m_log); }
    ~AssertionCounter() { SetLibraryLog(nullptr); }
    int Count() const {
        int count = 0;
        for (const auto& entry : m_log.Entries())
            if (entry.text == L"Assert Failed!!!") ++count;
        return count;
    }

private:
    kvxtest::RecordingLog m_log;
};

inline QImage Render(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

inline bool IsGrey(QRgb pixel, int tolerance = 2) {
    const int r = qRed(pixel), g = qGreen(pixel), b = qBlue(pixel);
    return std::abs(r - g) <= tolerance && std::abs(g - b) <= tolerance && std::abs(r - b) <= tolerance;
}

inline void SendMouse(QWidget& widget, QEvent::Type type, QPoint position, Qt::MouseButton button,
                      Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(position), QPointF(widget.mapToGlobal(position)), button, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

} // namespace kvxcontrolstest
