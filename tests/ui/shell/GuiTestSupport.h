#pragma once

#include <QSize>
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QVariant>
#include <QWebEnginePage>

#include "ui/SampleBaseFolder.h"

// Helpers of the graphical tests: polling waits (never fixed sleeps), page scripts run to
// completion, modal dialogs answered from a timer.
namespace guitest {

constexpr int timeoutMs = 60000;

// Processes events (deferred deletions included) until the condition holds.
inline bool waitFor(const std::function<bool()>& condition, int timeout = timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeout)
            return false;
        QTest::qWait(20);
    }
    return true;
}

// The result of a script, or an invalid variant when the page did not answer in time.
inline QVariant runJavaScript(QWebEnginePage* page, const QString& code, int timeout = timeoutMs)
{
    QVariant result;
    bool done = false;
    page->runJavaScript(code, [&](const QVariant& value) {
        result = value;
        done = true;
    });
    waitFor([&] { return done; }, timeout);
    return result;
}

inline bool waitForScript(QWebEnginePage* page, const QString& condition, int timeout = timeoutMs)
{
    return waitFor([&] { return runJavaScript(page, condition, timeout).toBool(); }, timeout);
}

// Calls action once with the first modal dialog of type Dialog that shows up; gives up
// after the time-out, so a dialog that never opens fails the test instead of hanging it.
template <typename Dialog>
void whenModal(const std::function<void(Dialog*)>& action, int timeout = timeoutMs)
{
    auto* timer = new QTimer(qApp);
    auto* clock = new QElapsedTimer;
    clock->start();
    QObject::connect(timer, &QTimer::timeout, [timer, clock, action, timeout] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (!dialog && clock->elapsed() < timeout)
            return;
        timer->stop();
        timer->deleteLater();
        delete clock;
        if (dialog)
            action(dialog);
    });
    timer->start(20);
}

// Types the path into the dialog's file name field, as a user would, and accepts. (The
// dialog's selectFile leaves a focused name field alone.)
inline void typeFileName(QFileDialog* dialog, const QString& path)
{
    if (auto* name = dialog->findChild<QLineEdit*>("fileNameEdit"))
        name->setText(path);
    else
        dialog->selectFile(path);
    QMetaObject::invokeMethod(dialog, "accept");
    // A refused name would leave the dialog open and the test waiting forever: fail instead.
    if (dialog->isVisible())
        dialog->reject();
}

// The window sizes the page's layout is tested at: the window's own and a laptop's 1280 x 720
// screen, where the tables and the pop-ups have less room.
inline const auto windowSizes = ::testing::Values(QSize(), QSize(1280, 720));

inline std::string windowSizeName(const ::testing::TestParamInfo<QSize>& info)
{
    return info.param.isValid() ? std::to_string(info.param.width()) + "x" + std::to_string(info.param.height())
                                : std::string("Initial");
}

} // namespace guitest

// Names the window size in the test's output ("1280x720"); found by argument lookup.
inline void PrintTo(const QSize& size, std::ostream* out)
{
    *out << size.width() << 'x' << size.height();
}
