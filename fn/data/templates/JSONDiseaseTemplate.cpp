#include "fn/data/templates/JSONDiseaseTemplate.h"

#include <QJsonArray>
#include <QVariant>

#include "fn/data/StoreValue.h"

namespace fn {

namespace {

QString upperFirst(QString text)
{
    if (!text.isEmpty())
        text[0] = text.at(0).toUpper();
    return text;
}

// Strings as they are, numbers and booleans in their text form, anything else empty.
QString toText(const QJsonValue& value)
{
    return value.toVariant().toString();
}

QString categoryOf(const QString& type)
{
    if (type == QLatin1String("INFECTION") || type == QLatin1String("ASYMPTOMATIC"))
        return type;
    if (type == QLatin1String("ACUTE") || type == QLatin1String("SEQUELA"))
        return QStringLiteral("YLD");
    if (type == QLatin1String("DEATH"))
        return QStringLiteral("YLL");
    return QString();
}

QString yesNo(bool yes)
{
    return yes ? QStringLiteral("yes") : QStringLiteral("no");
}

// The "vals" rows of an array object, concatenated; empty and non-string cells read as "0".
QStringList readCells(const QJsonValue& arrayObject)
{
    QStringList formulas;
    const QJsonArray rows = arrayObject.toObject().value(QLatin1String("vals")).toArray();
    for (const QJsonValue& row : rows) {
        for (const QJsonValue& cell : row.toArray()) {
            const QString formula = cell.toString();
            formulas << (formula.isEmpty() ? QStringLiteral("0") : formula);
        }
    }
    return formulas;
}

DataArray readArray(const QJsonValue& arrayObject, const QVector<InputFactor>& factors, const QString& name)
{
    return DataArray(factors, name, DataArray::Meta(), readCells(arrayObject));
}

} // namespace

JSONDiseaseTemplate::JSONDiseaseTemplate(const QJsonObject& json)
    : m_json(json)
    , m_factors(readFactors(json))
    , m_notificationData(
          readArray(json.value(QLatin1String("rawCasesCountArray")), m_factors, QStringLiteral("Notification data")))
    , m_trees(readOutcomeTrees(json, m_factors))
    , m_outcomeTreeMapping(readOutcomeTreeMapping(json, m_factors, m_trees.ids))
{
}

JSONDiseaseTemplate::~JSONDiseaseTemplate() = default;

QString JSONDiseaseTemplate::id() const
{
    return m_json.value(QLatin1String("id")).toString();
}

QString JSONDiseaseTemplate::name() const
{
    return m_json.value(QLatin1String("name")).toString();
}

bool JSONDiseaseTemplate::isCongenital() const
{
    return m_json.value(QLatin1String("isCongenitalType")).toBool();
}

QVector<InputFactor> JSONDiseaseTemplate::readFactors(const QJsonObject& json)
{
    QVector<InputFactor> factors;
    const QJsonObject dims = json.value(QLatin1String("dims")).toObject();
    const QJsonArray order = dims.value(QLatin1String("order")).toArray();
    const QJsonObject values = dims.value(QLatin1String("values")).toObject();
    for (const QJsonValue& entry : order) {
        const QString name = entry.toString();
        QStringList levels;
        for (const QJsonValue& level : values.value(name).toArray())
            levels << toText(level);
        factors << InputFactor(upperFirst(name), levels);
    }
    return factors;
}

JSONDiseaseTemplate::Trees JSONDiseaseTemplate::readOutcomeTrees(const QJsonObject& json,
                                                                 const QVector<InputFactor>& factors)
{
    Trees trees;
    const QJsonObject treeObjects = json.value(QLatin1String("outcomeTrees")).toObject();
    for (auto it = treeObjects.constBegin(); it != treeObjects.constEnd(); ++it)
        readOutcomeTree(it.value().toObject(), factors, trees);
    return trees;
}

void JSONDiseaseTemplate::readOutcomeTree(const QJsonObject& treeObject, const QVector<InputFactor>& factors,
                                          Trees& trees)
{
    const QString treeId = treeObject.value(QLatin1String("id")).toString();
    const QJsonArray runOrder = treeObject.value(QLatin1String("healthOutcomesRunOrder")).toArray();
    const QJsonObject outcomes = treeObject.value(QLatin1String("healthOutcomes")).toObject();
    const QJsonObject transitions = treeObject.value(QLatin1String("transitions")).toObject();
    if (runOrder.isEmpty() || outcomes.isEmpty() || runOrder.size() != outcomes.size())
        return;

    OutcomeTreeTemplate tree(treeId, treeObject.value(QLatin1String("name")).toString());
    ElementArrays severity;
    ElementArrays duration;
    ElementArrays proportion;
    ElementArrays probability;
    ElementArrays redistribution;
    QString infectionId;
    const auto read = [&factors](const QJsonObject& object, const char* key, const QString& name) {
        return readArray(object.value(QLatin1String(key)), factors, name);
    };

    for (const QJsonValue& entry : runOrder) {
        const QString outcomeId = entry.toString();
        const QJsonObject outcome = outcomes.value(outcomeId).toObject();
        const QString outcomeName = outcome.value(QLatin1String("name")).toString();
        const QString type = outcome.value(QLatin1String("type")).toString().toUpper();
        // Recovered cases carry no burden, so the outcome is not modelled at all.
        if (type == QLatin1String("RECOVERY"))
            continue;
        tree.addHealthOutcome(outcomeId, outcomeName, type, QStringLiteral("TRUE"));
        const QString category = categoryOf(type);
        if (type == QLatin1String("INFECTION"))
            infectionId = outcomeId;

        const QJsonObject states = outcome.value(QLatin1String("healthStates")).toObject();
        if (states.isEmpty()) {
            // An outcome without states is modelled as one state carrying its own arrays.
            const QString stateId = outcomeId + QLatin1String("_hs");
            tree.addHealthState(stateId, outcomeName, outcomeId, category);
            storeValue(severity, stateId, read(outcome, "severityArray", QStringLiteral("Severity")));
            storeValue(duration, stateId, read(outcome, "durationArray", QStringLiteral("Duration")));
            continue;
        }
        for (auto it = states.constBegin(); it != states.constEnd(); ++it) {
            const QJsonObject state = it.value().toObject();
            const QString stateId = state.value(QLatin1String("id")).toString();
            tree.addHealthState(stateId, state.value(QLatin1String("name")).toString(), outcomeId, category);
            storeValue(severity, stateId, read(state, "severityArray", QStringLiteral("Severity")));
            storeValue(duration, stateId, read(state, "durationArray", QStringLiteral("Duration")));
            DataArray stateProportion = read(state, "proportionArray", QStringLiteral("Proportion"));
            stateProportion.setMetaValue(QStringLiteral("remaining cases"),
                                         yesNo(state.value(QLatin1String("remainingCases")).toBool()));
            storeValue(proportion, stateId, stateProportion);
        }
    }

    for (auto it = transitions.constBegin(); it != transitions.constEnd(); ++it) {
        const QJsonObject transition = it.value().toObject();
        const QString transitionId = transition.value(QLatin1String("id")).toString();
        QString sourceId = transition.value(QLatin1String("source")).toObject().value(QLatin1String("id")).toString();
        const QString targetId =
            transition.value(QLatin1String("target")).toObject().value(QLatin1String("id")).toString();
        // The infection outcome is represented by its generated state.
        if (sourceId == infectionId)
            sourceId += QLatin1String("_hs");

        DataArray transitionProbability = read(transition, "probabilityArray", QStringLiteral("Probability"));
        transitionProbability.setMetaValue(QStringLiteral("redistribute"),
                                           yesNo(transition.value(QLatin1String("redistributeType")).toBool()));
        transitionProbability.setMetaValue(QStringLiteral("direct type"),
                                           yesNo(!transition.value(QLatin1String("annualType")).toBool()));
        transitionProbability.setMetaValue(QStringLiteral("duration"),
                                           toText(transition.value(QLatin1String("annualDuration"))));
        storeValue(probability, transitionId, transitionProbability);
        storeValue(redistribution, transitionId,
                   read(transition, "redistributeArray", QStringLiteral("Redistribution")));

        const QString complementedId = transition.value(QLatin1String("complementaryType")).toBool()
            ? transition.value(QLatin1String("complementaryTransition")).toString()
            : QString();
        const auto isNode = [&tree](const QString& nodeId) {
            return tree.hasHealthOutcome(nodeId) || tree.hasHealthState(nodeId);
        };
        if (isNode(sourceId) && isNode(targetId)) {
            tree.addTransition(transitionId, transition.value(QLatin1String("name")).toString(), sourceId, targetId,
                               complementedId);
        }
    }

    trees.severity.insert(treeId, severity);
    trees.duration.insert(treeId, duration);
    trees.proportion.insert(treeId, proportion);
    trees.probability.insert(treeId, probability);
    trees.redistribution.insert(treeId, redistribution);
    trees.ids << treeId;
    trees.templates.insert(treeId, tree);
}

DataArray JSONDiseaseTemplate::readOutcomeTreeMapping(const QJsonObject& json, const QVector<InputFactor>& factors,
                                                      const QStringList& treeIds)
{
    // The model refers to trees by position, so tree ids become 1, 2, ... and unknown cells 0.
    QStringList positions;
    for (const QString& cell : readCells(json.value(QLatin1String("outcomeTreeMapping")))) {
        const int index = treeIds.indexOf(cell);
        positions << (index < 0 ? QStringLiteral("0") : QString::number(index + 1));
    }
    return DataArray(factors, QStringLiteral("Outcome tree mapping"), DataArray::Meta(), positions);
}

const JSONDiseaseTemplate::TreeArrays* JSONDiseaseTemplate::arraysOf(int type) const
{
    switch (type) {
    case Severity:
        return &m_trees.severity;
    case Duration:
        return &m_trees.duration;
    case Proportion:
        return &m_trees.proportion;
    case Probability:
        return &m_trees.probability;
    case Redistribution:
        return &m_trees.redistribution;
    default:
        return nullptr;
    }
}

DataArray JSONDiseaseTemplate::parameter(int type, const QString& treeId, const QString& elementId) const
{
    if (const TreeArrays* arrays = arraysOf(type)) {
        const auto treeIt = arrays->constFind(treeId);
        if (treeIt != arrays->constEnd()) {
            const auto elementIt = treeIt->constFind(elementId);
            if (elementIt != treeIt->constEnd())
                return elementIt.value();
        }
    }
    return DataArray(m_factors, kindName(type), DataArray::Meta(), defaultFormula(type));
}

QString JSONDiseaseTemplate::kindName(int type)
{
    switch (type) {
    case Severity:
        return QStringLiteral("Severity");
    case Duration:
        return QStringLiteral("Duration");
    case Proportion:
        return QStringLiteral("Proportion");
    case Probability:
        return QStringLiteral("Probability");
    case Redistribution:
        return QStringLiteral("Redistribution");
    default:
        return QString();
    }
}

QString JSONDiseaseTemplate::defaultFormula(int type)
{
    return type == Proportion || type == Probability ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace fn
