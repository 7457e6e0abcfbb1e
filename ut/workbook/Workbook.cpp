#include "ut/workbook/Workbook.h"

namespace ut {

Workbook Workbook::blank()
{
    Workbook workbook;
    for (int i = 1; i <= 3; ++i)
        workbook.appendSheet(QStringLiteral("Sheet%1").arg(i));
    return workbook;
}

int Workbook::positionOf(quint64 sheetId) const
{
    if (sheetId == 0)
        return -1;
    for (std::size_t i = 0; i < m_sheets.size(); ++i) {
        if (m_sheets[i].id() == sheetId)
            return int(i);
    }
    return -1;
}

Worksheet* Workbook::findSheet(quint64 sheetId)
{
    const int position = positionOf(sheetId);
    return position < 0 ? nullptr : &m_sheets[std::size_t(position)];
}

const Worksheet* Workbook::findSheet(quint64 sheetId) const
{
    const int position = positionOf(sheetId);
    return position < 0 ? nullptr : &m_sheets[std::size_t(position)];
}

Worksheet& Workbook::appendSheet(const QString& name)
{
    m_sheets.emplace_back(name);
    return m_sheets.back();
}

Worksheet& Workbook::appendSheet(Worksheet&& sheet)
{
    m_sheets.push_back(std::move(sheet));
    return m_sheets.back();
}

void Workbook::removeSheet(int position)
{
    if (position >= 0 && position < sheetCount())
        m_sheets.erase(m_sheets.begin() + position);
}

QString Workbook::sheetNameError(const QString& name, quint64 renamedSheetId) const
{
    if (name.isEmpty())
        return QStringLiteral("A sheet name cannot be empty.");
    if (name.size() > maxSheetNameLength)
        return QStringLiteral("The sheet name \"%1\" is longer than %2 characters.").arg(name).arg(maxSheetNameLength);
    static const QString forbidden = QStringLiteral(":\\/?*[]");
    for (const QChar c : name) {
        if (forbidden.contains(c))
            return QStringLiteral("The sheet name \"%1\" contains the character %2, which sheet names cannot hold.")
                .arg(name, QString(c));
    }
    if (name.startsWith(QLatin1Char('\'')) || name.endsWith(QLatin1Char('\'')))
        return QStringLiteral("The sheet name \"%1\" cannot begin or end with an apostrophe.").arg(name);
    for (const Worksheet& sheet : m_sheets) {
        if (sheet.id() != renamedSheetId && sheet.name().compare(name, Qt::CaseInsensitive) == 0)
            return QStringLiteral("Another sheet is already named \"%1\".").arg(sheet.name());
    }
    return {};
}

QString Workbook::nextDefaultSheetName() const
{
    for (int i = 1;; ++i) {
        const QString name = QStringLiteral("Sheet%1").arg(i);
        if (sheetNameError(name).isEmpty())
            return name;
    }
}

} // namespace ut
