#include <QFileInfo>
#include <QTemporaryDir>

#include "app/ProgramRun.h"
#include "ut/workbook/Excel.h"

// The command line end to end: what it could not do is said on standard error, the log unchanged.
namespace {

const QString fixtures = QStringLiteral(OZMID_TEST_DATA_DIR "/app/fixtures/");

class CommandLine : public ::testing::Test
{
protected:
    ProgramRun ozmid(const char* line, const QStringList& values = {}) const
    {
        return runProgram({"ozmid", arguments(line, values), work.path()});
    }

    QString file(const char* name) const { return work.filePath(QLatin1String(name)); }

    QTemporaryDir work;
};

} // namespace

// Bad input ends the run with the usual log (or a lone "Error") and exit code 0; standard error says why.
TEST_F(CommandLine, BadInputEndsWithTheLogAndSaysWhy)
{
    ASSERT_TRUE(writeFile(file("broken.model_spec.json"), R"json({"id": "Broken", "name": "Broken",
        "dims": {"order": ["age"], "values": {"age": ["all"]}},
        "outcomeTrees": {"t": {"id": "t", "name": "t", "healthOutcomesRunOrder": ["inf", "seq"],
          "healthOutcomes": {"inf": {"name": "Infection", "type": "INFECTION"}, "seq": {"name": "S", "type": "SEQUELA"}},
          "transitions": {"1": {"id": "t1", "source": {"id": "inf"}, "target": {"id": "seq"}}}}},
        "outcomeTreeMapping": {"vals": [["t"]]}})json"));
    ASSERT_TRUE(writeFile(file("nine.model_spec.json"), R"json({"id": "Nine",
        "dims": {"order": ["a", "b", "c", "d", "e", "f", "g", "h", "i"],
        "values": {"a": ["1"], "b": ["1"], "c": ["1"], "d": ["1"], "e": ["1"], "f": ["1"], "g": ["1"], "h": ["1"],
                   "i": ["1"]}}})json"));
    ASSERT_TRUE(QFile::copy(fixtures + "models-resaved.ods", file("models.ods")));
    ASSERT_TRUE(writeFile(file("damaged.xls"), contents(fixtures + "models.xls").chopped(4096)));
    QStringList values = {sample};
    for (const char* name : {"r.json", "broken.model_spec.json", "nine.model_spec.json", "models.ods", "absent.xls",
                             "damaged.xls", "d.json", "z.json"})
        values << file(name);
    const QString done = "Run finish time        : ";
    const QString unsupported = "Unsupported input file specified";
    const QString noInput = "No input file was given";
    const struct
    {
        const char* line;
        int lines;
        // The log's last line, or its start where it ends in ": ".
        QString last;
        QStringList said;
        QStringList notSaid = {};
    } rows[] = {
        // A missing input file: the run goes on with the specifications already known.
        {"-i models/absent.model_spec.json -p Generic -s 20 -o %2", 10, done, {"does not exist"}},
        // Unsupported inputs: case-sensitive suffixes, or none at all.
        {"-i saved.XLS", 9, unsupported, {}, {noInput}},
        {"-s abc", 9, unsupported, {noInput}},
        {"%1 -p Austria", 9, unsupported, {" is not used: give the input file with -i, as in -i " + sample}, {noInput}},
        // With an input, a stray value (a country without its -p) is still named.
        {"-i %1 Austria -s 5", 10, done, {"The argument \"Austria\" is not used: every value follows its option."}},
        {"-i %1 -p Austria -s 5", 10, done, {"No output file was given (-o FILE): the results are not written."}},
        // A specification whose tree cannot be built.
        {"-i %3 -p Generic", 10, "Error", {"INFECTION and ACUTE"}},
        // Four billion iterations cannot fit anywhere: refused before the run.
        {"-i %1 -p Austria -s 4000000000 -o %2", 10, "Error", {"cannot be run with 4000000000 iterations"}},
        // Nine dimensions: the file is skipped and named, without an internal text.
        {"-i %4 -p Austria -s 5 -o %2",
         10,
         done,
         {"nine.model_spec.json is skipped: \"dims\" lists 9 dimensions"},
         {"Marray assertion failed."}},
        // Workbooks: one that is not there, a damaged one, and an .ods name, which is not taken.
        {"-i %6 -o %2 -s 5", 9, done, {"Model import: Invalid input file"}},
        {"-i %7 -o %8", 9, done, {QStringLiteral("The workbook \"%1\" cannot be read").arg(values[6])}},
        {"-i %5", 9, unsupported, {"save it as .xlsx or .xls"}},
        // An unknown country and no iterations: a full log and explanations.
        {"-i %1 -p Atlantis -s 0 -o %9", 10, done, {"Atlantis", "Sample size is 0"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line);
        const ProgramRun run = ozmid(row.line, values);
        EXPECT_EQ(run.exitCode, 0);
        ASSERT_EQ(run.lines.size(), row.lines) << run.lines.join(QLatin1Char('\n')).toStdString();
        const QString last = run.lines.last();
        EXPECT_TRUE(row.last.endsWith(": ") ? last.startsWith(row.last) : last == row.last) << last.toStdString();
        if (!QByteArray(row.line).contains("-i ")) {
            EXPECT_EQ(run.lines[2], "Input file             : " + binaryDir());
        }
        expectAll(run.errors, row.said);
        for (const QString& words : row.notSaid)
            EXPECT_FALSE(run.errors.contains(words)) << words.toStdString();
    }
    EXPECT_EQ(ozmid("-s abc").lines.value(5), "Sample size            : 0");
    EXPECT_EQ(resultsIn(values[7]).size(), 0);
    EXPECT_EQ(jsonAt(resultsIn(values[8]), "1/totalSequelaTypeResults/total/daly/Mean").toString(), "-");
}

// Values that are not numbers are named with the 0 used instead, as the log shows.
TEST_F(CommandLine, ValuesItCannotUseAreEchoedWithWhatIsUsed)
{
    const QString output = file("results.json");
    const ProgramRun run = ozmid("-i %1 -p Austria -o %2 -s 1e3 -t 0,03 -r seven", {sample, output});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(logWithoutTimes(run.output), specificationLog(samplePath, output, "0", "0", "0", "Austria"));
    expectAll(run.errors,
              {"Sample size \"1e3\" is not a whole number from 0 to 4294967295; 0 is used: no iterations are run",
               "Time discount \"0,03\" is not a number (0.03 stands for 3 %); 0 is used",
               "Random seed \"seven\" is not a whole number from 0 to 4294967295; 0 is used",
               // The run's own warning, as the page shows it.
               "Model run: 0 sample(s) per model: with fewer than 9 samples"});
    // Said once, not again as a sample size of 0.
    EXPECT_FALSE(run.errors.contains("Sample size is 0"));
    EXPECT_EQ(resultsIn(output).size(), 2);
}

TEST_F(CommandLine, HelpAndVersion)
{
    const QString text = ozmid("--help").lines.join(QLatin1Char('\n'));
    int previous = -1;
    for (const char* option : {"--input <file>", "--output <file>", "--clipboard", "--sample-size <size>",
                               "--time-discount <timeDiscount>", "--random-seed <seed>", "--country <country>"}) {
        const int at = text.indexOf(QLatin1String(option));
        EXPECT_GT(at, previous) << option;
        previous = at;
    }
    expectAll(text, {"Ozmid 2.0.0, CLI mode", "Path to the model specificaction <file>."});
    EXPECT_EQ(ozmid("--version").lines.value(0), "Ozmid 2.0.0");
}

// The one-thread program's documents, byte for byte whatever the threads, analysis or table. A
// good run says nothing on standard error, also without a run-time folder or a display.
TEST_F(CommandLine, ResultsAreByteForByteThoseOfTheOneThreadProgram)
{
    const QStringList noRuntimeFolder = {"XDG_RUNTIME_DIR"};
    const struct
    {
        const char* line;
        const char* sha256;
        const char* uncertaintySha256;
        // Standard error without the analysis and the table (nullptr: the workbook's import speaks).
        const char* quiet = "";
        QStringList unset = {};
    } cases[] = {
        {"-i %1 -p Austria -s 200 -r 0 -t 0", "90ccc3ac220d95c63ba5106ee8aecd0dc29e0b8ac603da75e26cb23fa6b616ac",
         "053a304ee5ce6638059ad02e88b2317e6c9c2c843885815ee3d35dbc55da447d"},
        {"-i %1 -p Austria -s 200 -r 0 -t 0.03", "29d096f97599d39bf87b110042cf383f5a288968e10524500a968825f96f2a69",
         "0b18cd2c6087b2aa3d6d7344568025280b018fe84937ece5e2f3845de6c84b22", "", noRuntimeFolder},
        {"-i %1 -p Austria -s 200 -r 42 -t 0 -c",
         "0dd71eacb6d38f97a8db0f931851946456bffb259c7469ae03c3b895e3772d32",
         "c24eb76b5d65df279bf717366b8070155a5e6a1d81a082d1d63870c894c977b1",
         "There is no display: the results put on the clipboard are gone when the program ends.\n",
         {"XDG_RUNTIME_DIR", "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}},
        {"-i %1 -p Austria -s 200 -r 42 -t 0.03", "c209abdb6e6af6c934b1034dfb847cdfb4ab5ba058114aed83f335473c4e339d",
         "cb91631a0d383c2c4caa5b840ee2a26467b1ef88d2591d634972c6070e86e6bb"},
        {"-i %2 -p Austria -t 0.03 -s 9 -r 42", "424f58a366260dbfbf07209cc43f47202df899b1032a84fabb434ec5ebe8d9b7",
         "f18d507d8f1fc69e924abfbd011b0a95049e1f5e3ce6e3db066b230597867395"},
        {"-i %2 -p Austria -t 0.03 -s 300 -r 0", "59e0e4e97fd3ddbbefb46c4a3caeb7c23992e78c1f84cb3c879f9fecb4255d84",
         "1a57b7f11de15e77b85010148420cd468559bf6756787aa14bb738439c1df4c8"},
        {"-i %3 -s 500 -r 0", "443a4719e5a0ee07eae55b258846200230c3825ead2ddd54c59a2b990f18fb26",
         "b8a4695362d42d2e0cfa0dbd4634f646b27b137fac54e4ab3853d93be08f591d", nullptr},
    };
    const QStringList inputs = {sample, "models/Illustrative-Listeriosis.model_spec.json",
                                fixtures + "mixed-models.xls"};
    const struct
    {
        int threads;
        bool analysis;
        // The results table beside the results (run setting ResultsTable), empty for none.
        QString table;
    } settingsRows[] = {{1, false, {}}, {2, false, "csv.gz"}, {3, false, {}}, {1, true, {}}, {3, true, "xlsx"}};
    const QString output = file("results.json");
    const QString uncertainty = file("results.sensitivity.json");
    for (const auto& [threads, analysis, table] : settingsRows) {
        const QString settings = "[RunSettings]\nThreads=%1\nSensitivityAnalysis=%2\nResultsTable=%3\n";
        ASSERT_TRUE(writeFile(file("Ozmid.ini"),
                              settings.arg(QString::number(threads), analysis ? "true" : "false", table).toUtf8()));
        const QString tablePath = work.filePath("results." + (table.isEmpty() ? "csv" : table));
        for (const auto& c : cases) {
            SCOPED_TRACE(std::to_string(threads) + " threads, analysis " + (analysis ? "on" : "off") + ", table "
                         + table.toStdString() + ": " + c.line);
            for (const QString& path : {output, uncertainty, tablePath})
                QFile::remove(path);
            const ProgramRun run = runProgram(
                {"ozmid", arguments(c.line, inputs) + QStringList{"-o", output}, work.path(), c.unset});
            ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
            EXPECT_EQ(sha256(output), QByteArray(c.sha256));
            EXPECT_EQ(QFile::exists(uncertainty), analysis);
            EXPECT_EQ(QFileInfo(tablePath).size() > 0, !table.isEmpty());
            if (analysis) {
                EXPECT_EQ(sha256(uncertainty), QByteArray(c.uncertaintySha256));
            }
            if (!analysis && table.isEmpty() && c.quiet) {
                EXPECT_EQ(run.errors.toStdString(), c.quiet);
            }
            EXPECT_EQ(run.lines.contains("Output to clipboard    : Yes"), QByteArray(c.line).endsWith(" -c"));
        }
    }
}

// The log, the seed kept in the settings and the analysis asked for by them beside the results.
TEST_F(CommandLine, RunsASpecificationWithTheAnalysisAndProvenanceBesideTheResults)
{
    ASSERT_TRUE(writeFile(file("Ozmid.ini"), "[RunSettings]\nSensitivityAnalysis=true\n"));
    const QString output = file("results.json");
    const ProgramRun run = ozmid("-i %1 -p Austria -s 200 -r 42 -t 0.03 -o %2", {sample, output});
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_EQ(logWithoutTimes(run.output), specificationLog(samplePath, output, "200", "0.03", "42", "Austria"));
    EXPECT_TRUE(contents(file("Ozmid.ini")).contains("RandomSeed=42"));
    expectAll(run.errors, {file("results.sensitivity.json")});

    // Where the results come from, beside them: the input and the cache named with their digests.
    const QJsonValue provenance = QJsonDocument::fromJson(contents(file("results.run.json"))).object();
    EXPECT_EQ(jsonAt(provenance, "inputs/0/path").toString(), samplePath);
    EXPECT_EQ(jsonAt(provenance, "inputs/0/sha256").toString().toLatin1(), sha256(samplePath));
    EXPECT_EQ(jsonAt(provenance, "referenceData/sha256").toString().toLatin1(),
              sha256(binaryDir() + "/referenceData.dat"));
    EXPECT_EQ(jsonAt(provenance, "commandLine").toArray().last().toString(), output);
    EXPECT_EQ(jsonAt(provenance, "randomSeed").toDouble(), 42.0);
    EXPECT_EQ(jsonAt(provenance, "timeDiscountRate").toDouble(), 0.03);
    EXPECT_TRUE(jsonAt(provenance, "uncertaintyAnalysis").toBool());

    // Results that go to a pipe have no place beside them: the analysis is not written, and said so.
    const ProgramRun piped = ozmid("-i %1 -p Austria -s 20 -o /dev/null", {sample});
    EXPECT_EQ(piped.exitCode, 0);
    expectAll(piped.errors, {"uncertainty analysis is not written"});
}

// A formula that does not compile ends the run with "Error", says where and why, and keeps earlier results.
TEST_F(CommandLine, AFailedRunSaysWhyAndWhere)
{
    const QString input = file("broken.model_spec.json");
    const QString output = file("results.json");
    for (const auto& [formula, reason] :
         {std::pair{"RandUniform(1)", "Too few parameters for function \"RandUniform\""},
          std::pair{"100 +", "Unexpected end of expression"}}) {
        // Under another disease id, the severity of the uncomplicated infection for men of 15 to 19.
        ASSERT_TRUE(writeFile(input,
                              edited(edited(contents(samplePath), "id", "BrokenBSI"),
                                     "outcomeTrees/bsi/healthOutcomes/acuteBsi/healthStates/1/severityArray/vals/3/1",
                                     formula)));
        ASSERT_TRUE(writeFile(output, "earlier results"));
        const ProgramRun run = ozmid("-i %1 -p Austria -o %2 -s 20", {input, output});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(logWithoutTimes(run.output), specificationLog(input, output, "20", "0", "0", "Austria", "Error"));
        expectAll(run.errors,
                  {"Problem occured while running calculations (ui::Chief::runModels)",
                   "One or more formulas for parameter Severity cannot be parsed.",
                   QStringLiteral("stratum Age 15-19, Sex Male: \"%1\": %2").arg(formula, reason),
                   "in element \"Uncomplicated bloodstream infection\" (id bsiUncomplicated) of outcome tree \"bsi\"",
                   "from the model specification " + input});
        EXPECT_EQ(contents(output), QByteArray("earlier results"));
    }

    // A formula of a saved model: the sheet and the workbook are named.
    ut::Excel workbook(fixtures + "models.xls");
    ASSERT_TRUE(workbook.isOpen()) << workbook.errorString().toStdString();
    workbook.selectSheet(1);
    const QString sheet = workbook.sheetName();
    // The table's first row of cells: past the name, the meta entries and the two header rows.
    int cellRow = workbook.rowOf(workbook.find("Notification data", "A", false));
    while (cellRow > 0 && cellRow < 10000 && workbook.cellText(cellRow, 1) != "0-4")
        ++cellRow;
    ASSERT_EQ(workbook.cellText(cellRow, 1), "0-4");
    workbook.setCellValue(cellRow, 2, "RandPert(1, 2)");
    const QString saved = file("broken.xls");
    workbook.saveAs(saved);
    ASSERT_TRUE(workbook.errorString().isEmpty()) << workbook.errorString().toStdString();
    const ProgramRun run = ozmid("-i %1 -o %2 -s 20", {saved, file("w.json")});
    EXPECT_EQ(run.lines.mid(8), QStringList{"Error"});
    expectAll(run.errors,
              {": \"RandPert(1, 2)\": Too few parameters for function \"RandPert\"",
               QStringLiteral("from sheet \"%1\" of the workbook %2").arg(sheet, saved)});
    EXPECT_FALSE(QFile::exists(file("w.json")));
}

// A file that is no model specification runs as an empty model; the parser's error is named.
TEST_F(CommandLine, AFileThatIsNoSpecificationIsNamedWithTheParsersError)
{
    const struct
    {
        const char* bytes;
        const char* reason;
    } cases[] = {
        {"this is { not json", "is not valid JSON (illegal value at character 1)"},
        {"{\"id\": \"X\", ", "is not valid JSON ("},
        {"{\"id\": \"Late\", \"name\" \"x\"}", "is not valid JSON (missing name separator at character 23)"},
        {"[1, 2]", "holds no JSON object"},
        {"{}", "has neither an \"id\" nor \"outcomeTrees\""},
    };
    const QString input = file("input.json");
    const QString output = file("results.json");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        ASSERT_TRUE(writeFile(input, c.bytes));
        const ProgramRun run = ozmid("-i %1 -p Austria -o %2 -s 10 -r 3", {input, output});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(logWithoutTimes(run.output), specificationLog(input, output, "10", "0", "3", "Austria"));
        expectAll(run.errors,
                  {QStringLiteral("Model specification %1 %2").arg(input, QLatin1String(c.reason)),
                   "its model has no outcome tree, and its burden is 0"});
        // The empty model is in the results, beside those of the models folder, with a burden of 0.
        const QJsonArray models = resultsIn(output);
        ASSERT_EQ(models.size(), 3);
        EXPECT_EQ(jsonAt(models, "0/name").toString(), "Austria -  - model 1");
        EXPECT_EQ(jsonAt(models, "0/detailedResults").toArray().size(), 0);
    }
}

// A country without population data gives a burden of 0, said with the countries that have data.
TEST_F(CommandLine, ACountryWithoutPopulationDataIsExplainedWithTheCountriesThatHaveData)
{
    const QString listed = "Countries with population data: EUEEA, Austria, Germany, Italy, Sweden, Generic.";
    const struct
    {
        const char* country;
        const char* said;
    } cases[] = {
        {"France",
         "Country \"France\" has no population data (age distribution and life expectancy) in the "
         "reference data, so its models' YLD, YLL and DALY are 0 although cases are counted"},
        {"austria", "Country ids are case-sensitive: did you mean \"Austria\"?"},
        {"", "No country was given (-p), so the models have no population data: their YLD, YLL and DALY are 0"},
    };
    const QString output = file("results.json");
    for (const auto& c : cases) {
        const ProgramRun run = ozmid(*c.country ? "-i %1 -o %2 -s 20 -t 0.03 -p %3" : "-i %1 -o %2 -s 20 -t 0.03",
                                     {sample, output, c.country});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(logWithoutTimes(run.output), specificationLog(samplePath, output, "20", "0.03", "0", c.country));
        expectAll(run.errors, {c.said, listed});
        const QJsonArray models = resultsIn(output);
        ASSERT_EQ(models.size(), 2);
        for (const QJsonValue& model : models) {
            EXPECT_EQ(jsonAt(model, "totalSequelaTypeResults/total/daly/Mean").toDouble(-1.0), 0.0);
            EXPECT_EQ(jsonAt(model, "totalSequelaTypeResults/total/yld/Mean").toDouble(-1.0), 0.0);
        }
    }
    QStringList ids;
    for (const QString& line : runProgram({"ozmid-refdata", {"countries"}, work.path()}).lines)
        ids << line.section(QLatin1Char('\t'), 0, 0);
    EXPECT_EQ("Countries with population data: " + ids.join(", ") + QLatin1Char('.'), listed);
}

// Skipped sheets of a model workbook are named with their reason; the other models are run.
TEST_F(CommandLine, SkippedWorkbookSheetsAreNamedWithTheirReason)
{
    ut::Excel workbook(fixtures + "models.xls");
    ASSERT_TRUE(workbook.isOpen());
    ASSERT_EQ(workbook.sheetCount(), 2);
    workbook.selectSheet(2);
    const QString unknown = workbook.sheetName();
    const int info = workbook.rowOf(workbook.find("Model info", "A", false));
    workbook.setCellValue(info + 3, 2, "Plague");
    workbook.addSheet("Old model");
    workbook.setCellValue(1, 1, "File info");
    workbook.setCellValue(3, 1, "Version");
    workbook.setCellValue(3, 2, 5);
    const QString input = file("three-models.xls");
    workbook.saveAs(input);
    ASSERT_TRUE(workbook.errorString().isEmpty()) << workbook.errorString().toStdString();

    const QString output = file("results.json");
    const ProgramRun run = ozmid("-i %1 -o %2 -s 20 -p Austria", {input, output});
    EXPECT_EQ(run.exitCode, 0);
    // The sheets name their countries: the log has no country line.
    std::string log = specificationLog(input, output, "20", "0", "0", "");
    EXPECT_EQ(logWithoutTimes(run.output),
              log.erase(log.find("Country ID"), log.find("Run finish") - log.find("Country ID")));
    expectAll(run.errors,
              {"The country \"Austria\" is not used: each sheet of a model workbook names its own country.",
               "Model import: Sheet " + unknown + " contains model not supported by the reference data loaded.",
               "Sheet \"" + unknown + "\" of " + input + ": the disease \"Plague\" is neither in the reference data",
               "Model import: Sheet Old model contains model created by the previous, unsupported version",
               "Sheet \"Old model\" of " + input + ": cell B3 holds \"5\" where a saved model holds its version, 6.",
               "Models import finished"});
    EXPECT_EQ(resultsIn(output).size(), 1);
}

// Model workbooks (fixtures/README.md) read as the spreadsheet shows them, or refused naming the cell.
TEST_F(CommandLine, WorkbooksReadAsTheSpreadsheetShowsThemOrNameTheCell)
{
    const QString output = file("results.json");
    const auto runWorkbook = [&](const QString& name, ProgramRun& run) {
        // Any workbook whose name holds "xls" is read, whatever its format.
        QString input = fixtures + name;
        if (!name.contains("xls")) {
            input = work.filePath(name + ".xls");
            EXPECT_TRUE(QFile::copy(fixtures + name, input));
        }
        QFile::remove(output);
        run = ozmid("-i %1 -s 60 -r 42 -o %2", {input, output});
        EXPECT_EQ(run.exitCode, 0);
        return contents(output);
    };
    ProgramRun run;
    const QByteArray untouched = runWorkbook("models.xls", run);
    const QJsonArray models = QJsonDocument::fromJson(untouched).array();
    ASSERT_EQ(models.size(), 2) << run.errors.toStdString();
    for (const QJsonValue& model : models)
        EXPECT_GT(jsonAt(model, "totalSequelaTypeResults/total/daly/Mean").toDouble(), 0.0);

    const struct
    {
        const char* workbook;
        // Not: the results are those of the untouched workbook, byte for byte.
        bool refused;
        QStringList said;
    } rows[] = {
        {"models-resaved", false, {}},
        {"models-formulas", false, {}},
        {"edited-empty-row", false, {}},
        {"edited-percentages", false, {}},
        {"edited-harmless", false, {"\"Notes\"", "is not a model: it is left out"}},
        {"edited-decimal-comma", true, {"sheet \"model 1\", cell B", "\"82,1\"", "(a decimal comma?)"}},
        {"edited-reworded-label",
         true,
         {"sheet \"model 1\", cell A", "\"Under-reporting factor\"", "the label \"underreporting\""}},
        {"edited-boolean", true, {"sheet \"model 1\", cell B40 holds TRUE"}},
        {"edited-error", true, {"sheet \"model 1\", cell B40 holds"}},
        {"edited-date", true, {"sheet \"model 1\", cell B40 holds a date"}},
    };
    for (const auto& row : rows) {
        for (const char* format : {"xls", "xlsx", "ods"}) {
            const QString name = QStringLiteral("%1.%2").arg(QLatin1String(row.workbook), QLatin1String(format));
            SCOPED_TRACE(name.toStdString());
            const QByteArray results = runWorkbook(name, run);
            // A refused sheet is named; the other model of the workbook is read all the same.
            expectAll(run.errors, row.refused ? row.said + QStringList{"is not imported"} : row.said);
            EXPECT_EQ(results == untouched, !row.refused);
            if (!row.refused) {
                for (const char* words : {"not imported", "cannot be read"})
                    EXPECT_FALSE(run.errors.contains(QLatin1String(words))) << run.errors.toStdString();
                EXPECT_EQ(run.lines.size(), 9);
                EXPECT_TRUE(run.lines.value(8).startsWith("Run finish time        : "));
            }
        }
    }

    // 95 % is 0.95 in every format, also in .ods, whose percentages liborcus leaves out.
    QByteArray percent;
    for (const char* format : {"xls", "xlsx", "ods"}) {
        const QByteArray results = runWorkbook("edited-percent-95." + QLatin1String(format), run);
        EXPECT_NE(results, untouched) << format;
        if (percent.isEmpty())
            percent = results;
        EXPECT_EQ(results, percent) << format << ": " << run.errors.toStdString();
    }
}

// The headless programs load no widget or web engine libraries (ozmid's window is a library).
TEST(ProgramLinks, HeadlessProgramsLoadNoWidgets)
{
    for (const char* program : {"ozmid", "ozmid-batch", "ozmid-refdata"}) {
        const ProgramRun ldd = runProgram({program, {}, {}, {}, {}, "ldd \"$0\""});
        ASSERT_TRUE(ldd.output.contains("libQt5Core")) << program << ldd.output.toStdString();
        EXPECT_FALSE(QString(ldd.output).contains(QRegularExpression("libQt5(Widgets|WebEngine)"))) << program;
    }
}
