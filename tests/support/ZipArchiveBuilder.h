#pragma once

#include <zlib.h>

#include <QByteArray>
#include <QVector>
#include <QtEndian>

// Packs parts into a ZIP archive in memory, each deflated, for the tests and harnesses of the
// workbook archive checks. A part may be listed more than once in the directory, every record
// pointing at its one copy, as a hostile file has it.
class ZipArchiveBuilder
{
public:
    // Adds a part deflated at level (0 to 9). A claimedSize other than 0 is given as its
    // unpacked size instead of the true one, as a damaged or hostile directory would.
    void add(const QByteArray& name, const QByteArray& data, int level = 6, quint32 claimedSize = 0)
    {
        const QByteArray packed = deflated(data, level);
        Entry entry;
        entry.name = name;
        entry.checksum = quint32(crc32(0, reinterpret_cast<const Bytef*>(data.constData()), uInt(data.size())));
        entry.packedSize = quint32(packed.size());
        entry.size = claimedSize > 0 ? claimedSize : quint32(data.size());
        entry.offset = quint32(m_body.size());
        append<quint32>(m_body, 0x04034b50);
        for (const quint16 field : {quint16(20), quint16(0), quint16(8), quint16(0), quint16(0)})
            append<quint16>(m_body, field);
        append<quint32>(m_body, entry.checksum);
        append<quint32>(m_body, entry.packedSize);
        append<quint32>(m_body, entry.size);
        append<quint16>(m_body, quint16(name.size()));
        append<quint16>(m_body, 0);
        m_body += name + packed;
        m_entries.append(entry);
    }

    // Lists the last part this many times more in the directory.
    void repeatLast(int times)
    {
        for (int i = 0; i < times; ++i)
            m_entries.append(m_entries.last());
    }

    QByteArray archive() const
    {
        QByteArray directory;
        for (const Entry& entry : m_entries) {
            append<quint32>(directory, 0x02014b50);
            for (const quint16 field : {quint16(20), quint16(20), quint16(0), quint16(8), quint16(0), quint16(0)})
                append<quint16>(directory, field);
            append<quint32>(directory, entry.checksum);
            append<quint32>(directory, entry.packedSize);
            append<quint32>(directory, entry.size);
            for (const quint16 field : {quint16(entry.name.size()), quint16(0), quint16(0), quint16(0), quint16(0)})
                append<quint16>(directory, field);
            append<quint32>(directory, 0);
            append<quint32>(directory, entry.offset);
            directory += entry.name;
        }
        QByteArray archive = m_body + directory;
        append<quint32>(archive, 0x06054b50);
        const quint16 count = quint16(m_entries.size());
        for (const quint16 field : {quint16(0), quint16(0), count, count})
            append<quint16>(archive, field);
        append<quint32>(archive, quint32(directory.size()));
        append<quint32>(archive, quint32(m_body.size()));
        append<quint16>(archive, 0);
        return archive;
    }

private:
    struct Entry
    {
        QByteArray name;
        quint32 checksum = 0;
        quint32 packedSize = 0;
        quint32 size = 0;
        quint32 offset = 0;
    };

    template <typename T>
    static void append(QByteArray& out, T value)
    {
        char bytes[sizeof(T)];
        qToLittleEndian(value, bytes);
        out.append(bytes, sizeof(T));
    }

    static QByteArray deflated(const QByteArray& data, int level)
    {
        z_stream stream{};
        deflateInit2(&stream, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
        QByteArray out(int(deflateBound(&stream, uLong(data.size()))), Qt::Uninitialized);
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
        stream.avail_in = uInt(data.size());
        stream.next_out = reinterpret_cast<Bytef*>(out.data());
        stream.avail_out = uInt(out.size());
        deflate(&stream, Z_FINISH);
        out.resize(int(stream.total_out));
        deflateEnd(&stream);
        return out;
    }

    QByteArray m_body;
    QVector<Entry> m_entries;
};
