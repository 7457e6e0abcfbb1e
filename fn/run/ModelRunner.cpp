#include "fn/run/ModelRunner.h"

#include <algorithm>
#include <limits>
#include <mutex>

#include <QThread>

#include <boost/random/mersenne_twister.hpp>

#include "fn/model/ResultsBuilder.h"
#include "fn/model/ResultsComputer.h"
#include "fn/model/RunControl.h"
#include "fn/run/TaskPool.h"
#include "fn/values/random/IndependentStreams.h"
#include "fn/values/random/RandomFunctions.h"
#include "fn/values/random/ScopedRandomEngine.h"
#include "ut/Diagnostics.h"
#include "ut/Exception.h"

namespace fn {

namespace {

enum State : int { Pending, Running, Simulated, Built, Delivered, Cancelled, Skipped, Failed };

} // namespace

struct ModelRunner::Slot
{
    // Moves the state on unless it changed meanwhile: a results task that failed while the
    // model still ran has the last word.
    bool advance(int from, int to) { return state.compare_exchange_strong(from, to); }

    std::atomic<int> state{Pending};
    std::unique_ptr<ResultsBuilder> builder;
    std::atomic<int> remainingTasks{0};
    // The first failure of the model's run or of its results tasks, which may fail at once.
    std::mutex failureMutex;
    std::exception_ptr failure;
    // The engine of the last model when it ran on an engine of its own: the process engine
    // takes its state at the end, as after a run of one model after the other.
    std::unique_ptr<boost::random::mt19937> finalEngine;
};

ModelRunner::ModelRunner(DiseaseModelList& models, const Settings& settings)
    : m_models(models)
    , m_settings(settings)
    , m_threads(threadCount(settings.threads))
    , m_stopIndex(std::numeric_limits<int>::max())
{
    if (settings.threads > maxThreads)
        ut::Diagnostics::report(
            QStringLiteral("%1 threads were asked for; a run uses at most %2.").arg(settings.threads).arg(maxThreads));
}

ModelRunner::~ModelRunner() = default;

int ModelRunner::threadCount(int requested)
{
    return std::min(maxThreads, requested > 0 ? requested : std::max(1, QThread::idealThreadCount()));
}

std::unique_ptr<TaskPool> ModelRunner::startPool()
{
    for (;;) {
        // The calling thread works too: one thread fewer in the pool.
        auto pool = std::make_unique<TaskPool>(m_threads - 1);
        if (!pool->startFailure())
            return pool;
        // The system ran out of threads or of address space for their stacks: half of what it
        // could start leaves room for the records of the run.
        const TaskPool::StartFailure& failure = *pool->startFailure();
        const int fewer = std::max(1, (failure.started + 1) / 2);
        ut::Diagnostics::report(QStringLiteral("The system could start only %1 of the %2 threads asked for (%3); "
                                               "the run goes on with %4.")
                                    .arg(failure.started + 1)
                                    .arg(m_threads)
                                    .arg(QString::fromStdString(failure.reason))
                                    .arg(fewer));
        m_threads = fewer;
    }
}

bool ModelRunner::run()
{
    m_slots.clear();
    for (std::size_t i = 0; i < m_models.size(); ++i)
        m_slots.push_back(std::make_unique<Slot>());
    m_delivered = 0;
    m_stopIndex = std::numeric_limits<int>::max();
    {
        const std::unique_ptr<TaskPool> started = startPool();
        TaskPool& pool = *started;
        m_pipelined = m_threads > 1 && (m_settings.randomSeed == 0 || int(m_models.size()) < m_threads);
        if (m_settings.randomSeed != 0)
            runConcurrently(pool);
        else
            runInSequence(pool);
        waitUntil(pool, [&] { return pool.isIdle(); });
    }
    // Models that ran but were not delivered (after a failure or a cancellation) stay not
    // computed and give their records back.
    for (std::size_t i = std::size_t(m_delivered); i < m_slots.size(); ++i) {
        m_slots[i]->builder.reset();
        m_models[i]->releaseRunRecord();
    }

    for (const auto& slot : m_slots) {
        if (slot->state == Failed)
            std::rethrow_exception(slot->failure);
    }
    if (m_delivered < int(m_slots.size()))
        return false;
    if (!m_slots.empty() && m_slots.back()->finalEngine)
        processRandomEngine() = *m_slots.back()->finalEngine;
    return true;
}

void ModelRunner::runConcurrently(TaskPool& pool)
{
    const int count = int(m_models.size());
    // Models whose record is held at once: enough to keep every thread busy.
    const int window = recordsHeldAtOnce(m_threads);
    int submitted = 0;
    while (m_delivered < count) {
        while (!stopping() && submitted < count && submitted - m_delivered < window) {
            const int index = submitted++;
            m_slots[std::size_t(index)]->state = Running;
            pool.post([this, &pool, index] { simulate(pool, index, true); });
        }
        const int next = m_delivered;
        waitUntil(pool, [&] {
            const int state = m_slots[std::size_t(next)]->state;
            return m_delivered > next || (state != Running && state != Simulated);
        });
        if (m_delivered == next)
            return; // the next model failed or was cancelled
    }
}

void ModelRunner::runInSequence(TaskPool& pool)
{
    const int count = int(m_models.size());
    const int window = recordsHeldAtOnce(m_threads);
    for (int index = 0; index < count; ++index) {
        waitUntil(pool, [&] { return stopping() || index - m_delivered < window; });
        if (stopping())
            return;
        m_slots[std::size_t(index)]->state = Running;
        simulate(pool, index, false);
        const int state = m_slots[std::size_t(index)]->state;
        if (state != Simulated && state != Built)
            return;
        // The draws are in list order: so is the aggregation, right away.
        if (m_resultsComputer)
            m_resultsComputer->addModel(*m_models[std::size_t(index)]);
    }
}

void ModelRunner::simulate(TaskPool& pool, int index, bool ownEngine)
{
    Slot& slot = *m_slots[std::size_t(index)];
    if (skips(index)) {
        slot.state = Skipped;
        return;
    }
    // Built while the model runs: the results tasks start with the record.
    DiseaseModel::RecordStarted started;
    if (m_pipelined)
        started = [this, &pool, index](const std::shared_ptr<const ModelRunRecord>& record) {
            buildResults(pool, index, record, false, true);
        };
    try {
        DiseaseModel& model = *m_models[std::size_t(index)];
        model.setUncertaintyAnalysis(m_settings.analyzeUncertainty);
        int treeIndex = 0;
        bool completed = false;
        if (ownEngine) {
            auto engine = std::make_unique<boost::random::mt19937>(
                m_settings.seeding == Settings::Seeding::Independent
                    ? IndependentStreams::engine(m_settings.randomSeed, model.countryId(), model.diseaseId())
                    : boost::random::mt19937(m_settings.randomSeed));
            const ScopedRandomEngine scope(*engine);
            completed = model.simulate(m_settings.iterations, m_settings.discountRate, treeIndex, m_control, started);
            if (index + 1 == int(m_models.size()))
                slot.finalEngine = std::move(engine);
        } else {
            completed = model.simulate(m_settings.iterations, m_settings.discountRate, treeIndex, m_control, started);
        }
        if (!completed) {
            slot.advance(Running, Cancelled);
            stopAt(index);
        } else if (m_pipelined) {
            slot.advance(Running, Simulated);
            shareFinished(index);
        } else if (slot.advance(Running, Simulated)) {
            buildResults(pool, index, model.runRecord(), ownEngine, false);
        }
    } catch (ut::Exception& failure) {
        const DiseaseModel& model = *m_models[std::size_t(index)];
        failure.addDetail(model.origin().isEmpty()
                              ? QStringLiteral("in model \"%1\"").arg(model.displayName())
                              : QStringLiteral("in model \"%1\", from %2").arg(model.displayName(), model.origin()));
        fail(index, std::current_exception());
    } catch (...) {
        fail(index, std::current_exception());
    }
}

void ModelRunner::buildResults(TaskPool& pool, int index, std::shared_ptr<const ModelRunRecord> record, bool urgent,
                               bool held)
{
    Slot& slot = *m_slots[std::size_t(index)];
    slot.builder = std::make_unique<ResultsBuilder>(std::move(record));
    const int tasks = slot.builder->taskCount();
    slot.remainingTasks = tasks + (held ? 1 : 0);
    for (int task = 0; task < tasks; ++task) {
        pool.post(
            [this, index, task] {
                try {
                    runResultsTask(*m_slots[std::size_t(index)]->builder, index, task);
                } catch (...) {
                    fail(index, std::current_exception());
                }
                shareFinished(index);
            },
            urgent);
    }
}

void ModelRunner::runResultsTask(ResultsBuilder& builder, int, int task)
{
    builder.runTask(task);
}

void ModelRunner::shareFinished(int index)
{
    Slot& slot = *m_slots[std::size_t(index)];
    // Built once every task and the run itself are through, unless one of them failed.
    if (--slot.remainingTasks == 0)
        slot.advance(Simulated, Built);
}

void ModelRunner::deliver(int index, bool addToComputer)
{
    Slot& slot = *m_slots[std::size_t(index)];
    DiseaseModel& model = *m_models[std::size_t(index)];
    slot.builder->apply(model);
    slot.builder.reset();
    model.setComputed();
    if (addToComputer && m_resultsComputer)
        m_resultsComputer->addModel(model);
    if (m_recordHandler && model.runRecord())
        m_recordHandler(index, *model.runRecord());
    slot.state = Delivered;
    ++m_delivered;
    if (m_doneHandler)
        m_doneHandler(index);
    model.releaseRunRecord();
}

void ModelRunner::fail(int index, std::exception_ptr failure)
{
    Slot& slot = *m_slots[std::size_t(index)];
    {
        const std::lock_guard<std::mutex> lock(slot.failureMutex);
        if (!slot.failure)
            slot.failure = failure;
    }
    slot.state = Failed;
    stopAt(index);
}

void ModelRunner::stopAt(int index)
{
    int current = m_stopIndex;
    while (index < current && !m_stopIndex.compare_exchange_weak(current, index)) { }
}

bool ModelRunner::stopping() const
{
    return (m_control && m_control->isCancelled()) || m_stopIndex != std::numeric_limits<int>::max();
}

bool ModelRunner::skips(int index) const
{
    return (m_control && m_control->isCancelled()) || index > m_stopIndex;
}

template <typename Done>
void ModelRunner::waitUntil(TaskPool& pool, Done done)
{
    const bool aggregatedAfterwards = m_settings.randomSeed != 0;
    // Built models are handed on as soon as all before them were, until the run is cancelled.
    const auto deliverBuilt = [&] {
        while (m_delivered < int(m_slots.size()) && m_slots[std::size_t(m_delivered)]->state == Built
               && !(m_control && m_control->isCancelled()))
            deliver(m_delivered, aggregatedAfterwards);
    };
    for (;;) {
        const std::uint64_t seen = pool.activity();
        deliverBuilt();
        if (done()) {
            // The last task may have built its model between the two: waiting for an idle pool
            // must not end with that model undelivered.
            deliverBuilt();
            return;
        }
        if (pool.runOne())
            continue;
        pool.waitForActivitySince(seen);
    }
}

} // namespace fn
