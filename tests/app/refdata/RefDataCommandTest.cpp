#include <algorithm>
#include <functional>
#include <numeric>

#include <QTemporaryDir>
#include <QTextStream>

#include "app/ProgramRun.h"
#include "fn/data/InputDataMgr.h"
#include "fn/model/DiseaseModel.h"
#include "app/refdata/RefDataCommand.h"
#include "app/refdata/ReferenceDataSources.h"
#include "ut/workbook/Excel.h"

namespace {

const QString ShippedData = QStringLiteral(OZMID_TEST_DATA_DIR "/../data");
const QString Disease = "BaselineBSI";
const QString DiseaseFile = "disease-BaselineBSI.json";

struct CommandResult
{
    int exitCode = -1;
    QString out;
    QString err;
};

CommandResult runCommand(const QStringList& arguments)
{
    CommandResult result;
    QTextStream out(&result.out);
    QTextStream err(&result.err);
    result.exitCode = refdata::RefDataCommand(out, err).run(QStringList{"ozmid-refdata"} + arguments);
    return result;
}

// The shipped sources built directly, over an older cache, and written as reference workbooks and
// imported, once.
struct Built
{
    QTemporaryDir direct, viaWorkbooks;
    const bool olderCache = [this] {
        fn::InputDataMgr old;
        old.setDirPath(direct.path());
        old.setCountryCaption("Malta", "Malta");
        old.addCountryDisease("Malta", "BaselineUTI");
        return old.saveCache();
    }();
    const CommandResult build = runCommand({"build", ShippedData, direct.path()});
    const CommandResult written = runCommand({"workbooks", ShippedData, viaWorkbooks.filePath("referenceData")});
    const CommandResult imported = runCommand({"import-workbooks", viaWorkbooks.path()});
    bool made() const { return build.exitCode == 0 && written.exitCode == 0 && imported.exitCode == 0; }
};

const Built& built()
{
    static const Built once;
    return once;
}

// Copies the files of from that filter names into the folder to, made for them.
bool copyFiles(const QString& from, const QString& to, const QStringList& filter = {})
{
    bool copied = QDir().mkpath(to);
    for (const QFileInfo& file : QDir(from).entryInfoList(filter, QDir::Files))
        copied = QFile::copy(file.filePath(), to + QLatin1Char('/') + file.fileName()) && copied;
    return copied;
}

void setMember(const QString& file, const QString& path, const QJsonValue& value)
{
    ASSERT_TRUE(writeFile(file, edited(contents(file), path, value)));
}

QStringList repeated(const QString& formula, int count)
{
    return QVector<QString>(count, formula).toList();
}

double sumOf(fn::DataArray array)
{
    array.initializeParser();
    array.evaluate();
    return std::accumulate(array.values().begin(), array.values().end(), 0.0);
}

// The shipped data built by the program's command, loaded back from the cache by a fresh store.
class ShippedReferenceData : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const CommandResult& result = built().build;
        ASSERT_TRUE(built().olderCache);
        ASSERT_TRUE(result.exitCode == 0 && result.err.isEmpty()) << result.err.toStdString();
        ASSERT_TRUE(result.out.contains("referenceData.dat"));
        store.setPath(built().direct.path());
    }

    fn::InputDataMgr store;
};

const QString fixtureFolder = QStringLiteral(OZMID_TEST_DATA_DIR "/app/refdata/fixtures/reference-workbooks/");

// Moves the rows from row down by one, leaving row empty, as inserting a row in a spreadsheet does.
void insertEmptyRow(ut::Excel& excel, int row)
{
    // Wider than any block of the layout, and a longer run of empty rows than it ever has.
    constexpr int columns = 32;
    constexpr int emptyRun = 50;
    int last = row;
    for (int r = row; r <= last + emptyRun; ++r) {
        for (int c = 1; c <= columns; ++c)
            last = excel.cellValue(r, c).isValid() ? r : last;
    }
    for (int r = last + 1; r >= row; --r) {
        for (int c = 1; c <= columns; ++c)
            excel.setCellValue(r, c, r > row ? excel.cellValue(r - 1, c) : QVariant());
    }
}

// The row of the first cell of column A below label's row that reads text.
int rowBelow(const ut::Excel& excel, const QString& label, const QString& text)
{
    int row = excel.rowOf(excel.find(label, "A", false));
    while (row > 0 && row < 10000 && excel.cellText(row, 1) != text)
        ++row;
    return row;
}

} // namespace

TEST_F(ShippedReferenceData, CountriesDiseaseTemplateAndDataSetsSurviveTheCacheAndRun)
{
    // The older cache in the output folder was replaced, not merged.
    EXPECT_FALSE(store.countryCaptions().contains("Malta"));
    EXPECT_FALSE(store.countryDiseases().contains("Malta"));
    EXPECT_EQ(store.countryDiseases().values("Generic"), QStringList{Disease});
    EXPECT_EQ((QStringList{store.countryCaption("Austria"), store.countryCaption("EUEEA"),
                           store.countryCaption("Generic"), store.countryCaption("Norway")}),
              (QStringList{"Austria", "EU/EEA", "Generic population", QString()}));

    for (const QString country : {"Generic", "Austria", "Germany", "Sweden", "Italy", "EUEEA"}) {
        SCOPED_TRACE(country.toStdString());
        const fn::DataArray& lifeExpectancy = store.lifeExpectancy(country);
        const fn::DataArray& population = store.ageDistribution(country);
        ASSERT_EQ(lifeExpectancy.formulas().size(), 38);
        ASSERT_EQ(population.formulas().size(), 38);
        ASSERT_EQ(lifeExpectancy.factorCopies().size(), 2);
        const QStringList ages = lifeExpectancy.factorCopies().at(0).levels();
        EXPECT_EQ((QStringList{lifeExpectancy.factorCopies().at(0).name(), ages.first(), ages.last()}),
                  (QStringList{"Age", "0-4", "90+"}));
        EXPECT_EQ(lifeExpectancy.factorCopies().at(1).levels(), (QStringList{"Female", "Male"}));
        // Remaining life expectancy falls from birth to the oldest group, women outliving men.
        EXPECT_GT(lifeExpectancy.formulas().at(0).toDouble(), 80.0);
        EXPECT_GT(lifeExpectancy.formulas().at(0).toDouble(), lifeExpectancy.formulas().at(1).toDouble());
        EXPECT_LT(lifeExpectancy.formulas().at(37).toDouble(), 6.0);
        EXPECT_GT(sumOf(population), 1e6);
    }
    EXPECT_NEAR(sumOf(store.ageDistribution("Austria")), 9.1e6, 0.5e6);

    ASSERT_TRUE(store.hasDiseaseTemplate(Disease));
    EXPECT_EQ(store.diseaseIds(), QStringList{Disease});
    const fn::DiseaseTemplate& disease = store.diseaseTemplates().get(Disease);
    EXPECT_EQ(disease.caption(), "Baseline bloodstream infection (illustrative)");
    EXPECT_FALSE(disease.isCongenital());
    ASSERT_EQ(disease.outcomeTreeIds(), QStringList{"BSI"});
    const fn::OutcomeTreeTemplate tree = disease.outcomeTree("BSI");
    EXPECT_EQ(tree.name(), "BSI");
    EXPECT_EQ(tree.healthOutcomeOrder(), (QStringList{"infection", "acuteBSI", "sequelae", "death"}));
    EXPECT_EQ(tree.healthOutcomes().value("acuteBSI"),
              (QStringList{"acuteBSI", "Acute bloodstream infection", "ACUTE", "TRUE"}));
    EXPECT_EQ(tree.healthStates().value("bsi"),
              (QStringList{"bsi", "Bloodstream infection", "infection", "INFECTION"}));
    EXPECT_EQ(tree.transitions().value("bsiToAcute"),
              (QStringList{"bsiToAcute", "Infection to acute illness", "bsi", "acuteBSI", ""}));
    const fn::InputFactorPtrs factors = store.inputFactors().getInputFactors(Disease);
    ASSERT_EQ(factors.size(), 2);
    EXPECT_EQ(factors.at(0)->levelCount(), 19);
    EXPECT_EQ(factors.at(1)->name(), "Sex");

    // Generic serves every country without data of its own; Austria has its own cases.
    for (const QString country : {"Generic", "Austria", "Germany"})
        EXPECT_TRUE(store.hasDisease(country, Disease)) << country.toStdString();
    EXPECT_FALSE(store.hasDisease("Germany", "BaselineUTI"));
    const QStringList genericCases = store.notificationData("Generic", Disease).formulas();
    const QStringList austrianCases = store.notificationData("Austria", Disease).formulas();
    ASSERT_EQ((QVector<int>{genericCases.size(), austrianCases.size()}), (QVector<int>{38, 38}));
    EXPECT_NE(austrianCases, genericCases);
    EXPECT_EQ(store.notificationData("Germany", Disease).formulas(), genericCases);
    EXPECT_EQ(store.outcomeTreeMapping("Austria", Disease).formulas(), repeated("1", 38));
    EXPECT_EQ(store.runFactor("Austria", Disease, "coverage").formulas(), repeated("1", 38));
    EXPECT_TRUE(store.runFactor("Austria", Disease, "underestimation").formulas().first().startsWith("RandPert("));
    EXPECT_EQ(store.underestimationType("Austria", Disease), 0);

    // Austria gave only its cases; its parameters are those of Generic, with their meta entries.
    const fn::DataArray death = store.transitionParams().get("Austria", Disease, "BSI", "acuteToDeath", 0, factors);
    EXPECT_EQ((QStringList{death.name(), death.metaValue("direct type"), death.metaValue("redistribute"),
                           death.metaValue("duration")}),
              (QStringList{"Probability", "yes", "no", "-1"}));
    EXPECT_TRUE(death.meta().contains("weblink"));
    EXPECT_NE(death.formulas().at(0), death.formulas().at(36)) << "case fatality varies with age";
    const auto param = [&](const char* country, const char* state, int kind) {
        return store.params().get(country, Disease, "BSI", state, kind, factors);
    };
    EXPECT_EQ(param("Austria", "severeImpairment", fn::ParamsMgr::Proportion).metaValue("remaining cases"), "Yes");
    EXPECT_EQ(param("Austria", "severeImpairment", fn::ParamsMgr::Duration).formulas(), repeated("-1", 38));
    EXPECT_FALSE(param("Generic", "acuteIllness", fn::ParamsMgr::Severity).metaValue("description").isEmpty());

    // Models of the cached data run with a plausible burden.
    for (const QString country : {"Austria", "Germany"}) {
        SCOPED_TRACE(country.toStdString());
        fn::DiseaseModel model(&store, "model 1", country, store.countryCaption(country),
                               &store.diseaseTemplates().get(Disease), store.inputFactors().getInputFactors(Disease));
        model.setUp();
        ASSERT_EQ(model.outcomeTreeCount(), 1);
        int treeIndex = -1;
        model.run(100, 0.03, treeIndex);
        ASSERT_TRUE(model.isComputed());

        const QVariantMap totals = model.totalResults();
        const auto total = [&](const char* measure) { return totals[measure].toMap().value("Mean").toDouble(); };
        const double notified = sumOf(store.notificationData(country, Disease));
        ASSERT_GT(notified, 0.0);
        // Cases are the notified ones scaled by the underestimation factor, RandPert(1.1, 1.3, 1.6).
        EXPECT_TRUE(total("cases") > 1.1 * notified && total("cases") < 1.6 * notified) << total("cases");
        const double fatality = total("deaths") / total("cases");
        EXPECT_TRUE(fatality > 0.05 && fatality < 0.3) << fatality;
        EXPECT_GT(total("yld"), 0.0);
        EXPECT_GT(total("yll"), total("yld")) << "deaths dominate the burden of a bloodstream infection";
        EXPECT_NEAR(total("daly"), total("yld") + total("yll"), 1e-6 * total("daly"));
        EXPECT_TRUE(total("dalyPerCase") > 0.3 && total("dalyPerCase") < 5.0) << total("dalyPerCase");
        const QVariantMap dalyStatistics = totals.value("daly").toMap();
        EXPECT_LT(dalyStatistics.value("Quantile0.025").toDouble(), dalyStatistics.value("Quantile0.975").toDouble());
        const QVariantMap sequela = model.sequelaTypeResults().value("sequela").toMap();
        EXPECT_GT(sequela["yld"].toMap().value("Mean").toDouble(), 0.0) << "long-term impairment is reached";
    }
}

TEST(ReferenceDataSources, CountryDataSetsReplaceGenericPiecesOneByOne)
{
    QTemporaryDir dir;
    const QString data = dir.filePath("data");
    ASSERT_TRUE(copyFiles(ShippedData, data, {"*.json"}));
    const QString file = QDir(data).filePath(DiseaseFile);
    setMember(file, "data/Austria/parameters/BSI/healthStates/acuteIllness/severity", "0.5");
    setMember(file, "data/Austria/underestimationType", QJsonObject{{"type", "1"}});
    setMember(file, "data/Austria/underreporting", 2);

    fn::InputDataMgr store;
    refdata::ReferenceDataSources sources(data);
    ASSERT_TRUE(sources.readInto(store)) << sources.errorString().toStdString();
    EXPECT_EQ(sources.fileNames().size(), 2);
    const fn::InputFactorPtrs factors = store.inputFactors().getInputFactors(Disease);
    const auto param = [&](const QString& country, int kind) {
        return store.params().get(country, Disease, "BSI", "acuteIllness", kind, factors);
    };
    const fn::DataArray ownSeverity = param("Austria", fn::ParamsMgr::Severity);
    EXPECT_EQ(ownSeverity.formulas(), repeated("0.5", 38));
    EXPECT_TRUE(ownSeverity.meta().isEmpty()) << "a replaced piece keeps nothing of the Generic one";
    EXPECT_EQ(param("Austria", fn::ParamsMgr::Duration).formulas(),
              param("Generic", fn::ParamsMgr::Duration).formulas());
    EXPECT_EQ(param("Austria", fn::ParamsMgr::Proportion).meta(), param("Generic", fn::ParamsMgr::Proportion).meta());
    EXPECT_NE(param("Generic", fn::ParamsMgr::Severity).formulas(), ownSeverity.formulas());
    EXPECT_EQ(store.underestimationType("Austria", Disease), 1);
    EXPECT_EQ(store.underestimationType("Generic", Disease), 0);
    EXPECT_EQ(store.runFactor("Austria", Disease, "underreporting").formulas(), repeated("2", 38));
    EXPECT_EQ(store.runFactor("Austria", Disease, "underascertainment").formulas(),
              store.runFactor("Generic", Disease, "underascertainment").formulas());
}

TEST(ReferenceDataSources, FaultySourcesAreRefusedWithTheirPlace)
{
    const auto inDisease = [](const char* path, const QJsonValue& value) {
        return [=](const QString& data) { setMember(QDir(data).filePath(DiseaseFile), QLatin1String(path), value); };
    };
    const QJsonValue austria = jsonAt(QJsonDocument::fromJson(contents(ShippedData + '/' + DiseaseFile)).object(),
                                      "data/Austria");
    const struct
    {
        std::function<void(const QString& dataFolder)> spoil;
        QStringList said;
    } rows[] = {
        {[](const QString& data) {
             writeFile(QDir(data).filePath("countries.json"), "{\n  \"kind\": \"countries\",\n  \"factors\" [\n");
         },
         {"countries.json: malformed JSON at offset ", "(line 3, column "}},
        {inDisease("outcomeTrees/0/transitions/0/target", "sequelae"),
         {DiseaseFile + ": outcomeTrees/0: the outcome tree \"BSI\" is incomplete: the infection \"bsi\" has no"}},
        {inDisease("data/Generic/parameters/BSI/transitions/acuteToDeath/probability/values/3/1", "RandPert(0.1, 0.2"),
         {"acuteToDeath/probability/values: the formula \"RandPert(0.1, 0.2\" of stratum 7 (Age 15-19, Sex Male)"}},
        {inDisease("data/Norway", austria), {"data/Norway: the country \"Norway\" has no population data"}},
        {inDisease("data/Generic/notificationData/18", QJsonArray{"1"}),
         {"data/Generic/notificationData: expected 38 cells (19 Age x 2 Sex), found 37"}},
        {inDisease("data/Generic/underreportng", "1"), {"data/Generic: unknown member \"underreportng\""}},
        {inDisease("data/Generic/parameters/BSI/healthStates/mildImpairment", QJsonObject{{"severity", "0.03"}}),
         {"healthStates/mildImpairment: member \"duration\" is missing"}},
        {inDisease("data/Generic/outcomeTreeMapping", "2"),
         {"every stratum must hold a tree number from 1 to 1, found \"2\""}},
        {[](const QString& data) {
             setMember(QDir(data).filePath("countries.json"), "countries/Autria", QJsonObject());
         },
         {"countries/Autria: \"Autria\" is not a known country id"}},
        {[](const QString& data) { QDir(data).removeRecursively(); }, {"the data folder does not exist"}},
    };
    for (const auto& row : rows) {
        QTemporaryDir dir;
        const QString data = dir.filePath("data");
        ASSERT_TRUE(copyFiles(ShippedData, data, {"*.json"}));
        row.spoil(data);
        const QString output = dir.filePath("out");
        const CommandResult result = runCommand({"build", data, output});
        SCOPED_TRACE(row.said.first().toStdString());
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_TRUE(result.out.isEmpty());
        EXPECT_FALSE(QFile::exists(output + "/referenceData.dat"));
        expectAll(result.err, row.said);
    }

    for (const QStringList& usage : {QStringList{"build", ShippedData}, QStringList{"import"}, QStringList{}})
        EXPECT_EQ(runCommand(usage).exitCode, 2) << usage.join(' ').toStdString();
    const CommandResult help = runCommand({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("build <data folder> <output folder>"));
}

// The generated workbooks imported give the direct build's data, but for the "Generic" population.
TEST(ReferenceWorkbooks, ImportOfTheGeneratedWorkbooksEqualsTheDirectBuild)
{
    ASSERT_TRUE(built().made()) << built().imported.err.toStdString();
    fn::InputDataMgr expected, imported;
    expected.setPath(built().direct.path());
    imported.setPath(built().viaWorkbooks.path());
    ASSERT_FALSE(imported.diseaseIds().isEmpty());
    EXPECT_EQ(imported.diseaseIds(), expected.diseaseIds());
    EXPECT_TRUE(imported.diseaseTemplates().templates() == expected.diseaseTemplates().templates());
    EXPECT_EQ(imported.countryDiseases(), expected.countryDiseases());
    EXPECT_EQ(imported.underestimationTypes(), expected.underestimationTypes());
    for (const QString& disease : expected.diseaseIds()) {
        const fn::InputFactorPtrs a = imported.inputFactors().getInputFactors(disease);
        const fn::InputFactorPtrs b = expected.inputFactors().getInputFactors(disease);
        EXPECT_TRUE(std::equal(a.begin(), a.end(), b.begin(), b.end(), [](auto x, auto y) { return *x == *y; }));
    }
    QStringList countries = expected.lifeExpectancies().keys();
    countries.removeOne("Generic");
    EXPECT_EQ(imported.lifeExpectancies().keys(), countries);
    EXPECT_EQ(imported.ageDistributions().keys(), countries);
    for (const QString& country : countries) {
        EXPECT_EQ(imported.lifeExpectancy(country).formulas(), expected.lifeExpectancy(country).formulas());
        EXPECT_EQ(imported.ageDistribution(country).formulas(), expected.ageDistribution(country).formulas());
    }
    // The workbooks carry no region marks: a total over "all" countries must still leave the
    // regions out, so the imported store knows them too.
    for (const QString& country : expected.lifeExpectancies().keys())
        EXPECT_EQ(imported.isRegion(country), expected.isRegion(country)) << country.toStdString();
    const auto expectSame = [](const fn::DataArray& a, const fn::DataArray& b, const std::string& what) {
        EXPECT_EQ(a.formulas(), b.formulas()) << what;
        EXPECT_EQ(a.meta(), b.meta()) << what;
    };
    for (const QString& country : expected.countryDiseases().uniqueKeys()) {
        for (const QString& disease : expected.diseaseIds()) {
            EXPECT_EQ(imported.notificationData(country, disease).formulas(),
                      expected.notificationData(country, disease).formulas());
            EXPECT_EQ(imported.outcomeTreeMapping(country, disease).formulas(),
                      expected.outcomeTreeMapping(country, disease).formulas());
            for (const char* label : {"coverage", "underestimation", "underreporting", "underascertainment"})
                expectSame(imported.runFactor(country, disease, QLatin1String(label)),
                           expected.runFactor(country, disease, QLatin1String(label)), label);
            const fn::DiseaseTemplate diseaseTemplate = expected.diseaseTemplates().templates().value(disease);
            const fn::InputFactorPtrs factors = expected.inputFactors().getInputFactors(disease);
            for (const QString& tree : diseaseTemplate.outcomeTreeIds()) {
                const fn::OutcomeTreeTemplate rows = diseaseTemplate.outcomeTree(tree);
                for (const QString& state : rows.healthStates().keys()) {
                    for (int kind : {0, 1, 3})
                        expectSame(imported.params().get(country, disease, tree, state, kind, factors),
                                   expected.params().get(country, disease, tree, state, kind, factors),
                                   state.toStdString() + char('0' + kind));
                }
                for (const QString& transition : rows.transitions().keys()) {
                    for (int kind : {0, 1})
                        expectSame(imported.transitionParams().get(country, disease, tree, transition, kind, factors),
                                   expected.transitionParams().get(country, disease, tree, transition, kind, factors),
                                   transition.toStdString() + char('0' + kind));
                }
            }
        }
    }

    // A folder without workbooks is refused with the store's own message.
    const QTemporaryDir empty;
    const CommandResult refused = runCommand({"import-workbooks", empty.path()});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains("Reference data Excel files could not be found"));
}

// The reference workbooks resaved by LibreOffice give the very cache the program's own give. An
// unreadable workbook or an unwritable cache fails the import and keeps the last good cache.
TEST(ReferenceWorkbooks, LibreOfficeCopiesGiveTheSameCacheAndFailedImportsKeepIt)
{
    const QTemporaryDir written;
    ASSERT_TRUE(copyFiles(fixtureFolder + "written", written.filePath("referenceData")));
    CommandResult run = runCommand({"import-workbooks", written.path()});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QString cache = written.filePath("referenceData.dat");
    const QByteArray expected = contents(cache);
    ASSERT_GT(expected.size(), 1000);

    for (const char* variant : {"libreoffice-xls", "libreoffice-xlsx", "libreoffice-ods", "libreoffice-formulas-xls",
                                "libreoffice-formulas-xlsx"}) {
        const QTemporaryDir base;
        ASSERT_TRUE(copyFiles(fixtureFolder + variant, base.filePath("referenceData")));
        run = runCommand({"import-workbooks", base.path()});
        EXPECT_EQ(run.exitCode, 0) << variant << ": " << run.err.toStdString();
        EXPECT_TRUE(contents(base.filePath("referenceData.dat")) == expected) << variant;
    }

    const QString damaged = written.filePath("referenceData/countryData.xls");
    ASSERT_TRUE(writeFile(damaged, contents(damaged).chopped(2048)));
    // A folder in the cache's place cannot be replaced by a file.
    const QTemporaryDir blocked;
    ASSERT_TRUE(copyFiles(fixtureFolder + "written", blocked.filePath("referenceData")));
    ASSERT_TRUE(QDir(blocked.path()).mkdir("referenceData.dat"));
    const struct
    {
        QString base;
        QString said;
    } refused[] = {{written.path(), "countryData.xls\" cannot be read"},
                   {blocked.path(), "Cannot write \"" + blocked.filePath("referenceData.dat")}};
    for (const auto& row : refused) {
        run = runCommand({"import-workbooks", row.base});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.contains(row.said) && run.err.contains("was left unchanged")) << run.err.toStdString();
        EXPECT_FALSE(run.out.contains("Wrote")) << run.out.toStdString();
    }
    EXPECT_TRUE(contents(cache) == expected);
}

// Edited workbooks: read as the user sees them, refused keeping the cache, or imported with a warning.
TEST(ReferenceWorkbooks, EditedWorkbooksAreReadAsTheUserSeesThemOrRefused)
{
    // Every import starts from the direct build's cache, which differs from the workbooks'.
    ASSERT_TRUE(built().made()) << built().imported.err.toStdString();
    const QString earlierCache = built().direct.filePath("referenceData.dat");
    const QByteArray earlier = contents(earlierCache);
    // The cache of the untouched workbooks, imported over the earlier one: the first row's.
    QByteArray expected;

    const struct
    {
        const char* name;
        const char* workbook;
        std::function<void(ut::Excel&)> edit; // none: the workbooks untouched
        int exitCode;
        QStringList said; // empty: nothing on standard error
        bool sameCache; // as the untouched workbooks'; a refused import keeps the earlier one
    } rows[] = {
        {"untouched", "", nullptr, 0, {}, true},
        {"empty row in a model data table",
         "modelData-Generic.xls",
         [](ut::Excel& excel) { insertEmptyRow(excel, rowBelow(excel, "Notification data", "0-4") + 1); },
         0,
         {},
         true},
        {"empty row in a country table",
         "countryData.xls",
         [](ut::Excel& excel) { insertEmptyRow(excel, rowBelow(excel, "Life expectancy", "0-4") + 1); },
         0,
         {},
         true},
        {"reworded table label",
         "modelData-Generic.xls",
         [](ut::Excel& excel) {
             excel.setCellValue(rowBelow(excel, "underreporting", "underreporting"), 1, "Under-reporting");
         },
         1,
         {"modelData-Generic.xls", "sheet \"BaselineBSI\"", "\"underreporting\"", "was left unchanged"},
         false},
        {"reworded health state id",
         "modelData-Generic.xls",
         [](ut::Excel& excel) {
             excel.setCellValue(rowBelow(excel, "acuteIllness", "acuteIllness"), 1, "acute illness");
         },
         0,
         {"warning: ", "modelData-Generic.xls", "\"BaselineBSI\"", "health state \"acuteIllness\""},
         false},
        {"a sheet of notes among the diseases",
         "diseaseData.xls",
         [](ut::Excel& excel) {
             excel.addSheet("Notes");
             excel.setCellValue(1, 1, "Checked by hand");
         },
         0,
         {"warning: ", "diseaseData.xls", "\"Notes\"", "left out"},
         true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QTemporaryDir base;
        ASSERT_TRUE(copyFiles(built().viaWorkbooks.filePath("referenceData"), base.filePath("referenceData")));
        const QString cache = base.filePath("referenceData.dat");
        ASSERT_TRUE(QFile::copy(earlierCache, cache));
        if (row.edit) {
            const QString path = base.filePath("referenceData/" + QLatin1String(row.workbook));
            ut::Excel excel(path);
            ASSERT_TRUE(excel.isOpen());
            excel.selectSheet(1);
            row.edit(excel);
            excel.saveAs(path);
            ASSERT_TRUE(excel.errorString().isEmpty());
        }
        const CommandResult run = runCommand({"import-workbooks", base.path()});
        EXPECT_EQ(run.exitCode, row.exitCode);
        expectAll(run.err, row.said);
        EXPECT_EQ(run.err.isEmpty(), row.said.isEmpty()) << run.err.toStdString();
        const QByteArray written = contents(cache);
        if (!row.edit) {
            expected = written;
            ASSERT_TRUE(expected.size() > 1000 && earlier != expected);
        }
        // A refused import keeps the earlier cache.
        EXPECT_TRUE(row.exitCode != 0 ? written == earlier : (written == expected) == row.sameCache);
    }
}
