#pragma once

#include <QByteArray>
#include <QString>

namespace ut {

// Checks a ZIP archive (the container of .xlsx and .ods files) whole before liborcus unpacks
// it: the directory and every entry must lie inside the file, list each part once and apart
// from the others, claim sizes the program can take, unpack to those sizes with their
// checksums, and every XML part something refers to must pass XmlPartCheck. liborcus trusts
// all of this: it reserves the memory an entry claims before it sees the data, unpacks an
// entry as often as the directory lists it, and stops the program with an assertion on some
// malformed parts. A damaged or hostile archive is refused here instead, in seconds.
//
// Parts nothing refers to are unpacked (their checksums are checked) but never parsed:
// liborcus does not read them either.
class ZipArchiveCheck
{
public:
    // The largest unpacked entry taken: far beyond a sheet of 65 536 rows and 256 columns.
    static constexpr quint32 maxEntrySize = 256u * 1024 * 1024;
    // All parts together: two of the largest, so that the check and liborcus stay within about
    // a gigabyte whatever the directory claims.
    static constexpr quint64 maxTotalSize = 512ull * 1024 * 1024;
    // Deflate packs the XML of a workbook 5 to 30 times; a part of more than a megabyte that
    // unpacks to more than maxRatio times its packed size is built to explode, not written.
    static constexpr quint32 ratioCheckedSize = 1024 * 1024;
    static constexpr quint32 maxRatio = 100;
    // A workbook may keep shared strings no cell uses, but not more than its sheets' cells
    // or this many, whichever is more.
    static constexpr qint64 minSharedStringLimit = 65536;

    // Why the archive cannot be unpacked safely, or an empty text when it can.
    static QString problem(const QByteArray& archive);
};

} // namespace ut
