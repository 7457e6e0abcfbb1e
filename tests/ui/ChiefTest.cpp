#include <array>

#include <QClipboard>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include "app/ProgramRun.h"
#include "fn/data/templates/DiseaseTemplate.h"
#include "fn/model/RunControl.h"
#include "ui/ParameterExchange.h"
#include "ui/StoreFixtures.h"
#include "ui/run/RunProgressMonitor.h"

namespace {

using uitest::country;
using uitest::disease;

class ControllerTest : public uitest::StoreTest
{
protected:
    static QVariantMap modelInfo(const QString& id = "model 1")
    {
        return {{"countryID", country}, {"diseaseID", disease}, {"modelID", id}};
    }
};

// The table of a page with one cell changed, as the user typed it.
QVariantMap withCell(QVariantMap table, int row, const QString& column, const QString& text)
{
    QVariantList rows = table.value("stratified").toList();
    QVariantMap cells = rows[row].toMap();
    cells.insert(column, text);
    rows[row] = cells;
    table.insert("stratified", rows);
    return table;
}

// The value at a path ("a/0/c": keys of maps, indexes of lists).
QVariant at(QVariant value, const char* path)
{
    for (const QString& key : QString::fromLatin1(path).split('/'))
        value = value.type() == QVariant::List ? value.toList().value(key.toInt()) : value.toMap().value(key);
    return value;
}

// The sample specifications, with the population of guitest::country only.
class SampleControllerTest : public uitest::StoreTest
{
protected:
    SampleControllerTest() { samples = true; }
};

} // namespace

TEST_F(ControllerTest, CreatesNamesAndDeletesModels)
{
    QSignalSpy created(chief.get(), &ui::Chief::modelsCreated);
    QSignalSpy messages(chief.get(), &ui::Chief::showMessage);
    chief->changeCountrySelection({country, "Nowhere"});
    chief->changeDiseaseSelection({disease, "Unknown"});
    chief->createModels();
    // Ids are handed out for every pair tried, created or not.
    ASSERT_EQ(created.count(), 1);
    const QVariant first = created.takeFirst().at(0);
    ASSERT_EQ(first.toList().size(), 2);
    EXPECT_EQ(at(first, "0/modelID"), "model 1");
    EXPECT_EQ(at(first, "1/countryID"), "Nowhere");
    EXPECT_EQ(at(first, "1/modelID"), "model 3");
    EXPECT_EQ(at(first, "0/countryName"), "Test Land");
    EXPECT_EQ(messages.takeFirst().at(1).toString(), "2 new model(s) created.<br />Total number of models defined: 2.");

    chief->createModels();
    EXPECT_EQ(at(created.takeFirst(), "0/0/modelID"), "model 5");
    EXPECT_EQ(chief->models().size(), 4u);
    EXPECT_NE(chief->getModel(country, disease, "model 5"), nullptr);
    EXPECT_EQ(chief->getModel(country, disease, "model 2"), nullptr);

    // Generated ids skip every id handed out, requested ones included.
    const char* const ids[][2] = {{"mine", "mine"},         {"mine", "mine_2"}, {"mine", "mine_2"},
                                  {"model 10", "model 10"}, {"", "model 9"},    {"", "model 11"}};
    for (const auto& [asked, given] : ids)
        EXPECT_EQ(chief->makeModelId(QLatin1String(asked)), QLatin1String(given)) << asked;

    QSignalSpy reinitialized(chief.get(), &ui::Chief::programReinitialized);
    messages.clear();
    chief->deleteModels();
    EXPECT_EQ(reinitialized.count(), 1);
    EXPECT_TRUE(chief->models().empty());
    EXPECT_EQ(messages.takeFirst().at(1).toString(), "All models have been deleted.");
    createOneModel();
    EXPECT_EQ(at(created.takeFirst(), "0/0/modelID"), "model 1");

    chief->changeCountrySelection({});
    messages.clear();
    chief->createModels();
    EXPECT_TRUE(created.takeFirst().at(0).toList().isEmpty());
    EXPECT_EQ(messages.takeFirst().at(1).toString(),
              "Data is missing for the selected combination of country and disease.");
}

TEST_F(ControllerTest, RunsReportProgressAndAggregateSelectionStatusAndResultsFiles)
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
    const float fractions[] = {0.0f, 1.0f / 3.0f, 2.0f / 3.0f, 1.0f};
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(progress[i].at(0).toFloat(), fractions[i]);
        EXPECT_EQ(progress[i].at(1).toInt(), i);
        EXPECT_EQ(progress[i].at(2).toInt(), 3);
    }
    EXPECT_EQ(progress[0].at(3).toString(), "Test Land - Two-tree test disease - model 1");
    EXPECT_EQ(progress[3].at(3).toString(), "Test Land - Two-tree test disease - model 3");
    ASSERT_EQ(aggregated.count(), 1);
    ASSERT_EQ(finished.count(), 1);
    ASSERT_EQ(finished[0].at(0).toList().size(), 3);
    EXPECT_EQ(at(finished[0], "0/2/modelID"), "model 3");
    EXPECT_EQ(at(finished[0], "0/0/diseaseName"), "Two-tree test disease");
    const QVariant totals = at(aggregated[0], "0/totalResults");
    const double oneModel = 15.0 + 84.0 + 10 * 59.5 + 5 * 54.5 + 40 * 19.0 + 16 * 14.0;
    EXPECT_DOUBLE_EQ(at(totals, "daly/Mean").toDouble(), 3 * oneModel);

    // The threaded run reports through the event queue and arrives at the same figures.
    finished.clear();
    chief->runModels(true);
    for (int i = 0; i < 600 && finished.isEmpty(); ++i)
        finished.wait(100);
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(at(aggregated.last(), "0/totalResults"), totals);

    // No models: one report of 0 of 0, then empty results.
    chief->deleteModels();
    progress.clear();
    finished.clear();
    chief->runModels(false);
    ASSERT_EQ(progress.count(), 1);
    EXPECT_EQ(progress[0].at(2).toInt(), 0);
    EXPECT_TRUE(finished[0].at(0).toList().isEmpty());

    // A new model: its payload, the status reports and the results files.
    createOneModel();
    QSignalSpy selected(chief.get(), &ui::Chief::modelSelected);
    chief->selectModel(country, disease, "model 1");
    chief->selectModel(country, disease, "model 7");
    ASSERT_EQ(selected.count(), 1);
    // The page draws a specification's trees itself; no diagram map for it or for no model.
    EXPECT_TRUE(chief->outcomeTreeDiagram(country, disease, "model 1").isEmpty());
    EXPECT_TRUE(chief->outcomeTreeDiagram(country, disease, "model 7").isEmpty());
    EXPECT_EQ(at(selected[0], "1/estimType").toInt(), 0);
    EXPECT_EQ(at(selected[0], "1/underreporting/name"), "Underreporting");
    EXPECT_EQ(at(selected[0], "3/factorNames").toList().size(), 2);
    EXPECT_EQ(selected[0].at(5).toString(), "No disease report found.");

    QSignalSpy create(chief.get(), &ui::Chief::createUpdatableMessage);
    QSignalSpy update(chief.get(), &ui::Chief::updateMessage);
    QSignalSpy destroy(chief.get(), &ui::Chief::destroyUpdatableMessage);
    QSignalSpy messages(chief.get(), &ui::Chief::showMessage);
    chief->updateDataExportImportStatus(fn::Export, "Models", "exportStarted", QString());
    chief->updateDataExportImportStatus(fn::Export, "Models", "book", "model 1");
    chief->updateDataExportImportStatus(fn::Import, "Reference data", "importFinished", QString());
    ASSERT_EQ(create.count(), 1);
    EXPECT_EQ(create[0].mid(0, 2), (QVariantList{"Models export", "Models export started"}));
    EXPECT_EQ(update[0].at(1).toString(), "Exporting file: book<br />Sheet: model 1");
    EXPECT_EQ(destroy.count(), 1);
    EXPECT_EQ(messages[0].mid(0, 2), (QVariantList{"Reference data import", "Reference data import finished"}));

    // Every ".xls" is taken out of the results file name.
    chief->setNumSamples(10);
    chief->runModels(false);
    chief->saveDetailedResultsToJSON(QFileInfo(base.filePath("results.xls.json")));
    chief->saveDetailedResultsToJSON(QFileInfo(base.filePath("out.xls")));
    ASSERT_TRUE(QFile::exists(base.filePath("out")));
    const QByteArray bytes = contents(base.filePath("results.json"));
    EXPECT_EQ(bytes, chief->buildResultsJson());
    const QVariant documents = QJsonDocument::fromJson(bytes).toVariant();
    ASSERT_EQ(documents.toList().size(), 1);
    EXPECT_EQ(at(documents, "0/name"), "Test Land - Two-tree test disease - model 1");
    EXPECT_TRUE(at(documents, "0/totalSequelaTypeResults").isValid());

    chief->saveDetailedResultsToClipboard();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8(bytes));

    chief->deleteModels();
    EXPECT_EQ(QJsonDocument::fromJson(chief->buildResultsJson()).array().size(), 0);
}

TEST_F(ControllerTest, AppliesTablesIndependentlyAndReportsRefusals)
{
    createOneModel();
    fn::DiseaseModel* model = chief->getModel(country, disease, "model 1");
    ASSERT_NE(model, nullptr);
    const auto table = [&](int type) { return ui::dataArrayToMap(model->getParameter(type)); };
    const QVariantMap cases = withCell(table(fn::DiseaseModel::NotifiedCases), 0, "Female", "RandUniform(90, 110)");
    const QVariantMap lifeExpectancy = withCell(
        withCell(table(fn::DiseaseModel::LifeExpectancy), 1, "Male", "RandPert(1, 2)"), 0, "Female", QString());

    QSignalSpy messages(chief.get(), &ui::Chief::showMessage);
    QSignalSpy checks(chief.get(), &ui::Chief::formulaCheckResultsAvailable);
    QSignalSpy explained(chief.get(), &ui::Chief::formulaErrorsExplained);
    chief->applyChangesToModelParams(
        modelInfo(), 5, table(fn::DiseaseModel::Underestimation), table(fn::DiseaseModel::Underreporting),
        table(fn::DiseaseModel::Underascertainment), cases, lifeExpectancy, table(fn::DiseaseModel::AgeDistribution));
    ASSERT_EQ(messages.count(), 2);
    EXPECT_EQ(messages[0],
              (QVariantList{"Model parameters",
                            "Changes have NOT been applied to:<br /><ul><li>Life expectancy</li></ul>", "error"}));
    EXPECT_EQ(messages[1],
              (QVariantList{"Model parameters",
                            "Changes have been applied to:<br /><ul><li>Average number of cases per "
                            "year</li><li>Underestimation</li><li>Underreporting</li><li>"
                            "Underascertainment</li><li>Age distribution</li></ul>",
                            "info"}));
    ASSERT_EQ(checks.count(), 1);
    EXPECT_EQ(checks[0].at(0).toMap().keys(), QStringList{"lifeExp"});
    EXPECT_FALSE(at(checks[0], "0/lifeExp/stratified/1/Male").toBool());
    EXPECT_TRUE(at(checks[0], "0/lifeExp/stratified/1/Female").toBool());
    // The report keeps its fixed wording; the reasons come in a signal of their own.
    ASSERT_EQ(explained.size(), 1);
    EXPECT_EQ(explained[0].mid(0, 2), (QVariantList{"model", "Model parameters"}));
    const QString why = explained[0][2].toString();
    EXPECT_TRUE(why.contains("Life expectancy, 50+, Male: &quot;RandPert(1, 2)&quot; is refused: ")) << qPrintable(why);
    EXPECT_TRUE(why.contains("Life expectancy, 0-49, Female: (empty) is refused: ")) << qPrintable(why);

    EXPECT_EQ(model->getParameter(fn::DiseaseModel::NotifiedCases).formulas().value(0), "RandUniform(90, 110)");
    EXPECT_EQ(model->getParameter(fn::DiseaseModel::LifeExpectancy).formulas().value(3), "15");
    EXPECT_EQ(model->getUnderestimationType(), 0u);
    // The model was re-initialised: the tree's infection sees the new notified cases.
    EXPECT_EQ(model->getOutcomeTree(0).infection()->notifiedCases().formulas().value(0), "RandUniform(90, 110)");

    // An edit that passes explains nothing; an unknown model is ignored.
    chief->applyChangesToModelParams(modelInfo(), 1, table(5), table(6), table(7), table(1), table(3), table(2));
    EXPECT_EQ(model->getUnderestimationType(), 1u);
    EXPECT_EQ(explained.size(), 1);
    messages.clear();
    chief->applyChangesToModelParams(modelInfo("model 9"), 0, {}, {}, {}, {}, {}, {});
    EXPECT_TRUE(messages.isEmpty());

    // The tables of the pop-ups: a transition's, a health state's YLD and YLL tables.
    fn::TransitionProbability& transition = model->getOutcomeTree(0).getTransitionProbability(1);
    QVariantMap info = modelInfo();
    info.insert("outcomeTreeID", "young");
    info.insert("outcomeTreeNodeID", transition.id());

    fn::DataArray probability = transition.probabilityParameter();
    probability.setMetaValue("direct type", "no");
    QSignalSpy transMessages(chief.get(), &ui::Chief::showMessageInTransPage);
    QSignalSpy transChecks(chief.get(), &ui::Chief::formulaCheckResultsAvailableForTransPage);
    chief->applyChangesToTransParams(info, ui::dataArrayToMap(probability),
                                     ui::dataArrayToMap(transition.redistributionParameter()));
    EXPECT_FALSE(transition.isDirect());
    ASSERT_EQ(transMessages.count(), 1);
    EXPECT_EQ(transMessages[0].at(0).toString(), "Transition parameters");
    EXPECT_EQ(transChecks.count(), 1);
    EXPECT_TRUE(transChecks[0].at(0).toMap().isEmpty());

    fn::HealthState& state = model->getOutcomeTree(0).getHealthState(0);
    info.insert("outcomeTreeNodeID", state.id());
    const QVariantMap severity = withCell(ui::dataArrayToMap(state.severity()), 0, "Female", "0,5");
    QSignalSpy yldMessages(chief.get(), &ui::Chief::showMessageInYLDPage);
    QSignalSpy yldChecks(chief.get(), &ui::Chief::formulaCheckResultsAvailableForYLDPage);
    chief->applyChangesToYLDParams(info, severity, ui::dataArrayToMap(state.duration()),
                                   ui::dataArrayToMap(state.proportion()));
    ASSERT_EQ(yldMessages.count(), 2);
    EXPECT_EQ(yldMessages[0].at(1).toString(), "Changes have NOT been applied to:<br /><ul><li>Severity</li></ul>");
    EXPECT_EQ(yldChecks[0].at(0).toMap().keys(), QStringList{"severity"});
    EXPECT_EQ(state.severity().formulas().value(0), "0.2");

    // The YLL page edits only the proportion; a valid table is applied and reported.
    const QVariantMap proportion = withCell(ui::dataArrayToMap(state.proportion()), 0, "Male", "0.25");
    QSignalSpy yllMessages(chief.get(), &ui::Chief::showMessageInYLLPage);
    QSignalSpy yllChecks(chief.get(), &ui::Chief::formulaCheckResultsAvailableForYLLPage);
    chief->applyChangesToYLLParams(info, proportion);
    ASSERT_EQ(yllMessages.count(), 1);
    EXPECT_EQ(yllMessages[0].mid(0, 2),
              (QVariantList{"YLL parameters", "Changes have been applied to:<br /><ul><li>Proportion</li></ul>"}));
    ASSERT_EQ(yllChecks.count(), 1);
    EXPECT_TRUE(yllChecks[0].at(0).toMap().isEmpty());
    EXPECT_TRUE(state.proportion().formulas().contains("0.25"));

    // An unknown element sends nothing.
    info.insert("outcomeTreeNodeID", "nothing");
    yldChecks.clear();
    yllChecks.clear();
    chief->applyChangesToYLDParams(info, severity, severity, severity);
    chief->applyChangesToYLLParams(info, proportion);
    EXPECT_TRUE(yldChecks.isEmpty());
    EXPECT_TRUE(yllChecks.isEmpty());
}

// Results computed before an edit are out of date (told once per model) until the next run.
TEST_F(ControllerTest, EditsAfterARunMarkTheResultsOutOfDateAndOptionsAreTakenAtOnce)
{
    createOneModel();
    fn::DiseaseModel& model = *chief->models().front();
    QSignalSpy outdated(chief.get(), &ui::Chief::resultsOutdated);
    const auto applyYld = [&](bool edited) { uitest::applySeverity(*chief, model, edited); };
    // Before any run there is nothing to be out of date.
    applyYld(true);
    EXPECT_TRUE(outdated.isEmpty());

    chief->setNumSamples(50);
    chief->runModels(false);
    ASSERT_TRUE(chief->hasCurrentResults(model));
    // Applying the tables as they are changes nothing.
    applyYld(false);
    EXPECT_TRUE(outdated.isEmpty());
    EXPECT_TRUE(chief->hasCurrentResults(model));
    applyYld(true);
    ASSERT_EQ(outdated.size(), 1);
    EXPECT_EQ(at(outdated[0], "0/0/modelID"), model.modelId());
    EXPECT_TRUE(model.isComputed());
    EXPECT_FALSE(chief->hasCurrentResults(model));
    applyYld(true);
    EXPECT_EQ(outdated.size(), 1);

    chief->runModels(false);
    EXPECT_TRUE(chief->hasCurrentResults(model));
    // The model's own tables count as well: applying them re-initialises the model.
    const auto table = [&](int type) { return ui::dataArrayToMap(model.getParameter(type)); };
    chief->applyChangesToModelParams(modelInfo(), 0, table(5), table(6), table(7), table(1), table(3), table(2));
    EXPECT_EQ(outdated.size(), 2);
    EXPECT_FALSE(chief->hasCurrentResults(model));

    // The options' values are taken at once. The Run tab holds 20 000 samples; the dialog changed
    // only the rate: the samples stay.
    chief->setNumSamples(20000);
    const int storedSamples = chief->settings().defaultNumberOfSamples();
    const double storedRate = chief->settings().timeDiscountRate();
    chief->settings().setTimeDiscountRate(0.035);
    QSignalSpy changed(chief.get(), &ui::Chief::runSettingsChanged);
    chief->applyChangedRunSettings(storedSamples, storedRate, chief->settings().sensitivityAnalysis());
    ASSERT_EQ(changed.size(), 1);
    EXPECT_EQ(chief->numSamples(), 20000);
    EXPECT_DOUBLE_EQ(chief->timeDiscountRate(), 0.035);
    chief->settings().setDefaultNumberOfSamples(2500);
    chief->applyChangedRunSettings(storedSamples, 0.035, chief->settings().sensitivityAnalysis());
    EXPECT_EQ(chief->numSamples(), 2500);
    EXPECT_EQ(changed.last()[0].toInt(), 2500);

    // Fewer than 9 samples are run with a warning.
    QSignalSpy messages(chief.get(), &ui::Chief::showMessage);
    QSignalSpy notices(chief.get(), &ui::Chief::notice);
    chief->setNumSamples(8);
    chief->runModels(false);
    ASSERT_EQ(notices.size(), 1);
    EXPECT_TRUE(notices[0].at(1).toString().contains("quantiles are not estimated"));
    notices.clear();
    chief->setNumSamples(9);
    chief->runModels(false);
    EXPECT_TRUE(notices.isEmpty());
    EXPECT_TRUE(messages.isEmpty());
}

// Creating models of countries without population data warns, beside the usual report.
TEST_F(SampleControllerTest, ModelsWithoutPopulationAreWarnedAboutAndCancelledRunsGiveNoResults)
{
    // The page shows which countries lack the data; the count goes into the import's notice.
    EXPECT_EQ(chief->populationCheck().countriesWithPopulationData(), 1);
    QSignalSpy messages(chief.get(), &ui::Chief::showMessage);
    QSignalSpy notices(chief.get(), &ui::Chief::notice);
    create(*chief, {guitest::country}, guitest::bsiDisease);
    EXPECT_EQ(messages.size(), 1);
    EXPECT_TRUE(notices.isEmpty());
    create(*chief, {"Belgium", "Bulgaria", guitest::country}, guitest::bsiDisease);
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(messages[1].at(1).toString(), "3 new model(s) created.<br />Total number of models defined: 4.");
    ASSERT_EQ(notices.size(), 1);
    EXPECT_EQ(notices[0].at(0).toString() + '|' + notices[0].at(2).toString(), "Model creation|warning");
    const QString warning = notices[0].at(1).toString();
    EXPECT_TRUE(warning.contains("Belgium, Bulgaria")) << qPrintable(warning);
    EXPECT_FALSE(warning.contains(guitest::country));
    EXPECT_TRUE(warning.contains("2 of the new models"));

    // A threaded run cancelled at once ends without results and frees the models again.
    chief->deleteModels();
    create(*chief, {guitest::country, guitest::country}, guitest::bsiDisease);
    QSignalSpy running(chief.get(), &ui::Chief::runningChanged);
    QSignalSpy cancelled(chief.get(), &ui::Chief::runCancelled);
    QSignalSpy finished(chief.get(), &ui::Chief::runFinished);
    QSignalSpy aggregated(chief.get(), &ui::Chief::aggregatedResultsAvailable);
    const auto waitFor = [](QSignalSpy& spy) {
        for (int i = 0; i < 600 && spy.isEmpty(); ++i)
            spy.wait(100);
        return !spy.isEmpty();
    };
    chief->setNumSamples(20000);
    chief->runModels(true);
    EXPECT_TRUE(chief->isRunning());
    chief->cancelRun();
    ASSERT_TRUE(waitFor(cancelled));
    EXPECT_FALSE(chief->isRunning());
    EXPECT_TRUE(finished.isEmpty());
    EXPECT_TRUE(aggregated.isEmpty());
    ASSERT_EQ(running.size(), 2);
    EXPECT_TRUE(running[0][0].toBool());
    EXPECT_FALSE(running[1][0].toBool());
    EXPECT_FALSE(chief->models().back()->isComputed());

    chief->setNumSamples(20);
    chief->runModels(true);
    ASSERT_TRUE(waitFor(finished));
    EXPECT_TRUE(chief->models().back()->isComputed());

    // Cancelled again: the count is of this run's models; those it did not reach are out of date.
    notices.clear();
    QSignalSpy outdated(chief.get(), &ui::Chief::resultsOutdated);
    cancelled.clear();
    chief->setNumSamples(20000);
    chief->runModels(true);
    chief->cancelRun();
    ASSERT_TRUE(waitFor(cancelled));
    int computed = 0;
    for (const auto& model : chief->models())
        computed += model->isComputed() ? 1 : 0;
    ASSERT_LT(computed, 2);
    ASSERT_FALSE(notices.isEmpty());
    EXPECT_TRUE(notices.last()[1].toString().contains(QStringLiteral("%1 of 2 model(s) computed").arg(computed)))
        << qPrintable(notices.last()[1].toString());
    ASSERT_EQ(outdated.size(), 1);
    EXPECT_EQ(outdated[0][0].toList().size(), 2 - computed);
}

// Models running side by side count towards the share of the model reached last.
TEST(RunProgressMonitor, FollowsTheIterationsOfTheRun)
{
    fn::RunControl control;
    ui::RunProgressMonitor monitor;
    monitor.start(&control, {100, 300});
    const struct
    {
        int iterations, reached;
        double modelFraction, fraction;
    } steps[] = {{50, 0, 0.5, 50.0 / 400.0}, {125, 1, 75.0 / 300.0, 175.0 / 400.0}, {225, 2, 1.0, 1.0}};
    for (const auto& step : steps) {
        control.addIterations(step.iterations);
        monitor.modelReached(step.reached, step.reached == 0 ? "first" : "second");
        const QVariant p = monitor.progress();
        EXPECT_DOUBLE_EQ(at(p, "modelFraction").toDouble(), step.modelFraction) << step.reached;
        EXPECT_DOUBLE_EQ(at(p, "fraction").toDouble(), step.fraction) << step.reached;
        EXPECT_EQ(at(p, "modelName").toString(), step.reached == 0 ? "first" : "second");
        if (step.reached == 0) {
            EXPECT_EQ(at(p, "modelIndex").toInt(), 0);
            EXPECT_EQ(at(p, "modelCount").toInt(), 2);
            EXPECT_EQ(at(p, "iterationsTotal").toULongLong(), 400u);
            // Under a second of running, the time left is not guessed.
            EXPECT_DOUBLE_EQ(at(p, "secondsLeft").toDouble(), -1.0);
        }
    }
    monitor.stop();
    EXPECT_FALSE(monitor.isActive());
}

TEST(ParameterExchange, ClipboardPasteAndMetaRows)
{
    const QStringList rows = {"0-4", "5-9", "10-14"};
    const QStringList columns = {"Female", "Male"};
    const auto grid = [&](const char* text, const char* type) {
        return ui::clipboardTextToGrid(QString::fromLatin1(text), rows, columns, QString::fromLatin1(type))
            .value("stratified");
    };
    const QVariant uniform = grid("1\t2\t3\t4\n5\t6\t7\t8\n", "Uniform");
    ASSERT_EQ(uniform.toList().size(), 3);
    EXPECT_EQ(at(uniform, "0/Female"), "RandUniform(1, 2)");
    EXPECT_EQ(at(uniform, "0/Male"), "RandUniform(3, 4)");
    EXPECT_EQ(at(uniform, "1/Male"), "RandUniform(7, 8)");
    EXPECT_EQ(at(uniform, "2/Female"), "RandUniform(0, 0)");
    EXPECT_EQ(at(uniform, "2/Age"), "10-14");
    EXPECT_EQ(at(uniform, "1/id").toInt(), 1);
    const QVariant constants = grid("0,5\t1.50\n", "Constant");
    EXPECT_EQ(at(constants, "0/Female"), "0,5");
    EXPECT_EQ(at(constants, "0/Male"), "1.5");
    EXPECT_EQ(at(constants, "1/Male"), "0");
    EXPECT_EQ(at(grid("1\t2\n", "Pert"), "0/Female"), "RandPert(1, 2, 0)");
    EXPECT_EQ(at(grid("1\t2\n", "Pert"), "0/Male"), "RandPert(0, 0, 0)");
    EXPECT_TRUE(grid("", "Pert").toList().isEmpty());

    const QVariantList meta = ui::metaRows({{"duration", "5"}, {"unshown", "x"}});
    ASSERT_EQ(meta.size(), 1);
    EXPECT_EQ(meta[0].toMap().value("id").toInt(), 0);
    EXPECT_EQ(at(meta[0], "DisplayString"), "Duration");

    // Tables need two factors and an even number of cells.
    const fn::InputFactor one("Age", {"a", "b"});
    const QVariantMap flat = ui::formulasToTableMap(QStringList{"1", "2"}, {&one});
    EXPECT_TRUE(flat.value("stratified").toList().isEmpty());
    EXPECT_TRUE(flat.value("factorNames").toList().isEmpty());
}

// The page draws a reference-data model's trees from this map as it draws a specification's.
TEST(ParameterExchange, OutcomeTreeDiagramOfADiseaseTemplate)
{
    fn::OutcomeTreeTemplate adults("adults", "Adults");
    using Row = std::array<const char*, 5>;
    for (const Row& o : {Row{"inf", "Infection", "INFECTION", "false"}, Row{"acute", "Acute", "ACUTE", "true"},
                         Row{"death", "Death", "DEATH", "false"}})
        adults.addHealthOutcome(o[0], o[1], o[2], o[3]);
    for (const Row& h : {Row{"infState", "Infected", "inf", "INFECTION"}, Row{"mild", "Mild", "acute", "YLD"},
                         Row{"severe", "Severe", "acute", "YLD"}, Row{"orphan", "Orphan", "nowhere", "YLD"}})
        adults.addHealthState(h[0], h[1], h[2], h[3]);
    for (const Row& t : {Row{"t1", "To acute", "infState", "acute", ""}, Row{"t2", "To death", "acute", "death", ""},
                         Row{"t3", "Survival", "acute", "acute", "t2"}})
        adults.addTransition(t[0], t[1], t[2], t[3], t[4]);
    fn::OutcomeTreeTemplate children("children", QString());
    fn::DiseaseTemplate disease;
    disease.addOutcomeTree("children", children);
    disease.addOutcomeTree("adults", adults);
    disease.setOutcomeTreeIds({"adults", "children"});

    const QVariantMap trees = ui::outcomeTreeDiagramMap(disease).value("outcomeTrees").toMap();
    ASSERT_EQ(trees.size(), 2);
    // The keys sort in the template's order, not by tree id.
    const QVariant first = trees.first();
    EXPECT_EQ(at(first, "id"), "adults");
    EXPECT_EQ(at(first, "name"), "Adults");
    EXPECT_EQ(at(trees.last(), "name"), "children");
    EXPECT_EQ(at(first, "healthOutcomesRunOrder").toStringList(), (QStringList{"inf", "acute", "death"}));
    EXPECT_EQ(at(first, "healthOutcomes").toMap().keys(), (QStringList{"acute", "death", "inf"}));
    EXPECT_EQ(at(first, "healthOutcomes/acute/type"), "ACUTE");
    EXPECT_EQ(at(first, "healthOutcomes/acute/healthStates").toMap().keys(), (QStringList{"mild", "severe"}));
    EXPECT_EQ(at(first, "healthOutcomes/acute/healthStates/severe/name"), "Severe");
    EXPECT_TRUE(at(first, "healthOutcomes/death/healthStates").toMap().isEmpty());
    EXPECT_EQ(at(first, "transitions").toMap().size(), 3);
    EXPECT_EQ(at(first, "transitions/t1/source/id"), "infState");
    EXPECT_EQ(at(first, "transitions/t1/target/id"), "acute");
    EXPECT_FALSE(at(first, "transitions/t1/complementaryType").toBool());
    EXPECT_TRUE(at(first, "transitions/t3/complementaryType").toBool());
}
