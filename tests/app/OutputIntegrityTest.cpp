#include <QTemporaryDir>

#include "app/ProgramRun.h"
#include "support/SmallFileSystem.h"

// What the programs leave behind when their output cannot be written, or is no regular file.
namespace {

ProgramRun ozmid(const QString& output, const QString& dir, const QString& outputFile = {})
{
    return runProgram({"ozmid", arguments("-i %1 -p Austria -o %2 -s 20 -r 5", {sample, output}), dir, {}, outputFile});
}

std::string completeLog(const QString& output)
{
    return specificationLog(samplePath, output, "20", "0", "5", "Austria");
}

} // namespace

// A full disk keeps the earlier results whole, leaves nothing half-written, and is said.
TEST(OutputIntegrity, AFullDiskKeepsTheEarlierResultsAndSaysWhy)
{
    const SmallFileSystem disk(64);
    if (!disk.isMounted())
        GTEST_SKIP() << disk.whyUnavailable().toStdString();
    const QTemporaryDir work;
    const QString output = disk.filePath("results.json");
    ASSERT_TRUE(writeFile(output, "earlier results"));

    const ProgramRun run = ozmid(output, work.path());
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(logWithoutTimes(run.output), completeLog(output));
    const QString full = "Cannot write \"%1\": No space left on device";
    expectAll(run.errors, {full.arg(output), "The results were not saved; the earlier file is unchanged."});
    EXPECT_EQ(contents(output), QByteArray("earlier results"));
    EXPECT_EQ(QDir(disk.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"results.json"});

    const ProgramRun batch = batchRun(arguments("--countries Austria,Sweden --diseases all -s 20 -o %1", {output}),
                                      work.path());
    EXPECT_EQ(batch.exitCode, 1);
    expectAll(batch.errors,
              {full.arg(output), output + " was not written; an earlier file of that name is unchanged."});
    EXPECT_EQ(contents(output), QByteArray("earlier results"));

    // The reference data tool, building a cache where there is no room for it.
    const QString cache = disk.filePath("referenceData.dat");
    ASSERT_TRUE(writeFile(cache, "earlier cache"));
    const ProgramRun built = runProgram(
        {"ozmid-refdata", arguments("build %1 %2", {QStringLiteral(OZMID_TEST_DATA_DIR "/../data"), disk.path()}),
         work.path()});
    EXPECT_EQ(built.exitCode, 1);
    expectAll(built.errors, {full.arg(cache)});
    EXPECT_EQ(contents(cache), QByteArray("earlier cache"));
}

// A missing folder or a full device is said; standard output as the output gets log and document.
TEST(OutputIntegrity, OutputsOtherThanAWritableFile)
{
    const QTemporaryDir work;
    const QString folder = work.filePath("no such folder");
    for (const auto& [output, reason] :
         {std::pair{QString(folder + "/results.json"), "No such file or directory. The results were not saved."},
          std::pair{QStringLiteral("/dev/full"), "No space left on device"}}) {
        const ProgramRun run = ozmid(output, work.path());
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(logWithoutTimes(run.output), completeLog(output));
        expectAll(run.errors, {QStringLiteral("Cannot write \"%1\": ").arg(output) + QLatin1String(reason)});
    }
    EXPECT_FALSE(QFileInfo::exists(folder));
    EXPECT_TRUE(QFileInfo::exists("/dev/full") && !QFileInfo("/dev/full").isFile()) << "/dev/full was replaced";

    const QString redirected = work.filePath("everything.txt");
    EXPECT_EQ(ozmid("/dev/stdout", work.path(), redirected).errors, QString());
    const QByteArray everything = contents(redirected);
    // The log up to its country line, the document, then the finish line.
    const QByteArray countryLine = "Country ID             : Austria\n";
    const int start = everything.indexOf(countryLine) + countryLine.size();
    const int finish = everything.lastIndexOf("Run finish time        : ");
    ASSERT_GT(start, countryLine.size());
    ASSERT_GT(finish, start);
    EXPECT_EQ(logWithoutTimes(everything.left(start) + everything.mid(finish)), completeLog("/dev/stdout"));
    EXPECT_EQ(QJsonDocument::fromJson(everything.mid(start, finish - start)).array().size(), 2);
}
