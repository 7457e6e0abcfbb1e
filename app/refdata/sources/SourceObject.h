#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>

#include "app/refdata/sources/SourcePath.h"

namespace refdata {

// A JSON object of the sources together with its location. The accessors check the
// type of what they return and fail with the location of the offending member.
class SourceObject
{
public:
    SourceObject(const QJsonValue& value, const SourcePath& path);

    const SourcePath& path() const { return m_path; }
    SourcePath path(const QString& key) const { return m_path / key; }
    const QJsonObject& json() const { return m_object; }
    QStringList keys() const { return m_object.keys(); }
    bool has(const QString& key) const { return m_object.contains(key); }
    QJsonValue value(const QString& key) const { return m_object.value(key); }

    // A member outside allowed is most likely a misspelt one, so it is refused.
    void allowOnly(const QStringList& allowed) const;

    QString string(const QString& key) const;
    // A non-empty string after trimming.
    QString identifier(const QString& key) const;
    bool boolean(const QString& key) const;
    QJsonArray array(const QString& key) const;
    SourceObject object(const QString& key) const;
    // A member that must be present, of any type.
    QJsonValue required(const QString& key) const;

private:
    QJsonObject m_object;
    SourcePath m_path;
};

} // namespace refdata
