#pragma once

#include <QObject>
#include <QVariantMap>

namespace fn {

// The data of one detail pop-up, published to its page on request.
class WebData : public QObject
{
    Q_OBJECT

public:
    explicit WebData(QObject* parent = nullptr);
    ~WebData() override;

    void setString(const QString& key, const QString& value) { m_data.insert(key, value); }
    void setBool(const QString& key, bool value) { m_data.insert(key, value); }
    void setMap(const QString& key, const QVariantMap& value) { m_data.insert(key, value); }

    const QVariantMap& data() const { return m_data; }
    // The element the pop-up shows, from its "ElemInfo" entry.
    QString modelId() const;
    QString outcomeTreeId() const;
    QString outcomeTreeNodeId() const;

signals:
    void publishData(QVariantMap data);

public slots:
    void dataRequested();

private:
    QString elementInfo(const QString& key) const;

    QVariantMap m_data;
};

} // namespace fn
