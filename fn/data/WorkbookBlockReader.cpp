#include "fn/data/WorkbookBlockReader.h"

#include "ut/workbook/Excel.h"

namespace fn {

namespace {

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

} // namespace

DataArray readStratifiedTable(const ut::RangeRef& startCell, const ut::Excel& excel, int& lastRow)
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

    const QVector<QVariantList> rows = blockRows(excel.value(excel.usedRegion(headerRow, 1)));
    const QVariantList& header = rows.constFirst();
    QStringList columnLevels;
    for (int c = 1; c < header.size(); ++c) {
        const QString level = textOf(header.at(c));
        if (!level.isEmpty())
            columnLevels << level;
    }
    const QString rowDimension = rows.size() > 1 && !rows.at(1).isEmpty() ? textOf(rows.at(1).constFirst()) : QString();

    QStringList rowLevels;
    QStringList formulas;
    for (int r = 2; r < rows.size(); ++r) {
        const QVariantList& cells = rows.at(r);
        rowLevels << textOf(cells.value(0));
        for (int c = 1; c < header.size(); ++c) {
            const QString formula = textOf(cells.value(c));
            formulas << (formula.isEmpty() ? QStringLiteral("0") : formula);
        }
    }

    lastRow = headerRow + rows.size() - 1;
    const QVector<InputFactor> factors{InputFactor(rowDimension, rowLevels),
                                       InputFactor(textOf(header.constFirst()), columnLevels)};
    return DataArray(factors, name, meta, formulas);
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
