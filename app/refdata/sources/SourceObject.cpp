#include "app/refdata/sources/SourceObject.h"

namespace refdata {

SourceObject::SourceObject(const QJsonValue& value, const SourcePath& path)
    : m_object(value.toObject())
    , m_path(path)
{
    if (!value.isObject())
        path.fail(QStringLiteral("expected an object"));
}

void SourceObject::allowOnly(const QStringList& allowed) const
{
    for (const QString& key : m_object.keys()) {
        if (!allowed.contains(key))
            m_path.fail(QStringLiteral("unknown member \"%1\" (expected one of: %2)")
                            .arg(key, allowed.join(QStringLiteral(", "))));
    }
}

QJsonValue SourceObject::required(const QString& key) const
{
    if (!m_object.contains(key))
        m_path.fail(QStringLiteral("member \"%1\" is missing").arg(key));
    return m_object.value(key);
}

QString SourceObject::string(const QString& key) const
{
    const QJsonValue value = required(key);
    if (!value.isString())
        path(key).fail(QStringLiteral("expected a string"));
    return value.toString();
}

QString SourceObject::identifier(const QString& key) const
{
    const QString text = string(key).trimmed();
    if (text.isEmpty())
        path(key).fail(QStringLiteral("must not be empty"));
    return text;
}

bool SourceObject::boolean(const QString& key) const
{
    const QJsonValue value = required(key);
    if (!value.isBool())
        path(key).fail(QStringLiteral("expected true or false"));
    return value.toBool();
}

QJsonArray SourceObject::array(const QString& key) const
{
    const QJsonValue value = required(key);
    if (!value.isArray())
        path(key).fail(QStringLiteral("expected an array"));
    return value.toArray();
}

SourceObject SourceObject::object(const QString& key) const
{
    return SourceObject(required(key), path(key));
}

} // namespace refdata
