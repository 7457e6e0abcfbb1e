#pragma once

#include <optional>

#include <QByteArray>
#include <QString>

namespace ut {

// Reads one named stream out of an OLE2 compound file, the container of Excel 97-2003 files.
class CompoundFileReader
{
public:
    enum class Status { Ok, NotAContainer, NoSuchStream, Damaged };

    // The stream's bytes, or nothing; status() and errorString() tell why.
    std::optional<QByteArray> readStream(const QString& filePath, const QString& streamName);
    Status status() const { return m_status; }
    QString errorString() const { return m_errorString; }

private:
    Status m_status = Status::Ok;
    QString m_errorString;
};

} // namespace ut
