#pragma once

#include <QMap>
#include <QObject>
#include <QPointer>

namespace ui {

// Keeps at most one open pop-up per outcome-tree element (model, tree, node). It knows the
// windows only as objects (the controller links no widgets) and does not own them: they delete
// themselves when closed and leave the registry on the way.
class PresenterMgr : public QObject
{
    Q_OBJECT

public:
    explicit PresenterMgr(QObject* parent = nullptr);
    ~PresenterMgr() override;

    void registerPresenter(QObject* window, const QString& modelId, const QString& outcomeTreeId,
                           const QString& nodeId);
    bool isRegistered(const QString& modelId, const QString& outcomeTreeId, const QString& nodeId) const;
    // The open window of the element, or null.
    QObject* presenter(const QString& modelId, const QString& outcomeTreeId, const QString& nodeId) const;
    // Brings the window to the front.
    static void raise(QObject* window);
    void closeAll();
    int count() const;

private:
    void unregisterPresenter(QObject* window);

    QMap<QString, QMap<QString, QMap<QString, QObject*>>> m_presenters;
};

} // namespace ui
