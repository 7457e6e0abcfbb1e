#include "app/refdata/sources/OutcomeTreeSource.h"

#include <QSet>

#include "app/refdata/OutcomeTreeCheck.h"

namespace refdata {

namespace {

const QString IdKey = QStringLiteral("id");
const QString NameKey = QStringLiteral("name");

// The rows of one list, each checked for its members and for an id not used before.
QVector<SourceObject> rowsOf(const SourceObject& tree, const QString& key, const QStringList& members,
                             QSet<QString>& usedIds)
{
    QVector<SourceObject> rows;
    const QJsonArray list = tree.array(key);
    for (int i = 0; i < list.size(); ++i) {
        const SourceObject row(list.at(i), tree.path(key) / i);
        row.allowOnly(members);
        const QString id = row.identifier(IdKey);
        if (usedIds.contains(id))
            row.path(IdKey).fail(QStringLiteral("the id \"%1\" is already used in this tree").arg(id));
        usedIds.insert(id);
        rows << row;
    }
    return rows;
}

} // namespace

fn::OutcomeTreeTemplate OutcomeTreeSource::read(const SourceObject& tree)
{
    tree.allowOnly(
        {IdKey, QStringLiteral("healthOutcomes"), QStringLiteral("healthStates"), QStringLiteral("transitions")});
    // The cache keeps no tree name of its own, so a tree is named after its id.
    const QString treeId = tree.identifier(IdKey);
    fn::OutcomeTreeTemplate result(treeId, treeId);

    // Outcomes and states share one id space: transitions may start or end at either.
    QSet<QString> nodeIds;
    const QVector<SourceObject> outcomes = rowsOf(tree, QStringLiteral("healthOutcomes"),
                                                  {IdKey, NameKey, QStringLiteral("type"), QStringLiteral("reported")},
                                                  nodeIds);
    for (const SourceObject& row : outcomes) {
        result.addHealthOutcome(
            row.identifier(IdKey), row.string(NameKey), row.string(QStringLiteral("type")).toUpper(),
            row.boolean(QStringLiteral("reported")) ? QStringLiteral("TRUE") : QStringLiteral("FALSE"));
    }
    const QVector<SourceObject> states = rowsOf(tree, QStringLiteral("healthStates"),
                                                {IdKey, NameKey, QStringLiteral("outcome"), QStringLiteral("category")},
                                                nodeIds);
    for (const SourceObject& row : states) {
        result.addHealthState(row.identifier(IdKey), row.string(NameKey), row.identifier(QStringLiteral("outcome")),
                              row.string(QStringLiteral("category")).toUpper());
    }
    QSet<QString> transitionIds;
    const QVector<SourceObject> transitions = rowsOf(
        tree, QStringLiteral("transitions"),
        {IdKey, NameKey, QStringLiteral("source"), QStringLiteral("target"), QStringLiteral("complements")},
        transitionIds);
    for (const SourceObject& row : transitions) {
        const QString complemented = row.has(QStringLiteral("complements"))
            ? row.identifier(QStringLiteral("complements"))
            : QString();
        result.addTransition(row.identifier(IdKey), row.string(NameKey), row.identifier(QStringLiteral("source")),
                             row.identifier(QStringLiteral("target")), complemented);
    }

    const QString problem = OutcomeTreeCheck(result).problem();
    if (!problem.isEmpty())
        tree.path().fail(QStringLiteral("the outcome tree \"%1\" is incomplete: %2").arg(treeId, problem));
    return result;
}

} // namespace refdata
