#include "ut/workbook/xls/records/BiffRecordChain.h"

#include <algorithm>

#include <QtEndian>

namespace ut {

namespace {

constexpr quint8 flagTwoBytes = 0x01;
constexpr quint8 flagPhonetic = 0x04;
constexpr quint8 flagRich = 0x08;

} // namespace

BiffRecordChain::BiffRecordChain(QVector<BiffRecord> records, int start)
    : m_records(std::move(records))
    , m_offset(start)
{
    Q_ASSERT(!m_records.isEmpty());
    Q_ASSERT(start >= 0 && start <= m_records.constFirst().size());
}

qint64 BiffRecordChain::remaining() const
{
    qint64 bytes = left();
    for (int i = m_record + 1; i < m_records.size(); ++i)
        bytes += m_records.at(i).size();
    return bytes;
}

bool BiffRecordChain::nextRecord()
{
    if (m_record + 1 >= m_records.size())
        return false;
    ++m_record;
    m_offset = 0;
    return true;
}

void BiffRecordChain::startStructure(const Describe& what)
{
    // Empty CONTINUE records carry nothing and are passed over.
    while (left() == 0) {
        if (!nextRecord())
            refuseWorkbook(QStringLiteral("%1 is missing: its record ends at byte %2")
                               .arg(what())
                               .arg(m_records.at(m_record).end()));
    }
}

quint8 BiffRecordChain::readU8(const Describe& what)
{
    if (left() < 1)
        refuseWorkbook(QStringLiteral("%1 is cut off at byte %2").arg(what()).arg(m_records.at(m_record).end()));
    return quint8(m_records.at(m_record).payload()[m_offset++]);
}

quint16 BiffRecordChain::readU16(const Describe& what)
{
    if (left() < 2)
        refuseWorkbook(QStringLiteral("%1 is cut off at byte %2").arg(what()).arg(m_records.at(m_record).end()));
    const quint16 value = qFromLittleEndian<quint16>(m_records.at(m_record).payload() + m_offset);
    m_offset += 2;
    return value;
}

quint32 BiffRecordChain::readU32(const Describe& what)
{
    if (left() < 4)
        refuseWorkbook(QStringLiteral("%1 is cut off at byte %2").arg(what()).arg(m_records.at(m_record).end()));
    const quint32 value = qFromLittleEndian<quint32>(m_records.at(m_record).payload() + m_offset);
    m_offset += 4;
    return value;
}

QString BiffRecordChain::readCharacters(int count, bool twoBytes, const Describe& what)
{
    QString text;
    text.reserve(count);
    int missing = count;
    while (missing > 0) {
        const int size = twoBytes ? 2 : 1;
        const int fit = std::min(missing, left() / size);
        const char* bytes = m_records.at(m_record).payload() + m_offset;
        for (int i = 0; i < fit; ++i) {
            const ushort code = twoBytes ? qFromLittleEndian<quint16>(bytes + 2 * i) : ushort(quint8(bytes[i]));
            text.append(QChar(code));
        }
        m_offset += fit * size;
        missing -= fit;
        if (missing == 0)
            break;
        // Half a character left at the end of a record cannot be continued.
        if (left() != 0 || !nextRecord())
            refuseWorkbook(
                QStringLiteral("%1 stops %2 characters short of its length %3").arg(what()).arg(missing).arg(count));
        twoBytes = (readU8(what) & flagTwoBytes) != 0;
    }
    return text;
}

void BiffRecordChain::skip(qint64 bytes, const Describe& what)
{
    while (bytes > 0) {
        const qint64 step = std::min<qint64>(bytes, left());
        m_offset += int(step);
        bytes -= step;
        if (bytes > 0 && !nextRecord())
            refuseWorkbook(QStringLiteral("the formatting of %1 runs past the end of its records").arg(what()));
    }
}

QString BiffRecordChain::readRichText(const Describe& what)
{
    startStructure(what);
    const int count = readU16(what);
    const quint8 flags = readU8(what);
    const quint32 runs = (flags & flagRich) ? readU16(what) : 0;
    const quint32 phoneticSize = (flags & flagPhonetic) ? readU32(what) : 0;
    const QString text = readCharacters(count, (flags & flagTwoBytes) != 0, what);
    skip(qint64(runs) * 4 + phoneticSize, what);
    return text;
}

QString BiffRecordChain::readText(const Describe& what)
{
    startStructure(what);
    const int count = readU16(what);
    const quint8 flags = readU8(what);
    return readCharacters(count, (flags & flagTwoBytes) != 0, what);
}

} // namespace ut
