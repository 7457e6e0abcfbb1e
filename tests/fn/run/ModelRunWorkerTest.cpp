#include <gtest/gtest.h>

#include <QSignalSpy>

#include "fn/run/RunTestSupport.h"
#include "fn/run/ModelRunWorker.h"
#include "fn/model/RunControl.h"
#include "ut/Exception.h"

using namespace testing_support;

namespace {

// A formula of the second model that no parser accepts, as if it had slipped past the checks.
void breakSecondModel(ModelList& list)
{
    fn::DataArray& cases = list.models[1]->getParameter(fn::DiseaseModel::NotifiedCases);
    QStringList formulas = cases.formulas();
    formulas[0] = "1 +";
    cases.setFormulas(formulas);
}

} // namespace

// A cancelled run reports no completion: the models reached stay as they were, and the
// signals say the run was cancelled before it finished.
TEST(ModelRunWorker, ACancelledRunSaysSoInsteadOfReportingCompletion)
{
    ModelList list(2);
    fn::RunControl control;
    control.cancel();
    fn::ModelRunWorker worker(200, 7, 0.0, list.models);
    worker.setRunControl(&control);
    QSignalSpy progress(&worker, &fn::ModelRunWorker::progressInfo);
    QSignalSpy cancelled(&worker, &fn::ModelRunWorker::cancelled);
    QSignalSpy finished(&worker, &fn::ModelRunWorker::finished);
    worker.process();
    EXPECT_EQ(cancelled.size(), 1);
    EXPECT_EQ(finished.size(), 1);
    // Only the announcement of the first model: no final report of 1.
    ASSERT_EQ(progress.size(), 1);
    EXPECT_EQ(progress[0][1].toInt(), 0);
    EXPECT_FALSE(list.models[0]->isComputed());
    EXPECT_FALSE(list.models[1]->isComputed());

    // Without a cancellation the same worker reports completion and no cancellation.
    fn::RunControl running;
    fn::ModelRunWorker again(200, 7, 0.0, list.models);
    again.setRunControl(&running);
    QSignalSpy againCancelled(&again, &fn::ModelRunWorker::cancelled);
    QSignalSpy againProgress(&again, &fn::ModelRunWorker::progressInfo);
    again.process();
    EXPECT_TRUE(againCancelled.isEmpty());
    ASSERT_FALSE(againProgress.isEmpty());
    EXPECT_FLOAT_EQ(againProgress.last()[0].toFloat(), 1.0f);
    EXPECT_EQ(running.iterationsDone(),
              200u * std::uint64_t(list.models[0]->outcomeTreeCount() + list.models[1]->outcomeTreeCount()));
}

// A failing model is thrown to a direct caller; a run that reports its failures says why
// instead, and still finishes.
TEST(ModelRunWorker, AFailureIsThrownOrReported)
{
    ModelList list(2);
    breakSecondModel(list);
    fn::ModelRunWorker thrower(50, 7, 0.0, list.models);
    QSignalSpy thrownFinished(&thrower, &fn::ModelRunWorker::finished);
    EXPECT_THROW(thrower.process(), ut::Exception);
    EXPECT_TRUE(thrownFinished.isEmpty());

    breakSecondModel(list);
    fn::ModelRunWorker reporter(50, 7, 0.0, list.models);
    reporter.setReportFailures(true);
    QSignalSpy failed(&reporter, &fn::ModelRunWorker::failed);
    QSignalSpy finished(&reporter, &fn::ModelRunWorker::finished);
    EXPECT_NO_THROW(reporter.process());
    ASSERT_EQ(failed.size(), 1);
    EXPECT_TRUE(failed[0][0].toString().contains("cannot be parsed")) << qPrintable(failed[0][0].toString());
    // Where: the cell and its formula, with the formula library's reason, and the model.
    EXPECT_TRUE(failed[0][0].toString().contains(": \"1 +\": Unexpected end of expression"))
        << qPrintable(failed[0][0].toString());
    EXPECT_TRUE(failed[0][0].toString().contains(QStringLiteral("in model \"%1\"").arg(list.models[1]->displayName())))
        << qPrintable(failed[0][0].toString());
    EXPECT_EQ(finished.size(), 1);
    EXPECT_FALSE(list.models[1]->isComputed());
}

TEST(ModelRunWorker, ReportsProgressInListOrderWhateverTheThreads)
{
    ModelList list(3);
    for (const int threads : {1, 3}) {
        fn::ModelRunWorker worker(40, 42, 0.0, list.models);
        worker.setThreadCount(threads);
        QSignalSpy progress(&worker, &fn::ModelRunWorker::progressInfo);
        QSignalSpy finished(&worker, &fn::ModelRunWorker::finished);
        worker.process();
        ASSERT_EQ(progress.size(), 4);
        const QStringList names = {list.models[0]->displayName(), list.models[1]->displayName(),
                                   list.models[2]->displayName(), list.models[2]->displayName()};
        for (int i = 0; i < 4; ++i) {
            EXPECT_FLOAT_EQ(progress[i][0].toFloat(), float(i) / 3.0f);
            EXPECT_EQ(progress[i][1].toInt(), i);
            EXPECT_EQ(progress[i][2].toInt(), 3);
            EXPECT_EQ(progress[i][3].toString(), names[i]);
        }
        EXPECT_EQ(finished.size(), 1);
    }
}
