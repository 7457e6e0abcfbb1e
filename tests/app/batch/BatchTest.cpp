#include <algorithm>

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QTemporaryDir>

#include "app/ProgramRun.h"
#include "fn/data/templates/DiseaseTemplate.h"
#include "fn/data/InputDataMgr.h"
#include "fn/values/random/RandomFunctions.h"
#include "ui/Chief.h"

// The batch program end to end, against the controller running the same models one after the
// other in this process.
namespace {

QByteArray compact(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
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
        for (const QJsonValue& country : run.value(QStringLiteral("countries")).toArray()) {
            for (const QJsonValue& disease : run.value(QStringLiteral("diseases")).toArray())
                chief.createModel(country.toString(), disease.toString(), chief.makeModelId(QString()));
        }
        chief.settings().setRandomSeed(quint32(run.value(QStringLiteral("randomSeed")).toDouble()));
        chief.settings().setThreadCount(1);
        chief.setNumSamples(int(run.value(QStringLiteral("sampleSize")).toDouble()));
        chief.setTimeDiscountRate(run.value(QStringLiteral("timeDiscountRate")).toDouble());
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

} // namespace

TEST(Batch, EveryModelAndTheTotalsAreThoseOfTheControllerRunningThemInTurn)
{
    ASSERT_TRUE(QFile::exists(binaryDir() + QStringLiteral("/ozmid-batch")));
    const QTemporaryDir work;
    for (const QString& seed : {QStringLiteral("42"), QStringLiteral("0")}) {
        for (const QString& threads : {QStringLiteral("1"), QStringLiteral("3")}) {
            const QString output = work.filePath(QStringLiteral("results.json"));
            const ProgramRun run = batchRun(
                {QStringLiteral("--countries"), QStringLiteral("Austria,Sweden,Generic"), QStringLiteral("--diseases"),
                 QStringLiteral("all"), QStringLiteral("-s"), QStringLiteral("60"), QStringLiteral("-t"),
                 QStringLiteral("0.03"), QStringLiteral("-r"), seed, QStringLiteral("--seeding"),
                 QStringLiteral("shared"), QStringLiteral("--threads"), threads, QStringLiteral("-o"), output},
                work.path());
            ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
            EXPECT_TRUE(run.errors.contains(QStringLiteral("models done"))) << run.errors.toStdString();
            EXPECT_TRUE(run.errors.contains(QStringLiteral("Wrote ") + output));
            const QJsonObject document = QJsonDocument::fromJson(contents(output)).object();
            const QJsonArray models = document.value(QStringLiteral("models")).toArray();
            const QJsonObject settings = document.value(QStringLiteral("run")).toObject();
            ASSERT_EQ(settings.value(QStringLiteral("diseases")).toArray().size(), 3);
            ASSERT_EQ(models.size(), 9);
            // Named, the placeholder runs, and the run block says what it is.
            EXPECT_EQ(settings.value(QStringLiteral("regions")).toArray(), QJsonArray{QStringLiteral("Generic")});
            EXPECT_EQ(settings.value(QStringLiteral("seeding")).toString(),
                      seed == QStringLiteral("0") ? QStringLiteral("stream") : QStringLiteral("shared"));

            const Reference reference = referenceRun(settings, work.path());
            ASSERT_EQ(reference.models.size(), models.size());
            const QJsonArray modelResults =
                QJsonDocument::fromJson(reference.aggregate).object().value(QStringLiteral("modelResults")).toArray();
            for (int i = 0; i < models.size(); ++i) {
                QJsonObject model = models[i].toObject();
                // Each entry says which model it is; the rest is the command line's document.
                const QJsonObject ids = modelResults[i].toObject();
                EXPECT_EQ(model.take(QStringLiteral("country")), ids.value(QStringLiteral("country")));
                EXPECT_EQ(model.take(QStringLiteral("disease")), ids.value(QStringLiteral("disease")));
                EXPECT_EQ(model.take(QStringLiteral("modelId")), ids.value(QStringLiteral("id")));
                // The counts by stratum are the batch document's own (checked with the table).
                EXPECT_TRUE(model.contains(QStringLiteral("totalCategorizedCounts")));
                model.remove(QStringLiteral("totalCategorizedCounts"));
                EXPECT_EQ(compact(model), reference.models[i])
                    << "seed " << seed.toStdString() << ", " << threads.toStdString() << " threads, model " << i + 1;
            }
            EXPECT_EQ(compact(document.value(QStringLiteral("aggregatedResults")).toObject()), reference.aggregate);
        }
    }
}

TEST(Batch, RefusesWhatItCannotDoWithAReasonAndWritesToPipes)
{
    const QTemporaryDir work;
    const QString output = work.filePath(QStringLiteral("r.json"));
    struct Refusal
    {
        QStringList arguments;
        int exitCode;
        QString reason;
    };
    const QStringList rest = {QStringLiteral("-o"), output};
    // Every country and disease, and then the options given.
    const auto all = [](const QStringList& options) {
        return QStringList{QStringLiteral("--countries"), QStringLiteral("all"), QStringLiteral("--diseases"),
                           QStringLiteral("all")}
        + options;
    };
    const QString table = work.filePath(QStringLiteral("missing/t.csv.gz"));
    const QList<Refusal> refusals = {
        {{"--countries", "Atlantis", "--diseases", "all"}, 2, "\"Atlantis\" has no population data"},
        {{"--countries", "France", "--diseases", "all"},
         2,
         "Countries with data: Austria, Germany, Italy, Sweden; regions and placeholders: EUEEA, Generic."},
        {all({"--seeding", "random"}), 2, "--seeding takes independent or shared, not \"random\""},
        {{"--countries", "all", "--diseases", "Plague"}, 2, "\"Plague\" is neither in the reference data"},
        {all({"-s", "1e3"}), 2, "not \"1e3\""},
        {all({"-t", "0,03"}), 2, "not \"0,03\""},
        {{"--countries", "all", "models.json"}, 2, "Unexpected argument \"models.json\""},
        {all({"--draws-by-stratum"}), 2, "--draws-by-stratum needs --draws FILE"},
        {all({"--scenario", "a=" + work.path()}), 2, "--scenario needs a random seed other than 0"},
        {all({"--scenario", work.path()}), 2, "--scenario takes NAME=DATA_FOLDER"},
        {all({"-r", "1", "--scenario", "a=" + binaryDir(), "--scenario", "a=" + work.path()}), 2,
         "Two scenarios are named \"a\""},
        {all({"-r", "1", "--scenario", "a=" + work.path()}), 2, "the scenario \"a\" has no reference data cache"},
        {{"--countries", "Austria", "--diseases", "all", "--table", table}, 1, "Cannot write \"" + table + "\""},
    };
    for (const Refusal& refusal : refusals) {
        const ProgramRun run = batchRun(refusal.arguments + rest, work.path());
        EXPECT_EQ(run.exitCode, refusal.exitCode) << refusal.arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(run.errors.contains(refusal.reason)) << run.errors.toStdString();
        EXPECT_FALSE(QFile::exists(output));
    }
    // The diseases the reference data tool lists are those the batch program knows.
    QProcess refdata;
    refdata.start(binaryDir() + QStringLiteral("/ozmid-refdata"), {QStringLiteral("diseases")});
    ASSERT_TRUE(refdata.waitForFinished(60000));
    QStringList listed;
    for (const QString& line :
         QString::fromUtf8(refdata.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        listed << line.section(QLatin1Char('\t'), 0, 0);
    ProgramRun run = batchRun({QStringLiteral("--countries"), QStringLiteral("all"), QStringLiteral("--diseases"),
                               QStringLiteral("Plague"), QStringLiteral("-o"), output},
                              work.path());
    EXPECT_TRUE(
        run.errors.contains(QStringLiteral("Diseases: ") + listed.join(QStringLiteral(", ")) + QLatin1Char('.')))
        << listed.join(QLatin1Char(' ')).toStdString() << "\n"
        << run.errors.toStdString();
    for (const QString& program : {QStringLiteral("ozmid-batch"), QStringLiteral("ozmid-refdata")}) {
        QProcess version;
        version.start(binaryDir() + QLatin1Char('/') + program, {QStringLiteral("--version")});
        ASSERT_TRUE(version.waitForFinished(60000));
        EXPECT_EQ(version.exitCode(), 0);
        EXPECT_TRUE(version.readAllStandardOutput().startsWith((program + QStringLiteral(" 2.0.0 (commit ")).toUtf8()));
    }

    run = batchRun({QStringLiteral("--countries"), QStringLiteral("Austria"), QStringLiteral("--diseases"),
                    QStringLiteral("all"), QStringLiteral("-o"), work.filePath(QStringLiteral("missing/r.json"))},
                   work.path());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.errors.contains(QStringLiteral("missing/r.json"))) << run.errors.toStdString();

    // Standard output is a pipe here: the document arrives whole.
    run = batchRun({QStringLiteral("--countries"), QStringLiteral("Austria"), QStringLiteral("--diseases"),
                    QStringLiteral("BaselineBSI"), QStringLiteral("-s"), QStringLiteral("20"), QStringLiteral("-o"),
                    QStringLiteral("/dev/stdout")},
                   work.path());
    EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
    const QJsonObject piped = QJsonDocument::fromJson(run.output).object();
    EXPECT_EQ(piped.value(QStringLiteral("models")).toArray().size(), 1);
    EXPECT_TRUE(piped.contains(QStringLiteral("aggregatedResults")));
}

// Countries and diseases named one by one must all run together: a pair without data is
// refused before anything runs. With "all" such pairs are left out, and said so.
TEST(Batch, PairsAskedForByNameMustHaveData)
{
    const QTemporaryDir work;
    const QString data = work.filePath(QStringLiteral("data"));
    ASSERT_TRUE(QDir().mkpath(data));
    {
        // A disease with data for Italy only, and none in the "Generic" data set.
        fn::InputDataMgr store;
        store.setPath(binaryDir());
        fn::DiseaseTemplate italian = store.diseaseTemplates().get(QStringLiteral("BaselineBSI"));
        italian.setId(QStringLiteral("ItalianBSI"));
        store.diseaseTemplates().add(QStringLiteral("ItalianBSI"), italian);
        for (const fn::InputFactor* factor : store.inputFactors().getInputFactors(QStringLiteral("BaselineBSI")))
            store.inputFactors().addInputFactor(QStringLiteral("ItalianBSI"), factor->name(), factor->levels());
        store.appendDiseaseId(QStringLiteral("ItalianBSI"));
        store.addCountryDisease(QStringLiteral("Italy"), QStringLiteral("ItalianBSI"));
        store.setDirPath(data);
        ASSERT_TRUE(store.saveCache());
    }
    const QString output = work.filePath(QStringLiteral("results.json"));
    const QStringList common = {QStringLiteral("--data-folder"),
                                data,
                                QStringLiteral("--diseases"),
                                QStringLiteral("ItalianBSI"),
                                QStringLiteral("-s"),
                                QStringLiteral("5"),
                                QStringLiteral("-o"),
                                output};
    ProgramRun run = batchRun(QStringList{QStringLiteral("--countries"), QStringLiteral("Austria,Italy")} + common,
                              work.path());
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.errors.contains(QStringLiteral("Error: 1 of the 2 country-disease pairs have no data: "
                                                   "Austria/ItalianBSI.")))
        << run.errors.toStdString();
    EXPECT_FALSE(QFile::exists(output));

    run = batchRun(QStringList{QStringLiteral("--countries"), QStringLiteral("all")} + common, work.path());
    // The disease has a pair but no parameters: its statistics are not numbers, which fails the
    // run once the document is written.
    EXPECT_EQ(run.exitCode, 1) << run.errors.toStdString();
    EXPECT_TRUE(run.errors.contains(QStringLiteral("Warning: 3 of the 4 country-disease pairs have no data and are not "
                                                   "run")))
        << run.errors.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(contents(output)).object().value(QStringLiteral("models")).toArray().size(), 1);
}

namespace {

double meanOf(const QJsonObject& figures, const QString& key)
{
    return figures.value(key).toObject().value(QStringLiteral("Mean")).toDouble();
}

} // namespace

// "all" runs the countries only: regions and placeholders would count people twice or count
// nobody. The summary adds each model once to the total, its country and its disease, and each
// country's population once, whatever the number of its diseases.
TEST(Batch, AllCountriesAreCountriesAndTheSummaryCountsEachPopulationOnce)
{
    const QTemporaryDir work;
    const QString output = work.filePath(QStringLiteral("results.json"));
    const ProgramRun run = batchRun({QStringLiteral("--countries"), QStringLiteral("all"), QStringLiteral("--diseases"),
                                     QStringLiteral("all"), QStringLiteral("-s"), QStringLiteral("40"),
                                     QStringLiteral("-r"), QStringLiteral("7"), QStringLiteral("-o"), output},
                                    work.path());
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    EXPECT_TRUE(run.errors.contains(QStringLiteral("Leaving out the regions and placeholders EUEEA, Generic")))
        << run.errors.toStdString();
    const QJsonObject document = QJsonDocument::fromJson(contents(output)).object();
    const QJsonObject settings = document.value(QStringLiteral("run")).toObject();
    const QStringList countries = {QStringLiteral("Austria"), QStringLiteral("Germany"), QStringLiteral("Italy"),
                                   QStringLiteral("Sweden")};
    EXPECT_EQ(settings.value(QStringLiteral("countries")).toArray(), QJsonArray::fromStringList(countries));
    EXPECT_EQ(settings.value(QStringLiteral("seeding")).toString(), QStringLiteral("independent"));
    EXPECT_TRUE(settings.value(QStringLiteral("modelsWithNonFiniteResults")).toArray().isEmpty());

    // Each country's people, as its reference data count them.
    QMap<QString, double> population;
    {
        fn::InputDataMgr store;
        store.setPath(binaryDir());
        for (const QString& country : countries) {
            for (const QString& cell : store.ageDistribution(country).formulas())
                population[country] += cell.toDouble();
        }
    }
    QMap<QString, double> countryDaly;
    QMap<QString, double> diseaseDaly;
    const QJsonArray modelResults =
        document.value(QStringLiteral("aggregatedResults")).toObject().value(QStringLiteral("modelResults")).toArray();
    ASSERT_EQ(modelResults.size(), 4 * 3);
    for (const QJsonValue& entry : modelResults) {
        const QJsonObject model = entry.toObject();
        const QJsonObject results = model.value(QStringLiteral("results")).toObject();
        const QString country = model.value(QStringLiteral("country")).toString();
        const double daly = meanOf(results, QStringLiteral("daly"));
        countryDaly[country] += daly;
        diseaseDaly[model.value(QStringLiteral("disease")).toString()] += daly;
    }
    const QJsonObject summary = document.value(QStringLiteral("summary")).toObject();
    const QJsonObject total = summary.value(QStringLiteral("total")).toObject();
    double allPeople = 0.0;
    double allDaly = 0.0;
    for (const QString& country : countries) {
        allPeople += population[country];
        allDaly += countryDaly[country];
    }
    EXPECT_EQ(total.value(QStringLiteral("models")).toInt(), 12);
    EXPECT_DOUBLE_EQ(total.value(QStringLiteral("population")).toDouble(), allPeople);
    EXPECT_NEAR(meanOf(total, QStringLiteral("daly")), allDaly, 1e-9 * allDaly);
    EXPECT_NEAR(meanOf(total, QStringLiteral("dalyPer100k")), allDaly * 100000.0 / allPeople,
                1e-6 * allDaly / allPeople);
    const double aggregated = meanOf(
        document.value(QStringLiteral("aggregatedResults")).toObject().value(QStringLiteral("totalResults")).toObject(),
        QStringLiteral("daly"));
    EXPECT_NEAR(meanOf(total, QStringLiteral("daly")), aggregated, 1e-9 * aggregated);

    const QJsonArray perCountry = summary.value(QStringLiteral("countries")).toArray();
    ASSERT_EQ(perCountry.size(), 4);
    for (const QJsonValue& value : perCountry) {
        const QJsonObject subtotal = value.toObject();
        const QString country = subtotal.value(QStringLiteral("country")).toString();
        SCOPED_TRACE(country.toStdString());
        EXPECT_EQ(subtotal.value(QStringLiteral("models")).toInt(), 3);
        EXPECT_DOUBLE_EQ(subtotal.value(QStringLiteral("population")).toDouble(), population[country]);
        EXPECT_NEAR(meanOf(subtotal, QStringLiteral("daly")), countryDaly[country], 1e-9 * countryDaly[country]);
        const double low =
            subtotal.value(QStringLiteral("daly")).toObject().value(QStringLiteral("Quantile0.025")).toDouble();
        EXPECT_LT(low, meanOf(subtotal, QStringLiteral("daly")));
    }
    const QJsonArray perDisease = summary.value(QStringLiteral("diseases")).toArray();
    ASSERT_EQ(perDisease.size(), 3);
    for (const QJsonValue& value : perDisease) {
        const QJsonObject subtotal = value.toObject();
        const QString disease = subtotal.value(QStringLiteral("disease")).toString();
        SCOPED_TRACE(disease.toStdString());
        // Every disease runs in the four countries: their people, each once.
        EXPECT_DOUBLE_EQ(subtotal.value(QStringLiteral("population")).toDouble(), allPeople);
        EXPECT_NEAR(meanOf(subtotal, QStringLiteral("daly")), diseaseDaly[disease], 1e-9 * diseaseDaly[disease]);
    }
}

// A model that fails ends the job with status 1, the reason and the place. A formula that does
// not parse leaves no document: an earlier one stays, and the user is told so. A RandPert with
// the mode first is named when the model is made, its not-a-number results after the run; the
// document is written, its run block listing the models.
TEST(Batch, FailedModelsAreExplained)
{
    const QTemporaryDir work;
    const QByteArray cell = "\"RandPert(0.108, 0.133, 0.163)\"";
    const QByteArray shipped = contents(crkpPath(binaryDir()));
    ASSERT_GT(shipped.indexOf(cell), 0);
    const QString output = work.filePath(QStringLiteral("results.json"));
    const QString unparsed = work.filePath(QStringLiteral("unparsed"));
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
         {QStringLiteral("Error: One or more formulas for parameter Severity cannot be parsed."),
          QStringLiteral("stratum Age 0-4, Sex Female: \"RandPert(0.108, 0.133)\": Too few parameters for "
                         "function \"RandPert\""),
          QStringLiteral("of outcome tree \"bsi\""),
          QStringLiteral("from the model specification ") + crkpPath(unparsed),
          output + QStringLiteral(" was not written; an earlier file of that name is unchanged.")},
         false},
        {work.filePath(QStringLiteral("swapped")),
         "\"RandPert(0.133, 0.108, 0.163)\"",
         "Austria,Sweden",
         {QStringLiteral(
              "\"RandPert(0.133, 0.108, 0.163)\": RandPert(min, mode, max) needs the mode between min and max"),
          QStringLiteral("has statistics that are not finite numbers"), QStringLiteral("gives not-a-number"),
          QStringLiteral("Error: 2 of the 2 models have statistics that are not finite numbers")},
         true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.formula);
        QByteArray specification = shipped;
        ASSERT_TRUE(stageDataFolder(row.data, specification.replace(shipped.indexOf(cell), cell.size(), row.formula)));
        ASSERT_TRUE(writeFile(output, "earlier document"));
        const ProgramRun run = batchRun(
            {QStringLiteral("--data-folder"), row.data, QStringLiteral("--countries"), QLatin1String(row.countries),
             QStringLiteral("--diseases"), QStringLiteral("IllustrativeCRKPBSI"), QStringLiteral("-s"),
             QStringLiteral("10"), QStringLiteral("-r"), QStringLiteral("3"), QStringLiteral("-o"), output},
            work.path());
        EXPECT_EQ(run.exitCode, 1);
        for (const QString& expected : row.said)
            EXPECT_TRUE(run.errors.contains(expected)) << expected.toStdString() << "\nin:\n"
                                                       << run.errors.toStdString();
        if (!row.written) {
            EXPECT_EQ(contents(output), QByteArray("earlier document"));
        }
    }
    // The last row's document.
    const QJsonObject document = QJsonDocument::fromJson(contents(output)).object();
    const QJsonArray affected =
        document.value(QStringLiteral("run")).toObject().value(QStringLiteral("modelsWithNonFiniteResults")).toArray();
    ASSERT_EQ(affected.size(), 2);
    EXPECT_EQ(affected[1].toObject().value(QStringLiteral("country")).toString(), QStringLiteral("Sweden"));
    EXPECT_EQ(affected[1].toObject().value(QStringLiteral("disease")).toString(),
              QStringLiteral("IllustrativeCRKPBSI"));
    EXPECT_TRUE(document.value(QStringLiteral("summary"))
                    .toObject()
                    .value(QStringLiteral("total"))
                    .toObject()
                    .value(QStringLiteral("daly"))
                    .toObject()
                    .value(QStringLiteral("Mean"))
                    .isNull());
}

// The outputs a statistician takes elsewhere, read back with pandas and checked value by value
// against the JSON documents of the same run (tests/app/batch/read_results.py says what).
TEST(Batch, TheTableAndTheDrawsReadBackInPandasAsTheDocumentSaysThem)
{
    const QTemporaryDir work;
    const QStringList common = {QStringLiteral("--countries"), QStringLiteral("Austria,Sweden"),
                                QStringLiteral("--diseases"),  QStringLiteral("all"),
                                QStringLiteral("-s"),          QStringLiteral("40"),
                                QStringLiteral("-r"),          QStringLiteral("7"),
                                QStringLiteral("--threads"),   QStringLiteral("2")};
    ProgramRun run = batchRun(common
                                  + QStringList{QStringLiteral("-o"), QStringLiteral("results.json.gz"),
                                                QStringLiteral("--table"), QStringLiteral("table.csv.gz"),
                                                QStringLiteral("--draws"), QStringLiteral("draws.csv"),
                                                QStringLiteral("--sensitivity"), QStringLiteral("uncertainty.json"),
                                                QStringLiteral("--scenario"), QStringLiteral("same=") + binaryDir()},
                              work.path());
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    run = batchRun(common
                       + QStringList{QStringLiteral("-o"), QStringLiteral("pretty.json"), QStringLiteral("--pretty"),
                                     QStringLiteral("--draws"), QStringLiteral("strata.csv.gz"),
                                     QStringLiteral("--draws-by-stratum")},
                   work.path());
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    // Compressed means gzip, not a name: the magic bytes of the format.
    EXPECT_TRUE(contents(work.filePath(QStringLiteral("table.csv.gz"))).startsWith("\x1f\x8b"));

    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(OZMID_TEST_DATA_DIR "/app/batch/read_results.py"), work.path()});
    ASSERT_TRUE(python.waitForFinished(120000));
    const QByteArray said = python.readAllStandardOutput() + python.readAllStandardError();
    ASSERT_FALSE(said.contains("No module named 'pandas'")) << "scripts/setup.sh installs python3-pandas";
    EXPECT_EQ(python.exitCode(), 0) << said.toStdString();
    EXPECT_TRUE(said.contains(" rows, 0 problems")) << said.toStdString();
}
