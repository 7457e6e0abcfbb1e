#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include <QPair>
#include <QString>
#include <QVector>

#include "fn/stats/SampleBuffer.h"
#include "fn/model/SensitivityInputs.h"
#include "fn/values/InputFactor.h"
#include "fn/values/Marray.h"

namespace fn {

// What one run of a model leaves for its results and for the aggregation over models: the
// model's stratified sums per iteration and each tree's per-iteration totals. Nothing here is
// kept once the results are built and the model was added to the results computer.
//
// Stratified sums are held iteration by iteration: row k holds the strata of iteration k in
// scalar-index order, so that an iteration writes one contiguous row.
//
// The run fills the record iteration by iteration while the statistics may already be read on
// other threads: what is final can be waited for (a tree's totals once the tree computed the
// iteration, the model's sums once its last tree did). One thread writes, any may read. Every
// tree writes every sum of every iteration it computes, zeros where it has nothing to add: the
// storage is reused from earlier runs, and a row is read as soon as the last tree wrote it.
class ModelRunRecord
{
public:
    // The model's sums over its trees, per stratum and iteration.
    enum Sum { AcuteYld, AcuteYll, SequelaYld, SequelaYll, Deaths, Cases, SumCount };

    // Per-iteration totals of one tree, one value per iteration each.
    struct TreeSeries
    {
        // A reported health outcome's YLD, YLL, cases and deaths.
        struct Outcome
        {
            QString name;
            bool acute;
            double* yld;
            double* yll;
            double* cases;
            double* deaths;
        };
        double* treeCases = nullptr;
        double* acuteYld = nullptr;
        double* acuteYll = nullptr;
        double* sequelaYld = nullptr;
        double* sequelaYll = nullptr;
        double* totalYld = nullptr;
        double* totalYll = nullptr;
        std::vector<Outcome> outcomes;
        double population = 0.0;
    };

    ModelRunRecord(const Marray::Shape& strataShape, const InputFactorPtrs& factors, std::uint32_t iterations,
                   int treeCount, double totalPopulation);
    ModelRunRecord(const ModelRunRecord&) = delete;
    ModelRunRecord& operator=(const ModelRunRecord&) = delete;

    const Marray::Shape& strataShape() const { return m_strataShape; }
    const InputFactorPtrs& factors() const { return m_factors; }
    std::size_t strataCount() const { return m_strataCount; }
    std::uint32_t iterations() const { return m_iterations; }
    int treeCount() const { return int(m_trees.size()); }
    double totalPopulation() const { return m_totalPopulation; }

    double* row(Sum sum, std::uint32_t iteration)
    {
        return m_sums.data() + (std::size_t(sum) * m_iterations + iteration) * m_strataCount;
    }
    const double* row(Sum sum, std::uint32_t iteration) const
    {
        return m_sums.data() + (std::size_t(sum) * m_iterations + iteration) * m_strataCount;
    }
    // The model's totals of one iteration over every stratum, summed stratum by stratum as the
    // totals of the results are.
    struct IterationTotals
    {
        double yld = 0.0;
        double yll = 0.0;
        double cases = 0.0;
        double deaths = 0.0;
    };
    IterationTotals totals(std::uint32_t iteration) const;

    // Whether a tree has written the sum yet: the first contribution is stored, later ones added.
    bool isWritten(Sum sum) const { return m_written[sum]; }
    void setWritten(Sum sum) { m_written[sum] = true; }

    // The next tree's series, with one entry per reported outcome (name and whether acute);
    // trees start in order.
    TreeSeries& startTree(const QVector<QPair<QString, bool>>& reportedOutcomes, double population);
    const TreeSeries& tree(int index) const { return m_trees[std::size_t(index)]; }
    // The current tree has computed this many iterations.
    void setIterationsDone(std::uint32_t iterations);
    // Every tree ran: the sums of a model without trees become zero, and the model's population
    // per stratum is its age distribution as last evaluated.
    void complete(const Marray& ageDistributionValues);
    // The run ended without completing; whoever waits stops waiting.
    void abandon();

    // Waits until tree has started; false when the run was abandoned before.
    bool waitForTreeStart(int tree) const;
    // Waits until tree has computed at least count iterations; returns how many it has, fewer
    // than count only when the run was abandoned.
    std::uint32_t waitForTree(int tree, std::uint32_t count) const;
    // Waits until the model's sums of at least count iterations are final (its last tree
    // computed them); returns how many are, fewer than count only when the run was abandoned.
    std::uint32_t waitForRows(std::uint32_t count) const;
    // Waits until the record is complete; false when the run was abandoned.
    bool waitUntilComplete() const;
    bool isComplete() const { return m_complete.load(std::memory_order_acquire); }

    const std::vector<double>& population() const { return m_population; }

    // The random inputs the run records for its sensitivity analysis; null when none was asked for.
    void setSensitivityInputs(std::unique_ptr<SensitivityInputs> inputs) { m_sensitivityInputs = std::move(inputs); }
    SensitivityInputs* sensitivityInputs() { return m_sensitivityInputs.get(); }
    const SensitivityInputs* sensitivityInputs() const { return m_sensitivityInputs.get(); }

private:
    void zeroUnwritten();
    void notifyReaders();
    // Waits until available() gives at least count or the run is abandoned; returns available().
    template <typename Available>
    std::uint32_t waitFor(std::uint32_t count, Available available) const;
    // Trees started, and iterations computed by the last of them.
    static int treesOf(std::uint64_t progress) { return int(progress >> 32); }
    static std::uint32_t iterationsOf(std::uint64_t progress) { return std::uint32_t(progress); }

    Marray::Shape m_strataShape;
    InputFactorPtrs m_factors;
    std::size_t m_strataCount;
    std::uint32_t m_iterations;
    double m_totalPopulation;
    SampleBuffer m_sums;
    bool m_written[SumCount] = {};
    std::vector<SampleBuffer> m_seriesBuffers;
    std::vector<TreeSeries> m_trees;
    std::vector<double> m_population;
    std::unique_ptr<SensitivityInputs> m_sensitivityInputs;

    std::atomic<std::uint64_t> m_progress{0};
    std::atomic<bool> m_complete{false};
    std::atomic<bool> m_abandoned{false};
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
};

} // namespace fn
