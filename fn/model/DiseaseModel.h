#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include <QMap>
#include <QVariantMap>

#include "fn/InputType.h"
#include "fn/model/ModelRunRecord.h"
#include "fn/model/OutcomeTree.h"
#include "fn/values/DataArray.h"
#include "fn/values/InputFactor.h"

namespace fn {

class DiseaseTemplate;
class InputDataMgr;
class JSONDiseaseTemplate;
class RunControl;

// One computable model: one disease in one country under a model id, with the
// country's population data, the disease's epidemiological parameters, one outcome tree
// per tree of the disease and, after a run, its results.
class DiseaseModel
{
public:
    enum SourceType : std::uint32_t { ReferenceData = 0, JsonSpecification = 1 };
    enum ParameterType {
        OutcomeTreeMapping = 0,
        NotifiedCases = 1,
        AgeDistribution = 2,
        LifeExpectancy = 3,
        Coverage = 4,
        Underestimation = 5,
        Underreporting = 6,
        Underascertainment = 7,
    };

    DiseaseModel(InputDataMgr* inputDataMgr, const QString& modelId, const InputType::Country& countryId,
                 const QString& countryName, const DiseaseTemplate* diseaseTemplate, const InputFactorPtrs& factors);
    DiseaseModel(InputDataMgr* inputDataMgr, const QString& modelId, const InputType::Country& countryId,
                 const QString& countryName, const JSONDiseaseTemplate* jsonTemplate);
    DiseaseModel(const DiseaseModel&) = delete;
    DiseaseModel& operator=(const DiseaseModel&) = delete;
    virtual ~DiseaseModel();

    void setUp();
    // Rebinds every array to the model's factors and gives each tree's infection the
    // notified cases and life expectancy of the strata it covers.
    void distributeToTrees();
    // A whole run: the iterations of every tree, then the result maps; computed afterwards.
    void run(std::uint32_t iterations, double timeDiscountRate, int& currentTreeIndex);
    // Called with the record of a run as soon as it is started, before it is filled.
    using RecordStarted = std::function<void(const std::shared_ptr<const ModelRunRecord>&)>;
    // The iterations of every tree only, leaving the record the results are built from; false
    // when control cancelled the run (the model then stays not computed).
    bool simulate(std::uint32_t iterations, double timeDiscountRate, int& currentTreeIndex,
                  RunControl* control = nullptr, const RecordStarted& recordStarted = {});
    // The result maps from the record of the last simulation; the model is computed afterwards.
    void buildResults();
    void setResults(const QVariantMap& categorizedResults, const QVariantMap& sequelaTypeResults,
                    const QVariantMap& totalResults);
    void setComputed() { m_computed = true; }
    // Before a run: results of an earlier run do not count as this run's.
    void clearComputed() { m_computed = false; }
    // Whether the next runs also estimate the standard errors of every mean and relate the total
    // DALY to every random input (see uncertaintyResults).
    void setUncertaintyAnalysis(bool analyze) { m_analyzeUncertainty = analyze; }
    bool analyzesUncertainty() const { return m_analyzeUncertainty; }
    // After a run with the analysis: "convergence" (the total DALY's mean, its standard error and
    // the iterations for a relative standard error below 1 %), "standardErrors" (the results'
    // layout with the standard error of every mean) and "sensitivity"; empty otherwise.
    const QVariantMap& uncertaintyResults() const { return m_uncertaintyResults; }
    void setUncertaintyResults(const QVariantMap& results) { m_uncertaintyResults = results; }
    // Cases and deaths by age group and sex ({"cases": ..., "deaths": ...}, each a stratified map),
    // and the standard errors of their means in the same layout (empty without the analysis):
    // kept for the results table when whoever ran the model asked for them, never part of
    // results(). Empty until then, and again once the next run starts.
    const QVariantMap& stratumCounts() const { return m_stratumCounts; }
    const QVariantMap& stratumCountErrors() const { return m_stratumCountErrors; }
    void setStratumCounts(const QVariantMap& counts, const QVariantMap& errors)
    {
        m_stratumCounts = counts;
        m_stratumCountErrors = errors;
    }
    // Drops the per-stratum and per-tree result maps once they were written out, keeping the
    // totals (a batch of thousands of models shows nothing else later).
    void releaseDetailedResults();

    DataArray& getParameter(int type);
    const DataArray& getParameter(int type) const;
    void setParameter(int type, const DataArray& array);
    OutcomeTree& getOutcomeTree(int index);
    OutcomeTree& getOutcomeTree(const QString& id);
    int outcomeTreeCount() const { return static_cast<int>(m_trees.size()); }

    QString displayName() const;
    QVariantMap info() const;
    QVariantMap results() const;

    // This iteration's multiplier of the notified cases (see updateUnderestimationFactor).
    const Marray& underestimationFactor() const { return m_underestimationFactor; }
    std::uint32_t getUnderestimationType() const { return m_underestimationType; }
    void setUnderestimationType(std::uint32_t type) { m_underestimationType = type; }

    // What the last simulation recorded for the results and the results computer; null once
    // released (after a run the record is only needed until both have taken it).
    const std::shared_ptr<const ModelRunRecord>& runRecord() const { return m_runRecord; }
    void releaseRunRecord();
    double totalPopulation() const { return m_totalPopulation; }

    // For the trees of the model, once per iteration.
    void evaluateRunArrays();
    void updateUnderestimationFactor();
    const Marray& coverageValues() const { return m_coverage.values(); }

    const QString& modelId() const { return m_modelId; }
    std::uint32_t sourceType() const { return m_sourceType; }
    // Where the model's parameters were read from, as the user knows it (the model specification
    // /a/b.json, sheet "model 1" of the workbook /a/b.xls); empty when nobody said.
    void setOrigin(const QString& origin) { m_origin = origin; }
    const QString& origin() const { return m_origin; }
    InputDataMgr* inputDataMgr() const { return m_inputDataMgr; }
    const JSONDiseaseTemplate* jsonTemplate() const { return m_jsonTemplate; }
    const DiseaseTemplate* diseaseTemplate() const { return m_diseaseTemplate; }
    const InputType::Country& countryId() const { return m_countryId; }
    const QString& countryName() const { return m_countryName; }
    const InputType::Disease& diseaseId() const { return m_diseaseId; }
    const QString& diseaseName() const { return m_diseaseName; }
    bool isCongenital() const { return m_congenital; }
    const InputFactorPtrs& factors() const { return m_factors; }
    const Marray::Shape& strataShape() const { return m_strataShape; }
    bool isComputed() const { return m_computed; }
    std::uint32_t numberOfIterations() const { return m_numberOfIterations; }
    const QVariantMap& categorizedResults() const { return m_categorizedResults; }
    const QVariantMap& sequelaTypeResults() const { return m_sequelaTypeResults; }
    const QVariantMap& totalResults() const { return m_totalResults; }

private:
    DataArray restrictedToTree(const DataArray& array, std::uint32_t treeNumber) const;
    // The population of the strata mapped to the tree, from the given age distribution values.
    double populationOfTree(std::uint32_t treeNumber, const Marray& population) const;
    void initShape();

    QString m_modelId;
    std::uint32_t m_sourceType;
    QString m_origin;
    InputDataMgr* m_inputDataMgr;
    const DiseaseTemplate* m_diseaseTemplate = nullptr;
    const JSONDiseaseTemplate* m_jsonTemplate = nullptr;
    InputType::Country m_countryId;
    QString m_countryName;
    InputType::Disease m_diseaseId;
    QString m_diseaseName;
    bool m_congenital = false;
    QVariantMap m_jsonSpecification;
    // A model from a specification owns its factors; one from reference data points to the store's.
    std::deque<InputFactor> m_ownFactors;
    InputFactorPtrs m_factors;
    QMap<QString, int> m_treeIndex;
    std::vector<std::unique_ptr<OutcomeTree>> m_trees;
    DataArray m_outcomeTreeMapping;
    DataArray m_notifiedCases;
    DataArray m_ageDistribution;
    DataArray m_lifeExpectancy;
    DataArray m_coverage;
    DataArray m_underestimation;
    DataArray m_underreporting;
    DataArray m_underascertainment;
    double m_totalPopulation = 0.0;
    Marray::Shape m_strataShape;
    std::uint32_t m_underestimationType = 0;
    bool m_computed = false;
    std::uint32_t m_numberOfIterations = 0;
    Marray m_underestimationFactor;
    std::shared_ptr<const ModelRunRecord> m_runRecord;
    QVariantMap m_categorizedResults;
    QVariantMap m_sequelaTypeResults;
    QVariantMap m_totalResults;
    bool m_analyzeUncertainty = false;
    QVariantMap m_uncertaintyResults;
    QVariantMap m_stratumCounts;
    QVariantMap m_stratumCountErrors;
};

// The controller's models, in creation order; the list never copies a model.
using DiseaseModelList = std::vector<std::unique_ptr<DiseaseModel>>;

} // namespace fn
