#include "ut/workbook/xls/BiffWorkbookDecoder.h"

#include <QSet>

#include "ut/workbook/xls/BiffGlobals.h"
#include "ut/workbook/xls/records/BiffRecord.h"
#include "ut/workbook/xls/records/BiffRecordStream.h"
#include "ut/workbook/xls/records/BiffRecordTypes.h"
#include "ut/workbook/xls/BiffSheetReader.h"
#include "ut/Exception.h"

namespace ut {

namespace {

bool onlyZerosFrom(const QByteArray& stream, int position)
{
    for (int i = position; i < stream.size(); ++i) {
        if (stream.at(i) != '\0')
            return false;
    }
    return true;
}

// Checks that the substreams after the globals are exactly those the sheet directory lists. A
// damaged directory entry, or a damaged record length that makes the records of a sheet run
// into one another, shows as a substream the directory does not know or one it lists in vain.
void checkSubstreams(const QByteArray& stream, const BiffGlobals& globals)
{
    QSet<quint32> listed;
    for (const BiffGlobals::Sheet& sheet : globals.sheets()) {
        if (qint64(sheet.offset) + BiffRecord::headerSize > stream.size())
            refuseWorkbook(QStringLiteral("sheet \"%1\" is said to start at byte %2, beyond the end of the workbook "
                                          "stream (%3 bytes); the file is cut short or damaged")
                               .arg(sheet.name)
                               .arg(sheet.offset)
                               .arg(stream.size()));
        listed.insert(sheet.offset);
    }
    QSet<quint32> found;
    BiffRecordStream records(stream, globals.end());
    // Some writers pad the stream with zeros after the last sheet.
    while (!records.atEnd() && !onlyZerosFrom(stream, records.position())) {
        const BiffRecord bof = records.next();
        if (bof.type() != BiffRecordTypes::Bof || bof.size() != 16 || !listed.contains(quint32(bof.offset())))
            refuseWorkbook(QStringLiteral("the workbook stream holds records at byte %1 that no sheet of its "
                                          "directory starts with; the directory or the records are damaged")
                               .arg(bof.offset()));
        found.insert(quint32(bof.offset()));
        for (int depth = 1; depth > 0;) {
            if (records.atEnd())
                refuseWorkbook(QStringLiteral("the sheet that starts at byte %1 ends without its closing record; "
                                              "the file is cut short or damaged")
                                   .arg(bof.offset()));
            const quint16 type = records.next().type();
            depth += type == BiffRecordTypes::Bof ? 1 : type == BiffRecordTypes::Eof ? -1 : 0;
        }
    }
    for (const BiffGlobals::Sheet& sheet : globals.sheets()) {
        if (!found.contains(sheet.offset))
            refuseWorkbook(QStringLiteral("sheet \"%1\" is said to start at byte %2, where no sheet starts; the "
                                          "directory is damaged")
                               .arg(sheet.name)
                               .arg(sheet.offset));
    }
}

} // namespace

std::optional<Workbook> BiffWorkbookDecoder::decode(const QByteArray& stream)
{
    m_errorString.clear();
    try {
        const BiffGlobals globals = BiffGlobals::read(stream);
        checkSubstreams(stream, globals);
        Workbook workbook;
        BiffSheetReader reader(stream, globals.strings(), globals.dateFormats());
        for (const BiffGlobals::Sheet& entry : globals.sheets()) {
            if (entry.isWorksheet())
                reader.read(entry, workbook.appendSheet(entry.name));
        }
        if (workbook.sheetCount() == 0)
            refuseWorkbook(QStringLiteral("it holds no worksheet"));
        return workbook;
    } catch (const Exception& refusal) {
        m_errorString = refusal.message();
        return std::nullopt;
    }
}

} // namespace ut
