#include <algorithm>
#include <cmath>
#include <numeric>

#include <QMap>
#include <QTemporaryDir>

#include "app/ProgramRun.h"
#include "fn/data/templates/DiseaseTemplate.h"
#include "fn/data/InputDataMgr.h"
#include "fn/values/random/RandomFunctions.h"
#include "ui/Chief.h"

// The batch program end to end, against the controller in this process and separate runs of itself.
namespace {

QByteArray compact(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QJsonObject document(const QString& path)
{
    return QJsonDocument::fromJson(contents(path)).object();
}

double mean(const QJsonObject& figures, const QString& measure)
{
    return figures.value(measure).toObject().value("Mean").toDouble(std::nan(""));
}

// The models of the batch document run by the controller in a fresh state, one after the other.
struct Reference
{
    QList<QByteArray> models;
    QByteArray aggregate;
};

Reference referenceRun(const QJsonObject& run, const QString& workingDirectory)
{
    const QString previous = QDir::currentPath();
    QDir::setCurrent(workingDirectory);
    Reference reference;
    {
        // A fresh process starts from the engine's default state; model creation may draw too.
        fn::processRandomEngine().seed(5489);
        ui::Chief chief;
        chief.setBasePath(binaryDir());
        for (const QJsonValue& country : run.value("countries").toArray()) {
            for (const QJsonValue& disease : run.value("diseases").toArray())
                chief.createModel(country.toString(), disease.toString(), chief.makeModelId(QString()));
        }
        chief.settings().setRandomSeed(quint32(run.value("randomSeed").toDouble()));
        chief.settings().setThreadCount(1);
        chief.setNumSamples(int(run.value("sampleSize").toDouble()));
        chief.setTimeDiscountRate(run.value("timeDiscountRate").toDouble());
        QVariantMap aggregated;
        QObject::connect(&chief, &ui::Chief::aggregatedResultsAvailable, [&](const QVariantMap& m) { aggregated = m; });
        chief.runModels(false);
        for (const auto& model : chief.models())
            reference.models << compact(ui::Chief::resultsDocument(*model));
        reference.aggregate = compact(QJsonObject::fromVariantMap(aggregated));
    }
    QDir::setCurrent(previous);
    return reference;
}

const char* const measures[] = {"daly", "cases", "deaths"};

// A data folder with the CRKP specification edited.
bool makeData(const QString& folder, const QByteArray& from, const QByteArray& to)
{
    return stageDataFolder(folder, contents(samplePath).replace(from, to));
}

// The object of list whose members keys are those of object.
QJsonObject like(const QJsonArray& list, const QJsonObject& object, const QStringList& keys)
{
    for (const QJsonValue& value : list) {
        if (std::all_of(keys.begin(), keys.end(), [&](const QString& key) { return value[key] == object[key]; }))
            return value.toObject();
    }
    return {};
}

} // namespace

TEST(Batch, EveryModelAndTheTotalsAreThoseOfTheControllerRunningThemInTurn)
{
    const QTemporaryDir work;
    for (const QString seed : {"42", "0"}) {
        for (const QString threads : {"1", "3"}) {
            const QString output = work.filePath("results.json");
            const ProgramRun run = batchRun(arguments("--countries Austria,Sweden,Generic --diseases all -s 60 -t 0.03 "
                                                      "-r %1 --seeding shared --threads %2 -o %3",
                                                      {seed, threads, output}),
                                            work.path());
            ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
            expectAll(run.errors, {"models done", "Wrote " + output});
            const QJsonObject results = document(output);
            const QJsonArray models = results["models"].toArray();
            const QJsonObject settings = results["run"].toObject();
            ASSERT_EQ(settings["diseases"].toArray().size(), 3);
            ASSERT_EQ(models.size(), 9);
            // Named, the placeholder runs, and the run block says what it is.
            EXPECT_EQ(settings["regions"].toArray(), QJsonArray{"Generic"});
            EXPECT_EQ(settings["seeding"].toString(), seed == "0" ? "stream" : "shared");

            const Reference reference = referenceRun(settings, work.path());
            ASSERT_EQ(reference.models.size(), models.size());
            const QJsonArray modelResults =
                QJsonDocument::fromJson(reference.aggregate).object().value("modelResults").toArray();
            for (int i = 0; i < models.size(); ++i) {
                QJsonObject model = models[i].toObject();
                // Each entry says which model it is; the rest is the command line's document.
                const QJsonObject ids = modelResults[i].toObject();
                EXPECT_EQ(model.take("country"), ids["country"]);
                EXPECT_EQ(model.take("disease"), ids["disease"]);
                EXPECT_EQ(model.take("modelId"), ids["id"]);
                // The counts by stratum are the batch document's own (checked with the table).
                EXPECT_FALSE(model.take("totalCategorizedCounts").isUndefined());
                EXPECT_EQ(compact(model), reference.models[i])
                    << "seed " << seed.toStdString() << ", " << threads.toStdString() << " threads, model " << i + 1;
            }
            EXPECT_EQ(compact(results["aggregatedResults"].toObject()), reference.aggregate);
        }
    }
}

TEST(Batch, RefusesWhatItCannotDoWithAReasonAndWritesToPipes)
{
    const QTemporaryDir work;
    const QString output = work.filePath("r.json");
    const QString table = work.filePath("missing/t.csv.gz");
    const QStringList values = {work.path(), "a=" + work.path(), "a=" + binaryDir(), table,
                                work.filePath("missing/r.json")};
    const struct
    {
        const char* line;
        int exitCode;
        QString reason;
    } refusals[] = {
        {"--countries Atlantis --diseases all", 2, "\"Atlantis\" has no population data"},
        {"--countries France --diseases all", 2,
         "Countries with data: Austria, Germany, Italy, Sweden; regions and placeholders: EUEEA, Generic."},
        {"--countries all --diseases all --seeding random", 2, "--seeding takes independent or shared, not \"random\""},
        {"--countries all --diseases Plague", 2, "\"Plague\" is neither in the reference data"},
        {"--countries all --diseases all -s 1e3", 2, "not \"1e3\""},
        {"--countries all --diseases all -t 0,03", 2, "not \"0,03\""},
        {"--countries all models.json", 2, "Unexpected argument \"models.json\""},
        {"--countries all --diseases all --draws-by-stratum", 2, "--draws-by-stratum needs --draws FILE"},
        {"--countries all --diseases all --scenario %2", 2, "--scenario needs a random seed other than 0"},
        {"--countries all --diseases all --scenario %1", 2, "--scenario takes NAME=DATA_FOLDER"},
        {"--countries all --diseases all -r 1 --scenario %3 --scenario %2", 2, "Two scenarios are named \"a\""},
        {"--countries all --diseases all -r 1 --scenario %2", 2, "the scenario \"a\" has no reference data cache"},
        {"--countries Austria --diseases all --table %4", 1, "Cannot write \"" + table + "\""},
        // The last -o counts.
        {"--countries Austria --diseases all -o %5", 1, "missing/r.json"},
    };
    for (const auto& refusal : refusals) {
        const ProgramRun run = batchRun(QStringList{"-o", output} + arguments(refusal.line, values), work.path());
        EXPECT_EQ(run.exitCode, refusal.exitCode) << refusal.line;
        expectAll(run.errors, {refusal.reason});
        EXPECT_FALSE(QFile::exists(output));
    }
    // The diseases the reference data tool lists are those the batch program knows.
    QStringList listed;
    for (const QString& line : runProgram({"ozmid-refdata", {"diseases"}}).lines)
        listed << line.section(QLatin1Char('\t'), 0, 0);
    ProgramRun run = batchRun({"--countries", "all", "--diseases", "Plague", "-o", output}, work.path());
    expectAll(run.errors, {"Diseases: " + listed.join(", ") + QLatin1Char('.')});
    for (const QString program : {"ozmid-batch", "ozmid-refdata"}) {
        const ProgramRun version = runProgram({program, {"--version"}});
        EXPECT_EQ(version.exitCode, 0);
        EXPECT_TRUE(version.output.startsWith((program + " 2.0.0 (commit ").toUtf8()));
    }

    // Standard output is a pipe here: the document arrives whole.
    run = batchRun(arguments("--countries Austria --diseases BaselineBSI -s 20 -o /dev/stdout"), work.path());
    EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
    const QJsonObject piped = QJsonDocument::fromJson(run.output).object();
    EXPECT_EQ(piped["models"].toArray().size(), 1);
    EXPECT_TRUE(piped.contains("aggregatedResults"));
}

// A pair named one by one without data is refused before anything runs; "all" leaves it out, said so.
TEST(Batch, PairsAskedForByNameMustHaveData)
{
    const QTemporaryDir work;
    const QString data = work.filePath("data");
    ASSERT_TRUE(QDir().mkpath(data));
    // A disease with data for Italy only, and none in the "Generic" data set.
    fn::InputDataMgr store;
    store.setPath(binaryDir());
    fn::DiseaseTemplate italian = store.diseaseTemplates().get("BaselineBSI");
    italian.setId("ItalianBSI");
    store.diseaseTemplates().add("ItalianBSI", italian);
    for (const fn::InputFactor* factor : store.inputFactors().getInputFactors("BaselineBSI"))
        store.inputFactors().addInputFactor("ItalianBSI", factor->name(), factor->levels());
    store.appendDiseaseId("ItalianBSI");
    store.addCountryDisease("Italy", "ItalianBSI");
    store.setDirPath(data);
    ASSERT_TRUE(store.saveCache());
    const QString output = work.filePath("results.json");
    const QStringList common = {"--data-folder", data, "--diseases", "ItalianBSI", "-s", "5", "-o", output};
    ProgramRun run = batchRun(QStringList{"--countries", "Austria,Italy"} + common, work.path());
    EXPECT_EQ(run.exitCode, 2);
    expectAll(run.errors, {"Error: 1 of the 2 country-disease pairs have no data: Austria/ItalianBSI."});
    EXPECT_FALSE(QFile::exists(output));

    run = batchRun(QStringList{"--countries", "all"} + common, work.path());
    // The disease has no parameters: its statistics are not numbers, which fails the written run.
    EXPECT_EQ(run.exitCode, 1) << run.errors.toStdString();
    expectAll(run.errors, {"Warning: 3 of the 4 country-disease pairs have no data and are not run"});
    EXPECT_EQ(document(output).value("models").toArray().size(), 1);
}

// "all" runs the countries only; the summary counts each population once. What a scenario averts
// is paired iteration by iteration, checked against separate runs of the base and of the scenario.
TEST(Batch, SummaryCountsEachPopulationOnceAndScenariosAreTheDifferenceOfSeparateRuns)
{
    const QTemporaryDir work;
    const QString same = work.filePath("same");
    const QString treated = work.filePath("treated");
    const QString renamed = work.filePath("renamed");
    ASSERT_TRUE(stageDataFolder(same, contents(samplePath)));
    // A treatment that lowers the case fatality of the youngest by a fifth.
    ASSERT_TRUE(makeData(treated, "\"RandPert(0.05, 0.1, 0.16)\"", "\"0.8 * RandPert(0.05, 0.1, 0.16)\""));
    // The CRKP pairs move to a disease of another id: the base's lack a partner, the new ones a base.
    ASSERT_TRUE(makeData(renamed, "\"id\": \"IllustrativeCRKPBSI\"", "\"id\": \"IllustrativeCRKPBSI2\""));
    const QStringList common = arguments("--countries all --diseases all -s 60 -r 42");
    const ProgramRun paired = batchRun(
        common
            + arguments("-o paired.json --table paired.csv --threads 3 --scenario %1 --scenario %2 --scenario %3",
                        {"same=" + same, "treated=" + treated, "renamed=" + renamed}),
        work.path());
    ASSERT_EQ(paired.exitCode, 0) << paired.errors.toStdString();
    const ProgramRun baseRun = batchRun(common + QStringList{"-o", "base.json"}, work.path());
    ASSERT_EQ(baseRun.exitCode, 0) << baseRun.errors.toStdString();
    expectAll(baseRun.errors, {"Leaving out the regions and placeholders EUEEA, Generic"});
    ASSERT_EQ(batchRun(common + arguments("-o treated.json --data-folder %1", {treated}), work.path()).exitCode, 0);
    const QJsonObject result = document(work.filePath("paired.json"));
    const QJsonObject base = document(work.filePath("base.json"));
    const QJsonObject alone = document(work.filePath("treated.json"));

    const QStringList countries = {"Austria", "Germany", "Italy", "Sweden"};
    EXPECT_EQ(base["run"]["countries"].toArray(), QJsonArray::fromStringList(countries));
    EXPECT_EQ(base["run"]["seeding"].toString(), "independent");
    EXPECT_TRUE(base["run"]["modelsWithNonFiniteResults"].toArray().isEmpty());

    // Each country's people, as its reference data count them.
    QMap<QString, double> population;
    fn::InputDataMgr store;
    store.setPath(binaryDir());
    for (const QString& country : countries) {
        for (const QString& cell : store.ageDistribution(country).formulas())
            population[country] += cell.toDouble();
    }
    // The DALY of each country and of each disease, over their models.
    QMap<QString, double> daly;
    const QJsonObject aggregated = base["aggregatedResults"].toObject();
    const QJsonArray perModel = aggregated["modelResults"].toArray();
    ASSERT_EQ(perModel.size(), 4 * 3);
    for (const QJsonValue& model : perModel) {
        for (const char* key : {"country", "disease"})
            daly[model[QLatin1String(key)].toString()] += mean(model["results"].toObject(), "daly");
    }
    const QJsonObject baseSummary = base["summary"].toObject();
    const QJsonObject baseTotal = baseSummary["total"].toObject();
    const double allPeople = std::accumulate(population.begin(), population.end(), 0.0);
    const double allDaly = std::accumulate(countries.begin(), countries.end(), 0.0,
                                           [&](double sum, const QString& c) { return sum + daly[c]; });
    EXPECT_EQ(baseTotal["models"].toInt(), 12);
    EXPECT_DOUBLE_EQ(baseTotal["population"].toDouble(), allPeople);
    EXPECT_NEAR(mean(baseTotal, "daly"), allDaly, 1e-9 * allDaly);
    EXPECT_NEAR(mean(baseTotal, "dalyPer100k"), allDaly * 100000.0 / allPeople, 1e-6 * allDaly / allPeople);
    const double aggregate = mean(aggregated["totalResults"].toObject(), "daly");
    EXPECT_NEAR(mean(baseTotal, "daly"), aggregate, 1e-9 * aggregate);
    for (const auto& [part, key, size] :
         {std::tuple{"countries", "country", 4}, std::tuple{"diseases", "disease", 3}}) {
        const QJsonArray groups = baseSummary.value(QLatin1String(part)).toArray();
        ASSERT_EQ(groups.size(), size);
        for (const QJsonValue& value : groups) {
            const QJsonObject subtotal = value.toObject();
            const QString id = subtotal.value(QLatin1String(key)).toString();
            SCOPED_TRACE(id.toStdString());
            // Every disease runs in the four countries: their people, each once.
            const bool country = size == 4;
            EXPECT_EQ(subtotal["models"].toInt(), country ? 3 : 4);
            EXPECT_DOUBLE_EQ(subtotal["population"].toDouble(), country ? population[id] : allPeople);
            EXPECT_NEAR(mean(subtotal, "daly"), daly[id], 1e-9 * daly[id]);
            EXPECT_LT(subtotal["daly"].toObject().value("Quantile0.025").toDouble(), mean(subtotal, "daly"));
        }
    }

    // The base part of the paired run is the base run's.
    for (const char* key : {"models", "aggregatedResults", "summary"})
        EXPECT_TRUE(result.value(QLatin1String(key)) == base.value(QLatin1String(key))) << key;
    const QJsonArray scenarios = result["scenarios"].toArray();
    ASSERT_EQ(scenarios.size(), 3);
    const int models = base["models"].toArray().size();

    // Identical data: every statistic of every difference is exactly 0, so every iteration paired.
    const QJsonObject identical = scenarios[0].toObject();
    EXPECT_EQ(identical["models"].toArray().size(), models);
    QJsonArray groups = {identical["total"]};
    for (const char* part : {"models", "countries", "diseases"}) {
        for (const QJsonValue& group : identical[QLatin1String(part)].toArray())
            groups << group;
    }
    for (const QJsonValue& group : groups) {
        for (const char* measure : measures) {
            const QJsonObject statistics = group[QLatin1String(measure) + "Averted"].toObject();
            ASSERT_EQ(statistics.size(), 4);
            for (const QJsonValue& value : statistics)
                EXPECT_TRUE(value.isDouble() && value.toDouble() == 0.0) << measure;
        }
    }

    // Changed data: the mean of the differences is that of the separate runs, per group.
    const QJsonObject changed = scenarios[1].toObject();
    const QJsonObject aloneSummary = alone["summary"].toObject();
    int compared = 0;
    const auto expectDifference = [&](const QJsonObject& averted, const QJsonObject& before, const QJsonObject& after) {
        for (const char* measure : measures) {
            const double expected = mean(before, QLatin1String(measure)) - mean(after, QLatin1String(measure));
            const double got = mean(averted, QLatin1String(measure) + "Averted");
            EXPECT_NEAR(got, expected, 1e-9 * std::max(1.0, std::abs(expected))) << measure;
            ++compared;
        }
    };
    for (const QJsonValue& model : changed["models"].toArray()) {
        const auto results = [&](const QJsonObject& run) {
            return like(run["aggregatedResults"]["modelResults"].toArray(), model.toObject(), {"country", "disease"});
        };
        expectDifference(model.toObject(), results(base)["results"].toObject(), results(alone)["results"].toObject());
    }
    expectDifference(changed["total"].toObject(), baseTotal, aloneSummary["total"].toObject());
    for (const QString part : {"countries", "diseases"}) {
        const QStringList key = {part.startsWith('c') ? "country" : "disease"};
        for (const QJsonValue& value : changed[part].toArray())
            expectDifference(value.toObject(), like(baseSummary[part].toArray(), value.toObject(), key),
                             like(aloneSummary[part].toArray(), value.toObject(), key));
    }
    EXPECT_EQ(compared, 3 * (models + 1 + 4 + 3));
    const QJsonObject total = changed["total"].toObject();
    EXPECT_GT(mean(total, "deathsAverted"), 0.0);

    // Pairs on one side only are named, never matched.
    const QJsonObject moved = scenarios[2].toObject();
    ASSERT_EQ(moved["notInScenario"].toArray().size(), 4);
    ASSERT_EQ(moved["onlyInScenario"].toArray().size(), 4);
    EXPECT_EQ(moved["notInScenario"][0]["disease"].toString(), "IllustrativeCRKPBSI");
    EXPECT_EQ(moved["onlyInScenario"][0]["disease"].toString(), "IllustrativeCRKPBSI2");
    EXPECT_EQ(moved["total"]["models"].toInt(), models - 4);
    expectAll(paired.errors,
              {"4 of the 12 country-disease pairs of the base have no data", "Austria/IllustrativeCRKPBSI2",
               "Scenario \"treated\" against the base"});

    // The table holds the document's doubles under the scenario's name.
    const QByteArray table = contents(work.filePath("paired.csv"));
    const QByteArray row = "all,,all,,summary,all,treated,all,all,dalyAverted,";
    const int at = table.indexOf(row);
    ASSERT_GE(at, 0);
    const QByteArray field = table.mid(at + row.size()).split(',').value(0);
    EXPECT_EQ(field.toDouble(), mean(total, "dalyAverted"));
    EXPECT_EQ(table.count(",treated,"), (models + 1 + 4 + 3) * 3);
}

// A failed model ends the job with status 1, the reason and the place.
TEST(Batch, FailedModelsAreExplained)
{
    const QTemporaryDir work;
    const QByteArray cell = "\"RandPert(0.108, 0.133, 0.163)\"";
    const QByteArray shipped = contents(samplePath);
    ASSERT_GT(shipped.indexOf(cell), 0);
    const QString output = work.filePath("results.json");
    const QString unparsed = work.filePath("unparsed");
    const struct
    {
        QString data;
        const char* formula;
        const char* countries;
        QStringList said;
        bool written;
    } rows[] = {
        {unparsed,
         "\"RandPert(0.108, 0.133)\"",
         "Austria",
         {"Error: One or more formulas for parameter Severity cannot be parsed.",
          "stratum Age 0-4, Sex Female: \"RandPert(0.108, 0.133)\": Too few parameters for function \"RandPert\"",
          "of outcome tree \"bsi\"", "from the model specification " + unparsed + '/' + sample,
          output + " was not written; an earlier file of that name is unchanged."},
         false},
        {work.filePath("swapped"),
         "\"RandPert(0.133, 0.108, 0.163)\"",
         "Austria,Sweden",
         {"\"RandPert(0.133, 0.108, 0.163)\": RandPert(min, mode, max) needs the mode between min and max",
          "has statistics that are not finite numbers", "gives not-a-number",
          "Error: 2 of the 2 models have statistics that are not finite numbers"},
         true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.formula);
        QByteArray specification = shipped;
        ASSERT_TRUE(stageDataFolder(row.data, specification.replace(shipped.indexOf(cell), cell.size(), row.formula)));
        ASSERT_TRUE(writeFile(output, "earlier document"));
        const ProgramRun run = batchRun(
            arguments("--data-folder %1 --countries %2 --diseases IllustrativeCRKPBSI -s 10 -r 3 -o %3",
                      {row.data, row.countries, output}),
            work.path());
        EXPECT_EQ(run.exitCode, 1);
        expectAll(run.errors, row.said);
        EXPECT_EQ(contents(output) == "earlier document", !row.written);
    }
    // The last row's document.
    const QJsonObject results = document(output);
    const QJsonArray affected = results["run"]["modelsWithNonFiniteResults"].toArray();
    ASSERT_EQ(affected.size(), 2);
    EXPECT_EQ(affected[1].toObject().value("country").toString(), "Sweden");
    EXPECT_EQ(affected[1].toObject().value("disease").toString(), "IllustrativeCRKPBSI");
    EXPECT_TRUE(results["summary"]["total"]["daly"]["Mean"].isNull());
}

// The table and draws read back with pandas, value by value against the documents (read_results.py).
TEST(Batch, TheTableAndTheDrawsReadBackInPandasAsTheDocumentSaysThem)
{
    const QTemporaryDir work;
    const QStringList common = arguments("--countries Austria,Sweden --diseases all -s 40 -r 7 --threads 2");
    ProgramRun run = batchRun(common
                                  + arguments("-o results.json.gz --table table.csv.gz --draws draws.csv --sensitivity "
                                              "uncertainty.json --scenario %1",
                                              {"same=" + binaryDir()}),
                              work.path());
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    run = batchRun(common + arguments("-o pretty.json --pretty --draws strata.csv.gz --draws-by-stratum"), work.path());
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    // Compressed means gzip, not a name: the magic bytes of the format.
    EXPECT_TRUE(contents(work.filePath("table.csv.gz")).startsWith("\x1f\x8b"));

    QProcess python;
    python.start("/usr/bin/python3", {QStringLiteral(OZMID_TEST_DATA_DIR "/app/batch/read_results.py"), work.path()});
    ASSERT_TRUE(python.waitForFinished(120000));
    const QByteArray said = python.readAllStandardOutput() + python.readAllStandardError();
    ASSERT_FALSE(said.contains("No module named 'pandas'")) << "scripts/setup.sh installs python3-pandas";
    EXPECT_EQ(python.exitCode(), 0) << said.toStdString();
    EXPECT_TRUE(said.contains(" rows, 0 problems")) << said.toStdString();
}
