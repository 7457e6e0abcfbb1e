#include "app/refdata/RefDataCommand.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "fn/data/InputDataMgr.h"
#include "app/refdata/ReferenceWorkbookWriter.h"
#include "app/refdata/ReferenceDataSources.h"
#include "fn/data/JSONInputDataMgr.h"
#include "ut/BuildInfo.h"
#include "ut/OutputFile.h"

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
        {QStringLiteral("workbooks"), QStringLiteral("<data folder> <output folder>"),
         QStringLiteral("read the JSON reference data of the data folder and write them as the reference "
                        "workbooks diseaseData.xls, countryData.xls and modelData-<country>.xls"),
         &RefDataCommand::writeWorkbooks},
        {QStringLiteral("import-workbooks"), QStringLiteral("<base folder>"),
         QStringLiteral("import the reference workbooks of <base folder>/referenceData, as the program's "
                        "import does, and write <base folder>/referenceData.dat"),
         &RefDataCommand::importWorkbooks},
        {QStringLiteral("countries"), QStringLiteral("[<base folder>]"),
         QStringLiteral("list the countries whose population data are in <base folder>/referenceData.dat (by "
                        "default the cache next to this program): the values the -p option of ozmid takes"),
         &RefDataCommand::listCountries},
        {QStringLiteral("diseases"), QStringLiteral("[<base folder>]"),
         QStringLiteral("list the diseases of <base folder>/referenceData.dat and of the model specifications in "
                        "<base folder>/models (by default those next to this program), with their names and where "
                        "they come from: the values the --diseases option of ozmid-batch takes"),
         &RefDataCommand::listDiseases},
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
    stream << "  " << m_program << " --version\n";
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
    if (command == QLatin1String("--version")) {
        m_out << ut::BuildInfo::versionLine(m_program) << '\n';
        m_out.flush();
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
    QString error;
    if (!store.saveCache(&error)) {
        m_err << m_program << ": " << error << "; an earlier cache there is unchanged\n";
        m_err.flush();
        return Failure;
    }
    m_out << "Wrote " << store.cacheFilePath() << ": " << store.lifeExpectancies().size() << " countries, "
          << store.diseaseIds().size() << " diseases (" << store.diseaseIds().join(QStringLiteral(", ")) << ") from "
          << sources.fileNames().size() << " files\n";
    m_out.flush();
    return Success;
}

int RefDataCommand::writeWorkbooks(const QStringList& operands)
{
    if (operands.size() != 2) {
        m_err << m_program << ": workbooks needs a data folder and an output folder\n";
        printUsage(m_err);
        return UsageError;
    }
    fn::InputDataMgr store;
    ReferenceDataSources sources(operands.at(0));
    if (!sources.readInto(store)) {
        m_err << m_program << ": " << sources.errorString() << '\n';
        m_err.flush();
        return Failure;
    }
    const QString outputFolder = QDir::cleanPath(operands.at(1));
    if (!QDir().mkpath(outputFolder)) {
        m_err << m_program << ": " << outputFolder << ": the output folder cannot be created\n";
        m_err.flush();
        return Failure;
    }
    fn::ReferenceWorkbookWriter writer(store);
    if (!writer.write(outputFolder)) {
        m_err << m_program << ": " << writer.errorString() << '\n';
        m_err.flush();
        return Failure;
    }
    m_out << "Wrote the reference workbooks into " << outputFolder << '\n';
    m_out.flush();
    return Success;
}

int RefDataCommand::importWorkbooks(const QStringList& operands)
{
    if (operands.size() != 1) {
        m_err << m_program << ": import-workbooks needs the base folder that holds referenceData/\n";
        printUsage(m_err);
        return UsageError;
    }
    fn::InputDataMgr store;
    int problems = 0;
    // Headless: what the program shows in message boxes goes to standard error.
    store.setImportErrorReporter([&](const QString& title, const QString& text) {
        // The import's message box has its fixed text; said here, it is a sentence of this program's.
        const bool failedWorkbook = text == QLatin1String("An error occured");
        m_err << m_program << ": " << title << ": "
              << (failedWorkbook ? QStringLiteral("the workbook was not imported") : text) << '\n';
        ++problems;
    });
    QObject::connect(&store, &fn::InputDataMgr::showMessage,
                     [&](const QString& title, const QString& text, const QString& type) {
                         // A warning tells of data the import passed over; the cache is written all the same.
                         const bool warning = type == QLatin1String("warning");
                         m_err << m_program << ": " << title << ": " << (warning ? "warning: " : "") << text << '\n';
                         if (!warning)
                             ++problems;
                     });
    QObject::connect(&store, &fn::InputDataMgr::excelSheetImporting,
                     [&](fn::FileOperationType, const QString&, const QString& file, const QString& sheet) {
                         if (!sheet.isEmpty())
                             m_out << "Importing " << file << ", sheet " << sheet << '\n';
                     });
    store.setPath(QDir::cleanPath(operands.at(0)));
    const QString cachePath = store.cacheFilePath();
    // The import writes its cache beside; it replaces the old one only when every workbook was
    // read, so that a refused workbook never leaves a cache with part of the data.
    const QTemporaryDir staging;
    if (!staging.isValid()) {
        m_err << m_program << ": no temporary folder for the new cache: " << staging.errorString() << '\n';
        m_err.flush();
        return Failure;
    }
    store.setDirPath(staging.path());
    store.importFromWorkbooks();
    m_out.flush();
    if (problems > 0) {
        m_err << m_program << ": " << QDir::toNativeSeparators(cachePath) << " was left unchanged\n";
        m_err.flush();
        return Failure;
    }
    if (!replaceFile(store.cacheFilePath(), cachePath))
        return Failure;
    m_out << "Wrote " << cachePath << ": " << store.lifeExpectancies().size() << " countries, "
          << store.diseaseIds().size() << " diseases\n";
    m_out.flush();
    return Success;
}

int RefDataCommand::listCountries(const QStringList& operands)
{
    if (operands.size() > 1) {
        m_err << m_program << ": countries takes at most one base folder\n";
        printUsage(m_err);
        return UsageError;
    }
    const QString base = operands.isEmpty() ? QCoreApplication::applicationDirPath()
                                            : QDir::cleanPath(operands.first());
    fn::InputDataMgr store;
    if (!QFileInfo(QDir(base).filePath(QStringLiteral("referenceData.dat"))).isFile()) {
        m_err << m_program << ": there is no reference data cache in " << QDir::toNativeSeparators(base) << '\n';
        m_err.flush();
        return Failure;
    }
    store.setPath(base);
    const QStringList countries = store.countriesWithPopulationData();
    if (countries.isEmpty()) {
        m_err << m_program << ": " << QDir::toNativeSeparators(store.cacheFilePath())
              << " holds no country with population data\n";
        m_err.flush();
        return Failure;
    }
    for (const QString& country : countries)
        m_out << country << '\t' << store.countryCaptions().value(country) << '\n';
    m_out.flush();
    return Success;
}

int RefDataCommand::listDiseases(const QStringList& operands)
{
    if (operands.size() > 1) {
        m_err << m_program << ": diseases takes at most one base folder\n";
        printUsage(m_err);
        return UsageError;
    }
    const QString base = operands.isEmpty() ? QCoreApplication::applicationDirPath()
                                            : QDir::cleanPath(operands.first());
    if (!QFileInfo(QDir(base).filePath(QStringLiteral("referenceData.dat"))).isFile()) {
        m_err << m_program << ": there is no reference data cache in " << QDir::toNativeSeparators(base) << '\n';
        m_err.flush();
        return Failure;
    }
    fn::InputDataMgr store;
    store.setPath(base);
    fn::JSONInputDataMgr specifications;
    specifications.setDirPath(base);
    // A disease in both is run from the reference data where they have data for the country, from
    // its JSON model file elsewhere: both lines are listed.
    for (const QString& disease : store.diseaseIds())
        m_out << disease << '\t' << store.diseaseTemplates().templates().value(disease).caption()
              << "\treference data\n";
    for (const QVariant& caption : specifications.getDiseaseCaptions()) {
        const QString disease = caption.toMap().value(QStringLiteral("id")).toString();
        m_out << disease << '\t' << caption.toMap().value(QStringLiteral("disease")).toString() << "\tspecification "
              << QDir::toNativeSeparators(specifications.sourceFile(disease)) << '\n';
    }
    m_out.flush();
    return Success;
}

bool RefDataCommand::replaceFile(const QString& source, const QString& target)
{
    QFile input(source);
    QByteArray bytes;
    if (input.open(QIODevice::ReadOnly))
        bytes = input.readAll();
    QString error;
    if (input.error() != QFileDevice::NoError || !input.isOpen())
        error = QStringLiteral("Cannot read \"%1\": %2").arg(QDir::toNativeSeparators(source), input.errorString());
    else if (ut::OutputFile::save(target, bytes, &error))
        return true;
    m_err << m_program << ": " << error << "; " << QDir::toNativeSeparators(target) << " was left unchanged\n";
    m_err.flush();
    return false;
}

} // namespace refdata
