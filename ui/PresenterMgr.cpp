#include "ui/PresenterMgr.h"

#include "ut/Exception.h"

namespace ui {

PresenterMgr::PresenterMgr(QObject* parent)
    : QObject(parent)
{
}

PresenterMgr::~PresenterMgr() = default;

void PresenterMgr::registerPresenter(QObject* window, const QString& modelId, const QString& outcomeTreeId,
                                     const QString& nodeId)
{
    if (!window)
        return;
    if (isRegistered(modelId, outcomeTreeId, nodeId))
        throw ut::Exception(
            QStringLiteral("Presenter for %1, %2, %3 has already been registered").arg(modelId, outcomeTreeId, nodeId),
            QStringLiteral("ui::PresenterMgr::registerPresenter"));
    m_presenters[modelId][outcomeTreeId][nodeId] = window;
    connect(window, &QObject::destroyed, this, &PresenterMgr::unregisterPresenter);
}

void PresenterMgr::unregisterPresenter(QObject* window)
{
    for (auto model = m_presenters.begin(); model != m_presenters.end(); ++model) {
        for (auto tree = model->begin(); tree != model->end(); ++tree) {
            for (auto node = tree->begin(); node != tree->end(); ++node) {
                if (node.value() != window)
                    continue;
                tree->erase(node);
                if (tree->isEmpty())
                    model->erase(tree);
                if (model->isEmpty())
                    m_presenters.erase(model);
                return;
            }
        }
    }
}

bool PresenterMgr::isRegistered(const QString& modelId, const QString& outcomeTreeId, const QString& nodeId) const
{
    return m_presenters.value(modelId).value(outcomeTreeId).contains(nodeId);
}

QObject* PresenterMgr::presenter(const QString& modelId, const QString& outcomeTreeId, const QString& nodeId) const
{
    return m_presenters.value(modelId).value(outcomeTreeId).value(nodeId, nullptr);
}

void PresenterMgr::raise(QObject* window)
{
    // The slots of the window class, called by name: this layer links no widgets.
    for (const char* slot : {"showNormal", "raise", "activateWindow"})
        QMetaObject::invokeMethod(window, slot);
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
    // Closing deletes a window, which leaves the registry on the way: collect first.
    QList<QPointer<QObject>> open;
    for (const auto& trees : qAsConst(m_presenters)) {
        for (const auto& nodes : trees) {
            for (QObject* window : nodes)
                open << window;
        }
    }
    for (const QPointer<QObject>& window : qAsConst(open)) {
        if (window)
            QMetaObject::invokeMethod(window, "close");
    }
}

} // namespace ui
