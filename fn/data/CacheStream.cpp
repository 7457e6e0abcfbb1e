#include "fn/data/CacheStream.h"

#include <QIODevice>

namespace fn {

namespace {

// Null strings have their own length marker in the stream.
constexpr quint32 NullStringLength = 0xFFFFFFFFu;

} // namespace

CacheStream::CacheStream(QDataStream& stream)
    : m_stream(stream)
    , m_strataLeft(stream.device() ? stream.device()->size() : 0)
{
    m_stream.setVersion(Version);
    m_stream.setByteOrder(QDataStream::BigEndian);
}

CacheStream::~CacheStream() = default;

void CacheStream::markCorrupt()
{
    m_stream.setStatus(QDataStream::ReadCorruptData);
}

qint64 CacheStream::bytesLeft() const
{
    const QIODevice* device = m_stream.device();
    return device ? device->bytesAvailable() : 0;
}

void CacheStream::writeCount(int count)
{
    m_stream << static_cast<quint32>(count);
}

void CacheStream::writeString(const QString& text)
{
    if (text.isNull()) {
        m_stream << NullStringLength;
        return;
    }
    m_stream << static_cast<quint32>(text.size() * 2);
    for (const QChar c : text)
        m_stream << static_cast<quint16>(c.unicode());
}

void CacheStream::writeStringList(const QStringList& list)
{
    writeCount(list.size());
    for (const QString& text : list)
        writeString(text);
}

void CacheStream::writeBool(bool value)
{
    m_stream << static_cast<quint8>(value ? 1 : 0);
}

void CacheStream::writeFactors(const QVector<InputFactor>& factors)
{
    writeCount(factors.size());
    for (const InputFactor& factor : factors) {
        writeString(factor.name());
        writeStringList(factor.levels());
    }
}

void CacheStream::writeDataArray(const DataArray& array)
{
    writeFactors(array.factorCopies());
    writeString(array.name());
    writeStringMap(array.meta());
    writeStringList(array.formulas());
}

void CacheStream::writeStringMap(const QMap<QString, QString>& map)
{
    writeMap(map, [this](const QString& value) { writeString(value); });
}

void CacheStream::writeMultiMap(const QMultiMap<QString, QString>& map)
{
    writeCount(map.size());
    for (auto it = map.constEnd(); it != map.constBegin();) {
        --it;
        writeString(it.key());
        writeString(it.value());
    }
}

int CacheStream::readCount()
{
    if (!ok())
        return 0;
    quint32 count = 0;
    m_stream >> count;
    if (!ok())
        return 0;
    if (static_cast<qint64>(count) > bytesLeft() / 4) {
        markCorrupt();
        return 0;
    }
    return static_cast<int>(count);
}

QString CacheStream::readString()
{
    if (!ok())
        return QString();
    quint32 length = 0;
    m_stream >> length;
    if (!ok() || length == NullStringLength)
        return QString();
    if (length == 0)
        return QStringLiteral("");
    if (length % 2 != 0 || static_cast<qint64>(length) > bytesLeft()) {
        markCorrupt();
        return QString();
    }
    QString text(static_cast<int>(length / 2), Qt::Uninitialized);
    for (QChar& c : text) {
        quint16 unit = 0;
        m_stream >> unit;
        c = QChar(unit);
    }
    if (!ok())
        return QString();
    return text;
}

QStringList CacheStream::readStringList()
{
    QStringList list;
    const int count = readCount();
    for (int i = 0; i < count && ok(); ++i)
        list << readString();
    if (!ok())
        list.clear();
    return list;
}

bool CacheStream::readBool()
{
    if (!ok())
        return false;
    quint8 value = 0;
    m_stream >> value;
    return ok() && value != 0;
}

QVector<InputFactor> CacheStream::readFactors()
{
    QVector<InputFactor> factors;
    const int count = readCount();
    if (static_cast<std::size_t>(count) > Marray::Shape::Capacity) {
        markCorrupt();
        return factors;
    }
    for (int i = 0; i < count && ok(); ++i) {
        const QString name = readString();
        const QStringList levels = readStringList();
        factors << InputFactor(name, levels);
    }
    if (!ok())
        factors.clear();
    return factors;
}

bool CacheStream::reserveStrata(const QVector<InputFactor>& factors)
{
    if (!ok())
        return false;
    qint64 strata = 1;
    for (const InputFactor& factor : factors) {
        if (factor.levelCount() == 0)
            return true;
        strata *= factor.levelCount();
        // Checked at every step, so the product never grows past the file size times a level count.
        if (strata > m_strataLeft) {
            markCorrupt();
            return false;
        }
    }
    m_strataLeft -= strata;
    return true;
}

DataArray CacheStream::readDataArray()
{
    const QVector<InputFactor> factors = readFactors();
    const QString name = readString();
    const QMap<QString, QString> meta = readStringMap();
    const QStringList formulas = readStringList();
    if (!ok() || !reserveStrata(factors))
        return DataArray();
    return DataArray(factors, name, meta, formulas);
}

QMap<QString, QString> CacheStream::readStringMap()
{
    return readMap<QString>([this] { return readString(); });
}

QMultiMap<QString, QString> CacheStream::readMultiMap()
{
    QMultiMap<QString, QString> map;
    const int count = readCount();
    for (int i = 0; i < count && ok(); ++i) {
        const QString key = readString();
        const QString value = readString();
        if (!ok())
            break;
        map.insert(key, value);
    }
    return map;
}

} // namespace fn
