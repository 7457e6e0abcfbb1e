#include "ui/PageMessageEcho.h"

#include "ui/Chief.h"
#include "ut/Diagnostics.h"
#include "ut/HtmlText.h"

namespace ui {

PageMessageEcho::PageMessageEcho(Chief& chief)
    : m_connection(QObject::connect(&chief, &Chief::showMessage,
                                    [](const QString& title, const QString& text, const QString&) {
                                        ut::Diagnostics::report(plainText(title, text));
                                    }))
{
}

PageMessageEcho::~PageMessageEcho()
{
    QObject::disconnect(m_connection);
}

QString PageMessageEcho::plainText(const QString& title, const QString& html)
{
    const QString text = ut::HtmlText::toPlainText(html);
    if (title.isEmpty() || text.startsWith(title))
        return text;
    return title + QStringLiteral(": ") + text;
}

} // namespace ui
