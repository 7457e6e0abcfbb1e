#include "app/refdata/sources/SourceArrayReader.h"

#include <QJsonArray>
#include <QLocale>

#include "app/refdata/sources/SourceObject.h"

namespace refdata {

namespace {

const QString ValuesKey = QStringLiteral("values");
const QString MetaKey = QStringLiteral("meta");

bool isCell(const QJsonValue& value)
{
    return value.isString() || value.isDouble();
}

QString cellText(const QJsonValue& value)
{
    if (value.isString())
        return value.toString().trimmed();
    // The shortest text that reads back as the same double.
    return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
}

} // namespace

SourceArrayReader::SourceArrayReader(const QVector<fn::InputFactor>& factors)
    : m_factors(factors)
{
    for (const fn::InputFactor& factor : factors)
        m_cellCount *= factor.levelCount();
    if (factors.isEmpty())
        m_cellCount = 0;
}

fn::DataArray SourceArrayReader::read(const QJsonValue& table, const QString& name, const SourcePath& path)
{
    QJsonValue values = table;
    SourcePath valuesPath = path;
    if (table.isObject()) {
        const SourceObject object(table, path);
        object.allowOnly({ValuesKey, MetaKey});
        values = object.required(ValuesKey);
        valuesPath = object.path(ValuesKey);
    }
    const QStringList formulas = readCells(values, valuesPath);
    checkFormulas(formulas, valuesPath);
    return fn::DataArray(m_factors, name, readMeta(table, path), formulas);
}

fn::DataArray::Meta SourceArrayReader::readMeta(const QJsonValue& table, const SourcePath& path)
{
    fn::DataArray::Meta meta;
    if (!table.isObject() || !table.toObject().contains(MetaKey))
        return meta;
    const SourceObject object = SourceObject(table, path).object(MetaKey);
    for (const QString& key : object.keys())
        meta.insert(key, object.string(key));
    return meta;
}

QStringList SourceArrayReader::readCells(const QJsonValue& values, const SourcePath& path)
{
    if (m_cellCount == 0)
        path.fail(QStringLiteral("the table has no factors to be stratified over"));
    QStringList cells;
    if (isCell(values)) {
        for (int i = 0; i < m_cellCount; ++i)
            cells << cellText(values);
        return cells;
    }
    if (!values.isArray())
        path.fail(QStringLiteral("expected a formula, a number or an array of cells"));
    const QJsonArray rows = values.toArray();
    for (int i = 0; i < rows.size(); ++i) {
        const QJsonValue row = rows.at(i);
        if (isCell(row)) {
            cells << cellText(row);
            continue;
        }
        if (!row.isArray())
            (path / i).fail(QStringLiteral("expected a cell or a row of cells"));
        const QJsonArray rowCells = row.toArray();
        for (int j = 0; j < rowCells.size(); ++j) {
            if (!isCell(rowCells.at(j)))
                (path / i / j).fail(QStringLiteral("expected a formula string or a number"));
            cells << cellText(rowCells.at(j));
        }
    }
    if (cells.size() != m_cellCount) {
        QStringList shape;
        for (const fn::InputFactor& factor : qAsConst(m_factors))
            shape << QStringLiteral("%1 %2").arg(factor.levelCount()).arg(factor.name());
        path.fail(QStringLiteral("expected %1 cells (%2), found %3")
                      .arg(m_cellCount)
                      .arg(shape.join(QStringLiteral(" x ")))
                      .arg(cells.size()));
    }
    return cells;
}

bool SourceArrayReader::isValidFormula(const QString& formula)
{
    QList<bool> accepted;
    return m_checker.check(QStringList{formula}, accepted);
}

void SourceArrayReader::checkFormulas(const QStringList& formulas, const SourcePath& path)
{
    QList<bool> accepted;
    if (m_checker.check(formulas, accepted))
        return;
    const int bad = accepted.indexOf(false);
    path.fail(QStringLiteral("the formula \"%1\" of stratum %2 (%3) cannot be evaluated")
                  .arg(formulas.at(bad))
                  .arg(bad)
                  .arg(stratumName(bad)));
}

QString SourceArrayReader::stratumName(int index) const
{
    QStringList parts;
    int rest = index;
    for (int d = m_factors.size() - 1; d >= 0; --d) {
        const fn::InputFactor& factor = m_factors.at(d);
        parts.prepend(QStringLiteral("%1 %2").arg(factor.name(), factor.levels().value(rest % factor.levelCount())));
        rest /= factor.levelCount();
    }
    return parts.join(QStringLiteral(", "));
}

} // namespace refdata
