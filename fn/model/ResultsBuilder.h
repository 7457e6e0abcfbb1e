#pragma once

#include <memory>
#include <vector>

#include <QVariantList>
#include <QVariantMap>
#include <QVector>

#include "fn/model/ModelRunRecord.h"

namespace fn {

class DiseaseModel;

// Builds a model's result maps from the record of its run: the means and quantiles of every
// reported number, per tree (outcomes and categories), per stratum and in total.
//
// The work is split into independent tasks (each tree, the model's totals, each stratified
// figure) that may run in any order and on different threads, also while the run is still
// filling the record: each task reads what is final and waits for the rest. A task whose run
// was abandoned stops and leaves its part empty. Once all ran, apply() hands the maps to the
// model and its trees.
//
// A record with sensitivity inputs also gets the uncertainty analysis: the standard error of
// every mean, the convergence of the total DALY (its mean and its 2.5 % and 97.5 % quantiles)
// and the sensitivity of the total DALY to the random inputs.
class ResultsBuilder
{
public:
    explicit ResultsBuilder(std::shared_ptr<const ModelRunRecord> record);

    int taskCount() const { return m_treeCount + 1 + stratifiedFigureCount + (m_analyzing ? 1 : 0); }
    void runTask(int task);
    void runAll();
    void apply(DiseaseModel& model) const;

private:
    static constexpr int stratifiedFigureCount = 12;

    void buildTree(int tree);
    void buildTotals();
    void buildStratified(int figure);
    void buildSensitivity();
    QVariantMap standardErrors(const DiseaseModel& model) const;

    std::shared_ptr<const ModelRunRecord> m_record;
    int m_treeCount;
    bool m_analyzing;
    QVector<QVariantList> m_outcomeResults;
    QVector<QVariantMap> m_treeCategoryResults;
    QVariantMap m_sequelaTypeResults;
    QVariantMap m_totalResults;
    QVector<QVariantMap> m_stratified;
    // The same layouts with the standard error of every mean, for the uncertainty analysis.
    QVector<QVariantList> m_outcomeErrors;
    QVector<QVariantMap> m_treeCategoryErrors;
    QVariantMap m_sequelaTypeErrors;
    QVariantMap m_totalErrors;
    QVector<QVariantMap> m_stratifiedErrors;
    QVariantMap m_convergence;
    QVariantMap m_sensitivity;
    // The total DALY per iteration in ascending order, for the precision of its quantiles.
    std::vector<double> m_sortedDaly;
};

} // namespace fn
