#pragma once

#include <QByteArray>
#include <QString>

namespace ut {

// Checks the directory of a ZIP archive (the container of .xlsx and .ods files) before the
// archive is unpacked: every entry must lie inside the file and claim a size the program can
// take. The unpacking reserves memory for the size an entry claims, so a damaged or hostile
// size field would otherwise ask for gigabytes before any of its data is seen.
class ZipDirectoryCheck
{
public:
    // The largest unpacked entry taken: far beyond a sheet of 65 536 rows and 256 columns.
    static constexpr quint32 maxEntrySize = 256u * 1024 * 1024;

    // Why the archive cannot be unpacked safely, or an empty text when it can.
    static QString problem(const QByteArray& archive);
};

} // namespace ut
