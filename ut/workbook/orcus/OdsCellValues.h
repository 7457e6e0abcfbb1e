#pragma once

#include <vector>

#include <QByteArray>
#include <QString>
#include <QVariant>

namespace ut {

class Workbook;

// The cells of an OpenDocument spreadsheet that liborcus leaves out or reads wrongly, taken from
// the file's content.xml and put right in the workbook liborcus filled: percentages and
// currencies become their value (95 % is 0.95), booleans true or false; a number whose value is
// malformed ("7x"), a value of a type the format does not have, and a date or time (which the
// program has no use for as a parameter) make unreadable cells (Worksheet::setUnreadable), which
// are refused with their place wherever a value is read from them. Formula cells are left to
// liborcus.
class OdsCellValues
{
public:
    struct Cell
    {
        int sheet; // 0-based, in file order
        int row; // 1-based
        int column; // 1-based
        QVariant value; // invalid for an unreadable cell
        QString unreadable;
    };

    // Reads the cells out of the archive; false with errorString() set when content.xml cannot
    // be read as XML.
    bool read(const QByteArray& archive);
    const QString& errorString() const { return m_errorString; }
    const std::vector<Cell>& cells() const { return m_cells; }

    // Puts the cells into workbook, whose sheets are those of the same file in the same order.
    void applyTo(Workbook& workbook) const;

private:
    void readCell(int sheet, int row, int column, int rows, int columns, const QString& type, const QString& value,
                  const QString& booleanValue, const QString& dateValue);

    std::vector<Cell> m_cells;
    QString m_errorString;
};

} // namespace ut
