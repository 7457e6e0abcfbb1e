#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "app/ProgramRun.h"
#include "ut/workbook/Excel.h"

// What the command line tells on standard error when it could not do what the user meant,
// while its run log stays exactly what it always is.
namespace {

const QString sample = QStringLiteral("models/Illustrative-CRKP-BSI.model_spec.json");
const QString samplePath = binaryDir() + QLatin1Char('/') + sample;

// value with the member at path (keys of objects, indexes of arrays) replaced.
QJsonValue replaced(const QJsonValue& value, const QStringList& path, const QJsonValue& newValue)
{
    if (path.isEmpty())
        return newValue;
    if (value.isArray()) {
        QJsonArray array = value.toArray();
        const int index = path.first().toInt();
        array.replace(index, replaced(array.at(index), path.mid(1), newValue));
        return array;
    }
    QJsonObject object = value.toObject();
    object.insert(path.first(), replaced(object.value(path.first()), path.mid(1), newValue));
    return object;
}

// The shipped specification under another disease id, with one cell of a parameter replaced:
// the severity of the uncomplicated bloodstream infection for men of 15 to 19.
QByteArray specificationWithCell(const QString& formula)
{
    QJsonObject specification = QJsonDocument::fromJson(contents(samplePath)).object();
    specification.insert(QStringLiteral("id"), QStringLiteral("BrokenBSI"));
    const QStringList cell = QStringLiteral(
                                 "outcomeTrees/bsi/healthOutcomes/acuteBsi/healthStates/1/severityArray/vals/3/1")
                                 .split(QLatin1Char('/'));
    return QJsonDocument(replaced(specification, cell, formula).toObject()).toJson();
}

QJsonObject totals(const QJsonObject& model)
{
    return model.value(QStringLiteral("totalSequelaTypeResults")).toObject().value(QStringLiteral("total")).toObject();
}

double meanOf(const QJsonObject& statistics, const char* key)
{
    return statistics.value(QLatin1String(key)).toObject().value(QStringLiteral("Mean")).toDouble(-1.0);
}

class CommandLineExplanations : public ::testing::Test
{
protected:
    ProgramRun ozmid(const QStringList& arguments, const QStringList& unset = {}) const
    {
        ProgramStart start;
        start.arguments = arguments;
        start.workingDirectory = work.path();
        start.unset = unset;
        return runProgram(start);
    }

    QString file(const QString& name) const { return work.filePath(name); }

    QTemporaryDir work;
};

} // namespace

// A formula that does not compile ends the run with the lone "Error", as always; standard error
// names the file, the outcome tree, the element, the parameter, the stratum and the formula,
// with the formula library's reason. The results file of an earlier run stays as it was.
TEST_F(CommandLineExplanations, AFailedRunSaysWhyAndWhere)
{
    struct Case
    {
        const char* formula;
        const char* reason;
    };
    for (const Case& c : {Case{"RandUniform(1)", "Too few parameters for function \"RandUniform\""},
                          Case{"100 +", "Unexpected end of expression"}}) {
        const QString input = file(QStringLiteral("broken.model_spec.json"));
        ASSERT_TRUE(writeFile(input, specificationWithCell(QLatin1String(c.formula))));
        const QString output = file(QStringLiteral("results.json"));
        ASSERT_TRUE(writeFile(output, "earlier results"));
        const ProgramRun run = ozmid({QStringLiteral("-i"), input, QStringLiteral("-p"), QStringLiteral("Austria"),
                                      QStringLiteral("-o"), output, QStringLiteral("-s"), QStringLiteral("20")});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(logWithoutTimes(run.output),
                  specificationLog(input, output, QStringLiteral("20"), QStringLiteral("0"), QStringLiteral("0"),
                                   QStringLiteral("Austria"), QStringLiteral("Error")));
        for (const QString& expected :
             QStringList{QStringLiteral("Problem occured while running calculations (ui::Chief::runModels)"),
                         QStringLiteral("One or more formulas for parameter Severity cannot be parsed."),
                         QStringLiteral("stratum Age 15-19, Sex Male: \"%1\": %2")
                             .arg(QLatin1String(c.formula), QLatin1String(c.reason)),
                         QStringLiteral("in element \"Uncomplicated bloodstream infection\" (id bsiUncomplicated) of "
                                        "outcome tree \"bsi\""),
                         QStringLiteral("from the model specification ") + input})
            EXPECT_TRUE(run.errors.contains(expected)) << expected.toStdString() << "\nin:\n"
                                                       << run.errors.toStdString();
        EXPECT_EQ(contents(output), QByteArray("earlier results"));
    }

    // A formula of a saved model: the sheet and the workbook are named.
    ut::Excel workbook(QStringLiteral(OZMID_TEST_DATA_DIR "/app/fixtures/models.xls"));
    ASSERT_TRUE(workbook.isOpen()) << workbook.errorString().toStdString();
    workbook.selectSheet(1);
    const QString sheet = workbook.sheetName();
    const int label = workbook.rowOf(workbook.find(QStringLiteral("Notification data"), QStringLiteral("A"), false));
    ASSERT_GT(label, 0);
    // The table's first row of cells: past the name, the meta entries and the two header rows.
    int cellRow = label + 1;
    while (workbook.cellText(cellRow, 1) != QStringLiteral("0-4") && cellRow < label + 20)
        ++cellRow;
    ASSERT_EQ(workbook.cellText(cellRow, 1), QStringLiteral("0-4"));
    workbook.setCellValue(cellRow, 2, QStringLiteral("RandPert(1, 2)"));
    const QString saved = file(QStringLiteral("broken.xls"));
    workbook.saveAs(saved);
    ASSERT_TRUE(workbook.errorString().isEmpty()) << workbook.errorString().toStdString();
    workbook.close();
    const ProgramRun run = ozmid({QStringLiteral("-i"), saved, QStringLiteral("-o"), file(QStringLiteral("w.json")),
                                  QStringLiteral("-s"), QStringLiteral("20")});
    EXPECT_EQ(run.lines.value(8), QStringLiteral("Error"));
    EXPECT_EQ(run.lines.size(), 9);
    EXPECT_TRUE(
        run.errors.contains(QStringLiteral(": \"RandPert(1, 2)\": Too few parameters for function \"RandPert\"")))
        << run.errors.toStdString();
    EXPECT_TRUE(run.errors.contains(QStringLiteral("from sheet \"%1\" of the workbook %2").arg(sheet, saved)))
        << run.errors.toStdString();
    EXPECT_FALSE(QFile::exists(file(QStringLiteral("w.json"))));
}

// A file that is not a model specification still runs as an empty model, as it always did;
// the user learns which file, why (with the parser's error and where it is) and what it means.
TEST_F(CommandLineExplanations, AFileThatIsNoSpecificationIsNamedWithTheParsersError)
{
    struct Case
    {
        const char* bytes;
        QString reason;
    };
    const QList<Case> cases = {
        {"this is { not json", QStringLiteral("is not valid JSON (illegal value at character 1)")},
        {"{\"id\": \"X\", ", QStringLiteral("is not valid JSON (")},
        {"[1, 2]", QStringLiteral("holds no JSON object")},
        {"{}", QStringLiteral("has neither an \"id\" nor \"outcomeTrees\"")},
    };
    for (const Case& c : cases) {
        const QString input = file(QStringLiteral("input.json"));
        ASSERT_TRUE(writeFile(input, c.bytes));
        const QString output = file(QStringLiteral("results.json"));
        const ProgramRun run = ozmid({QStringLiteral("-i"), input, QStringLiteral("-p"), QStringLiteral("Austria"),
                                      QStringLiteral("-o"), output, QStringLiteral("-s"), QStringLiteral("10"),
                                      QStringLiteral("-r"), QStringLiteral("3")});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(logWithoutTimes(run.output),
                  specificationLog(input, output, QStringLiteral("10"), QStringLiteral("0"), QStringLiteral("3"),
                                   QStringLiteral("Austria")));
        const QString expected = QStringLiteral("Model specification %1 %2").arg(input, c.reason);
        EXPECT_TRUE(run.errors.contains(expected)) << c.bytes << ":\n" << run.errors.toStdString();
        EXPECT_TRUE(run.errors.contains(QStringLiteral("its model has no outcome tree, and its burden is 0")));
        // The empty model is in the results, beside those of the models folder, with a burden of 0.
        const QJsonArray models = QJsonDocument::fromJson(contents(output)).array();
        ASSERT_EQ(models.size(), 3) << c.bytes;
        const QJsonObject empty = models.first().toObject();
        EXPECT_EQ(empty.value(QStringLiteral("name")).toString(), QStringLiteral("Austria -  - model 1"));
        EXPECT_EQ(empty.value(QStringLiteral("detailedResults")).toArray().size(), 0);
    }
    // The offset is where the parser stopped.
    ASSERT_TRUE(writeFile(file(QStringLiteral("late.json")), "{\"id\": \"Late\", \"name\" \"x\"}"));
    const ProgramRun late = ozmid({QStringLiteral("-i"), file(QStringLiteral("late.json")), QStringLiteral("-p"),
                                   QStringLiteral("Austria"), QStringLiteral("-s"), QStringLiteral("1")});
    EXPECT_TRUE(late.errors.contains(QStringLiteral("is not valid JSON (missing name separator at character 23)")))
        << late.errors.toStdString();
}

// A country without population data gives a burden of 0: the user learns that, and which
// countries have data.
TEST_F(CommandLineExplanations, ACountryWithoutPopulationDataIsExplainedWithTheCountriesThatHaveData)
{
    const QString listed = QStringLiteral(
        "Countries with population data: EUEEA, Austria, Germany, Italy, Sweden, Generic.");
    struct Case
    {
        QStringList country;
        QString shown;
        QString said;
    };
    const QList<Case> cases = {
        {{QStringLiteral("-p"), QStringLiteral("France")},
         QStringLiteral("France"),
         QStringLiteral("Country \"France\" has no population data (age distribution and life expectancy) in the "
                        "reference data, so its models' YLD, YLL and DALY are 0 although cases are counted")},
        {{QStringLiteral("-p"), QStringLiteral("austria")},
         QStringLiteral("austria"),
         QStringLiteral("Country ids are case-sensitive: did you mean \"Austria\"?")},
        {{},
         QString(),
         QStringLiteral("No country was given (-p), so the models have no population data: their YLD, "
                        "YLL and DALY are 0")},
    };
    for (const Case& c : cases) {
        const QString output = file(QStringLiteral("results.json"));
        const ProgramRun run = ozmid(QStringList{QStringLiteral("-i"), sample, QStringLiteral("-o"), output,
                                                 QStringLiteral("-s"), QStringLiteral("20"), QStringLiteral("-t"),
                                                 QStringLiteral("0.03")}
                                     + c.country);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(logWithoutTimes(run.output),
                  specificationLog(samplePath, output, QStringLiteral("20"), QStringLiteral("0.03"),
                                   QStringLiteral("0"), c.shown));
        EXPECT_TRUE(run.errors.contains(c.said)) << run.errors.toStdString();
        EXPECT_TRUE(run.errors.contains(listed)) << run.errors.toStdString();
        const QJsonArray models = QJsonDocument::fromJson(contents(output)).array();
        ASSERT_EQ(models.size(), 2);
        for (const QJsonValue& model : models) {
            EXPECT_EQ(meanOf(totals(model.toObject()), "daly"), 0.0);
            EXPECT_EQ(meanOf(totals(model.toObject()), "yld"), 0.0);
        }
    }
    // The same countries, listed by the reference data tool.
    ProgramStart start;
    start.program = QStringLiteral("ozmid-refdata");
    start.arguments = QStringList{QStringLiteral("countries")};
    start.workingDirectory = work.path();
    const ProgramRun countries = runProgram(start);
    EXPECT_EQ(countries.exitCode, 0) << countries.errors.toStdString();
    QStringList ids;
    for (const QString& line : countries.lines)
        ids << line.section(QLatin1Char('\t'), 0, 0);
    EXPECT_EQ(QStringLiteral("Countries with population data: ") + ids.join(QStringLiteral(", ")) + QLatin1Char('.'),
              listed);
}

// A model workbook whose sheets cannot all be read: the page's messages reach standard error,
// each skipped sheet named with its reason, and the other models are run.
TEST_F(CommandLineExplanations, SkippedWorkbookSheetsAreNamedWithTheirReason)
{
    ut::Excel workbook(QStringLiteral(OZMID_TEST_DATA_DIR "/app/fixtures/models.xls"));
    ASSERT_TRUE(workbook.isOpen());
    ASSERT_EQ(workbook.sheetCount(), 2);
    workbook.selectSheet(2);
    const QString unknown = workbook.sheetName();
    const int info = workbook.rowOf(workbook.find(QStringLiteral("Model info"), QStringLiteral("A"), false));
    workbook.setCellValue(info + 3, 2, QStringLiteral("Plague"));
    workbook.addSheet(QStringLiteral("Old model"));
    workbook.setCellValue(1, 1, QStringLiteral("File info"));
    workbook.setCellValue(3, 1, QStringLiteral("Version"));
    workbook.setCellValue(3, 2, 5);
    const QString input = file(QStringLiteral("three-models.xls"));
    workbook.saveAs(input);
    ASSERT_TRUE(workbook.errorString().isEmpty()) << workbook.errorString().toStdString();
    workbook.close();

    const QString output = file(QStringLiteral("results.json"));
    const ProgramRun run = ozmid({QStringLiteral("-i"), input, QStringLiteral("-o"), output, QStringLiteral("-s"),
                                  QStringLiteral("20"), QStringLiteral("-p"), QStringLiteral("Austria")});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(
        logWithoutTimes(run.output),
        QStringLiteral("Ozmid 2.0.0, CLI mode\nRun start time         : <time>\nInput file             : %1\n"
                       "Output file            : %2\nOutput to clipboard    : No\nSample size            : 20\n"
                       "Time discounting factor: 0\nRandom seed            : 0\nRun finish time        : <time>\n")
            .arg(input, output)
            .toStdString());
    const QString sheet = QStringLiteral("Sheet \"%1\" of %2: ").arg(unknown, input);
    for (const QString& expected : QStringList{
             QStringLiteral(
                 "The country \"Austria\" is not used: each sheet of a model workbook names its own country."),
             QStringLiteral(
                 "Model import: Sheet %1 contains model not supported by the reference data loaded. It will not "
                 "be imported.")
                 .arg(unknown),
             sheet
                 + QStringLiteral(
                     "the disease \"Plague\" is neither in the reference data nor in a model specification"),
             QStringLiteral(
                 "Model import: Sheet Old model contains model created by the previous, unsupported version of "
                 "the tool. It will not be imported."),
             QStringLiteral("Sheet \"Old model\" of %1: cell B3 holds \"5\" where a saved model holds its version, 6.")
                 .arg(input),
             QStringLiteral("Models import finished")})
        EXPECT_TRUE(run.errors.contains(expected)) << expected.toStdString() << "\nin:\n" << run.errors.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(contents(output)).array().size(), 1);

    // A workbook that is not there: the page's message, on standard error.
    const ProgramRun missing = ozmid({QStringLiteral("-i"), file(QStringLiteral("absent.xls")), QStringLiteral("-o"),
                                      output, QStringLiteral("-s"), QStringLiteral("5")});
    EXPECT_EQ(missing.lines.size(), 9);
    EXPECT_TRUE(missing.errors.contains(QStringLiteral("Model import: Invalid input file")))
        << missing.errors.toStdString();
}

// Arguments the command line cannot use are not ignored without a word: a file without -i,
// values that are not numbers (and the 0 used instead, as the log shows).
TEST_F(CommandLineExplanations, ArgumentsAndValuesItCannotUseAreEchoedWithWhatIsUsed)
{
    ProgramRun run = ozmid({sample, QStringLiteral("-p"), QStringLiteral("Austria")});
    EXPECT_EQ(run.exitCode, 0);
    ASSERT_EQ(run.lines.size(), 9);
    EXPECT_EQ(run.lines[2], QStringLiteral("Input file             : ") + binaryDir());
    EXPECT_EQ(run.lines[8], QStringLiteral("Unsupported input file specified"));
    EXPECT_TRUE(
        run.errors.contains(QStringLiteral("The argument \"%1\" is not used: give the input file with -i, as in "
                                           "-i %1.")
                                .arg(sample)))
        << run.errors.toStdString();
    EXPECT_FALSE(run.errors.contains(QStringLiteral("No input file was given")));

    run = ozmid({QStringLiteral("-s"), QStringLiteral("10")});
    EXPECT_TRUE(run.errors.contains(QStringLiteral("No input file was given"))) << run.errors.toStdString();
    // With an input, a stray value (a country without its -p) is still named.
    run = ozmid({QStringLiteral("-i"), sample, QStringLiteral("Austria"), QStringLiteral("-s"), QStringLiteral("5")});
    EXPECT_EQ(run.lines.size(), 10);
    EXPECT_TRUE(run.errors.contains(QStringLiteral("The argument \"Austria\" is not used: every value follows its "
                                                   "option.")))
        << run.errors.toStdString();

    const QString output = file(QStringLiteral("results.json"));
    run = ozmid({QStringLiteral("-i"), sample, QStringLiteral("-p"), QStringLiteral("Austria"), QStringLiteral("-o"),
                 output, QStringLiteral("-s"), QStringLiteral("1e3"), QStringLiteral("-t"), QStringLiteral("0,03"),
                 QStringLiteral("-r"), QStringLiteral("seven")});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(logWithoutTimes(run.output),
              specificationLog(samplePath, output, QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"),
                               QStringLiteral("Austria")));
    for (const QString& expected :
         QStringList{QStringLiteral(
                         "Sample size \"1e3\" is not a whole number from 0 to 4294967295; 0 is used: no iterations are "
                         "run and every statistic is \"-\"."),
                     QStringLiteral("Time discount \"0,03\" is not a number (0.03 stands for 3 %); 0 is used"),
                     QStringLiteral("Random seed \"seven\" is not a whole number from 0 to 4294967295; 0 is used")})
        EXPECT_TRUE(run.errors.contains(expected)) << expected.toStdString() << "\nin:\n" << run.errors.toStdString();
    // Said once, not again as a sample size of 0; the run's own warning, as the page shows it.
    EXPECT_FALSE(run.errors.contains(QStringLiteral("Sample size is 0")));
    EXPECT_TRUE(run.errors.contains(QStringLiteral("Model run: 0 sample(s) per model: with fewer than 9 samples")))
        << run.errors.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(contents(output)).array().size(), 2);

    // No output file: the run goes on and says the results went nowhere.
    run = ozmid({QStringLiteral("-i"), sample, QStringLiteral("-p"), QStringLiteral("Austria"), QStringLiteral("-s"),
                 QStringLiteral("5")});
    EXPECT_EQ(run.lines.size(), 10);
    EXPECT_TRUE(run.errors.contains(QStringLiteral("No output file was given (-o FILE): the results are not written.")))
        << run.errors.toStdString();
}

// A run that goes well says nothing on standard error: no toolkit noise either, also where the
// session names no run-time folder (a root shell, a container) and there is no display.
TEST_F(CommandLineExplanations, ARunThatGoesWellSaysNothingOnStandardError)
{
    const QString output = file(QStringLiteral("results.json"));
    const QStringList arguments = {QStringLiteral("-i"), sample, QStringLiteral("-p"), QStringLiteral("Austria"),
                                   QStringLiteral("-o"), output, QStringLiteral("-s"), QStringLiteral("20")};
    for (const QStringList& unset :
         {QStringList{}, QStringList{QStringLiteral("XDG_RUNTIME_DIR")},
          QStringList{QStringLiteral("XDG_RUNTIME_DIR"), QStringLiteral("DISPLAY"), QStringLiteral("WAYLAND_DISPLAY"),
                      QStringLiteral("QT_QPA_PLATFORM")}}) {
        const ProgramRun run = ozmid(arguments, unset);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.lines.size(), 10);
        EXPECT_EQ(run.errors, QString()) << unset.join(QLatin1Char(' ')).toStdString();
    }
}
