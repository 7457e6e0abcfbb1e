#pragma once

#include <optional>

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace ut {

// Reads one named stream out of an OLE2 compound file, the container of Excel 97-2003 files,
// held in memory.
class CompoundFileReader
{
public:
    enum class Status { Ok, NotAContainer, NoSuchStream, Damaged };

    // The bytes of the first stream of the root storage whose name is one of streamNames, tried
    // in that order, or nothing; status() and errorString() tell why. A stream that the
    // container cannot deliver in full counts as damaged.
    std::optional<QByteArray> readStream(const QByteArray& file, const QStringList& streamNames);
    Status status() const { return m_status; }
    QString errorString() const { return m_errorString; }

private:
    Status m_status = Status::Ok;
    QString m_errorString;
};

} // namespace ut
