#include "fn/model/ResultsComputer.h"

#include <algorithm>

#include "fn/stats/Statistics.h"

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
    m_strataCount = Marray(m_strataShape).size();
    m_iterations = iterations;
    m_sums = SampleBuffer(std::size_t(SumCount) * m_strataCount * iterations);
    std::fill(m_sums.data(), m_sums.data() + m_sums.size(), 0.0);
    m_population.assign(m_strataCount, 0.0);
    m_prepared = true;
}

std::ptrdiff_t ResultsComputer::alignmentOf(const Marray::Shape& modelShape) const
{
    // Both are (age, further strata...); a model with fewer age groups fills the last ones.
    if (!m_prepared || modelShape.size() != m_strataShape.size())
        return -1;
    if (m_strataShape.empty())
        return 0;
    const std::size_t aggregateAges = std::size_t(m_strataShape[0]);
    const std::size_t modelAges = std::size_t(modelShape[0]);
    if (modelAges > aggregateAges || modelAges == 0)
        return -1;
    const std::size_t rowSize = m_strataCount / aggregateAges;
    if (Marray(modelShape).size() / modelAges != rowSize)
        return -1;
    return std::ptrdiff_t((aggregateAges - modelAges) * rowSize);
}

void ResultsComputer::addModel(const DiseaseModel& model)
{
    m_totalPopulation += model.totalPopulation();
    const ModelRunRecord* record = model.runRecord().get();
    // Without iterations there is nothing per stratum to add.
    if (!record || m_iterations == 0 || record->iterations() != m_iterations)
        return;
    const std::ptrdiff_t offset = alignmentOf(record->strataShape());
    if (offset < 0)
        return;
    const std::size_t strata = record->strataCount();
    for (std::uint32_t k = 0; k < m_iterations; ++k) {
        const double* acuteYld = record->row(ModelRunRecord::AcuteYld, k);
        const double* sequelaYld = record->row(ModelRunRecord::SequelaYld, k);
        const double* acuteYll = record->row(ModelRunRecord::AcuteYll, k);
        const double* sequelaYll = record->row(ModelRunRecord::SequelaYll, k);
        const double* cases = record->row(ModelRunRecord::Cases, k);
        const double* deaths = record->row(ModelRunRecord::Deaths, k);
        double* yld = row(Yld, k) + offset;
        double* yll = row(Yll, k) + offset;
        double* aggregateCases = row(Cases, k) + offset;
        double* aggregateDeaths = row(Deaths, k) + offset;
        for (std::size_t i = 0; i < strata; ++i) {
            yld[i] += acuteYld[i] + sequelaYld[i];
            yll[i] += acuteYll[i] + sequelaYll[i];
            aggregateCases[i] += cases[i];
            aggregateDeaths[i] += deaths[i];
        }
    }
    const std::vector<double>& population = record->population();
    for (std::size_t i = 0; i < strata; ++i)
        m_population[std::size_t(offset) + i] += population[i];
}

void ResultsComputer::compute()
{
    using namespace statistics;
    m_allResults.clear();
    m_totalResults.clear();
    const double pm = m_totalPopulation;
    const std::uint32_t n = m_prepared ? m_iterations : 0;

    static const QString burdens[3] = {QStringLiteral("yld"), QStringLiteral("yll"), QStringLiteral("daly")};
    static const QString forms[4] = {QString(), QStringLiteral("PerCase"), QStringLiteral("Per100k"),
                                     QStringLiteral("Per100kTotalPopulation")};
    for (int burden = 0; burden < 3; ++burden) {
        for (int form = 0; form < 4; ++form) {
            const QVariantMap map = stratifiedStatistics(
                m_strataShape, m_factors, n, [&](std::uint32_t k, std::size_t i) {
                    const double yld = row(Yld, k)[i];
                    const double yll = row(Yll, k)[i];
                    const double v = burden == 0 ? yld : burden == 1 ? yll : yld + yll;
                    switch (form) {
                    case 1:
                        return v / row(Cases, k)[i];
                    case 2:
                        return (100000.0 * v) / m_population[i];
                    case 3:
                        return v * 100000.0 / pm;
                    default:
                        return v;
                    }
                });
            m_allResults.insert(burdens[burden] + forms[form], map);
        }
    }

    std::vector<double> y(n), l(n), cases(n), deaths(n);
    for (std::uint32_t k = 0; k < n; ++k) {
        double sums[4] = {0.0, 0.0, 0.0, 0.0};
        for (std::size_t i = 0; i < m_strataCount; ++i) {
            sums[0] += row(Yld, k)[i];
            sums[1] += row(Yll, k)[i];
            sums[2] += row(Cases, k)[i];
            sums[3] += row(Deaths, k)[i];
        }
        y[k] = sums[0];
        l[k] = sums[1];
        cases[k] = sums[2];
        deaths[k] = sums[3];
    }
    const auto series = [n](auto value) { return seriesStatistics(n, value); };
    m_totalResults = {
        {QStringLiteral("yld"), series([&](auto k) { return y[k]; })},
        {QStringLiteral("yldPer100k"), series([&](auto k) { return y[k] * 100000.0 / pm; })},
        {QStringLiteral("yll"), series([&](auto k) { return l[k]; })},
        {QStringLiteral("yllPer100k"), series([&](auto k) { return l[k] * 100000.0 / pm; })},
        {QStringLiteral("daly"), series([&](auto k) { return y[k] + l[k]; })},
        {QStringLiteral("dalyPerCase"), series([&](auto k) { return (y[k] + l[k]) / cases[k]; })},
        {QStringLiteral("dalyPer100k"), series([&](auto k) { return (y[k] + l[k]) * 100000.0 / pm; })},
        {QStringLiteral("cases"), series([&](auto k) { return cases[k]; })},
        {QStringLiteral("incidencePer100k"), series([&](auto k) { return cases[k] * 100000.0 / pm; })},
        {QStringLiteral("deaths"), series([&](auto k) { return deaths[k]; })},
        {QStringLiteral("mortalityPer100k"), series([&](auto k) { return deaths[k] * 100000.0 / pm; })},
    };
    release();
}

void ResultsComputer::release()
{
    m_totalPopulation = 0.0;
    m_sums = SampleBuffer();
    m_population.clear();
    m_prepared = false;
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
