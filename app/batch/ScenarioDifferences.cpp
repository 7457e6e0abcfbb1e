#include "app/batch/ScenarioDifferences.h"

#include <algorithm>

#include "fn/model/DiseaseModel.h"
#include "fn/model/ModelRunRecord.h"
#include "fn/stats/Statistics.h"

namespace batch {

namespace {

// The group in the document of entries, with its id under idKey and its name under nameKey.
QJsonObject named(QJsonObject entry, const char* idKey, const QString& id, const char* nameKey, const QString& name)
{
    entry.insert(QLatin1String(idKey), id);
    entry.insert(QLatin1String(nameKey), name);
    return entry;
}

} // namespace

void ScenarioDifferences::Totals::read(const fn::ModelRunRecord& record)
{
    const std::uint32_t n = record.iterations();
    for (auto& series : values)
        series.resize(n);
    for (std::uint32_t k = 0; k < n; ++k) {
        const fn::ModelRunRecord::IterationTotals totals = record.totals(k);
        values[Daly][k] = totals.yld + totals.yll;
        values[Cases][k] = totals.cases;
        values[Deaths][k] = totals.deaths;
    }
}

ScenarioDifferences::ScenarioDifferences(const QString& name, const QString& dataFolder, std::uint32_t iterations)
    : m_name(name)
    , m_dataFolder(dataFolder)
    , m_iterations(iterations)
{
    for (auto& series : m_total.sums)
        series.assign(iterations, 0.0);
    for (auto& series : m_differences)
        series.assign(iterations, 0.0);
}

const char* ScenarioDifferences::measureKey(Measure measure)
{
    static const char* const keys[MeasureCount] = {"dalyAverted", "casesAverted", "deathsAverted"};
    return keys[measure];
}

void ScenarioDifferences::setUnmatched(const QJsonArray& notInScenario, const QJsonArray& onlyInScenario)
{
    m_notInScenario = notInScenario;
    m_onlyInScenario = onlyInScenario;
}

ScenarioDifferences::Group& ScenarioDifferences::groupOf(std::vector<Group>& groups, const QString& id,
                                                         const QString& name)
{
    const auto found = std::find_if(groups.begin(), groups.end(), [&](const Group& group) { return group.id == id; });
    if (found != groups.end())
        return *found;
    groups.push_back(Group{id, name, 0, {}});
    for (auto& series : groups.back().sums)
        series.assign(m_iterations, 0.0);
    return groups.back();
}

void ScenarioDifferences::add(Group& group) const
{
    ++group.models;
    for (int measure = 0; measure < MeasureCount; ++measure) {
        double* into = group.sums[measure].data();
        const double* from = m_differences[measure].data();
        for (std::uint32_t k = 0; k < m_iterations; ++k)
            into[k] += from[k];
    }
}

QJsonObject ScenarioDifferences::statistics(const std::vector<double>* differences) const
{
    QJsonObject figures;
    for (int measure = 0; measure < MeasureCount; ++measure) {
        const double* values = differences[measure].data();
        figures.insert(QLatin1String(measureKey(Measure(measure))),
                       QJsonObject::fromVariantMap(fn::statistics::seriesStatistics(
                           m_iterations, [values](std::uint32_t k) { return values[k]; })));
    }
    return figures;
}

void ScenarioDifferences::addPair(const fn::DiseaseModel& base, const Totals& baseTotals,
                                  const fn::ModelRunRecord& scenario)
{
    if (scenario.iterations() != m_iterations || baseTotals.values[Daly].size() != m_iterations)
        return;
    m_scenario.read(scenario);
    for (int measure = 0; measure < MeasureCount; ++measure) {
        for (std::uint32_t k = 0; k < m_iterations; ++k)
            m_differences[measure][k] = baseTotals.values[measure][k] - m_scenario.values[measure][k];
    }
    QJsonObject entry = statistics(m_differences);
    entry.insert(QStringLiteral("country"), base.countryId());
    entry.insert(QStringLiteral("countryName"), base.countryName());
    entry.insert(QStringLiteral("disease"), base.diseaseId());
    entry.insert(QStringLiteral("diseaseName"), base.diseaseName());
    entry.insert(QStringLiteral("modelId"), base.modelId());
    m_models << entry;
    add(m_total);
    add(groupOf(m_countries, base.countryId(), base.countryName()));
    add(groupOf(m_diseases, base.diseaseId(), base.diseaseName()));
}

QJsonObject ScenarioDifferences::document() const
{
    const auto figures = [this](const Group& group) {
        QJsonObject entry = statistics(group.sums);
        entry.insert(QStringLiteral("models"), group.models);
        return entry;
    };
    QJsonArray countries;
    for (const Group& group : m_countries)
        countries << named(figures(group), "country", group.id, "countryName", group.name);
    QJsonArray diseases;
    for (const Group& group : m_diseases)
        diseases << named(figures(group), "disease", group.id, "diseaseName", group.name);
    QJsonObject scenario = {
        {QStringLiteral("name"), m_name},
        {QStringLiteral("dataFolder"), m_dataFolder},
        {QStringLiteral("averted"), QStringLiteral("base - scenario, per iteration")},
        {QStringLiteral("models"), m_models},
        {QStringLiteral("total"), figures(m_total)},
        {QStringLiteral("countries"), countries},
        {QStringLiteral("diseases"), diseases},
        {QStringLiteral("notInScenario"), m_notInScenario},
        {QStringLiteral("onlyInScenario"), m_onlyInScenario},
    };
    for (auto it = m_data.begin(); it != m_data.end(); ++it)
        scenario.insert(it.key(), it.value());
    return scenario;
}

} // namespace batch
