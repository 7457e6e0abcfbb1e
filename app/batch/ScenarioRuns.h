#pragma once

#include <memory>
#include <vector>

#include <QJsonArray>
#include <QStringList>
#include <QTextStream>

#include "app/batch/ScenarioDifferences.h"
#include "fn/model/DiseaseModel.h"

namespace ui {
class Chief;
}

namespace batch {

class BatchOptions;

// The scenarios of a batch (--scenario NAME=DATA_FOLDER): each scenario's data make a model for
// every country-disease pair of the base run, and each runs beside its base model with the same
// seed, so that their difference is paired iteration by iteration (see ScenarioDifferences).
//
// For the run the models are lent to one list, each base model followed by its scenario models:
// the runner delivers in list order, so only the totals of the base model at hand are held until
// its scenario models come. The lent models go back to their owners when restore() is called or
// this object is destroyed, which must happen before the base's controller is.
class ScenarioRuns
{
public:
    ScenarioRuns(const BatchOptions& options, QTextStream& err);
    ~ScenarioRuns();
    ScenarioRuns(const ScenarioRuns&) = delete;
    ScenarioRuns& operator=(const ScenarioRuns&) = delete;

    bool isEmpty() const { return m_scenarios.empty(); }
    // Makes each scenario's models for the pairs of base's models, the countries and diseases
    // chosen as for the base, and tells on err of every pair that is not in both. False with the
    // reason on err when a scenario's data cannot be read.
    bool createModels(const ui::Chief& base, const QStringList& countries, const QStringList& diseases);

    // The list to run: the base models, each followed by its scenario models.
    fn::DiseaseModelList& lend(fn::DiseaseModelList& base);
    void restore();
    // Where a model of the lent list comes from: -1 for the base, else its scenario.
    int scenarioOf(int index) const { return m_roles[std::size_t(index)].scenario; }
    int baseIndexOf(int index) const { return m_roles[std::size_t(index)].base; }

    // A model of the lent list with the record of its run.
    void takeRecord(int index, const fn::ModelRunRecord& record);

    // One document per scenario, in the order given.
    QJsonArray document() const;
    // The averted DALYs, cases and deaths of each scenario in total, for the summary on err.
    void report(const QJsonArray& document) const;

private:
    struct Scenario;
    struct Role
    {
        int base;
        int scenario;
    };

    const BatchOptions& m_options;
    QTextStream& m_err;
    std::vector<std::unique_ptr<Scenario>> m_scenarios;
    fn::DiseaseModelList* m_base = nullptr;
    fn::DiseaseModelList m_running;
    std::vector<Role> m_roles;
    // Per base model, its scenario models (index into the scenario's own list, or -1).
    std::vector<std::vector<int>> m_pairs;
    ScenarioDifferences::Totals m_baseTotals;
    int m_baseTotalsOf = -1;
};

} // namespace batch
