#include "ui/workbook/ModelWorkbookCheck.h"

#include <utility>

#include "ut/workbook/xls/SharedStringTable.h"

namespace ui {

namespace {

QString textProblem(const QString& text)
{
    if (text.size() > ut::SharedStringTable::maxLength)
        return QStringLiteral("has %1 characters, more than the %2 a workbook cell holds")
            .arg(text.size())
            .arg(ut::SharedStringTable::maxLength);
    if (text.contains(QChar(0)))
        return QStringLiteral("holds a NUL character");
    return {};
}

// The first text of array that cannot be saved whole, described with where.
QString arrayProblem(const fn::DataArray& array, const QString& where)
{
    const auto describe = [&](const QString& what, const QString& problem) {
        return QStringLiteral("%1 of %2 %3").arg(what, where, problem);
    };
    QString problem = textProblem(array.name());
    if (!problem.isEmpty())
        return describe(QStringLiteral("the name"), problem);
    const QStringList& formulas = array.formulas();
    for (int i = 0; i < formulas.size(); ++i) {
        problem = textProblem(formulas[i]);
        if (!problem.isEmpty())
            return describe(QStringLiteral("formula %1").arg(i + 1), problem);
    }
    for (auto it = array.meta().cbegin(); it != array.meta().cend(); ++it) {
        problem = textProblem(it.value());
        if (problem.isEmpty())
            problem = textProblem(it.key());
        if (!problem.isEmpty())
            return describe(QStringLiteral("the entry \"%1\"").arg(it.key().left(40)), problem);
    }
    return {};
}

} // namespace

QString ModelWorkbookCheck::problem(fn::DiseaseModel& model)
{
    const QString sheet = model.modelId();
    // Arrays are named by their label, as the sheet shows it.
    const auto parameter = [&](const fn::DataArray& array, const char* fallback) {
        const QString label = array.name().isEmpty() ? QLatin1String(fallback) : array.name().left(80);
        return QStringLiteral("the parameter \"%1\" on sheet \"%2\"").arg(label, sheet);
    };
    const std::pair<int, const char*> modelArrays[] = {
        {fn::DiseaseModel::OutcomeTreeMapping, "Outcome tree mapping"},
        {fn::DiseaseModel::NotifiedCases, "Notification data"},
        {fn::DiseaseModel::Coverage, "coverage"},
        {fn::DiseaseModel::Underestimation, "underestimation"},
        {fn::DiseaseModel::Underreporting, "underreporting"},
        {fn::DiseaseModel::Underascertainment, "underascertainment"},
        {fn::DiseaseModel::LifeExpectancy, "life expectancy"},
        {fn::DiseaseModel::AgeDistribution, "age distribution"},
    };
    for (const auto& [type, label] : modelArrays) {
        const fn::DataArray& array = model.getParameter(type);
        const QString problem = arrayProblem(array, parameter(array, label));
        if (!problem.isEmpty())
            return problem;
    }
    for (int t = 0; t < model.outcomeTreeCount(); ++t) {
        const fn::OutcomeTree& tree = model.getOutcomeTree(t);
        for (const fn::HealthState& state : tree.healthStates()) {
            if (state.sequelaType() != fn::InputType::YLD)
                continue;
            const std::pair<const fn::DataArray*, const char*> arrays[] = {
                {&state.severity(), "Severity"}, {&state.duration(), "Duration"}, {&state.proportion(), "Proportion"}};
            for (const auto& [array, label] : arrays) {
                const QString where =
                    QStringLiteral("%1 of health state \"%2\"").arg(parameter(*array, label), state.name().left(80));
                const QString problem = arrayProblem(*array, where);
                if (!problem.isEmpty())
                    return problem;
            }
        }
        for (const fn::TransitionProbability& transition : tree.transitions()) {
            const std::pair<const fn::DataArray*, const char*> arrays[] = {
                {&transition.probabilityParameter(), "Probability"},
                {&transition.redistributionParameter(), "Redistribution"}};
            for (const auto& [array, label] : arrays) {
                const QString where =
                    QStringLiteral("%1 of transition \"%2\"").arg(parameter(*array, label), transition.name().left(80));
                const QString problem = arrayProblem(*array, where);
                if (!problem.isEmpty())
                    return problem;
            }
        }
    }
    return {};
}

QString ModelWorkbookCheck::problem(const fn::DiseaseModelList& models)
{
    for (const auto& model : models) {
        const QString found = problem(*model);
        if (!found.isEmpty())
            return found;
    }
    return {};
}

} // namespace ui
