#include "app/refdata/sources/SourcePath.h"

#include "ut/Exception.h"

namespace refdata {

SourcePath::SourcePath(const QString& fileName)
    : m_fileName(fileName)
{
}

SourcePath SourcePath::operator/(const QString& key) const
{
    SourcePath child(*this);
    child.m_segments << key;
    return child;
}

SourcePath SourcePath::operator/(int index) const
{
    return *this / QString::number(index);
}

QString SourcePath::toString() const
{
    if (m_segments.isEmpty())
        return m_fileName;
    return m_fileName + QStringLiteral(": ") + m_segments.join(QLatin1Char('/'));
}

void SourcePath::fail(const QString& message) const
{
    throw ut::Exception(toString() + QStringLiteral(": ") + message, QStringLiteral("refdata::SourcePath::fail"));
}

} // namespace refdata
