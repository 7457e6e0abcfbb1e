#pragma once

#include <cstdint>

#include <QString>
#include <QVector>

#include "fn/values/Marray.h"

namespace fn {

class TransitionProbabilityBase;

// Anything in an outcome tree that holds cases: health outcomes, health states and the
// infection. Transitions between nodes are non-owning links; the tree owns everything.
class OutcomeTreeNode
{
public:
    using ID = QString;
    enum Kind : std::uint32_t { HealthOutcomeKind = 0, HealthStateKind = 1 };

    virtual ~OutcomeTreeNode();

    // Stratum-shaped cases of the current iteration.
    virtual Marray currentCases() const = 0;
    // Discounted remaining life expectancy of the cases when they leave the node.
    virtual Marray remainingLifeExpectancy() const = 0;
    // Time since infection, in years, at which the cases leave the node.
    virtual Marray exitTime() const = 0;

    // The same three arrays without a copy, for the per-iteration propagation.
    virtual const Marray& casesView() const = 0;
    virtual const Marray& remainingLifeExpectancyView() const = 0;
    virtual const Marray& exitTimeView() const = 0;

    void addIncomingTransition(TransitionProbabilityBase* transition);
    void addOutgoingTransition(TransitionProbabilityBase* transition);
    void sumOutgoingProbabilities();

    std::uint32_t nodeKind() const { return m_nodeKind; }
    const ID& id() const { return m_id; }
    const QString& name() const { return m_name; }
    const QVector<TransitionProbabilityBase*>& incoming() const { return m_incoming; }
    const QVector<TransitionProbabilityBase*>& outgoing() const { return m_outgoing; }
    const Marray& outgoingProbabilitySum() const { return m_outgoingProbabilitySum; }
    const Marray::Shape& strataShape() const { return m_strataShape; }

protected:
    OutcomeTreeNode(std::uint32_t nodeKind, const ID& id, const QString& name, const Marray::Shape& strataShape);
    OutcomeTreeNode(const OutcomeTreeNode&) = default;
    OutcomeTreeNode& operator=(const OutcomeTreeNode&) = default;

private:
    std::uint32_t m_nodeKind;
    ID m_id;
    QString m_name;
    QVector<TransitionProbabilityBase*> m_incoming;
    QVector<TransitionProbabilityBase*> m_outgoing;
    Marray m_outgoingProbabilitySum;
    Marray::Shape m_strataShape;
};

} // namespace fn
