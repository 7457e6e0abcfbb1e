#include "app/batch/RunSummary.h"

#include <algorithm>

#include <QJsonArray>

#include "fn/data/InputDataMgr.h"
#include "fn/model/DiseaseModel.h"
#include "fn/stats/Statistics.h"

namespace batch {

RunSummary::RunSummary(std::uint32_t iterations)
    : m_iterations(iterations)
{
    for (auto& sums : m_total.sums)
        sums.assign(iterations, 0.0);
    for (auto& sums : m_model)
        sums.assign(iterations, 0.0);
}

RunSummary::Group& RunSummary::groupOf(std::vector<Group>& groups, const QString& id, const QString& name)
{
    const auto found = std::find_if(groups.begin(), groups.end(), [&](const Group& group) { return group.id == id; });
    if (found != groups.end())
        return *found;
    groups.push_back(Group{id, name, 0, {}, {}});
    for (auto& sums : groups.back().sums)
        sums.assign(m_iterations, 0.0);
    return groups.back();
}

void RunSummary::addModel(const fn::DiseaseModel& model)
{
    const fn::ModelRunRecord* record = model.runRecord().get();
    if (!record || record->iterations() != m_iterations)
        return;
    // Summed over strata as the model's own totals are.
    const std::size_t strata = record->strataCount();
    for (std::uint32_t k = 0; k < m_iterations; ++k) {
        const double* ay = record->row(fn::ModelRunRecord::AcuteYld, k);
        const double* al = record->row(fn::ModelRunRecord::AcuteYll, k);
        const double* sy = record->row(fn::ModelRunRecord::SequelaYld, k);
        const double* sl = record->row(fn::ModelRunRecord::SequelaYll, k);
        const double* c = record->row(fn::ModelRunRecord::Cases, k);
        const double* d = record->row(fn::ModelRunRecord::Deaths, k);
        double sums[SumCount] = {0.0, 0.0, 0.0, 0.0};
        for (std::size_t i = 0; i < strata; ++i) {
            sums[Yld] += ay[i] + sy[i];
            sums[Yll] += al[i] + sl[i];
            sums[Cases] += c[i];
            sums[Deaths] += d[i];
        }
        for (int sum = 0; sum < SumCount; ++sum)
            m_model[sum][k] = sums[sum];
    }
    const QString& country = model.countryId();
    bool whole = true;
    const double population = countryPopulation(model, *record, whole);
    const auto known = m_population.constFind(country);
    if (known == m_population.constEnd() || (whole && !known.value().second))
        m_population.insert(country, {population, whole});
    add(m_total, country);
    add(groupOf(m_countries, country, model.countryName()), country);
    add(groupOf(m_diseases, model.diseaseId(), model.diseaseName()), country);
}

double RunSummary::countryPopulation(const fn::DiseaseModel& model, const fn::ModelRunRecord& record, bool& whole)
{
    // A congenital disease's model has one age group more than its country's data, filled with
    // the youngest group's people again; they are the country's people only once.
    const fn::InputDataMgr* store = model.inputDataMgr();
    const std::size_t countryCells = store
        ? std::size_t(store->ageDistributions().value(model.countryId()).formulas().size())
        : 0;
    const std::size_t added = countryCells > 0 && record.strataCount() > countryCells
        ? record.strataCount() - countryCells
        : 0;
    whole = added == 0;
    double population = model.totalPopulation();
    for (std::size_t i = 0; i < added && i < record.population().size(); ++i)
        population -= record.population()[i];
    return population;
}

void RunSummary::add(Group& group, const QString& country)
{
    ++group.models;
    if (!group.countries.contains(country))
        group.countries << country;
    for (int sum = 0; sum < SumCount; ++sum) {
        double* into = group.sums[sum].data();
        const double* from = m_model[sum].data();
        for (std::uint32_t k = 0; k < m_iterations; ++k)
            into[k] += from[k];
    }
}

QJsonObject RunSummary::figures(const Group& group) const
{
    double population = 0.0;
    for (const QString& country : group.countries)
        population += m_population.value(country).first;
    const std::vector<double>& y = group.sums[Yld];
    const std::vector<double>& l = group.sums[Yll];
    const std::vector<double>& c = group.sums[Cases];
    const std::vector<double>& d = group.sums[Deaths];
    const std::uint32_t n = m_iterations;
    const auto statistics = [n](auto value) {
        return QJsonObject::fromVariantMap(fn::statistics::seriesStatistics(n, value));
    };
    const auto per100k = [population](double value) { return value * 100000.0 / population; };
    return {
        {QStringLiteral("models"), group.models},
        {QStringLiteral("countries"), QJsonArray::fromStringList(group.countries)},
        {QStringLiteral("population"), population},
        {QStringLiteral("cases"), statistics([&](std::uint32_t k) { return c[k]; })},
        {QStringLiteral("incidencePer100k"), statistics([&](std::uint32_t k) { return per100k(c[k]); })},
        {QStringLiteral("deaths"), statistics([&](std::uint32_t k) { return d[k]; })},
        {QStringLiteral("mortalityPer100k"), statistics([&](std::uint32_t k) { return per100k(d[k]); })},
        {QStringLiteral("yld"), statistics([&](std::uint32_t k) { return y[k]; })},
        {QStringLiteral("yldPer100k"), statistics([&](std::uint32_t k) { return per100k(y[k]); })},
        {QStringLiteral("yll"), statistics([&](std::uint32_t k) { return l[k]; })},
        {QStringLiteral("yllPer100k"), statistics([&](std::uint32_t k) { return per100k(l[k]); })},
        {QStringLiteral("daly"), statistics([&](std::uint32_t k) { return y[k] + l[k]; })},
        {QStringLiteral("dalyPer100k"), statistics([&](std::uint32_t k) { return per100k(y[k] + l[k]); })},
    };
}

QJsonObject RunSummary::document() const
{
    QJsonArray countries;
    for (const Group& group : m_countries) {
        QJsonObject entry = figures(group);
        entry.remove(QStringLiteral("countries"));
        entry.insert(QStringLiteral("country"), group.id);
        entry.insert(QStringLiteral("countryName"), group.name);
        countries << entry;
    }
    QJsonArray diseases;
    for (const Group& group : m_diseases) {
        QJsonObject entry = figures(group);
        entry.insert(QStringLiteral("disease"), group.id);
        entry.insert(QStringLiteral("diseaseName"), group.name);
        diseases << entry;
    }
    return {
        {QStringLiteral("total"), figures(m_total)},
        {QStringLiteral("countries"), countries},
        {QStringLiteral("diseases"), diseases},
    };
}

} // namespace batch
