#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include "ut/Diagnostics.h"
#include "ut/OutputFile.h"
#include "ut/OutputTarget.h"

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
    const QString path = dir.filePath("results.json");
    ASSERT_TRUE(ut::OutputFile::save(path, "previous"));

    for (const bool cancel : {true, false}) {
        ut::OutputFile file(path);
        ASSERT_TRUE(file.open());
        ASSERT_TRUE(file.write("never committed"));
        // Until the commit the previous content stays; cancelling, or dropping the file, keeps it.
        EXPECT_EQ(contentOf(path), QByteArray("previous"));
        if (cancel)
            file.cancel();
    }
    EXPECT_EQ(contentOf(path), QByteArray("previous"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"results.json"}));

    ut::OutputFile file(path);
    ASSERT_TRUE(file.open());
    ASSERT_TRUE(file.write("new "));
    ASSERT_TRUE(file.write("content"));
    ASSERT_TRUE(file.commit());
    EXPECT_EQ(contentOf(path), QByteArray("new content"));

    // A symbolic link stays a link; the file it leads to gets the content.
    const QString link = dir.filePath("latest.json");
    ASSERT_TRUE(QFile::link(path, link));
    ASSERT_TRUE(ut::OutputFile::save(link, "through the link"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(contentOf(path), QByteArray("through the link"));

    // Replacing a file gives its name a new file; a hard link made as a copy keeps the previous
    // content, and the user is told.
    const QString copy = dir.filePath("yesterday.json");
    ASSERT_EQ(::link(QFile::encodeName(path).constData(), QFile::encodeName(copy).constData()), 0);
    EXPECT_EQ(ut::OutputTarget::of(path).otherLinks(), 1);
    QStringList told;
    {
        const ut::ScopedDiagnosticsSink sink([&told](const QString& text) { told << text; });
        ASSERT_TRUE(ut::OutputFile::save(path, "new"));
        // The replaced name has no other link any more: nothing more to say.
        ASSERT_TRUE(ut::OutputFile::save(path, "newer"));
    }
    EXPECT_EQ(contentOf(path), QByteArray("newer"));
    EXPECT_EQ(contentOf(copy), QByteArray("through the link"));
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].contains(path)) << told[0].toStdString();
    EXPECT_TRUE(told[0].contains("1 other hard link")) << told[0].toStdString();
}

TEST(OutputFile, FailuresNameTheFileAndTheReasonAndKeepThePreviousFile)
{
    const QTemporaryDir dir;
    const QString missingFolder = dir.filePath("no such folder/results.json");
    QString error;
    EXPECT_FALSE(ut::OutputFile::save(missingFolder, "x", &error));
    EXPECT_TRUE(error.contains("no such folder/results.json")) << error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(missingFolder));

    // Symbolic links that lead round in a circle name no file: they stay as they are.
    const QString loop = dir.filePath("loop.json");
    const QString other = dir.filePath("other.json");
    ASSERT_TRUE(QFile::link(other, loop));
    ASSERT_TRUE(QFile::link(loop, other));
    EXPECT_FALSE(ut::OutputFile::save(loop, "x", &error));
    EXPECT_TRUE(error.contains("loop.json") && error.contains("symbolic link")) << error.toStdString();
    EXPECT_TRUE(QFileInfo(loop).isSymLink() && QFileInfo(other).isSymLink());

    // A device that is always full: the write (or the final flush) fails, and says why.
    if (QFileInfo::exists("/dev/full")) {
        ut::OutputFile full("/dev/full");
        ASSERT_TRUE(full.open());
        const bool written = full.write(QByteArray(1 << 16, 'x'));
        EXPECT_FALSE(written && full.commit());
        EXPECT_TRUE(full.errorString().contains("/dev/full"));
        EXPECT_TRUE(full.errorString().contains("space", Qt::CaseInsensitive)) << full.errorString().toStdString();
        // After a failure nothing more is written.
        EXPECT_FALSE(full.write("more"));
    }
}

TEST(OutputFile, APipeIsWrittenDirectlyAndStaysAPipe)
{
    const QTemporaryDir dir;
    const QString fifo = dir.filePath("results.fifo");
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

// A name of one of the program's own descriptors is written through that descriptor: when
// standard output goes to a file, the results land after what was printed before them, in
// the same file, which is neither truncated nor replaced.
TEST(OutputFile, TheProgramsOwnDescriptorsAreWrittenThroughThemselves)
{
    QTemporaryFile redirected;
    ASSERT_TRUE(redirected.open());
    const int descriptor = redirected.handle();
    ASSERT_EQ(::write(descriptor, "log line\n", 9), 9);
    struct stat before = {};
    ASSERT_EQ(::fstat(descriptor, &before), 0);

    const QString byNumber = QStringLiteral("/dev/fd/%1").arg(descriptor);
    const ut::OutputTarget target = ut::OutputTarget::of(byNumber);
    EXPECT_EQ(target.kind(), ut::OutputTarget::Descriptor);
    EXPECT_EQ(target.descriptor(), descriptor);
    EXPECT_EQ(ut::OutputTarget::of(QStringLiteral("/proc/self/fd/%1").arg(descriptor)).descriptor(), descriptor);
    EXPECT_EQ(ut::OutputTarget::of(QStringLiteral("/proc/%1/fd/%2").arg(::getpid()).arg(descriptor)).descriptor(),
              descriptor);

    ASSERT_TRUE(ut::OutputFile::save(byNumber, "[results]\n"));
    ASSERT_EQ(::write(descriptor, "finish line\n", 12), 12);
    EXPECT_EQ(contentOf(redirected.fileName()), QByteArray("log line\n[results]\nfinish line\n"));
    struct stat after = {};
    ASSERT_EQ(::stat(QFile::encodeName(redirected.fileName()).constData(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    // The descriptor stays open for the program's own output.
    EXPECT_NE(::fcntl(descriptor, F_GETFD), -1);

    // A descriptor number that is not open is no descriptor of ours: the name is a path in
    // the process folder, opened as it is (and not found).
    const QString closed = QStringLiteral("/proc/self/fd/%1").arg(9999);
    EXPECT_EQ(ut::OutputTarget::of(closed).kind(), ut::OutputTarget::Direct);
    QString error;
    EXPECT_FALSE(ut::OutputFile::save(closed, "x", &error));
    EXPECT_TRUE(error.contains(closed)) << error.toStdString();
}

// Nothing in the device and process folders is ever replaced by a renamed file, whether it
// is named there, reached through a link to it or through a link to the folder.
TEST(OutputFile, DevicesAreNeverReplacedHowEverTheyAreNamed)
{
    const QTemporaryDir dir;
    const QString link = dir.filePath("results.json");
    ASSERT_TRUE(QFile::link("/dev/null", link));
    const QString folderLink = dir.filePath("devices");
    ASSERT_TRUE(QFile::link("/dev", folderLink));

    for (const QString& path : QStringList{"/dev/null", link, folderLink + QStringLiteral("/null")}) {
        EXPECT_EQ(ut::OutputTarget::of(path).kind(), ut::OutputTarget::Direct) << path.toStdString();
        EXPECT_TRUE(ut::OutputFile::save(path, "discarded")) << path.toStdString();
    }
    // Even a name that does not exist yet: creating a file in /dev is what was asked for, a
    // rename within /dev never is.
    EXPECT_EQ(ut::OutputTarget::of("/dev/no-such-device-of-ozmid").kind(), ut::OutputTarget::Direct);
    EXPECT_EQ(ut::OutputTarget::of(folderLink + QStringLiteral("/no-such-device-of-ozmid")).kind(),
              ut::OutputTarget::Direct);

    struct stat status = {};
    ASSERT_EQ(::stat("/dev/null", &status), 0);
    EXPECT_TRUE(S_ISCHR(status.st_mode));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot),
              (QStringList{"devices", "results.json"}));
}
