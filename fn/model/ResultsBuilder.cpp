#include "fn/model/ResultsBuilder.h"

#include <algorithm>
#include <array>
#include <vector>

#include "fn/model/ConvergenceCheck.h"
#include "fn/model/DiseaseModel.h"
#include "fn/model/SensitivityAnalysis.h"
#include "fn/stats/Statistics.h"

namespace fn {

namespace {

const QString yldKey = QStringLiteral("yld");
const QString yllKey = QStringLiteral("yll");
const QString dalyKey = QStringLiteral("daly");

// Estimators of a set of figures, and their maps under the set's keys.
template<std::size_t Count, typename Set>
struct Figures
{
    std::array<QuantileEstimator, Count> estimators;

    QVariantMap map(bool errors = false) const
    {
        QVariantMap figures;
        statistics::addFigures(figures, estimators.data(), Set::keys(), Count, errors);
        return figures;
    }
    QVariantMap errorMap() const { return map(true); }
};

// The ten figures of a category (acute, sequela or total) of a tree, or of an outcome: YLD
// and YLL over the iterations, per case, per 100 000 of the tree's population and of the model's.
struct TreeFigures : Figures<10, TreeFigures>
{
    void add(double y, double l, double cases, double pt, double pm)
    {
        estimators[0].add(y);
        estimators[1].add(y * 100000.0 / pt);
        estimators[2].add(y * 100000.0 / pm);
        estimators[3].add(l);
        estimators[4].add(l * 100000.0 / pt);
        estimators[5].add(l * 100000.0 / pm);
        estimators[6].add(y + l);
        estimators[7].add((y + l) / cases);
        estimators[8].add((y + l) * 100000.0 / pt);
        estimators[9].add((y + l) * 100000.0 / pm);
    }

    static const QString* keys()
    {
        static const QString names[10] = {yldKey,
                                         QStringLiteral("yldPer100k"),
                                         QStringLiteral("yldPer100kTotalPopulation"),
                                         yllKey,
                                         QStringLiteral("yllPer100k"),
                                         QStringLiteral("yllPer100kTotalPopulation"),
                                         dalyKey,
                                         QStringLiteral("dalyPerCase"),
                                         QStringLiteral("dalyPer100k"),
                                         QStringLiteral("dalyPer100kTotalPopulation")};
        return names;
    }
};

// The five further figures of an outcome: its cases, deaths, both, incidence and mortality.
struct OutcomeFigures
{
    TreeFigures burden;
    std::array<QuantileEstimator, 5> estimators;

    QVariantMap map(const ModelRunRecord::TreeSeries::Outcome& outcome, bool errors) const
    {
        static const QString keys[5] = {QStringLiteral("populationCasesCount"), QStringLiteral("deathCasesCount"),
                                        QStringLiteral("allCasesCount"), QStringLiteral("incidencePer100k"),
                                        QStringLiteral("mortalityPer100k")};
        QVariantMap entry = burden.map(errors);
        entry.insert(QStringLiteral("name"), outcome.name);
        entry.insert(QStringLiteral("acuteType"), outcome.acute ? QStringLiteral("acute") : QStringLiteral("sequela"));
        statistics::addFigures(entry, estimators.data(), keys, estimators.size(), errors);
        return entry;
    }

    void add(double y, double l, double q, double d, double treeCases, double pt, double pm)
    {
        burden.add(y, l, treeCases, pt, pm);
        estimators[0].add(q);
        estimators[1].add(d);
        estimators[2].add(q + d);
        estimators[3].add(q * 100000.0 / pt);
        estimators[4].add(d * 100000.0 / pm);
    }
};

// The seven figures of a category of the model, from its per-iteration totals.
struct ModelFigures : Figures<7, ModelFigures>
{
    void add(double y, double l, double cases, double pm)
    {
        estimators[0].add(y);
        estimators[1].add(y * 100000.0 / pm);
        estimators[2].add(l);
        estimators[3].add(l * 100000.0 / pm);
        estimators[4].add(y + l);
        estimators[5].add((y + l) / cases);
        estimators[6].add((y + l) * 100000.0 / pm);
    }

    static const QString* keys()
    {
        static const QString names[7] = {yldKey, QStringLiteral("yldPer100k"), yllKey, QStringLiteral("yllPer100k"),
                                         dalyKey, QStringLiteral("dalyPerCase"), QStringLiteral("dalyPer100k")};
        return names;
    }
};

} // namespace

ResultsBuilder::ResultsBuilder(std::shared_ptr<const ModelRunRecord> record)
    : m_record(std::move(record))
    , m_treeCount(m_record->treeCount())
    , m_analyzing(m_record->sensitivityInputs() != nullptr)
    , m_outcomeResults(m_treeCount)
    , m_treeCategoryResults(m_treeCount)
    , m_stratified(stratifiedFigureCount)
    , m_outcomeErrors(m_treeCount)
    , m_treeCategoryErrors(m_treeCount)
    , m_stratifiedErrors(stratifiedFigureCount)
{
}

void ResultsBuilder::runTask(int task)
{
    if (task < m_treeCount)
        buildTree(task);
    else if (task == m_treeCount)
        buildTotals();
    else if (task <= m_treeCount + stratifiedFigureCount)
        buildStratified(task - m_treeCount - 1);
    else
        buildSensitivity();
}

void ResultsBuilder::runAll()
{
    for (int task = 0; task < taskCount(); ++task)
        runTask(task);
}

void ResultsBuilder::buildTree(int tree)
{
    const ModelRunRecord& record = *m_record;
    if (!record.waitForTreeStart(tree))
        return;
    const ModelRunRecord::TreeSeries& series = record.tree(tree);
    const std::uint32_t n = record.iterations();
    const double pt = series.population;
    const double pm = record.totalPopulation();

    std::vector<OutcomeFigures> outcomes(series.outcomes.size());
    TreeFigures categories[3];
    std::uint32_t available = 0;
    for (std::uint32_t k = 0; k < n; ++k) {
        if (k == available) {
            available = record.waitForTree(tree, k + 1);
            if (available <= k)
                return;
        }
        const double treeCases = series.treeCases[k];
        for (std::size_t o = 0; o < outcomes.size(); ++o) {
            const ModelRunRecord::TreeSeries::Outcome& outcome = series.outcomes[o];
            outcomes[o].add(outcome.yld[k], outcome.yll[k], outcome.cases[k], outcome.deaths[k], treeCases, pt, pm);
        }
        categories[0].add(series.acuteYld[k], series.acuteYll[k], treeCases, pt, pm);
        categories[1].add(series.sequelaYld[k], series.sequelaYll[k], treeCases, pt, pm);
        categories[2].add(series.totalYld[k], series.totalYll[k], treeCases, pt, pm);
    }

    QVariantList entries;
    QVariantList errorEntries;
    for (std::size_t o = 0; o < outcomes.size(); ++o) {
        entries << outcomes[o].map(series.outcomes[o], false);
        if (m_analyzing)
            errorEntries << outcomes[o].map(series.outcomes[o], true);
    }
    m_outcomeResults[tree] = entries;
    m_treeCategoryResults[tree] = {
        {QStringLiteral("acute"), categories[0].map()},
        {QStringLiteral("sequela"), categories[1].map()},
        {QStringLiteral("total"), categories[2].map()},
    };
    if (m_analyzing) {
        m_outcomeErrors[tree] = errorEntries;
        m_treeCategoryErrors[tree] = {
            {QStringLiteral("acute"), categories[0].errorMap()},
            {QStringLiteral("sequela"), categories[1].errorMap()},
            {QStringLiteral("total"), categories[2].errorMap()},
        };
    }
}

void ResultsBuilder::buildTotals()
{
    const ModelRunRecord& record = *m_record;
    const std::uint32_t n = record.iterations();
    const std::size_t strata = record.strataCount();
    const double pm = record.totalPopulation();
    ModelFigures acute, sequela, total;
    QuantileEstimator cases, incidence, deaths, mortality;
    std::uint32_t available = 0;
    for (std::uint32_t k = 0; k < n; ++k) {
        if (k == available) {
            available = record.waitForRows(k + 1);
            if (available <= k)
                return;
        }
        const double* ay = record.row(ModelRunRecord::AcuteYld, k);
        const double* al = record.row(ModelRunRecord::AcuteYll, k);
        const double* sy = record.row(ModelRunRecord::SequelaYld, k);
        const double* sl = record.row(ModelRunRecord::SequelaYll, k);
        const double* c = record.row(ModelRunRecord::Cases, k);
        const double* d = record.row(ModelRunRecord::Deaths, k);
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
        acute.add(sums[0], sums[1], sums[6], pm);
        sequela.add(sums[2], sums[3], sums[6], pm);
        total.add(sums[4], sums[5], sums[6], pm);
        cases.add(sums[6]);
        incidence.add(sums[6] * 100000.0 / pm);
        deaths.add(sums[7]);
        mortality.add(sums[7] * 100000.0 / pm);
    }
    const QVariantMap totalMap = total.map();
    m_sequelaTypeResults = {
        {QStringLiteral("acute"), acute.map()},
        {QStringLiteral("sequela"), sequela.map()},
        {QStringLiteral("total"), totalMap},
    };
    static const QString extraKeys[4] = {QStringLiteral("cases"), QStringLiteral("incidencePer100k"),
                                         QStringLiteral("deaths"), QStringLiteral("mortalityPer100k")};
    const QuantileEstimator extras[4] = {cases, incidence, deaths, mortality};
    m_totalResults = totalMap;
    statistics::addFigures(m_totalResults, extras, extraKeys, 4, false);
    if (!m_analyzing)
        return;
    const QVariantMap totalErrors = total.errorMap();
    m_sequelaTypeErrors = {
        {QStringLiteral("acute"), acute.errorMap()},
        {QStringLiteral("sequela"), sequela.errorMap()},
        {QStringLiteral("total"), totalErrors},
    };
    m_totalErrors = totalErrors;
    statistics::addFigures(m_totalErrors, extras, extraKeys, 4, true);
    m_convergence = statistics::convergenceMap(total.estimators[4]);
}

void ResultsBuilder::buildStratified(int figure)
{
    const ModelRunRecord& record = *m_record;
    const int burden = figure / 4; // YLD, YLL, DALY
    const int form = figure % 4;   // as it is, per case, per 100 000 of the stratum, of the model
    // The population per stratum is the age distribution as last evaluated: known at the end.
    if (form == 2 && !record.waitUntilComplete())
        return;
    const std::vector<double>& population = record.population();
    const double pm = record.totalPopulation();
    m_stratified[figure] = statistics::stratifiedStatistics(
        record.strataShape(), record.factors(), record.iterations(),
        [&](std::uint32_t k, std::size_t i) {
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
        },
        [&](std::uint32_t k) { return record.waitForRows(k + 1); }, m_analyzing ? &m_stratifiedErrors[figure] : nullptr);
}

void ResultsBuilder::buildSensitivity()
{
    const ModelRunRecord& record = *m_record;
    if (!record.waitUntilComplete())
        return;
    // The total DALY per iteration, summed as its statistics are.
    const std::uint32_t n = record.iterations();
    const std::size_t strata = record.strataCount();
    std::vector<double> daly(n);
    for (std::uint32_t k = 0; k < n; ++k) {
        const double* ay = record.row(ModelRunRecord::AcuteYld, k);
        const double* al = record.row(ModelRunRecord::AcuteYll, k);
        const double* sy = record.row(ModelRunRecord::SequelaYld, k);
        const double* sl = record.row(ModelRunRecord::SequelaYll, k);
        double y = 0.0;
        double l = 0.0;
        for (std::size_t i = 0; i < strata; ++i) {
            y += ay[i] + sy[i];
            l += al[i] + sl[i];
        }
        daly[k] = y + l;
    }
    m_sensitivity = SensitivityAnalysis::report(*record.sensitivityInputs(), daly.data());
    std::sort(daly.begin(), daly.end());
    m_sortedDaly = std::move(daly);
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
    if (m_analyzing)
        model.setUncertaintyResults({
            {QStringLiteral("convergence"), ConvergenceCheck::report(m_convergence, m_sortedDaly)},
            {QStringLiteral("standardErrors"), standardErrors(model)},
            {QStringLiteral("sensitivity"), m_sensitivity},
        });
}

QVariantMap ResultsBuilder::standardErrors(const DiseaseModel& model) const
{
    static const QString burdens[3] = {yldKey, yllKey, dalyKey};
    static const QString forms[4] = {QString(), QStringLiteral("PerCase"), QStringLiteral("Per100k"),
                                     QStringLiteral("Per100kTotalPopulation")};
    QVariantMap categorized;
    for (int figure = 0; figure < stratifiedFigureCount; ++figure)
        categorized.insert(burdens[figure / 4] + forms[figure % 4], m_stratifiedErrors[figure]);
    QVariantList detailed;
    for (int tree = 0; tree < m_treeCount; ++tree) {
        const OutcomeTree& t = const_cast<DiseaseModel&>(model).getOutcomeTree(tree);
        detailed << QVariantMap{
            {QStringLiteral("outcomeTreeID"), t.id()},
            {QStringLiteral("outcomeTreeName"), t.name()},
            {QStringLiteral("sequelaTypeAggregatedResults"), m_treeCategoryErrors[tree]},
            {QStringLiteral("healthOutcomeAggregatedResults"), m_outcomeErrors[tree]},
        };
    }
    return {
        {QStringLiteral("detailedResults"), detailed},
        {QStringLiteral("totalCategorizedResults"), categorized},
        {QStringLiteral("totalSequelaTypeResults"), m_sequelaTypeErrors},
        {QStringLiteral("totalResults"), m_totalErrors},
    };
}

} // namespace fn
