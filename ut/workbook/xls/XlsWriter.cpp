#include "ut/workbook/xls/XlsWriter.h"

#include <QDir>

#include "ut/workbook/xls/BiffWorkbookEncoder.h"
#include "ut/workbook/xls/ole2/CompoundFileWriter.h"
#include "ut/OutputFile.h"
#include "ut/workbook/RangeAddress.h"
#include "ut/workbook/xls/SharedStringTable.h"
#include "ut/workbook/Workbook.h"

namespace ut {

namespace {

// Excel never writes a workbook stream below this size, which keeps the stream out of the
// container's mini stream, and readers built around its files expect that. The padding
// follows the EOF record of the last sheet, where no reader looks.
constexpr int minimumWorkbookStreamSize = 4096;

// Why a cell's text cannot be saved whole, or an empty text when it can.
QString textProblem(const Worksheet& sheet)
{
    QString problem;
    sheet.forEachCell([&](int row, int column, const QVariant& value) {
        if (!problem.isEmpty() || value.userType() != QMetaType::QString)
            return;
        const QString text = value.toString();
        const QString cell = RangeAddress::columnLetters(column) + QString::number(row);
        if (text.size() > SharedStringTable::maxLength)
            problem = QStringLiteral("the text of cell %1 on sheet \"%2\" has %3 characters, more than the %4 a "
                                     "workbook cell holds")
                          .arg(cell, sheet.name())
                          .arg(text.size())
                          .arg(SharedStringTable::maxLength);
        else if (text.contains(QChar(0)))
            problem =
                QStringLiteral("the text of cell %1 on sheet \"%2\" holds a NUL character").arg(cell, sheet.name());
    });
    return problem;
}

} // namespace

bool XlsWriter::write(const Workbook& workbook, const QString& filePath)
{
    m_errorString.clear();
    const QString shownPath = QDir::toNativeSeparators(filePath);
    if (workbook.sheetCount() == 0) {
        m_errorString = QStringLiteral("Cannot save \"%1\": a workbook needs at least one sheet.").arg(shownPath);
        return false;
    }
    // Texts are checked before anything is encoded, so that a refused save leaves nothing behind.
    for (const Worksheet& sheet : workbook.sheets()) {
        const QString problem = textProblem(sheet);
        if (!problem.isEmpty()) {
            m_errorString = QStringLiteral("Cannot save \"%1\": %2.").arg(shownPath, problem);
            return false;
        }
    }
    QByteArray stream = BiffWorkbookEncoder().encode(workbook);
    if (stream.size() < minimumWorkbookStreamSize)
        stream.append(QByteArray(minimumWorkbookStreamSize - stream.size(), '\0'));

    CompoundFileWriter container;
    const std::optional<QByteArray> bytes = container.build(QStringLiteral("Workbook"), stream);
    if (!bytes) {
        m_errorString = QStringLiteral("Cannot save \"%1\": %2").arg(shownPath, container.errorString());
        return false;
    }

    // A device or a pipe is written as it is; a file is replaced only once written whole.
    QString error;
    if (!OutputFile::save(filePath, *bytes, &error)) {
        m_errorString = error;
        return false;
    }
    return true;
}

} // namespace ut
