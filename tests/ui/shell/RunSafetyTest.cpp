#include <QAction>
#include <QFileInfo>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include "ui/shell/MainPageFixture.h"
#include "ut/Exception.h"

namespace {

const QStringList fiveCountries = {guitest::country, QStringLiteral("Belgium"), QStringLiteral("Bulgaria"),
                                   QStringLiteral("Croatia"), QStringLiteral("Cyprus")};

class RunSafetyTest : public guitest::MainPageFixture
{
protected:
    // Ten models of many samples: a run long enough to act during it; the tests end it.
    void startLongRun()
    {
        ASSERT_NO_FATAL_FAILURE(createModels(fiveCountries, guitest::bsiDisease));
        ASSERT_NO_FATAL_FAILURE(createModels(fiveCountries, guitest::listeriosisDisease));
        ASSERT_EQ(chief->models().size(), 10u);
        onModel("openModel");
        ASSERT_TRUE(guitest::waitForScript(page, QStringLiteral("ozmidPage.state.selectedModel !== null")));
        guitest::runJavaScript(page,
                               QStringLiteral("ozmidPage.showTab('setup'); ozmidPage.setNumSamples(20000);"
                                              "ozmidPage.runModels();"));
        ASSERT_TRUE(guitest::waitForScript(page,
                                           QStringLiteral("ozmidPage.state.running && ozmidPage.state.progress &&"
                                                          " ozmidPage.state.progress.modelFraction > 0")));
        ASSERT_TRUE(chief->isRunning());
    }

    bool disabled(const QString& id)
    {
        return guitest::runJavaScript(page, QStringLiteral("document.getElementById('%1').disabled").arg(id)).toBool();
    }

    const QString refusal = QStringLiteral("while a run is in progress");
};

class RunSafetyAtSizeTest : public RunSafetyTest, public ::testing::WithParamInterface<QSize>
{
};

INSTANTIATE_TEST_SUITE_P(WindowSizes, RunSafetyAtSizeTest, guitest::windowSizes, guitest::windowSizeName);

} // namespace

// What crashed the program before: deleting and creating models (by mouse and through the
// page's automation hook), applying edits and importing reference data while the run thread
// works on the models. The page and the menus offer none of it during a run, the controller
// refuses what arrives anyway, and the run can be cancelled; afterwards all works again.
TEST_P(RunSafetyAtSizeTest, ChangesDuringARunAreRefusedAndTheRunCanBeCancelled)
{
    ASSERT_NO_FATAL_FAILURE(openWindowAt(GetParam()));
    ASSERT_NO_FATAL_FAILURE(startLongRun());

    for (const char* id : {"createModelsButton", "deleteModelsButton", "applyModelChangesButton", "runModelsButton",
                           "numSamplesInput", "timeDiscountRateInput", "uncertaintyAnalysisInput"})
        EXPECT_TRUE(disabled(QLatin1String(id))) << id;
    EXPECT_FALSE(disabled(QStringLiteral("cancelRunButton")));
    for (const char* name :
         {"actLoadModels", "actSaveModels", "actImportExcelReferenceData", "actImportJSONReferenceData"})
        EXPECT_FALSE(action(name)->isEnabled()) << name;

    // Real clicks on the disabled buttons: delete twice (it asks for a second click), create.
    ASSERT_TRUE(guitest::clickElement(window->webView(), QStringLiteral("#deleteModelsButton")));
    ASSERT_TRUE(guitest::clickElement(window->webView(), QStringLiteral("#deleteModelsButton")));
    ASSERT_TRUE(guitest::clickElement(window->webView(), QStringLiteral("#createModelsButton")));
    // The automation hook goes past the page's buttons to the program, as any other request would.
    guitest::runJavaScript(page,
                           QStringLiteral("ozmidPage.deleteModels(); ozmidPage.createModels();"
                                          "ozmidPage.applyModelChanges();"));
    EXPECT_TRUE(noticeShown(QStringLiteral("Model deletion"), refusal));
    EXPECT_TRUE(noticeShown(QStringLiteral("Model creation"), refusal));
    EXPECT_TRUE(noticeShown(QStringLiteral("Model parameters"), refusal));
    // The menu's imports and workbook loading, and a second run, as if they had been chosen.
    chief->importReferenceDataFromJSON();
    chief->importReferenceData();
    chief->loadModelsFromExcel(QFileInfo(QDir(base.path()).filePath(QStringLiteral("models.xls"))));
    chief->runModels(true);
    EXPECT_TRUE(noticeShown(QStringLiteral("JSON model specifications"), refusal));
    EXPECT_TRUE(noticeShown(QStringLiteral("Reference data import"), refusal));
    EXPECT_TRUE(noticeShown(QStringLiteral("Model import"), refusal));
    EXPECT_TRUE(noticeShown(QStringLiteral("Model run"), QStringLiteral("already in progress")));
    EXPECT_EQ(chief->models().size(), 10u);
    ASSERT_TRUE(chief->isRunning()) << "the run ended before the test was done: make it longer";

    guitest::runJavaScript(page, QStringLiteral("ozmidPage.showTab('run');"));
    ASSERT_TRUE(guitest::clickElement(window->webView(), QStringLiteral("#cancelRunButton")));
    ASSERT_TRUE(guitest::waitForScript(page,
                                       QStringLiteral("!ozmidPage.state.running && "
                                                      "ozmidPage.state.lastRunOutcome === 'cancelled'")));
    EXPECT_FALSE(chief->isRunning());
    EXPECT_FALSE(chief->models().back()->isComputed());
    EXPECT_TRUE(noticeShown(QStringLiteral("Model run"), QStringLiteral("The run was cancelled")));
    EXPECT_EQ(pageText(QStringLiteral("document.getElementById('runProgressLabel').textContent")),
              QStringLiteral("Run cancelled."));
    EXPECT_TRUE(pageText(QStringLiteral("document.getElementById('resultsEmpty').textContent"))
                    .contains(QStringLiteral("cancelled")));

    // Everything is back: the buttons, the menus, and deleting models.
    EXPECT_FALSE(disabled(QStringLiteral("deleteModelsButton")));
    EXPECT_FALSE(disabled(QStringLiteral("runModelsButton")));
    EXPECT_TRUE(action("actImportJSONReferenceData")->isEnabled());
    guitest::runJavaScript(page, QStringLiteral("ozmidPage.deleteModels();"));
    EXPECT_TRUE(guitest::waitFor([&] { return chief->models().empty(); }));
}

// A single model's run moves the bar while it runs, says how far the model is and how long
// is left, and ends at 1 with the results shown. A model that fails in the run thread no longer
// ends the program: the page says why, and the shell goes on working. A command-line run still
// gets the exception.
TEST_F(RunSafetyTest, ProgressMovesAndAFailingRunIsReported)
{
    openWindow();
    ASSERT_NO_FATAL_FAILURE(createModelOf(guitest::bsiDisease));
    QSignalSpy detailed(chief.get(), &ui::Chief::runIterationProgressUpdated);
    guitest::runJavaScript(page, QStringLiteral("ozmidPage.setNumSamples(30000); ozmidPage.runModels();"));
    ASSERT_TRUE(guitest::waitForScript(page,
                                       QStringLiteral("ozmidPage.state.running && ozmidPage.state.progress &&"
                                                      " ozmidPage.state.progress.modelFraction > 0")));
    const QVariantMap during = guitest::runJavaScript(page, QStringLiteral("ozmidPage.state.progress")).toMap();
    const double bar =
        pageText(QStringLiteral("document.getElementById('runProgressBar').dataset.fraction")).toDouble();
    EXPECT_GT(bar, 0.0);
    EXPECT_LT(during.value(QStringLiteral("modelFraction")).toDouble(), 1.0);
    EXPECT_EQ(during.value(QStringLiteral("count")).toInt(), 1);
    EXPECT_TRUE(guitest::waitForScript(page,
                                       QStringLiteral("/left/.test(document.getElementById('runProgressDetail')"
                                                      ".textContent)")));
    ASSERT_TRUE(guitest::waitForScript(page, QStringLiteral("ozmidPage.state.lastRunOutcome === 'finished'")));
    EXPECT_EQ(pageText(QStringLiteral("document.getElementById('runProgressBar').dataset.fraction")),
              QStringLiteral("1"));

    // The controller's reports grow with the iterations, from a part of the model to all of it.
    ASSERT_GE(detailed.size(), 2);
    double previous = 0.0;
    bool partway = false;
    for (const QList<QVariant>& report : detailed) {
        const QVariantMap progress = report.first().toMap();
        const double fraction = progress.value(QStringLiteral("fraction")).toDouble();
        EXPECT_GE(fraction, previous);
        previous = fraction;
        partway = partway || (fraction > 0.0 && fraction < 1.0);
        EXPECT_EQ(progress.value(QStringLiteral("iterationsTotal")).toULongLong(),
                  30000ull * std::uint64_t(chief->models().front()->outcomeTreeCount()));
    }
    EXPECT_TRUE(partway);

    fn::DataArray& cases = chief->models().front()->getParameter(fn::DiseaseModel::NotifiedCases);
    QStringList formulas = cases.formulas();
    formulas[0] = QStringLiteral("1 +");
    // Past the formula check of the page's edits: a parameter that cannot be parsed.
    cases.setFormulas(formulas);
    guitest::runJavaScript(page, QStringLiteral("ozmidPage.setNumSamples(100); ozmidPage.runModels();"));
    ASSERT_TRUE(guitest::waitForScript(page, QStringLiteral("ozmidPage.state.lastRunOutcome === 'failed'")));
    EXPECT_FALSE(chief->isRunning());
    EXPECT_TRUE(noticeShown(QStringLiteral("Model run"), QStringLiteral("The run failed: ")));
    EXPECT_TRUE(noticeShown(QStringLiteral("Model run"), QStringLiteral("cannot be parsed")));
    EXPECT_TRUE(pageText(QStringLiteral("document.getElementById('runProgressLabel').textContent"))
                    .startsWith(QStringLiteral("Run failed: ")));
    EXPECT_FALSE(disabled(QStringLiteral("runModelsButton")));

    // A formula that failed is replaced by "0": the direct run gets one of its own.
    cases.setFormulas(formulas);
    try {
        chief->runModels(false);
        ADD_FAILURE() << "a direct run of a failing model returned normally";
    } catch (const ut::Exception& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Problem occured while running calculations"));
        EXPECT_EQ(e.place(), QStringLiteral("ui::Chief::runModels"));
    }
    EXPECT_FALSE(chief->isRunning());
    guitest::runJavaScript(page, QStringLiteral("ozmidPage.deleteModels();"));
    EXPECT_TRUE(guitest::waitFor([&] { return chief->models().empty(); }));
}
