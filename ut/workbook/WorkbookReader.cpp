#include "ut/workbook/WorkbookReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "ut/workbook/orcus/OrcusWorkbookReader.h"
#include "ut/workbook/xls/XlsReader.h"

namespace ut {

namespace {

const QByteArray compoundFileSignature = QByteArray::fromHex("d0cf11e0a1b11ae1");
const QByteArray zipSignature = QByteArray::fromHex("504b0304");

} // namespace

std::optional<Workbook> WorkbookReader::read(const QString& filePath)
{
    m_errorString.clear();
    const QString shown = QDir::toNativeSeparators(filePath);
    const QFileInfo info(filePath);
    if (!info.exists() || !info.isFile()) {
        m_errorString = QStringLiteral("The workbook \"%1\" does not exist.").arg(shown);
        return std::nullopt;
    }
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly)) {
        m_errorString = QStringLiteral("The workbook \"%1\" cannot be opened: %2.").arg(shown, file.errorString());
        return std::nullopt;
    }
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError || content.size() != file.size()) {
        m_errorString = QStringLiteral("The workbook \"%1\" cannot be read: %2.").arg(shown, file.errorString());
        return std::nullopt;
    }
    return parse(content, filePath);
}

std::optional<Workbook> WorkbookReader::parse(const QByteArray& content, const QString& filePath)
{
    m_errorString.clear();
    const QString shown = QDir::toNativeSeparators(filePath);
    if (content.isEmpty()) {
        m_errorString = QStringLiteral("The file \"%1\" is empty, not a workbook.").arg(shown);
        return std::nullopt;
    }
    std::optional<Workbook> workbook;
    QString problem;
    if (content.startsWith(compoundFileSignature)) {
        XlsReader reader;
        workbook = reader.read(content);
        problem = reader.errorString();
    } else if (content.startsWith(zipSignature)) {
        OrcusWorkbookReader reader;
        workbook = reader.read(content);
        problem = reader.errorString();
    } else {
        m_errorString = QStringLiteral("The file \"%1\" is not a workbook: it is neither an Excel 97-2003 workbook "
                                       "(.xls), an Excel workbook (.xlsx) nor an OpenDocument spreadsheet (.ods).")
                            .arg(shown);
        return std::nullopt;
    }
    if (!workbook)
        m_errorString = QStringLiteral("The workbook \"%1\" cannot be read: %2.").arg(shown, problem);
    return workbook;
}

} // namespace ut
