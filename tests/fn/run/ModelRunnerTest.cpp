#include <algorithm>
#include <cmath>
#include <numeric>

#include <gtest/gtest.h>

#include "fn/run/RunTestSupport.h"
#include "fn/model/ResultsBuilder.h"
#include "fn/run/ModelRunner.h"
#include "fn/model/ResultsComputer.h"
#include "fn/model/RunControl.h"
#include "fn/stats/SampleBuffer.h"
#include "fn/values/random/RandomFunctions.h"
#include "ut/Exception.h"

using namespace testing_support;

namespace {

struct Outcome
{
    QList<QByteArray> models;
    QByteArray aggregate;
    std::uint32_t nextDraw;
};

// Without threads every model in turn on the process engine: the reference.
Outcome runModels(fn::DiseaseModelList& models, std::uint32_t seed, std::uint32_t iterations, int threads = 0)
{
    fn::processRandomEngine().seed(5489);
    fn::ResultsComputer computer(models);
    computer.prepare(iterations);
    if (threads == 0) {
        for (const auto& model : models) {
            fn::seedIfNonZero(seed);
            int tree = 0;
            model->run(iterations, 0.03, tree);
            computer.addModel(*model);
            model->releaseRunRecord();
        }
    } else {
        // Iterations, discount rate, seed, seeding, threads.
        fn::ModelRunner runner(models, {iterations, 0.03, seed, {}, threads});
        runner.setResultsComputer(&computer);
        int next = 0;
        runner.setDoneHandler([&](int index) { EXPECT_EQ(index, next++); });
        EXPECT_TRUE(runner.run());
        EXPECT_EQ(next, int(models.size()));
    }
    Outcome outcome;
    for (const auto& model : models) {
        EXPECT_TRUE(model->isComputed());
        EXPECT_EQ(model->runRecord(), nullptr);
        outcome.models << json(model->results()) + json(model->totalResults());
    }
    computer.compute();
    outcome.aggregate = json(computer.aggregatedResults());
    outcome.nextDraw = fn::processRandomEngine()();
    return outcome;
}

void expectSameResults(const Outcome& outcome, const Outcome& reference)
{
    ASSERT_EQ(outcome.models.size(), reference.models.size());
    for (int i = 0; i < reference.models.size(); ++i)
        EXPECT_TRUE(outcome.models[i] == reference.models[i]) << "model " << i + 1;
    EXPECT_TRUE(outcome.aggregate == reference.aggregate);
}

// The results tasks of one model fail as soon as they start, as running out of memory would.
class RunnerWithFailingResults : public fn::ModelRunner
{
public:
    RunnerWithFailingResults(fn::DiseaseModelList& models, const Settings& settings, int failing)
        : ModelRunner(models, settings)
        , m_failing(failing)
    {
    }

protected:
    void runResultsTask(fn::ResultsBuilder& builder, int index, int task) override
    {
        if (index == m_failing)
            throw std::bad_alloc();
        ModelRunner::runResultsTask(builder, index, task);
    }

private:
    int m_failing;
};

} // namespace

TEST(ModelRunner, EveryThreadCountGivesTheNumbersOfARunOneModelAfterTheOther)
{
    // Seven models keep every thread busy with whole models; two leave threads over, which
    // then build the statistics of a model while it runs.
    for (const int count : {7, 2}) {
        ModelList list(count);
        for (const std::uint32_t seed : {42u, 0u}) {
            for (const std::uint32_t iterations : {1u, 9u, 120u}) {
                const Outcome reference = runModels(list.models, seed, iterations);
                for (const int threads : {1, 2, 3}) {
                    const Outcome outcome = runModels(list.models, seed, iterations, threads);
                    SCOPED_TRACE(testing::Message()
                                 << "seed " << seed << ", " << iterations << " iterations, " << threads << " threads");
                    expectSameResults(outcome, reference);
                    // The process engine ends where the run one after the other leaves it.
                    EXPECT_EQ(outcome.nextDraw, reference.nextDraw);
                }
            }
        }
    }
    // Only a few models' records are held at a time, and all are given back for later runs.
    EXPECT_LE(fn::SampleBuffer::pooledBytes(), std::size_t(16) << 20);
}

TEST(ModelRunner, AModelWithoutReportedOutcomesHasNoDeathsAtAnyThreadCount)
{
    // Its deaths are written by no outcome; the memory of its record held the deaths of the
    // models before it, which the statistics built while it runs must never see.
    ModelList list(3);
    list.addModelWithoutReportedOutcomes();
    list.addModelWithoutReportedOutcomes();
    // Seed 0: the statistics of each model are built on other threads while it runs.
    const Outcome reference = runModels(list.models, 0, 2000);
    for (const int threads : {2, 3, 4}) {
        for (int repeat = 0; repeat < 2; ++repeat) {
            const Outcome outcome = runModels(list.models, 0, 2000, threads);
            SCOPED_TRACE(QStringLiteral("%1 threads").arg(threads).toStdString());
            for (const std::size_t silent : {std::size_t(3), std::size_t(4)}) {
                const QVariantMap totals = list.models[silent]->totalResults();
                EXPECT_EQ(mean(totals.value("deaths")), 0.0) << "model " << silent + 1;
                EXPECT_GT(mean(totals.value("yll")), 0.0) << "model " << silent + 1;
            }
            expectSameResults(outcome, reference);
        }
    }
}

// The last model is built by a results task while the runner waits for the pool to go idle (a
// batch once lost it about once in a hundred runs on a busy machine).
TEST(ModelRunner, TheLastModelIsDeliveredHoweverTheEndInterleaves)
{
    ModelList list(2);
    for (int repeat = 0; repeat < 150; ++repeat) {
        fn::ModelRunner runner(list.models, {20, 0.0, 0, {}, 2 + repeat % 3});
        int delivered = 0;
        runner.setDoneHandler([&](int) { ++delivered; });
        ASSERT_TRUE(runner.run()) << "run " << repeat;
        ASSERT_EQ(delivered, int(list.models.size())) << "run " << repeat;
    }
}

namespace {

// Each model's total DALY per iteration, from its record as the batch's totals take it.
QVector<QVector<double>> dalysPerIteration(fn::DiseaseModelList& models, fn::ModelRunner::Settings::Seeding seeding,
                                           std::uint32_t iterations, int threads)
{
    fn::ModelRunner runner(models, {iterations, 0.0, 42, seeding, threads});
    QVector<QVector<double>> dalys(int(models.size()));
    runner.setDoneHandler([&](int index) {
        const fn::ModelRunRecord& record = *models[std::size_t(index)]->runRecord();
        for (std::uint32_t k = 0; k < iterations; ++k) {
            double daly = 0.0;
            for (const auto sum : {fn::ModelRunRecord::AcuteYld, fn::ModelRunRecord::AcuteYll,
                                   fn::ModelRunRecord::SequelaYld, fn::ModelRunRecord::SequelaYll}) {
                const double* row = record.row(sum, k);
                for (std::size_t i = 0; i < record.strataCount(); ++i)
                    daly += row[i];
            }
            dalys[index] << daly;
        }
    });
    EXPECT_TRUE(runner.run());
    return dalys;
}

// The width of the central 95 % of values.
double width(QVector<double> values)
{
    std::sort(values.begin(), values.end());
    const int n = values.size();
    return values[int(0.975 * (n - 1))] - values[int(0.025 * (n - 1))];
}

double mean(const QVector<double>& values)
{
    return std::accumulate(values.begin(), values.end(), 0.0) / values.size();
}

} // namespace

// With a shared seed the interval of the total of k identical models is k times one model's; with
// independent streams it grows like the square root of k.
TEST(ModelRunner, IndependentSeedingGivesEveryCountryAndDiseaseItsOwnDraws)
{
    using Seeding = fn::ModelRunner::Settings::Seeding;
    const std::uint32_t n = 2000;
    ModelList four(QStringList{"A", "B", "C", "D"});
    for (const Seeding seeding : {Seeding::Shared, Seeding::Independent}) {
        const bool shared = seeding == Seeding::Shared;
        SCOPED_TRACE(shared ? "shared" : "independent");
        const QVector<QVector<double>> dalys = dalysPerIteration(four.models, seeding, n, 3);
        QVector<double> total(int(n), 0.0);
        for (const QVector<double>& model : dalys) {
            for (int k = 0; k < int(n); ++k)
                total[k] += model[k];
        }
        const double ratio = width(total) / width(dalys[0]);
        EXPECT_GE(ratio, shared ? 3.999 : 1.6);
        EXPECT_LE(ratio, shared ? 4.001 : 2.5);
        EXPECT_EQ(dalys[0] == dalys[1], shared);
        // The same distribution: the means of two models differ by no more than their noise.
        const double standardError = width(dalys[0]) / 3.92 / std::sqrt(double(n));
        EXPECT_LT(std::abs(mean(dalys[0]) - mean(dalys[1])), 5 * standardError);
        // A model's numbers do not depend on the others in the run, nor on the threads.
        ModelList alone(QStringList{"B"});
        EXPECT_EQ(dalysPerIteration(alone.models, seeding, n, 1).value(0), dalys[1]);
    }
}

TEST(ModelRunner, AFailingModelEndsTheRunWithItsOwnFailureAfterTheModelsBeforeIt)
{
    for (const int threads : {1, 2, 3}) {
        ModelList list(6);
        // Model 3 cannot compile its notified cases; it fails when its run starts.
        fn::DataArray& notified = list.models[2]->getParameter(fn::DiseaseModel::NotifiedCases);
        QStringList broken = notified.formulas();
        broken[5] = "RandUniform(1)";
        notified.setFormulas(broken);

        const fn::ModelRunner::Settings settings{50, 0.0, 42, {}, threads};
        fn::ModelRunner runner(list.models, settings);
        fn::RunControl control;
        runner.setRunControl(&control);
        QList<int> delivered;
        runner.setDoneHandler([&](int index) { delivered << index; });
        try {
            runner.run();
            ADD_FAILURE() << "the run went through";
        } catch (const ut::Exception& e) {
            EXPECT_EQ(e.place(), "fn::DataArray::initializeParser");
            EXPECT_TRUE(e.message().contains("Notification data"));
        }
        EXPECT_EQ(delivered, QList<int>({0, 1})) << threads << " threads";
        EXPECT_TRUE(list.models[1]->isComputed());
        EXPECT_FALSE(list.models[2]->isComputed());
        EXPECT_FALSE(list.models[5]->isComputed());
        // At three threads all six models are handed to the pool at once; those after the failure
        // are skipped, except one a thread may have started before the failure was known.
        std::uint64_t allButTheFailing = 0;
        for (int i : {0, 1, 3, 4, 5})
            allButTheFailing += std::uint64_t(list.models[std::size_t(i)]->outcomeTreeCount()) * settings.iterations;
        if (threads == 3) {
            EXPECT_LT(control.iterationsDone(), allButTheFailing);
        }
    }
}

// With seed 0, or fewer models than threads, the statistics of a model are built while it runs.
TEST(ModelRunner, AFailingResultsTaskFailsTheRunEvenWhileItsModelRuns)
{
    for (const std::uint32_t seed : {0u, 42u}) {
        for (const int threads : {2, 3, 4}) {
            SCOPED_TRACE(QStringLiteral("seed %1, %2 threads").arg(seed).arg(threads).toStdString());
            ModelList list(seed == 0 ? 3 : 1);
            const int failing = seed == 0 ? 1 : 0;
            RunnerWithFailingResults runner(list.models, {3000, 0.0, seed, {}, threads}, failing);
            QList<int> delivered;
            runner.setDoneHandler([&](int index) { delivered << index; });
            EXPECT_THROW(runner.run(), std::bad_alloc);
            EXPECT_EQ(delivered.size(), failing);
            EXPECT_FALSE(list.models[std::size_t(failing)]->isComputed());
        }
    }
}

TEST(ModelRunner, ACancelledRunStopsBetweenIterationsAndLeavesTheRestNotComputed)
{
    for (const std::uint32_t seed : {0u, 42u}) {
        ModelList list(seed == 0 ? 6 : 2);
        fn::RunControl control;
        fn::ModelRunner runner(list.models, {2000, 0.0, seed, {}, 3});
        runner.setRunControl(&control);
        runner.setDoneHandler([&](int index) {
            if (index == 0)
                control.cancel();
        });
        EXPECT_FALSE(runner.run());
        EXPECT_TRUE(list.models[0]->isComputed());
        for (std::size_t i = 1; i < list.models.size(); ++i) {
            EXPECT_FALSE(list.models[i]->isComputed()) << "model " << i + 1;
            EXPECT_EQ(list.models[i]->runRecord(), nullptr) << "model " << i + 1;
        }
        // Drawing in turn, the models after the next one never started.
        if (seed == 0) {
            std::uint64_t all = 0;
            for (const auto& model : list.models)
                all += std::uint64_t(model->outcomeTreeCount()) * 2000u;
            EXPECT_LT(control.iterationsDone(), all);
        }
        EXPECT_GE(control.iterationsDone(), 2000u);
    }
}
