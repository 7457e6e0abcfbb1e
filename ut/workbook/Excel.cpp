#include "ut/workbook/Excel.h"

#include <algorithm>

#include <QDir>
#include <QFileInfo>

#include "ut/workbook/RangeAddress.h"
#include "ut/workbook/WorkbookReader.h"
#include "ut/workbook/xls/XlsWriter.h"

namespace ut {

namespace {

bool isList(const QVariant& value)
{
    const int type = value.userType();
    return type == QMetaType::QVariantList || type == QMetaType::QStringList;
}

bool spansWholeColumns(const RangeRef& range)
{
    return range.top() == 1 && range.bottom() == Worksheet::maxRows;
}

bool spansWholeRows(const RangeRef& range)
{
    return range.left() == 1 && range.right() == Worksheet::maxColumns;
}

// The value of one row of a block being written: a row list, or a single value for its first cell.
QVariantList rowCells(const QVariant& row)
{
    return isList(row) ? row.toList() : QVariantList{row};
}

bool isNonEmpty(const QVariant& value)
{
    return value.isValid() && !(value.userType() == QMetaType::QString && value.toString().isEmpty());
}

} // namespace

Excel::Excel()
{
    startBlank();
}

Excel::Excel(const QString& filePath)
{
    if (QFileInfo::exists(filePath))
        openExisting(filePath);
    else
        startBlank();
}

Excel::~Excel() = default;

void Excel::startBlank()
{
    m_workbook = Workbook::blank();
    m_errorString.clear();
    selectSheet(1);
}

void Excel::openExisting(const QString& filePath)
{
    WorkbookReader reader;
    std::optional<Workbook> workbook = reader.read(filePath);
    if (!workbook) {
        m_errorString = reader.errorString();
        return;
    }
    m_workbook = std::move(workbook);
    m_errorString.clear();
    selectSheet(1);
}

void Excel::open(const QString& filePath)
{
    closeWorkbook();
    if (QFileInfo::exists(filePath))
        openExisting(filePath);
    else
        m_errorString = QStringLiteral("The workbook \"%1\" does not exist.").arg(QDir::toNativeSeparators(filePath));
}

void Excel::closeWorkbook()
{
    m_workbook.reset();
    m_currentSheetId = 0;
}

void Excel::close()
{
    closeWorkbook();
}

QString Excel::savedPath(const QString& path)
{
    const QString suffix = QStringLiteral(".xls");
    return path.endsWith(suffix, Qt::CaseInsensitive) ? path : path + suffix;
}

void Excel::saveAs(const QString& path)
{
    if (!m_workbook)
        return;
    if (path.isEmpty()) {
        m_errorString = QStringLiteral("Cannot save the workbook: no file name was given.");
        return;
    }
    XlsWriter writer;
    if (writer.write(*m_workbook, savedPath(path)))
        m_errorString.clear();
    else
        m_errorString = writer.errorString();
}

int Excel::sheetCount() const
{
    return m_workbook ? m_workbook->sheetCount() : 0;
}

SheetRef Excel::selectSheet(int index)
{
    m_currentSheetId = 0;
    if (!m_workbook || index < 1 || index > m_workbook->sheetCount())
        return {};
    m_currentSheetId = m_workbook->sheet(index - 1).id();
    return SheetRef(m_currentSheetId);
}

SheetRef Excel::addSheet(const QString& name)
{
    if (!m_workbook)
        return {};
    Worksheet& sheet = m_workbook->appendSheet(m_workbook->nextDefaultSheetName());
    m_currentSheetId = sheet.id();
    const SheetRef added(m_currentSheetId);
    setSheetName(added, name);
    return added;
}

void Excel::deleteSheet(int index)
{
    // A workbook keeps at least one sheet.
    if (!m_workbook || index < 1 || index > m_workbook->sheetCount() || m_workbook->sheetCount() == 1)
        return;
    if (m_workbook->sheet(index - 1).id() == m_currentSheetId)
        m_currentSheetId = 0;
    m_workbook->removeSheet(index - 1);
}

QString Excel::sheetName() const
{
    const Worksheet* sheet = currentSheet();
    return sheet ? sheet->name().trimmed() : QString();
}

void Excel::setSheetName(const SheetRef& sheet, const QString& name)
{
    Worksheet* target = m_workbook ? m_workbook->findSheet(sheet.sheetId()) : nullptr;
    if (!target)
        return;
    const QString problem = m_workbook->sheetNameError(name, target->id());
    if (!problem.isEmpty()) {
        m_errorString = problem;
        return;
    }
    target->setName(name);
}

RangeRef Excel::cell(int row, int column) const
{
    const Worksheet* sheet = currentSheet();
    if (!sheet || !Worksheet::contains(row, column))
        return {};
    return RangeRef(sheet->id(), row, column, row, column);
}

RangeRef Excel::range(const QString& address) const
{
    const Worksheet* sheet = currentSheet();
    const std::optional<RangeAddress> parsed = RangeAddress::parse(address);
    if (!sheet || !parsed)
        return {};
    return RangeRef(sheet->id(), parsed->top(), parsed->left(), parsed->bottom(), parsed->right());
}

RangeRef Excel::usedRegion(int row, int column) const
{
    const Worksheet* sheet = currentSheet();
    if (!sheet || !Worksheet::contains(row, column))
        return {};
    int bottom = row;
    int right = column;
    if (!sheet->isEmptyCell(row, column)) {
        while (bottom < sheet->lastRow() && !sheet->isEmptyCell(bottom + 1, column))
            ++bottom;
        while (right < sheet->lastColumn(row) && !sheet->isEmptyCell(row, right + 1))
            ++right;
    }
    return RangeRef(sheet->id(), row, column, bottom, right);
}

RangeRef Excel::find(const QString& text, const QString& column, bool matchCase) const
{
    const Worksheet* sheet = currentSheet();
    if (!sheet)
        return {};
    const QString address = column.contains(QLatin1Char(':')) ? column : column + QLatin1Char(':') + column;
    const std::optional<RangeAddress> parsed = RangeAddress::parse(address);
    if (!parsed)
        return {};
    const Qt::CaseSensitivity sensitivity = matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const auto [row, c] = sheet->findCell(
        parsed->top(), parsed->left(), parsed->bottom(), parsed->right(),
        [&](const QVariant& value) { return value.toString().compare(text, sensitivity) == 0; });
    return row > 0 ? RangeRef(sheet->id(), row, c, row, c) : RangeRef();
}

int Excel::rowOf(const RangeRef& range) const
{
    return range.isValid() ? range.top() : -1;
}

QVariant Excel::value(const RangeRef& range) const
{
    const Worksheet* sheet = sheetOf(range);
    if (!sheet)
        return {};
    if (range.isSingleCell())
        return sheet->cell(range.top(), range.left());
    const int bottom = spansWholeColumns(range) ? std::min(range.bottom(), sheet->lastRow()) : range.bottom();
    const int right = spansWholeRows(range) ? std::min(range.right(), sheet->lastColumn()) : range.right();
    QVariantList rows;
    rows.reserve(std::max(0, bottom - range.top() + 1));
    for (int row = range.top(); row <= bottom; ++row) {
        QVariantList cells;
        cells.reserve(std::max(0, right - range.left() + 1));
        for (int column = range.left(); column <= right; ++column)
            cells.append(sheet->cell(row, column));
        rows.append(QVariant(cells));
    }
    return rows;
}

QVariant Excel::cellValue(int row, int column) const
{
    return value(cell(row, column));
}

QString Excel::cellText(int row, int column) const
{
    return cellValue(row, column).toString().trimmed();
}

QString Excel::cellProblem(int row, int column) const
{
    const Worksheet* sheet = currentSheet();
    return sheet ? sheet->unreadable(row, column) : QString();
}

QString Excel::rangeText(const RangeRef& range) const
{
    return value(range).toString().trimmed();
}

void Excel::setCellValue(int row, int column, const QVariant& value)
{
    setValue(cell(row, column), value);
}

void Excel::setValue(const RangeRef& range, const QVariant& value)
{
    Worksheet* sheet = sheetOf(range);
    if (!sheet)
        return;
    if (!isList(value)) {
        for (int row = range.top(); row <= range.bottom(); ++row) {
            for (int column = range.left(); column <= range.right(); ++column)
                sheet->setCell(row, column, value);
        }
        return;
    }
    const QVariantList list = value.toList();
    const bool nested = std::any_of(list.cbegin(), list.cend(), isList);
    const QVariantList flatRow = nested ? QVariantList() : list;
    for (int row = range.top(); row <= range.bottom(); ++row) {
        const int index = row - range.top();
        const QVariantList cells = nested ? (index < list.size() ? rowCells(list.at(index)) : QVariantList()) : flatRow;
        for (int column = range.left(); column <= range.right(); ++column) {
            const int cellIndex = column - range.left();
            sheet->setCell(row, column, cellIndex < cells.size() ? cells.at(cellIndex) : QVariant());
        }
    }
}

void Excel::writeBlock(const QPoint& topLeft, const QVariantList& rows, int columnCount, int& nextRow)
{
    const Worksheet* sheet = currentSheet();
    if (!sheet)
        return;
    const int top = topLeft.x();
    const int left = topLeft.y();
    nextRow = top + rows.size();
    if (rows.isEmpty() || columnCount < 1 || !Worksheet::contains(top, left))
        return;
    const int bottom = std::min(top + int(rows.size()) - 1, Worksheet::maxRows);
    const int right = std::min(left + columnCount - 1, Worksheet::maxColumns);
    // Each entry of rows is one row, even when a block of a single row is written.
    QVariantList nestedRows;
    nestedRows.reserve(rows.size());
    for (const QVariant& row : rows)
        nestedRows.append(QVariant(rowCells(row)));
    setValue(RangeRef(sheet->id(), top, left, bottom, right), nestedRows);
}

void Excel::setProperty(const RangeRef& object, const QString& name, const QVariant& value)
{
    Worksheet* sheet = sheetOf(object);
    if (!sheet || name.isEmpty() || !isNonEmpty(value))
        return;
    if (name.compare(QLatin1String("Value"), Qt::CaseInsensitive) == 0) {
        setValue(object, value);
        return;
    }
    if (name.compare(QLatin1String("NumberFormat"), Qt::CaseInsensitive) != 0)
        return;
    const QString format = value.toString();
    const bool text = format == QLatin1String("@");
    if (!text && format.compare(QLatin1String("General"), Qt::CaseInsensitive) != 0)
        return;
    if (spansWholeColumns(object)) {
        for (int column = object.left(); column <= object.right(); ++column)
            sheet->setColumnTextFormat(column, text);
        if (text)
            return;
    }
    for (int row = object.top(); row <= object.bottom(); ++row) {
        for (int column = object.left(); column <= object.right(); ++column)
            sheet->setCellTextFormat(row, column, text);
    }
}

void Excel::setProperty(const SheetRef& object, const QString& name, const QVariant& value)
{
    if (name.compare(QLatin1String("Name"), Qt::CaseInsensitive) == 0 && isNonEmpty(value))
        setSheetName(object, value.toString());
}

Worksheet* Excel::currentSheet()
{
    return m_workbook ? m_workbook->findSheet(m_currentSheetId) : nullptr;
}

const Worksheet* Excel::currentSheet() const
{
    return m_workbook ? m_workbook->findSheet(m_currentSheetId) : nullptr;
}

Worksheet* Excel::sheetOf(const RangeRef& range)
{
    return m_workbook && range.isValid() ? m_workbook->findSheet(range.sheetId()) : nullptr;
}

const Worksheet* Excel::sheetOf(const RangeRef& range) const
{
    return m_workbook && range.isValid() ? m_workbook->findSheet(range.sheetId()) : nullptr;
}

} // namespace ut
