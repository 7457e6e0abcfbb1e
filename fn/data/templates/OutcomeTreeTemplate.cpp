#include "fn/data/templates/OutcomeTreeTemplate.h"

namespace fn {

OutcomeTreeTemplate::OutcomeTreeTemplate(const QString& id, const QString& name)
    : m_id(id)
    , m_name(name)
{
}

OutcomeTreeTemplate::~OutcomeTreeTemplate() = default;

void OutcomeTreeTemplate::addHealthOutcome(const QString& id, const QString& name, const QString& type,
                                           const QString& flag)
{
    m_healthOutcomes.insert(id, Row{id, name, type, flag});
    m_healthOutcomeOrder << id;
}

void OutcomeTreeTemplate::addHealthState(const QString& id, const QString& name, const QString& healthOutcomeId,
                                         const QString& category)
{
    m_healthStates.insert(id, Row{id, name, healthOutcomeId, category});
}

void OutcomeTreeTemplate::addTransition(const QString& id, const QString& name, const QString& sourceId,
                                        const QString& targetId, const QString& complementedId)
{
    m_transitions.insert(id, Row{id, name, sourceId, targetId, complementedId});
}

bool OutcomeTreeTemplate::operator==(const OutcomeTreeTemplate& other) const
{
    return m_id == other.m_id && m_name == other.m_name && m_healthOutcomeOrder == other.m_healthOutcomeOrder
        && m_healthOutcomes == other.m_healthOutcomes && m_healthStates == other.m_healthStates
        && m_transitions == other.m_transitions;
}

} // namespace fn
