#include <csignal>

#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

#include "app/batch/BatchOptions.h"
#include "app/batch/BatchRun.h"
#include "ut/BuildInfo.h"

int main(int argc, char** argv)
{
    // Progress is a courtesy: a reader of standard error that goes away (a pipe into head) must
    // not end the job. Writes to it then fail and are dropped; the document is still written.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tesk"));
    QCoreApplication::setApplicationName(QStringLiteral("ozmid-batch"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QString program = QFileInfo(QCoreApplication::arguments().value(0)).fileName();
    batch::BatchOptions options;
    if (!options.parse(QCoreApplication::arguments())) {
        err << "Error: " << options.errorString() << "\n\n" << batch::BatchOptions::usage(program);
        return batch::BatchRun::UsageError;
    }
    if (options.versionRequested()) {
        out << ut::BuildInfo::versionLine(program) << '\n';
        return batch::BatchRun::Success;
    }
    if (options.helpRequested()) {
        out << batch::BatchOptions::usage(program);
        return batch::BatchRun::Success;
    }
    // Relative paths are taken from the working directory; the data come from the program's
    // folder unless another is given.
    const QString dataFolder = options.dataFolder().isEmpty() ? QCoreApplication::applicationDirPath()
                                                              : QFileInfo(options.dataFolder()).absoluteFilePath();
    if (!QFileInfo::exists(dataFolder + QStringLiteral("/referenceData.dat"))) {
        err << "Error: there is no reference data cache referenceData.dat in " << dataFolder << ".\n";
        return batch::BatchRun::UsageError;
    }
    return batch::BatchRun(options, dataFolder, err).run();
}
