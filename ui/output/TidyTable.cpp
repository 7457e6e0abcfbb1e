#include "ui/output/TidyTable.h"

#include <algorithm>
#include <iterator>

#include <QJsonArray>

#include "ui/output/TidyTableCsv.h"

namespace ui {

namespace {

const QString all = QStringLiteral("all");
const QString meanKey = QStringLiteral("Mean");
const QString standardErrorKey = QStringLiteral("MeanStandardError");
const QString statisticKeys[4] = {meanKey, QStringLiteral("Quantile0.025"), QStringLiteral("Quantile0.5"),
                                  QStringLiteral("Quantile0.975")};

bool isStatistics(const QJsonValue& value)
{
    return value.isObject() && value.toObject().contains(meanKey);
}

std::optional<double> statistic(const QJsonValue& value)
{
    // A statistic that could not be computed (the document's "-" or null) is NA.
    return value.isDouble() ? std::optional<double>(value.toDouble()) : std::nullopt;
}

// The name of an age group in a row of a stratified map: the member named after the first factor.
QString ageGroupOf(const QJsonObject& row)
{
    for (auto it = row.begin(); it != row.end(); ++it) {
        if (it.value().isString() && it.key() != QLatin1String("id") && it.key() != meanKey
            && !it.key().startsWith(QLatin1String("Quantile")))
            return it.value().toString();
    }
    return row.value(QStringLiteral("id")).toVariant().toString();
}

} // namespace

TidyTable::TidyTable(const QString& path)
    : TidyTable(std::make_unique<TidyTableCsv>(path))
{
}

TidyTable::TidyTable(std::unique_ptr<TidyTableSink> sink)
    : m_sink(std::move(sink))
{
}

bool TidyTable::open()
{
    return m_sink->open();
}

TidyTable::Row TidyTable::keyFields(const Key& key, const QString& tree)
{
    Row row;
    row.texts = {key.country, key.countryName, key.disease, key.diseaseName, key.modelId, tree};
    return row;
}

void TidyTable::addRow(const Row& prefix, const QString& category, const QString& sex, const QString& ageGroup,
                       const QString& measure, const QJsonObject& statistics, const QJsonObject& error)
{
    // The key fields, then category, sex, age group and measure; the four statistics, then se.
    std::copy_n(prefix.texts.begin(), 6, m_row.texts.begin());
    m_row.texts[6] = category;
    m_row.texts[7] = sex;
    m_row.texts[8] = ageGroup;
    m_row.texts[9] = measure;
    for (std::size_t i = 0; i < std::size(statisticKeys); ++i)
        m_row.numbers[i] = statistic(statistics.value(statisticKeys[i]));
    m_row.numbers[4] = statistic(error.value(standardErrorKey));
    m_sink->addRow(m_row);
}

void TidyTable::addFigures(const Row& prefix, const QString& category, const QJsonObject& figures,
                           const QJsonObject& errors)
{
    for (auto it = figures.begin(); it != figures.end(); ++it) {
        if (isStatistics(it.value()))
            addRow(prefix, category, all, all, it.key(), it.value().toObject(), errors.value(it.key()).toObject());
    }
}

void TidyTable::addStratified(const Row& prefix, const QJsonObject& figures, const QJsonObject& errors)
{
    static const std::pair<QString, QString> sexes[] = {{QStringLiteral("arrayFemale"), QStringLiteral("female")},
                                                        {QStringLiteral("arrayMale"), QStringLiteral("male")}};
    for (auto it = figures.begin(); it != figures.end(); ++it) {
        const QJsonObject figure = it.value().toObject();
        const QJsonObject figureErrors = errors.value(it.key()).toObject();
        for (const auto& [list, sex] : sexes) {
            const QJsonArray rows = figure.value(list).toArray();
            const QJsonArray errorRows = figureErrors.value(list).toArray();
            for (int i = 0; i < rows.size(); ++i) {
                const QJsonObject row = rows[i].toObject();
                addRow(prefix, QStringLiteral("total"), sex, ageGroupOf(row), it.key(), row, errorRows[i].toObject());
            }
        }
    }
}

bool TidyTable::addModel(const Key& key, const QJsonObject& results, const QJsonObject& totalResults,
                         const QJsonObject& errors)
{
    const QJsonArray trees = results.value(QStringLiteral("detailedResults")).toArray();
    const QJsonArray treeErrors = errors.value(QStringLiteral("detailedResults")).toArray();
    for (int t = 0; t < trees.size(); ++t) {
        const QJsonObject tree = trees[t].toObject();
        const QJsonObject treeError = treeErrors[t].toObject();
        const Row prefix = keyFields(key, tree.value(QStringLiteral("outcomeTreeID")).toString());
        const QJsonObject categories = tree.value(QStringLiteral("sequelaTypeAggregatedResults")).toObject();
        const QJsonObject categoryErrors = treeError.value(QStringLiteral("sequelaTypeAggregatedResults")).toObject();
        for (auto it = categories.begin(); it != categories.end(); ++it)
            addFigures(prefix, it.key(), it.value().toObject(), categoryErrors.value(it.key()).toObject());
        const QJsonArray outcomes = tree.value(QStringLiteral("healthOutcomeAggregatedResults")).toArray();
        const QJsonArray outcomeErrors = treeError.value(QStringLiteral("healthOutcomeAggregatedResults")).toArray();
        for (int o = 0; o < outcomes.size(); ++o) {
            const QJsonObject outcome = outcomes[o].toObject();
            addFigures(prefix, outcome.value(QStringLiteral("name")).toString(), outcome, outcomeErrors[o].toObject());
        }
    }
    const Row prefix = keyFields(key, all);
    addStratified(prefix, results.value(QStringLiteral("totalCategorizedResults")).toObject(),
                  errors.value(QStringLiteral("totalCategorizedResults")).toObject());
    addStratified(prefix, results.value(QStringLiteral("totalCategorizedCounts")).toObject(),
                  errors.value(QStringLiteral("totalCategorizedCounts")).toObject());
    // The total category holds the same figures as totalResults, which has cases and deaths too.
    const QJsonObject categories = results.value(QStringLiteral("totalSequelaTypeResults")).toObject();
    const QJsonObject categoryErrors = errors.value(QStringLiteral("totalSequelaTypeResults")).toObject();
    for (const QString& category : {QStringLiteral("acute"), QStringLiteral("sequela")})
        addFigures(prefix, category, categories.value(category).toObject(), categoryErrors.value(category).toObject());
    addFigures(prefix, QStringLiteral("total"), totalResults, errors.value(QStringLiteral("totalResults")).toObject());
    return m_sink->flush();
}

bool TidyTable::addTotals(const Key& key, const QJsonObject& totalResults, const QJsonObject& stratified,
                          const QJsonObject& errors)
{
    const Row prefix = keyFields(key, all);
    addStratified(prefix, stratified, QJsonObject());
    addFigures(prefix, QStringLiteral("total"), totalResults, errors);
    return m_sink->flush();
}

bool TidyTable::addGroup(const Key& key, const QString& category, const QJsonObject& figures)
{
    addFigures(keyFields(key, all), category, figures, QJsonObject());
    return m_sink->flush();
}

} // namespace ui
