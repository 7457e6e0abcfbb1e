#pragma once

#include <QByteArray>
#include <QString>

namespace ut {

// Checks a ZIP archive (the container of .xlsx and .ods files) whole before liborcus unpacks
// it: the directory and every entry must lie inside the file, claim a size the program can
// take, unpack to that size with its checksum, and an XML part must pass XmlPartCheck.
// liborcus trusts all of this: it reserves the memory an entry claims before it sees the data,
// and stops the program with an assertion on some malformed parts. A damaged archive is
// refused here instead.
class ZipArchiveCheck
{
public:
    // The largest unpacked entry taken: far beyond a sheet of 65 536 rows and 256 columns.
    static constexpr quint32 maxEntrySize = 256u * 1024 * 1024;

    // Why the archive cannot be unpacked safely, or an empty text when it can.
    static QString problem(const QByteArray& archive);
};

} // namespace ut
