#pragma once

#include <QList>
#include <QStringList>
#include <QVariantMap>

#include "fn/model/elements/HealthState.h"
#include "fn/model/OutcomeTree.h"
#include "fn/model/elements/TransitionProbability.h"
#include "fn/values/DataArray.h"

namespace fn {
class DiseaseModel;
}

namespace ui {

// Applies tables edited on a page to a model's parameter arrays: every table is checked as a
// whole and either applied or refused, with the cells that were refused and why.
class ParameterEditor
{
public:
    struct Table
    {
        QString checkKey;
        QString listName;
        const QVariantMap* table;
        fn::DataArray* array;
    };
    struct Outcome
    {
        QStringList applied;
        // Whether an applied table holds other formulas or metadata than before: only then do
        // the results of an outcome tree's element go out of date.
        bool changed = false;
        QStringList refused;
        // Check key -> table of booleans, for the tables refused.
        QVariantMap checks;
        // One line per refused cell: the table, the cell, the formula and the reason.
        QStringList reasons;
    };

    // Checks the tables in order and sets the formulas and metadata of those that pass.
    static Outcome apply(const QList<Table>& tables);

    // The tables of each edit, in the order the user is told about them. A model whose
    // tables were applied has its parameters distributed to its trees again.
    static Outcome applyToModel(fn::DiseaseModel& model, int estimType, const QVariantMap& underestimation,
                                const QVariantMap& underreporting, const QVariantMap& underascertainment,
                                const QVariantMap& caseBeforeCorr, const QVariantMap& lifeExp,
                                const QVariantMap& ageDistr);
    static Outcome applyToTransition(fn::TransitionProbability& transition, const QVariantMap& probability,
                                     const QVariantMap& redistribution);
    static Outcome applyToYLDState(fn::HealthState& state, const QVariantMap& severity, const QVariantMap& duration,
                                   const QVariantMap& proportion);
    static Outcome applyToYLLState(fn::HealthState& state, const QVariantMap& proportion);

    // "lead<br /><ul><li>table</li>…</ul>": the report of the tables applied or refused.
    static QString listText(const QString& lead, const QStringList& tables);
    // The refused cells as a small HTML list, at most a few per table.
    static QString reasonsText(const Outcome& outcome);

    // The element addressed by the "outcomeTreeID" and "outcomeTreeNodeID" of modelInfo, or
    // null; only the editable kinds are found (a complement or a plain sequela never is).
    static fn::OutcomeTree* treeOf(fn::DiseaseModel& model, const QVariantMap& modelInfo);
    static fn::TransitionProbability* transitionOf(fn::DiseaseModel& model, const QVariantMap& modelInfo);
    static fn::HealthState* healthStateOf(fn::DiseaseModel& model, const QVariantMap& modelInfo);
};

} // namespace ui
