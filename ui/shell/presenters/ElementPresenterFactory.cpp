#include "ui/shell/presenters/ElementPresenterFactory.h"

#include "fn/model/DiseaseModel.h"
#include "fn/model/elements/HealthOutcome.h"
#include "ui/shell/presenters/AsymptomaticDataPresenter.h"
#include "ui/shell/presenters/InfectionDataPresenter.h"
#include "ui/ParameterExchange.h"
#include "ui/shell/presenters/TransProbDataPresenter.h"
#include "ui/shell/presenters/YLDHealthOutcomeDataPresenter.h"
#include "ui/shell/presenters/YLLHealthOutcomeDataPresenter.h"
#include "ut/Exception.h"

namespace ui {

namespace {

const QString noParametersText = QStringLiteral(
    "There are no parameters defined for this health outcome.<br />Results are available only after model run.");

// A state is named after its outcome; states of outcomes without states of their own carry the same name.
QString stateCaption(const fn::SequelaBase& state)
{
    const fn::HealthOutcome* outcome = state.parentOutcome();
    if (!outcome || outcome->name() == state.name())
        return state.name();
    return QStringLiteral("%1 - %2").arg(outcome->name(), state.name());
}

template <typename Element>
Element* findHealthState(fn::OutcomeTree& tree, const fn::OutcomeTreeNode::ID& elementId)
{
    return dynamic_cast<Element*>(&tree.getHealthState(elementId));
}

} // namespace

ElementPresenterFactory::ElementPresenterFactory(fn::DiseaseModel& model, QObject* webGUI, bool withResults)
    : m_model(model)
    , m_webGUI(webGUI)
    , m_withResults(withResults)
{
}

DataPresenter* ElementPresenterFactory::create(const fn::OutcomeTree::ID& outcomeTreeId, const QString& elementType,
                                               const fn::OutcomeTreeNode::ID& elementId)
{
    m_notice = Notice();
    DataPresenter* presenter = nullptr;
    // The page may name an element this model does not have (a tree it does not model):
    // such a click shows nothing.
    try {
        fn::OutcomeTree& tree = m_model.getOutcomeTree(outcomeTreeId);
        if (elementType == QLatin1String("infection"))
            presenter = infection(tree, elementId);
        else if (elementType == QLatin1String("symptomatic") || elementType == QLatin1String("sequela"))
            presenter = yldHealthState(tree, elementId);
        else if (elementType == QLatin1String("death"))
            presenter = yllHealthState(tree, elementId);
        else if (elementType == QLatin1String("asymptomatic"))
            presenter = asymptomaticHealthState(tree, elementId);
        else if (elementType == QLatin1String("arrow"))
            presenter = transition(tree, elementId);
        if (presenter && hasResults())
            presenter->webData().setMap(QStringLiteral("Statistics"), statistics(tree, elementType, elementId));
    } catch (const ut::Exception&) {
        return nullptr;
    }
    if (presenter)
        presenter->show();
    return presenter;
}

DataPresenter* ElementPresenterFactory::infection(fn::OutcomeTree& tree, const fn::OutcomeTreeNode::ID& elementId)
{
    const auto* infection = findHealthState<fn::Infection>(tree, elementId);
    if (!infection)
        return nullptr;
    return new InfectionDataPresenter(elementInfo(tree, elementId), infection->name(), hasResults(), m_webGUI,
                                      dataArrayToMap(infection->lifeExpectancy()), results(infection->casesMean()));
}

DataPresenter* ElementPresenterFactory::yldHealthState(fn::OutcomeTree& tree, const fn::OutcomeTreeNode::ID& elementId)
{
    const auto* state = findHealthState<fn::HealthState>(tree, elementId);
    if (!state)
        return nullptr;
    return new YLDHealthOutcomeDataPresenter(elementInfo(tree, elementId), stateCaption(*state), hasResults(), m_webGUI,
                                             dataArrayToMap(state->severity()), dataArrayToMap(state->duration()),
                                             dataArrayToMap(state->proportion()), results(state->casesMean()),
                                             results(state->burdenMean()), results(state->exitLifeExpectancy()));
}

DataPresenter* ElementPresenterFactory::yllHealthState(fn::OutcomeTree& tree, const fn::OutcomeTreeNode::ID& elementId)
{
    const auto* state = findHealthState<fn::HealthState>(tree, elementId);
    if (!state)
        return nullptr;
    if (!hasResults()) {
        setNotice(QStringLiteral("YLL health outcome"), noParametersText);
        return nullptr;
    }
    return new YLLHealthOutcomeDataPresenter(elementInfo(tree, elementId), stateCaption(*state), hasResults(), m_webGUI,
                                             dataArrayToMap(state->proportion()), results(state->casesMean()),
                                             results(state->burdenMean()), results(state->exitLifeExpectancy()));
}

DataPresenter* ElementPresenterFactory::asymptomaticHealthState(fn::OutcomeTree& tree,
                                                                const fn::OutcomeTreeNode::ID& elementId)
{
    const auto* state = findHealthState<fn::HealthState>(tree, elementId);
    if (!state)
        return nullptr;
    if (!hasResults()) {
        setNotice(QStringLiteral("Asymptomatic health outcome"), noParametersText);
        return nullptr;
    }
    return new AsymptomaticDataPresenter(elementInfo(tree, elementId), stateCaption(*state), hasResults(), m_webGUI,
                                         results(state->casesMean()));
}

DataPresenter* ElementPresenterFactory::transition(fn::OutcomeTree& tree, const fn::OutcomeTreeNode::ID& elementId)
{
    const fn::TransitionProbabilityBase& transition = tree.getTransitionProbability(elementId);
    const auto* own = dynamic_cast<const fn::TransitionProbability*>(&transition);
    // A complement has no parameters of its own: they belong to the transition it complements.
    if (!own && !hasResults()) {
        setNotice(
            QStringLiteral("Transition probability"),
            QStringLiteral("Please, browse parameters of the source transition probability.<br />Results for this "
                           "transition are available only after model run."));
        return nullptr;
    }
    const bool fromInfection = transition.source() == tree.infection();
    return new TransProbDataPresenter(
        elementInfo(tree, elementId), transition.name(), hasResults(), m_webGUI, fromInfection,
        transition.isRedistributed(), own ? dataArrayToMap(own->probabilityParameter()) : QVariantMap(),
        own ? dataArrayToMap(own->redistributionParameter()) : QVariantMap(), results(transition.probabilityMean()),
        results(transition.redistributionMean()), results(transition.flowMean()));
}

QVariantMap ElementPresenterFactory::elementInfo(const fn::OutcomeTree& tree,
                                                 const fn::OutcomeTreeNode::ID& elementId) const
{
    QVariantMap info = m_model.info();
    info.insert(QStringLiteral("outcomeTreeID"), tree.id());
    info.insert(QStringLiteral("outcomeTreeNodeID"), elementId);
    return info;
}

QVariantMap ElementPresenterFactory::results(const Marray& means) const
{
    return hasResults() ? valuesToTableMap(means, m_model.factors()) : QVariantMap();
}

bool ElementPresenterFactory::hasResults() const
{
    return m_withResults && m_model.isComputed();
}

QVariantMap ElementPresenterFactory::statistics(fn::OutcomeTree& tree, const QString& elementType,
                                                const fn::OutcomeTreeNode::ID& elementId) const
{
    // The strata only have means; intervals exist for the tree and for each health outcome.
    if (elementType == QLatin1String("infection"))
        return tree.sequelaTypeResults().value(QStringLiteral("total")).toMap();
    if (elementType == QLatin1String("arrow"))
        return {};
    const fn::HealthOutcome* outcome = tree.getHealthState(elementId).parentOutcome();
    if (!outcome)
        return {};
    for (const QVariant& entry : tree.outcomeResults()) {
        const QVariantMap map = entry.toMap();
        if (map.value(QStringLiteral("name")).toString() == outcome->name())
            return map;
    }
    return {};
}

void ElementPresenterFactory::setNotice(const QString& title, const QString& text)
{
    m_notice = {title, text};
}

} // namespace ui
