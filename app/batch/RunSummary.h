#pragma once

#include <cstdint>
#include <vector>

#include <QJsonObject>
#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>

namespace fn {
class DiseaseModel;
class ModelRunRecord;
} // namespace fn

namespace batch {

// The totals of a batch a report can quote: over all models, per country and per disease. Each
// is taken per iteration, from the per-iteration sums of the models (as a model's own totals
// are), before its mean and quantiles; so the interval of a total reflects how the models' draws
// go together. The per-100 000 figures divide by the population of the countries in the total,
// each country counted once whatever the number of its diseases: its total population, the sum
// of its age distribution over all ages and both sexes at the start of the run.
class RunSummary
{
public:
    explicit RunSummary(std::uint32_t iterations);

    // Adds the model's last run, from its record (nothing when it has none).
    void addModel(const fn::DiseaseModel& model);

    // {"total": figures, "countries": [figures, ...], "diseases": [figures, ...]}, countries and
    // diseases in the order their first model was added. Each figures map names its country or
    // disease, counts its models, gives its population and the statistics of "cases",
    // "incidencePer100k", "deaths", "mortalityPer100k", "yld", "yldPer100k", "yll", "yllPer100k",
    // "daly" and "dalyPer100k".
    QJsonObject document() const;

private:
    enum Sum { Yld, Yll, Cases, Deaths, SumCount };

    struct Group
    {
        QString id;
        QString name;
        int models = 0;
        QStringList countries;
        std::vector<double> sums[SumCount];
    };

    Group& groupOf(std::vector<Group>& groups, const QString& id, const QString& name);
    // The model's population without the age groups it adds to its country's.
    static double countryPopulation(const fn::DiseaseModel& model, const fn::ModelRunRecord& record, bool& whole);
    void add(Group& group, const QString& country);
    QJsonObject figures(const Group& group) const;

    std::uint32_t m_iterations;
    Group m_total;
    std::vector<Group> m_countries;
    std::vector<Group> m_diseases;
    // Per country its population, and whether a model with the country's own age groups gave it.
    QMap<QString, QPair<double, bool>> m_population;
    // The sums of the model being added, per iteration.
    std::vector<double> m_model[SumCount];
};

} // namespace batch
