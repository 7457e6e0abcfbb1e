#pragma once

#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

#include "fn/data/templates/OutcomeTreeTemplate.h"
#include "fn/values/DataArray.h"
#include "fn/values/InputFactor.h"

namespace fn {

// One disease read from a JSON model file: its factors, its accepted outcome
// trees and every parameter array beside them. Reading never fails; whatever is missing
// or malformed reads as empty, and rejected pieces are dropped silently.
class JSONDiseaseTemplate
{
public:
    // Parameter kinds of parameter(), in the numbering the outcome-tree assembly uses.
    enum ParameterKind { Severity = 0, Duration = 1, Proportion = 2, Probability = 3, Redistribution = 4 };

    using ElementArrays = QMap<QString, DataArray>;
    using TreeArrays = QMap<QString, ElementArrays>;

    JSONDiseaseTemplate() = default;
    explicit JSONDiseaseTemplate(const QJsonObject& json);
    JSONDiseaseTemplate(const JSONDiseaseTemplate&) = default;
    JSONDiseaseTemplate& operator=(const JSONDiseaseTemplate&) = default;
    virtual ~JSONDiseaseTemplate();

    QString id() const;
    QString name() const;
    bool isCongenital() const;
    const QJsonObject& json() const { return m_json; }

    const QVector<InputFactor>& factors() const { return m_factors; }
    int outcomeTreeCount() const { return m_trees.ids.size(); }
    // The empty id for a position outside the list.
    QString outcomeTreeId(int i) const { return m_trees.ids.value(i); }
    const QStringList& outcomeTreeIds() const { return m_trees.ids; }
    // A copy; an empty template for an unknown id.
    OutcomeTreeTemplate outcomeTreeTemplate(const QString& treeId) const { return m_trees.templates.value(treeId); }

    // Cells hold the 1-based position of the tree that applies to the stratum, "0" for none.
    const DataArray& outcomeTreeMapping() const { return m_outcomeTreeMapping; }
    const DataArray& notificationData() const { return m_notificationData; }

    // A copy of the stored array; for an unknown tree, element or kind an array over
    // factors() named after the kind and filled with its default formula.
    DataArray parameter(int type, const QString& treeId, const QString& elementId) const;

    static QString kindName(int type);
    static QString defaultFormula(int type);

private:
    // The accepted trees and the arrays beside them.
    struct Trees
    {
        QMap<QString, OutcomeTreeTemplate> templates;
        QStringList ids;
        TreeArrays severity;
        TreeArrays duration;
        TreeArrays proportion;
        TreeArrays probability;
        TreeArrays redistribution;
    };

    // Every member is built in the initialiser list: arrays are constructed, never assigned.
    static QVector<InputFactor> readFactors(const QJsonObject& json);
    static Trees readOutcomeTrees(const QJsonObject& json, const QVector<InputFactor>& factors);
    static void readOutcomeTree(const QJsonObject& treeObject, const QVector<InputFactor>& factors, Trees& trees);
    static DataArray readOutcomeTreeMapping(const QJsonObject& json, const QVector<InputFactor>& factors,
                                            const QStringList& treeIds);
    const TreeArrays* arraysOf(int type) const;

    QJsonObject m_json;
    QVector<InputFactor> m_factors;
    DataArray m_notificationData;
    Trees m_trees;
    DataArray m_outcomeTreeMapping;
};

} // namespace fn
