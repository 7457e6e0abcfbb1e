#include "fn/model/ResultsComputer.h"

#include "fn/model/SampleStores.h"
#include "fn/model/Statistics.h"

namespace fn {

ResultsComputer::ResultsComputer(const DiseaseModelList& models)
    : m_models(models)
{
}

ResultsComputer::~ResultsComputer() = default;

void ResultsComputer::prepare(std::uint32_t iterations)
{
    InputFactorPtrs ordinary;
    InputFactorPtrs congenital;
    m_congenitalModels = 0;
    for (const auto& model : m_models) {
        if (model->isCongenital()) {
            congenital = model->factors();
            ++m_congenitalModels;
        } else {
            ordinary = model->factors();
        }
    }
    m_factors = m_congenitalModels > 0 ? congenital : ordinary;
    m_strataShape = Marray::Shape();
    for (const InputFactor* factor : qAsConst(m_factors))
        m_strataShape.push_back(static_cast<Marray::Extent>(factor->levelCount()));
    m_strataShape.push_back(iterations);
    for (Marray* accumulator : {&m_yld, &m_yll, &m_population, &m_cases, &m_deaths})
        *accumulator = Marray(m_strataShape, 0.0);
}

void ResultsComputer::addAligned(Marray& accumulator, const Marray& modelSamples) const
{
    // Both arrays are (age, further strata..., iteration); a model with fewer age groups
    // fills the accumulator's last age groups.
    if (accumulator.dimension() == 0 || modelSamples.dimension() != accumulator.dimension())
        return;
    const std::size_t accumulatorAges = static_cast<std::size_t>(accumulator.shape(0));
    const std::size_t modelAges = static_cast<std::size_t>(modelSamples.shape(0));
    if (modelAges > accumulatorAges || modelAges == 0)
        return;
    const std::size_t rowSize = accumulator.size() / accumulatorAges;
    if (modelSamples.size() / modelAges != rowSize)
        return;
    double* target = accumulator.begin() + (accumulatorAges - modelAges) * rowSize;
    const double* source = modelSamples.begin();
    for (std::size_t i = 0; i < modelSamples.size(); ++i)
        target[i] += source[i];
}

void ResultsComputer::addModel(const DiseaseModel& model)
{
    m_totalPopulation += model.totalPopulation();
    addAligned(m_yld, model.yld());
    addAligned(m_yll, model.yll());
    addAligned(m_population, model.ageDistributionSamples());
    addAligned(m_cases, model.cases());
    addAligned(m_deaths, model.deaths());
}

void ResultsComputer::compute()
{
    using namespace statistics;
    m_allResults.clear();
    m_totalResults.clear();
    const double pm = m_totalPopulation;
    const Marray daly = m_yld + m_yll;

    const auto forms = [&](const QString& key, const Marray& samples) {
        m_allResults.insert(key, stratifiedMap(samples, m_factors));
        m_allResults.insert(key + QStringLiteral("PerCase"), stratifiedMap(samples / m_cases, m_factors));
        m_allResults.insert(key + QStringLiteral("Per100k"), stratifiedMap((100000.0 * samples) / m_population, m_factors));
        m_allResults.insert(key + QStringLiteral("Per100kTotalPopulation"),
                            stratifiedMap(scaled(samples, 100000.0, pm), m_factors));
    };
    forms(QStringLiteral("yld"), m_yld);
    forms(QStringLiteral("yll"), m_yll);
    forms(QStringLiteral("daly"), daly);

    const Marray y = samples::totalsPerIteration(m_yld);
    const Marray l = samples::totalsPerIteration(m_yll);
    const Marray d = y + l;
    const Marray cases = samples::totalsPerIteration(m_cases);
    const Marray deaths = samples::totalsPerIteration(m_deaths);
    m_totalResults = {
        {QStringLiteral("yld"), statisticsMap(y)},
        {QStringLiteral("yldPer100k"), statisticsMap(scaled(y, 100000.0, pm))},
        {QStringLiteral("yll"), statisticsMap(l)},
        {QStringLiteral("yllPer100k"), statisticsMap(scaled(l, 100000.0, pm))},
        {QStringLiteral("daly"), statisticsMap(d)},
        {QStringLiteral("dalyPerCase"), statisticsMap(divided(d, cases))},
        {QStringLiteral("dalyPer100k"), statisticsMap(scaled(d, 100000.0, pm))},
        {QStringLiteral("cases"), statisticsMap(cases)},
        {QStringLiteral("incidencePer100k"), statisticsMap(scaled(cases, 100000.0, pm))},
        {QStringLiteral("deaths"), statisticsMap(deaths)},
        {QStringLiteral("mortalityPer100k"), statisticsMap(scaled(deaths, 100000.0, pm))},
    };

    m_totalPopulation = 0.0;
    for (Marray* accumulator : {&m_yld, &m_yll, &m_population, &m_cases, &m_deaths})
        *accumulator = Marray();
}

QVariantMap ResultsComputer::aggregatedResults() const
{
    QVariantList modelResults;
    for (const auto& model : m_models) {
        modelResults << QVariantMap{
            {QStringLiteral("id"), model->modelId()},
            {QStringLiteral("country"), model->countryId()},
            {QStringLiteral("disease"), model->diseaseId()},
            {QStringLiteral("countryName"), model->countryName()},
            {QStringLiteral("diseaseName"), model->diseaseName()},
            {QStringLiteral("results"), model->totalResults()},
        };
    }
    return {
        {QStringLiteral("modelResults"), modelResults},
        {QStringLiteral("totalResults"), m_totalResults},
        {QStringLiteral("allResults"), m_allResults},
    };
}

} // namespace fn
