#include "ut/BiffWorkbookDecoder.h"

#include "ut/BiffGlobals.h"
#include "ut/BiffRecord.h"
#include "ut/BiffSheetReader.h"
#include "ut/Exception.h"

namespace ut {

std::optional<Workbook> BiffWorkbookDecoder::decode(const QByteArray& stream)
{
    m_errorString.clear();
    try {
        const BiffGlobals globals = BiffGlobals::read(stream);
        Workbook workbook;
        BiffSheetReader reader(stream, globals.strings());
        for (const BiffGlobals::Sheet& entry : globals.sheets()) {
            if (!entry.isWorksheet()) {
                if (qint64(entry.offset) >= stream.size())
                    refuseWorkbook(QStringLiteral("sheet \"%1\" is said to start at byte %2, beyond the end of the "
                                                  "workbook stream (%3 bytes)")
                                       .arg(entry.name)
                                       .arg(entry.offset)
                                       .arg(stream.size()));
                continue;
            }
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
