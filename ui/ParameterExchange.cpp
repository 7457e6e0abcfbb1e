#include "ui/ParameterExchange.h"

#include "fn/data/templates/DiseaseTemplate.h"

#include <QHash>
#include <QLocale>

namespace ui {

namespace {

const QString factorNamesKey = QStringLiteral("factorNames");
const QString stratifiedKey = QStringLiteral("stratified");

QVariantMap emptyTable()
{
    return {{factorNamesKey, QVariantList()}, {stratifiedKey, QVariantList()}};
}

QVariantMap tableOf(const QVariantList& cells, const fn::InputFactorPtrs& factors)
{
    if (factors.size() != 2 || cells.isEmpty() || cells.size() % 2 != 0)
        return emptyTable();
    const QStringList& rowLevels = factors[0]->levels();
    const QStringList& columnLevels = factors[1]->levels();
    QVariantList rows;
    for (int i = 0; i < cells.size() / 2; ++i) {
        QVariantMap row{{QStringLiteral("id"), i}, {QStringLiteral("Age"), rowLevels.value(i)}};
        for (int j = 0; j < columnLevels.size() && j < 2; ++j)
            row.insert(columnLevels[j], cells.value(i * 2 + j));
        rows << row;
    }
    return {{factorNamesKey, QVariantList{factors[0]->name(), factors[1]->name()}}, {stratifiedKey, rows}};
}

struct MetaDisplay
{
    const char* key;
    const char* display;
};

constexpr MetaDisplay metaDisplays[] = {
    {"description", "Description"},
    {"weblink", "Weblink"},
    {"remaining cases", "Remaining cases"},
    {"redistribute", "Age-group redistribution"},
    {"direct type", "Lifetime transition probability"},
    {"duration", "Duration"},
};

// A cell that reads as a number in the neutral locale becomes its shortest exact form.
QString cellText(const QString& cell)
{
    bool isNumber = false;
    const double number = QLocale::c().toDouble(cell, &isNumber);
    return isNumber ? QString::number(number, 'g', QLocale::FloatingPointShortest) : cell;
}

} // namespace

QVariantMap formulasToTableMap(const QVariantList& cells, const fn::InputFactorPtrs& factors)
{
    return tableOf(cells, factors);
}

QVariantMap formulasToTableMap(const QStringList& cells, const fn::InputFactorPtrs& factors)
{
    QVariantList list;
    for (const QString& cell : cells)
        list << cell;
    return tableOf(list, factors);
}

QVariantMap formulasToTableMap(const QList<bool>& cells, const fn::InputFactorPtrs& factors)
{
    QVariantList list;
    for (bool cell : cells)
        list << cell;
    return tableOf(list, factors);
}

QVariantMap valuesToTableMap(const Marray& values, const fn::InputFactorPtrs& factors)
{
    QVariantList list;
    for (double v : values)
        list << v;
    return tableOf(list, factors);
}

QVariantList metaRows(const fn::DataArray::Meta& meta)
{
    QVariantList rows;
    for (const MetaDisplay& entry : metaDisplays) {
        const QString key = QLatin1String(entry.key);
        if (!meta.contains(key))
            continue;
        rows << QVariantMap{{QStringLiteral("id"), rows.size()},
                            {QStringLiteral("ParameterName"), key},
                            {QStringLiteral("DisplayString"), QLatin1String(entry.display)},
                            {QStringLiteral("Value"), meta.value(key)}};
    }
    return rows;
}

QVariantMap dataArrayToMap(const fn::DataArray& array, TableCells kind, FormulaSet which)
{
    QVariantMap map;
    if (kind == TableCells::Values)
        map = valuesToTableMap(array.values(), array.factors());
    else if (which == FormulaSet::Current)
        map = formulasToTableMap(array.currentFormulas(), array.currentFactors());
    else
        map = formulasToTableMap(array.formulas(), array.factors());
    map.insert(QStringLiteral("meta"), metaRows(array.meta()));
    map.insert(QStringLiteral("name"), array.name());
    return map;
}

QStringList tableMapToFormulas(const QVariantMap& map, const fn::InputFactorPtrs& factors)
{
    QStringList formulas;
    const QStringList columns = factors.size() >= 2 ? factors[1]->levels() : QStringList();
    for (const QVariant& rowValue : map.value(stratifiedKey).toList()) {
        const QVariantMap row = rowValue.toMap();
        for (const QString& column : columns)
            formulas << row.value(column).toString();
    }
    return formulas;
}

fn::DataArray::Meta metaRowsToMap(const QVariantMap& map)
{
    fn::DataArray::Meta meta;
    for (const QVariant& rowValue : map.value(QStringLiteral("meta")).toList()) {
        const QVariantMap row = rowValue.toMap();
        meta.insert(row.value(QStringLiteral("ParameterName")).toString(),
                    row.value(QStringLiteral("Value")).toString());
    }
    return meta;
}

QVariantMap clipboardTextToGrid(const QString& text, const QStringList& rowNames, const QStringList& colNames,
                                const QString& distrType)
{
    int width = 1;
    QString defaultFormula = QStringLiteral("0");
    QString prefix, suffix;
    if (distrType == QLatin1String("Uniform")) {
        width = 2;
        defaultFormula = QStringLiteral("RandUniform(0, 0)");
        prefix = QStringLiteral("RandUniform(");
        suffix = QStringLiteral(")");
    } else if (distrType == QLatin1String("Pert")) {
        width = 3;
        defaultFormula = QStringLiteral("RandPert(0, 0, 0)");
        prefix = QStringLiteral("RandPert(");
        suffix = QStringLiteral(")");
    }
    if (text.isEmpty())
        return {{stratifiedKey, QVariantList()}};

    QStringList lines = text.split(QLatin1Char('\n'));
    lines.removeLast(); // the part after the final line break holds no data line
    QVariantList rows;
    for (int i = 0; i < rowNames.size(); ++i) {
        QVariantMap row{{QStringLiteral("id"), i}, {QStringLiteral("Age"), rowNames[i]}};
        const bool hasLine = i < lines.size();
        QString line = hasLine ? lines[i] : QString();
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QStringList cells = hasLine ? line.split(QLatin1Char('\t')) : QStringList();
        for (int j = 0; j < colNames.size(); ++j) {
            if (!hasLine) {
                row.insert(colNames[j], defaultFormula);
                continue;
            }
            QStringList parts;
            for (int k = 0; k < width; ++k) {
                const int index = j * width + k;
                parts << (index < cells.size() ? cellText(cells[index]) : QStringLiteral("0"));
            }
            row.insert(colNames[j], QString(prefix + parts.join(QStringLiteral(", ")) + suffix));
        }
        rows << row;
    }
    return {{stratifiedKey, rows}};
}

namespace {

QVariantMap idMap(const QString& id)
{
    return {{QStringLiteral("id"), id}};
}

QVariantMap treeDiagramMap(const fn::OutcomeTreeTemplate& tree)
{
    QHash<QString, QVariantMap> statesByOutcome;
    const auto& stateRows = tree.healthStates();
    for (auto it = stateRows.cbegin(); it != stateRows.cend(); ++it) {
        statesByOutcome[it.value().value(2)].insert(
            it.key(), QVariantMap{{QStringLiteral("id"), it.key()}, {QStringLiteral("name"), it.value().value(1)}});
    }
    QVariantMap outcomes;
    const auto& outcomeRows = tree.healthOutcomes();
    for (auto it = outcomeRows.cbegin(); it != outcomeRows.cend(); ++it) {
        outcomes.insert(it.key(),
                        QVariantMap{{QStringLiteral("id"), it.key()},
                                    {QStringLiteral("name"), it.value().value(1)},
                                    {QStringLiteral("type"), it.value().value(2)},
                                    {QStringLiteral("healthStates"), statesByOutcome.value(it.key())}});
    }
    QVariantMap transitions;
    const auto& transitionRows = tree.transitions();
    for (auto it = transitionRows.cbegin(); it != transitionRows.cend(); ++it) {
        const QStringList& row = it.value();
        transitions.insert(it.key(),
                           QVariantMap{{QStringLiteral("id"), it.key()},
                                       {QStringLiteral("name"), row.value(1)},
                                       {QStringLiteral("source"), idMap(row.value(2))},
                                       {QStringLiteral("target"), idMap(row.value(3))},
                                       {QStringLiteral("complementaryType"), !row.value(4).isEmpty()}});
    }
    return {{QStringLiteral("id"), tree.id()},
            {QStringLiteral("name"), tree.name().isEmpty() ? tree.id() : tree.name()},
            {QStringLiteral("healthOutcomesRunOrder"), tree.healthOutcomeOrder()},
            {QStringLiteral("healthOutcomes"), outcomes},
            {QStringLiteral("transitions"), transitions}};
}

} // namespace

QVariantMap outcomeTreeDiagramMap(const fn::DiseaseTemplate& diseaseTemplate)
{
    QVariantMap trees;
    const QStringList& ids = diseaseTemplate.outcomeTreeIds();
    for (int i = 0; i < ids.size(); ++i)
        trees.insert(QStringLiteral("%1").arg(i, 4, 10, QLatin1Char('0')),
                     treeDiagramMap(diseaseTemplate.outcomeTree(ids[i])));
    return {{QStringLiteral("outcomeTrees"), trees}};
}

} // namespace ui
