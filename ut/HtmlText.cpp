#include "ut/HtmlText.h"

#include <QHash>
#include <QRegularExpression>

namespace ut {

namespace {

QString decodedReferences(const QString& text)
{
    static const QRegularExpression reference(QStringLiteral("&(#[0-9]+|#[xX][0-9a-fA-F]+|[a-zA-Z]+);"));
    static const QHash<QString, QString> named = {
        {QStringLiteral("lt"), QStringLiteral("<")},   {QStringLiteral("gt"), QStringLiteral(">")},
        {QStringLiteral("amp"), QStringLiteral("&")},  {QStringLiteral("quot"), QStringLiteral("\"")},
        {QStringLiteral("apos"), QStringLiteral("'")}, {QStringLiteral("nbsp"), QStringLiteral(" ")},
    };
    QString decoded;
    int from = 0;
    QRegularExpressionMatchIterator it = reference.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        const QString name = match.captured(1);
        QString character = named.value(name, match.captured(0));
        if (name.startsWith(QLatin1Char('#'))) {
            const bool hexadecimal = name.startsWith(QLatin1String("#x"), Qt::CaseInsensitive);
            const char32_t code = name.mid(hexadecimal ? 2 : 1).toUInt(nullptr, hexadecimal ? 16 : 10);
            character = QString::fromUcs4(&code, 1);
        }
        decoded += text.midRef(from, match.capturedStart() - from) + character;
        from = match.capturedEnd();
    }
    return decoded + text.midRef(from);
}

} // namespace

QString HtmlText::toPlainText(const QString& html)
{
    static const QRegularExpression lineBreak(QStringLiteral("<br\\s*/?>"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression listItem(QStringLiteral("<li(\\s[^>]*)?>"),
                                             QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression tag(QStringLiteral("</?[a-zA-Z][^>]*>"));
    QString text = html;
    text.replace(lineBreak, QStringLiteral("\n"));
    text.replace(listItem, QStringLiteral("\n- "));
    text.remove(tag);
    text = decodedReferences(text);
    // Markup often starts a list on a line break of its own: no empty lines in between.
    static const QRegularExpression emptyLines(QStringLiteral("\n\\s*\n"));
    text.replace(emptyLines, QStringLiteral("\n"));
    return text.trimmed();
}

} // namespace ut
