#pragma once

#include <QDataStream>
#include <QMap>
#include <QMultiMap>
#include <QString>
#include <QStringList>
#include <QVector>

#include "fn/data/StoreValue.h"
#include "fn/values/DataArray.h"
#include "fn/values/InputFactor.h"

namespace fn {

// The building blocks of the reference data cache on a QDataStream: counts, strings,
// string lists, bools, factor lists, data array records and maps written from the
// greatest key to the smallest. Reading never trusts the file: a count that cannot fit
// into the bytes left marks the stream corrupt before anything is allocated, and once
// the stream has failed every further read yields an empty value. Arrays allocate one
// value per stratum, which a few level names can multiply without bound, so the strata of
// all arrays and factor lists read from one stream together may not exceed its size in
// bytes: a genuine file spends at least four bytes on the formula of every stratum.
class CacheStream
{
public:
    // The stream format of the cache file.
    static constexpr int Version = QDataStream::Qt_5_13;

    explicit CacheStream(QDataStream& stream);
    virtual ~CacheStream();
    CacheStream(const CacheStream&) = delete;
    CacheStream& operator=(const CacheStream&) = delete;

    bool ok() const { return m_stream.status() == QDataStream::Ok; }
    // Whether the input has nothing left: a part added to the format later is absent from older files.
    bool atEnd() const { return m_stream.atEnd(); }

    void writeCount(int count);
    void writeString(const QString& text);
    void writeStringList(const QStringList& list);
    void writeBool(bool value);
    void writeFactors(const QVector<InputFactor>& factors);
    void writeDataArray(const DataArray& array);

    // A count of entries each taking at least four bytes; 0 and a corrupt stream when the
    // rest of the input cannot hold that many.
    int readCount();
    QString readString();
    QStringList readStringList();
    bool readBool();
    // More factors than an array has dimensions mark the stream corrupt.
    QVector<InputFactor> readFactors();
    DataArray readDataArray();
    // Charges the strata of factors against the stream's budget; false, and the stream
    // corrupt, when the budget cannot pay for them.
    bool reserveStrata(const QVector<InputFactor>& factors);

    template <typename Value, typename WriteValue>
    void writeMap(const QMap<QString, Value>& map, WriteValue writeValue)
    {
        writeCount(map.size());
        for (auto it = map.constEnd(); it != map.constBegin();) {
            --it;
            writeString(it.key());
            writeValue(it.value());
        }
    }

    template <typename Value, typename ReadValue>
    QMap<QString, Value> readMap(ReadValue readValue)
    {
        QMap<QString, Value> map;
        const int count = readCount();
        for (int i = 0; i < count && ok(); ++i) {
            const QString key = readString();
            const Value value = readValue();
            if (!ok())
                break;
            storeValue(map, key, value);
        }
        return map;
    }

    // Equal keys keep their order: written last to first, each read entry goes in front.
    void writeMultiMap(const QMultiMap<QString, QString>& map);
    QMultiMap<QString, QString> readMultiMap();

    void writeStringMap(const QMap<QString, QString>& map);
    QMap<QString, QString> readStringMap();

private:
    void markCorrupt();
    qint64 bytesLeft() const;

    QDataStream& m_stream;
    qint64 m_strataLeft = 0;
};

} // namespace fn
