#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

namespace fn {

// The structure of one outcome tree as rows of text, before any parameter is attached:
// health outcome rows [id, name, type, flag], health state rows [id, name, health outcome
// id, category] and transition rows [id, name, source id, target id, complemented id].
class OutcomeTreeTemplate
{
public:
    using Row = QStringList;
    using RowMap = QMap<QString, Row>;

    OutcomeTreeTemplate() = default;
    OutcomeTreeTemplate(const QString& id, const QString& name);
    OutcomeTreeTemplate(const OutcomeTreeTemplate&) = default;
    OutcomeTreeTemplate& operator=(const OutcomeTreeTemplate&) = default;
    virtual ~OutcomeTreeTemplate();

    // Every added outcome joins the run order, even when its id was added before.
    void addHealthOutcome(const QString& id, const QString& name, const QString& type, const QString& flag);
    void addHealthState(const QString& id, const QString& name, const QString& healthOutcomeId,
                        const QString& category);
    void addTransition(const QString& id, const QString& name, const QString& sourceId, const QString& targetId,
                       const QString& complementedId);

    bool hasHealthOutcome(const QString& id) const { return m_healthOutcomes.contains(id); }
    bool hasHealthState(const QString& id) const { return m_healthStates.contains(id); }
    bool hasTransition(const QString& id) const { return m_transitions.contains(id); }

    const QString& id() const { return m_id; }
    const QString& name() const { return m_name; }
    const QStringList& healthOutcomeOrder() const { return m_healthOutcomeOrder; }
    const RowMap& healthOutcomes() const { return m_healthOutcomes; }
    const RowMap& healthStates() const { return m_healthStates; }
    const RowMap& transitions() const { return m_transitions; }

    void setId(const QString& id) { m_id = id; }
    void setName(const QString& name) { m_name = name; }
    void setHealthOutcomeOrder(const QStringList& order) { m_healthOutcomeOrder = order; }
    void setHealthOutcomes(const RowMap& rows) { m_healthOutcomes = rows; }
    void setHealthStates(const RowMap& rows) { m_healthStates = rows; }
    void setTransitions(const RowMap& rows) { m_transitions = rows; }

    bool operator==(const OutcomeTreeTemplate& other) const;
    bool operator!=(const OutcomeTreeTemplate& other) const { return !(*this == other); }

private:
    QString m_id;
    QString m_name;
    QStringList m_healthOutcomeOrder;
    RowMap m_healthOutcomes;
    RowMap m_healthStates;
    RowMap m_transitions;
};

} // namespace fn
