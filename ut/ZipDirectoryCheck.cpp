#include "ut/ZipDirectoryCheck.h"

#include <algorithm>

#include <QtEndian>

namespace ut {

namespace {

constexpr quint32 endOfDirectorySignature = 0x06054b50;
constexpr quint32 directoryEntrySignature = 0x02014b50;
constexpr quint32 localHeaderSignature = 0x04034b50;
constexpr int endOfDirectorySize = 22;
constexpr int directoryEntrySize = 46;
constexpr int localHeaderSize = 30;
// The archive comment that may follow the end record is at most this long.
constexpr int maxCommentSize = 0xFFFF;

quint16 u16At(const QByteArray& bytes, qint64 at)
{
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

quint32 u32At(const QByteArray& bytes, qint64 at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

QString sizeProblem(quint32 size)
{
    return QStringLiteral("an entry of its archive claims to unpack to %1 MB, more than the %2 MB the program "
                          "takes; the file is damaged")
        .arg(size / (1024 * 1024))
        .arg(ZipDirectoryCheck::maxEntrySize / (1024 * 1024));
}

} // namespace

QString ZipDirectoryCheck::problem(const QByteArray& archive)
{
    const qint64 size = archive.size();
    const QString damaged = QStringLiteral("the directory of its archive is damaged");
    // The end record is the last thing in the file, but for a comment.
    qint64 end = -1;
    for (qint64 at = size - endOfDirectorySize; at >= 0 && at >= size - endOfDirectorySize - maxCommentSize; --at) {
        if (u32At(archive, at) == endOfDirectorySignature) {
            end = at;
            break;
        }
    }
    if (end < 0)
        return QStringLiteral("its archive has no directory; the file is cut short or damaged");
    const int entries = u16At(archive, end + 10);
    const qint64 directorySize = u32At(archive, end + 12);
    const qint64 directoryStart = u32At(archive, end + 16);
    if (directoryStart + directorySize > end)
        return damaged;
    qint64 at = directoryStart;
    for (int i = 0; i < entries; ++i) {
        if (at + directoryEntrySize > end || u32At(archive, at) != directoryEntrySignature)
            return damaged;
        const quint32 packed = u32At(archive, at + 20);
        const quint32 unpacked = u32At(archive, at + 24);
        const qint64 entryEnd = at + directoryEntrySize + u16At(archive, at + 28) + u16At(archive, at + 30)
            + u16At(archive, at + 32);
        const qint64 local = u32At(archive, at + 42);
        if (unpacked > maxEntrySize)
            return sizeProblem(unpacked);
        if (entryEnd > end || local + localHeaderSize > directoryStart || u32At(archive, local) != localHeaderSignature)
            return damaged;
        // The sizes are repeated before the data, unless a record after the data holds them.
        const bool sizesAfterData = (u16At(archive, local + 6) & 0x0008) != 0;
        if (!sizesAfterData && u32At(archive, local + 22) > maxEntrySize)
            return sizeProblem(u32At(archive, local + 22));
        const qint64 dataStart = local + localHeaderSize + u16At(archive, local + 26) + u16At(archive, local + 28);
        if (dataStart + packed > directoryStart)
            return damaged;
        at = entryEnd;
    }
    return {};
}

} // namespace ut
