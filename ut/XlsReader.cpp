#include "ut/XlsReader.h"

#include <algorithm>
#include <memory>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <freexl.h>

#include "ut/BiffStringTableCheck.h"
#include "ut/CompoundFileReader.h"

namespace ut {

namespace {

struct FreeXlCloser
{
    void operator()(const void* handle) const { freexl_close(handle); }
};
using FreeXlHandle = std::unique_ptr<const void, FreeXlCloser>;

// The eight-byte signature that opens every OLE2 compound file, the container of .xls.
bool hasCompoundFileSignature(const QString& filePath)
{
    static const QByteArray signature = QByteArray::fromHex("d0cf11e0a1b11ae1");
    QFile file(filePath);
    return file.open(QIODevice::ReadOnly) && file.read(signature.size()) == signature;
}

QVariant cellValue(const FreeXL_CellValue& cell)
{
    switch (cell.type) {
    case FREEXL_CELL_INT:
        return double(cell.value.int_value);
    case FREEXL_CELL_DOUBLE:
        return cell.value.double_value;
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME:
        return cell.value.text_value ? QString::fromUtf8(cell.value.text_value) : QString();
    default:
        return {};
    }
}

QString failureText(const QString& filePath, int freexlCode, bool compoundFile)
{
    const QString path = QDir::toNativeSeparators(filePath);
    switch (freexlCode) {
    case FREEXL_FILE_NOT_FOUND:
        return QStringLiteral("The workbook \"%1\" does not exist or cannot be opened.").arg(path);
    case FREEXL_INSUFFICIENT_MEMORY:
        return QStringLiteral("There is not enough memory to read the workbook \"%1\".").arg(path);
    case FREEXL_UNSUPPORTED_CHARSET:
    case FREEXL_INVALID_CHARACTER:
        return QStringLiteral("The workbook \"%1\" holds text in a character set that cannot be read.").arg(path);
    default:
        break;
    }
    // A file without the container signature was never a workbook; one with it was meant to
    // be and has been cut short or damaged.
    if (!compoundFile)
        return QStringLiteral("The file \"%1\" is not an Excel 97-2003 workbook (.xls).").arg(path);
    if (freexlCode == FREEXL_BIFF_WORKBOOK_NOT_FOUND)
        return QStringLiteral("The file \"%1\" is not an Excel 97-2003 workbook (.xls): it holds no workbook stream.")
            .arg(path);
    return QStringLiteral("The workbook \"%1\" is damaged or truncated and cannot be read (FreeXL error %2).")
        .arg(path)
        .arg(freexlCode);
}

} // namespace

std::optional<Workbook> XlsReader::read(const QString& filePath)
{
    m_errorString.clear();
    const QFileInfo info(filePath);
    if (!info.exists() || !info.isFile()) {
        m_errorString = QStringLiteral("The workbook \"%1\" does not exist.").arg(QDir::toNativeSeparators(filePath));
        return std::nullopt;
    }
    if (!info.isReadable()) {
        m_errorString = QStringLiteral("The workbook \"%1\" cannot be read: permission denied.")
                            .arg(QDir::toNativeSeparators(filePath));
        return std::nullopt;
    }

    if (info.size() == 0) {
        m_errorString = QStringLiteral("The file \"%1\" is empty, not an Excel 97-2003 workbook (.xls).")
                            .arg(QDir::toNativeSeparators(filePath));
        return std::nullopt;
    }

    // FreeXL is only handed files whose container and string table it can cope with.
    const bool compoundFile = hasCompoundFileSignature(filePath);
    if (compoundFile) {
        CompoundFileReader container;
        const std::optional<QByteArray> stream = container.readStream(info.absoluteFilePath(), QStringLiteral("Workbook"));
        if (!stream && container.status() != CompoundFileReader::Status::NoSuchStream) {
            m_errorString = QStringLiteral("The workbook \"%1\" is damaged or truncated and cannot be read (%2).")
                                .arg(QDir::toNativeSeparators(filePath), container.errorString());
            return std::nullopt;
        }
        const QString problem = stream ? BiffStringTableCheck::problem(*stream) : QString();
        if (!problem.isEmpty()) {
            m_errorString = QStringLiteral("The workbook \"%1\" cannot be read: %2.")
                                .arg(QDir::toNativeSeparators(filePath), problem);
            return std::nullopt;
        }
    }

    const void* rawHandle = nullptr;
    const int openCode = freexl_open(QFile::encodeName(info.absoluteFilePath()).constData(), &rawHandle);
    // FreeXL expects a close even after a failed open.
    const FreeXlHandle handle(rawHandle);
    if (openCode != FREEXL_OK) {
        m_errorString = failureText(filePath, openCode, compoundFile);
        return std::nullopt;
    }

    unsigned int obfuscation = 0;
    if (freexl_get_info(handle.get(), FREEXL_BIFF_PASSWORD, &obfuscation) == FREEXL_OK
        && obfuscation == FREEXL_BIFF_OBFUSCATED) {
        m_errorString = QStringLiteral("The workbook \"%1\" is password protected and cannot be read.")
                            .arg(QDir::toNativeSeparators(filePath));
        return std::nullopt;
    }

    unsigned int sheetCount = 0;
    int code = freexl_get_info(handle.get(), FREEXL_BIFF_SHEET_COUNT, &sheetCount);
    Workbook workbook;
    for (unsigned int s = 0; code == FREEXL_OK && s < sheetCount; ++s) {
        const char* name = nullptr;
        code = freexl_get_worksheet_name(handle.get(), static_cast<unsigned short>(s), &name);
        if (code != FREEXL_OK)
            break;
        Worksheet& sheet = workbook.appendSheet(name ? QString::fromUtf8(name) : QString());
        code = freexl_select_active_worksheet(handle.get(), static_cast<unsigned short>(s));
        unsigned int rows = 0;
        unsigned short columns = 0;
        if (code == FREEXL_OK)
            code = freexl_worksheet_dimensions(handle.get(), &rows, &columns);
        if (code != FREEXL_OK)
            break;
        const unsigned int rowLimit = std::min<unsigned int>(rows, Worksheet::maxRows);
        const unsigned int columnLimit = std::min<unsigned int>(columns, Worksheet::maxColumns);
        for (unsigned int r = 0; r < rowLimit; ++r) {
            for (unsigned int c = 0; c < columnLimit; ++c) {
                FreeXL_CellValue cell;
                if (freexl_get_cell_value(handle.get(), r, static_cast<unsigned short>(c), &cell) == FREEXL_OK)
                    sheet.setCell(int(r) + 1, int(c) + 1, cellValue(cell));
            }
        }
    }
    if (code != FREEXL_OK) {
        m_errorString = failureText(filePath, code, true);
        return std::nullopt;
    }
    return workbook;
}

} // namespace ut
