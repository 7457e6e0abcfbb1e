#include "fn/model/DiseaseModel.h"

#include <algorithm>

#include "fn/data/templates/DiseaseTemplate.h"
#include "fn/data/InputDataMgr.h"
#include "fn/data/templates/JSONDiseaseTemplate.h"
#include "fn/model/ResultsBuilder.h"
#include "ut/Exception.h"

namespace fn {

namespace {

const QString parameterPlace = QStringLiteral("fn::DiseaseModel::getParameter");
const QString treePlace = QStringLiteral("fn::DiseaseModel::getOutcomeTree");

} // namespace

DiseaseModel::DiseaseModel(InputDataMgr* inputDataMgr, const QString& modelId, const InputType::Country& countryId,
                           const QString& countryName, const DiseaseTemplate* diseaseTemplate,
                           const InputFactorPtrs& factors)
    : m_modelId(modelId)
    , m_sourceType(ReferenceData)
    , m_inputDataMgr(inputDataMgr)
    , m_diseaseTemplate(diseaseTemplate)
    , m_countryId(countryId)
    , m_countryName(countryName)
    , m_diseaseId(diseaseTemplate->id())
    , m_diseaseName(diseaseTemplate->caption())
    , m_congenital(diseaseTemplate->isCongenital())
    , m_factors(factors)
{
    initShape();
}

DiseaseModel::DiseaseModel(InputDataMgr* inputDataMgr, const QString& modelId, const InputType::Country& countryId,
                           const QString& countryName, const JSONDiseaseTemplate* jsonTemplate)
    : m_modelId(modelId)
    , m_sourceType(JsonSpecification)
    , m_inputDataMgr(inputDataMgr)
    , m_jsonTemplate(jsonTemplate)
    , m_countryId(countryId)
    , m_countryName(countryName)
    , m_diseaseId(jsonTemplate->id())
    , m_diseaseName(jsonTemplate->name())
    , m_congenital(jsonTemplate->isCongenital())
    , m_jsonSpecification(jsonTemplate->json().toVariantMap())
{
    for (const InputFactor& factor : jsonTemplate->factors())
        m_ownFactors.push_back(factor);
    for (const InputFactor& factor : m_ownFactors)
        m_factors << &factor;
    initShape();
}

DiseaseModel::~DiseaseModel() = default;

void DiseaseModel::initShape()
{
    m_strataShape = Marray::Shape();
    for (const InputFactor* factor : qAsConst(m_factors))
        m_strataShape.push_back(static_cast<Marray::Extent>(factor->levelCount()));
}

void DiseaseModel::setUp()
{
    m_trees.clear();
    m_treeIndex.clear();
    if (m_sourceType == ReferenceData) {
        m_outcomeTreeMapping = m_inputDataMgr->outcomeTreeMapping(m_countryId, m_diseaseId);
        m_coverage = m_inputDataMgr->runFactor(m_countryId, m_diseaseId, QStringLiteral("coverage"));
        m_underestimation = m_inputDataMgr->runFactor(m_countryId, m_diseaseId, QStringLiteral("underestimation"));
        m_underreporting = m_inputDataMgr->runFactor(m_countryId, m_diseaseId, QStringLiteral("underreporting"));
        m_underascertainment = m_inputDataMgr->runFactor(m_countryId, m_diseaseId,
                                                         QStringLiteral("underascertainment"));
        m_underestimationType = static_cast<std::uint32_t>(
            m_inputDataMgr->underestimationType(m_countryId, m_diseaseId));
        m_notifiedCases = m_inputDataMgr->notificationData(m_countryId, m_diseaseId);
    } else {
        const QVector<InputFactor> factors = m_jsonTemplate->factors();
        m_outcomeTreeMapping = m_jsonTemplate->outcomeTreeMapping();
        m_coverage = DataArray(factors, QStringLiteral("Coverage"), {}, QStringLiteral("1"));
        m_underestimation = DataArray(factors, QStringLiteral("Underestimation"), {}, QStringLiteral("1"));
        m_underreporting = DataArray(factors, QStringLiteral("Underreporting"), {}, QStringLiteral("1"));
        m_underascertainment = DataArray(factors, QStringLiteral("Underascertainment"), {}, QStringLiteral("1"));
        m_underestimationType = 0;
        m_notifiedCases = m_jsonTemplate->notificationData();
    }
    m_ageDistribution = m_inputDataMgr->ageDistribution(m_countryId);
    m_lifeExpectancy = m_inputDataMgr->lifeExpectancy(m_countryId);

    const int treeCount = m_sourceType == ReferenceData ? m_diseaseTemplate->outcomeTreeCount()
                                                        : m_jsonTemplate->outcomeTreeCount();
    for (int i = 0; i < treeCount; ++i) {
        const QString treeId = m_sourceType == ReferenceData ? m_diseaseTemplate->outcomeTreeId(i)
                                                             : m_jsonTemplate->outcomeTreeId(i);
        const OutcomeTreeTemplate treeTemplate = m_sourceType == ReferenceData
            ? m_diseaseTemplate->outcomeTree(treeId)
            : m_jsonTemplate->outcomeTreeTemplate(treeId);
        m_trees.push_back(std::make_unique<OutcomeTree>(treeId, static_cast<std::uint32_t>(i + 1), this, treeTemplate));
        m_treeIndex.insert(treeId, i);
    }
    distributeToTrees();
}

void DiseaseModel::distributeToTrees()
{
    for (DataArray* array : {&m_ageDistribution, &m_outcomeTreeMapping, &m_coverage, &m_underestimation,
                             &m_underreporting, &m_underascertainment, &m_notifiedCases, &m_lifeExpectancy})
        array->setInputFactors(m_factors);
    for (const auto& tree : m_trees) {
        for (HealthState& state : tree->healthStates()) {
            for (auto type : {InputType::Severity, InputType::Duration, InputType::Proportion})
                state.parameter(type).setInputFactors(m_factors);
        }
        for (TransitionProbability& transition : tree->transitions()) {
            transition.probabilityParameter().setInputFactors(m_factors);
            transition.redistributionParameter().setInputFactors(m_factors);
        }
    }
    m_outcomeTreeMapping.initializeParser();
    m_outcomeTreeMapping.evaluate();
    for (const auto& tree : m_trees) {
        tree->infection()->setNotifiedCases(restrictedToTree(m_notifiedCases, tree->number()));
        tree->infection()->setLifeExpectancy(restrictedToTree(m_lifeExpectancy, tree->number()));
    }
    m_computed = false;
}

DataArray DiseaseModel::restrictedToTree(const DataArray& array, std::uint32_t treeNumber) const
{
    const Marray& mapping = m_outcomeTreeMapping.values();
    const QStringList& formulas = array.currentFormulas();
    QStringList restricted;
    restricted.reserve(formulas.size());
    for (int i = 0; i < formulas.size(); ++i) {
        const bool inTree = static_cast<std::size_t>(i) < mapping.size()
            && mapping[i] == static_cast<double>(treeNumber);
        restricted << (inTree ? formulas[i] : QStringLiteral("0"));
    }
    DataArray copy(array);
    copy.setFormulas(restricted);
    return copy;
}

double DiseaseModel::populationOfTree(std::uint32_t treeNumber, const Marray& population) const
{
    const Marray& mapping = m_outcomeTreeMapping.values();
    double sum = 0.0;
    for (std::size_t i = 0; i < population.size() && i < mapping.size(); ++i) {
        if (mapping[i] == static_cast<double>(treeNumber))
            sum += population[i];
    }
    return sum;
}

DataArray& DiseaseModel::getParameter(int type)
{
    switch (type) {
    case OutcomeTreeMapping:
        return m_outcomeTreeMapping;
    case NotifiedCases:
        return m_notifiedCases;
    case AgeDistribution:
        return m_ageDistribution;
    case LifeExpectancy:
        return m_lifeExpectancy;
    case Coverage:
        return m_coverage;
    case Underestimation:
        return m_underestimation;
    case Underreporting:
        return m_underreporting;
    case Underascertainment:
        return m_underascertainment;
    default:
        throw ut::Exception(QStringLiteral("Unknown parameter type requested from disease model %1").arg(m_modelId),
                            parameterPlace);
    }
}

const DataArray& DiseaseModel::getParameter(int type) const
{
    return const_cast<DiseaseModel*>(this)->getParameter(type);
}

void DiseaseModel::setParameter(int type, const DataArray& array)
{
    getParameter(type) = array;
}

OutcomeTree& DiseaseModel::getOutcomeTree(int index)
{
    if (index < 0 || index >= outcomeTreeCount())
        throw ut::Exception(
            QStringLiteral("Disease model %1 has no outcome tree with index %2").arg(m_modelId).arg(index), treePlace);
    return *m_trees[static_cast<std::size_t>(index)];
}

OutcomeTree& DiseaseModel::getOutcomeTree(const QString& id)
{
    const auto it = m_treeIndex.constFind(id);
    if (it == m_treeIndex.constEnd())
        throw ut::Exception(QStringLiteral("Disease model %1 has no outcome tree with id %2").arg(m_modelId, id),
                            treePlace);
    return *m_trees[static_cast<std::size_t>(it.value())];
}

QString DiseaseModel::displayName() const
{
    return m_countryName + QStringLiteral(" - ") + m_diseaseName + QStringLiteral(" - ") + m_modelId;
}

QVariantMap DiseaseModel::info() const
{
    return {
        {QStringLiteral("countryID"), m_countryId},
        {QStringLiteral("diseaseID"), m_diseaseId},
        {QStringLiteral("modelID"), m_modelId},
        {QStringLiteral("countryName"), m_countryName},
        {QStringLiteral("diseaseName"), m_diseaseName},
        {QStringLiteral("isCongenital"), m_congenital},
        {QStringLiteral("jsonDiseaseSpec"), m_jsonSpecification},
    };
}

void DiseaseModel::updateUnderestimationFactor()
{
    // Computed into the same array every iteration: no allocation on the run's hot path.
    const Marray& first = m_underestimationType == 0 ? m_underestimation.values() : m_underreporting.values();
    if (m_underestimationFactor.shape() != first.shape() || m_underestimationFactor.size() != first.size())
        m_underestimationFactor = Marray(first);
    if (m_underestimationType == 0) {
        std::copy(first.begin(), first.end(), m_underestimationFactor.begin());
        return;
    }
    const Marray& second = m_underascertainment.values();
    const std::size_t n = std::min(first.size(), second.size());
    for (std::size_t i = 0; i < n; ++i)
        m_underestimationFactor[i] = first[i] * second[i];
}

void DiseaseModel::evaluateRunArrays()
{
    m_notifiedCases.evaluate();
    m_ageDistribution.evaluate();
    m_lifeExpectancy.evaluate();
    m_coverage.evaluate();
    m_underestimation.evaluate();
    m_underreporting.evaluate();
    m_underascertainment.evaluate();
}

void DiseaseModel::run(std::uint32_t iterations, double timeDiscountRate, int& currentTreeIndex)
{
    if (!simulate(iterations, timeDiscountRate, currentTreeIndex))
        return;
    buildResults();
}

bool DiseaseModel::simulate(std::uint32_t iterations, double timeDiscountRate, int& currentTreeIndex,
                            RunControl* control, const RecordStarted& recordStarted)
{
    m_computed = false;
    m_numberOfIterations = iterations;
    m_runRecord.reset();

    for (DataArray* array : {&m_notifiedCases, &m_ageDistribution, &m_lifeExpectancy, &m_coverage, &m_underestimation,
                             &m_underreporting, &m_underascertainment})
        array->initializeParser();

    m_categorizedResults.clear();
    m_sequelaTypeResults.clear();
    m_totalResults.clear();
    m_uncertaintyResults.clear();
    m_stratumCounts.clear();
    m_stratumCountErrors.clear();

    m_ageDistribution.evaluate();
    m_lifeExpectancy.evaluate();
    m_totalPopulation = 0.0;
    for (double population : m_ageDistribution.values())
        m_totalPopulation += population;

    const auto record = std::make_shared<ModelRunRecord>(m_strataShape, m_factors, iterations, outcomeTreeCount(),
                                                         m_totalPopulation);
    if (m_analyzeUncertainty)
        record->setSensitivityInputs(std::make_unique<SensitivityInputs>(iterations));
    if (recordStarted)
        recordStarted(record);
    // Every tree re-evaluates the age distribution in each iteration; the population of a tree
    // is that of the single evaluation above, whichever tree ran before it.
    const Marray startPopulation = m_ageDistribution.values();
    try {
        for (int i = 0; i < outcomeTreeCount(); ++i) {
            currentTreeIndex = i;
            OutcomeTree& tree = *m_trees[static_cast<std::size_t>(i)];
            tree.setPopulation(populationOfTree(static_cast<std::uint32_t>(i + 1), startPopulation));
            if (!tree.simulate(iterations, timeDiscountRate, *record, control)) {
                record->abandon();
                return false;
            }
        }
    } catch (...) {
        record->abandon();
        throw;
    }
    // The per-stratum population of the results is the age distribution as last evaluated.
    record->complete(m_ageDistribution.values());
    m_runRecord = record;
    return true;
}

void DiseaseModel::buildResults()
{
    if (!m_runRecord)
        return;
    ResultsBuilder builder(m_runRecord);
    builder.runAll();
    builder.apply(*this);
    m_computed = true;
}

void DiseaseModel::setResults(const QVariantMap& categorizedResults, const QVariantMap& sequelaTypeResults,
                              const QVariantMap& totalResults)
{
    m_categorizedResults = categorizedResults;
    m_sequelaTypeResults = sequelaTypeResults;
    m_totalResults = totalResults;
}

void DiseaseModel::releaseDetailedResults()
{
    m_categorizedResults.clear();
    m_sequelaTypeResults.clear();
    m_uncertaintyResults.clear();
    m_stratumCounts.clear();
    m_stratumCountErrors.clear();
    for (const auto& tree : m_trees)
        tree->setResults({}, {});
}

void DiseaseModel::releaseRunRecord()
{
    m_runRecord.reset();
}

QVariantMap DiseaseModel::results() const
{
    QVariantList detailed;
    for (const auto& tree : m_trees) {
        detailed << QVariantMap{
            {QStringLiteral("outcomeTreeID"), tree->id()},
            {QStringLiteral("outcomeTreeName"), tree->name()},
            {QStringLiteral("sequelaTypeAggregatedResults"), tree->sequelaTypeResults()},
            {QStringLiteral("healthOutcomeAggregatedResults"), tree->outcomeResults()},
        };
    }
    return {
        {QStringLiteral("detailedResults"), detailed},
        {QStringLiteral("totalCategorizedResults"), m_categorizedResults},
        {QStringLiteral("totalSequelaTypeResults"), m_sequelaTypeResults},
    };
}

} // namespace fn
