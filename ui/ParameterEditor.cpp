#include "ui/ParameterEditor.h"

#include "fn/model/DiseaseModel.h"
#include "fn/values/formula/FormulaChecker.h"
#include "ui/ParameterExchange.h"
#include "ut/Exception.h"

namespace ui {

namespace {

// Enough to see what went wrong without burying the page under a table's worth of lines.
constexpr int reasonsPerTable = 4;

// "0-4, Female" for a cell of a table of two factors; its index otherwise.
QString cellName(int index, const fn::InputFactorPtrs& factors)
{
    if (factors.size() == 2 && factors[0] && factors[1] && factors[1]->levelCount() > 0) {
        const int columns = factors[1]->levelCount();
        const int row = index / columns, column = index % columns;
        if (row < factors[0]->levelCount())
            return QStringLiteral("%1, %2").arg(factors[0]->levels().at(row), factors[1]->levels().at(column));
    }
    return QStringLiteral("cell %1").arg(index + 1);
}

QString modelKey(const QVariantMap& modelInfo, const char* key)
{
    return modelInfo.value(QLatin1String(key)).toString();
}

} // namespace

ParameterEditor::Outcome ParameterEditor::apply(const QList<Table>& tables)
{
    Outcome outcome;
    for (const Table& edit : tables) {
        const fn::InputFactorPtrs factors = edit.array->factors();
        const QStringList formulas = tableMapToFormulas(*edit.table, factors);
        QList<bool> accepted;
        QStringList reasons;
        fn::FormulaChecker checker;
        if (!checker.check(formulas, accepted, reasons)) {
            outcome.checks.insert(edit.checkKey, formulasToTableMap(accepted, factors));
            outcome.refused << edit.listName;
            int shown = 0, more = 0;
            for (int i = 0; i < reasons.size(); ++i) {
                if (reasons[i].isEmpty())
                    continue;
                if (shown == reasonsPerTable) {
                    ++more;
                    continue;
                }
                ++shown;
                const QString formula = formulas[i].trimmed().isEmpty() ? QStringLiteral("(empty)")
                                                                        : QStringLiteral("\"%1\"").arg(formulas[i]);
                outcome.reasons << QStringLiteral("%1, %2: %3 is refused: %4")
                                       .arg(edit.listName, cellName(i, factors), formula, reasons[i])
                                       .toHtmlEscaped();
            }
            if (more > 0)
                outcome.reasons << QStringLiteral("%1: %2 more cell(s) refused").arg(edit.listName).arg(more);
            continue;
        }
        const auto meta = metaRowsToMap(*edit.table);
        if (formulas != edit.array->formulas() || meta != edit.array->meta())
            outcome.changed = true;
        edit.array->setFormulas(formulas);
        edit.array->setMeta(meta);
        outcome.applied << edit.listName;
    }
    return outcome;
}

ParameterEditor::Outcome ParameterEditor::applyToModel(fn::DiseaseModel& model, int estimType,
                                                       const QVariantMap& underestimation,
                                                       const QVariantMap& underreporting,
                                                       const QVariantMap& underascertainment,
                                                       const QVariantMap& caseBeforeCorr, const QVariantMap& lifeExp,
                                                       const QVariantMap& ageDistr)
{
    if (estimType == 0 || estimType == 1)
        model.setUnderestimationType(static_cast<std::uint32_t>(estimType));
    using P = fn::DiseaseModel;
    const Outcome outcome = apply({
        {QStringLiteral("caseBeforeCorr"), QStringLiteral("Average number of cases per year"), &caseBeforeCorr,
         &model.getParameter(P::NotifiedCases)},
        {QStringLiteral("underestimation"), QStringLiteral("Underestimation"), &underestimation,
         &model.getParameter(P::Underestimation)},
        {QStringLiteral("underreporting"), QStringLiteral("Underreporting"), &underreporting,
         &model.getParameter(P::Underreporting)},
        {QStringLiteral("underascertainment"), QStringLiteral("Underascertainment"), &underascertainment,
         &model.getParameter(P::Underascertainment)},
        {QStringLiteral("lifeExp"), QStringLiteral("Life expectancy"), &lifeExp,
         &model.getParameter(P::LifeExpectancy)},
        {QStringLiteral("ageDistr"), QStringLiteral("Age distribution"), &ageDistr,
         &model.getParameter(P::AgeDistribution)},
    });
    if (!outcome.applied.isEmpty())
        model.distributeToTrees();
    return outcome;
}

ParameterEditor::Outcome ParameterEditor::applyToTransition(fn::TransitionProbability& transition,
                                                            const QVariantMap& probability,
                                                            const QVariantMap& redistribution)
{
    // The probability's meta goes through the transition, which re-reads its flags from it.
    fn::DataArray probabilityArray = transition.probabilityParameter();
    fn::DataArray redistributionArray = transition.redistributionParameter();
    const Outcome outcome = apply({
        {QStringLiteral("probability"), QStringLiteral("Probability"), &probability, &probabilityArray},
        {QStringLiteral("redistribution"), QStringLiteral("Redistribution"), &redistribution, &redistributionArray},
    });
    if (outcome.applied.contains(QStringLiteral("Probability")))
        transition.setProbabilityParameter(probabilityArray);
    if (outcome.applied.contains(QStringLiteral("Redistribution")))
        transition.setRedistributionParameter(redistributionArray);
    return outcome;
}

ParameterEditor::Outcome ParameterEditor::applyToYLDState(fn::HealthState& state, const QVariantMap& severity,
                                                          const QVariantMap& duration, const QVariantMap& proportion)
{
    fn::DataArray severityArray = state.parameter(fn::InputType::Severity);
    fn::DataArray durationArray = state.parameter(fn::InputType::Duration);
    fn::DataArray proportionArray = state.parameter(fn::InputType::Proportion);
    const Outcome outcome = apply({
        {QStringLiteral("severity"), QStringLiteral("Severity"), &severity, &severityArray},
        {QStringLiteral("duration"), QStringLiteral("Duration"), &duration, &durationArray},
        {QStringLiteral("proportion"), QStringLiteral("Proportion"), &proportion, &proportionArray},
    });
    if (outcome.applied.contains(QStringLiteral("Severity")))
        state.setParameter(fn::InputType::Severity, severityArray);
    if (outcome.applied.contains(QStringLiteral("Duration")))
        state.setParameter(fn::InputType::Duration, durationArray);
    if (outcome.applied.contains(QStringLiteral("Proportion")))
        state.setParameter(fn::InputType::Proportion, proportionArray);
    return outcome;
}

ParameterEditor::Outcome ParameterEditor::applyToYLLState(fn::HealthState& state, const QVariantMap& proportion)
{
    fn::DataArray proportionArray = state.parameter(fn::InputType::Proportion);
    const Outcome outcome = apply({
        {QStringLiteral("proportion"), QStringLiteral("Proportion"), &proportion, &proportionArray},
    });
    if (!outcome.applied.isEmpty())
        state.setParameter(fn::InputType::Proportion, proportionArray);
    return outcome;
}

QString ParameterEditor::listText(const QString& lead, const QStringList& tables)
{
    return lead + QStringLiteral("<br /><ul><li>") + tables.join(QStringLiteral("</li><li>"))
        + QStringLiteral("</li></ul>");
}

QString ParameterEditor::reasonsText(const Outcome& outcome)
{
    if (outcome.reasons.isEmpty())
        return {};
    return QStringLiteral("Why the formulas were refused:<br /><ul><li>")
        + outcome.reasons.join(QStringLiteral("</li><li>")) + QStringLiteral("</li></ul>");
}

fn::OutcomeTree* ParameterEditor::treeOf(fn::DiseaseModel& model, const QVariantMap& modelInfo)
{
    try {
        return &model.getOutcomeTree(modelKey(modelInfo, "outcomeTreeID"));
    } catch (const ut::Exception&) {
        return nullptr;
    }
}

fn::TransitionProbability* ParameterEditor::transitionOf(fn::DiseaseModel& model, const QVariantMap& modelInfo)
{
    fn::OutcomeTree* tree = treeOf(model, modelInfo);
    if (!tree)
        return nullptr;
    try {
        return dynamic_cast<fn::TransitionProbability*>(
            &tree->getTransitionProbability(modelKey(modelInfo, "outcomeTreeNodeID")));
    } catch (const ut::Exception&) {
        return nullptr;
    }
}

fn::HealthState* ParameterEditor::healthStateOf(fn::DiseaseModel& model, const QVariantMap& modelInfo)
{
    fn::OutcomeTree* tree = treeOf(model, modelInfo);
    if (!tree)
        return nullptr;
    try {
        return dynamic_cast<fn::HealthState*>(&tree->getHealthState(modelKey(modelInfo, "outcomeTreeNodeID")));
    } catch (const ut::Exception&) {
        return nullptr;
    }
}

} // namespace ui
