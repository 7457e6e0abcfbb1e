#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "fn/data/templates/DiseaseTemplate.h"
#include "fn/data/InputDataMgr.h"
#include "ui/Chief.h"
#include "ui/ParameterExchange.h"

namespace {

const QString country = QStringLiteral("Testland");
const QString disease = QStringLiteral("TwoTrees");

// A base folder with a models folder holding the two-tree specification and a reference
// data cache with the population of one small country.
class ControllerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(base.isValid());
        previousDirectory = QDir::currentPath();
        QDir::setCurrent(base.path());
        QDir(base.path()).mkdir(QStringLiteral("models"));
        QFile::copy(QStringLiteral(OZMID_TEST_DATA_DIR "/fn/model/fixtures/two-trees.model_spec.json"),
                    base.filePath(QStringLiteral("models/two-trees.model_spec.json")));
        fn::InputDataMgr store;
        store.setPath(base.path());
        const QVector<fn::InputFactor> factors = {
            fn::InputFactor(QStringLiteral("Age"), {QStringLiteral("0-49"), QStringLiteral("50+")}),
            fn::InputFactor(QStringLiteral("Sex"), {QStringLiteral("Female"), QStringLiteral("Male")})};
        store.setCountryCaption(country, QStringLiteral("Test Land"));
        store.setAgeDistribution(
            country,
            fn::DataArray(factors, QStringLiteral("Age distribution"), {}, QStringList{"1000", "900", "2000", "1800"}));
        store.setLifeExpectancy(
            country,
            fn::DataArray(factors, QStringLiteral("Life expectancy"), {}, QStringList{"60", "55", "20", "15"}));
        ASSERT_TRUE(store.saveCache());
        chief = std::make_unique<ui::Chief>();
        chief->setBasePath(base.path());
    }

    void TearDown() override
    {
        chief.reset();
        QDir::setCurrent(previousDirectory);
    }

    void createOneModel()
    {
        chief->changeCountrySelection({country});
        chief->changeDiseaseSelection({disease});
        chief->createModels();
    }

    static QVariantMap modelInfo(const QString& id = QStringLiteral("model 1"))
    {
        return {{QStringLiteral("countryID"), country},
                {QStringLiteral("diseaseID"), disease},
                {QStringLiteral("modelID"), id}};
    }

    QTemporaryDir base;
    QString previousDirectory;
    std::unique_ptr<ui::Chief> chief;
};

} // namespace

TEST_F(ControllerTest, CreatesNamesAndDeletesModels)
{
    QSignalSpy created(chief.get(), &ui::Chief::modelsCreated);
    QSignalSpy messages(chief.get(), &ui::Chief::showMessage);
    chief->changeCountrySelection({country, QStringLiteral("Nowhere")});
    chief->changeDiseaseSelection({disease, QStringLiteral("Unknown")});
    chief->createModels();
    // Ids are handed out for every pair tried, created or not.
    ASSERT_EQ(created.count(), 1);
    const QVariantList first = created.takeFirst().at(0).toList();
    ASSERT_EQ(first.size(), 2);
    EXPECT_EQ(first[0].toMap().value(QStringLiteral("modelID")).toString(), QStringLiteral("model 1"));
    EXPECT_EQ(first[1].toMap().value(QStringLiteral("countryID")).toString(), QStringLiteral("Nowhere"));
    EXPECT_EQ(first[1].toMap().value(QStringLiteral("modelID")).toString(), QStringLiteral("model 3"));
    EXPECT_EQ(first[0].toMap().value(QStringLiteral("countryName")).toString(), QStringLiteral("Test Land"));
    EXPECT_EQ(messages.takeFirst().at(1).toString(),
              QStringLiteral("2 new model(s) created.<br />Total number of models defined: 2."));

    chief->createModels();
    EXPECT_EQ(created.takeFirst().at(0).toList().value(0).toMap().value(QStringLiteral("modelID")).toString(),
              QStringLiteral("model 5"));
    EXPECT_EQ(chief->models().size(), 4u);
    EXPECT_NE(chief->getModel(country, disease, QStringLiteral("model 5")), nullptr);
    EXPECT_EQ(chief->getModel(country, disease, QStringLiteral("model 2")), nullptr);

    EXPECT_EQ(chief->makeModelId(QStringLiteral("mine")), QStringLiteral("mine"));
    EXPECT_EQ(chief->makeModelId(QStringLiteral("mine")), QStringLiteral("mine_2"));
    EXPECT_EQ(chief->makeModelId(QStringLiteral("mine")), QStringLiteral("mine_2"));

    QSignalSpy reinitialized(chief.get(), &ui::Chief::programReinitialized);
    messages.clear();
    chief->deleteModels();
    EXPECT_EQ(reinitialized.count(), 1);
    EXPECT_TRUE(chief->models().empty());
    EXPECT_EQ(messages.takeFirst().at(1).toString(), QStringLiteral("All models have been deleted."));
    createOneModel();
    EXPECT_EQ(created.takeFirst().at(0).toList().value(0).toMap().value(QStringLiteral("modelID")).toString(),
              QStringLiteral("model 1"));

    chief->changeCountrySelection({});
    messages.clear();
    chief->createModels();
    EXPECT_TRUE(created.takeFirst().at(0).toList().isEmpty());
    EXPECT_EQ(messages.takeFirst().at(1).toString(),
              QStringLiteral("Data is missing for the selected combination of country and disease."));
}

TEST_F(ControllerTest, RunsReportProgressAndAggregate)
{
    for (int i = 0; i < 3; ++i)
        createOneModel();
    chief->setNumSamples(20);
    QSignalSpy started(chief.get(), &ui::Chief::runStarted);
    QSignalSpy progress(chief.get(), &ui::Chief::runProgressUpdated);
    QSignalSpy aggregated(chief.get(), &ui::Chief::aggregatedResultsAvailable);
    QSignalSpy finished(chief.get(), &ui::Chief::runFinished);
    chief->runModels(false);
    EXPECT_EQ(started.count(), 1);
    ASSERT_EQ(progress.count(), 4);
    const QString name3 = QStringLiteral("Test Land - Two-tree test disease - model 3");
    const float fractions[] = {0.0f, 1.0f / 3.0f, 2.0f / 3.0f, 1.0f};
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(progress[i].at(0).toFloat(), fractions[i]);
        EXPECT_EQ(progress[i].at(1).toInt(), i);
        EXPECT_EQ(progress[i].at(2).toInt(), 3);
    }
    EXPECT_EQ(progress[0].at(3).toString(), QStringLiteral("Test Land - Two-tree test disease - model 1"));
    EXPECT_EQ(progress[3].at(3).toString(), name3);
    ASSERT_EQ(aggregated.count(), 1);
    ASSERT_EQ(finished.count(), 1);
    const QVariantList runList = finished[0].at(0).toList();
    ASSERT_EQ(runList.size(), 3);
    EXPECT_EQ(runList[2].toMap().value(QStringLiteral("modelID")).toString(), QStringLiteral("model 3"));
    EXPECT_EQ(runList[0].toMap().value(QStringLiteral("diseaseName")).toString(),
              QStringLiteral("Two-tree test disease"));
    const QVariantMap totals = aggregated[0].at(0).toMap().value(QStringLiteral("totalResults")).toMap();
    const double oneModel = 15.0 + 84.0 + 10 * 59.5 + 5 * 54.5 + 40 * 19.0 + 16 * 14.0;
    EXPECT_DOUBLE_EQ(totals.value(QStringLiteral("daly")).toMap().value(QStringLiteral("Mean")).toDouble(),
                     3 * oneModel);

    // The threaded run reports through the event queue and arrives at the same figures.
    finished.clear();
    chief->runModels(true);
    for (int i = 0; i < 600 && finished.isEmpty(); ++i)
        finished.wait(100);
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(aggregated.last().at(0).toMap().value(QStringLiteral("totalResults")).toMap(), totals);

    // No models: one report of 0 of 0, then empty results.
    chief->deleteModels();
    progress.clear();
    finished.clear();
    chief->runModels(false);
    ASSERT_EQ(progress.count(), 1);
    EXPECT_EQ(progress[0].at(2).toInt(), 0);
    EXPECT_TRUE(finished[0].at(0).toList().isEmpty());
}

TEST_F(ControllerTest, AppliesTablesIndependentlyAndReportsRefusals)
{
    createOneModel();
    fn::DiseaseModel* model = chief->getModel(country, disease, QStringLiteral("model 1"));
    ASSERT_NE(model, nullptr);
    const auto table = [&](int type) { return ui::dataArrayToMap(model->getParameter(type)); };
    QVariantMap cases = table(fn::DiseaseModel::NotifiedCases);
    QVariantList rows = cases.value(QStringLiteral("stratified")).toList();
    QVariantMap row0 = rows[0].toMap();
    row0.insert(QStringLiteral("Female"), QStringLiteral("RandUniform(90, 110)"));
    rows[0] = row0;
    cases.insert(QStringLiteral("stratified"), rows);
    QVariantMap lifeExpectancy = table(fn::DiseaseModel::LifeExpectancy);
    QVariantList leRows = lifeExpectancy.value(QStringLiteral("stratified")).toList();
    QVariantMap leRow = leRows[1].toMap();
    leRow.insert(QStringLiteral("Male"), QStringLiteral("RandPert(1, 2)"));
    leRows[1] = leRow;
    lifeExpectancy.insert(QStringLiteral("stratified"), leRows);

    QSignalSpy messages(chief.get(), &ui::Chief::showMessage);
    QSignalSpy checks(chief.get(), &ui::Chief::formulaCheckResultsAvailable);
    chief->applyChangesToModelParams(
        modelInfo(), 5, table(fn::DiseaseModel::Underestimation), table(fn::DiseaseModel::Underreporting),
        table(fn::DiseaseModel::Underascertainment), cases, lifeExpectancy, table(fn::DiseaseModel::AgeDistribution));
    ASSERT_EQ(messages.count(), 2);
    EXPECT_EQ(messages[0].at(0).toString(), QStringLiteral("Model parameters"));
    EXPECT_EQ(messages[0].at(1).toString(),
              QStringLiteral("Changes have NOT been applied to:<br /><ul><li>Life expectancy</li></ul>"));
    EXPECT_EQ(messages[0].at(2).toString(), QStringLiteral("error"));
    EXPECT_EQ(messages[1].at(1).toString(),
              QStringLiteral("Changes have been applied to:<br /><ul><li>Average number of cases per year</li><li>"
                             "Underestimation</li><li>Underreporting</li><li>Underascertainment</li><li>"
                             "Age distribution</li></ul>"));
    EXPECT_EQ(messages[1].at(2).toString(), QStringLiteral("info"));
    ASSERT_EQ(checks.count(), 1);
    const QVariantMap checkMap = checks[0].at(0).toMap();
    EXPECT_EQ(checkMap.keys(), QStringList{QStringLiteral("lifeExp")});
    const QVariantList flagged =
        checkMap.value(QStringLiteral("lifeExp")).toMap().value(QStringLiteral("stratified")).toList();
    EXPECT_FALSE(flagged[1].toMap().value(QStringLiteral("Male")).toBool());
    EXPECT_TRUE(flagged[1].toMap().value(QStringLiteral("Female")).toBool());

    EXPECT_EQ(model->getParameter(fn::DiseaseModel::NotifiedCases).formulas().value(0),
              QStringLiteral("RandUniform(90, 110)"));
    EXPECT_EQ(model->getParameter(fn::DiseaseModel::LifeExpectancy).formulas().value(3), QStringLiteral("15"));
    EXPECT_EQ(model->getUnderestimationType(), 0u);
    // The model was re-initialised: the tree's infection sees the new notified cases.
    EXPECT_EQ(model->getOutcomeTree(0).infection()->notifiedCases().formulas().value(0),
              QStringLiteral("RandUniform(90, 110)"));

    // An estimation type of 1 is taken; an unknown model is ignored without any signal.
    chief->applyChangesToModelParams(modelInfo(), 1, table(5), table(6), table(7), table(1), table(3), table(2));
    EXPECT_EQ(model->getUnderestimationType(), 1u);
    messages.clear();
    chief->applyChangesToModelParams(modelInfo(QStringLiteral("model 9")), 0, {}, {}, {}, {}, {}, {});
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(ControllerTest, AppliesTransitionAndHealthStateTables)
{
    createOneModel();
    fn::DiseaseModel* model = chief->getModel(country, disease, QStringLiteral("model 1"));
    fn::TransitionProbability& transition = model->getOutcomeTree(0).getTransitionProbability(1);
    QVariantMap info = modelInfo();
    info.insert(QStringLiteral("outcomeTreeID"), QStringLiteral("young"));
    info.insert(QStringLiteral("outcomeTreeNodeID"), transition.id());

    QVariantMap probability = ui::dataArrayToMap(transition.probabilityParameter());
    QVariantList meta = probability.value(QStringLiteral("meta")).toList();
    for (QVariant& row : meta) {
        QVariantMap m = row.toMap();
        if (m.value(QStringLiteral("ParameterName")) == QStringLiteral("direct type"))
            m.insert(QStringLiteral("Value"), QStringLiteral("no"));
        row = m;
    }
    probability.insert(QStringLiteral("meta"), meta);
    QSignalSpy transMessages(chief.get(), &ui::Chief::showMessageInTransPage);
    QSignalSpy transChecks(chief.get(), &ui::Chief::formulaCheckResultsAvailableForTransPage);
    chief->applyChangesToTransParams(info, probability, ui::dataArrayToMap(transition.redistributionParameter()));
    EXPECT_FALSE(transition.isDirect());
    ASSERT_EQ(transMessages.count(), 1);
    EXPECT_EQ(transMessages[0].at(0).toString(), QStringLiteral("Transition parameters"));
    EXPECT_EQ(transChecks.count(), 1);
    EXPECT_TRUE(transChecks[0].at(0).toMap().isEmpty());

    fn::HealthState& state = model->getOutcomeTree(0).getHealthState(0);
    info.insert(QStringLiteral("outcomeTreeNodeID"), state.id());
    QVariantMap severity = ui::dataArrayToMap(state.severity());
    QVariantList rows = severity.value(QStringLiteral("stratified")).toList();
    QVariantMap row = rows[0].toMap();
    row.insert(QStringLiteral("Female"), QStringLiteral("0,5"));
    rows[0] = row;
    severity.insert(QStringLiteral("stratified"), rows);
    QSignalSpy yldMessages(chief.get(), &ui::Chief::showMessageInYLDPage);
    QSignalSpy yldChecks(chief.get(), &ui::Chief::formulaCheckResultsAvailableForYLDPage);
    chief->applyChangesToYLDParams(info, severity, ui::dataArrayToMap(state.duration()),
                                   ui::dataArrayToMap(state.proportion()));
    ASSERT_EQ(yldMessages.count(), 2);
    EXPECT_EQ(yldMessages[0].at(1).toString(),
              QStringLiteral("Changes have NOT been applied to:<br /><ul><li>Severity</li></ul>"));
    EXPECT_EQ(yldChecks[0].at(0).toMap().keys(), QStringList{QStringLiteral("severity")});
    EXPECT_EQ(state.severity().formulas().value(0), QStringLiteral("0.2"));

    // The YLL page edits only the proportion; a valid table is applied and reported.
    QVariantMap proportion = ui::dataArrayToMap(state.proportion());
    rows = proportion.value(QStringLiteral("stratified")).toList();
    row = rows[0].toMap();
    row.insert(QStringLiteral("Male"), QStringLiteral("0.25"));
    rows[0] = row;
    proportion.insert(QStringLiteral("stratified"), rows);
    QSignalSpy yllMessages(chief.get(), &ui::Chief::showMessageInYLLPage);
    QSignalSpy yllChecks(chief.get(), &ui::Chief::formulaCheckResultsAvailableForYLLPage);
    chief->applyChangesToYLLParams(info, proportion);
    ASSERT_EQ(yllMessages.count(), 1);
    EXPECT_EQ(yllMessages[0].at(0).toString(), QStringLiteral("YLL parameters"));
    EXPECT_EQ(yllMessages[0].at(1).toString(),
              QStringLiteral("Changes have been applied to:<br /><ul><li>Proportion</li></ul>"));
    ASSERT_EQ(yllChecks.count(), 1);
    EXPECT_TRUE(yllChecks[0].at(0).toMap().isEmpty());
    EXPECT_TRUE(state.proportion().formulas().contains(QStringLiteral("0.25")));

    // An unknown element sends nothing.
    info.insert(QStringLiteral("outcomeTreeNodeID"), QStringLiteral("nothing"));
    yldChecks.clear();
    yllChecks.clear();
    chief->applyChangesToYLDParams(info, severity, severity, severity);
    chief->applyChangesToYLLParams(info, proportion);
    EXPECT_TRUE(yldChecks.isEmpty());
    EXPECT_TRUE(yllChecks.isEmpty());
}

TEST_F(ControllerTest, SelectionPayloadStatusReportsAndResultsFiles)
{
    createOneModel();
    QSignalSpy selected(chief.get(), &ui::Chief::modelSelected);
    chief->selectModel(country, disease, QStringLiteral("model 1"));
    chief->selectModel(country, disease, QStringLiteral("model 7"));
    ASSERT_EQ(selected.count(), 1);
    // The page draws a specification's trees itself; no diagram map for it or for no model.
    EXPECT_TRUE(chief->outcomeTreeDiagram(country, disease, QStringLiteral("model 1")).isEmpty());
    EXPECT_TRUE(chief->outcomeTreeDiagram(country, disease, QStringLiteral("model 7")).isEmpty());
    const QVariantMap corrections = selected[0].at(1).toMap();
    EXPECT_EQ(corrections.value(QStringLiteral("estimType")).toInt(), 0);
    EXPECT_EQ(corrections.value(QStringLiteral("underreporting")).toMap().value(QStringLiteral("name")).toString(),
              QStringLiteral("Underreporting"));
    EXPECT_EQ(selected[0].at(3).toMap().value(QStringLiteral("factorNames")).toList().size(), 2);
    EXPECT_EQ(selected[0].at(5).toString(), QStringLiteral("No disease report found."));

    QSignalSpy create(chief.get(), &ui::Chief::createUpdatableMessage);
    QSignalSpy update(chief.get(), &ui::Chief::updateMessage);
    QSignalSpy destroy(chief.get(), &ui::Chief::destroyUpdatableMessage);
    QSignalSpy messages(chief.get(), &ui::Chief::showMessage);
    chief->updateDataExportImportStatus(fn::Export, QStringLiteral("Models"), QStringLiteral("exportStarted"),
                                        QString());
    chief->updateDataExportImportStatus(fn::Export, QStringLiteral("Models"), QStringLiteral("book"),
                                        QStringLiteral("model 1"));
    chief->updateDataExportImportStatus(fn::Import, QStringLiteral("Reference data"), QStringLiteral("importFinished"),
                                        QString());
    ASSERT_EQ(create.count(), 1);
    EXPECT_EQ(create[0].at(0).toString(), QStringLiteral("Models export"));
    EXPECT_EQ(create[0].at(1).toString(), QStringLiteral("Models export started"));
    EXPECT_EQ(update[0].at(1).toString(), QStringLiteral("Exporting file: book<br />Sheet: model 1"));
    EXPECT_EQ(destroy.count(), 1);
    EXPECT_EQ(messages[0].at(0).toString(), QStringLiteral("Reference data import"));
    EXPECT_EQ(messages[0].at(1).toString(), QStringLiteral("Reference data import finished"));

    // Every ".xls" is taken out of the results file name.
    chief->setNumSamples(10);
    chief->runModels(false);
    chief->saveDetailedResultsToJSON(QFileInfo(base.filePath(QStringLiteral("results.xls.json"))));
    chief->saveDetailedResultsToJSON(QFileInfo(base.filePath(QStringLiteral("out.xls"))));
    ASSERT_TRUE(QFile::exists(base.filePath(QStringLiteral("results.json"))));
    ASSERT_TRUE(QFile::exists(base.filePath(QStringLiteral("out"))));
    QFile file(base.filePath(QStringLiteral("results.json")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_EQ(bytes, chief->buildResultsJson());
    const QJsonArray documents = QJsonDocument::fromJson(bytes).array();
    ASSERT_EQ(documents.size(), 1);
    EXPECT_EQ(documents[0].toObject().value(QStringLiteral("name")).toString(),
              QStringLiteral("Test Land - Two-tree test disease - model 1"));
    EXPECT_TRUE(documents[0].toObject().contains(QStringLiteral("totalSequelaTypeResults")));

    chief->saveDetailedResultsToClipboard();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8(bytes));

    chief->deleteModels();
    EXPECT_EQ(QJsonDocument::fromJson(chief->buildResultsJson()).array().size(), 0);
}

TEST(ParameterExchange, ClipboardPasteAndMetaRows)
{
    const QStringList rows = {QStringLiteral("0-4"), QStringLiteral("5-9"), QStringLiteral("10-14")};
    const QStringList columns = {QStringLiteral("Female"), QStringLiteral("Male")};
    const QVariantList uniform = ui::clipboardTextToGrid(QStringLiteral("1\t2\t3\t4\n5\t6\t7\t8\n"), rows, columns,
                                                         QStringLiteral("Uniform"))
                                     .value(QStringLiteral("stratified"))
                                     .toList();
    ASSERT_EQ(uniform.size(), 3);
    EXPECT_EQ(uniform[0].toMap().value(QStringLiteral("Female")).toString(), QStringLiteral("RandUniform(1, 2)"));
    EXPECT_EQ(uniform[0].toMap().value(QStringLiteral("Male")).toString(), QStringLiteral("RandUniform(3, 4)"));
    EXPECT_EQ(uniform[1].toMap().value(QStringLiteral("Male")).toString(), QStringLiteral("RandUniform(7, 8)"));
    EXPECT_EQ(uniform[2].toMap().value(QStringLiteral("Female")).toString(), QStringLiteral("RandUniform(0, 0)"));
    EXPECT_EQ(uniform[2].toMap().value(QStringLiteral("Age")).toString(), QStringLiteral("10-14"));
    EXPECT_EQ(uniform[1].toMap().value(QStringLiteral("id")).toInt(), 1);

    const QVariantList constants = ui::clipboardTextToGrid(QStringLiteral("0,5\t1.50\n"), rows, columns,
                                                           QStringLiteral("Constant"))
                                       .value(QStringLiteral("stratified"))
                                       .toList();
    EXPECT_EQ(constants[0].toMap().value(QStringLiteral("Female")).toString(), QStringLiteral("0,5"));
    EXPECT_EQ(constants[0].toMap().value(QStringLiteral("Male")).toString(), QStringLiteral("1.5"));
    EXPECT_EQ(constants[1].toMap().value(QStringLiteral("Male")).toString(), QStringLiteral("0"));

    const QVariantList pert = ui::clipboardTextToGrid(QStringLiteral("1\t2\n"), rows, columns, QStringLiteral("Pert"))
                                  .value(QStringLiteral("stratified"))
                                  .toList();
    EXPECT_EQ(pert[0].toMap().value(QStringLiteral("Female")).toString(), QStringLiteral("RandPert(1, 2, 0)"));
    EXPECT_EQ(pert[0].toMap().value(QStringLiteral("Male")).toString(), QStringLiteral("RandPert(0, 0, 0)"));
    EXPECT_TRUE(ui::clipboardTextToGrid(QString(), rows, columns, QStringLiteral("Pert"))
                    .value(QStringLiteral("stratified"))
                    .toList()
                    .isEmpty());

    const QVariantList meta = ui::metaRows(
        {{QStringLiteral("duration"), QStringLiteral("5")}, {QStringLiteral("unshown"), QStringLiteral("x")}});
    ASSERT_EQ(meta.size(), 1);
    EXPECT_EQ(meta[0].toMap().value(QStringLiteral("id")).toInt(), 0);
    EXPECT_EQ(meta[0].toMap().value(QStringLiteral("DisplayString")).toString(), QStringLiteral("Duration"));

    // Tables need two factors and an even number of cells.
    const fn::InputFactor one(QStringLiteral("Age"), {QStringLiteral("a"), QStringLiteral("b")});
    const QVariantMap flat = ui::formulasToTableMap(QStringList{QStringLiteral("1"), QStringLiteral("2")}, {&one});
    EXPECT_TRUE(flat.value(QStringLiteral("stratified")).toList().isEmpty());
    EXPECT_TRUE(flat.value(QStringLiteral("factorNames")).toList().isEmpty());
}

// The page draws a reference-data model's trees from this map as it draws a specification's.
TEST(ParameterExchange, OutcomeTreeDiagramOfADiseaseTemplate)
{
    fn::OutcomeTreeTemplate adults(QStringLiteral("adults"), QStringLiteral("Adults"));
    adults.addHealthOutcome(QStringLiteral("inf"), QStringLiteral("Infection"), QStringLiteral("INFECTION"),
                            QStringLiteral("false"));
    adults.addHealthOutcome(QStringLiteral("acute"), QStringLiteral("Acute"), QStringLiteral("ACUTE"),
                            QStringLiteral("true"));
    adults.addHealthOutcome(QStringLiteral("death"), QStringLiteral("Death"), QStringLiteral("DEATH"),
                            QStringLiteral("false"));
    adults.addHealthState(QStringLiteral("infState"), QStringLiteral("Infected"), QStringLiteral("inf"),
                          QStringLiteral("INFECTION"));
    adults.addHealthState(QStringLiteral("mild"), QStringLiteral("Mild"), QStringLiteral("acute"),
                          QStringLiteral("YLD"));
    adults.addHealthState(QStringLiteral("severe"), QStringLiteral("Severe"), QStringLiteral("acute"),
                          QStringLiteral("YLD"));
    adults.addHealthState(QStringLiteral("orphan"), QStringLiteral("Orphan"), QStringLiteral("nowhere"),
                          QStringLiteral("YLD"));
    adults.addTransition(QStringLiteral("t1"), QStringLiteral("To acute"), QStringLiteral("infState"),
                         QStringLiteral("acute"), QString());
    adults.addTransition(QStringLiteral("t2"), QStringLiteral("To death"), QStringLiteral("acute"),
                         QStringLiteral("death"), QString());
    adults.addTransition(QStringLiteral("t3"), QStringLiteral("Survival"), QStringLiteral("acute"),
                         QStringLiteral("acute"), QStringLiteral("t2"));
    fn::OutcomeTreeTemplate children(QStringLiteral("children"), QString());
    fn::DiseaseTemplate disease;
    disease.addOutcomeTree(QStringLiteral("children"), children);
    disease.addOutcomeTree(QStringLiteral("adults"), adults);
    disease.setOutcomeTreeIds({QStringLiteral("adults"), QStringLiteral("children")});

    const QVariantMap trees = ui::outcomeTreeDiagramMap(disease).value(QStringLiteral("outcomeTrees")).toMap();
    ASSERT_EQ(trees.size(), 2);
    // The keys sort in the template's order, not by tree id.
    const QVariantMap first = trees.first().toMap();
    EXPECT_EQ(first.value(QStringLiteral("id")).toString(), QStringLiteral("adults"));
    EXPECT_EQ(first.value(QStringLiteral("name")).toString(), QStringLiteral("Adults"));
    EXPECT_EQ(trees.last().toMap().value(QStringLiteral("name")).toString(), QStringLiteral("children"));
    EXPECT_EQ(first.value(QStringLiteral("healthOutcomesRunOrder")).toStringList(),
              (QStringList{QStringLiteral("inf"), QStringLiteral("acute"), QStringLiteral("death")}));

    const QVariantMap outcomes = first.value(QStringLiteral("healthOutcomes")).toMap();
    ASSERT_EQ(outcomes.size(), 3);
    const QVariantMap acute = outcomes.value(QStringLiteral("acute")).toMap();
    EXPECT_EQ(acute.value(QStringLiteral("type")).toString(), QStringLiteral("ACUTE"));
    EXPECT_EQ(acute.value(QStringLiteral("healthStates")).toMap().keys(),
              (QStringList{QStringLiteral("mild"), QStringLiteral("severe")}));
    EXPECT_EQ(acute.value(QStringLiteral("healthStates"))
                  .toMap()
                  .value(QStringLiteral("severe"))
                  .toMap()
                  .value(QStringLiteral("name"))
                  .toString(),
              QStringLiteral("Severe"));
    EXPECT_TRUE(
        outcomes.value(QStringLiteral("death")).toMap().value(QStringLiteral("healthStates")).toMap().isEmpty());
    EXPECT_FALSE(outcomes.contains(QStringLiteral("nowhere")));

    const QVariantMap transitions = first.value(QStringLiteral("transitions")).toMap();
    ASSERT_EQ(transitions.size(), 3);
    const QVariantMap toAcute = transitions.value(QStringLiteral("t1")).toMap();
    EXPECT_EQ(toAcute.value(QStringLiteral("source")).toMap().value(QStringLiteral("id")).toString(),
              QStringLiteral("infState"));
    EXPECT_EQ(toAcute.value(QStringLiteral("target")).toMap().value(QStringLiteral("id")).toString(),
              QStringLiteral("acute"));
    EXPECT_FALSE(toAcute.value(QStringLiteral("complementaryType")).toBool());
    EXPECT_TRUE(transitions.value(QStringLiteral("t3")).toMap().value(QStringLiteral("complementaryType")).toBool());
}
