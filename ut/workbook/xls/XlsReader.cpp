#include "ut/workbook/xls/XlsReader.h"

#include "ut/workbook/xls/BiffWorkbookDecoder.h"
#include "ut/workbook/xls/ole2/CompoundFileReader.h"

namespace ut {

std::optional<Workbook> XlsReader::read(const QByteArray& file)
{
    m_errorString.clear();
    CompoundFileReader container;
    const std::optional<QByteArray> stream = container.readStream(file,
                                                                  {QStringLiteral("Workbook"), QStringLiteral("Book")});
    if (!stream) {
        m_errorString = container.status() == CompoundFileReader::Status::NoSuchStream
            ? QStringLiteral("it is not a workbook: %1 (it may be another kind of Office document)")
                  .arg(container.errorString())
            : container.errorString();
        return std::nullopt;
    }
    BiffWorkbookDecoder decoder;
    std::optional<Workbook> workbook = decoder.decode(*stream);
    if (!workbook)
        m_errorString = decoder.errorString();
    return workbook;
}

} // namespace ut
