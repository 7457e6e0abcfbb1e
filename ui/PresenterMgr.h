#pragma once

#include <QMap>
#include <QObject>
#include <QPointer>

namespace ui {

class DataPresenter;

// Keeps at most one open pop-up per outcome-tree element (model, tree, node). It does
// not own the windows: they delete themselves when closed and unregister on the way.
class PresenterMgr : public QObject
{
    Q_OBJECT

public:
    explicit PresenterMgr(QObject* parent = nullptr);
    ~PresenterMgr() override;

    void registerPresenter(DataPresenter* presenter);
    bool isRegistered(const QString& modelId, const QString& outcomeTreeId, const QString& nodeId) const;
    // The open window of the element, or null.
    DataPresenter* presenter(const QString& modelId, const QString& outcomeTreeId, const QString& nodeId) const;
    void closeAll();
    int count() const;

public slots:
    void unregisterPresenter(ui::DataPresenter* presenter);

private:
    QMap<QString, QMap<QString, QMap<QString, DataPresenter*>>> m_presenters;
};

} // namespace ui
