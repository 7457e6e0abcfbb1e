#include <cstdio>
#include <stdexcept>

#include <QApplication>
#include <QCommandLineParser>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>

#include "InterfaceResources.h"
#include "ui/Chief.h"
#include "ui/OzmidMainWnd.h"
#include "ut/Diagnostics.h"
#include "ut/Exception.h"
#include "ut/OutputFile.h"

namespace {

void printLine(const QString& line)
{
    std::fputs(line.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Explanations beyond the fixed run log go to standard error.
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

void explainInputProblems(const QFileInfo& input, const QString& country, unsigned int sampleSize, ui::Chief& chief)
{
    if (!input.exists())
        explain(QStringLiteral("Input file %1 does not exist.").arg(input.absoluteFilePath()));
    if (sampleSize == 0)
        explain(QStringLiteral("Sample size is 0: no iterations are run and every statistic is \"-\"."));
    if (!chief.inputDataMgr().hasAgeDistribution(country) || !chief.inputDataMgr().hasLifeExpectancy(country))
        explain(QStringLiteral("Country \"%1\" has no population data in the reference data; "
                               "per-100 000 figures cannot be computed.")
                    .arg(country));
}

// The standard errors, convergence and sensitivity asked for by the run settings, beside the results.
void saveUncertainty(const ui::Chief& chief, const QFileInfo& results)
{
    QString resultsPath = results.absoluteFilePath();
    resultsPath.remove(QStringLiteral(".xls"));
    const QString path = ui::Chief::uncertaintyPath(resultsPath);
    if (path.isEmpty()) {
        explain(QStringLiteral("The uncertainty analysis is not written: the results do not go to a file (%1).")
                    .arg(resultsPath));
        return;
    }
    QString error;
    if (ut::OutputFile::save(path, chief.buildUncertaintyJson(), &error))
        explain(QStringLiteral("Standard errors, convergence and sensitivity of the results: %1").arg(path));
    else
        explain(error);
}

int runCommandLine(QApplication& application, ui::Chief& chief)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("%1 %2, CLI mode")
                                         .arg(QApplication::applicationName(), QApplication::applicationVersion()));
    parser.addHelpOption();
    parser.addVersionOption();
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
    parser.process(application);

    const QString basePath = chief.basePath();
    const QFileInfo inputFile(resolved(basePath, parser.value(input)));
    const QFileInfo outputFile(resolved(basePath, parser.value(output)));
    const bool toClipboard = parser.isSet(clipboard);
    const unsigned int samples = parser.value(sampleSize).toUInt();
    const double discount = parser.value(timeDiscount).toDouble();
    const unsigned int seed = parser.value(randomSeed).toUInt();
    const QString countryId = parser.value(country);

    printLine(parser.applicationDescription());
    printLine(QStringLiteral("Run start time         : %1").arg(QDateTime::currentDateTime().toString()));
    printLine(QStringLiteral("Input file             : %1").arg(inputFile.absoluteFilePath()));
    printLine(QStringLiteral("Output file            : %1").arg(outputFile.absoluteFilePath()));
    printLine(QStringLiteral("Output to clipboard    : %1").arg(toClipboard ? QStringLiteral("Yes") : QStringLiteral("No")));
    printLine(QStringLiteral("Sample size            : %1").arg(samples));
    printLine(QStringLiteral("Time discounting factor: %1").arg(QString::number(discount, 'g', 6)));
    printLine(QStringLiteral("Random seed            : %1").arg(seed));

    try {
        const QString suffix = inputFile.completeSuffix();
        if (suffix.contains(QLatin1String("xls"))) {
            if (!inputFile.exists())
                explain(QStringLiteral("Input file %1 does not exist.").arg(inputFile.absoluteFilePath()));
            chief.loadModelsFromExcel(inputFile);
        } else if (suffix.contains(QLatin1String("json"))) {
            printLine(QStringLiteral("Country ID             : %1").arg(countryId));
            explainInputProblems(inputFile, countryId, samples, chief);
            chief.loadModelsFromJSON({inputFile}, countryId);
        } else {
            printLine(QStringLiteral("Unsupported input file specified"));
            // The kind of input is told by its name; the workbook reader then tells the format by
            // the content, so a workbook named .xls or .xlsx is read whatever its format.
            explain(QStringLiteral("The input file must be a model specification (.json) or a model workbook "
                                   "(.xls or .xlsx)."));
            if (suffix.contains(QLatin1String("ods"), Qt::CaseInsensitive))
                explain(QStringLiteral("To run an OpenDocument spreadsheet (.ods) from the command line, save it "
                                       "as .xlsx or .xls."));
            return 0;
        }
        // Nobody reads the totals over models here: they are not computed.
        chief.setAggregationEnabled(false);
        chief.setNumSamples(static_cast<int>(samples));
        chief.setTimeDiscountRate(discount);
        chief.settings().setRandomSeed(seed);
        chief.settings().sync();
        chief.runModels(false);
        chief.saveDetailedResultsToJSON(outputFile);
        if (chief.isUncertaintyAnalysisEnabled())
            saveUncertainty(chief, outputFile);
        if (toClipboard)
            chief.saveDetailedResultsToClipboard();
        printLine(QStringLiteral("Run finish time        : %1").arg(QDateTime::currentDateTime().toString()));
    } catch (const ut::Exception& e) {
        printLine(QStringLiteral("Error"));
        explain(e.message() + QStringLiteral(" (") + e.place() + QStringLiteral(")"));
    } catch (const std::exception& e) {
        printLine(QStringLiteral("Error"));
        explain(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        printLine(QStringLiteral("Error"));
    }
    return 0;
}

int runGraphical(QApplication& application, ui::Chief& chief)
{
    ozmidInitInterfaceResources();
    ui::OzmidMainWnd* window = ui::OzmidMainWnd::create();
    window->setChief(&chief);
    window->show();
    QObject::connect(&application, &QCoreApplication::aboutToQuit, window, &QObject::deleteLater);
    return application.exec();
}

} // namespace

int main(int argc, char* argv[])
{
    // A command-line run needs no window system: without a display it runs on Qt's offscreen
    // platform, whose clipboard lives only as long as the process.
    if (argc >= 2 && qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
    QApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Tesk"));
    QApplication::setOrganizationDomain(QStringLiteral("ozmid.example"));
    QApplication::setApplicationName(QStringLiteral("Ozmid"));
    QApplication::setApplicationVersion(QStringLiteral("2.0.0"));

    ui::Chief& chief = *ui::Chief::instance();
    chief.setBasePath(QApplication::applicationDirPath());

    if (QApplication::arguments().size() >= 2)
        return runCommandLine(application, chief);

    try {
        return runGraphical(application, chief);
    } catch (const ut::Exception& e) {
        ut::showFatalError(e);
    } catch (const std::runtime_error& e) {
        QMessageBox::critical(nullptr, QStringLiteral("Error"), QString::fromLocal8Bit(e.what()), QMessageBox::Ok);
    } catch (...) {
        QMessageBox::critical(nullptr, QStringLiteral("Error"),
                              QStringLiteral("An error has occured. The program will terminate now"), QMessageBox::Ok);
    }
    return 0;
}
