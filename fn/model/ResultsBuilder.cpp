#include "fn/model/ResultsBuilder.h"

#include <vector>

#include "fn/model/DiseaseModel.h"
#include "fn/model/Statistics.h"

namespace fn {

namespace {

using statistics::seriesStatistics;

const QString yldKey = QStringLiteral("yld");
const QString yllKey = QStringLiteral("yll");
const QString dalyKey = QStringLiteral("daly");

// The ten figures of a category (acute, sequela or total) of a tree: YLD and YLL over the
// iterations, per case, per 100 000 of the tree's population and of the model's.
QVariantMap treeCategory(std::uint32_t n, const double* y, const double* l, const double* cases, double pt, double pm)
{
    return {
        {yldKey, seriesStatistics(n, [&](auto k) { return y[k]; })},
        {QStringLiteral("yldPer100k"), seriesStatistics(n, [&](auto k) { return y[k] * 100000.0 / pt; })},
        {QStringLiteral("yldPer100kTotalPopulation"), seriesStatistics(n, [&](auto k) { return y[k] * 100000.0 / pm; })},
        {yllKey, seriesStatistics(n, [&](auto k) { return l[k]; })},
        {QStringLiteral("yllPer100k"), seriesStatistics(n, [&](auto k) { return l[k] * 100000.0 / pt; })},
        {QStringLiteral("yllPer100kTotalPopulation"), seriesStatistics(n, [&](auto k) { return l[k] * 100000.0 / pm; })},
        {dalyKey, seriesStatistics(n, [&](auto k) { return y[k] + l[k]; })},
        {QStringLiteral("dalyPerCase"), seriesStatistics(n, [&](auto k) { return (y[k] + l[k]) / cases[k]; })},
        {QStringLiteral("dalyPer100k"), seriesStatistics(n, [&](auto k) { return (y[k] + l[k]) * 100000.0 / pt; })},
        {QStringLiteral("dalyPer100kTotalPopulation"),
         seriesStatistics(n, [&](auto k) { return (y[k] + l[k]) * 100000.0 / pm; })},
    };
}

// The seven figures of a category of the model, from its per-iteration totals.
QVariantMap modelCategory(std::uint32_t n, const std::vector<double>& y, const std::vector<double>& l,
                          const std::vector<double>& cases, double pm)
{
    return {
        {yldKey, seriesStatistics(n, [&](auto k) { return y[k]; })},
        {QStringLiteral("yldPer100k"), seriesStatistics(n, [&](auto k) { return y[k] * 100000.0 / pm; })},
        {yllKey, seriesStatistics(n, [&](auto k) { return l[k]; })},
        {QStringLiteral("yllPer100k"), seriesStatistics(n, [&](auto k) { return l[k] * 100000.0 / pm; })},
        {dalyKey, seriesStatistics(n, [&](auto k) { return y[k] + l[k]; })},
        {QStringLiteral("dalyPerCase"), seriesStatistics(n, [&](auto k) { return (y[k] + l[k]) / cases[k]; })},
        {QStringLiteral("dalyPer100k"), seriesStatistics(n, [&](auto k) { return (y[k] + l[k]) * 100000.0 / pm; })},
    };
}

} // namespace

ResultsBuilder::ResultsBuilder(const ModelRunRecord& record)
    : m_record(record)
    , m_treeCount(int(record.trees().size()))
    , m_outcomeResults(m_treeCount)
    , m_treeCategoryResults(m_treeCount)
    , m_stratified(stratifiedFigureCount)
{
}

void ResultsBuilder::runTask(int task)
{
    if (task < m_treeCount)
        buildTree(task);
    else if (task == m_treeCount)
        buildTotals();
    else
        buildStratified(task - m_treeCount - 1);
}

void ResultsBuilder::runAll()
{
    for (int task = 0; task < taskCount(); ++task)
        runTask(task);
}

void ResultsBuilder::buildTree(int tree)
{
    const ModelRunRecord::TreeSeries& series = m_record.trees()[std::size_t(tree)];
    const std::uint32_t n = m_record.iterations();
    const double pt = series.population;
    const double pm = m_record.totalPopulation();
    const double* k = series.treeCases;

    QVariantList outcomes;
    for (const ModelRunRecord::TreeSeries::Outcome& outcome : series.outcomes) {
        const double* y = outcome.yld;
        const double* l = outcome.yll;
        const double* q = outcome.cases;
        const double* d = outcome.deaths;
        QVariantMap entry = treeCategory(n, y, l, k, pt, pm);
        entry.insert(QStringLiteral("name"), outcome.name);
        entry.insert(QStringLiteral("acuteType"), outcome.acute ? QStringLiteral("acute") : QStringLiteral("sequela"));
        entry.insert(QStringLiteral("populationCasesCount"), seriesStatistics(n, [&](auto i) { return q[i]; }));
        entry.insert(QStringLiteral("deathCasesCount"), seriesStatistics(n, [&](auto i) { return d[i]; }));
        entry.insert(QStringLiteral("allCasesCount"), seriesStatistics(n, [&](auto i) { return q[i] + d[i]; }));
        entry.insert(QStringLiteral("incidencePer100k"), seriesStatistics(n, [&](auto i) { return q[i] * 100000.0 / pt; }));
        entry.insert(QStringLiteral("mortalityPer100k"), seriesStatistics(n, [&](auto i) { return d[i] * 100000.0 / pm; }));
        outcomes << entry;
    }
    m_outcomeResults[tree] = outcomes;
    m_treeCategoryResults[tree] = {
        {QStringLiteral("acute"), treeCategory(n, series.acuteYld, series.acuteYll, k, pt, pm)},
        {QStringLiteral("sequela"), treeCategory(n, series.sequelaYld, series.sequelaYll, k, pt, pm)},
        {QStringLiteral("total"), treeCategory(n, series.totalYld, series.totalYll, k, pt, pm)},
    };
}

void ResultsBuilder::buildTotals()
{
    const std::uint32_t n = m_record.iterations();
    const std::size_t strata = m_record.strataCount();
    const double pm = m_record.totalPopulation();
    std::vector<double> acuteY(n), acuteL(n), sequelaY(n), sequelaL(n), totalY(n), totalL(n), cases(n), deaths(n);
    for (std::uint32_t k = 0; k < n; ++k) {
        const double* ay = m_record.row(ModelRunRecord::AcuteYld, k);
        const double* al = m_record.row(ModelRunRecord::AcuteYll, k);
        const double* sy = m_record.row(ModelRunRecord::SequelaYld, k);
        const double* sl = m_record.row(ModelRunRecord::SequelaYll, k);
        const double* c = m_record.row(ModelRunRecord::Cases, k);
        const double* d = m_record.row(ModelRunRecord::Deaths, k);
        double sums[8] = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
        for (std::size_t i = 0; i < strata; ++i) {
            sums[0] += ay[i];
            sums[1] += al[i];
            sums[2] += sy[i];
            sums[3] += sl[i];
            sums[4] += ay[i] + sy[i];
            sums[5] += al[i] + sl[i];
            sums[6] += c[i];
            sums[7] += d[i];
        }
        acuteY[k] = sums[0];
        acuteL[k] = sums[1];
        sequelaY[k] = sums[2];
        sequelaL[k] = sums[3];
        totalY[k] = sums[4];
        totalL[k] = sums[5];
        cases[k] = sums[6];
        deaths[k] = sums[7];
    }
    const QVariantMap total = modelCategory(n, totalY, totalL, cases, pm);
    m_sequelaTypeResults = {
        {QStringLiteral("acute"), modelCategory(n, acuteY, acuteL, cases, pm)},
        {QStringLiteral("sequela"), modelCategory(n, sequelaY, sequelaL, cases, pm)},
        {QStringLiteral("total"), total},
    };
    m_totalResults = total;
    m_totalResults.insert(QStringLiteral("cases"), seriesStatistics(n, [&](auto k) { return cases[k]; }));
    m_totalResults.insert(QStringLiteral("incidencePer100k"),
                          seriesStatistics(n, [&](auto k) { return cases[k] * 100000.0 / pm; }));
    m_totalResults.insert(QStringLiteral("deaths"), seriesStatistics(n, [&](auto k) { return deaths[k]; }));
    m_totalResults.insert(QStringLiteral("mortalityPer100k"),
                          seriesStatistics(n, [&](auto k) { return deaths[k] * 100000.0 / pm; }));
}

void ResultsBuilder::buildStratified(int figure)
{
    m_stratified[figure] = stratifiedMap(figure);
}

QVariantMap ResultsBuilder::stratifiedMap(int figure) const
{
    const int burden = figure / 4; // YLD, YLL, DALY
    const int form = figure % 4;   // as it is, per case, per 100 000 of the stratum, of the model
    const std::vector<double>& population = m_record.population();
    const double pm = m_record.totalPopulation();
    const ModelRunRecord& record = m_record;
    return statistics::stratifiedStatistics(
        record.strataShape(), record.factors(), record.iterations(), [&](std::uint32_t k, std::size_t i) {
            const double yld = record.row(ModelRunRecord::AcuteYld, k)[i] + record.row(ModelRunRecord::SequelaYld, k)[i];
            const double yll = record.row(ModelRunRecord::AcuteYll, k)[i] + record.row(ModelRunRecord::SequelaYll, k)[i];
            const double v = burden == 0 ? yld : burden == 1 ? yll : yld + yll;
            switch (form) {
            case 1:
                return v / record.row(ModelRunRecord::Cases, k)[i];
            case 2:
                return (100000.0 * v) / population[i];
            case 3:
                return v * 100000.0 / pm;
            default:
                return v;
            }
        });
}

void ResultsBuilder::apply(DiseaseModel& model) const
{
    static const QString burdens[3] = {yldKey, yllKey, dalyKey};
    static const QString forms[4] = {QString(), QStringLiteral("PerCase"), QStringLiteral("Per100k"),
                                     QStringLiteral("Per100kTotalPopulation")};
    QVariantMap categorized;
    for (int figure = 0; figure < stratifiedFigureCount; ++figure)
        categorized.insert(burdens[figure / 4] + forms[figure % 4], m_stratified[figure]);
    model.setResults(categorized, m_sequelaTypeResults, m_totalResults);
    for (int tree = 0; tree < m_treeCount; ++tree)
        model.getOutcomeTree(tree).setResults(m_outcomeResults[tree], m_treeCategoryResults[tree]);
}

} // namespace fn
