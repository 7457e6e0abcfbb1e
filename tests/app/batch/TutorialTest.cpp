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
    static const QRegularExpression fence("```(sh|python|r)\\n(.*?)```",
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
    const QString rscript = QStandardPaths::findExecutable("Rscript");
    for (const Step& step : tutorial) {
        QProcess process;
        process.setWorkingDirectory(work.path());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        process.setProcessEnvironment(environment);
        if (step.language == QLatin1String("sh")) {
            QString command = step.text;
            command.replace("build/bin/", QStringLiteral(OZMID_BINARY_DIR "/"));
            process.start("/bin/sh", {"-ec", command});
        } else if (step.language == QLatin1String("python")) {
            process.start("/usr/bin/python3", {"-c", step.text});
        } else if (!rscript.isEmpty()) {
            process.start(rscript, {"-e", step.text});
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
    for (const QString written : {"austria.json", "austria.run.json", "eu.json.gz", "eu.csv.gz", "eu-draws.csv.gz",
                                  "eu.run.json", "treated.json", "treated.run.json"})
        EXPECT_TRUE(QFile::exists(work.filePath(written))) << written.toStdString();
}
