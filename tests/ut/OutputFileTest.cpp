#include <gtest/gtest.h>

#include <sys/stat.h>
#include <thread>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "ut/OutputFile.h"

namespace {

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(OutputFile, ARegularFileIsReplacedOnlyOnceWrittenWhole)
{
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("results.json"));
    ASSERT_TRUE(ut::OutputFile::save(path, "previous"));

    {
        ut::OutputFile file(path);
        ASSERT_TRUE(file.open());
        ASSERT_TRUE(file.write("half of the new"));
        // Until the commit the previous content stays; abandoning keeps it.
        EXPECT_EQ(contentOf(path), QByteArray("previous"));
        file.cancel();
    }
    EXPECT_EQ(contentOf(path), QByteArray("previous"));
    {
        ut::OutputFile file(path);
        ASSERT_TRUE(file.open());
        ASSERT_TRUE(file.write("never committed"));
    }
    EXPECT_EQ(contentOf(path), QByteArray("previous"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({QStringLiteral("results.json")}));

    ut::OutputFile file(path);
    ASSERT_TRUE(file.open());
    ASSERT_TRUE(file.write("new "));
    ASSERT_TRUE(file.write("content"));
    ASSERT_TRUE(file.commit());
    EXPECT_EQ(contentOf(path), QByteArray("new content"));

    // A symbolic link stays a link; the file it leads to gets the content.
    const QString link = dir.filePath(QStringLiteral("latest.json"));
    ASSERT_TRUE(QFile::link(path, link));
    ASSERT_TRUE(ut::OutputFile::save(link, "through the link"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(contentOf(path), QByteArray("through the link"));
}

TEST(OutputFile, FailuresNameTheFileAndTheReasonAndKeepThePreviousFile)
{
    const QTemporaryDir dir;
    const QString missingFolder = dir.filePath(QStringLiteral("no such folder/results.json"));
    QString error;
    EXPECT_FALSE(ut::OutputFile::save(missingFolder, "x", &error));
    EXPECT_TRUE(error.contains(QStringLiteral("no such folder/results.json"))) << error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(missingFolder));

    // A device that is always full: the write (or the final flush) fails, and says why.
    if (QFileInfo::exists(QStringLiteral("/dev/full"))) {
        ut::OutputFile full(QStringLiteral("/dev/full"));
        ASSERT_TRUE(full.open());
        const bool written = full.write(QByteArray(1 << 16, 'x'));
        EXPECT_FALSE(written && full.commit());
        EXPECT_TRUE(full.errorString().contains(QStringLiteral("/dev/full")));
        EXPECT_TRUE(full.errorString().contains(QStringLiteral("space"), Qt::CaseInsensitive)) << full.errorString().toStdString();
        // After a failure nothing more is written.
        EXPECT_FALSE(full.write("more"));
    }
}

TEST(OutputFile, APipeIsWrittenDirectlyAndStaysAPipe)
{
    const QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("results.fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QByteArray received;
    std::thread reader([&] {
        QFile file(fifo);
        if (file.open(QIODevice::ReadOnly))
            received = file.readAll();
    });
    const QByteArray document(200000, 'r');
    EXPECT_TRUE(ut::OutputFile::save(fifo, document));
    reader.join();
    EXPECT_EQ(received, document);
    struct stat status = {};
    ASSERT_EQ(::stat(QFile::encodeName(fifo).constData(), &status), 0);
    EXPECT_TRUE(S_ISFIFO(status.st_mode));
}
