#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include "fn/KnownIds.h"
#include "fn/data/DiseaseReportMgr.h"
#include "fn/data/ReferenceStoreTestSupport.h"
#include "fn/data/Settings.h"

namespace {

// Runs the test body in its own working directory and restores the previous one.
class WorkingDirectory
{
public:
    explicit WorkingDirectory(const QString& path)
        : m_previous(QDir::currentPath())
    {
        QDir::setCurrent(path);
    }
    ~WorkingDirectory() { QDir::setCurrent(m_previous); }

private:
    QString m_previous;
};

} // namespace

TEST(Settings, DefaultsStorageAndWorkingDirectory)
{
    QTemporaryDir first;
    QTemporaryDir second;
    {
        const WorkingDirectory cwd(first.path());
        fn::Settings settings;
        EXPECT_EQ(fn::Settings::fileName(), QCoreApplication::applicationName() + ".ini");
        EXPECT_EQ(settings.defaultNumberOfSamples(), 1000);
        EXPECT_EQ(settings.randomSeed(), 0);
        EXPECT_EQ(settings.timeDiscountRate(), 0.0);

        settings.setDefaultNumberOfSamples(250);
        settings.setRandomSeed(4711);
        settings.setTimeDiscountRate(0.035);
        settings.sync();
        EXPECT_EQ(settings.timeDiscountRate(), 0.035);
    }
    // The file lies in the working directory, with the keys in the "RunSettings" section.
    const QString iniPath = first.path() + "/" + fn::Settings::fileName();
    ASSERT_TRUE(QFileInfo::exists(iniPath));
    {
        QSettings raw(iniPath, QSettings::IniFormat);
        EXPECT_EQ(raw.value("RunSettings/DefaultNumberOfSamples").toString(), "250");
        EXPECT_EQ(raw.value("RunSettings/RandomSeed").toString(), "4711");
        EXPECT_EQ(raw.value("RunSettings/TimeDiscountRate").toString(), "0.035");
        raw.setValue("RunSettings/RandomSeed", "not a number");
    }
    {
        const WorkingDirectory cwd(first.path());
        const fn::Settings settings;
        EXPECT_EQ(settings.defaultNumberOfSamples(), 250);
        EXPECT_EQ(settings.randomSeed(), 0);
        EXPECT_EQ(settings.timeDiscountRate(), 0.035);
    }
    {
        // Another working directory means another settings file.
        const WorkingDirectory cwd(second.path());
        const fn::Settings settings;
        EXPECT_EQ(settings.defaultNumberOfSamples(), 1000);
        EXPECT_EQ(settings.timeDiscountRate(), 0.0);
        EXPECT_FALSE(QFileInfo::exists(second.path() + "/" + fn::Settings::fileName()));
    }
}

TEST(DiseaseReportMgr, SharedAndOwnReports)
{
    QTemporaryDir base;
    ASSERT_TRUE(QDir(base.path()).mkdir("diseaseReports"));
    const QString reports = base.path() + "/diseaseReports/";
    referencetest::writeAll(reports + "BaselineAMR.html", "<p>Shared AMR report</p>\n");
    referencetest::writeAll(reports + "Salmonellosis.html", "<p>Own report</p>");
    referencetest::writeAll(reports + "StreptococcusPneumoniaePMRSPRESP.html", "<p>Misnamed</p>");

    fn::DiseaseReportMgr mgr;
    mgr.setBasePath(base.path());
    ASSERT_EQ(fn::knownDiseaseIds().size(), 85);
    for (const QString& id : fn::knownDiseaseIds())
        EXPECT_EQ(mgr.getReport(id), "<p>Shared AMR report</p>\n") << id.toStdString();
    EXPECT_EQ(mgr.getReport("Salmonellosis"), "<p>Own report</p>");
    // Not in the list (the list says "RES"), so looked up under its own name.
    EXPECT_EQ(mgr.getReport("StreptococcusPneumoniaePMRSPRESP"), "<p>Misnamed</p>");
    // Membership is case-sensitive: a lower-case id is a disease of its own, without a report.
    EXPECT_EQ(mgr.getReport("baselinebsi"), "No disease report found.");
    EXPECT_EQ(mgr.getReport("Unknown"), "No disease report found.");

    QFile own(reports + "Salmonellosis.html");
    ASSERT_TRUE(own.setPermissions(QFileDevice::Permissions()));
    // Only meaningful where permissions bind the test process (not for root).
    if (!QFileInfo(own.fileName()).isReadable()) {
        EXPECT_EQ(mgr.getReport("Salmonellosis"), "No disease report found.");
    }
    own.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    // Without a base folder the reports are looked for in the working directory: one without them.
    const QTemporaryDir elsewhere;
    const WorkingDirectory cwd(elsewhere.path());
    EXPECT_EQ(fn::DiseaseReportMgr().getReport("BaselineBSI"), "No disease report found.");
}
