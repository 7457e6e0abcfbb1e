#pragma once

#include <QMetaObject>

namespace ui {

class Chief;

// Repeats every message the controller shows in the page, its messages and its notices, on the
// diagnostics channel (standard error), as plain text headed by its title: the command line has
// no page, and its user must learn what a page user would read. Lives as long as the messages
// are to be repeated.
class PageMessageEcho
{
public:
    explicit PageMessageEcho(Chief& chief);
    ~PageMessageEcho();
    PageMessageEcho(const PageMessageEcho&) = delete;
    PageMessageEcho& operator=(const PageMessageEcho&) = delete;

    // The text repeated for a message: "title: text", the title left out when the text starts
    // with it already ("Models import finished").
    static QString plainText(const QString& title, const QString& html);

private:
    QMetaObject::Connection m_messages;
    QMetaObject::Connection m_notices;
};

} // namespace ui
