#include "ui/output/TidyTable.h"

#include <QJsonArray>

#include "ui/output/CsvText.h"

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

QByteArray statistic(const QJsonValue& value)
{
    // A statistic that could not be computed (the document's "-" or null) is left empty: NA.
    return value.isDouble() ? CsvText::number(value.toDouble()) : QByteArray();
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
    : m_stream(path)
{
    // The table is written once and passed around: the smallest file is worth the compressor's
    // extra time, which is small beside the run's (a few seconds for thousands of models).
    m_stream.setCompressionLevel(9);
}

const char* TidyTable::header()
{
    return "country,country_name,disease,disease_name,model_id,tree,category,sex,age_group,measure,mean,q025,q50,q975,"
           "se\n";
}

bool TidyTable::open()
{
    return m_stream.open() && m_stream.write(header());
}

QByteArray TidyTable::keyFields(const Key& key, const QString& tree)
{
    return CsvText::field(key.country) + ',' + CsvText::field(key.countryName) + ',' + CsvText::field(key.disease) + ','
        + CsvText::field(key.diseaseName) + ',' + CsvText::field(key.modelId) + ',' + CsvText::field(tree) + ',';
}

void TidyTable::addRow(const QByteArray& prefix, const QString& category, const QString& sex, const QString& ageGroup,
                       const QString& measure, const QJsonObject& statistics, const QJsonObject& error)
{
    m_rows += prefix;
    m_rows += CsvText::field(category) + ',' + CsvText::field(sex) + ',' + CsvText::field(ageGroup) + ','
        + CsvText::field(measure);
    for (const QString& key : statisticKeys) {
        m_rows += ',';
        m_rows += statistic(statistics.value(key));
    }
    m_rows += ',';
    m_rows += statistic(error.value(standardErrorKey));
    m_rows += '\n';
}

void TidyTable::addFigures(const QByteArray& prefix, const QString& category, const QJsonObject& figures,
                           const QJsonObject& errors)
{
    for (auto it = figures.begin(); it != figures.end(); ++it) {
        if (isStatistics(it.value()))
            addRow(prefix, category, all, all, it.key(), it.value().toObject(), errors.value(it.key()).toObject());
    }
}

void TidyTable::addStratified(const QByteArray& prefix, const QJsonObject& figures, const QJsonObject& errors)
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
        const QByteArray prefix = keyFields(key, tree.value(QStringLiteral("outcomeTreeID")).toString());
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
    const QByteArray prefix = keyFields(key, all);
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
    const bool written = m_stream.write(m_rows);
    m_rows.clear();
    return written;
}

bool TidyTable::addTotals(const Key& key, const QJsonObject& totalResults, const QJsonObject& stratified,
                          const QJsonObject& errors)
{
    const QByteArray prefix = keyFields(key, all);
    addStratified(prefix, stratified, QJsonObject());
    addFigures(prefix, QStringLiteral("total"), totalResults, errors);
    const bool written = m_stream.write(m_rows);
    m_rows.clear();
    return written;
}

bool TidyTable::addGroup(const Key& key, const QString& category, const QJsonObject& figures)
{
    addFigures(keyFields(key, all), category, figures, QJsonObject());
    const bool written = m_stream.write(m_rows);
    m_rows.clear();
    return written;
}

} // namespace ui
