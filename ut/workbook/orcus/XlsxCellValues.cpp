// liborcus comes before Qt, whose keyword macros would otherwise reach its headers.
#include <orcus/zip_archive.hpp>
#include <orcus/zip_archive_stream.hpp>

#include "ut/workbook/orcus/XlsxCellValues.h"

#include <exception>
#include <memory>

#include <QHash>
#include <QSet>
#include <QXmlStreamReader>

#include "ut/workbook/NumberFormat.h"
#include "ut/workbook/RangeAddress.h"
#include "ut/workbook/Workbook.h"

namespace ut {

namespace {

const QString mainNs = QStringLiteral("http://schemas.openxmlformats.org/spreadsheetml/2006/main");
const QString relationshipNs = QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships");

// The parts of the archive, read on demand.
class Parts
{
public:
    explicit Parts(const QByteArray& archive)
        : m_stream(reinterpret_cast<const uint8_t*>(archive.constData()), std::size_t(archive.size()))
        , m_zip(&m_stream)
    {
        m_zip.load();
    }

    bool read(const QString& path, QByteArray& content) const
    {
        std::vector<unsigned char> buffer;
        if (!m_zip.read_file_entry(path.toStdString(), buffer))
            return false;
        // liborcus ends what it unpacks with a NUL of its own.
        if (!buffer.empty() && buffer.back() == 0)
            buffer.pop_back();
        content = QByteArray(reinterpret_cast<const char*>(buffer.data()), int(buffer.size()));
        return true;
    }

private:
    orcus::zip_archive_stream_blob m_stream;
    orcus::zip_archive m_zip;
};

// "xl/worksheets/sheet1.xml" for the target "worksheets/sheet1.xml" of a part in folder "xl".
QString resolved(const QString& folder, const QString& target)
{
    if (target.startsWith(QLatin1Char('/')))
        return target.mid(1);
    QStringList path = folder.isEmpty() ? QStringList() : folder.split(QLatin1Char('/'));
    for (const QString& step : target.split(QLatin1Char('/'))) {
        if (step == QLatin1String(".."))
            path.removeLast();
        else if (step != QLatin1String("."))
            path << step;
    }
    return path.join(QLatin1Char('/'));
}

// Relationship ids to their resolved targets.
QHash<QString, QString> relationships(const QByteArray& xml, const QString& folder)
{
    QHash<QString, QString> targets;
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement() && reader.name() == QLatin1String("Relationship"))
            targets.insert(reader.attributes().value(QLatin1String("Id")).toString(),
                           resolved(folder, reader.attributes().value(QLatin1String("Target")).toString()));
    }
    return targets;
}

// The cell formats (by index) that show dates.
QSet<int> dateStyles(const QByteArray& xml)
{
    QHash<int, QString> codes;
    QList<int> formats;
    QXmlStreamReader reader(xml);
    bool inCellFormats = false;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isEndElement() && reader.name() == QLatin1String("cellXfs"))
            inCellFormats = false;
        if (!reader.isStartElement())
            continue;
        const QXmlStreamAttributes attributes = reader.attributes();
        if (reader.name() == QLatin1String("numFmt"))
            codes.insert(attributes.value(QLatin1String("numFmtId")).toInt(),
                         attributes.value(QLatin1String("formatCode")).toString());
        else if (reader.name() == QLatin1String("cellXfs"))
            inCellFormats = true;
        else if (inCellFormats && reader.name() == QLatin1String("xf"))
            formats << attributes.value(QLatin1String("numFmtId")).toInt();
    }
    QSet<int> dates;
    for (int i = 0; i < formats.size(); ++i) {
        if (NumberFormat::isDate(formats[i], codes.value(formats[i])))
            dates.insert(i);
    }
    return dates;
}

// (row, column), both 1-based, of an A1 reference; {0, 0} when it is none.
std::pair<int, int> cellOf(const QStringRef& reference)
{
    int i = 0;
    while (i < reference.size() && reference.at(i).isLetter())
        ++i;
    bool ok = false;
    const int row = reference.mid(i).toInt(&ok);
    const int column = RangeAddress::columnNumber(reference.left(i).toString());
    return ok && column > 0 ? std::make_pair(row, column) : std::make_pair(0, 0);
}

} // namespace

bool XlsxCellValues::read(const QByteArray& archive)
{
    m_cells.clear();
    m_errorString.clear();
    try {
        const Parts parts(archive);
        QByteArray xml;
        QString workbookPath = QStringLiteral("xl/workbook.xml");
        if (parts.read(QStringLiteral("_rels/.rels"), xml)) {
            QXmlStreamReader reader(xml);
            while (!reader.atEnd()) {
                reader.readNext();
                if (reader.isStartElement() && reader.name() == QLatin1String("Relationship")
                    && reader.attributes().value(QLatin1String("Type")).endsWith(QLatin1String("/officeDocument")))
                    workbookPath = resolved(QString(), reader.attributes().value(QLatin1String("Target")).toString());
            }
        }
        const QString folder = workbookPath.section(QLatin1Char('/'), 0, -2);
        const QString relsPath = (folder.isEmpty() ? QString() : folder + QLatin1Char('/')) + QStringLiteral("_rels/")
            + workbookPath.section(QLatin1Char('/'), -1) + QStringLiteral(".rels");
        QByteArray workbookXml;
        if (!parts.read(workbookPath, workbookXml) || !parts.read(relsPath, xml)) {
            m_errorString = QStringLiteral("its part %1 or %2 is missing").arg(workbookPath, relsPath);
            return false;
        }
        const QHash<QString, QString> targets = relationships(xml, folder);
        QSet<int> dates;
        for (auto it = targets.cbegin(); it != targets.cend(); ++it) {
            if (it.value().endsWith(QLatin1String("styles.xml")) && parts.read(it.value(), xml))
                dates = dateStyles(xml);
        }

        QXmlStreamReader sheets(workbookXml);
        QList<std::pair<QString, QString>> sheetParts;
        while (!sheets.atEnd()) {
            sheets.readNext();
            if (sheets.isStartElement() && sheets.name() == QLatin1String("sheet"))
                sheetParts << std::make_pair(
                    sheets.attributes().value(QLatin1String("name")).toString(),
                    targets.value(sheets.attributes().value(relationshipNs, QLatin1String("id")).toString()));
        }
        for (int index = 0; index < sheetParts.size(); ++index) {
            const auto& [name, path] = sheetParts[index];
            if (path.isEmpty() || !parts.read(path, xml)) {
                m_errorString = QStringLiteral("the worksheet part %1 of sheet \"%2\" is missing")
                                    .arg(path.isEmpty() ? QStringLiteral("(none listed)") : path, name);
                return false;
            }
            QXmlStreamReader reader(xml);
            bool root = true;
            int row = 0;
            int column = 0;
            QString type;
            bool dateStyle = false;
            bool formula = false;
            QString value;
            bool haveValue = false;
            while (!reader.atEnd()) {
                reader.readNext();
                if (reader.isStartElement()) {
                    if (root) {
                        root = false;
                        if (reader.name() != QLatin1String("worksheet") || reader.namespaceUri() != mainNs) {
                            m_errorString = QStringLiteral("the part %1 of sheet \"%2\" is not a worksheet (its root "
                                                           "element is \"%3\" in the namespace \"%4\")")
                                                .arg(path, name, reader.name().toString(),
                                                     reader.namespaceUri().toString());
                            return false;
                        }
                    }
                    if (reader.name() == QLatin1String("row")) {
                        bool ok = false;
                        const int r = reader.attributes().value(QLatin1String("r")).toInt(&ok);
                        row = ok ? r : row + 1;
                        column = 0;
                    } else if (reader.name() == QLatin1String("c")) {
                        const QXmlStreamAttributes attributes = reader.attributes();
                        const std::pair<int, int> cell = cellOf(attributes.value(QLatin1String("r")));
                        if (cell.first > 0) {
                            row = cell.first;
                            column = cell.second;
                        } else {
                            ++column;
                        }
                        type = attributes.value(QLatin1String("t")).toString();
                        dateStyle = dates.contains(attributes.value(QLatin1String("s")).toInt());
                        formula = false;
                        haveValue = false;
                        value.clear();
                    } else if (reader.name() == QLatin1String("f")) {
                        formula = true;
                    } else if (reader.name() == QLatin1String("v")) {
                        haveValue = true;
                        value = reader.readElementText().trimmed();
                    }
                } else if (reader.isEndElement() && reader.name() == QLatin1String("c")) {
                    QString unreadable;
                    bool number = false;
                    value.toDouble(&number);
                    if (type.isEmpty() || type == QLatin1String("n")) {
                        if (haveValue && value.isEmpty() && !formula)
                            unreadable = QStringLiteral("an empty number");
                        else if (haveValue && !number)
                            unreadable = QStringLiteral("the malformed number \"%1\"").arg(value.left(40));
                        else if (haveValue && dateStyle)
                            unreadable = QStringLiteral("a date or time");
                    } else if (type == QLatin1String("e")) {
                        unreadable = QStringLiteral("the error value %1").arg(value.left(40));
                    } else if (type == QLatin1String("d")) {
                        unreadable = QStringLiteral("a date or time (%1)").arg(value.left(40));
                    } else if (type == QLatin1String("s") || type == QLatin1String("b")) {
                        if (!formula && (!haveValue || !number))
                            unreadable = QStringLiteral("the malformed value \"%1\"").arg(value.left(40));
                    } else if (type != QLatin1String("str") && type != QLatin1String("inlineStr")) {
                        unreadable = QStringLiteral("a value of the unknown type \"%1\"").arg(type.left(40));
                    }
                    // A fault of the file names its part, where the user can look for it.
                    if (!unreadable.isEmpty()
                        && (unreadable.startsWith(QLatin1String("the malformed"))
                            || unreadable.startsWith(QLatin1String("an empty"))
                            || unreadable.contains(QLatin1String("unknown type"))))
                        unreadable += QStringLiteral(" in its part %1").arg(path);
                    if (!unreadable.isEmpty() && row >= 1 && row <= 65536 && column >= 1 && column <= 256)
                        m_cells.push_back({index, row, column, unreadable});
                }
            }
            if (reader.hasError()) {
                m_errorString =
                    QStringLiteral("its part %1 is not well-formed XML (%2)").arg(path, reader.errorString());
                return false;
            }
        }
    } catch (const std::exception& error) {
        m_errorString = QStringLiteral("its parts cannot be read (%1)").arg(QString::fromLocal8Bit(error.what()));
        return false;
    }
    return true;
}

void XlsxCellValues::applyTo(Workbook& workbook) const
{
    for (const Cell& cell : m_cells) {
        if (cell.sheet < workbook.sheetCount())
            workbook.sheet(cell.sheet).setUnreadable(cell.row, cell.column, cell.unreadable);
    }
}

} // namespace ut
