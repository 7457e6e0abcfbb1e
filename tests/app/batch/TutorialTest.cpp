#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

// The tutorial is run as a reader would run it: every fenced command, in order, in one empty folder.
TEST(Tutorial, EveryStepRuns)
{
    QFile file(QStringLiteral(OZMID_TEST_DATA_DIR "/../docs/tutorial.md"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    static const QRegularExpression fence("```(sh|python|r)\\n(.*?)```",
                                          QRegularExpression::DotMatchesEverythingOption);
    int steps = 0;
    const QTemporaryDir work;
    const QString rscript = QStandardPaths::findExecutable("Rscript");
    qputenv("QT_QPA_PLATFORM", "offscreen"); // for the steps, which inherit it
    for (auto it = fence.globalMatch(QString::fromUtf8(file.readAll())); it.hasNext(); ++steps) {
        const QRegularExpressionMatch step = it.next();
        const QString language = step.captured(1);
        const QString text = step.captured(2);
        QProcess process;
        process.setWorkingDirectory(work.path());
        if (language == QLatin1String("sh")) {
            process.start("/bin/sh",
                          {"-ec", QString(text).replace("build/bin/", QStringLiteral(OZMID_BINARY_DIR "/"))});
        } else if (language == QLatin1String("python")) {
            process.start("/usr/bin/python3", {"-c", text});
        } else if (!rscript.isEmpty()) {
            process.start(rscript, {"-e", text});
        } else {
            continue; // R is not installed here
        }
        ASSERT_TRUE(process.waitForFinished(600000)) << text.toStdString();
        const QByteArray output = process.readAllStandardOutput();
        EXPECT_EQ(process.exitCode(), 0) << text.toStdString() << "\n" << process.readAllStandardError().toStdString();
        if (language != QLatin1String("sh")) {
            EXPECT_GT(output.count('\n'), 5) << text.toStdString() << " printed:\n" << output.toStdString();
        }
    }
    EXPECT_GE(steps, 4);
    for (const QString written : {"austria.json", "austria.run.json", "eu.json.gz", "eu.csv.gz", "eu-draws.csv.gz",
                                  "eu.run.json", "treated.json", "treated.run.json"})
        EXPECT_TRUE(QFile::exists(work.filePath(written))) << written.toStdString();
}
