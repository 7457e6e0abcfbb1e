#pragma once

#include <vector>

#include <QByteArray>
#include <QString>
#include <QVariant>

namespace ut {

class Workbook;

// What liborcus does not say of an Excel workbook (.xlsx), taken from its parts: whether every
// sheet the workbook lists has its worksheet part (liborcus reads a sheet without one as empty),
// and the cells it reads wrongly or not at all, which become unreadable cells
// (Worksheet::setUnreadable) refused with their place wherever a value is read from them: a
// number that is malformed ("7x", read as 7) or empty, a cell of a type the format does not have,
// an error value, and a date (a number formatted as one, which the program has no use for as a
// parameter).
class XlsxCellValues
{
public:
    struct Cell
    {
        int sheet; // 0-based, in the workbook's order
        int row; // 1-based
        int column; // 1-based
        QString unreadable;
    };

    // Reads the parts; false with errorString() set when a worksheet part is missing or is not a
    // worksheet, or a part cannot be read as XML: such a file is refused whole.
    bool read(const QByteArray& archive);
    const QString& errorString() const { return m_errorString; }
    const std::vector<Cell>& cells() const { return m_cells; }

    // Marks the cells in workbook, whose sheets are those of the same file in the same order.
    void applyTo(Workbook& workbook) const;

private:
    std::vector<Cell> m_cells;
    QString m_errorString;
};

} // namespace ut
