// liborcus comes before Qt, whose keyword macros would otherwise reach its headers.
#include <orcus/zip_archive.hpp>
#include <orcus/zip_archive_stream.hpp>

#include "ut/workbook/orcus/OdsCellValues.h"

#include <exception>

#include <QXmlStreamReader>

#include "ut/workbook/Workbook.h"

namespace ut {

namespace {

const QString tableNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:table:1.0");
const QString officeNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:office:1.0");

int repeatOf(const QXmlStreamAttributes& attributes, const QString& name)
{
    bool ok = false;
    const int repeat = attributes.value(tableNs, name).toInt(&ok);
    return ok && repeat > 0 ? repeat : 1;
}

} // namespace

bool OdsCellValues::read(const QByteArray& archive)
{
    m_cells.clear();
    m_errorString.clear();
    std::vector<unsigned char> content;
    try {
        orcus::zip_archive_stream_blob stream(reinterpret_cast<const uint8_t*>(archive.constData()),
                                              std::size_t(archive.size()));
        orcus::zip_archive zip(&stream);
        zip.load();
        if (!zip.read_file_entry("content.xml", content)) {
            m_errorString = QStringLiteral("its part content.xml cannot be read");
            return false;
        }
        // liborcus ends what it unpacks with a NUL of its own.
        if (!content.empty() && content.back() == 0)
            content.pop_back();
    } catch (const std::exception& error) {
        m_errorString =
            QStringLiteral("its part content.xml cannot be read (%1)").arg(QString::fromLocal8Bit(error.what()));
        return false;
    }

    QXmlStreamReader xml(QByteArray::fromRawData(reinterpret_cast<const char*>(content.data()), int(content.size())));
    int sheet = -1;
    int row = 0;
    int column = 0;
    int rowRepeat = 1;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token != QXmlStreamReader::StartElement && token != QXmlStreamReader::EndElement)
            continue;
        if (xml.namespaceUri() != tableNs)
            continue;
        const QStringRef name = xml.name();
        if (token == QXmlStreamReader::EndElement) {
            if (name == QLatin1String("table-row"))
                row += rowRepeat;
            continue;
        }
        const QXmlStreamAttributes attributes = xml.attributes();
        if (name == QLatin1String("table")) {
            ++sheet;
            row = 1;
        } else if (name == QLatin1String("table-row")) {
            column = 1;
            rowRepeat = repeatOf(attributes, QStringLiteral("number-rows-repeated"));
        } else if (name == QLatin1String("table-cell") || name == QLatin1String("covered-table-cell")) {
            const int columns = repeatOf(attributes, QStringLiteral("number-columns-repeated"));
            const QString type = attributes.value(officeNs, QStringLiteral("value-type")).toString();
            if (sheet >= 0 && !type.isEmpty() && !attributes.hasAttribute(tableNs, QStringLiteral("formula")))
                readCell(sheet, row, column, rowRepeat, columns, type,
                         attributes.value(officeNs, QStringLiteral("value")).toString(),
                         attributes.value(officeNs, QStringLiteral("boolean-value")).toString(),
                         attributes.value(officeNs, QStringLiteral("date-value")).toString());
            column += columns;
        }
    }
    if (xml.hasError() || !m_errorString.isEmpty()) {
        if (m_errorString.isEmpty())
            m_errorString = QStringLiteral("its part content.xml is not well-formed XML (%1)").arg(xml.errorString());
        m_cells.clear();
        return false;
    }
    return true;
}

void OdsCellValues::readCell(int sheet, int row, int column, int rows, int columns, const QString& type,
                             const QString& value, const QString& booleanValue, const QString& dateValue)
{
    QVariant read;
    QString unreadable;
    if (type == QLatin1String("string") || type == QLatin1String("void")) {
        return;
    } else if (type == QLatin1String("float") || type == QLatin1String("percentage")
               || type == QLatin1String("currency")) {
        bool ok = false;
        const double number = value.trimmed().toDouble(&ok);
        if (ok && type == QLatin1String("float"))
            return; // liborcus reads these right
        if (ok)
            read = number;
        else
            unreadable = QStringLiteral("the malformed number \"%1\"").arg(value.left(40));
    } else if (type == QLatin1String("boolean")) {
        if (booleanValue == QLatin1String("true"))
            read = true;
        else if (booleanValue == QLatin1String("false"))
            read = false;
        else
            unreadable = QStringLiteral("the malformed boolean \"%1\"").arg(booleanValue.left(40));
    } else if (type == QLatin1String("date") || type == QLatin1String("time")) {
        unreadable = QStringLiteral("a date or time (%1)").arg((dateValue.isEmpty() ? value : dateValue).left(40));
    } else {
        unreadable = QStringLiteral("a value of the unknown type \"%1\"").arg(type.left(40));
    }
    // A fault of the file names its part, where the user can look for it.
    if (!unreadable.isEmpty() && !type.startsWith(QLatin1String("date")) && type != QLatin1String("time"))
        unreadable += QStringLiteral(" in its part content.xml");
    // Repeats reach past the sheet only as empty filler; values are kept within it. A value
    // repeated over more cells than a column holds is no edit a user makes.
    if (qint64(rows) * columns > 65536) {
        if (m_errorString.isEmpty())
            m_errorString =
                QStringLiteral("its content.xml repeats one value over %1 cells").arg(qint64(rows) * columns);
        return;
    }
    for (int r = row; r < row + rows && r <= 65536; ++r) {
        for (int c = column; c < column + columns && c <= 256; ++c)
            m_cells.push_back({sheet, r, c, read, unreadable});
    }
}

void OdsCellValues::applyTo(Workbook& workbook) const
{
    for (const Cell& cell : m_cells) {
        if (cell.sheet >= workbook.sheetCount())
            continue;
        Worksheet& sheet = workbook.sheet(cell.sheet);
        if (cell.unreadable.isEmpty())
            sheet.setCell(cell.row, cell.column, cell.value);
        else
            sheet.setUnreadable(cell.row, cell.column, cell.unreadable);
    }
}

} // namespace ut
