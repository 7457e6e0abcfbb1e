#pragma once

#include <cstring>

#include <QByteArray>
#include <QString>
#include <QVector>
#include <QtEndian>

#include "ut/workbook/xls/ole2/CompoundFileWriter.h"

// Builds BIFF8 workbook streams record by record, for the cases no writer at hand produces
// (formula text results, LABEL records, CONTINUE records inside a cell's text, embedded
// charts) and for damage placed exactly where a test wants it.
namespace bifftest {

inline QByteArray u8(quint8 value)
{
    return QByteArray(1, char(value));
}

inline QByteArray u16(quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    return QByteArray(bytes, 2);
}

inline QByteArray u32(quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    return QByteArray(bytes, 4);
}

inline QByteArray f64(double value)
{
    quint64 bits = 0;
    std::memcpy(&bits, &value, sizeof(bits));
    char bytes[8];
    qToLittleEndian(bits, bytes);
    return QByteArray(bytes, 8);
}

// Characters one byte each (all below 256) or two bytes each.
inline QByteArray characters(const QString& text, bool twoBytes)
{
    QByteArray bytes;
    for (const QChar c : text)
        bytes += twoBytes ? u16(c.unicode()) : u8(quint8(c.unicode()));
    return bytes;
}

inline QByteArray record(quint16 type, const QByteArray& payload)
{
    return u16(type) + u16(quint16(payload.size())) + payload;
}

inline QByteArray cell(int row, int column)
{
    return u16(quint16(row)) + u16(quint16(column)) + u16(15);
}

inline QByteArray bof(quint16 kind)
{
    return record(0x0809, u16(0x0600) + u16(kind) + u16(0x0DBB) + u16(0x07CC) + u32(0) + u32(6));
}

inline QByteArray eof()
{
    return record(0x000A, QByteArray());
}

// The fonts and cell formats readers expect in the globals: the cells of these streams use
// format 15, the default cell format.
inline QByteArray standardFormats()
{
    QByteArray records;
    const QByteArray arial = u8(5) + u8(0) + QByteArray("Arial");
    for (int i = 0; i < 5; ++i)
        records += record(0x0031,
                          u16(200) + u16(0) + u16(0x7FFF) + u16(400) + u16(0) + u8(0) + u8(0) + u8(0) + u8(0) + arial);
    for (int i = 0; i < 16; ++i)
        records += record(0x00E0,
                          u16(0) + u16(0) + u16(i < 15 ? 0xFFF5 : 0x0001) + u8(0x20) + u8(0) + u8(0) + u8(0) + u32(0)
                              + u32(0) + u16(0x20C0));
    return records;
}

struct Sheet
{
    QString name;
    // 0 a worksheet, 2 a chart sheet.
    quint8 kind = 0;
    // The records between the sheet's BOF and EOF.
    QByteArray records;
};

// A workbook stream: the globals (BOF, globals, a directory entry per sheet, table, EOF) then the
// sheets, each directory entry pointing at its sheet's BOF.
inline QByteArray workbookStream(const QByteArray& globals, const QVector<Sheet>& sheets, const QByteArray& table)
{
    QByteArray head = bof(0x0005) + globals;
    QVector<int> offsetFields;
    for (const Sheet& sheet : sheets) {
        offsetFields.append(head.size() + 4);
        head += record(0x0085,
                       u32(0) + u8(0) + u8(sheet.kind) + u8(quint8(sheet.name.size())) + u8(1)
                           + characters(sheet.name, true));
    }
    head += table + eof();
    QByteArray stream = head;
    for (int i = 0; i < sheets.size(); ++i) {
        qToLittleEndian<quint32>(quint32(stream.size()), head.data() + offsetFields[i]);
        stream += bof(sheets[i].kind == 2 ? 0x0020 : 0x0010) + sheets[i].records + eof();
    }
    return head + stream.mid(head.size());
}

// The stream packed in an OLE2 container under name, as an .xls file holds it.
inline QByteArray container(const QByteArray& stream, const QString& name = QStringLiteral("Workbook"))
{
    ut::CompoundFileWriter writer;
    return writer.build(name, stream).value_or(QByteArray());
}

// The offsets at which the records of stream start, up to the end of its last EOF record.
inline QVector<int> recordBoundaries(const QByteArray& stream)
{
    QVector<int> boundaries;
    int position = 0;
    int lastEnd = 0;
    while (position + 4 <= stream.size()) {
        const quint16 type = qFromLittleEndian<quint16>(stream.constData() + position);
        const int length = qFromLittleEndian<quint16>(stream.constData() + position + 2);
        if (type == 0 && length == 0)
            break;
        boundaries.append(position);
        position += 4 + length;
        if (type == 0x000A)
            lastEnd = position;
    }
    while (!boundaries.isEmpty() && boundaries.constLast() >= lastEnd)
        boundaries.removeLast();
    boundaries.append(lastEnd);
    return boundaries;
}

} // namespace bifftest
