#include "tools/RefDataCommand.h"

#include <QDir>
#include <QFileInfo>

#include "fn/data/InputDataMgr.h"
#include "tools/ReferenceDataSources.h"

namespace refdata {

RefDataCommand::RefDataCommand(QTextStream& out, QTextStream& err)
    : m_out(out)
    , m_err(err)
{
}

const QVector<RefDataCommand::Subcommand>& RefDataCommand::subcommands()
{
    static const QVector<Subcommand> list = {
        {QStringLiteral("build"), QStringLiteral("<data folder> <output folder>"),
         QStringLiteral("read the JSON reference data of the data folder and write the cache file "
                        "referenceData.dat into the output folder"),
         &RefDataCommand::build},
    };
    return list;
}

void RefDataCommand::printUsage(QTextStream& stream) const
{
    stream << "Usage:\n";
    for (const Subcommand& subcommand : subcommands())
        stream << "  " << m_program << ' ' << subcommand.name << ' ' << subcommand.operands << "\n      "
               << subcommand.summary << '\n';
    stream << "  " << m_program << " --help\n";
    stream.flush();
}

int RefDataCommand::run(const QStringList& arguments)
{
    m_program = arguments.isEmpty() ? QStringLiteral("ozmid-refdata") : QFileInfo(arguments.first()).fileName();
    const QStringList rest = arguments.mid(1);
    if (rest.isEmpty()) {
        printUsage(m_err);
        return UsageError;
    }
    const QString command = rest.first();
    if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
        printUsage(m_out);
        return Success;
    }
    for (const Subcommand& subcommand : subcommands()) {
        if (subcommand.name == command)
            return (this->*subcommand.run)(rest.mid(1));
    }
    m_err << m_program << ": unknown command \"" << command << "\"\n";
    printUsage(m_err);
    return UsageError;
}

int RefDataCommand::build(const QStringList& operands)
{
    if (operands.size() != 2) {
        m_err << m_program << ": build needs a data folder and an output folder\n";
        printUsage(m_err);
        return UsageError;
    }
    const QString dataFolder = operands.at(0);
    const QString outputFolder = QDir::cleanPath(operands.at(1));

    fn::InputDataMgr store;
    ReferenceDataSources sources(dataFolder);
    if (!sources.readInto(store)) {
        m_err << m_program << ": " << sources.errorString() << '\n';
        m_err.flush();
        return Failure;
    }
    if (!QDir().mkpath(outputFolder)) {
        m_err << m_program << ": " << outputFolder << ": the output folder cannot be created\n";
        m_err.flush();
        return Failure;
    }
    // The output folder may hold an older cache, which must not be loaded into the new data.
    store.setDirPath(outputFolder);
    if (!store.saveCache()) {
        m_err << m_program << ": " << store.cacheFilePath() << ": cannot be written\n";
        m_err.flush();
        return Failure;
    }
    m_out << "Wrote " << store.cacheFilePath() << ": " << store.lifeExpectancies().size() << " countries, "
          << store.diseaseIds().size() << " diseases (" << store.diseaseIds().join(QStringLiteral(", ")) << ") from "
          << sources.fileNames().size() << " files\n";
    m_out.flush();
    return Success;
}

} // namespace refdata
