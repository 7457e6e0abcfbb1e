#include "ui/PageMessageEcho.h"

#include "ui/Chief.h"
#include "ut/Diagnostics.h"
#include "ut/HtmlText.h"

namespace ui {

namespace {

void repeat(const QString& title, const QString& text)
{
    ut::Diagnostics::report(PageMessageEcho::plainText(title, text));
}

} // namespace

PageMessageEcho::PageMessageEcho(Chief& chief)
    : m_messages(
        QObject::connect(&chief, &Chief::showMessage,
                         [](const QString& title, const QString& text, const QString&) { repeat(title, text); }))
    , m_notices(QObject::connect(&chief, &Chief::notice, [](const QString& title, const QString& text, const QString&) {
        repeat(title, text);
    }))
{
}

PageMessageEcho::~PageMessageEcho()
{
    QObject::disconnect(m_messages);
    QObject::disconnect(m_notices);
}

QString PageMessageEcho::plainText(const QString& title, const QString& html)
{
    const QString text = ut::HtmlText::toPlainText(html);
    if (title.isEmpty() || text.startsWith(title))
        return text;
    return title + QStringLiteral(": ") + text;
}

} // namespace ui
