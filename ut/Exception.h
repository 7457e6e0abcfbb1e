#pragma once

#include <QString>

namespace ut {

// The program's one exception type: a formatted message and the place it was raised,
// written "namespace::Class::function". Thrown by value, caught by reference.
class Exception
{
public:
    Exception(const QString& message, const QString& place);
    virtual ~Exception();

    const QString& message() const { return m_message; }
    const QString& place() const { return m_place; }

private:
    QString m_message;
    QString m_place;
};

// The text shown when an exception ends the graphical program.
QString fatalErrorText(const Exception& exception);

// Shows fatalErrorText in a modal critical box without parent, titled "Error".
void showFatalError(const Exception& exception);

} // namespace ut
