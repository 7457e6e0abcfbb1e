#pragma once

#include <optional>

#include <QByteArray>
#include <QString>

namespace ut {

// Packs one named stream into an OLE2 compound file (the container of Excel 97-2003
// workbooks), in memory, so that the caller decides how the bytes reach the disk.
class CompoundFileWriter
{
public:
    // The compound file, or nothing when the container library fails (see errorString()).
    std::optional<QByteArray> build(const QString& streamName, const QByteArray& stream);
    QString errorString() const { return m_errorString; }

private:
    QString m_errorString;
};

} // namespace ut
