#include "CommandLineRun.h"

#include <cstdio>
#include <stdexcept>

#include <QGuiApplication>
#include <QCommandLineParser>
#include <QDateTime>
#include <QDir>
#include <QJsonDocument>

#include "fn/run/ModelRunner.h"
#include "ui/Chief.h"
#include "ui/PageMessageEcho.h"
#include "ui/output/ResultsTable.h"
#include "ui/output/RunProvenance.h"
#include "ut/Diagnostics.h"
#include "ut/Exception.h"
#include "ut/OutputFile.h"
#include "ut/OutputTarget.h"

namespace ui {

namespace {

const QString NoIterations = QStringLiteral("no iterations are run and every statistic is \"-\"");

void printLine(const QString& line)
{
    std::fputs(line.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void explain(const QString& text)
{
    ut::Diagnostics::report(text);
}

QString resolved(const QString& basePath, const QString& path)
{
    if (QFileInfo(path).isAbsolute())
        return path;
    return QDir(basePath).filePath(path);
}

} // namespace

CommandLineRun::CommandLineRun(QCoreApplication& application, Chief& chief)
    : m_application(application)
    , m_chief(chief)
{
}

int CommandLineRun::exec()
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("%1 %2, CLI mode")
            .arg(QCoreApplication::applicationName(), QCoreApplication::applicationVersion()));
    const Options options = readOptions(parser);
    printHead(parser.applicationDescription(), options);
    explainUnusedArguments(options.unusedArguments, options.inputGiven);
    // What the page would show, a workbook sheet that was skipped for one, the user reads here.
    const PageMessageEcho echo(m_chief);
    try {
        if (!loadInput(options))
            return 0;
        run(options);
        printLine(QStringLiteral("Run finish time        : %1").arg(QDateTime::currentDateTime().toString()));
    } catch (const ut::Exception& e) {
        printLine(QStringLiteral("Error"));
        explain(ut::explanation(e));
    } catch (const std::exception& e) {
        printLine(QStringLiteral("Error"));
        explain(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        printLine(QStringLiteral("Error"));
    }
    return 0;
}

CommandLineRun::Options CommandLineRun::readOptions(QCommandLineParser& parser)
{
    parser.addHelpOption();
    parser.addVersionOption();
    // "specificaction": the help text users know, kept letter for letter.
    const QCommandLineOption input({QStringLiteral("i"), QStringLiteral("input")},
                                   QStringLiteral("Path to the model specificaction <file>."), QStringLiteral("file"));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("Path to the output results JSON <file>."), QStringLiteral("file"));
    const QCommandLineOption clipboard({QStringLiteral("c"), QStringLiteral("clipboard")},
                                       QStringLiteral("Output results to clipboard."));
    const QCommandLineOption sampleSize({QStringLiteral("s"), QStringLiteral("sample-size")},
                                        QStringLiteral("Set number of iterations of Monte-Carlo simulation to <size>."),
                                        QStringLiteral("size"), QStringLiteral("1000"));
    const QCommandLineOption timeDiscount({QStringLiteral("t"), QStringLiteral("time-discount")},
                                          QStringLiteral("Set time discount factor to <timeDiscount>."),
                                          QStringLiteral("timeDiscount"), QStringLiteral("0"));
    const QCommandLineOption randomSeed({QStringLiteral("r"), QStringLiteral("random-seed")},
                                        QStringLiteral("Set random seed for Monte-Carlo simulation to <seed>."),
                                        QStringLiteral("seed"), QStringLiteral("0"));
    const QCommandLineOption country({QStringLiteral("p"), QStringLiteral("country")},
                                     QStringLiteral("Set <country> to be used for population data."),
                                     QStringLiteral("country"));
    parser.addOptions({input, output, clipboard, sampleSize, timeDiscount, randomSeed, country});
    parser.process(m_application);

    Options options;
    const QString basePath = m_chief.basePath();
    options.input = QFileInfo(resolved(basePath, parser.value(input)));
    options.inputGiven = parser.isSet(input);
    options.output = QFileInfo(resolved(basePath, parser.value(output)));
    options.outputGiven = parser.isSet(output);
    options.toClipboard = parser.isSet(clipboard);
    options.samples = wholeNumber(parser.value(sampleSize), QStringLiteral("Sample size"), NoIterations,
                                  &options.samplesUnderstood);
    bool understood = false;
    options.discount = parser.value(timeDiscount).toDouble(&understood);
    if (!understood)
        explain(QStringLiteral("Time discount \"%1\" is not a number (0.03 stands for 3 %); 0 is used: nothing is "
                               "discounted.")
                    .arg(parser.value(timeDiscount)));
    options.seed = wholeNumber(parser.value(randomSeed), QStringLiteral("Random seed"),
                               QStringLiteral("no seed is set, and the models draw one after the other from the "
                                              "generator's default state"));
    options.country = parser.value(country);
    options.countryGiven = parser.isSet(country);
    options.unusedArguments = parser.positionalArguments();
    return options;
}

unsigned int CommandLineRun::wholeNumber(const QString& value, const QString& label, const QString& consequence,
                                         bool* understood)
{
    bool ok = false;
    const unsigned int number = value.toUInt(&ok);
    if (!ok)
        explain(QStringLiteral("%1 \"%2\" is not a whole number from 0 to 4294967295; 0 is used: %3.")
                    .arg(label, value, consequence));
    if (understood)
        *understood = ok;
    return number;
}

void CommandLineRun::printHead(const QString& description, const Options& options) const
{
    printLine(description);
    printLine(QStringLiteral("Run start time         : %1").arg(QDateTime::currentDateTime().toString()));
    printLine(QStringLiteral("Input file             : %1").arg(options.input.absoluteFilePath()));
    printLine(QStringLiteral("Output file            : %1").arg(options.output.absoluteFilePath()));
    printLine(QStringLiteral("Output to clipboard    : %1")
                  .arg(options.toClipboard ? QStringLiteral("Yes") : QStringLiteral("No")));
    printLine(QStringLiteral("Sample size            : %1").arg(options.samples));
    printLine(QStringLiteral("Time discounting factor: %1").arg(QString::number(options.discount, 'g', 6)));
    printLine(QStringLiteral("Random seed            : %1").arg(options.seed));
}

void CommandLineRun::explainUnusedArguments(const QStringList& arguments, bool inputGiven) const
{
    if (arguments.isEmpty())
        return;
    const QString listed = QStringLiteral("\"%1\"").arg(arguments.join(QStringLiteral("\", \"")));
    const QString subject = arguments.size() == 1 ? QStringLiteral("The argument %1 is").arg(listed)
                                                  : QStringLiteral("The arguments %1 are").arg(listed);
    if (inputGiven)
        explain(subject + QStringLiteral(" not used: every value follows its option."));
    else
        explain(subject
                + QStringLiteral(" not used: give the input file with -i, as in -i %1.").arg(arguments.first()));
}

bool CommandLineRun::loadInput(const Options& options)
{
    const QString suffix = options.input.completeSuffix();
    if (suffix.contains(QLatin1String("xls"))) {
        if (options.countryGiven)
            explain(QStringLiteral("The country \"%1\" is not used: each sheet of a model workbook names its own "
                                   "country.")
                        .arg(options.country));
        m_chief.loadModelsFromExcel(options.input);
        return true;
    }
    if (suffix.contains(QLatin1String("json"))) {
        printLine(QStringLiteral("Country ID             : %1").arg(options.country));
        if (!options.input.exists())
            explain(QStringLiteral("Input file %1 does not exist; the specifications of the models folder %2 are run "
                                   "without it.")
                        .arg(options.input.absoluteFilePath(),
                             QDir(m_chief.basePath()).filePath(QStringLiteral("models"))));
        explainCountry(options.country, options.countryGiven);
        m_chief.loadModelsFromJSON({options.input}, options.country);
        return true;
    }
    printLine(QStringLiteral("Unsupported input file specified"));
    // The kind of input is told by its name; the workbook reader then tells the format by the
    // content, so a workbook named .xls or .xlsx is read whatever its format.
    if (options.inputGiven)
        explain(QStringLiteral("The input file must be a model specification (.json) or a model workbook (.xls or "
                               ".xlsx)."));
    else if (options.unusedArguments.isEmpty())
        explain(QStringLiteral("No input file was given: name a model specification (.json) or a model workbook "
                               "(.xls or .xlsx) with -i."));
    if (suffix.contains(QLatin1String("ods"), Qt::CaseInsensitive))
        explain(QStringLiteral("To run an OpenDocument spreadsheet (.ods) from the command line, save it as .xlsx or "
                               ".xls."));
    return false;
}

void CommandLineRun::explainCountry(const QString& country, bool given) const
{
    const fn::InputDataMgr& store = m_chief.inputDataMgr();
    if (store.hasPopulationData(country))
        return;
    // An array without cells is no data either.
    const bool ages = !store.ageDistributions().value(country).formulas().isEmpty();
    const bool lifeExpectancy = !store.lifeExpectancies().value(country).formulas().isEmpty();
    const QStringList withData = store.countriesWithPopulationData();
    QString text;
    if (!given)
        text = QStringLiteral("No country was given (-p), so the models have no population data: their YLD, YLL and "
                              "DALY are 0 although cases are counted, and no per-100 000 figure can be computed.");
    else if (!ages && !lifeExpectancy)
        text = QStringLiteral("Country \"%1\" has no population data (age distribution and life expectancy) in the "
                              "reference data, so its models' YLD, YLL and DALY are 0 although cases are counted, and "
                              "no per-100 000 figure can be computed.")
                   .arg(country);
    else
        text = QStringLiteral("Country \"%1\" has no %2 in the reference data, so the burden of its models is "
                              "incomplete and may come out 0.")
                   .arg(country, ages ? QStringLiteral("life expectancy") : QStringLiteral("age distribution"));
    text += QStringLiteral(" Countries with population data: %1.").arg(withData.join(QStringLiteral(", ")));
    for (const QString& candidate : withData) {
        if (given && candidate.compare(country, Qt::CaseInsensitive) == 0 && candidate != country)
            text += QStringLiteral(" Country ids are case-sensitive: did you mean \"%1\"?").arg(candidate);
    }
    explain(text);
}

void CommandLineRun::run(const Options& options)
{
    if (options.samples == 0 && options.samplesUnderstood)
        explain(QStringLiteral("Sample size is 0: ") + NoIterations + QLatin1Char('.'));
    // Nobody reads the totals over models here: they are not computed.
    m_chief.setAggregationEnabled(false);
    // Cases and deaths by age group and sex are kept for a table only.
    m_chief.setStratumCountsEnabled(options.outputGiven && !m_chief.settings().resultsTableFormat().isEmpty());
    m_chief.setNumSamples(static_cast<int>(options.samples));
    m_chief.setTimeDiscountRate(options.discount);
    m_chief.settings().setRandomSeed(options.seed);
    m_chief.settings().sync();
    m_chief.runModels(false);
    writeResults(options);
}

void CommandLineRun::writeResults(const Options& options)
{
    if (options.outputGiven) {
        const bool saved = m_chief.saveDetailedResultsToJSON(options.output);
        if (m_chief.isUncertaintyAnalysisEnabled())
            saveUncertainty(options.output);
        if (!m_chief.settings().resultsTableFormat().isEmpty())
            saveTable(options.output);
        if (saved)
            saveProvenance(options);
    } else {
        explain(QStringLiteral("No output file was given (-o FILE): the results are not written."));
    }
    if (options.toClipboard) {
        m_chief.saveDetailedResultsToClipboard();
        if (QGuiApplication::platformName() == QLatin1String("offscreen"))
            explain(QStringLiteral("There is no display: the results put on the clipboard are gone when the program "
                                   "ends."));
    }
}

// The standard errors, convergence and sensitivity asked for by the run settings, beside the results.
void CommandLineRun::saveUncertainty(const QFileInfo& results)
{
    QString resultsPath = results.absoluteFilePath();
    resultsPath.remove(QStringLiteral(".xls"));
    const QString path = Chief::uncertaintyPath(resultsPath);
    if (path.isEmpty()) {
        explain(QStringLiteral("The uncertainty analysis is not written: the results do not go to a file (%1).")
                    .arg(resultsPath));
        return;
    }
    QString error;
    if (ut::OutputFile::save(path, m_chief.buildUncertaintyJson(), &error))
        explain(QStringLiteral("Standard errors, convergence and sensitivity of the results: %1").arg(path));
    else
        explain(error);
}

// The results as one long table, asked for by the run settings, beside the results document:
// results.json -> results.csv (or .csv.gz, .xlsx).
void CommandLineRun::saveTable(const QFileInfo& results)
{
    QString resultsPath = results.absoluteFilePath();
    resultsPath.remove(QStringLiteral(".xls"));
    if (ut::OutputTarget::of(resultsPath).kind() != ut::OutputTarget::Replaced) {
        explain(
            QStringLiteral("The results table is not written: the results do not go to a file (%1).").arg(resultsPath));
        return;
    }
    const QString format = m_chief.settings().resultsTableFormat();
    QString path = resultsPath;
    if (path.endsWith(QLatin1String(".json"), Qt::CaseInsensitive))
        path.chop(5);
    path += QLatin1Char('.') + format;
    if (!ResultsTable::isTablePath(path)) {
        explain(QStringLiteral("The run setting ResultsTable=%1 names no table format (csv, csv.gz or xlsx): no table "
                               "is written.")
                    .arg(format));
        return;
    }
    QString error;
    if (ResultsTable::save(path, m_chief.models(), QVariantMap(), &error))
        explain(QStringLiteral("Results table: %1").arg(path));
    else
        explain(error);
}

// Where the results came from, beside them in <results>.run.json, whenever they were written to a
// file: the command line has no option for it, and a results file without its provenance cannot
// be traced later.
void CommandLineRun::saveProvenance(const Options& options)
{
    QString resultsPath = options.output.absoluteFilePath();
    resultsPath.remove(QStringLiteral(".xls"));
    const QString path = RunProvenance::pathBeside(resultsPath);
    if (path.isEmpty())
        return;
    RunProvenance provenance;
    provenance.setCommandLine(QCoreApplication::arguments());
    provenance.setDataFolder(m_chief.basePath());
    provenance.addInput(options.input.absoluteFilePath());
    provenance.addInputsOf(QDir(m_chief.basePath()).filePath(QStringLiteral("models")));
    provenance.setIterations(options.samples);
    provenance.setTimeDiscountRate(options.discount);
    provenance.setRandomSeed(options.seed);
    provenance.setSeeding(options.seed == 0 ? QStringLiteral("one stream for all models, from the state the engine "
                                                             "starts the program with")
                                            : QStringLiteral("every model from the seed"));
    provenance.setThreads(fn::ModelRunner::threadCount(m_chief.settings().threadCount()));
    provenance.setUncertaintyAnalysis(m_chief.isUncertaintyAnalysisEnabled());
    QString error;
    if (!ut::OutputFile::save(path, QJsonDocument(provenance.toJson()).toJson(QJsonDocument::Indented), &error))
        explain(error);
}

} // namespace ui
