#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

// The tutorial is run as a reader would run it: every fenced command, in order, in one empty folder.
namespace {

struct Step
{
    QString language;
    QString text;
};

QList<Step> steps(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromUtf8(file.readAll());
    static const QRegularExpression fence(QStringLiteral("```(sh|python|r)\\n(.*?)```"),
                                          QRegularExpression::DotMatchesEverythingOption);
    QList<Step> found;
    for (auto it = fence.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        found << Step{match.captured(1), match.captured(2)};
    }
    return found;
}

} // namespace

TEST(Tutorial, EveryStepRuns)
{
    const QList<Step> tutorial = steps(QStringLiteral(OZMID_TEST_DATA_DIR "/../docs/tutorial.md"));
    ASSERT_GE(tutorial.size(), 4);
    const QTemporaryDir work;
    const QString rscript = QStandardPaths::findExecutable(QStringLiteral("Rscript"));
    for (const Step& step : tutorial) {
        QProcess process;
        process.setWorkingDirectory(work.path());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(environment);
        if (step.language == QLatin1String("sh")) {
            QString command = step.text;
            command.replace(QStringLiteral("build/bin/"), QStringLiteral(OZMID_BINARY_DIR "/"));
            process.start(QStringLiteral("/bin/sh"), {QStringLiteral("-ec"), command});
        } else if (step.language == QLatin1String("python")) {
            process.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), step.text});
        } else if (!rscript.isEmpty()) {
            process.start(rscript, {QStringLiteral("-e"), step.text});
        } else {
            continue; // R is not installed here
        }
        ASSERT_TRUE(process.waitForFinished(600000)) << step.text.toStdString();
        const QByteArray output = process.readAllStandardOutput();
        EXPECT_EQ(process.exitCode(), 0) << step.text.toStdString() << "\n"
                                         << process.readAllStandardError().toStdString();
        if (step.language != QLatin1String("sh")) {
            EXPECT_GT(output.count('\n'), 5) << step.text.toStdString() << " printed:\n" << output.toStdString();
        }
    }
    for (const QString& written :
         {QStringLiteral("austria.json"), QStringLiteral("austria.run.json"), QStringLiteral("eu.json.gz"),
          QStringLiteral("eu.csv.gz"), QStringLiteral("eu-draws.csv.gz"), QStringLiteral("eu.run.json"),
          QStringLiteral("treated.json"), QStringLiteral("treated.run.json")})
        EXPECT_TRUE(QFile::exists(work.filePath(written))) << written.toStdString();
}
