#include "ui/PresenterMgr.h"

#include "ui/DataPresenter.h"
#include "ut/Exception.h"

namespace ui {

PresenterMgr::PresenterMgr(QObject* parent)
    : QObject(parent)
{
}

PresenterMgr::~PresenterMgr() = default;

void PresenterMgr::registerPresenter(DataPresenter* presenter)
{
    if (!presenter)
        return;
    const fn::WebData& data = presenter->webData();
    const QString model = data.modelId(), tree = data.outcomeTreeId(), node = data.outcomeTreeNodeId();
    if (isRegistered(model, tree, node))
        throw ut::Exception(QStringLiteral("Presenter for %1, %2, %3 has already been registered").arg(model, tree, node),
                            QStringLiteral("ui::PresenterMgr::registerPresenter"));
    m_presenters[model][tree][node] = presenter;
}

void PresenterMgr::unregisterPresenter(DataPresenter* presenter)
{
    if (!presenter)
        return;
    const fn::WebData& data = presenter->webData();
    const QString model = data.modelId(), tree = data.outcomeTreeId(), node = data.outcomeTreeNodeId();
    if (!isRegistered(model, tree, node))
        throw ut::Exception(QStringLiteral("Presenter for %1, %2, %3 has never been registered").arg(model, tree, node),
                            QStringLiteral("ui::PresenterMgr::unregisterPresenter"));
    auto& trees = m_presenters[model];
    auto& nodes = trees[tree];
    nodes.remove(node);
    if (nodes.isEmpty())
        trees.remove(tree);
    if (trees.isEmpty())
        m_presenters.remove(model);
}

bool PresenterMgr::isRegistered(const QString& modelId, const QString& outcomeTreeId, const QString& nodeId) const
{
    return m_presenters.value(modelId).value(outcomeTreeId).contains(nodeId);
}

DataPresenter* PresenterMgr::presenter(const QString& modelId, const QString& outcomeTreeId,
                                      const QString& nodeId) const
{
    return m_presenters.value(modelId).value(outcomeTreeId).value(nodeId, nullptr);
}

int PresenterMgr::count() const
{
    int n = 0;
    for (const auto& trees : m_presenters) {
        for (const auto& nodes : trees)
            n += nodes.size();
    }
    return n;
}

void PresenterMgr::closeAll()
{
    // Closing deletes a window, whose destructor unregisters it: collect first.
    QList<QPointer<DataPresenter>> open;
    for (const auto& trees : qAsConst(m_presenters)) {
        for (const auto& nodes : trees) {
            for (DataPresenter* presenter : nodes)
                open << presenter;
        }
    }
    for (const QPointer<DataPresenter>& presenter : qAsConst(open)) {
        if (presenter)
            presenter->close();
    }
}

} // namespace ui
