#pragma once

#include <functional>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QVariant>
#include <QWebEnginePage>

#include "fn/data/InputDataMgr.h"
#include "fn/values/DataArray.h"
#include "fn/values/InputFactor.h"

// Helpers of the graphical tests: polling waits (never fixed sleeps), page scripts run to
// completion, modal dialogs answered from a timer, and a base folder holding the sample
// model specifications and the population of one country.
namespace guitest {

constexpr int timeoutMs = 60000;
const QString country = QStringLiteral("Austria");
const QString bsiDisease = QStringLiteral("IllustrativeCRKPBSI");
const QString listeriosisDisease = QStringLiteral("IllustrativeListeriosis");

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
    if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        name->setText(path);
    else
        dialog->selectFile(path);
    QMetaObject::invokeMethod(dialog, "accept");
    // A refused name would leave the dialog open and the test waiting forever: fail instead.
    if (dialog->isVisible())
        dialog->reject();
}

inline QStringList ageGroups()
{
    return {QStringLiteral("0-4"),   QStringLiteral("5-9"),   QStringLiteral("10-14"), QStringLiteral("15-19"),
            QStringLiteral("20-24"), QStringLiteral("25-29"), QStringLiteral("30-34"), QStringLiteral("35-39"),
            QStringLiteral("40-44"), QStringLiteral("45-49"), QStringLiteral("50-54"), QStringLiteral("55-59"),
            QStringLiteral("60-64"), QStringLiteral("65-69"), QStringLiteral("70-74"), QStringLiteral("75-79"),
            QStringLiteral("80-84"), QStringLiteral("85-89"), QStringLiteral("90+")};
}

// Copies the sample specifications into models/ and writes a reference data cache with a
// plausible population of one country: 19 age groups by sex.
inline bool prepareBaseFolder(const QString& path)
{
    QDir base(path);
    if (!base.mkpath(QStringLiteral("models")))
        return false;
    const QDir samples(QStringLiteral(OZMID_TEST_DATA_DIR "/../models"));
    const QStringList specifications = samples.entryList({QStringLiteral("*.json")}, QDir::Files);
    for (const QString& file : specifications) {
        if (!QFile::copy(samples.filePath(file), base.filePath(QStringLiteral("models/") + file)))
            return false;
    }
    const QVector<fn::InputFactor> factors = {
        fn::InputFactor(QStringLiteral("Age"), ageGroups()),
        fn::InputFactor(QStringLiteral("Sex"), {QStringLiteral("Female"), QStringLiteral("Male")})};
    QStringList population, lifeExpectancy;
    for (int i = 0; i < ageGroups().size(); ++i) {
        population << QString::number(230000 - 4000 * i) << QString::number(240000 - 6000 * i);
        lifeExpectancy << QString::number(qMax(3.0, 84.0 - 4.6 * i)) << QString::number(qMax(2.5, 79.5 - 4.6 * i));
    }
    fn::InputDataMgr store;
    store.setDirPath(path);
    store.setCountryCaption(country, country);
    store.setAgeDistribution(country, fn::DataArray(factors, QStringLiteral("Age distribution"), {}, population));
    store.setLifeExpectancy(country, fn::DataArray(factors, QStringLiteral("Life expectancy"), {}, lifeExpectancy));
    return store.saveCache() && !specifications.isEmpty();
}

} // namespace guitest
