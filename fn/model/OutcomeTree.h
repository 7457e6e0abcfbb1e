#pragma once

#include <cstdint>
#include <deque>
#include <memory>

#include <QMap>
#include <QVariantList>
#include <QVariantMap>

#include "fn/model/elements/HealthOutcome.h"
#include "fn/model/elements/HealthState.h"
#include "fn/model/elements/Infection.h"
#include "fn/model/elements/TransitionProbability.h"
#include "fn/model/elements/TransitionProbabilityComplement.h"

namespace fn {

class DiseaseModel;
class ModelRunRecord;
class OutcomeTreeTemplate;
class RunControl;

// One outcome tree of a disease model: the linked elements built from a template, the
// Monte-Carlo run over them and the per-tree results. Elements are held by value in
// containers that never move them, so the links between them stay valid.
class OutcomeTree
{
public:
    using ID = QString;

    // Builds and links the elements; throws ut::Exception when the template is unusable.
    OutcomeTree(const ID& id, std::uint32_t number, DiseaseModel* model, const OutcomeTreeTemplate& treeTemplate);
    OutcomeTree(const OutcomeTree&) = delete;
    OutcomeTree& operator=(const OutcomeTree&) = delete;
    virtual ~OutcomeTree();

    // Runs the tree's iterations and records what its results and the model's need; the
    // results themselves are built afterwards from the record. Returns false when control
    // cancelled the run between two iterations.
    bool simulate(std::uint32_t iterations, double discountRate, ModelRunRecord& record, RunControl* control);
    void setResults(const QVariantList& outcomeResults, const QVariantMap& sequelaTypeResults);

    HealthState& getHealthState(int index);
    SequelaBase& getHealthState(const OutcomeTreeNode::ID& id);
    TransitionProbability& getTransitionProbability(int index);
    TransitionProbabilityBase& getTransitionProbability(const TransitionProbabilityBase::ID& id);

    DiseaseModel* model() const { return m_model; }
    const ID& id() const { return m_id; }
    const QString& name() const { return m_name; }
    std::uint32_t number() const { return m_number; }
    Infection* infection() const { return m_infection.get(); }
    double population() const { return m_population; }
    void setPopulation(double population) { m_population = population; }
    const std::deque<HealthOutcome>& healthOutcomes() const { return m_healthOutcomes; }
    std::deque<HealthOutcome>& healthOutcomes() { return m_healthOutcomes; }
    const std::deque<HealthState>& healthStates() const { return m_healthStates; }
    std::deque<HealthState>& healthStates() { return m_healthStates; }
    const std::deque<TransitionProbability>& transitions() const { return m_transitions; }
    std::deque<TransitionProbability>& transitions() { return m_transitions; }
    const std::deque<TransitionProbabilityComplement>& complements() const { return m_complements; }
    const QVariantList& outcomeResults() const { return m_outcomeResults; }
    const QVariantMap& sequelaTypeResults() const { return m_sequelaTypeResults; }
    std::uint32_t numberOfIterations() const { return m_numberOfIterations; }

private:
    void createInternalStructure(const OutcomeTreeTemplate& treeTemplate);

    DiseaseModel* m_model;
    ID m_id;
    QString m_name;
    std::uint32_t m_number;
    std::shared_ptr<Infection> m_infection;
    double m_population = 0.0;
    std::deque<HealthOutcome> m_healthOutcomes;
    QMap<OutcomeTreeNode::ID, SequelaBase*> m_healthStateMap;
    std::deque<HealthState> m_healthStates;
    std::deque<TransitionProbability> m_transitions;
    std::deque<TransitionProbabilityComplement> m_complements;
    QMap<TransitionProbabilityBase::ID, TransitionProbabilityBase*> m_transitionMap;
    QVariantList m_outcomeResults;
    QVariantMap m_sequelaTypeResults;
    std::uint32_t m_numberOfIterations = 1;
};

} // namespace fn
