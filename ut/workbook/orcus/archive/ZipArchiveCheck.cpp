#include "ut/workbook/orcus/archive/ZipArchiveCheck.h"

#include <zlib.h>

#include <algorithm>

#include <QDir>
#include <QHash>
#include <QSet>
#include <QUrl>
#include <QVector>
#include <QXmlStreamReader>
#include <QtEndian>

#include "ut/workbook/orcus/archive/XmlPartCheck.h"

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
    qint64 localStart = 0;
    qint64 dataStart = 0;
};

constexpr quint32 megabyte = 1024 * 1024;

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
        const qint64 entryEnd = at + directoryEntrySize + nameLength + u16At(archive, at + 30)
            + u16At(archive, at + 32);
        const qint64 local = u32At(archive, at + 42);
        if (entry.size > ZipArchiveCheck::maxEntrySize)
            return sizeProblem(entry.size);
        if (entryEnd > directoryEnd || local + localHeaderSize > directoryStart
            || u32At(archive, local) != localHeaderSignature)
            return damagedDirectory();
        entry.name = archive.mid(at + directoryEntrySize, nameLength);
        entry.localStart = local;
        const int localNameLength = u16At(archive, local + 26);
        entry.dataStart = local + localHeaderSize + localNameLength + u16At(archive, local + 28);
        // The entry's header repeats its name, and its sizes unless a record after the data has them.
        const bool sizesAfterData = (u16At(archive, local + 6) & 0x0008) != 0;
        if (entry.dataStart + entry.packedSize > directoryStart
            || archive.mid(local + localHeaderSize, localNameLength) != entry.name
            || (!sizesAfterData
                && (u32At(archive, local + 18) != entry.packedSize || u32At(archive, local + 22) != entry.size)))
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

// Whether every part is listed once and has its data to itself: a part listed many times would
// be unpacked as often, and parts sharing their data multiply it.
QString layoutProblem(const QVector<Entry>& entries)
{
    QSet<QByteArray> names;
    for (const Entry& entry : entries) {
        if (names.contains(entry.name))
            return QStringLiteral("its archive lists the part \"%1\" more than once; each part is unpacked once, "
                                  "so the file is refused")
                .arg(QString::fromUtf8(entry.name));
        names.insert(entry.name);
    }
    QVector<const Entry*> inFile;
    for (const Entry& entry : entries)
        inFile.append(&entry);
    std::sort(inFile.begin(), inFile.end(),
              [](const Entry* a, const Entry* b) { return a->localStart < b->localStart; });
    for (int i = 1; i < inFile.size(); ++i) {
        const Entry& before = *inFile[i - 1];
        if (inFile[i]->localStart < before.dataStart + before.packedSize)
            return QStringLiteral("the parts \"%1\" and \"%2\" of its archive share their data; each part is "
                                  "unpacked once, so the file is refused")
                .arg(QString::fromUtf8(before.name), QString::fromUtf8(inFile[i]->name));
    }
    return {};
}

// Whether the parts stay within the sizes the program takes, before any is unpacked.
QString sizeLimitProblem(const QVector<Entry>& entries)
{
    quint64 total = 0;
    for (const Entry& entry : entries) {
        const QString name = QString::fromUtf8(entry.name);
        total += entry.size;
        if (total > ZipArchiveCheck::maxTotalSize)
            return QStringLiteral("the parts of its archive unpack to more than the %1 MB the program takes in all "
                                  "(%2 MB up to the part \"%3\"); the file is refused")
                .arg(ZipArchiveCheck::maxTotalSize / megabyte)
                .arg(total / megabyte)
                .arg(name);
        if (entry.size > ZipArchiveCheck::ratioCheckedSize
            && quint64(entry.size) > quint64(entry.packedSize) * ZipArchiveCheck::maxRatio)
            return QStringLiteral("the part \"%1\" of its archive unpacks to %2 MB from %3 KB, more than %4 times "
                                  "its packed size, which no workbook does; the file is refused")
                .arg(name)
                .arg(entry.size / megabyte)
                .arg(entry.packedSize / 1024)
                .arg(ZipArchiveCheck::maxRatio);
    }
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

bool isRelationships(const QByteArray& name)
{
    return name.endsWith(".rels");
}

// The parts liborcus reads, by name, with the type of relationship that leads to each (empty
// for the parts it reads by their fixed names).
class ReferencedParts
{
public:
    ReferencedParts()
    {
        for (const char* name :
             {"[Content_Types].xml", "content.xml", "styles.xml", "meta.xml", "settings.xml", "META-INF/manifest.xml"})
            m_types.insert(QString::fromLatin1(name), QString());
    }

    // Adds the targets of a relationships part that passed the XML check.
    void addRelationships(const QByteArray& xml, const QByteArray& partName)
    {
        // "a/_rels/b.xml.rels" relates "a/b.xml", whose folder relative targets start from.
        const QString path = QString::fromUtf8(partName);
        const QString folder = path.left(path.lastIndexOf(QLatin1String("_rels/")));
        QXmlStreamReader reader(xml);
        while (!reader.atEnd()) {
            if (reader.readNext() != QXmlStreamReader::StartElement || reader.name() != QLatin1String("Relationship"))
                continue;
            const QXmlStreamAttributes attributes = reader.attributes();
            if (attributes.value(QLatin1String("TargetMode")) == QLatin1String("External"))
                continue;
            // Targets are URIs: a space in a part's name is written %20.
            const QString target = QUrl::fromPercentEncoding(attributes.value(QLatin1String("Target")).toUtf8());
            const QString resolved = QDir::cleanPath(target.startsWith(QLatin1Char('/')) ? target.mid(1)
                                                                                         : folder + target);
            m_types.insert(resolved, attributes.value(QLatin1String("Type")).toString());
        }
    }

    bool contains(const QString& name) const { return m_types.contains(name); }
    QString typeOf(const QString& name) const { return m_types.value(name); }

private:
    QHash<QString, QString> m_types;
};

QString partProblem(const QString& name, const QString& problem)
{
    return QStringLiteral("the part \"%1\" of its archive %2; the file is damaged").arg(name, problem);
}

QString unpackProblem(const QString& name)
{
    return QStringLiteral("the part \"%1\" of its archive does not unpack whole; the file is damaged").arg(name);
}

} // namespace

QString ZipArchiveCheck::problem(const QByteArray& archive)
{
    QVector<Entry> entries;
    const QString directoryProblem = readDirectory(archive, entries);
    if (!directoryProblem.isEmpty())
        return directoryProblem;
    for (const QString& problem : {layoutProblem(entries), sizeLimitProblem(entries)}) {
        if (!problem.isEmpty())
            return problem;
    }
    // The relationships first: they say which parts liborcus reads.
    ReferencedParts referenced;
    for (const Entry& entry : entries) {
        if (!isRelationships(entry.name))
            continue;
        const QString name = QString::fromUtf8(entry.name);
        QByteArray data;
        if (!unpack(archive, entry, data))
            return unpackProblem(name);
        const QString problem = XmlPartCheck::problem(data);
        if (!problem.isEmpty())
            return partProblem(name, problem);
        referenced.addRelationships(data, entry.name);
    }
    qint64 cells = 0;
    qint64 sharedStrings = 0;
    QString sharedStringsPart;
    for (const Entry& entry : entries) {
        if (isRelationships(entry.name))
            continue;
        const QString name = QString::fromUtf8(entry.name);
        QByteArray data;
        if (!unpack(archive, entry, data))
            return unpackProblem(name);
        if (!isXmlPart(entry.name) || !referenced.contains(name))
            continue;
        const QString type = referenced.typeOf(name);
        const bool sheet = type.endsWith(QLatin1String("/worksheet"));
        const bool strings = type.endsWith(QLatin1String("/sharedStrings"));
        qint64 count = 0;
        const QString problem = XmlPartCheck::problem(data,
                                                      sheet         ? QLatin1String("c")
                                                          : strings ? QLatin1String("si")
                                                                    : QLatin1String(),
                                                      &count);
        if (!problem.isEmpty())
            return partProblem(name, problem);
        if (sheet)
            cells += count;
        if (strings) {
            sharedStrings += count;
            sharedStringsPart = name;
        }
    }
    const qint64 usable = std::max(cells, minSharedStringLimit);
    if (sharedStrings > usable)
        return QStringLiteral("the part \"%1\" of its archive holds %2 shared strings, more than the %3 its sheets "
                              "can use (their %4 cells, or at least %5); the file is refused")
            .arg(sharedStringsPart)
            .arg(sharedStrings)
            .arg(usable)
            .arg(cells)
            .arg(minSharedStringLimit);
    return {};
}

} // namespace ut
