#include "ut/BiffStringTableCheck.h"

#include <algorithm>

#include <QVector>
#include <QtEndian>

namespace ut {

namespace {

constexpr quint16 recordSst = 0x00FC;
constexpr quint16 recordContinue = 0x003C;
constexpr quint16 recordEof = 0x000A;

// The SST record and the CONTINUE records after it, read as one sequence of payloads.
class RecordChain
{
public:
    explicit RecordChain(QVector<QByteArray> payloads)
        : m_payloads(std::move(payloads))
    {
    }

    bool atRecordEnd() const { return m_offset >= m_payloads.at(m_record).size(); }
    int left() const { return int(m_payloads.at(m_record).size()) - m_offset; }
    int crossings() const { return m_record - m_firstRecord; }
    void startItem() { m_firstRecord = m_record; }

    bool nextRecord()
    {
        if (m_record + 1 >= m_payloads.size())
            return false;
        ++m_record;
        m_offset = 0;
        return true;
    }

    bool read(int size, quint32& value)
    {
        if (left() < size)
            return false;
        const char* p = m_payloads.at(m_record).constData() + m_offset;
        value = size == 1 ? quint8(*p) : size == 2 ? qFromLittleEndian<quint16>(p) : qFromLittleEndian<quint32>(p);
        m_offset += size;
        return true;
    }

    void skip(int size) { m_offset += size; }

private:
    QVector<QByteArray> m_payloads;
    int m_record = 0;
    int m_offset = 0;
    int m_firstRecord = 0;
};

QString damaged()
{
    return QStringLiteral("its table of texts is damaged");
}

} // namespace

QString BiffStringTableCheck::problem(const QByteArray& workbookStream)
{
    QVector<QByteArray> payloads;
    int position = 0;
    bool inTable = false;
    while (position + 4 <= workbookStream.size()) {
        const quint16 type = qFromLittleEndian<quint16>(workbookStream.constData() + position);
        const quint16 length = qFromLittleEndian<quint16>(workbookStream.constData() + position + 2);
        if (position + 4 + length > workbookStream.size())
            break;
        if (type == recordSst && payloads.isEmpty()) {
            inTable = true;
        } else if (type != recordContinue) {
            if (inTable || type == recordEof)
                break;
        }
        if (inTable)
            payloads.append(workbookStream.mid(position + 4, length));
        position += 4 + length;
    }
    if (payloads.isEmpty())
        return {};

    RecordChain chain(payloads);
    quint32 total = 0;
    quint32 unique = 0;
    if (!chain.read(4, total) || !chain.read(4, unique))
        return damaged();
    for (quint32 i = 0; i < unique; ++i) {
        if (chain.atRecordEnd() && !chain.nextRecord())
            return damaged();
        chain.startItem();
        quint32 count = 0;
        quint32 flags = 0;
        quint32 runs = 0;
        quint32 extension = 0;
        if (!chain.read(2, count) || !chain.read(1, flags))
            return damaged();
        if ((flags & 0x08) && !chain.read(2, runs))
            return damaged();
        if ((flags & 0x04) && !chain.read(4, extension))
            return damaged();
        int charSize = (flags & 0x01) ? 2 : 1;
        quint32 remaining = count;
        while (remaining > 0) {
            const quint32 fit = std::min<quint32>(remaining, quint32(chain.left() / charSize));
            chain.skip(int(fit) * charSize);
            remaining -= fit;
            if (remaining == 0)
                break;
            quint32 continuedFlags = 0;
            if (!chain.nextRecord() || !chain.read(1, continuedFlags))
                return damaged();
            charSize = (continuedFlags & 0x01) ? 2 : 1;
        }
        // Formatting runs and phonetic data follow the characters without option bytes.
        quint64 trailing = quint64(runs) * 4 + extension;
        while (trailing > 0) {
            const quint64 step = std::min<quint64>(trailing, quint64(chain.left()));
            chain.skip(int(step));
            trailing -= step;
            if (trailing > 0 && !chain.nextRecord())
                return damaged();
        }
        if (chain.crossings() > 1)
            return QStringLiteral("text %1 of its table of texts is too long to be read (%2 characters)")
                .arg(i + 1)
                .arg(count);
    }
    return {};
}

} // namespace ut
