#include "ut/workbook/orcus/ZipArchiveCheck.h"

#include <zlib.h>

#include <QVector>
#include <QtEndian>

#include "ut/workbook/orcus/XmlPartCheck.h"

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
constexpr quint16 methodStored = 0;
constexpr quint16 methodDeflated = 8;

struct Entry
{
    QByteArray name;
    quint16 method = 0;
    quint32 checksum = 0;
    quint32 packedSize = 0;
    quint32 size = 0;
    qint64 dataStart = 0;
};

quint16 u16At(const QByteArray& bytes, qint64 at)
{
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

quint32 u32At(const QByteArray& bytes, qint64 at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

QString damagedDirectory()
{
    return QStringLiteral("the directory of its archive is damaged");
}

QString sizeProblem(quint32 size)
{
    return QStringLiteral("an entry of its archive claims to unpack to %1 MB, more than the %2 MB the program "
                          "takes; the file is damaged")
        .arg(size / (1024 * 1024))
        .arg(ZipArchiveCheck::maxEntrySize / (1024 * 1024));
}

// The entries the directory lists, each checked to lie inside the file; or the problem.
QString readDirectory(const QByteArray& archive, QVector<Entry>& entries)
{
    const qint64 size = archive.size();
    // The end record is the last thing in the file, but for a comment. liborcus takes the last
    // signature it finds, even one too near the end to hold the record: so does this check.
    qint64 end = -1;
    for (qint64 at = size - 4; at >= 0 && at >= size - endOfDirectorySize - maxCommentSize; --at) {
        if (u32At(archive, at) == endOfDirectorySignature) {
            end = at;
            break;
        }
    }
    if (end < 0)
        return QStringLiteral("its archive has no directory; the file is cut short or damaged");
    if (end + endOfDirectorySize > size)
        return damagedDirectory();
    // One disk, and the entry count given twice the same: readers take either.
    const int count = u16At(archive, end + 10);
    const qint64 directoryStart = u32At(archive, end + 16);
    const qint64 directoryEnd = directoryStart + qint64(u32At(archive, end + 12));
    if (u16At(archive, end + 4) != 0 || u16At(archive, end + 6) != 0 || u16At(archive, end + 8) != count
        || directoryEnd > end)
        return damagedDirectory();
    qint64 at = directoryStart;
    for (int i = 0; i < count; ++i) {
        if (at + directoryEntrySize > directoryEnd || u32At(archive, at) != directoryEntrySignature)
            return damagedDirectory();
        Entry entry;
        entry.method = u16At(archive, at + 10);
        entry.checksum = u32At(archive, at + 16);
        entry.packedSize = u32At(archive, at + 20);
        entry.size = u32At(archive, at + 24);
        const int nameLength = u16At(archive, at + 28);
        const qint64 entryEnd = at + directoryEntrySize + nameLength + u16At(archive, at + 30) + u16At(archive, at + 32);
        const qint64 local = u32At(archive, at + 42);
        if (entry.size > ZipArchiveCheck::maxEntrySize)
            return sizeProblem(entry.size);
        if (entryEnd > directoryEnd || local + localHeaderSize > directoryStart
            || u32At(archive, local) != localHeaderSignature)
            return damagedDirectory();
        entry.name = archive.mid(at + directoryEntrySize, nameLength);
        const int localNameLength = u16At(archive, local + 26);
        entry.dataStart = local + localHeaderSize + localNameLength + u16At(archive, local + 28);
        // The entry's header repeats its name, and its sizes unless a record after the data has them.
        const bool sizesAfterData = (u16At(archive, local + 6) & 0x0008) != 0;
        if (entry.dataStart + entry.packedSize > directoryStart
            || archive.mid(local + localHeaderSize, localNameLength) != entry.name
            || (!sizesAfterData && (u32At(archive, local + 18) != entry.packedSize || u32At(archive, local + 22) != entry.size)))
            return damagedDirectory();
        entries.append(entry);
        at = entryEnd;
    }
    // The entries fill the directory exactly: none is hidden from the count. liborcus reads
    // entries for as long as their signature follows, whatever the count and size say.
    if (at != directoryEnd || u32At(archive, at) == directoryEntrySignature)
        return damagedDirectory();
    return {};
}

// The entry's data unpacked, or nothing when they do not unpack to the size and checksum the
// directory gives.
bool unpack(const QByteArray& archive, const Entry& entry, QByteArray& data)
{
    const QByteArray packed = QByteArray::fromRawData(archive.constData() + entry.dataStart, int(entry.packedSize));
    if (entry.method == methodStored) {
        data = QByteArray(packed.constData(), packed.size());
    } else if (entry.method == methodDeflated) {
        data = QByteArray(int(entry.size), Qt::Uninitialized);
        z_stream stream{};
        if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
            return false;
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.constData()));
        stream.avail_in = uInt(packed.size());
        stream.next_out = reinterpret_cast<Bytef*>(data.data());
        stream.avail_out = uInt(data.size());
        const int status = inflate(&stream, Z_FINISH);
        const bool complete = status == Z_STREAM_END && stream.total_out == entry.size;
        inflateEnd(&stream);
        if (!complete)
            return false;
    } else {
        return false;
    }
    return data.size() == int(entry.size)
        && crc32(0, reinterpret_cast<const Bytef*>(data.constData()), uInt(data.size())) == entry.checksum;
}

bool isXmlPart(const QByteArray& name)
{
    return name.endsWith(".xml") || name.endsWith(".rels");
}

} // namespace

QString ZipArchiveCheck::problem(const QByteArray& archive)
{
    QVector<Entry> entries;
    const QString directoryProblem = readDirectory(archive, entries);
    if (!directoryProblem.isEmpty())
        return directoryProblem;
    for (const Entry& entry : entries) {
        const QString name = QString::fromUtf8(entry.name);
        QByteArray data;
        if (!unpack(archive, entry, data))
            return QStringLiteral("the part \"%1\" of its archive does not unpack whole; the file is damaged").arg(name);
        if (!isXmlPart(entry.name))
            continue;
        const QString partProblem = XmlPartCheck::problem(data);
        if (!partProblem.isEmpty())
            return QStringLiteral("the part \"%1\" of its archive %2; the file is damaged").arg(name, partProblem);
    }
    return {};
}

} // namespace ut
