#include "fn/model/elements/OutcomeTreeNode.h"

#include <algorithm>

#include "fn/model/elements/TransitionProbabilityBase.h"

namespace fn {

OutcomeTreeNode::OutcomeTreeNode(std::uint32_t nodeKind, const ID& id, const QString& name,
                                 const Marray::Shape& strataShape)
    : m_nodeKind(nodeKind)
    , m_id(id)
    , m_name(name)
    , m_outgoingProbabilitySum(strataShape, 0.0)
    , m_strataShape(strataShape)
{
}

OutcomeTreeNode::~OutcomeTreeNode() = default;

void OutcomeTreeNode::addIncomingTransition(TransitionProbabilityBase* transition)
{
    m_incoming << transition;
}

void OutcomeTreeNode::addOutgoingTransition(TransitionProbabilityBase* transition)
{
    m_outgoing << transition;
}

void OutcomeTreeNode::sumOutgoingProbabilities()
{
    if (m_outgoing.isEmpty())
        return;
    std::fill(m_outgoingProbabilitySum.begin(), m_outgoingProbabilitySum.end(), 0.0);
    for (const TransitionProbabilityBase* transition : qAsConst(m_outgoing))
        m_outgoingProbabilitySum += transition->probability();
}

} // namespace fn
