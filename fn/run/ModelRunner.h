#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <vector>

#include "fn/model/DiseaseModel.h"

namespace fn {

class ResultsBuilder;
class ResultsComputer;
class RunControl;

// Runs a list of models on every core and delivers them in list order, with the same
// numbers as a run of one model after the other.
//
// With a random seed other than 0 every model starts from an engine state of its own, so
// models run side by side, each drawing from an engine of its own: the state of that seed
// (Shared: iteration i of every model draws the same uniforms), or one derived from the seed
// and the model's country and disease (Independent). With seed 0 the models
// draw from one continuing stream, so they run one after the other on the calling thread;
// the statistics of each model (independent per figure) are built by the other threads
// meanwhile, as its iterations come in. Threads left over by a short list do the same. Either way each model is handed
// to the results computer and to the done handler in list order, on the calling thread, and only a few models hold
// their per-iteration record at any time.
class ModelRunner
{
public:
    struct Settings
    {
        std::uint32_t iterations = 0;
        double discountRate = 0.0;
        std::uint32_t randomSeed = 0;
        // Where each model's engine starts with a seed other than 0.
        enum class Seeding { Shared, Independent };
        Seeding seeding = Seeding::Shared;
        // Threads to use; 0 for as many as the machine has cores.
        int threads = 0;
        // Standard errors, convergence and sensitivity of every model (DiseaseModel::uncertaintyResults).
        bool analyzeUncertainty = false;
    };
    // Called for model index once it is computed, in list order, on the thread that runs; the
    // model still holds its run record, released right after.
    using DoneHandler = std::function<void(int index)>;
    // Called for model index with the record of its run, in list order, on the thread that runs,
    // just before the record is released (and before the done handler): what needs the
    // per-iteration values reads them here.
    using RecordHandler = std::function<void(int index, const ModelRunRecord& record)>;

    ModelRunner(DiseaseModelList& models, const Settings& settings);
    virtual ~ModelRunner();
    ModelRunner(const ModelRunner&) = delete;
    ModelRunner& operator=(const ModelRunner&) = delete;

    // Adds every model, in list order, to computer (prepared by the caller).
    void setResultsComputer(ResultsComputer* computer) { m_resultsComputer = computer; }
    void setRunControl(RunControl* control) { m_control = control; }
    void setDoneHandler(DoneHandler handler) { m_doneHandler = std::move(handler); }
    void setRecordHandler(RecordHandler handler) { m_recordHandler = std::move(handler); }

    // Runs all models; false when the run was cancelled (models not done then stay not
    // computed). A failure of a model ends the run once no model is running any more and is
    // rethrown: the first failing model's, as in a run of one model after the other.
    bool run();

    // More threads than this never run: beyond a few per core they only cost memory.
    static constexpr int maxThreads = 1024;
    // The threads a run uses when requested are asked for (0: as many as the machine has cores).
    static int threadCount(int requested);
    // How many models hold their per-iteration record at the same time with that many threads.
    static int recordsHeldAtOnce(int threads) { return threads <= 1 ? 1 : 2 * threads; }

protected:
    // Builds one share of model index's results, on any thread; what it throws fails the model.
    virtual void runResultsTask(ResultsBuilder& builder, int index, int task);

private:
    struct Slot;

    // A pool of the run's threads but the calling one; with fewer threads, and a note, when
    // the system cannot start that many.
    std::unique_ptr<class TaskPool> startPool();
    void runConcurrently(class TaskPool& pool);
    void runInSequence(class TaskPool& pool);
    void simulate(class TaskPool& pool, int index, bool ownEngine);
    // Posts the tasks that build a model's results from its record; with held, one more
    // share (the run's own) must finish before the model counts as built.
    void buildResults(class TaskPool& pool, int index, std::shared_ptr<const ModelRunRecord> record, bool urgent,
                      bool held);
    void shareFinished(int index);
    void deliver(int index, bool addToComputer);
    void fail(int index, std::exception_ptr failure);
    void stopAt(int index);
    // Whether the run is ending: cancelled, or a model failed or was cancelled.
    bool stopping() const;
    // Models after one that failed are not started (those before it still run, as they would
    // have one after the other).
    bool skips(int index) const;
    // Helps with queued work until done() holds.
    template <typename Done>
    void waitUntil(class TaskPool& pool, Done done);

    DiseaseModelList& m_models;
    Settings m_settings;
    int m_threads;
    // Whether a model's statistics are built while it runs, by threads that would wait otherwise.
    bool m_pipelined = false;
    ResultsComputer* m_resultsComputer = nullptr;
    RunControl* m_control = nullptr;
    DoneHandler m_doneHandler;
    RecordHandler m_recordHandler;
    std::vector<std::unique_ptr<Slot>> m_slots;
    std::atomic<int> m_stopIndex;
    int m_delivered = 0;
};

} // namespace fn
