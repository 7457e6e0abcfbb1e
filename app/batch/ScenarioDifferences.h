#pragma once

#include <cstdint>
#include <vector>

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

namespace fn {
class DiseaseModel;
class ModelRunRecord;
} // namespace fn

namespace batch {

// What one scenario averts, paired iteration by iteration with the base run: per model, per
// country, per disease and in total, the DALYs, cases and deaths of the base minus those of the
// scenario ("averted": positive where the scenario has less). The models of a pair start from the
// same engine state, so iteration i of both drew the same uniforms wherever their formulas draw
// alike; the statistics are those of the per-iteration differences, taken with the estimator of
// every other summary. Only the differences of the model pair at hand and the per-iteration sums
// of each group are held, whatever the number of models.
class ScenarioDifferences
{
public:
    enum Measure { Daly, Cases, Deaths, MeasureCount };

    // A model's per-iteration totals, summed over strata as its own totals are.
    struct Totals
    {
        std::vector<double> values[MeasureCount];
        void read(const fn::ModelRunRecord& record);
    };

    ScenarioDifferences(const QString& name, const QString& dataFolder, std::uint32_t iterations);

    const QString& name() const { return m_name; }
    // The pairs ({"country", "disease"}) the base runs and the scenario's data lack, and those the
    // scenario's data add; neither has a difference.
    void setUnmatched(const QJsonArray& notInScenario, const QJsonArray& onlyInScenario);
    // The scenario's data as the provenance names them: "referenceData" and "inputs" with their SHA-256.
    void setData(const QJsonObject& data) { m_data = data; }

    // The base model's totals against its scenario model's run.
    void addPair(const fn::DiseaseModel& base, const Totals& baseTotals, const fn::ModelRunRecord& scenario);
    int pairs() const { return int(m_models.size()); }

    // {"name", "dataFolder", "referenceData", "inputs", "averted", "models": [...], "total", "countries": [...],
    // "diseases":
    // [...], "notInScenario", "onlyInScenario"}; each entry names its model, country or disease and
    // holds the statistics of "dalyAverted", "casesAverted" and "deathsAverted".
    QJsonObject document() const;

    static const char* measureKey(Measure measure);

private:
    struct Group
    {
        QString id;
        QString name;
        int models = 0;
        std::vector<double> sums[MeasureCount];
    };

    Group& groupOf(std::vector<Group>& groups, const QString& id, const QString& name);
    void add(Group& group) const;
    QJsonObject statistics(const std::vector<double>* differences) const;

    QString m_name;
    QString m_dataFolder;
    std::uint32_t m_iterations;
    Totals m_scenario;
    // The differences of the pair being added, per iteration.
    std::vector<double> m_differences[MeasureCount];
    QJsonArray m_models;
    Group m_total;
    std::vector<Group> m_countries;
    std::vector<Group> m_diseases;
    QJsonObject m_data;
    QJsonArray m_notInScenario;
    QJsonArray m_onlyInScenario;
};

} // namespace batch
