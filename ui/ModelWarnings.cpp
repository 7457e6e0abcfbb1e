#include "ui/ModelWarnings.h"

#include <QMap>

#include "fn/model/DiseaseModel.h"
#include "fn/model/ImpossibleValues.h"

namespace ui {

namespace {

// The name of the page's table of a model parameter; the tree parameters keep their own.
QString tableOf(const fn::ImpossibleValues::CellWarning& warning)
{
    static const QMap<int, QString> tables = {
        {fn::DiseaseModel::NotifiedCases, QStringLiteral("caseBeforeCorr")},
        {fn::DiseaseModel::AgeDistribution, QStringLiteral("ageDistr")},
        {fn::DiseaseModel::LifeExpectancy, QStringLiteral("lifeExp")},
        {fn::DiseaseModel::Coverage, QStringLiteral("coverage")},
        {fn::DiseaseModel::Underestimation, QStringLiteral("underestimation")},
        {fn::DiseaseModel::Underreporting, QStringLiteral("underreporting")},
        {fn::DiseaseModel::Underascertainment, QStringLiteral("underascertainment")},
        {fn::DiseaseModel::OutcomeTreeMapping, QStringLiteral("outcomeTreeMapping")},
    };
    return warning.modelParameter < 0 ? warning.parameter : tables.value(warning.modelParameter);
}

const fn::DataArray* arrayOf(const fn::DiseaseModel& model, const fn::ImpossibleValues::CellWarning& warning)
{
    if (warning.modelParameter >= 0)
        return &model.getParameter(warning.modelParameter);
    fn::OutcomeTree& tree = const_cast<fn::DiseaseModel&>(model).getOutcomeTree(warning.treeId);
    for (const fn::HealthState& state : tree.healthStates()) {
        if (state.id() != warning.elementId)
            continue;
        if (warning.parameter == QLatin1String("severity"))
            return &state.severity();
        return warning.parameter == QLatin1String("duration") ? &state.duration() : &state.proportion();
    }
    for (const fn::TransitionProbability& transition : tree.transitions()) {
        if (transition.id() == warning.elementId)
            return warning.parameter == QLatin1String("probability") ? &transition.probabilityParameter()
                                                                     : &transition.redistributionParameter();
    }
    return nullptr;
}

// Models of one disease share their formulas: the first lines say enough, the rest are counted.
QString listed(const QString& heading, QStringList lines, const QString& rest)
{
    constexpr int shown = 10;
    const int more = lines.size() - shown;
    lines = lines.mid(0, shown);
    for (QString& line : lines)
        line = line.toHtmlEscaped();
    QString text = heading + lines.join(QStringLiteral("<br />"));
    if (more > 0)
        text += QStringLiteral("<br />") + rest.arg(more);
    return text;
}

} // namespace

QVariantMap ModelWarnings::cells(const fn::DiseaseModel& model)
{
    QVariantList cells;
    for (const fn::ImpossibleValues::CellWarning& warning : fn::ImpossibleValues::cellWarnings(model)) {
        // The page's tables show the defined formulas, laid out as ParameterExchange does:
        // a cell is found there only where the run's formulas are the same cells.
        const fn::DataArray* array = arrayOf(model, warning);
        int row = -1;
        QString column;
        if (array && array->factors().size() == 2 && array->formulas() == array->currentFormulas()) {
            row = warning.cell / 2;
            column = array->factors()[1]->levels().value(warning.cell % 2);
        }
        cells << QVariantMap{{QStringLiteral("treeID"), warning.treeId},
                             {QStringLiteral("elementID"), warning.elementId},
                             {QStringLiteral("parameter"), tableOf(warning)},
                             {QStringLiteral("row"), row},
                             {QStringLiteral("column"), column},
                             {QStringLiteral("stratum"), warning.stratum},
                             {QStringLiteral("formula"), warning.formula},
                             {QStringLiteral("place"), warning.place},
                             {QStringLiteral("text"), warning.problems.join(QStringLiteral("; "))}};
    }
    return {{QStringLiteral("countryID"), model.countryId()},
            {QStringLiteral("diseaseID"), model.diseaseId()},
            {QStringLiteral("modelID"), model.modelId()},
            {QStringLiteral("cells"), cells}};
}

QStringList ModelWarnings::formulaNotices(const QList<const fn::DiseaseModel*>& models)
{
    QStringList arguments;
    QStringList outside;
    for (const fn::DiseaseModel* model : models) {
        arguments << fn::ImpossibleValues::argumentWarnings(*model);
        outside << fn::ImpossibleValues::domainWarnings(*model);
    }
    QStringList notices;
    if (!outside.isEmpty())
        notices << listed(QStringLiteral("Values outside their domain (the run uses them as written, and its results "
                                         "are marked):<br />"),
                          outside, QStringLiteral("and %1 more."));
    if (!arguments.isEmpty())
        notices << listed(QStringLiteral("Random functions given arguments outside their domain (they are drawn as "
                                         "written, and give not-a-number where they cannot be):<br />"),
                          arguments, QStringLiteral("and %1 more."));
    return notices;
}

QString ModelWarnings::nonFiniteNotice(const QList<const fn::DiseaseModel*>& models)
{
    // The first few models say what happened; the rest are counted.
    constexpr int listedModels = 10;
    QStringList lines;
    int affected = 0;
    for (const fn::DiseaseModel* model : models) {
        const QStringList modelLines = fn::ImpossibleValues::nonFiniteResults(*model);
        if (!modelLines.isEmpty() && ++affected <= listedModels)
            lines << modelLines;
    }
    if (lines.isEmpty())
        return QString();
    for (QString& line : lines)
        line = line.toHtmlEscaped();
    if (affected > listedModels)
        lines << QStringLiteral("and %1 more models with such statistics.").arg(affected - listedModels);
    return lines.join(QStringLiteral("<br />"));
}

} // namespace ui
