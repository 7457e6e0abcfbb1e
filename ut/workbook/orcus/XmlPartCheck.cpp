#include "ut/workbook/orcus/XmlPartCheck.h"

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

QString XmlPartCheck::problem(const QByteArray& data)
{
    QXmlStreamReader xml(data);
    // Per open element: whether it is a style, and the style's family.
    struct OpenElement
    {
        bool isStyle = false;
        QString family;
    };
    QVector<OpenElement> open;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            const QString required = familyRequiredBy(xml);
            if (!required.isEmpty() && !open.isEmpty() && open.last().isStyle && open.last().family != required) {
                const QString family = open.last().family;
                return QStringLiteral("gives %1 properties to %2 (line %3)")
                    .arg(required,
                         family.isEmpty() ? QStringLiteral("a style without a family")
                                          : QStringLiteral("a \"%1\" style").arg(family))
                    .arg(xml.lineNumber());
            }
            const bool style = isStyle(xml);
            open.append({style, style ? familyOf(xml) : QString()});
        } else if (token == QXmlStreamReader::EndElement && !open.isEmpty()) {
            open.removeLast();
        }
    }
    if (xml.hasError())
        return QStringLiteral("is not well-formed XML (line %1: %2)").arg(xml.lineNumber()).arg(xml.errorString());
    return {};
}

} // namespace ut
