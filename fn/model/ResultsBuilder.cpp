#include "fn/model/ResultsBuilder.h"

#include <algorithm>
#include <array>
#include <vector>

#include "fn/model/ConvergenceCheck.h"
#include "fn/model/DiseaseModel.h"
#include "fn/model/SensitivityAnalysis.h"
#include "fn/stats/QuantileEstimatorSet.h"
#include "fn/stats/Statistics.h"

namespace fn {

namespace {

const QString yldKey = QStringLiteral("yld");
const QString yllKey = QStringLiteral("yll");
const QString dalyKey = QStringLiteral("daly");

// The statistics maps of a set of figures under the set's keys, or with errors the maps of
// their standard errors, from the estimators of its Set::count figures.
template <typename Set>
QVariantMap figuresMap(const QuantileEstimator* estimators, bool errors = false)
{
    QVariantMap figures;
    statistics::addFigures(figures, estimators, Set::keys(), Set::count, errors);
    return figures;
}

// The ten figures of a category (acute, sequela or total) of a tree, or of an outcome: YLD
// and YLL over the iterations, per case, per 100 000 of the tree's population and of the model's.
struct TreeFigures
{
    static constexpr std::size_t count = 10;

    static void values(double* v, double y, double l, double cases, double pt, double pm)
    {
        v[0] = y;
        v[1] = y * 100000.0 / pt;
        v[2] = y * 100000.0 / pm;
        v[3] = l;
        v[4] = l * 100000.0 / pt;
        v[5] = l * 100000.0 / pm;
        v[6] = y + l;
        v[7] = (y + l) / cases;
        v[8] = (y + l) * 100000.0 / pt;
        v[9] = (y + l) * 100000.0 / pm;
    }

    static const QString* keys()
    {
        static const QString names[count] = {yldKey,
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

// The figures of an outcome: its burden (TreeFigures), then its cases, deaths, both, incidence
// and mortality.
struct OutcomeFigures
{
    static constexpr std::size_t extraCount = 5;
    static constexpr std::size_t count = TreeFigures::count + extraCount;

    static void values(double* v, double y, double l, double q, double d, double treeCases, double pt, double pm)
    {
        TreeFigures::values(v, y, l, treeCases, pt, pm);
        double* extra = v + TreeFigures::count;
        extra[0] = q;
        extra[1] = d;
        extra[2] = q + d;
        extra[3] = q * 100000.0 / pt;
        extra[4] = d * 100000.0 / pm;
    }

    static QVariantMap map(const QuantileEstimator* estimators, const ModelRunRecord::TreeSeries::Outcome& outcome,
                           bool errors)
    {
        static const QString keys[extraCount] = {
            QStringLiteral("populationCasesCount"), QStringLiteral("deathCasesCount"), QStringLiteral("allCasesCount"),
            QStringLiteral("incidencePer100k"), QStringLiteral("mortalityPer100k")};
        QVariantMap entry = figuresMap<TreeFigures>(estimators, errors);
        entry.insert(QStringLiteral("name"), outcome.name);
        entry.insert(QStringLiteral("acuteType"), outcome.acute ? QStringLiteral("acute") : QStringLiteral("sequela"));
        statistics::addFigures(entry, estimators + TreeFigures::count, keys, extraCount, errors);
        return entry;
    }
};

// The seven figures of a category of the model, from its per-iteration totals.
struct ModelFigures
{
    static constexpr std::size_t count = 7;
    static constexpr std::size_t daly = 4;

    static void values(double* v, double y, double l, double cases, double pm)
    {
        v[0] = y;
        v[1] = y * 100000.0 / pm;
        v[2] = l;
        v[3] = l * 100000.0 / pm;
        v[4] = y + l;
        v[5] = (y + l) / cases;
        v[6] = (y + l) * 100000.0 / pm;
    }

    static const QString* keys()
    {
        static const QString names[count] = {yldKey,
                                             QStringLiteral("yldPer100k"),
                                             yllKey,
                                             QStringLiteral("yllPer100k"),
                                             dalyKey,
                                             QStringLiteral("dalyPerCase"),
                                             QStringLiteral("dalyPer100k")};
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

    // The figures of each outcome, then those of the three categories, as the cells of one set.
    const std::size_t outcomeCount = series.outcomes.size();
    const std::size_t categoryCells = outcomeCount * OutcomeFigures::count;
    QuantileEstimatorSet cells(categoryCells + 3 * TreeFigures::count);
    std::vector<double> values(cells.cellCount());
    std::uint32_t available = 0;
    for (std::uint32_t k = 0; k < n; ++k) {
        if (k == available) {
            available = record.waitForTree(tree, k + 1);
            if (available <= k)
                return;
        }
        const double treeCases = series.treeCases[k];
        for (std::size_t o = 0; o < outcomeCount; ++o) {
            const ModelRunRecord::TreeSeries::Outcome& outcome = series.outcomes[o];
            OutcomeFigures::values(&values[o * OutcomeFigures::count], outcome.yld[k], outcome.yll[k], outcome.cases[k],
                                   outcome.deaths[k], treeCases, pt, pm);
        }
        double* categories = &values[categoryCells];
        TreeFigures::values(categories, series.acuteYld[k], series.acuteYll[k], treeCases, pt, pm);
        TreeFigures::values(categories + TreeFigures::count, series.sequelaYld[k], series.sequelaYll[k], treeCases, pt,
                            pm);
        TreeFigures::values(categories + 2 * TreeFigures::count, series.totalYld[k], series.totalYll[k], treeCases, pt,
                            pm);
        cells.add(values.data());
    }
    const std::vector<QuantileEstimator> estimators = cells.estimators();
    const QuantileEstimator* categories[3];
    for (std::size_t c = 0; c < 3; ++c)
        categories[c] = &estimators[categoryCells + c * TreeFigures::count];

    QVariantList entries;
    QVariantList errorEntries;
    for (std::size_t o = 0; o < outcomeCount; ++o) {
        const QuantileEstimator* outcome = &estimators[o * OutcomeFigures::count];
        entries << OutcomeFigures::map(outcome, series.outcomes[o], false);
        if (m_analyzing)
            errorEntries << OutcomeFigures::map(outcome, series.outcomes[o], true);
    }
    m_outcomeResults[tree] = entries;
    m_treeCategoryResults[tree] = {
        {QStringLiteral("acute"), figuresMap<TreeFigures>(categories[0])},
        {QStringLiteral("sequela"), figuresMap<TreeFigures>(categories[1])},
        {QStringLiteral("total"), figuresMap<TreeFigures>(categories[2])},
    };
    if (m_analyzing) {
        m_outcomeErrors[tree] = errorEntries;
        m_treeCategoryErrors[tree] = {
            {QStringLiteral("acute"), figuresMap<TreeFigures>(categories[0], true)},
            {QStringLiteral("sequela"), figuresMap<TreeFigures>(categories[1], true)},
            {QStringLiteral("total"), figuresMap<TreeFigures>(categories[2], true)},
        };
    }
}

void ResultsBuilder::buildTotals()
{
    const ModelRunRecord& record = *m_record;
    const std::uint32_t n = record.iterations();
    const std::size_t strata = record.strataCount();
    const double pm = record.totalPopulation();
    // The figures of the acute, sequela and total categories, then cases, incidence, deaths and
    // mortality, as the cells of one set.
    constexpr std::size_t extraCells = 3 * ModelFigures::count;
    QuantileEstimatorSet cells(extraCells + 4);
    double values[extraCells + 4];
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
        ModelFigures::values(values, sums[0], sums[1], sums[6], pm);
        ModelFigures::values(values + ModelFigures::count, sums[2], sums[3], sums[6], pm);
        ModelFigures::values(values + 2 * ModelFigures::count, sums[4], sums[5], sums[6], pm);
        double* extra = values + extraCells;
        extra[0] = sums[6];
        extra[1] = sums[6] * 100000.0 / pm;
        extra[2] = sums[7];
        extra[3] = sums[7] * 100000.0 / pm;
        cells.add(values);
    }
    const std::vector<QuantileEstimator> estimators = cells.estimators();
    const QuantileEstimator* acute = &estimators[0];
    const QuantileEstimator* sequela = &estimators[ModelFigures::count];
    const QuantileEstimator* total = &estimators[2 * ModelFigures::count];
    const QuantileEstimator* extras = &estimators[extraCells];
    const QVariantMap totalMap = figuresMap<ModelFigures>(total);
    m_sequelaTypeResults = {
        {QStringLiteral("acute"), figuresMap<ModelFigures>(acute)},
        {QStringLiteral("sequela"), figuresMap<ModelFigures>(sequela)},
        {QStringLiteral("total"), totalMap},
    };
    static const QString extraKeys[4] = {QStringLiteral("cases"), QStringLiteral("incidencePer100k"),
                                         QStringLiteral("deaths"), QStringLiteral("mortalityPer100k")};
    m_totalResults = totalMap;
    statistics::addFigures(m_totalResults, extras, extraKeys, 4, false);
    if (!m_analyzing)
        return;
    const QVariantMap totalErrors = figuresMap<ModelFigures>(total, true);
    m_sequelaTypeErrors = {
        {QStringLiteral("acute"), figuresMap<ModelFigures>(acute, true)},
        {QStringLiteral("sequela"), figuresMap<ModelFigures>(sequela, true)},
        {QStringLiteral("total"), totalErrors},
    };
    m_totalErrors = totalErrors;
    statistics::addFigures(m_totalErrors, extras, extraKeys, 4, true);
    m_convergence = statistics::convergenceMap(total[ModelFigures::daly]);
}

void ResultsBuilder::buildStratified(int figure)
{
    const ModelRunRecord& record = *m_record;
    const int burden = figure / 4; // YLD, YLL, DALY
    const int form = figure % 4; // as it is, per case, per 100 000 of the stratum, of the model
    // The population per stratum is the age distribution as last evaluated: known at the end.
    if (form == 2 && !record.waitUntilComplete())
        return;
    const std::vector<double>& population = record.population();
    const double pm = record.totalPopulation();
    m_stratified[figure] = statistics::stratifiedStatistics(
        record.strataShape(), record.factors(), record.iterations(),
        [&](std::uint32_t k, std::size_t i) {
            const double yld = record.row(ModelRunRecord::AcuteYld, k)[i]
                + record.row(ModelRunRecord::SequelaYld, k)[i];
            const double yll = record.row(ModelRunRecord::AcuteYll, k)[i]
                + record.row(ModelRunRecord::SequelaYll, k)[i];
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
        [&](std::uint32_t k) { return record.waitForRows(k + 1); },
        m_analyzing ? &m_stratifiedErrors[figure] : nullptr);
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
