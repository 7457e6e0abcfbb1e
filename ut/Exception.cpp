#include "ut/Exception.h"

#include <exception>

namespace ut {

Exception::Exception(const QString& message, const QString& place)
    : m_message(message)
    , m_place(place)
{
}

Exception::~Exception() = default;

namespace {

// Messages are written for a message box: line breaks within them join to one line here.
QString oneLine(const QString& text)
{
    return text.simplified();
}

} // namespace

Exception replacementOfCurrentException(const QString& message, const QString& place)
{
    Exception replacement(message, place);
    try {
        throw;
    } catch (const Exception& original) {
        replacement.addDetail(oneLine(original.message()) + QStringLiteral(" (") + original.place() + QLatin1Char(')'));
        for (const QString& detail : original.details())
            replacement.addDetail(detail);
    } catch (const std::exception& original) {
        replacement.addDetail(oneLine(QString::fromLocal8Bit(original.what())));
    } catch (...) {
        // Nothing is known of it beyond its having happened.
    }
    return replacement;
}

QString explanation(const Exception& exception)
{
    QString text = oneLine(exception.message()) + QStringLiteral(" (") + exception.place() + QLatin1Char(')');
    for (const QString& detail : exception.details())
        text += QStringLiteral("\n  ") + detail;
    return text;
}

QString fatalErrorText(const Exception& exception)
{
    // "occurence" and "Progam" are the box's established wording, kept letter for letter.
    return QStringLiteral("<b>Error message</b>: ") + exception.message()
        + QStringLiteral("<br /><b>Place of occurence</b>: ") + exception.place()
        + QStringLiteral("<br /><br />Progam will terminate now.");
}

} // namespace ut
