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
// every country-disease pair of the base run that they have data for, and each runs beside its
// base model with the same seed, so that their difference is paired iteration by iteration (see
// ScenarioDifferences).
//
// The base models are run a share at a time: lend() moves a share of them into one list, each
// followed by its scenario models, made there; the runner delivers in list order, so only the
// totals of the base model at hand are held until its scenario models come. restore() gives the
// base models back and drops the scenario models, so that these never all exist at once. The
// destructor restores too; this object must go before the base's controller does.
class ScenarioRuns
{
public:
    ScenarioRuns(const BatchOptions& options, QTextStream& err);
    ~ScenarioRuns();
    ScenarioRuns(const ScenarioRuns&) = delete;
    ScenarioRuns& operator=(const ScenarioRuns&) = delete;

    bool isEmpty() const { return m_scenarios.empty(); }
    // Reads each scenario's data and finds which pairs of base's models it has, the countries and
    // diseases chosen as for the base; tells on err of every pair that is not in both. False with
    // the reason on err when a scenario's data cannot be read or share no pair with the base.
    bool prepare(const ui::Chief& base, const QStringList& countries, const QStringList& diseases);
    // The scenario models base model index gets.
    int partnersOf(std::size_t index) const;

    // The list to run: the base models from begin to end, each followed by its scenario models.
    fn::DiseaseModelList& lend(fn::DiseaseModelList& base, std::size_t begin, std::size_t end);
    void restore();
    // Whether a model of the lent list is a scenario's rather than the base's.
    bool isScenarioModel(int index) const { return m_roles[std::size_t(index)].scenario >= 0; }
    // The name of the scenario a model of the lent list belongs to.
    QString scenarioName(int index) const;

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
    // Per base model, whether each scenario has it.
    std::vector<std::vector<bool>> m_paired;
    fn::DiseaseModelList* m_base = nullptr;
    fn::DiseaseModelList m_running;
    std::vector<Role> m_roles;
    ScenarioDifferences::Totals m_baseTotals;
    int m_baseTotalsOf = -1;
};

} // namespace batch
