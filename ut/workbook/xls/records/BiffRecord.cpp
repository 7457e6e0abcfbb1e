#include "ut/workbook/xls/records/BiffRecord.h"

#include <cstring>

#include <QtEndian>

#include "ut/Exception.h"

namespace ut {

BiffRecord::BiffRecord(quint16 type, int offset, const char* payload, int size)
    : m_type(type)
    , m_offset(offset)
    , m_payload(payload)
    , m_size(size)
{
}

void BiffRecord::require(int size, const QString& what) const
{
    if (m_size < size)
        refuseWorkbook(QStringLiteral("%1 at byte %2 holds %3 bytes, fewer than the %4 it needs")
                           .arg(what)
                           .arg(m_offset)
                           .arg(m_size)
                           .arg(size));
}

void BiffRecord::check(int at, int width) const
{
    // Every field read is bounded here, so that a record shorter than its type demands can
    // never be read past, even where a caller did not ask for the size first.
    if (at < 0 || at + width > m_size)
        refuseWorkbook(QStringLiteral("the record of type 0x%1 at byte %2 ends before its field at byte %3")
                           .arg(m_type, 4, 16, QLatin1Char('0'))
                           .arg(m_offset)
                           .arg(at));
}

quint8 BiffRecord::u8(int at) const
{
    check(at, 1);
    return quint8(m_payload[at]);
}

quint16 BiffRecord::u16(int at) const
{
    check(at, 2);
    return qFromLittleEndian<quint16>(m_payload + at);
}

quint32 BiffRecord::u32(int at) const
{
    check(at, 4);
    return qFromLittleEndian<quint32>(m_payload + at);
}

double BiffRecord::f64(int at) const
{
    check(at, 8);
    const quint64 bits = qFromLittleEndian<quint64>(m_payload + at);
    double value = 0;
    static_assert(sizeof(bits) == sizeof(value), "IEEE 754 double expected");
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}

void refuseWorkbook(const QString& problem)
{
    throw Exception(problem, QStringLiteral("ut::BiffWorkbookDecoder::decode"));
}

} // namespace ut
