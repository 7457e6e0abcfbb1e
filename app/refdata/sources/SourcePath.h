#pragma once

#include <QString>
#include <QStringList>

namespace refdata {

// Where a value sits in the reference data sources: the file and the chain of keys and
// indexes leading to it, so that every message points at one spot of one file.
class SourcePath
{
public:
    SourcePath() = default;
    explicit SourcePath(const QString& fileName);

    SourcePath operator/(const QString& key) const;
    SourcePath operator/(int index) const;

    const QString& fileName() const { return m_fileName; }
    // "file.json: a/b/3", or only the file name at the top level.
    QString toString() const;

    // Throws ut::Exception with the message prefixed by the location.
    [[noreturn]] void fail(const QString& message) const;

private:
    QString m_fileName;
    QStringList m_segments;
};

} // namespace refdata
