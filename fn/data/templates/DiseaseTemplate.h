#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include "fn/data/templates/OutcomeTreeTemplate.h"

namespace fn {

// The structure of one disease: its outcome trees and the order that numbers them 1, 2, ...
class DiseaseTemplate
{
public:
    using TreeMap = QMap<QString, OutcomeTreeTemplate>;

    DiseaseTemplate() = default;
    DiseaseTemplate(const DiseaseTemplate&) = default;
    DiseaseTemplate& operator=(const DiseaseTemplate&) = default;
    virtual ~DiseaseTemplate();

    void addOutcomeTree(const QString& treeId, const OutcomeTreeTemplate& tree);
    void appendOutcomeTreeId(const QString& treeId) { m_outcomeTreeIds << treeId; }
    int outcomeTreeCount() const { return m_outcomeTreeIds.size(); }
    // The empty id for a position outside the list.
    QString outcomeTreeId(int i) const { return m_outcomeTreeIds.value(i); }
    // A copy; an empty template for an unknown id.
    OutcomeTreeTemplate outcomeTree(const QString& treeId) const { return m_outcomeTrees.value(treeId); }

    const TreeMap& outcomeTrees() const { return m_outcomeTrees; }
    void setOutcomeTrees(const TreeMap& trees) { m_outcomeTrees = trees; }
    const QStringList& outcomeTreeIds() const { return m_outcomeTreeIds; }
    void setOutcomeTreeIds(const QStringList& ids) { m_outcomeTreeIds = ids; }

    bool isCongenital() const { return m_congenital; }
    void setCongenital(bool congenital) { m_congenital = congenital; }
    const QString& caption() const { return m_caption; }
    void setCaption(const QString& caption) { m_caption = caption; }
    const QString& id() const { return m_id; }
    void setId(const QString& id) { m_id = id; }

    bool operator==(const DiseaseTemplate& other) const;
    bool operator!=(const DiseaseTemplate& other) const { return !(*this == other); }

private:
    TreeMap m_outcomeTrees;
    QStringList m_outcomeTreeIds;
    bool m_congenital = false;
    QString m_caption;
    QString m_id;
};

} // namespace fn
