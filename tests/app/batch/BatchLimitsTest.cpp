#include <QFileInfo>
#include <QTemporaryDir>

#include "app/ProgramRun.h"

// The batch program where the machine or the user's shell sets limits.
namespace {

// The document without where it came from, which names the command line and the time.
QByteArray withoutProvenance(const QByteArray& document)
{
    EXPECT_TRUE(jsonAt(QJsonDocument::fromJson(document).object(), "run/provenance").isObject());
    return edited(document, "run/provenance", QJsonValue::Undefined);
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool sanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool sanitized = true;
#else
constexpr bool sanitized = false;
#endif
#else
constexpr bool sanitized = false;
#endif

const QStringList job = {"--countries", "Austria,Generic", "--diseases", "all", "-s", "40", "-r", "0"};

} // namespace

// Too many threads are refused, fewer start than asked where the system says so, and a progress
// reader that leaves changes nothing; "-" is standard output.
TEST(BatchLimits, ThreadsBeyondTheMachineAndAProgressReaderThatLeavesChangeNoNumber)
{
    const QTemporaryDir work;
    const QString output = work.filePath("r.json");
    const auto inShell = [&](const QStringList& options, const char* script) {
        return runProgram({"ozmid-batch", job + options, work.path(), {}, {}, script});
    };
    ProgramRun run = batchRun(job + QStringList{"--threads", "40000", "-o", output}, work.path());
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.errors.contains("1024") && run.errors.contains("\"40000\"")) << run.errors.toStdString();
    EXPECT_FALSE(QFile::exists(output));

    const QString reference = work.filePath("one-thread.json");
    run = batchRun(job + QStringList{"--threads", "1", "-o", reference}, work.path());
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    // The status is the batch program's: it must not die of the closed pipe.
    run = inShell({"-o", output}, "set -o pipefail; \"$0\" \"$@\" 2>&1 | head -n 1 >/dev/null");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(withoutProvenance(contents(output)), withoutProvenance(contents(reference)));
    run = batchRun(job + QStringList{"-o", "-"}, work.path());
    EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
    EXPECT_EQ(withoutProvenance(run.output), withoutProvenance(contents(reference)));
    EXPECT_FALSE(QFileInfo::exists(work.filePath("-")));

    if (sanitized)
        GTEST_SKIP() << "the sanitizers reserve more address space than the limit below leaves";
    QFile::remove(output);
    // 4 GB of address space hold about 450 thread stacks of 8 MB, not 1000.
    run = inShell({"--threads", "1000", "-o", output}, "ulimit -s 8192 && ulimit -v 4000000 && exec \"$0\" \"$@\"");
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    EXPECT_TRUE(run.errors.contains("of the 1000 threads")) << run.errors.toStdString();
    EXPECT_EQ(withoutProvenance(contents(output)), withoutProvenance(contents(reference)));
}
