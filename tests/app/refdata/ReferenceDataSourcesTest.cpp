#include <functional>
#include <numeric>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTextStream>
#include <gtest/gtest.h>

#include "fn/data/InputDataMgr.h"
#include "fn/model/DiseaseModel.h"
#include "app/refdata/RefDataCommand.h"
#include "app/refdata/ReferenceDataSources.h"

namespace {

const QString ShippedData = QStringLiteral(OZMID_TEST_DATA_DIR "/../data");
const QString Disease = QStringLiteral("BaselineBSI");
const QString DiseaseFile = QStringLiteral("disease-BaselineBSI.json");

struct CommandResult
{
    int exitCode;
    QString out;
    QString err;
};

CommandResult runCommand(const QStringList& arguments)
{
    CommandResult result{0, {}, {}};
    QTextStream out(&result.out);
    QTextStream err(&result.err);
    result.exitCode = refdata::RefDataCommand(out, err).run(QStringList{QStringLiteral("ozmid-refdata")} + arguments);
    return result;
}

// A writable copy of the shipped data, for variants of it.
QString copyShippedData(const QTemporaryDir& dir)
{
    const QString target = dir.filePath(QStringLiteral("data"));
    QDir().mkpath(target);
    for (const QString& name : QDir(ShippedData).entryList({QStringLiteral("*.json")}, QDir::Files))
        QFile::copy(QDir(ShippedData).filePath(name), QDir(target).filePath(name));
    return target;
}

void editJson(const QString& path, const std::function<void(QJsonObject&)>& edit)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QJsonObject object = QJsonDocument::fromJson(file.readAll()).object();
    file.close();
    edit(object);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QJsonDocument(object).toJson());
}

// Replaces the value at a chain of keys and indexes.
QJsonValue replaced(const QJsonValue& value, const QStringList& path, const QJsonValue& newValue)
{
    if (path.isEmpty())
        return newValue;
    bool isIndex = false;
    const int index = path.first().toInt(&isIndex);
    if (isIndex) {
        QJsonArray array = value.toArray();
        array.replace(index, replaced(array.at(index), path.mid(1), newValue));
        return array;
    }
    QJsonObject object = value.toObject();
    object.insert(path.first(), replaced(object.value(path.first()), path.mid(1), newValue));
    return object;
}

void setMember(const QString& file, const QString& path, const QJsonValue& value)
{
    editJson(file,
             [&](QJsonObject& object) { object = replaced(object, path.split(QLatin1Char('/')), value).toObject(); });
}

QStringList repeated(const QString& formula, int count)
{
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << formula;
    return list;
}

double sumOf(fn::DataArray array)
{
    array.initializeParser();
    array.evaluate();
    double sum = 0;
    for (std::size_t i = 0; i < array.values().size(); ++i)
        sum += array.values()[i];
    return sum;
}

double mean(const QVariant& statistics)
{
    return statistics.toMap().value(QStringLiteral("Mean")).toDouble();
}

// The shipped data, built by the program's own command into a folder and loaded back
// from the cache file by a fresh store.
class ShippedReferenceData : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(output.isValid());
        const CommandResult result = runCommand({QStringLiteral("build"), ShippedData, output.path()});
        ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
        ASSERT_TRUE(result.err.isEmpty());
        ASSERT_TRUE(result.out.contains(QStringLiteral("referenceData.dat")));
        store.setPath(output.path());
    }

    QTemporaryDir output;
    fn::InputDataMgr store;
};

} // namespace

TEST_F(ShippedReferenceData, CountriesDiseaseTemplateAndDataSetsSurviveTheCache)
{
    EXPECT_EQ(store.countryCaption(QStringLiteral("Austria")), QStringLiteral("Austria"));
    EXPECT_EQ(store.countryCaption(QStringLiteral("EUEEA")), QStringLiteral("EU/EEA"));
    EXPECT_EQ(store.countryCaption(QStringLiteral("Generic")), QStringLiteral("Generic population"));
    EXPECT_EQ(store.countryCaption(QStringLiteral("Norway")), QString());

    for (const QString& country : {QStringLiteral("Generic"), QStringLiteral("Austria"), QStringLiteral("Germany"),
                                   QStringLiteral("Sweden"), QStringLiteral("Italy"), QStringLiteral("EUEEA")}) {
        SCOPED_TRACE(country.toStdString());
        const fn::DataArray& lifeExpectancy = store.lifeExpectancy(country);
        const fn::DataArray& population = store.ageDistribution(country);
        ASSERT_EQ(lifeExpectancy.formulas().size(), 38);
        ASSERT_EQ(population.formulas().size(), 38);
        ASSERT_EQ(lifeExpectancy.factorCopies().size(), 2);
        EXPECT_EQ(lifeExpectancy.factorCopies().at(0).name(), QStringLiteral("Age"));
        EXPECT_EQ(lifeExpectancy.factorCopies().at(0).levels().first(), QStringLiteral("0-4"));
        EXPECT_EQ(lifeExpectancy.factorCopies().at(0).levels().last(), QStringLiteral("90+"));
        EXPECT_EQ(lifeExpectancy.factorCopies().at(1).levels(), (QStringList{"Female", "Male"}));
        // Remaining life expectancy falls from birth to the oldest group, women outliving men.
        EXPECT_GT(lifeExpectancy.formulas().at(0).toDouble(), 80.0);
        EXPECT_GT(lifeExpectancy.formulas().at(0).toDouble(), lifeExpectancy.formulas().at(1).toDouble());
        EXPECT_LT(lifeExpectancy.formulas().at(37).toDouble(), 6.0);
        EXPECT_GT(sumOf(population), 1e6);
    }
    EXPECT_NEAR(sumOf(store.ageDistribution(QStringLiteral("Austria"))), 9.1e6, 0.5e6);

    ASSERT_TRUE(store.hasDiseaseTemplate(Disease));
    EXPECT_EQ(store.diseaseIds(), QStringList{Disease});
    const fn::DiseaseTemplate& disease = store.diseaseTemplates().get(Disease);
    EXPECT_EQ(disease.caption(), QStringLiteral("Baseline bloodstream infection (illustrative)"));
    EXPECT_FALSE(disease.isCongenital());
    ASSERT_EQ(disease.outcomeTreeIds(), QStringList{QStringLiteral("BSI")});
    const fn::OutcomeTreeTemplate tree = disease.outcomeTree(QStringLiteral("BSI"));
    EXPECT_EQ(tree.name(), QStringLiteral("BSI"));
    EXPECT_EQ(tree.healthOutcomeOrder(), (QStringList{"infection", "acuteBSI", "sequelae", "death"}));
    EXPECT_EQ(tree.healthOutcomes().value(QStringLiteral("acuteBSI")),
              (QStringList{"acuteBSI", "Acute bloodstream infection", "ACUTE", "TRUE"}));
    EXPECT_EQ(tree.healthStates().value(QStringLiteral("bsi")),
              (QStringList{"bsi", "Bloodstream infection", "infection", "INFECTION"}));
    EXPECT_EQ(tree.transitions().value(QStringLiteral("bsiToAcute")),
              (QStringList{"bsiToAcute", "Infection to acute illness", "bsi", "acuteBSI", ""}));
    const fn::InputFactorPtrs factors = store.inputFactors().getInputFactors(Disease);
    ASSERT_EQ(factors.size(), 2);
    EXPECT_EQ(factors.at(0)->levelCount(), 19);
    EXPECT_EQ(factors.at(1)->name(), QStringLiteral("Sex"));

    // Generic serves every country without data of its own; Austria has its own cases.
    EXPECT_TRUE(store.hasDisease(QStringLiteral("Generic"), Disease));
    EXPECT_TRUE(store.hasDisease(QStringLiteral("Austria"), Disease));
    EXPECT_TRUE(store.hasDisease(QStringLiteral("Germany"), Disease));
    EXPECT_FALSE(store.hasDisease(QStringLiteral("Germany"), QStringLiteral("BaselineUTI")));
    const QStringList genericCases = store.notificationData(QStringLiteral("Generic"), Disease).formulas();
    const QStringList austrianCases = store.notificationData(QStringLiteral("Austria"), Disease).formulas();
    ASSERT_EQ(genericCases.size(), 38);
    ASSERT_EQ(austrianCases.size(), 38);
    EXPECT_NE(austrianCases, genericCases);
    EXPECT_EQ(store.notificationData(QStringLiteral("Germany"), Disease).formulas(), genericCases);
    EXPECT_EQ(store.outcomeTreeMapping(QStringLiteral("Austria"), Disease).formulas(),
              repeated(QStringLiteral("1"), 38));
    EXPECT_EQ(store.runFactor(QStringLiteral("Austria"), Disease, QStringLiteral("coverage")).formulas(),
              repeated(QStringLiteral("1"), 38));
    EXPECT_TRUE(store.runFactor(QStringLiteral("Austria"), Disease, QStringLiteral("underestimation"))
                    .formulas()
                    .first()
                    .startsWith(QStringLiteral("RandPert(")));
    EXPECT_EQ(store.underestimationType(QStringLiteral("Austria"), Disease), 0);

    // Austria gave only its cases; its parameters are those of Generic, with their meta entries.
    const fn::InputFactorPtrs ptrs = store.inputFactors().getInputFactors(Disease);
    const fn::DataArray death = store.transitionParams().get(QStringLiteral("Austria"), Disease, QStringLiteral("BSI"),
                                                             QStringLiteral("acuteToDeath"), 0, ptrs);
    EXPECT_EQ(death.name(), QStringLiteral("Probability"));
    EXPECT_EQ(death.metaValue(QStringLiteral("direct type")), QStringLiteral("yes"));
    EXPECT_EQ(death.metaValue(QStringLiteral("redistribute")), QStringLiteral("no"));
    EXPECT_EQ(death.metaValue(QStringLiteral("duration")), QStringLiteral("-1"));
    EXPECT_TRUE(death.meta().contains(QStringLiteral("weblink")));
    EXPECT_NE(death.formulas().at(0), death.formulas().at(36)) << "case fatality varies with age";
    const fn::DataArray severe = store.params().get(QStringLiteral("Austria"), Disease, QStringLiteral("BSI"),
                                                    QStringLiteral("severeImpairment"), fn::ParamsMgr::Proportion,
                                                    ptrs);
    EXPECT_EQ(severe.metaValue(QStringLiteral("remaining cases")), QStringLiteral("Yes"));
    EXPECT_EQ(store.params()
                  .get(QStringLiteral("Austria"), Disease, QStringLiteral("BSI"), QStringLiteral("severeImpairment"),
                       fn::ParamsMgr::Duration, ptrs)
                  .formulas(),
              repeated(QStringLiteral("-1"), 38));
    EXPECT_FALSE(store.params()
                     .get(QStringLiteral("Generic"), Disease, QStringLiteral("BSI"), QStringLiteral("acuteIllness"),
                          fn::ParamsMgr::Severity, ptrs)
                     .metaValue(QStringLiteral("description"))
                     .isEmpty());
}

TEST_F(ShippedReferenceData, ModelsRunWithPlausibleBurden)
{
    const double notified = sumOf(store.notificationData(QStringLiteral("Austria"), Disease));
    for (const QString& country : {QStringLiteral("Austria"), QStringLiteral("Germany")}) {
        SCOPED_TRACE(country.toStdString());
        fn::DiseaseModel model(&store, QStringLiteral("model 1"), country, store.countryCaption(country),
                               &store.diseaseTemplates().get(Disease), store.inputFactors().getInputFactors(Disease));
        model.setUp();
        ASSERT_EQ(model.outcomeTreeCount(), 1);
        int treeIndex = -1;
        model.run(100, 0.03, treeIndex);
        ASSERT_TRUE(model.isComputed());

        const QVariantMap totals = model.totalResults();
        const double cases = mean(totals.value(QStringLiteral("cases")));
        const double deaths = mean(totals.value(QStringLiteral("deaths")));
        const double yld = mean(totals.value(QStringLiteral("yld")));
        const double yll = mean(totals.value(QStringLiteral("yll")));
        const double daly = mean(totals.value(QStringLiteral("daly")));
        const double countryNotified = sumOf(store.notificationData(country, Disease));
        // Cases are the notified ones scaled by the underestimation factor, RandPert(1.1, 1.3, 1.6).
        EXPECT_GT(cases, 1.1 * countryNotified);
        EXPECT_LT(cases, 1.6 * countryNotified);
        EXPECT_GT(deaths / cases, 0.05);
        EXPECT_LT(deaths / cases, 0.3);
        EXPECT_GT(yld, 0.0);
        EXPECT_GT(yll, yld) << "deaths dominate the burden of a bloodstream infection";
        EXPECT_NEAR(daly, yld + yll, 1e-6 * daly);
        EXPECT_GT(mean(totals.value(QStringLiteral("dalyPerCase"))), 0.3);
        EXPECT_LT(mean(totals.value(QStringLiteral("dalyPerCase"))), 5.0);
        const QVariantMap dalyStatistics = totals.value(QStringLiteral("daly")).toMap();
        EXPECT_LT(dalyStatistics.value(QStringLiteral("Quantile0.025")).toDouble(),
                  dalyStatistics.value(QStringLiteral("Quantile0.975")).toDouble());
        const QVariantMap sequela = model.sequelaTypeResults().value(QStringLiteral("sequela")).toMap();
        EXPECT_GT(mean(sequela.value(QStringLiteral("yld"))), 0.0) << "long-term impairment is reached";
    }
    EXPECT_GT(notified, 0.0);
}

TEST(ReferenceDataSources, CountryDataSetsReplaceGenericPiecesOneByOne)
{
    QTemporaryDir dir;
    const QString data = copyShippedData(dir);
    const QString file = QDir(data).filePath(DiseaseFile);
    setMember(file, QStringLiteral("data/Austria/parameters/BSI/healthStates/acuteIllness/severity"),
              QStringLiteral("0.5"));
    setMember(file, QStringLiteral("data/Austria/underestimationType"), QJsonObject{{"type", "1"}});
    setMember(file, QStringLiteral("data/Austria/underreporting"), 2);

    fn::InputDataMgr store;
    refdata::ReferenceDataSources sources(data);
    ASSERT_TRUE(sources.readInto(store)) << sources.errorString().toStdString();
    EXPECT_EQ(sources.fileNames().size(), 2);
    const fn::InputFactorPtrs factors = store.inputFactors().getInputFactors(Disease);
    const auto param = [&](const QString& country, int kind) {
        return store.params().get(country, Disease, QStringLiteral("BSI"), QStringLiteral("acuteIllness"), kind,
                                  factors);
    };
    const fn::DataArray ownSeverity = param(QStringLiteral("Austria"), fn::ParamsMgr::Severity);
    EXPECT_EQ(ownSeverity.formulas(), repeated(QStringLiteral("0.5"), 38));
    EXPECT_TRUE(ownSeverity.meta().isEmpty()) << "a replaced piece keeps nothing of the Generic one";
    EXPECT_EQ(param(QStringLiteral("Austria"), fn::ParamsMgr::Duration).formulas(),
              param(QStringLiteral("Generic"), fn::ParamsMgr::Duration).formulas());
    EXPECT_EQ(param(QStringLiteral("Austria"), fn::ParamsMgr::Proportion).meta(),
              param(QStringLiteral("Generic"), fn::ParamsMgr::Proportion).meta());
    EXPECT_NE(param(QStringLiteral("Generic"), fn::ParamsMgr::Severity).formulas(), ownSeverity.formulas());
    EXPECT_EQ(store.underestimationType(QStringLiteral("Austria"), Disease), 1);
    EXPECT_EQ(store.underestimationType(QStringLiteral("Generic"), Disease), 0);
    EXPECT_EQ(store.runFactor(QStringLiteral("Austria"), Disease, QStringLiteral("underreporting")).formulas(),
              repeated(QStringLiteral("2"), 38));
    EXPECT_EQ(store.runFactor(QStringLiteral("Austria"), Disease, QStringLiteral("underascertainment")).formulas(),
              store.runFactor(QStringLiteral("Generic"), Disease, QStringLiteral("underascertainment")).formulas());
}

TEST(ReferenceDataSources, FaultySourcesAreRefusedWithTheirPlace)
{
    const auto inDisease = [](const char* path, const QJsonValue& value) {
        return [=](const QString& data) { setMember(QDir(data).filePath(DiseaseFile), QLatin1String(path), value); };
    };
    const struct
    {
        std::function<void(const QString& dataFolder)> spoil;
        QStringList said;
    } rows[] = {
        {[](const QString& data) {
             QFile file(QDir(data).filePath(QStringLiteral("countries.json")));
             file.open(QIODevice::WriteOnly | QIODevice::Truncate);
             file.write("{\n  \"kind\": \"countries\",\n  \"factors\" [\n");
         },
         {"countries.json: malformed JSON at offset ", "(line 3, column "}},
        {inDisease("outcomeTrees/0/transitions/0/target", QStringLiteral("sequelae")),
         {DiseaseFile
          + ": outcomeTrees/0: the outcome tree \"BSI\" is incomplete: the infection \"bsi\" has no "
            "non-complementary transition"}},
        {inDisease("data/Generic/parameters/BSI/transitions/acuteToDeath/probability/values/3/1",
                   QStringLiteral("RandPert(0.1, 0.2")),
         {"data/Generic/parameters/BSI/transitions/acuteToDeath/probability/values: the formula \"RandPert(0.1, "
          "0.2\" of stratum 7 (Age 15-19, Sex Male)"}},
        {[](const QString& data) {
             editJson(QDir(data).filePath(DiseaseFile), [](QJsonObject& object) {
                 QJsonObject dataSets = object.value("data").toObject();
                 dataSets.insert("Norway", dataSets.value("Austria"));
                 object.insert("data", dataSets);
             });
         },
         {"data/Norway: the country \"Norway\" has no population data"}},
        {inDisease("data/Generic/notificationData/18", QJsonArray{"1"}),
         {"data/Generic/notificationData: expected 38 cells (19 Age x 2 Sex), found 37"}},
        {inDisease("data/Generic/underreportng", "1"), {"data/Generic: unknown member \"underreportng\""}},
        {inDisease("data/Generic/parameters/BSI/healthStates/mildImpairment", QJsonObject{{"severity", "0.03"}}),
         {"healthStates/mildImpairment: member \"duration\" is missing"}},
        {inDisease("data/Generic/outcomeTreeMapping", "2"),
         {"every stratum must hold a tree number from 1 to 1, found \"2\""}},
        {[](const QString& data) {
             setMember(QDir(data).filePath(QStringLiteral("countries.json")), QStringLiteral("countries/Autria"),
                       QJsonObject());
         },
         {"countries/Autria: \"Autria\" is not a known country id"}},
    };
    for (const auto& row : rows) {
        QTemporaryDir dir;
        const QString data = copyShippedData(dir);
        row.spoil(data);
        const QString output = dir.filePath(QStringLiteral("out"));
        const CommandResult result = runCommand({QStringLiteral("build"), data, output});
        SCOPED_TRACE(row.said.first().toStdString());
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_TRUE(result.out.isEmpty());
        EXPECT_FALSE(QFile::exists(output + QStringLiteral("/referenceData.dat")));
        for (const QString& words : row.said)
            EXPECT_TRUE(result.err.contains(words)) << result.err.toStdString();
    }

    QTemporaryDir dir;
    const CommandResult missing = runCommand({QStringLiteral("build"), dir.filePath("none"), dir.filePath("out")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("the data folder does not exist")));
    EXPECT_EQ(runCommand({QStringLiteral("build"), ShippedData}).exitCode, 2);
    EXPECT_EQ(runCommand({QStringLiteral("import")}).exitCode, 2);
    EXPECT_EQ(runCommand({}).exitCode, 2);
    const CommandResult help = runCommand({QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains(QStringLiteral("build <data folder> <output folder>")));
}

TEST(ReferenceDataSources, AnOlderCacheInTheOutputFolderIsReplacedNotMerged)
{
    QTemporaryDir output;
    {
        fn::InputDataMgr old;
        old.setDirPath(output.path());
        old.setCountryCaption(QStringLiteral("Malta"), QStringLiteral("Malta"));
        old.addCountryDisease(QStringLiteral("Malta"), QStringLiteral("BaselineUTI"));
        ASSERT_TRUE(old.saveCache());
    }
    ASSERT_EQ(runCommand({QStringLiteral("build"), ShippedData, output.path()}).exitCode, 0);
    fn::InputDataMgr loaded;
    loaded.setPath(output.path());
    EXPECT_FALSE(loaded.countryCaptions().contains(QStringLiteral("Malta")));
    EXPECT_FALSE(loaded.countryDiseases().contains(QStringLiteral("Malta")));
    EXPECT_EQ(loaded.countryDiseases().values(QStringLiteral("Generic")), QStringList{Disease});
}
