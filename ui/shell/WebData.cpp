#include "ui/shell/WebData.h"

namespace fn {

WebData::WebData(QObject* parent)
    : QObject(parent)
{
}

WebData::~WebData() = default;

QString WebData::elementInfo(const QString& key) const
{
    return m_data.value(QStringLiteral("ElemInfo")).toMap().value(key).toString();
}

QString WebData::modelId() const
{
    return elementInfo(QStringLiteral("modelID"));
}

QString WebData::outcomeTreeId() const
{
    return elementInfo(QStringLiteral("outcomeTreeID"));
}

QString WebData::outcomeTreeNodeId() const
{
    return elementInfo(QStringLiteral("outcomeTreeNodeID"));
}

void WebData::dataRequested()
{
    emit publishData(m_data);
}

} // namespace fn
