#include "fn/data/templates/JSONSpecificationCheck.h"

#include <algorithm>

#include <QJsonArray>

#include "fn/values/formula/CellFormula.h"
#include "fn/values/Marray.h"
#include "fn/values/MemoryBudget.h"
#include "ut/Diagnostics.h"

namespace fn {

namespace {

// Parameter arrays over all strata: the model's eight disease-level arrays, three per health
// state (an outcome without states stands for one), two per transition, whether the file
// gives them or they take their defaults.
constexpr std::uint64_t ModelArrays = 8;
constexpr std::uint64_t StateArrays = 3;
constexpr std::uint64_t TransitionArrays = 2;
constexpr int ListedCells = 5;

QString cellPlace(int row, int column)
{
    return QStringLiteral("row %1 cell %2").arg(row + 1).arg(column + 1);
}

QString typeName(const QJsonValue& value)
{
    switch (value.type()) {
    case QJsonValue::Null:
        return QStringLiteral("null");
    case QJsonValue::Bool:
        return QStringLiteral("a boolean");
    case QJsonValue::Double:
        return QStringLiteral("a number");
    case QJsonValue::Array:
        return QStringLiteral("a list");
    case QJsonValue::Object:
        return QStringLiteral("an object");
    default:
        return QStringLiteral("text");
    }
}

} // namespace

JSONSpecificationCheck::JSONSpecificationCheck(const QJsonObject& json, const QString& fileName)
    : m_json(json)
    , m_fileName(fileName)
{
}

bool JSONSpecificationCheck::run()
{
    checkDimensions();
    if (m_refusal.isEmpty())
        checkArrays();
    if (m_refusal.isEmpty()) {
        const std::uint64_t arrays = m_arrayCount + ModelArrays;
        const std::uint64_t strataBytes = MemoryBudget::bytesFor({m_strata, arrays}, BytesPerStratum);
        const std::uint64_t cellBytes = MemoryBudget::bytesFor({m_cellCount}, BytesPerCell);
        const std::uint64_t needed = strataBytes + std::min(cellBytes, ~std::uint64_t(0) - strataBytes);
        if (!MemoryBudget::fits(needed))
            m_refusal = QStringLiteral(
                            "Model specification %1 is skipped: its dimensions have %2 strata, and its "
                            "%3 parameter arrays with their cells would need about %4 of memory, more than the "
                            "%5 that can be used on this computer.")
                            .arg(m_fileName)
                            .arg(m_strata)
                            .arg(arrays)
                            .arg(MemoryBudget::text(needed), MemoryBudget::text(MemoryBudget::limit()));
    }
    for (const QString& warning : qAsConst(m_warnings))
        ut::Diagnostics::report(warning);
    if (!m_refusal.isEmpty())
        ut::Diagnostics::report(m_refusal);
    return m_refusal.isEmpty();
}

void JSONSpecificationCheck::warn(const QString& text)
{
    m_warnings << QStringLiteral("Model specification %1: %2").arg(m_fileName, text);
}

void JSONSpecificationCheck::checkDimensions()
{
    const QJsonObject dims = m_json.value(QLatin1String("dims")).toObject();
    const QJsonArray order = dims.value(QLatin1String("order")).toArray();
    if (static_cast<std::size_t>(order.size()) > Marray::Shape::Capacity) {
        m_refusal = QStringLiteral("Model specification %1 is skipped: \"dims\" lists %2 dimensions in \"order\", "
                                   "and parameters can have at most %3.")
                        .arg(m_fileName)
                        .arg(order.size())
                        .arg(Marray::Shape::Capacity);
        return;
    }
    const QJsonObject values = dims.value(QLatin1String("values")).toObject();
    QStringList empty;
    for (const QJsonValue& entry : order) {
        const QString name = entry.toString();
        const int levels = values.value(name).toArray().size();
        if (levels == 0)
            empty << QLatin1Char('"') + name + QLatin1Char('"');
        m_strata = MemoryBudget::bytesFor({m_strata}, static_cast<std::uint64_t>(levels));
    }
    if (!empty.isEmpty())
        warn(QStringLiteral("the dimension(s) %1 have no values in \"dims\", so every parameter has no cells "
                            "and the model computes nothing.")
                 .arg(empty.join(QStringLiteral(", "))));
}

void JSONSpecificationCheck::checkArrays()
{
    checkArray(m_json, "rawCasesCountArray", QStringLiteral("\"rawCasesCountArray\""));
    checkArray(m_json, "outcomeTreeMapping", QStringLiteral("\"outcomeTreeMapping\""));
    const QJsonObject trees = m_json.value(QLatin1String("outcomeTrees")).toObject();
    for (auto it = trees.constBegin(); it != trees.constEnd(); ++it)
        checkTree(it.key(), it.value().toObject());
}

void JSONSpecificationCheck::checkTree(const QString& treeKey, const QJsonObject& tree)
{
    const QString treePath = QStringLiteral("outcome tree \"%1\"").arg(treeKey);
    const QJsonObject outcomes = tree.value(QLatin1String("healthOutcomes")).toObject();
    QStringList infections;
    for (auto it = outcomes.constBegin(); it != outcomes.constEnd(); ++it) {
        const QJsonObject outcome = it.value().toObject();
        const QString outcomePath = QStringLiteral("%1, health outcome \"%2\"").arg(treePath, it.key());
        if (outcome.value(QLatin1String("type")).toString().toUpper() == QLatin1String("INFECTION"))
            infections << QLatin1Char('"') + it.key() + QLatin1Char('"');
        checkArray(outcome, "severityArray", outcomePath + QStringLiteral(", \"severityArray\""));
        checkArray(outcome, "durationArray", outcomePath + QStringLiteral(", \"durationArray\""));
        const QJsonObject states = outcome.value(QLatin1String("healthStates")).toObject();
        m_arrayCount += StateArrays * static_cast<std::uint64_t>(std::max(1, states.size()));
        for (auto state = states.constBegin(); state != states.constEnd(); ++state) {
            const QJsonObject object = state.value().toObject();
            const QString statePath = QStringLiteral("%1, health state \"%2\"").arg(outcomePath, state.key());
            for (const char* key : {"severityArray", "durationArray", "proportionArray"})
                checkArray(object, key, QStringLiteral("%1, \"%2\"").arg(statePath, QLatin1String(key)));
        }
    }
    if (infections.size() > 1)
        warn(QStringLiteral("%1 has %2 health outcomes of type INFECTION (%3); a tree has one infection, so no "
                            "model can be built from it.")
                 .arg(treePath)
                 .arg(infections.size())
                 .arg(infections.join(QStringLiteral(", "))));
    const QJsonObject transitions = tree.value(QLatin1String("transitions")).toObject();
    m_arrayCount += TransitionArrays * static_cast<std::uint64_t>(transitions.size());
    for (auto it = transitions.constBegin(); it != transitions.constEnd(); ++it) {
        const QJsonObject object = it.value().toObject();
        const QString path = QStringLiteral("%1, transition \"%2\"").arg(treePath, it.key());
        checkArray(object, "probabilityArray", path + QStringLiteral(", \"probabilityArray\""));
        checkArray(object, "redistributeArray", path + QStringLiteral(", \"redistributeArray\""));
    }
}

void JSONSpecificationCheck::checkArray(const QJsonObject& owner, const char* key, const QString& element)
{
    const QJsonValue arrayObject = owner.value(QLatin1String(key));
    if (arrayObject.isUndefined())
        return;
    const QJsonValue vals = arrayObject.toObject().value(QLatin1String("vals"));
    if (!vals.isArray()) {
        warn(QStringLiteral("%1 has no \"vals\" list of rows; the parameter has no cells.").arg(element));
        return;
    }
    const QJsonArray rows = vals.toArray();
    std::uint64_t cells = 0;
    int flatEntries = 0;
    int otherCells = 0;
    QStringList listed;
    for (int r = 0; r < rows.size(); ++r) {
        if (!rows.at(r).isArray()) {
            ++flatEntries;
            continue;
        }
        const QJsonArray row = rows.at(r).toArray();
        cells += static_cast<std::uint64_t>(row.size());
        for (int c = 0; c < row.size(); ++c) {
            if (row.at(c).isString()) {
                refuseUnlessOneValue(element, r, c, row.at(c).toString());
                continue;
            }
            if (++otherCells <= ListedCells)
                listed << QStringLiteral("%1 (%2)").arg(cellPlace(r, c), typeName(row.at(c)));
        }
    }
    m_cellCount += cells;
    if (flatEntries > 0)
        warn(QStringLiteral("\"vals\" of %1 holds %2 entries that are not rows (lists of cells); they are not read, "
                            "so the parameter misses those cells.")
                 .arg(element)
                 .arg(flatEntries));
    if (otherCells > 0)
        warn(QStringLiteral("%1 has %2 cell(s) that are not text, read as \"0\": %3%4. Write formulas as text, "
                            "such as \"0.5\".")
                 .arg(element)
                 .arg(otherCells)
                 .arg(listed.join(QStringLiteral(", ")),
                      otherCells > ListedCells ? QStringLiteral(", ...") : QString()));
    if (cells != m_strata && flatEntries == 0)
        warn(QStringLiteral("%1 has %2 cells for the %3 strata of \"dims\"; %4")
                 .arg(element)
                 .arg(cells)
                 .arg(m_strata)
                 .arg(cells < m_strata ? QStringLiteral("the strata without a cell stay 0.")
                                       : QStringLiteral("the cells past the last stratum are not used.")));
}

void JSONSpecificationCheck::refuseUnlessOneValue(const QString& element, int row, int column, const QString& formula)
{
    if (!m_refusal.isEmpty())
        return;
    const QString problem = CellFormula::shapeProblem(formula);
    if (!problem.isEmpty())
        m_refusal = QStringLiteral("Model specification %1 is skipped: %2, %3 holds \"%4\": %5.")
                        .arg(m_fileName, element, cellPlace(row, column), formula.left(80), problem);
}

} // namespace fn
