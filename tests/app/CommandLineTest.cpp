#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "app/ProgramRun.h"

// The command line run end to end, as a user starts it: the built program next to its
// staged models folder and reference data cache.
namespace {

const QString sample = QStringLiteral("models/Illustrative-CRKP-BSI.model_spec.json");

enum class Display { Inherited, None };

ProgramRun ozmid(const QStringList& arguments, const QString& workingDirectory, Display display = Display::Inherited)
{
    ProgramStart start;
    start.arguments = arguments;
    start.workingDirectory = workingDirectory;
    if (display == Display::None)
        start.unset = QStringList{QStringLiteral("DISPLAY"), QStringLiteral("WAYLAND_DISPLAY"),
                                  QStringLiteral("QT_QPA_PLATFORM")};
    return runProgram(start);
}

double statistic(const QJsonObject& map, const char* key, const char* which)
{
    return map.value(QLatin1String(key)).toObject().value(QLatin1String(which)).toDouble();
}

class CommandLine : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QFile::exists(binaryDir() + QStringLiteral("/ozmid")));
        ASSERT_TRUE(QFile::exists(binaryDir() + QLatin1Char('/') + sample));
        ASSERT_TRUE(QFile::exists(binaryDir() + QStringLiteral("/referenceData.dat")));
    }
    QTemporaryDir work;
};

} // namespace

TEST_F(CommandLine, RunsASpecificationAndWritesTheResults)
{
    const QString output = work.filePath(QStringLiteral("results.json"));
    const ProgramRun run = ozmid({QStringLiteral("-i"), sample, QStringLiteral("-p"), QStringLiteral("Austria"),
                                  QStringLiteral("-o"), output, QStringLiteral("-s"), QStringLiteral("300"),
                                  QStringLiteral("-t"), QStringLiteral("0.03"), QStringLiteral("-r"),
                                  QStringLiteral("42")},
                                 work.path());
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(logWithoutTimes(run.output),
              specificationLog(binaryDir() + QLatin1Char('/') + sample, output, QStringLiteral("300"),
                               QStringLiteral("0.03"), QStringLiteral("42"), QStringLiteral("Austria")));

    // Every specification of the models folder is run, the input among them.
    const QJsonArray models = QJsonDocument::fromJson(contents(output)).array();
    ASSERT_GE(models.size(), 1);
    bool found = false;
    for (const QJsonValue& value : models) {
        const QJsonObject model = value.toObject();
        EXPECT_TRUE(model.contains(QStringLiteral("detailedResults")));
        EXPECT_TRUE(model.contains(QStringLiteral("totalCategorizedResults")));
        if (!model.value(QStringLiteral("name")).toString().contains(QStringLiteral("bloodstream")))
            continue;
        found = true;
        EXPECT_TRUE(model.value(QStringLiteral("name")).toString().startsWith(QStringLiteral("Austria - ")));
        const QJsonObject total =
            model.value(QStringLiteral("totalSequelaTypeResults")).toObject().value(QStringLiteral("total")).toObject();
        const double mean = statistic(total, "daly", "Mean");
        EXPECT_GT(mean, 0.0);
        EXPECT_LE(statistic(total, "daly", "Quantile0.025"), mean);
        EXPECT_GE(statistic(total, "daly", "Quantile0.975"), mean);
        EXPECT_GT(statistic(total, "yll", "Mean"), statistic(total, "yld", "Mean"));
        const QJsonArray female = model.value(QStringLiteral("totalCategorizedResults"))
                                      .toObject()
                                      .value(QStringLiteral("daly"))
                                      .toObject()
                                      .value(QStringLiteral("arrayFemale"))
                                      .toArray();
        EXPECT_EQ(female.size(), 19);
    }
    EXPECT_TRUE(found);
    EXPECT_TRUE(QString::fromUtf8(contents(work.filePath(QStringLiteral("Ozmid.ini"))))
                    .contains(QStringLiteral("RandomSeed=42")));
}

// With no display at all, as on a server, the program still runs, and the clipboard request
// neither fails the run nor changes the results (those of a case of the pinned results below).
TEST_F(CommandLine, RunsWithoutADisplayAndTheClipboardChangesNothing)
{
    const QString output = work.filePath(QStringLiteral("results.json"));
    const ProgramRun headless = ozmid({QStringLiteral("-i"), sample, QStringLiteral("-p"), QStringLiteral("Austria"),
                                       QStringLiteral("-s"), QStringLiteral("200"), QStringLiteral("-r"),
                                       QStringLiteral("42"), QStringLiteral("-t"), QStringLiteral("0"),
                                       QStringLiteral("-o"), output, QStringLiteral("-c")},
                                      work.path(), Display::None);
    EXPECT_EQ(headless.exitCode, 0);
    EXPECT_TRUE(headless.lines.contains(QStringLiteral("Output to clipboard    : Yes")))
        << headless.lines.join(QLatin1Char('\n')).toStdString() << headless.errors.toStdString();
    EXPECT_EQ(QCryptographicHash::hash(contents(output), QCryptographicHash::Sha256).toHex(),
              QByteArray("0dd71eacb6d38f97a8db0f931851946456bffb259c7469ae03c3b895e3772d32"));
}

TEST_F(CommandLine, BadInputEndsWithTheLogAndExitCodeZero)
{
    // A missing input file: the run goes on with the specifications already known.
    ProgramRun run = ozmid({QStringLiteral("-i"), QStringLiteral("models/absent.model_spec.json"), QStringLiteral("-p"),
                            QStringLiteral("Generic"), QStringLiteral("-s"), QStringLiteral("20"), QStringLiteral("-o"),
                            work.filePath(QStringLiteral("r.json"))},
                           work.path());
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.lines.size(), 10);
    EXPECT_TRUE(run.errors.contains(QStringLiteral("does not exist"))) << run.errors.toStdString();

    // Unsupported inputs: case-sensitive suffixes, or none at all.
    for (const QStringList& arguments : {QStringList{QStringLiteral("-i"), QStringLiteral("saved.XLS")},
                                         QStringList{QStringLiteral("-s"), QStringLiteral("abc")}}) {
        run = ozmid(arguments, work.path());
        EXPECT_EQ(run.exitCode, 0);
        ASSERT_EQ(run.lines.size(), 9);
        EXPECT_EQ(run.lines.last(), QStringLiteral("Unsupported input file specified"));
    }
    EXPECT_EQ(run.lines[2], QStringLiteral("Input file             : ") + binaryDir());
    EXPECT_EQ(run.lines[5], QStringLiteral("Sample size            : 0"));

    // An unknown country and no iterations: a full log and explanations.
    run = ozmid({QStringLiteral("-i"), sample, QStringLiteral("-p"), QStringLiteral("Atlantis"), QStringLiteral("-s"),
                 QStringLiteral("0"), QStringLiteral("-o"), work.filePath(QStringLiteral("z.json"))},
                work.path());
    EXPECT_EQ(run.exitCode, 0);
    ASSERT_EQ(run.lines.size(), 10);
    EXPECT_EQ(run.lines[8], QStringLiteral("Country ID             : Atlantis"));
    EXPECT_TRUE(run.errors.contains(QStringLiteral("Atlantis")));
    EXPECT_TRUE(run.errors.contains(QStringLiteral("Sample size is 0")));
    const QJsonArray models = QJsonDocument::fromJson(contents(work.filePath(QStringLiteral("z.json")))).array();
    ASSERT_FALSE(models.isEmpty());
    const QJsonObject total = models.last()
                                  .toObject()
                                  .value(QStringLiteral("totalSequelaTypeResults"))
                                  .toObject()
                                  .value(QStringLiteral("total"))
                                  .toObject();
    EXPECT_EQ(total.value(QStringLiteral("daly")).toObject().value(QStringLiteral("Mean")).toString(),
              QStringLiteral("-"));

    // A specification whose tree cannot be built ends the run with "Error".
    QFile broken(work.filePath(QStringLiteral("broken.model_spec.json")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write(R"json({"id": "Broken", "name": "Broken", "dims": {"order": ["age"], "values": {"age": ["all"]}},
        "outcomeTrees": {"t": {"id": "t", "name": "t", "healthOutcomesRunOrder": ["inf", "seq"],
          "healthOutcomes": {"inf": {"name": "Infection", "type": "INFECTION"}, "seq": {"name": "S", "type": "SEQUELA"}},
          "transitions": {"1": {"id": "t1", "source": {"id": "inf"}, "target": {"id": "seq"}}}}},
        "outcomeTreeMapping": {"vals": [["t"]]}})json");
    broken.close();
    run = ozmid({QStringLiteral("-i"), broken.fileName(), QStringLiteral("-p"), QStringLiteral("Generic")},
                work.path());
    EXPECT_EQ(run.exitCode, 0);
    ASSERT_FALSE(run.lines.isEmpty());
    EXPECT_EQ(run.lines.last(), QStringLiteral("Error"));
    EXPECT_EQ(run.lines.size(), 10);
    EXPECT_TRUE(run.errors.contains(QStringLiteral("INFECTION and ACUTE")));
}

TEST_F(CommandLine, HelpAndVersion)
{
    const ProgramRun help = ozmid({QStringLiteral("--help")}, work.path());
    const QString text = help.lines.join(QLatin1Char('\n'));
    EXPECT_TRUE(text.contains(QStringLiteral("Ozmid 2.0.0, CLI mode")));
    int previous = -1;
    for (const char* option : {"--input <file>", "--output <file>", "--clipboard", "--sample-size <size>",
                               "--time-discount <timeDiscount>", "--random-seed <seed>", "--country <country>"}) {
        const int at = text.indexOf(QLatin1String(option));
        EXPECT_GT(at, previous) << option;
        previous = at;
    }
    EXPECT_TRUE(text.contains(QStringLiteral("Path to the model specificaction <file>.")));
    const ProgramRun version = ozmid({QStringLiteral("--version")}, work.path());
    EXPECT_EQ(version.lines.value(0), QStringLiteral("Ozmid 2.0.0"));
}

// The results documents of the shipped specifications and of a workbook of reference-data and
// specification models (congenital among them), as the program wrote them before its run was
// spread over several threads and its estimators and samplers were made faster: any thread count,
// with or without the uncertainty analysis, must give them byte for byte, and the analysis its
// own document byte for byte too (pinned since the analysis weighs its inputs by their cases and
// reports the precision of the interval's ends).
TEST_F(CommandLine, ResultsAreByteForByteThoseOfTheOneThreadProgram)
{
    struct Case
    {
        QStringList arguments;
        const char* sha256;
        const char* uncertaintySha256;
    };
    const QString workbook = QStringLiteral(OZMID_TEST_DATA_DIR "/app/fixtures/mixed-models.xls");
    const QStringList bsi = {QStringLiteral("-i"), sample,
                             QStringLiteral("-p"), QStringLiteral("Austria"),
                             QStringLiteral("-s"), QStringLiteral("200")};
    const QStringList listeriosis = {
        QStringLiteral("-i"), QStringLiteral("models/Illustrative-Listeriosis.model_spec.json"),
        QStringLiteral("-p"), QStringLiteral("Austria"),
        QStringLiteral("-t"), QStringLiteral("0.03")};
    const QList<Case> cases = {
        {bsi + QStringList{QStringLiteral("-r"), QStringLiteral("0"), QStringLiteral("-t"), QStringLiteral("0")},
         "90ccc3ac220d95c63ba5106ee8aecd0dc29e0b8ac603da75e26cb23fa6b616ac",
         "053a304ee5ce6638059ad02e88b2317e6c9c2c843885815ee3d35dbc55da447d"},
        {bsi + QStringList{QStringLiteral("-r"), QStringLiteral("0"), QStringLiteral("-t"), QStringLiteral("0.03")},
         "29d096f97599d39bf87b110042cf383f5a288968e10524500a968825f96f2a69",
         "0b18cd2c6087b2aa3d6d7344568025280b018fe84937ece5e2f3845de6c84b22"},
        {bsi + QStringList{QStringLiteral("-r"), QStringLiteral("42"), QStringLiteral("-t"), QStringLiteral("0")},
         "0dd71eacb6d38f97a8db0f931851946456bffb259c7469ae03c3b895e3772d32",
         "c24eb76b5d65df279bf717366b8070155a5e6a1d81a082d1d63870c894c977b1"},
        {bsi + QStringList{QStringLiteral("-r"), QStringLiteral("42"), QStringLiteral("-t"), QStringLiteral("0.03")},
         "c209abdb6e6af6c934b1034dfb847cdfb4ab5ba058114aed83f335473c4e339d",
         "cb91631a0d383c2c4caa5b840ee2a26467b1ef88d2591d634972c6070e86e6bb"},
        {listeriosis
             + QStringList{QStringLiteral("-s"), QStringLiteral("9"), QStringLiteral("-r"), QStringLiteral("42")},
         "424f58a366260dbfbf07209cc43f47202df899b1032a84fabb434ec5ebe8d9b7",
         "f18d507d8f1fc69e924abfbd011b0a95049e1f5e3ce6e3db066b230597867395"},
        {listeriosis
             + QStringList{QStringLiteral("-s"), QStringLiteral("300"), QStringLiteral("-r"), QStringLiteral("0")},
         "59e0e4e97fd3ddbbefb46c4a3caeb7c23992e78c1f84cb3c879f9fecb4255d84",
         "1a57b7f11de15e77b85010148420cd468559bf6756787aa14bb738439c1df4c8"},
        {{QStringLiteral("-i"), workbook, QStringLiteral("-s"), QStringLiteral("500"), QStringLiteral("-r"),
          QStringLiteral("0")},
         "443a4719e5a0ee07eae55b258846200230c3825ead2ddd54c59a2b990f18fb26",
         "b8a4695362d42d2e0cfa0dbd4634f646b27b137fac54e4ab3853d93be08f591d"},
    };
    const auto sha256 = [](const QString& path) {
        return QCryptographicHash::hash(contents(path), QCryptographicHash::Sha256).toHex();
    };
    const struct
    {
        int threads;
        bool analysis;
        // The results table beside the results (run setting ResultsTable), empty for none.
        QString table;
    } settingsRows[] = {{1, false, {}},
                        {2, false, QStringLiteral("csv.gz")},
                        {3, false, {}},
                        {1, true, {}},
                        {3, true, QStringLiteral("xlsx")}};
    for (const auto& [threads, analysis, table] : settingsRows) {
        // The thread count, the analysis and the table come from the run settings in the working directory.
        QFile settings(work.filePath(QStringLiteral("Ozmid.ini")));
        ASSERT_TRUE(settings.open(QIODevice::WriteOnly | QIODevice::Truncate));
        settings.write(QStringLiteral("[RunSettings]\nThreads=%1\nSensitivityAnalysis=%2\nResultsTable=%3\n")
                           .arg(threads)
                           .arg(analysis ? QStringLiteral("true") : QStringLiteral("false"))
                           .arg(table)
                           .toUtf8());
        settings.close();
        for (const Case& c : cases) {
            const QString output = work.filePath(QStringLiteral("results.json"));
            const QString uncertainty = work.filePath(QStringLiteral("results.sensitivity.json"));
            const QString tablePath = work.filePath(QStringLiteral("results.") + (table.isEmpty() ? "csv" : table));
            QFile::remove(output);
            QFile::remove(uncertainty);
            QFile::remove(tablePath);
            const ProgramRun run = ozmid(c.arguments + QStringList{QStringLiteral("-o"), output}, work.path());
            ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
            const std::string what = std::to_string(threads) + " threads, analysis " + (analysis ? "on" : "off")
                + ", table " + table.toStdString() + ": " + c.arguments.join(QLatin1Char(' ')).toStdString();
            EXPECT_EQ(sha256(output), QByteArray(c.sha256)) << what;
            EXPECT_EQ(QFile::exists(uncertainty), analysis) << what;
            EXPECT_EQ(QFileInfo(tablePath).size() > 0, !table.isEmpty()) << what;
            if (analysis) {
                EXPECT_EQ(sha256(uncertainty), QByteArray(c.uncertaintySha256)) << what;
            }
        }
    }
}

// Asked for by the run settings, the standard errors, convergence and sensitivity go to a file of
// their own beside the results, which stay byte for byte what they are without them.
TEST_F(CommandLine, UncertaintyAnalysisAndProvenanceGoBesideTheUnchangedResults)
{
    QFile settings(work.filePath(QStringLiteral("Ozmid.ini")));
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly | QIODevice::Truncate));
    settings.write("[RunSettings]\nSensitivityAnalysis=true\n");
    settings.close();
    const QString output = work.filePath(QStringLiteral("results.json"));
    const ProgramRun run = ozmid({QStringLiteral("-i"), sample, QStringLiteral("-p"), QStringLiteral("Austria"),
                                  QStringLiteral("-s"), QStringLiteral("200"), QStringLiteral("-r"),
                                  QStringLiteral("42"), QStringLiteral("-t"), QStringLiteral("0.03"),
                                  QStringLiteral("-o"), output},
                                 work.path());
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.lines.size(), 10);
    EXPECT_EQ(QCryptographicHash::hash(contents(output), QCryptographicHash::Sha256).toHex(),
              QByteArray("c209abdb6e6af6c934b1034dfb847cdfb4ab5ba058114aed83f335473c4e339d"));
    const QString analysisPath = work.filePath(QStringLiteral("results.sensitivity.json"));
    EXPECT_TRUE(run.errors.contains(analysisPath)) << run.errors.toStdString();
    const QJsonArray models = QJsonDocument::fromJson(contents(analysisPath)).array();
    ASSERT_EQ(models.size(), 2);
    for (const QJsonValue& value : models) {
        const QJsonObject model = value.toObject();
        EXPECT_TRUE(model.value(QStringLiteral("name")).toString().startsWith(QStringLiteral("Austria - ")));
        const QJsonObject convergence = model.value(QStringLiteral("convergence")).toObject();
        EXPECT_GT(convergence.value(QStringLiteral("standardError")).toDouble(), 0.0);
        EXPECT_EQ(convergence.value(QStringLiteral("iterations")).toDouble(), 200.0);
        const QJsonArray inputs =
            model.value(QStringLiteral("sensitivity")).toObject().value(QStringLiteral("inputs")).toArray();
        ASSERT_FALSE(inputs.isEmpty());
        // The page's groups of inputs by parameter are not part of the document.
        EXPECT_FALSE(model.value(QStringLiteral("sensitivity")).toObject().contains(QStringLiteral("parameterGroups")));
        const double strongest = std::abs(
            inputs.first().toObject().value(QStringLiteral("standardizedRegressionCoefficient")).toDouble());
        for (const QJsonValue& input : inputs)
            EXPECT_LE(std::abs(input.toObject().value(QStringLiteral("standardizedRegressionCoefficient")).toDouble()),
                      strongest);
        EXPECT_TRUE(model.value(QStringLiteral("standardErrors"))
                        .toObject()
                        .contains(QStringLiteral("totalCategorizedResults")));
    }

    // Where the results come from, beside them: the input and the cache named with their digests.
    const QJsonObject provenance =
        QJsonDocument::fromJson(contents(work.filePath(QStringLiteral("results.run.json")))).object();
    const auto sha256 = [](const QString& path) {
        return QString::fromLatin1(QCryptographicHash::hash(contents(path), QCryptographicHash::Sha256).toHex());
    };
    const QJsonObject input = provenance.value(QStringLiteral("inputs")).toArray().first().toObject();
    EXPECT_EQ(input.value(QStringLiteral("path")).toString(), binaryDir() + QLatin1Char('/') + sample);
    EXPECT_EQ(input.value(QStringLiteral("sha256")).toString(), sha256(binaryDir() + QLatin1Char('/') + sample));
    EXPECT_EQ(provenance.value(QStringLiteral("referenceData")).toObject().value(QStringLiteral("sha256")).toString(),
              sha256(binaryDir() + QStringLiteral("/referenceData.dat")));
    EXPECT_EQ(provenance.value(QStringLiteral("commandLine")).toArray().last().toString(), output);
    EXPECT_EQ(provenance.value(QStringLiteral("randomSeed")).toDouble(), 42.0);
    EXPECT_EQ(provenance.value(QStringLiteral("timeDiscountRate")).toDouble(), 0.03);
    EXPECT_TRUE(provenance.value(QStringLiteral("uncertaintyAnalysis")).toBool());

    // Results that go to a pipe have no place beside them: the analysis is not written, and said so.
    const ProgramRun piped = ozmid({QStringLiteral("-i"), sample, QStringLiteral("-p"), QStringLiteral("Austria"),
                                    QStringLiteral("-s"), QStringLiteral("20"), QStringLiteral("-o"),
                                    QStringLiteral("/dev/null")},
                                   work.path());
    EXPECT_EQ(piped.exitCode, 0);
    EXPECT_TRUE(piped.errors.contains(QStringLiteral("uncertainty analysis is not written")))
        << piped.errors.toStdString();
}

TEST_F(CommandLine, InputBeyondWhatTheProgramCanHoldIsRefusedWithAReason)
{
    // Four billion iterations cannot fit anywhere: refused before the run, with the reason.
    ProgramRun run = ozmid({QStringLiteral("-i"), sample, QStringLiteral("-p"), QStringLiteral("Austria"),
                            QStringLiteral("-s"), QStringLiteral("4000000000"), QStringLiteral("-o"),
                            work.filePath(QStringLiteral("r.json"))},
                           work.path());
    EXPECT_EQ(run.exitCode, 0);
    ASSERT_FALSE(run.lines.isEmpty());
    EXPECT_EQ(run.lines.last(), QStringLiteral("Error"));
    EXPECT_TRUE(run.errors.contains(QStringLiteral("cannot be run with 4000000000 iterations")))
        << run.errors.toStdString();

    // Nine dimensions: the file is skipped and named; the program neither aborts nor shows
    // an internal text.
    QFile nine(work.filePath(QStringLiteral("nine.model_spec.json")));
    ASSERT_TRUE(nine.open(QIODevice::WriteOnly));
    nine.write(R"json({"id": "Nine", "dims": {"order": ["a", "b", "c", "d", "e", "f", "g", "h", "i"],
        "values": {"a": ["1"], "b": ["1"], "c": ["1"], "d": ["1"], "e": ["1"], "f": ["1"], "g": ["1"], "h": ["1"],
                   "i": ["1"]}}})json");
    nine.close();
    run = ozmid({QStringLiteral("-i"), nine.fileName(), QStringLiteral("-p"), QStringLiteral("Austria"),
                 QStringLiteral("-s"), QStringLiteral("5"), QStringLiteral("-o"),
                 work.filePath(QStringLiteral("n.json"))},
                work.path());
    EXPECT_EQ(run.exitCode, 0);
    ASSERT_EQ(run.lines.size(), 10);
    EXPECT_TRUE(run.lines.last().startsWith(QStringLiteral("Run finish time")));
    EXPECT_TRUE(run.errors.contains(QStringLiteral("nine.model_spec.json is skipped: \"dims\" lists 9 dimensions")))
        << run.errors.toStdString();
    EXPECT_FALSE(run.errors.contains(QStringLiteral("Marray assertion failed.")));
}

namespace {

QString workbookFixture(const char* name)
{
    return QStringLiteral(OZMID_TEST_DATA_DIR "/app/fixtures/") + QLatin1String(name);
}

} // namespace

// A model workbook as the program saves it, the same saved again by LibreOffice as .xls, .xlsx
// and .ods, and with its notification data and life expectancies made formulas: every one
// gives the very same results. The command line takes a workbook by a name that contains
// "xls"; the .ods copies, given such a name, are read by their content.
TEST_F(CommandLine, WorkbooksOfOtherProgramsGiveByteIdenticalResults)
{
    const auto runWorkbook = [&](const QString& input, const QString& output) {
        const ProgramRun run = ozmid({QStringLiteral("-i"), input, QStringLiteral("-o"), output, QStringLiteral("-s"),
                                      QStringLiteral("200"), QStringLiteral("-r"), QStringLiteral("7")},
                                     work.path());
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.lines.size(), 9) << input.toStdString() << ": "
                                       << run.lines.join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(run.lines.value(8).startsWith(QStringLiteral("Run finish time        : ")));
        EXPECT_FALSE(run.errors.contains(QStringLiteral("cannot be read"))) << run.errors.toStdString();
        return contents(output);
    };
    const QByteArray expected = runWorkbook(workbookFixture("models.xls"), work.filePath(QStringLiteral("own.json")));
    const QJsonArray models = QJsonDocument::fromJson(expected).array();
    ASSERT_EQ(models.size(), 2);
    for (const QJsonValue& model : models) {
        const QJsonObject total = model.toObject()
                                      .value(QStringLiteral("totalSequelaTypeResults"))
                                      .toObject()
                                      .value(QStringLiteral("total"))
                                      .toObject();
        EXPECT_GT(statistic(total, "daly", "Mean"), 0.0);
    }

    int copies = 0;
    for (const char* name : {"models-resaved.xls", "models-resaved.xlsx", "models-resaved.ods", "models-formulas.xls",
                             "models-formulas.xlsx", "models-formulas.ods"}) {
        QString input = workbookFixture(name);
        if (input.endsWith(QLatin1String(".ods"))) {
            const QString named = work.filePath(QStringLiteral("copy%1.ods.xls").arg(++copies));
            ASSERT_TRUE(QFile::copy(input, named));
            input = named;
        }
        const QByteArray results = runWorkbook(input, work.filePath(QStringLiteral("other%1.json").arg(++copies)));
        EXPECT_TRUE(results == expected) << name;
    }
}

// A damaged workbook on the command line: the run log stays as it always is, and standard
// error says which file could not be read and why. An .ods name is not taken, as before, but
// the user learns how to run it.
TEST_F(CommandLine, DamagedAndOpenDocumentWorkbooksAreExplained)
{
    const QString damaged = work.filePath(QStringLiteral("damaged.xls"));
    QByteArray bytes = contents(workbookFixture("models.xls"));
    bytes.chop(4096);
    QFile file(damaged);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    const QString output = work.filePath(QStringLiteral("results.json"));
    ProgramRun run = ozmid({QStringLiteral("-i"), damaged, QStringLiteral("-o"), output}, work.path());
    EXPECT_EQ(run.exitCode, 0);
    ASSERT_EQ(run.lines.size(), 9) << run.lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(run.lines[2], QStringLiteral("Input file             : ") + damaged);
    EXPECT_TRUE(run.lines[8].startsWith(QStringLiteral("Run finish time        : ")));
    EXPECT_TRUE(run.errors.contains(QStringLiteral("The workbook \"") + damaged + QStringLiteral("\" cannot be read")))
        << run.errors.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(contents(output)).array().size(), 0);

    const QString ods = work.filePath(QStringLiteral("models.ods"));
    ASSERT_TRUE(QFile::copy(workbookFixture("models-resaved.ods"), ods));
    run = ozmid({QStringLiteral("-i"), ods}, work.path());
    EXPECT_EQ(run.exitCode, 0);
    ASSERT_EQ(run.lines.size(), 9);
    EXPECT_EQ(run.lines.last(), QStringLiteral("Unsupported input file specified"));
    EXPECT_TRUE(run.errors.contains(QStringLiteral("save it as .xlsx or .xls"))) << run.errors.toStdString();
}

// The batch and reference data programs drive the controller without a display: they must not
// load the widget or web engine libraries (a message box in the core would pull them in).
TEST(ProgramLinks, HeadlessProgramsLoadNoWidgets)
{
    for (const char* program : {"ozmid-batch", "ozmid-refdata"}) {
        QProcess ldd;
        ldd.start(QStringLiteral("ldd"), {binaryDir() + QLatin1Char('/') + QLatin1String(program)});
        ASSERT_TRUE(ldd.waitForFinished(60000)) << program;
        const QString libraries = QString::fromLocal8Bit(ldd.readAllStandardOutput());
        ASSERT_TRUE(libraries.contains(QStringLiteral("libQt5Core"))) << program << libraries.toStdString();
        EXPECT_FALSE(libraries.contains(QStringLiteral("libQt5Widgets"))) << program;
        EXPECT_FALSE(libraries.contains(QStringLiteral("libQt5WebEngine"))) << program;
    }
}
