#include "ut/workbook/orcus/archive/XmlPartCheck.h"

#include <QVector>
#include <QXmlStreamReader>

namespace ut {

namespace {

const QString styleNamespace = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:style:1.0");

// The style family the properties element belongs in, or an empty text for any other element.
QString familyRequiredBy(const QXmlStreamReader& xml)
{
    if (xml.namespaceUri() != styleNamespace)
        return {};
    if (xml.name() == QLatin1String("table-column-properties"))
        return QStringLiteral("table-column");
    if (xml.name() == QLatin1String("table-row-properties"))
        return QStringLiteral("table-row");
    return {};
}

bool isStyle(const QXmlStreamReader& xml)
{
    return xml.namespaceUri() == styleNamespace && xml.name() == QLatin1String("style");
}

// liborcus takes the last family attribute of a style.
QString familyOf(const QXmlStreamReader& xml)
{
    QString family;
    for (const QXmlStreamAttribute& attribute : xml.attributes()) {
        if (attribute.namespaceUri() == styleNamespace && attribute.name() == QLatin1String("family"))
            family = attribute.value().toString();
    }
    return family;
}

} // namespace

QString XmlPartCheck::problem(const QByteArray& data, QLatin1String countedName, qint64* counted, int depthLimit,
                              qint64 elementLimit)
{
    QXmlStreamReader xml(data);
    // The styles that are open, each with its depth and family; nothing is kept of other elements.
    struct OpenStyle
    {
        int depth;
        QString family;
    };
    QVector<OpenStyle> styles;
    int depth = 0;
    qint64 elements = 0;
    qint64 count = 0;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            if (++depth > depthLimit)
                return QStringLiteral("nests elements more than %1 deep (line %2), deeper than any workbook")
                    .arg(depthLimit)
                    .arg(xml.lineNumber());
            if (++elements > elementLimit)
                return QStringLiteral("holds more than %1 elements (line %2), more than a full sheet")
                    .arg(elementLimit)
                    .arg(xml.lineNumber());
            if (counted && xml.name() == countedName)
                ++count;
            const QString required = familyRequiredBy(xml);
            const bool inStyle = !styles.isEmpty() && styles.last().depth == depth - 1;
            if (!required.isEmpty() && inStyle && styles.last().family != required) {
                const QString family = styles.last().family;
                return QStringLiteral("gives %1 properties to %2 (line %3)")
                    .arg(required,
                         family.isEmpty() ? QStringLiteral("a style without a family")
                                          : QStringLiteral("a \"%1\" style").arg(family))
                    .arg(xml.lineNumber());
            }
            if (isStyle(xml))
                styles.append({depth, familyOf(xml)});
        } else if (token == QXmlStreamReader::EndElement) {
            if (!styles.isEmpty() && styles.last().depth == depth)
                styles.removeLast();
            --depth;
        }
    }
    if (xml.hasError())
        return QStringLiteral("is not well-formed XML (line %1: %2)").arg(xml.lineNumber()).arg(xml.errorString());
    if (counted)
        *counted = count;
    return {};
}

} // namespace ut
