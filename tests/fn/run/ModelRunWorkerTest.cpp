#include <gtest/gtest.h>

#include <QSignalSpy>

#include "fn/run/RunTestSupport.h"
#include "fn/run/ModelRunWorker.h"
#include "fn/model/RunControl.h"
#include "ut/Exception.h"

using namespace testing_support;

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

TEST(ModelRunWorker, AFailureIsThrownOrReported)
{
    ModelList list(2);
    for (const bool report : {false, true}) {
        // A formula of the second model that no parser accepts, as if it had slipped past the checks.
        fn::DataArray& cases = list.models[1]->getParameter(fn::DiseaseModel::NotifiedCases);
        QStringList formulas = cases.formulas();
        formulas[0] = "1 +";
        cases.setFormulas(formulas);
        fn::ModelRunWorker worker(50, 7, 0.0, list.models);
        worker.setReportFailures(report);
        QSignalSpy failed(&worker, &fn::ModelRunWorker::failed);
        QSignalSpy finished(&worker, &fn::ModelRunWorker::finished);
        if (!report) {
            EXPECT_THROW(worker.process(), ut::Exception);
            EXPECT_TRUE(finished.isEmpty());
            continue;
        }
        EXPECT_NO_THROW(worker.process());
        ASSERT_EQ(failed.size(), 1);
        const QString why = failed[0][0].toString();
        EXPECT_TRUE(why.contains("cannot be parsed")) << qPrintable(why);
        // Where: the cell and its formula, with the formula library's reason, and the model.
        EXPECT_TRUE(why.contains(": \"1 +\": Unexpected end of expression")) << qPrintable(why);
        EXPECT_TRUE(why.contains(QStringLiteral("in model \"%1\"").arg(list.models[1]->displayName())))
            << qPrintable(why);
        EXPECT_EQ(finished.size(), 1);
        EXPECT_FALSE(list.models[1]->isComputed());
    }
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
        for (int i = 0; i < 4; ++i) {
            EXPECT_FLOAT_EQ(progress[i][0].toFloat(), float(i) / 3.0f);
            EXPECT_EQ(progress[i][1].toInt(), i);
            EXPECT_EQ(progress[i][2].toInt(), 3);
            EXPECT_EQ(progress[i][3].toString(), list.models[std::size_t(std::min(i, 2))]->displayName());
        }
        EXPECT_EQ(finished.size(), 1);
    }
}
