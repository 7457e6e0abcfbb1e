#include "ut/workbook/xls/BiffSharedStrings.h"

#include "ut/workbook/xls/records/BiffRecordChain.h"

namespace ut {

QVector<QString> BiffSharedStrings::read(const BiffRecord& table, const QVector<BiffRecord>& continuations)
{
    table.require(8, QStringLiteral("the table of texts"));
    const quint32 unique = table.u32(4);
    // Each text takes at least three bytes, which bounds a damaged count before any memory is
    // reserved for it.
    qint64 available = table.size() - 8;
    for (const BiffRecord& record : continuations)
        available += record.size();
    if (qint64(unique) * 3 > available)
        refuseWorkbook(
            QStringLiteral("the table of texts announces %1 texts but holds %2 bytes").arg(unique).arg(available));

    QVector<BiffRecord> records{table};
    records += continuations;
    BiffRecordChain chain(records, 8);
    QVector<QString> strings;
    strings.reserve(int(unique));
    for (quint32 i = 0; i < unique; ++i) {
        const auto what = [i] { return QStringLiteral("text %1 of the table of texts").arg(i + 1); };
        QString text = chain.readRichText(what);
        if (text.contains(QChar(0)))
            refuseWorkbook(QStringLiteral("%1 holds a NUL character; the table is damaged").arg(what()));
        strings.append(std::move(text));
    }
    if (chain.remaining() != 0)
        refuseWorkbook(QStringLiteral("the table of texts holds %1 bytes after its last text (%2 texts); it is damaged")
                           .arg(chain.remaining())
                           .arg(unique));
    return strings;
}

} // namespace ut
