#include <QFileInfo>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include "ui/shell/MainPageFixture.h"
#include "ut/Exception.h"

using namespace guitest;

namespace {

class RunSafetyTest : public guitest::MainPageFixture
{
protected:
    bool disabled(const QString& id)
    {
        return js(QStringLiteral("document.getElementById('%1').disabled").arg(id)).toBool();
    }
};

using RunSafetyAtSizeTest = AtWindowSizes<RunSafetyTest>;
INSTANTIATE_TEST_SUITE_P(WindowSizes, RunSafetyAtSizeTest, guitest::windowSizes, guitest::windowSizeName);

} // namespace

// Model changes and imports during a run crashed the program before: the page and the menus offer
// none of them, the controller refuses what arrives anyway, and the run can be cancelled.
TEST_P(RunSafetyAtSizeTest, ChangesDuringARunAreRefusedAndTheRunCanBeCancelled)
{
    ASSERT_NO_FATAL_FAILURE(openWindowAt(GetParam()));
    // Ten models of many samples: a run long enough to act during it; the test ends it.
    const QStringList fiveCountries = {country, "Belgium", "Bulgaria", "Croatia", "Cyprus"};
    ASSERT_NO_FATAL_FAILURE(createModels(fiveCountries, bsiDisease));
    ASSERT_NO_FATAL_FAILURE(createModels(fiveCountries, listeriosisDisease));
    onModel("openModel");
    ASSERT_TRUE(waitJs("ozmidPage.state.selectedModel !== null"));
    js("ozmidPage.showTab('setup'); ozmidPage.setNumSamples(20000);ozmidPage.runModels();");
    ASSERT_TRUE(waitJs("ozmidPage.state.running && ozmidPage.state.progress &&"
                       " ozmidPage.state.progress.modelFraction > 0"));
    ASSERT_TRUE(chief->isRunning());

    for (const char* id : {"createModelsButton", "deleteModelsButton", "applyModelChangesButton", "runModelsButton",
                           "numSamplesInput", "timeDiscountRateInput", "uncertaintyAnalysisInput"})
        EXPECT_TRUE(disabled(QLatin1String(id))) << id;
    EXPECT_FALSE(disabled("cancelRunButton"));
    for (const char* name :
         {"actLoadModels", "actSaveModels", "actImportExcelReferenceData", "actImportJSONReferenceData"})
        EXPECT_FALSE(action(name)->isEnabled()) << name;

    // Real clicks on the disabled buttons: delete twice (it asks for a second click), create.
    ASSERT_TRUE(click("#deleteModelsButton"));
    ASSERT_TRUE(click("#deleteModelsButton"));
    ASSERT_TRUE(click("#createModelsButton"));
    // The automation hook goes past the page's buttons to the program, as any other request would.
    js("ozmidPage.deleteModels(); ozmidPage.createModels();ozmidPage.applyModelChanges();");
    // The menu's imports and workbook loading, and a second run, as if they had been chosen.
    chief->importReferenceDataFromJSON();
    chief->importReferenceData();
    chief->loadModelsFromExcel(QFileInfo(base.filePath("models.xls")));
    chief->runModels(true);
    for (const char* title : {"Model deletion", "Model creation", "Model parameters", "JSON model specifications",
                              "Reference data import", "Model import"})
        EXPECT_TRUE(noticeShown(title, "while a run is in progress")) << title;
    EXPECT_TRUE(noticeShown("Model run", "already in progress"));
    EXPECT_EQ(chief->models().size(), 10u);
    ASSERT_TRUE(chief->isRunning()) << "the run ended before the test was done: make it longer";

    js("ozmidPage.showTab('run');");
    ASSERT_TRUE(click("#cancelRunButton"));
    ASSERT_TRUE(waitJs("!ozmidPage.state.running && ozmidPage.state.lastRunOutcome === 'cancelled'"));
    EXPECT_FALSE(chief->isRunning());
    EXPECT_FALSE(chief->models().back()->isComputed());
    EXPECT_TRUE(noticeShown("Model run", "The run was cancelled"));
    EXPECT_EQ(textOf("#runProgressLabel"), "Run cancelled.");
    EXPECT_TRUE(textOf("#resultsEmpty").contains("cancelled"));

    // Everything is back: the buttons, the menus, and deleting models.
    EXPECT_FALSE(disabled("deleteModelsButton"));
    EXPECT_FALSE(disabled("runModelsButton"));
    EXPECT_TRUE(action("actImportJSONReferenceData")->isEnabled());
    js("ozmidPage.deleteModels();");
    EXPECT_TRUE(waitFor([&] { return chief->models().empty(); }));
}

// The bar moves during a run, with the time left, and ends at 1. A model that fails in the run thread
// is reported and the shell goes on working; a direct run (the command line's) gets the exception.
TEST_F(RunSafetyTest, ProgressMovesAndAFailingRunIsReported)
{
    openWindow();
    ASSERT_NO_FATAL_FAILURE(createModelOf(bsiDisease));
    QSignalSpy detailed(chief.get(), &ui::Chief::runIterationProgressUpdated);
    js("ozmidPage.setNumSamples(30000); ozmidPage.runModels();");
    ASSERT_TRUE(waitJs("ozmidPage.state.running && ozmidPage.state.progress &&"
                       " ozmidPage.state.progress.modelFraction > 0"));
    const QVariantMap during = js("ozmidPage.state.progress").toMap();
    EXPECT_GT(pageText("document.getElementById('runProgressBar').dataset.fraction").toDouble(), 0.0);
    EXPECT_LT(during.value("modelFraction").toDouble(), 1.0);
    EXPECT_EQ(during.value("count").toInt(), 1);
    EXPECT_TRUE(waitJs("/left/.test(document.getElementById('runProgressDetail').textContent)"));
    ASSERT_TRUE(waitJs("ozmidPage.state.lastRunOutcome === 'finished'"));
    EXPECT_EQ(pageText("document.getElementById('runProgressBar').dataset.fraction"), "1");

    // The controller's reports grow with the iterations, from a part of the model to all of it.
    ASSERT_GE(detailed.size(), 2);
    double previous = 0.0;
    bool partway = false;
    for (const QList<QVariant>& report : detailed) {
        const QVariantMap progress = report.first().toMap();
        const double fraction = progress.value("fraction").toDouble();
        EXPECT_GE(fraction, previous);
        previous = fraction;
        partway = partway || (fraction > 0.0 && fraction < 1.0);
        EXPECT_EQ(progress.value("iterationsTotal").toULongLong(),
                  30000ull * std::uint64_t(chief->models().front()->outcomeTreeCount()));
    }
    EXPECT_TRUE(partway);

    fn::DataArray& cases = chief->models().front()->getParameter(fn::DiseaseModel::NotifiedCases);
    QStringList formulas = cases.formulas();
    formulas[0] = "1 +";
    // Past the formula check of the page's edits: a parameter that cannot be parsed.
    cases.setFormulas(formulas);
    js("ozmidPage.setNumSamples(100); ozmidPage.runModels();");
    ASSERT_TRUE(waitJs("ozmidPage.state.lastRunOutcome === 'failed'"));
    EXPECT_FALSE(chief->isRunning());
    EXPECT_TRUE(noticeShown("Model run", "The run failed: "));
    EXPECT_TRUE(noticeShown("Model run", "cannot be parsed"));
    EXPECT_TRUE(textOf("#runProgressLabel").startsWith("Run failed: "));
    EXPECT_FALSE(disabled("runModelsButton"));

    // A formula that failed is replaced by "0": the direct run gets one of its own.
    cases.setFormulas(formulas);
    try {
        chief->runModels(false);
        ADD_FAILURE() << "a direct run of a failing model returned normally";
    } catch (const ut::Exception& e) {
        EXPECT_EQ(e.message(), "Problem occured while running calculations");
        EXPECT_EQ(e.place(), "ui::Chief::runModels");
    }
    EXPECT_FALSE(chief->isRunning());
    js("ozmidPage.deleteModels();");
    EXPECT_TRUE(waitFor([&] { return chief->models().empty(); }));
}
