#pragma once

#include <QString>
#include <QStringList>

namespace ut {

// The program's one exception type: a formatted message and the place it was raised,
// written "namespace::Class::function". Thrown by value, caught by reference.
//
// Details say what the user needs beyond the message to act on a failure: the reason of the
// failure an exception stands for, and where it happened (the file, tree, element, parameter,
// cell). They are added on the way up, innermost first, by whoever knows them; message and
// place never change, so that every text built from them stays as it is.
class Exception
{
public:
    Exception(const QString& message, const QString& place);
    virtual ~Exception();

    const QString& message() const { return m_message; }
    const QString& place() const { return m_place; }

    void addDetail(const QString& detail) { m_details << detail; }
    const QStringList& details() const { return m_details; }

private:
    QString m_message;
    QString m_place;
    QStringList m_details;
};

// Called while an exception is handled: an exception with message and place that stands for
// it, keeping what it said (message and place, or the text of a standard exception) and its
// details as details of its own.
Exception replacementOfCurrentException(const QString& message, const QString& place);

// The exception as plain text for a terminal: "message (place)", then each detail on a line
// of its own, indented.
QString explanation(const Exception& exception);

// The text shown when an exception ends the graphical program.
QString fatalErrorText(const Exception& exception);

} // namespace ut
