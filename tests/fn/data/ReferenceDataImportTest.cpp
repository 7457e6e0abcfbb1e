#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "fn/data/ReferenceStoreTestSupport.h"
#include "fn/data/ReferenceDataImporter.h"
#include "ut/Exception.h"

using namespace referencetest;

namespace {

// Imports the workbooks under base into store, recording what would be shown in message boxes.
QStringList importInto(fn::InputDataMgr& store, const QTemporaryDir& base)
{
    QStringList errors;
    recordMessages(store, errors);
    store.setPath(base.path());
    store.importFromWorkbooks();
    return errors;
}

// The skip-rule set: a country without population data, an unknown country, a disease
// without template and a congenital disease.
void fillSkipStore(fn::InputDataMgr& store)
{
    fillStore(store);
    const QString neonatal = QStringLiteral("Neonatal");
    fn::OutcomeTreeTemplate perinatal = bloodstreamTree();
    perinatal.setId("Perinatal");
    perinatal.setName("Perinatal");
    // The flag is not written: the tree id alone has to make the disease congenital.
    store.diseaseTemplates().add(neonatal, diseaseTemplate(neonatal, "Neonatal sepsis", {perinatal}));
    store.appendDiseaseId(neonatal);

    store.addCountryDisease(Austria, "Orphan");
    store.setNotificationData(Austria, "Orphan", randomTable("Notification data", 30));
    fillModelData(store, "Germany", 40);
    store.setCountryCaption("Atlantis", "Atlantis");
    store.setLifeExpectancy("Atlantis", randomTable("Life expectancy", 50));
    store.setAgeDistribution("Atlantis", randomTable("Age distribution", 51));
    fillModelData(store, "Atlantis", 52);
    store.inputFactors().addInputFactor(Disease, "Unused", {});
}

// Adds a "Generic" sheet to countryData.xls, which the import announces but must not read.
void addGenericCountrySheet(const QTemporaryDir& base)
{
    const QString path = referenceFolder(base) + "/countryData.xls";
    ut::Excel excel(path);
    ASSERT_TRUE(excel.isOpen()) << excel.errorString().toStdString();
    excel.addSheet(Generic);
    excel.setCellValue(1, 1, "Caption");
    excel.setCellValue(2, 1, "Not a country");
    writeRows(excel, 4, {{"Life expectancy"}, {}, {"Sex", "Female", "Male"}, {"Age"}, {"0-4", "1", "2"}});
    excel.saveAs(path);
    ASSERT_TRUE(excel.errorString().isEmpty()) << excel.errorString().toStdString();
}

// A table as the model data sheets lay it out: label, meta rows, header, row dimension, one level.
Rows sheetTable(const QString& label, const QVariantList& level, const Rows& meta = {})
{
    Rows rows{{label}, {}};
    if (!meta.isEmpty())
        rows << meta << QVariantList();
    return rows << QVariantList{"Sex", "Female", "Male"} << QVariantList{"Age"} << level << QVariantList();
}

} // namespace

TEST(ReferenceDataImport, WrittenWorkbooksImportToEqualContent)
{
    const QTemporaryDir base;
    ASSERT_TRUE(base.isValid());
    fn::InputDataMgr source;
    fillStore(source);
    writeWorkbooks(source, base);
    for (const char* name : {"diseaseData.xls", "countryData.xls", "modelData-Austria.xls", "modelData-Generic.xls"})
        EXPECT_TRUE(QFileInfo::exists(referenceFolder(base) + "/" + name)) << name;

    fn::InputDataMgr imported;
    EXPECT_TRUE(importInto(imported, base).isEmpty());
    EXPECT_EQ(dump(imported), dump(source));
    EXPECT_EQ(imported.diseaseTemplates().templates(), source.diseaseTemplates().templates());

    // The cache written at the end of the import holds the same content.
    EXPECT_GT(QFileInfo(imported.cacheFilePath()).size(), 0);
    fn::InputDataMgr cached;
    cached.setPath(base.path());
    EXPECT_EQ(dump(cached), dump(source));

    // A broken workbook between Austria and Generic in name order, so that a workbook follows it,
    // and a cache that cannot be written: both are told, and the import reads everything else.
    writeAll(referenceFolder(base) + "/modelData-Belgium.xls", QByteArray(4096, '\x5a'));
    ASSERT_TRUE(QFile::remove(imported.cacheFilePath()));
    ASSERT_TRUE(QDir(base.path()).mkdir("referenceData.dat"));
    fn::InputDataMgr again;
    QStringList told;
    recordMessages(again, told);
    again.setPath(base.path());
    again.importFromWorkbooks();
    // The reason, naming the file, comes before the message box that the workbook failed.
    ASSERT_EQ(told.size(), 3);
    EXPECT_TRUE(told[0].startsWith("Reference data|error|The file \"")) << told[0].toStdString();
    EXPECT_TRUE(told[0].contains("modelData-Belgium.xls\" is not a workbook")) << told[0].toStdString();
    EXPECT_EQ(told[1], "Error|An error occured");
    EXPECT_TRUE(told[2].contains("|error|The reference data cache")) << told[2].toStdString();
    EXPECT_TRUE(told[2].contains("could not be written"));
    EXPECT_FALSE(again.countryDiseases().contains("Belgium"));
    EXPECT_EQ(dump(again), dump(source));
}

TEST(ReferenceDataImport, SheetsLaidOutByHandReadAtTheirOffsets)
{
    ut::Excel excel;
    // A disease sheet whose caption label is not in row 1 and whose skipped rows hold other text.
    writeRows(excel, 3, {{"caption"}, {"Neonatal sepsis"}, {"not read"}});
    writeRows(excel, 9, {{"Early"}, {"Perinatal"}});
    // First empty row after the tree ids: 11. Outcomes of Early from 17.
    writeRows(excel, 15, {{"not read either"}});
    writeRows(excel, 17, {{"inf", "Infection", "infection", "false"}, {"dead", "Death", "death", ""}});
    writeRows(excel, 23, {{"s1", "Infected", "inf", "infection"}, {"s2", "Dead", "dead", "yll"}});
    writeRows(excel, 29, {{"t1", "Dies", "s1", "s2", ""}});
    // Perinatal: outcomes from 30 + 6, states from 37 + 4, transitions from 42 + 4.
    writeRows(excel, 36, {{"pInf", "Infection", "Infection", "TRUE"}});
    writeRows(excel, 41, {{"p1", "Infected", "pInf", "Infection"}});
    writeRows(excel, 46, {{"p2", "Back", "p1", "p1", "p3"}, {"p3", "Stay", "p1", "p1", ""}});

    const std::optional<fn::DiseaseTemplate> disease = fn::ReferenceDataImporter::readDiseaseSheet(excel, "Neo");
    ASSERT_TRUE(disease.has_value());
    EXPECT_EQ(disease->id(), "Neo");
    EXPECT_EQ(disease->caption(), "Neonatal sepsis");
    EXPECT_TRUE(disease->isCongenital());
    EXPECT_EQ(disease->outcomeTreeIds(), (QStringList{"Early", "Perinatal"}));
    const fn::OutcomeTreeTemplate early = disease->outcomeTree("Early");
    EXPECT_EQ(early.id(), "Early");
    EXPECT_EQ(early.name(), "Early");
    EXPECT_EQ(early.healthOutcomeOrder(), (QStringList{"inf", "dead"}));
    EXPECT_EQ(early.healthOutcomes().value("inf"), (QStringList{"inf", "Infection", "INFECTION", "FALSE"}));
    EXPECT_EQ(early.healthStates().value("s2"), (QStringList{"s2", "Dead", "dead", "YLL"}));
    EXPECT_EQ(early.transitions().keys(), QStringList{"t1"});
    const fn::OutcomeTreeTemplate perinatal = disease->outcomeTree("Perinatal");
    EXPECT_EQ(perinatal.healthOutcomeOrder(), QStringList{"pInf"});
    EXPECT_EQ(perinatal.healthStates().value("p1").value(3), "INFECTION");
    EXPECT_EQ(perinatal.transitions().value("p2"), (QStringList{"p2", "Back", "p1", "p1", "p3"}));
    EXPECT_EQ(perinatal.transitions().value("p3").value(4), QString());

    // Without a caption label there is nothing to anchor the layout to.
    ut::Excel blank;
    EXPECT_FALSE(fn::ReferenceDataImporter::readDiseaseSheet(blank, "Neo").has_value());

    // A model data sheet: factor rows three below their label, a row without levels left out,
    // levels ending at the first empty cell; element tables two rows below the element id.
    ut::Excel model;
    writeRows(model, 2, {{"RUN FACTORS"}, {"Age", "not read"}});
    writeRows(model, 5, {{"Sex", "Female", "Male"}, {"Nothing"}, {"Site", "Blood", "", "Lung"}});
    writeRows(model, 10,
              Rows{{"s2", "Dead"}, {}} + sheetTable("Severity", {"0-4", "0.5", 0.25})
                  + sheetTable("Duration", {"0-4", "70", "65"}, {{"Description", "Years left"}})
                  + sheetTable("PROPORTION", {"0-4", "", "1"}) + Rows{{"t1", "Dies"}, {}}
                  + sheetTable("probability", {"0-4", "RandUniform(0.1, 0.2)", "0.3"}, {{"Direct type", "Direct"}})
                  + sheetTable("not redistribution", {"0-4", "9", "9"}));
    fn::InputDataMgr store;
    store.diseaseTemplates().add("Neo", *disease);
    // The labels of the other tables are required; without them nothing of the sheet is stored.
    try {
        fn::ReferenceDataImporter::readModelDataSheet(model, Generic, "Neo", store);
        ADD_FAILURE() << "a sheet without its table labels was read";
    } catch (const ut::Exception& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("\"Outcome tree mapping\", \"Notification data\", "
                                                        "\"coverage\", \"underestimation\", \"underreporting\", "
                                                        "\"underascertainment\", \"underestimation type\"")))
            << e.message().toStdString();
    }
    EXPECT_TRUE(store.inputFactors().factorMap().empty());
    int row = 60;
    for (const char* label : {"Outcome tree mapping", "Notification data", "coverage", "underestimation",
                              "underreporting", "underascertainment"}) {
        writeRows(model, row, sheetTable(label, {"0-4", "1", "2"}));
        row += 6;
    }
    writeRows(model, row, {{"Underestimation Type"}, {}, {"Type", "1"}});
    QStringList notFound;
    EXPECT_TRUE(fn::ReferenceDataImporter::readModelDataSheet(model, Generic, "Neo", store, &notFound));
    const fn::InputFactorPtrs factors = store.inputFactors().getInputFactors("Neo");
    ASSERT_EQ(factors.size(), 2);
    EXPECT_EQ(*factors.at(0), fn::InputFactor("Sex", {"Female", "Male"}));
    EXPECT_EQ(*factors.at(1), fn::InputFactor("Site", {"Blood"}));

    const auto stored = [&store](int kind, const QString& element = "s2", bool transition = false) {
        const fn::DataArray* array = (transition ? store.transitionParams().params(kind) : store.params().params(kind))
                                         .find(Generic, "Neo", "Early", element);
        return array ? dump(*array) : QStringLiteral("none");
    };
    const QString strata = QStringLiteral("[Age=0-4 x Sex=Female,Male] ");
    EXPECT_EQ(stored(fn::ParamsMgr::Severity), "'Severity' {} " + strata + "0.5 | 0.25");
    EXPECT_EQ(stored(fn::ParamsMgr::Duration), "'Duration' {description:Years left} " + strata + "70 | 65");
    EXPECT_EQ(stored(fn::ParamsMgr::Proportion), "'PROPORTION' {} " + strata + "0 | 1");
    // Ids of the template that the sheet does not hold keep no parameters.
    EXPECT_EQ(stored(fn::ParamsMgr::Severity, "s1"), "none");
    EXPECT_EQ(stored(fn::TransitionParamsMgr::Probability, "t1", true),
              "'probability' {direct type:Direct} " + strata + "RandUniform(0.1, 0.2) | 0.3");
    // The table after the probability is no redistribution unless its label says so.
    EXPECT_TRUE(store.transitionParams().params(fn::TransitionParamsMgr::Redistribution).isEmpty());
    EXPECT_EQ(store.notificationData(Generic, "Neo").formulas(), (QStringList{"1", "2"}));
    EXPECT_EQ(store.runFactor(Generic, "Neo", "underascertainment").formulas(), (QStringList{"1", "2"}));
    EXPECT_EQ(store.underestimationType(Generic, "Neo"), 1);
    // Of the ids not on the sheet, those that take parameters are told: not the infection s1 and
    // p1, not the complement p2.
    EXPECT_EQ(notFound, QStringList{"the transition \"p3\""});

    // Another country needs its population data before its sheets count.
    EXPECT_FALSE(fn::ReferenceDataImporter::readModelDataSheet(model, Austria, "Neo", store));
    EXPECT_FALSE(fn::ReferenceDataImporter::readModelDataSheet(model, Generic, "Unknown", store));
    EXPECT_EQ(store.inputFactors().getInputFactors("Neo").size(), 2);
}

TEST(ReferenceDataImport, SkippedSheetsAndCountries)
{
    const QTemporaryDir base;
    fn::InputDataMgr source;
    fillSkipStore(source);
    writeWorkbooks(source, base);
    addGenericCountrySheet(base);
    ASSERT_TRUE(QFileInfo::exists(referenceFolder(base) + "/modelData-Atlantis.xls"));

    fn::InputDataMgr imported;
    QStringList reports;
    recordSheets(imported, reports);
    EXPECT_TRUE(importInto(imported, base).isEmpty());
    // Every sheet is announced between start and finish; Atlantis is no known country and is not.
    const QString prefix = QString::number(fn::FileOperationType::Import) + "|Reference data|";
    EXPECT_EQ(reports,
              (QStringList{prefix + "importStarted|", prefix + "diseaseData.xls|" + Disease,
                           prefix + "diseaseData.xls|Neonatal", prefix + "countryData.xls|Austria",
                           prefix + "countryData.xls|Generic", prefix + "modelData-Austria.xls|" + Disease,
                           prefix + "modelData-Austria.xls|Orphan", prefix + "modelData-Generic.xls|" + Disease,
                           prefix + "modelData-Germany.xls|" + Disease, prefix + "importFinished|"}));

    // The unknown country is neither a country nor a data set; "Generic" has no population.
    EXPECT_EQ(imported.countryCaptions().keys(), QStringList{Austria});
    EXPECT_EQ(imported.lifeExpectancies().keys(), QStringList{Austria});
    EXPECT_EQ(imported.ageDistributions().keys(), QStringList{Austria});
    EXPECT_FALSE(imported.countryDiseases().contains("Atlantis"));

    // Every sheet of a known country's workbook records its pair, read or not.
    EXPECT_EQ(imported.countryDiseases().values(Austria), (QStringList{"Orphan", Disease}));
    EXPECT_EQ(imported.countryDiseases().values("Germany"), QStringList{Disease});
    EXPECT_EQ(imported.countryDiseases().values(Generic), QStringList{Disease});
    EXPECT_TRUE(imported.hasDisease(Austria, "Orphan"));
    EXPECT_FALSE(imported.hasDiseaseTemplate("Orphan"));
    EXPECT_FALSE(imported.notificationDataMap().value(Austria).contains("Orphan"));
    EXPECT_FALSE(imported.params().params(fn::ParamsMgr::Severity).map().value(Austria).contains("Orphan"));

    // Germany has no population data: its sheet is not read, and it falls back to "Generic".
    EXPECT_FALSE(imported.notificationDataMap().contains("Germany"));
    EXPECT_FALSE(imported.runFactors().contains("Germany"));
    EXPECT_FALSE(imported.params().params(fn::ParamsMgr::Severity).map().contains("Germany"));
    EXPECT_EQ(dump(imported.notificationData("Germany", Disease)), dump(source.notificationData(Generic, Disease)));

    // "Generic" is read without country data of its own.
    EXPECT_EQ(dump(imported.outcomeTreeMapping(Generic, Disease)), dump(source.outcomeTreeMapping(Generic, Disease)));
    EXPECT_NE(imported.transitionParams()
                  .params(fn::TransitionParamsMgr::Probability)
                  .find(Generic, Disease, "Sequelae", "toImpaired"),
              nullptr);

    // The factor row without levels is left out; the others are read once.
    const fn::InputFactorPtrs factors = imported.inputFactors().getInputFactors(Disease);
    ASSERT_EQ(factors.size(), 2);
    EXPECT_EQ(factors.at(0)->name(), "Age");
    EXPECT_EQ(factors.at(1)->name(), "Sex");

    // A tree id "Perinatal" makes the disease congenital.
    EXPECT_FALSE(source.diseaseTemplates().templates().value("Neonatal").isCongenital());
    EXPECT_TRUE(imported.diseaseTemplates().templates().value("Neonatal").isCongenital());
    EXPECT_EQ(imported.diseaseIds(), (QStringList{Disease, "Neonatal"}));
}
