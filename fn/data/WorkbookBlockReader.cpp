#include "fn/data/WorkbookBlockReader.h"

#include "fn/values/formula/CellFormula.h"
#include "ut/Exception.h"
#include "ut/workbook/Excel.h"
#include "ut/workbook/RangeAddress.h"

namespace fn {

namespace {

const QString readerPlace = QStringLiteral("fn::readStratifiedTable");

QString textOf(const QVariant& value)
{
    return value.toString().trimmed();
}

// A block read in one call comes back as rows of cells, except a block of one cell, which is
// that cell's value.
QVector<QVariantList> blockRows(const QVariant& block)
{
    QVector<QVariantList> rows;
    if (block.userType() != QMetaType::QVariantList) {
        rows.append(QVariantList{block});
        return rows;
    }
    const QVariantList list = block.toList();
    rows.reserve(list.size());
    for (const QVariant& row : list)
        rows.append(row.toList());
    return rows;
}

// The formula of a table cell, "0" for an empty one; refuses a cell that is not one expression.
QString formulaOf(const ut::Excel& excel, const QVariant& value, int row, int column)
{
    if (value.userType() == QMetaType::Bool)
        throw ut::Exception(
            QStringLiteral("The %1 holds %2 where a number or formula belongs.")
                .arg(cellPlace(excel, row, column), value.toBool() ? QStringLiteral("TRUE") : QStringLiteral("FALSE")),
            readerPlace);
    const QString formula = textOf(value);
    if (formula.isEmpty()) {
        const QString unreadable = excel.cellProblem(row, column);
        if (!unreadable.isEmpty())
            throw ut::Exception(QStringLiteral("The %1 holds %2, not a number or formula.")
                                    .arg(cellPlace(excel, row, column), unreadable),
                                readerPlace);
        return QStringLiteral("0");
    }
    const QString problem = CellFormula::shapeProblem(formula);
    if (!problem.isEmpty())
        throw ut::Exception(
            QStringLiteral("The %1 holds \"%2\": %3.").arg(cellPlace(excel, row, column), formula, problem),
            readerPlace);
    return formula;
}

// How many formula rows a table may have and, when known, the levels its rows are named by.
struct RowLimit
{
    int count = 0;
    QStringList levels;
};

// Whether the row below a run of empty rows after lastRow continues a table `width` columns wide:
// the row after the run when it has text in column A (one of levels, unless these are empty) and a
// value in a formula column, else 0.
int continuationRow(const ut::Excel& excel, int lastRow, int width, const QStringList& levels)
{
    int row = lastRow + 1;
    const auto rowIsEmpty = [&](int r) {
        for (int c = 1; c <= width; ++c) {
            if (!excel.cellText(r, c).isEmpty())
                return false;
        }
        return true;
    };
    // Within what a user leaves by mistake; the next block is never further than one row away.
    constexpr int longestGap = 3;
    while (row - lastRow <= longestGap && rowIsEmpty(row))
        ++row;
    if (row == lastRow + 1 || row - lastRow > longestGap || excel.cellText(row, 1).isEmpty())
        return 0;
    if (!levels.isEmpty() && !levels.contains(excel.cellText(row, 1)))
        return 0;
    for (int c = 2; c <= width; ++c) {
        if (!excel.cellText(row, c).isEmpty())
            return row;
    }
    return 0;
}

DataArray readTable(const ut::RangeRef& startCell, const ut::Excel& excel, int& lastRow,
                    const std::function<RowLimit(const QString&)>& limitOf)
{
    const int labelRow = excel.rowOf(startCell);
    if (labelRow < 1) {
        lastRow = -1;
        return DataArray();
    }
    const QString name = excel.rangeText(startCell);

    // The marker is compared untrimmed, as the layout defines it.
    DataArray::Meta meta;
    int headerRow = labelRow + 2;
    if (excel.cellValue(headerRow, 1).toString().toLower() != QLatin1String("sex")) {
        int lastMetaRow = 0;
        meta = readKeyValueRows(excel, labelRow + 2, lastMetaRow);
        headerRow = lastMetaRow + 2;
    }

    QVector<QVariantList> rows = blockRows(excel.value(excel.usedRegion(headerRow, 1)));
    const QVariantList header = rows.constFirst();
    QStringList columnLevels;
    for (int c = 1; c < header.size(); ++c) {
        const QString level = textOf(header.at(c));
        if (!level.isEmpty())
            columnLevels << level;
    }
    const QString rowDimension = rows.size() > 1 && !rows.at(1).isEmpty() ? textOf(rows.at(1).constFirst()) : QString();

    // The sheet row of each formula row, which differs from its place in rows past a gap.
    QVector<int> sheetRows;
    for (int r = 2; r < rows.size(); ++r)
        sheetRows << headerRow + r;
    lastRow = headerRow + rows.size() - 1;
    const RowLimit limit = rows.size() > 2 ? limitOf(rowDimension) : RowLimit();
    const int rowCount = limit.count;
    while (rows.size() > 2 && sheetRows.size() < rowCount) {
        const int next = continuationRow(excel, lastRow, header.size(), limit.levels);
        if (next == 0)
            break;
        for (int r = next; sheetRows.size() < rowCount && !excel.cellText(r, 1).isEmpty(); ++r) {
            QVariantList cells;
            for (int c = 1; c <= header.size(); ++c)
                cells << excel.cellValue(r, c);
            rows.append(cells);
            sheetRows << r;
        }
        lastRow = sheetRows.constLast();
    }

    QStringList rowLevels;
    QStringList formulas;
    for (int r = 2; r < rows.size(); ++r) {
        const QVariantList& cells = rows.at(r);
        rowLevels << textOf(cells.value(0));
        for (int c = 1; c < header.size(); ++c)
            formulas << formulaOf(excel, cells.value(c), sheetRows.at(r - 2), c + 1);
    }

    const QVector<InputFactor> factors{InputFactor(rowDimension, rowLevels),
                                       InputFactor(textOf(header.constFirst()), columnLevels)};
    return DataArray(factors, name, meta, formulas);
}

} // namespace

QString cellPlace(const ut::Excel& excel, int row, int column)
{
    return QStringLiteral("sheet \"%1\", cell %2%3")
        .arg(excel.sheetName(), ut::RangeAddress::columnLetters(column))
        .arg(row);
}

DataArray readStratifiedTable(const ut::RangeRef& startCell, const ut::Excel& excel, int& lastRow, int rowCount)
{
    return readTable(startCell, excel, lastRow, [rowCount](const QString&) { return RowLimit{rowCount, {}}; });
}

DataArray readStratifiedTable(const ut::RangeRef& startCell, const ut::Excel& excel, int& lastRow,
                              const RowLevelsOf& rowLevelsOf)
{
    return readTable(startCell, excel, lastRow, [&rowLevelsOf](const QString& rowDimension) {
        const QStringList levels = rowLevelsOf(rowDimension);
        return RowLimit{int(levels.size()), levels};
    });
}

QMap<QString, QString> readKeyValueRows(const ut::Excel& excel, int startRow, int& lastRow)
{
    QMap<QString, QString> entries;
    int row = startRow;
    for (QString key = excel.cellText(row, 1); !key.isEmpty(); key = excel.cellText(++row, 1))
        entries.insert(key.toLower(), excel.cellText(row, 2));
    lastRow = row - 1;
    return entries;
}

} // namespace fn
