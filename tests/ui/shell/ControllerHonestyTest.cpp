#include <memory>

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "ui/shell/GuiTestSupport.h"
#include "fn/model/RunControl.h"
#include "ui/Chief.h"
#include "ui/shell/presenters/DataPresenter.h"
#include "ui/ModelRegistry.h"
#include "ui/ParameterExchange.h"
#include "ui/run/RunProgressMonitor.h"
#include "ui/shell/WebGUI.h"

namespace {

// The controller on the sample base folder: the shipped specifications and the population of
// one country (guitest::country); every other country has none.
class ControllerHonestyTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(base.isValid());
        previousDirectory = QDir::currentPath();
        QDir::setCurrent(base.path());
        ASSERT_TRUE(guitest::prepareBaseFolder(base.path()));
        chief = std::make_unique<ui::Chief>();
        chief->setBasePath(base.path());
        // The shell opens the detail pop-ups the controller asks for.
        webGUI = std::make_unique<ui::WebGUI>();
        webGUI->setChief(chief.get());
    }

    void TearDown() override
    {
        chief->presenterMgr().closeAll();
        EXPECT_TRUE(guitest::waitFor([this] { return chief->presenterMgr().count() == 0; }));
        webGUI.reset();
        chief.reset();
        QDir::setCurrent(previousDirectory);
    }

    void create(const QStringList& countries)
    {
        chief->changeCountrySelection(countries);
        chief->changeDiseaseSelection({guitest::bsiDisease});
        chief->createModels();
    }

    // Every model of the list is found under its own key.
    bool everyModelFound() const
    {
        for (const auto& model : chief->models()) {
            if (chief->getModel(model->countryId(), model->diseaseId(), model->modelId()) != model.get())
                return false;
        }
        return true;
    }

    QVariantMap modelInfo(const fn::DiseaseModel& model) const
    {
        return {{QStringLiteral("countryID"), model.countryId()},
                {QStringLiteral("diseaseID"), model.diseaseId()},
                {QStringLiteral("modelID"), model.modelId()}};
    }

    QTemporaryDir base;
    QString previousDirectory;
    std::unique_ptr<ui::Chief> chief;
    std::unique_ptr<ui::WebGUI> webGUI;
};

} // namespace

// Generated ids skip every id handed out, loaded ones included, so that creating models after
// loading a workbook neither loses a model nor miscounts; loading the same models again and
// again never replaces one. A requested id keeps its single "_2".
TEST_F(ControllerHonestyTest, ModelIdsStayUniqueAcrossLoadsAndCreations)
{
    fn::DiseaseModelList list;
    ui::ModelRegistry registry(list);
    EXPECT_EQ(registry.makeModelId(QStringLiteral("model 2")), QStringLiteral("model 2"));
    EXPECT_EQ(registry.makeModelId(QString()), QStringLiteral("model 1"));
    EXPECT_EQ(registry.makeModelId(QString()), QStringLiteral("model 3"));
    EXPECT_EQ(registry.makeModelId(QStringLiteral("x")), QStringLiteral("x"));
    EXPECT_EQ(registry.makeModelId(QStringLiteral("x")), QStringLiteral("x_2"));
    EXPECT_EQ(registry.makeModelId(QStringLiteral("x")), QStringLiteral("x_2"));
    registry.clear();
    EXPECT_EQ(registry.makeModelId(QString()), QStringLiteral("model 1"));

    create({guitest::country});
    create({guitest::country});
    const QString workbook = base.filePath(QStringLiteral("saved.xls"));
    chief->saveModelsToExcel(QFileInfo(workbook));
    ASSERT_TRUE(QFileInfo::exists(workbook));
    chief->deleteModels();
    chief->loadModelsFromExcel(QFileInfo(workbook));
    ASSERT_EQ(chief->models().size(), 2u);

    QSignalSpy messages(chief.get(), &ui::Chief::showMessage);
    create({guitest::country});
    ASSERT_EQ(chief->models().size(), 3u);
    EXPECT_EQ(chief->models().back()->modelId(), QStringLiteral("model 3"));
    EXPECT_EQ(messages.last().at(1).toString(),
              QStringLiteral("1 new model(s) created.<br />Total number of models defined: 3."));

    chief->loadModelsFromExcel(QFileInfo(workbook));
    chief->loadModelsFromExcel(QFileInfo(workbook));
    ASSERT_EQ(chief->models().size(), 7u);
    QStringList ids;
    for (const auto& model : chief->models())
        ids << model->modelId();
    EXPECT_EQ(ids,
              (QStringList{"model 1", "model 2", "model 3", "model 1_2", "model 2_2", "model 1_2_2", "model 2_2_2"}));
    EXPECT_TRUE(everyModelFound());
}

// Results computed before a model's parameters changed are marked: the page is told once per
// model, pop-ups open without them, and the next run makes them current again.
TEST_F(ControllerHonestyTest, EditsAfterARunMarkTheResultsOutOfDate)
{
    create({guitest::country});
    fn::DiseaseModel& model = *chief->models().front();
    QSignalSpy outdated(chief.get(), &ui::Chief::resultsOutdated);

    fn::HealthState& state = model.getOutcomeTree(0).getHealthState(0);
    QVariantMap info = modelInfo(model);
    info.insert(QStringLiteral("outcomeTreeID"), model.getOutcomeTree(0).id());
    info.insert(QStringLiteral("outcomeTreeNodeID"), state.id());
    const auto applyYld = [&](bool edited) {
        fn::DataArray severity = state.severity();
        if (edited) {
            QStringList formulas = severity.formulas();
            formulas[0] = formulas[0] == QStringLiteral("0.5") ? QStringLiteral("0.25") : QStringLiteral("0.5");
            severity.setFormulas(formulas);
        }
        chief->applyChangesToYLDParams(info, ui::dataArrayToMap(severity), ui::dataArrayToMap(state.duration()),
                                       ui::dataArrayToMap(state.proportion()));
    };
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
    EXPECT_EQ(outdated[0][0].toList().value(0).toMap().value(QStringLiteral("modelID")).toString(), model.modelId());
    EXPECT_TRUE(model.isComputed());
    EXPECT_FALSE(chief->hasCurrentResults(model));
    applyYld(true);
    EXPECT_EQ(outdated.size(), 1);

    // The element's window shows the parameters, not results that no longer belong to them.
    chief->showOutcomeTreeElementDetails(model.getOutcomeTree(0).id(), QStringLiteral("symptomatic"), state.id(),
                                         model.countryId(), model.diseaseId(), model.modelId());
    ASSERT_EQ(chief->presenterMgr().count(), 1);
    EXPECT_FALSE(qobject_cast<ui::DataPresenter*>(
                     chief->presenterMgr().presenter(model.modelId(), model.getOutcomeTree(0).id(), state.id()))
                     ->webData()
                     .data()
                     .value(QStringLiteral("ResultsAvailable"))
                     .toBool());

    chief->runModels(false);
    EXPECT_TRUE(chief->hasCurrentResults(model));
    // The model's own tables count as well: applying them re-initialises the model.
    const auto table = [&](int type) { return ui::dataArrayToMap(model.getParameter(type)); };
    chief->applyChangesToModelParams(info, 0, table(5), table(6), table(7), table(1), table(3), table(2));
    EXPECT_EQ(outdated.size(), 2);
    EXPECT_FALSE(chief->hasCurrentResults(model));
}

// Countries without population data are known as such; creating their models warns, beside
// the usual report, which stays as it is.
TEST_F(ControllerHonestyTest, ModelsOfCountriesWithoutPopulationAreWarnedAbout)
{
    const QVariantList countries = chief->populationCheck().countries();
    QMap<QString, bool> hasData;
    for (const QVariant& entry : countries)
        hasData.insert(entry.toMap().value(QStringLiteral("id")).toString(),
                       entry.toMap().value(QStringLiteral("hasPopulationData")).toBool());
    EXPECT_TRUE(hasData.value(guitest::country));
    ASSERT_TRUE(hasData.contains(QStringLiteral("Belgium")));
    EXPECT_FALSE(hasData.value(QStringLiteral("Belgium")));
    EXPECT_EQ(chief->populationCheck().countriesWithPopulationData(), 1);

    QSignalSpy messages(chief.get(), &ui::Chief::showMessage);
    QSignalSpy notices(chief.get(), &ui::Chief::notice);
    create({guitest::country});
    EXPECT_EQ(messages.size(), 1);
    EXPECT_TRUE(notices.isEmpty());
    create({QStringLiteral("Belgium"), QStringLiteral("Bulgaria"), guitest::country});
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(messages[1].at(1).toString(),
              QStringLiteral("3 new model(s) created.<br />Total number of models defined: 4."));
    ASSERT_EQ(notices.size(), 1);
    EXPECT_EQ(notices[0].at(0).toString(), QStringLiteral("Model creation"));
    EXPECT_EQ(notices[0].at(2).toString(), QStringLiteral("warning"));
    const QString warning = notices[0].at(1).toString();
    EXPECT_TRUE(warning.contains(QStringLiteral("Belgium, Bulgaria"))) << qPrintable(warning);
    EXPECT_FALSE(warning.contains(guitest::country));
    EXPECT_TRUE(warning.contains(QStringLiteral("2 of the new models")));
}

// The options' values are taken at once; fewer than 9 samples are run with a warning about the
// intervals (the page keeps out counts that are not whole positive numbers).
TEST_F(ControllerHonestyTest, OptionsAreTakenAtOnceAndFewSamplesWarned)
{
    // The Run tab holds 20 000 samples; the dialog changed only the rate: the samples stay.
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

    create({guitest::country});
    QSignalSpy messages(chief.get(), &ui::Chief::showMessage);
    QSignalSpy notices(chief.get(), &ui::Chief::notice);
    chief->setNumSamples(8);
    chief->runModels(false);
    ASSERT_EQ(notices.size(), 1);
    EXPECT_TRUE(notices[0].at(1).toString().contains(QStringLiteral("quantiles are not estimated")));
    notices.clear();
    chief->setNumSamples(9);
    chief->runModels(false);
    EXPECT_TRUE(notices.isEmpty());
    EXPECT_TRUE(messages.isEmpty());
}

// The refusal report keeps its fixed wording; the reasons come in a signal of their own, with the
// table, the cell, the formula and the parser's reason.
TEST_F(ControllerHonestyTest, RefusedFormulasAreExplained)
{
    create({guitest::country});
    fn::DiseaseModel& model = *chief->models().front();
    const auto table = [&](int type) { return ui::dataArrayToMap(model.getParameter(type)); };
    QVariantMap lifeExpectancy = table(fn::DiseaseModel::LifeExpectancy);
    QVariantList rows = lifeExpectancy.value(QStringLiteral("stratified")).toList();
    QVariantMap row = rows[1].toMap();
    row.insert(QStringLiteral("Male"), QStringLiteral("RandPert(1, 2)"));
    rows[1] = row;
    row = rows[2].toMap();
    row.insert(QStringLiteral("Female"), QString());
    rows[2] = row;
    lifeExpectancy.insert(QStringLiteral("stratified"), rows);

    QSignalSpy messages(chief.get(), &ui::Chief::showMessage);
    QSignalSpy explained(chief.get(), &ui::Chief::formulaErrorsExplained);
    chief->applyChangesToModelParams(modelInfo(model), 0, table(5), table(6), table(7), table(1), lifeExpectancy,
                                     table(2));
    EXPECT_EQ(messages.size(), 2);
    ASSERT_EQ(explained.size(), 1);
    EXPECT_EQ(explained[0][0].toString(), QStringLiteral("model"));
    EXPECT_EQ(explained[0][1].toString(), QStringLiteral("Model parameters"));
    const QString text = explained[0][2].toString();
    EXPECT_TRUE(text.contains(QStringLiteral("Life expectancy, 5-9, Male: &quot;RandPert(1, 2)&quot; is refused: ")))
        << qPrintable(text);
    EXPECT_TRUE(text.contains(QStringLiteral("Life expectancy, 10-14, Female: (empty) is refused: ")))
        << qPrintable(text);

    // An edit that passes explains nothing.
    explained.clear();
    chief->applyChangesToModelParams(modelInfo(model), 0, table(5), table(6), table(7), table(1), table(3), table(2));
    EXPECT_TRUE(explained.isEmpty());
}

// A threaded run cancelled at once ends without results and frees the models again.
TEST_F(ControllerHonestyTest, ACancelledRunAnnouncesNoResults)
{
    create({guitest::country, guitest::country});
    QSignalSpy running(chief.get(), &ui::Chief::runningChanged);
    QSignalSpy cancelled(chief.get(), &ui::Chief::runCancelled);
    QSignalSpy finished(chief.get(), &ui::Chief::runFinished);
    QSignalSpy aggregated(chief.get(), &ui::Chief::aggregatedResultsAvailable);
    chief->setNumSamples(20000);
    chief->runModels(true);
    EXPECT_TRUE(chief->isRunning());
    chief->cancelRun();
    ASSERT_TRUE(guitest::waitFor([&] { return !cancelled.isEmpty(); }));
    EXPECT_FALSE(chief->isRunning());
    EXPECT_TRUE(finished.isEmpty());
    EXPECT_TRUE(aggregated.isEmpty());
    ASSERT_EQ(running.size(), 2);
    EXPECT_TRUE(running[0][0].toBool());
    EXPECT_FALSE(running[1][0].toBool());
    EXPECT_FALSE(chief->models().back()->isComputed());

    chief->setNumSamples(20);
    chief->runModels(true);
    ASSERT_TRUE(guitest::waitFor([&] { return !finished.isEmpty(); }));
    EXPECT_TRUE(chief->models().back()->isComputed());

    // Cancelled again: the count is of this run's models only, and the earlier results of the
    // models it did not reach are out of date.
    QSignalSpy messages(chief.get(), &ui::Chief::notice);
    QSignalSpy outdated(chief.get(), &ui::Chief::resultsOutdated);
    cancelled.clear();
    chief->setNumSamples(20000);
    chief->runModels(true);
    chief->cancelRun();
    ASSERT_TRUE(guitest::waitFor([&] { return !cancelled.isEmpty(); }));
    int computed = 0;
    for (const auto& model : chief->models())
        computed += model->isComputed() ? 1 : 0;
    ASSERT_LT(computed, 2);
    ASSERT_FALSE(messages.isEmpty());
    EXPECT_TRUE(messages.last()[1].toString().contains(QStringLiteral("%1 of 2 model(s) computed").arg(computed)))
        << qPrintable(messages.last()[1].toString());
    ASSERT_EQ(outdated.size(), 1);
    EXPECT_EQ(outdated[0][0].toList().size(), 2 - computed);
}

// The monitor turns the iterations done into the fraction of the model being run and of the
// whole run.
TEST(RunProgressMonitor, FollowsTheIterationsOfTheRun)
{
    fn::RunControl control;
    ui::RunProgressMonitor monitor;
    monitor.start(&control, {100, 300});
    control.addIterations(50);
    monitor.modelReached(0, QStringLiteral("first"));
    QVariantMap p = monitor.progress();
    EXPECT_EQ(p.value(QStringLiteral("modelIndex")).toInt(), 0);
    EXPECT_EQ(p.value(QStringLiteral("modelCount")).toInt(), 2);
    EXPECT_DOUBLE_EQ(p.value(QStringLiteral("modelFraction")).toDouble(), 0.5);
    EXPECT_DOUBLE_EQ(p.value(QStringLiteral("fraction")).toDouble(), 50.0 / 400.0);
    EXPECT_EQ(p.value(QStringLiteral("iterationsTotal")).toULongLong(), 400u);
    // Under a second of running, the time left is not guessed.
    EXPECT_DOUBLE_EQ(p.value(QStringLiteral("secondsLeft")).toDouble(), -1.0);

    // The second model's own share, models running side by side counting towards it.
    control.addIterations(125);
    monitor.modelReached(1, QStringLiteral("second"));
    p = monitor.progress();
    EXPECT_EQ(p.value(QStringLiteral("modelName")).toString(), QStringLiteral("second"));
    EXPECT_DOUBLE_EQ(p.value(QStringLiteral("modelFraction")).toDouble(), 75.0 / 300.0);
    EXPECT_DOUBLE_EQ(p.value(QStringLiteral("fraction")).toDouble(), 175.0 / 400.0);

    control.addIterations(225);
    monitor.modelReached(2, QStringLiteral("second"));
    p = monitor.progress();
    EXPECT_DOUBLE_EQ(p.value(QStringLiteral("modelFraction")).toDouble(), 1.0);
    EXPECT_DOUBLE_EQ(p.value(QStringLiteral("fraction")).toDouble(), 1.0);
    monitor.stop();
    EXPECT_FALSE(monitor.isActive());
}
