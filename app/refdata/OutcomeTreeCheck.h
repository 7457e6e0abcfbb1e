#pragma once

#include <QString>

#include "fn/data/templates/OutcomeTreeTemplate.h"

namespace refdata {

// Decides whether an outcome tree template can be assembled into a runnable tree, and
// says what is wrong when it cannot: unknown kinds, dangling or ambiguous ids, a missing
// infection or source transition, and a run order that computes an outcome before the
// outcomes feeding it.
class OutcomeTreeCheck
{
public:
    explicit OutcomeTreeCheck(const fn::OutcomeTreeTemplate& tree);

    // The first problem found, or the empty string for a complete tree.
    QString problem() const;
    // The id of the health state of category INFECTION; empty when there is none.
    QString infectionId() const;

private:
    QString elementProblem() const;
    QString transitionProblem() const;
    QString sourceTransitionProblem() const;
    QString runOrderProblem() const;
    // The health outcome a node belongs to: itself, or a state's parent.
    QString outcomeOf(const QString& nodeId) const;
    bool isNode(const QString& id) const;
    int stateCount(const QString& outcomeId) const;

    const fn::OutcomeTreeTemplate& m_tree;
};

} // namespace refdata
