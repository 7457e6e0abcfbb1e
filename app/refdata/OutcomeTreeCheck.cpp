#include "app/refdata/OutcomeTreeCheck.h"

#include <QSet>
#include <QStringList>

namespace refdata {

namespace {

const QStringList OutcomeTypes = {QStringLiteral("INFECTION"), QStringLiteral("ASYMPTOMATIC"), QStringLiteral("ACUTE"),
                                  QStringLiteral("SEQUELA"), QStringLiteral("DEATH")};
const QStringList StateCategories = {QStringLiteral("INFECTION"), QStringLiteral("ASYMPTOMATIC"), QStringLiteral("YLD"),
                                     QStringLiteral("YLL")};
const QString Infection = QStringLiteral("INFECTION");
const QString Acute = QStringLiteral("ACUTE");

// Row columns of the template.
enum { Id = 0, Name = 1, Type = 2, Parent = 2, Category = 3, Source = 2, Target = 3, Complemented = 4 };

} // namespace

OutcomeTreeCheck::OutcomeTreeCheck(const fn::OutcomeTreeTemplate& tree)
    : m_tree(tree)
{
}

QString OutcomeTreeCheck::problem() const
{
    // Each step relies on the ones before it: ids are resolved only once they are known to exist.
    QString found = elementProblem();
    if (found.isEmpty())
        found = transitionProblem();
    if (found.isEmpty())
        found = sourceTransitionProblem();
    if (found.isEmpty())
        found = runOrderProblem();
    return found;
}

QString OutcomeTreeCheck::infectionId() const
{
    for (const fn::OutcomeTreeTemplate::Row& row : m_tree.healthStates()) {
        if (row.value(Category) == Infection)
            return row.value(Id);
    }
    return QString();
}

bool OutcomeTreeCheck::isNode(const QString& id) const
{
    return m_tree.hasHealthOutcome(id) || m_tree.hasHealthState(id);
}

QString OutcomeTreeCheck::outcomeOf(const QString& nodeId) const
{
    if (m_tree.hasHealthOutcome(nodeId))
        return nodeId;
    return m_tree.healthStates().value(nodeId).value(Parent);
}

int OutcomeTreeCheck::stateCount(const QString& outcomeId) const
{
    int count = 0;
    for (const fn::OutcomeTreeTemplate::Row& row : m_tree.healthStates())
        count += row.value(Parent) == outcomeId && row.value(Category) != Infection ? 1 : 0;
    return count;
}

QString OutcomeTreeCheck::elementProblem() const
{
    if (m_tree.healthOutcomeOrder().isEmpty())
        return QStringLiteral("the tree has no health outcomes");
    if (m_tree.healthOutcomeOrder().size() != m_tree.healthOutcomes().size())
        return QStringLiteral("a health outcome id is used twice");
    for (const fn::OutcomeTreeTemplate::Row& row : m_tree.healthOutcomes()) {
        if (!OutcomeTypes.contains(row.value(Type)))
            return QStringLiteral("health outcome \"%1\" has the unknown type \"%2\"")
                .arg(row.value(Id), row.value(Type));
    }
    int infections = 0;
    for (const fn::OutcomeTreeTemplate::Row& row : m_tree.healthStates()) {
        const QString id = row.value(Id);
        if (m_tree.hasHealthOutcome(id))
            return QStringLiteral("health state \"%1\" has the id of a health outcome").arg(id);
        if (!m_tree.hasHealthOutcome(row.value(Parent)))
            return QStringLiteral("health state \"%1\" names the unknown health outcome \"%2\"")
                .arg(id, row.value(Parent));
        if (!StateCategories.contains(row.value(Category)))
            return QStringLiteral("health state \"%1\" has the unknown category \"%2\"").arg(id, row.value(Category));
        if (row.value(Category) == Infection) {
            ++infections;
            const QString outcomeType = m_tree.healthOutcomes().value(row.value(Parent)).value(Type);
            if (outcomeType != Infection)
                return QStringLiteral(
                           "the infection \"%1\" belongs to health outcome \"%2\", which is not of type INFECTION")
                    .arg(id, row.value(Parent));
        }
    }
    if (infections != 1)
        return QStringLiteral("the tree needs exactly one health state of category INFECTION, it has %1")
            .arg(infections);
    return QString();
}

QString OutcomeTreeCheck::transitionProblem() const
{
    for (const fn::OutcomeTreeTemplate::Row& row : m_tree.transitions()) {
        const QString id = row.value(Id);
        for (const QString& end : {row.value(Source), row.value(Target)}) {
            if (!isNode(end))
                return QStringLiteral("transition \"%1\" names the unknown element \"%2\"").arg(id, end);
        }
        if (m_tree.hasHealthOutcome(row.value(Source)) && stateCount(row.value(Source)) == 0)
            return QStringLiteral("transition \"%1\" leaves health outcome \"%2\", which has no health states")
                .arg(id, row.value(Source));
        if (row.value(Target) == infectionId())
            return QStringLiteral("transition \"%1\" leads back to the infection").arg(id);
        const QString complemented = row.value(Complemented);
        if (complemented.isEmpty())
            continue;
        const fn::OutcomeTreeTemplate::Row other = m_tree.transitions().value(complemented);
        if (other.isEmpty())
            return QStringLiteral("transition \"%1\" complements the unknown transition \"%2\"").arg(id, complemented);
        if (!other.value(Complemented).isEmpty())
            return QStringLiteral("transition \"%1\" complements \"%2\", which is itself a complement")
                .arg(id, complemented);
        if (other.value(Source) != row.value(Source))
            return QStringLiteral("transition \"%1\" complements \"%2\", which leaves another element")
                .arg(id, complemented);
    }
    return QString();
}

QString OutcomeTreeCheck::sourceTransitionProblem() const
{
    // The first ordinary transition out of the infection, in id order, that reaches an
    // acute outcome (or the only state of one) carries the cases the others start from.
    const QString infection = infectionId();
    for (const fn::OutcomeTreeTemplate::Row& row : m_tree.transitions()) {
        if (row.value(Source) != infection || !row.value(Complemented).isEmpty())
            continue;
        const QString target = row.value(Target);
        const bool toAcuteOutcome = m_tree.healthOutcomes().value(target).value(Type) == Acute;
        const QString parent = outcomeOf(target);
        const bool toOnlyAcuteState = m_tree.hasHealthState(target)
            && m_tree.healthOutcomes().value(parent).value(Type) == Acute && stateCount(parent) == 1;
        if (toAcuteOutcome || toOnlyAcuteState)
            return QString();
    }
    return QStringLiteral("the infection \"%1\" has no non-complementary transition to a health outcome of type ACUTE")
        .arg(infection);
}

QString OutcomeTreeCheck::runOrderProblem() const
{
    const QStringList& order = m_tree.healthOutcomeOrder();
    for (const fn::OutcomeTreeTemplate::Row& row : m_tree.transitions()) {
        const QString from = outcomeOf(row.value(Source));
        const QString to = outcomeOf(row.value(Target));
        if (order.indexOf(from) >= order.indexOf(to))
            return QStringLiteral(
                       "transition \"%1\" feeds health outcome \"%2\" from \"%3\", so \"%2\" must come later "
                       "in the list of health outcomes")
                .arg(row.value(Id), to, from);
    }
    return QString();
}

} // namespace refdata
