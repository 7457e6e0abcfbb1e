#pragma once

#include <QString>
#include <QVariantMap>

#include "fn/model/OutcomeTree.h"

namespace fn {
class DiseaseModel;
}

namespace ui {

class DataPresenter;

// Builds the detail pop-up of one outcome-tree element: the element's parameter tables
// and, once the model has been run, the per-stratum means of its stores.
class ElementPresenterFactory
{
public:
    // What the user is told when an element has nothing to show yet.
    struct Notice
    {
        QString title;
        QString text;
    };

    // Without withResults the windows show the parameters only (during a run the results
    // are being rewritten; after an edit they no longer match the parameters).
    ElementPresenterFactory(fn::DiseaseModel& model, QObject* webGUI, bool withResults = true);

    // The shown window of the element, or null: for an unknown type or element, and for
    // elements that have neither parameters nor results, in which case notice() says why.
    DataPresenter* create(const fn::OutcomeTree::ID& outcomeTreeId, const QString& elementType,
                          const fn::OutcomeTreeNode::ID& elementId);

    bool hasNotice() const { return !m_notice.title.isEmpty(); }
    const Notice& notice() const { return m_notice; }

private:
    DataPresenter* infection(fn::OutcomeTree& tree, const fn::OutcomeTreeNode::ID& elementId);
    DataPresenter* yldHealthState(fn::OutcomeTree& tree, const fn::OutcomeTreeNode::ID& elementId);
    DataPresenter* yllHealthState(fn::OutcomeTree& tree, const fn::OutcomeTreeNode::ID& elementId);
    DataPresenter* asymptomaticHealthState(fn::OutcomeTree& tree, const fn::OutcomeTreeNode::ID& elementId);
    DataPresenter* transition(fn::OutcomeTree& tree, const fn::OutcomeTreeNode::ID& elementId);

    QVariantMap elementInfo(const fn::OutcomeTree& tree, const fn::OutcomeTreeNode::ID& elementId) const;
    // The means as a value table, or an empty map before the first run.
    QVariantMap results(const Marray& means) const;
    bool hasResults() const;
    // The mean and 95 % interval of what the element belongs to: its tree for the infection,
    // its health outcome for a health state; none for a transition.
    QVariantMap statistics(fn::OutcomeTree& tree, const QString& elementType,
                           const fn::OutcomeTreeNode::ID& elementId) const;
    void setNotice(const QString& title, const QString& text);

    fn::DiseaseModel& m_model;
    QObject* m_webGUI;
    bool m_withResults;
    Notice m_notice;
};

} // namespace ui
