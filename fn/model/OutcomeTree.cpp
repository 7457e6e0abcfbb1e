#include "fn/model/OutcomeTree.h"

#include "fn/data/InputDataMgr.h"
#include "fn/data/templates/JSONDiseaseTemplate.h"
#include "fn/data/templates/OutcomeTreeTemplate.h"
#include "fn/data/params/ParamsMgr.h"
#include "fn/data/params/TransitionParamsMgr.h"
#include "fn/model/DiseaseModel.h"
#include "fn/model/ModelRunRecord.h"
#include "fn/model/RunControl.h"
#include "fn/model/TreeAggregation.h"
#include "ut/Exception.h"

namespace fn {

namespace {

const QString buildPlace = QStringLiteral("fn::OutcomeTree::createInternalStructure");

QString treeMessage(const QString& treeId, const char* text, const QString& what)
{
    return QStringLiteral("Outcome tree %1 %2 %3").arg(treeId, QLatin1String(text), what);
}

} // namespace

OutcomeTree::OutcomeTree(const ID& id, std::uint32_t number, DiseaseModel* model,
                         const OutcomeTreeTemplate& treeTemplate)
    : m_model(model)
    , m_id(id)
    , m_number(number)
{
    createInternalStructure(treeTemplate);
}

OutcomeTree::~OutcomeTree() = default;

void OutcomeTree::createInternalStructure(const OutcomeTreeTemplate& treeTemplate)
{
    m_name = treeTemplate.name();
    const Marray::Shape shape = m_model->strataShape();
    const InputFactorPtrs& factors = m_model->factors();
    QMap<QString, OutcomeTreeNode*> nodes;
    QMap<QString, HealthOutcome*> outcomes;

    for (const QString& outcomeId : treeTemplate.healthOutcomeOrder()) {
        const QStringList row = treeTemplate.healthOutcomes().value(outcomeId);
        const bool isAcute = row.value(2).toUpper() == QLatin1String("ACUTE");
        const bool inResults = row.value(3).toUpper() == QLatin1String("TRUE");
        m_healthOutcomes.emplace_back(outcomeId, row.value(1), shape, isAcute, inResults);
        nodes.insert(outcomeId, &m_healthOutcomes.back());
        outcomes.insert(outcomeId, &m_healthOutcomes.back());
    }

    const auto& states = treeTemplate.healthStates();
    for (auto it = states.cbegin(); it != states.cend(); ++it) {
        const QString& stateId = it.key();
        const QStringList& row = it.value();
        HealthOutcome* parent = outcomes.value(row.value(2));
        if (row.value(3).toUpper() == QLatin1String("INFECTION")) {
            // The tree is computed from its one infection; a second one would replace the
            // first while the node maps still point to it.
            if (m_infection)
                throw ut::Exception(QStringLiteral("Outcome tree %1 has more than one infection: %2 and %3")
                                        .arg(m_id, m_infection->id(), stateId),
                                    buildPlace);
            m_infection = std::make_shared<Infection>(stateId, row.value(1), shape, parent);
            nodes.insert(stateId, m_infection.get());
            m_healthStateMap.insert(stateId, m_infection.get());
            continue;
        }
        DataArray severity, duration, proportion;
        if (m_model->sourceType() == DiseaseModel::ReferenceData) {
            const ParamsMgr& params = m_model->inputDataMgr()->params();
            const QString& country = m_model->countryId();
            const QString& disease = m_model->diseaseId();
            severity = params.get(country, disease, m_id, stateId, ParamsMgr::Severity, factors);
            duration = params.get(country, disease, m_id, stateId, ParamsMgr::Duration, factors);
            proportion = params.get(country, disease, m_id, stateId, ParamsMgr::Proportion, factors);
        } else if (m_model->sourceType() == DiseaseModel::JsonSpecification) {
            const JSONDiseaseTemplate* json = m_model->jsonTemplate();
            severity = json->parameter(JSONDiseaseTemplate::Severity, m_id, stateId);
            duration = json->parameter(JSONDiseaseTemplate::Duration, m_id, stateId);
            proportion = json->parameter(JSONDiseaseTemplate::Proportion, m_id, stateId);
        } else {
            continue;
        }
        const int sequelaType = InputType::healthStateFromKey(row.value(3));
        m_healthStates.emplace_back(stateId, row.value(1), proportion, severity, duration, sequelaType, shape, parent);
        HealthState* state = &m_healthStates.back();
        m_healthStateMap.insert(stateId, state);
        if (parent)
            parent->addHealthState(state);
        nodes.insert(stateId, state);
    }

    const auto& rows = treeTemplate.transitions();
    for (auto it = rows.cbegin(); it != rows.cend(); ++it) {
        const QStringList& row = it.value();
        if (!row.value(4).isEmpty())
            continue;
        OutcomeTreeNode* source = nodes.value(row.value(2));
        OutcomeTreeNode* target = nodes.value(row.value(3));
        if (!source || !target)
            continue;
        DataArray probability, redistribution;
        if (m_model->sourceType() == DiseaseModel::ReferenceData) {
            const TransitionParamsMgr& params = m_model->inputDataMgr()->transitionParams();
            const QString& country = m_model->countryId();
            const QString& disease = m_model->diseaseId();
            probability = params.get(country, disease, m_id, it.key(), TransitionParamsMgr::Probability, factors);
            redistribution = params.get(country, disease, m_id, it.key(), TransitionParamsMgr::Redistribution, factors);
        } else {
            const JSONDiseaseTemplate* json = m_model->jsonTemplate();
            probability = json->parameter(JSONDiseaseTemplate::Probability, m_id, it.key());
            redistribution = json->parameter(JSONDiseaseTemplate::Redistribution, m_id, it.key());
        }
        m_transitions.emplace_back(it.key(), row.value(1), source, target, probability, redistribution, shape);
        TransitionProbability* transition = &m_transitions.back();
        m_transitionMap.insert(it.key(), transition);
        source->addOutgoingTransition(transition);
        target->addIncomingTransition(transition);
    }

    if (!m_infection || !m_infection->findSourceTransition())
        throw ut::Exception(QStringLiteral("Non-complementary transition between health outcomes of sequela types "
                                           "INFECTION and ACUTE does not exist"),
                            buildPlace);

    for (auto it = rows.cbegin(); it != rows.cend(); ++it) {
        const QStringList& row = it.value();
        if (row.value(4).isEmpty())
            continue;
        TransitionProbabilityBase* complemented = m_transitionMap.value(row.value(4));
        if (!complemented)
            throw ut::Exception(QStringLiteral("Source transition probability is missing"), buildPlace);
        OutcomeTreeNode* source = nodes.value(row.value(2));
        OutcomeTreeNode* target = nodes.value(row.value(3));
        if (!source || !target)
            continue;
        m_complements.emplace_back(it.key(), row.value(1), source, target, complemented);
        TransitionProbabilityComplement* complement = &m_complements.back();
        m_transitionMap.insert(it.key(), complement);
        source->addOutgoingTransition(complement);
        target->addIncomingTransition(complement);
    }
}

HealthState& OutcomeTree::getHealthState(int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= m_healthStates.size())
        throw ut::Exception(treeMessage(m_id, "has no health state with index", QString::number(index)),
                            QStringLiteral("fn::OutcomeTree::getHealthState"));
    return m_healthStates[static_cast<std::size_t>(index)];
}

SequelaBase& OutcomeTree::getHealthState(const OutcomeTreeNode::ID& id)
{
    SequelaBase* node = m_healthStateMap.value(id);
    if (!node)
        throw ut::Exception(treeMessage(m_id, "has no health state with id", id),
                            QStringLiteral("fn::OutcomeTree::getHealthState"));
    return *node;
}

TransitionProbability& OutcomeTree::getTransitionProbability(int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= m_transitions.size())
        throw ut::Exception(treeMessage(m_id, "has no transition probability with index", QString::number(index)),
                            QStringLiteral("fn::OutcomeTree::getTransitionProbability"));
    return m_transitions[static_cast<std::size_t>(index)];
}

TransitionProbabilityBase& OutcomeTree::getTransitionProbability(const TransitionProbabilityBase::ID& id)
{
    TransitionProbabilityBase* transition = m_transitionMap.value(id);
    if (!transition)
        throw ut::Exception(treeMessage(m_id, "has no transition probability with id", id),
                            QStringLiteral("fn::OutcomeTree::getTransitionProbability"));
    return *transition;
}

bool OutcomeTree::simulate(std::uint32_t iterations, double discountRate, ModelRunRecord& record, RunControl* control)
{
    m_numberOfIterations = iterations;
    const Marray::Shape& strataShape = m_model->strataShape();

    // The element whose parameters are being compiled, for the user should one of them fail.
    QString element = QStringLiteral("\"%1\" (id %2)").arg(m_infection->name(), m_infection->id());
    try {
        m_infection->initializeParsers();
        for (HealthState& state : m_healthStates) {
            element = QStringLiteral("\"%1\" (id %2)").arg(state.name(), state.id());
            state.initializeParsers();
        }
        for (TransitionProbability& transition : m_transitions) {
            element = QStringLiteral("\"%1\" (id %2)").arg(transition.name(), transition.id());
            transition.initializeParsers();
        }
    } catch (ut::Exception& failure) {
        failure.addDetail(QStringLiteral("in element %1 of outcome tree \"%2\"").arg(element, m_id));
        throw;
    }

    m_infection->resetSums();
    for (TransitionProbability& transition : m_transitions)
        transition.resetSums(strataShape);
    for (TransitionProbabilityComplement& complement : m_complements)
        complement.resetSums(strataShape);
    for (HealthState& state : m_healthStates)
        state.resetSums();

    for (HealthOutcome& outcome : m_healthOutcomes)
        outcome.findRemainingCasesState();

    TreeAggregation aggregation(*this, record);
    SensitivityInputs* sensitivity = record.sensitivityInputs();
    if (sensitivity)
        sensitivity->startTree(*this, *m_model);
    const Marray& underestimation = m_model->underestimationFactor();
    for (std::uint32_t k = 0; k < iterations; ++k) {
        if (control && control->isCancelled())
            return false;
        m_model->evaluateRunArrays();
        m_infection->sample();
        for (HealthState& state : m_healthStates)
            state.sample();
        for (TransitionProbability& transition : m_transitions)
            transition.sample();
        for (TransitionProbabilityComplement& complement : m_complements)
            complement.sample();
        // What was drawn, before the computation rewrites any of it.
        if (sensitivity)
            sensitivity->capture(k);
        m_model->updateUnderestimationFactor();
        for (HealthOutcome& outcome : m_healthOutcomes)
            outcome.sumOutgoingProbabilities();
        for (HealthState& state : m_healthStates)
            state.sumOutgoingProbabilities();
        m_infection->sumOutgoingProbabilities();
        m_infection->computeCases(m_model->coverageValues(), discountRate, underestimation);
        for (HealthOutcome& outcome : m_healthOutcomes)
            outcome.compute(discountRate);
        if (sensitivity)
            sensitivity->weigh(k);
        aggregation.addIteration(k);
        if (control)
            control->addIterations(1);
    }
    aggregation.finish();

    m_infection->finalizeMeans(iterations);
    for (TransitionProbability& transition : m_transitions)
        transition.finalizeMeans(iterations);
    for (TransitionProbabilityComplement& complement : m_complements)
        complement.finalizeMeans(iterations);
    for (HealthState& state : m_healthStates)
        state.finalizeMeans(iterations);
    return true;
}

void OutcomeTree::setResults(const QVariantList& outcomeResults, const QVariantMap& sequelaTypeResults)
{
    m_outcomeResults = outcomeResults;
    m_sequelaTypeResults = sequelaTypeResults;
}

} // namespace fn
