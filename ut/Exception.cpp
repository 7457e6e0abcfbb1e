#include "ut/Exception.h"

#include <QMessageBox>

namespace ut {

Exception::Exception(const QString& message, const QString& place)
    : m_message(message)
    , m_place(place)
{
}

Exception::~Exception() = default;

QString fatalErrorText(const Exception& exception)
{
    return QStringLiteral("<b>Error message</b>: ") + exception.message()
        + QStringLiteral("<br /><b>Place of occurence</b>: ") + exception.place()
        + QStringLiteral("<br /><br />Progam will terminate now.");
}

void showFatalError(const Exception& exception)
{
    QMessageBox::critical(nullptr, QStringLiteral("Error"), fatalErrorText(exception), QMessageBox::Ok);
}

} // namespace ut
