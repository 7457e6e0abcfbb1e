#include "app/batch/ResultsExports.h"

#include <QJsonArray>
#include <QJsonDocument>

#include "app/batch/BatchOptions.h"
#include "ui/output/StratumCounts.h"
#include "fn/model/DiseaseModel.h"
#include "ui/output/RunProvenance.h"
#include "ut/OutputFile.h"

namespace batch {

namespace {

const QString countsKey = QStringLiteral("totalCategorizedCounts");

} // namespace

ResultsExports::ResultsExports(const BatchOptions& options, const QJsonObject& provenance)
    : m_options(options)
    , m_provenance(provenance)
{
    if (!options.tablePath().isEmpty())
        m_table = std::make_unique<ui::TidyTable>(options.tablePath());
    if (!options.drawsPath().isEmpty())
        m_draws = std::make_unique<DrawsWriter>(options.drawsPath(), options.drawsByStratum());
}

bool ResultsExports::failed(const QString& error)
{
    if (m_errorString.isEmpty())
        m_errorString = error;
    return false;
}

QStringList ResultsExports::paths() const
{
    QStringList paths;
    if (m_table)
        paths << m_options.tablePath();
    if (m_draws)
        paths << m_options.drawsPath();
    return paths;
}

bool ResultsExports::open()
{
    if (m_table && !m_table->open())
        return failed(m_table->errorString());
    if (m_draws && !m_draws->open())
        return failed(m_draws->errorString());
    return true;
}

bool ResultsExports::takeRecord(const fn::DiseaseModel& model, const fn::ModelRunRecord& record)
{
    m_countErrors = QJsonObject();
    m_counts = ui::StratumCounts::of(record, model.analyzesUncertainty() ? &m_countErrors : nullptr);
    if (m_draws && !m_draws->addModel(model, record))
        return failed(m_draws->errorString());
    return true;
}

bool ResultsExports::addModel(const fn::DiseaseModel& model, QJsonObject& results, QJsonObject* uncertainty)
{
    results.insert(countsKey, m_counts);
    QJsonObject errors;
    if (uncertainty && !uncertainty->isEmpty()) {
        errors = uncertainty->value(QStringLiteral("standardErrors")).toObject();
        errors.insert(countsKey, m_countErrors);
        uncertainty->insert(QStringLiteral("standardErrors"), errors);
    }
    m_counts = QJsonObject();
    m_countErrors = QJsonObject();
    if (!m_table)
        return true;
    const ui::TidyTable::Key key{model.countryId(), model.countryName(), model.diseaseId(), model.diseaseName(),
                                 model.modelId()};
    if (!m_table->addModel(key, results, QJsonObject::fromVariantMap(model.totalResults()), errors))
        return failed(m_table->errorString());
    return true;
}

bool ResultsExports::writeProvenance(const QString& path)
{
    const QString beside = ui::RunProvenance::pathBeside(path);
    if (beside.isEmpty())
        return true;
    QString error;
    if (!ut::OutputFile::save(beside, QJsonDocument(m_provenance).toJson(QJsonDocument::Indented), &error))
        return failed(error);
    return true;
}

bool ResultsExports::addSummary(const QJsonObject& summary)
{
    const QString all = QStringLiteral("all");
    const QString model = QStringLiteral("summary");
    bool written = m_table->addTotals({all, QString(), all, QString(), model},
                                      summary.value(QStringLiteral("total")).toObject());
    for (const QJsonValue& value : summary.value(QStringLiteral("countries")).toArray()) {
        const QJsonObject country = value.toObject();
        written = written
            && m_table->addTotals({country.value(QStringLiteral("country")).toString(),
                                   country.value(QStringLiteral("countryName")).toString(), all, QString(), model},
                                  country);
    }
    for (const QJsonValue& value : summary.value(QStringLiteral("diseases")).toArray()) {
        const QJsonObject disease = value.toObject();
        written = written
            && m_table->addTotals({all, QString(), disease.value(QStringLiteral("disease")).toString(),
                                   disease.value(QStringLiteral("diseaseName")).toString(), model},
                                  disease);
    }
    return written;
}

bool ResultsExports::addScenarios(const QJsonArray& scenarios)
{
    const QString all = QStringLiteral("all");
    const QString model = QStringLiteral("summary");
    bool written = true;
    for (const QJsonValue& value : scenarios) {
        const QJsonObject scenario = value.toObject();
        const QString name = scenario.value(QStringLiteral("name")).toString();
        const auto text = [](const QJsonObject& entry, const char* key) {
            return entry.value(QLatin1String(key)).toString();
        };
        for (const QJsonValue& entry : scenario.value(QStringLiteral("models")).toArray()) {
            const QJsonObject figures = entry.toObject();
            written = written
                && m_table->addGroup({text(figures, "country"), text(figures, "countryName"), text(figures, "disease"),
                                      text(figures, "diseaseName"), text(figures, "modelId")},
                                     name, figures);
        }
        written = written
            && m_table->addGroup({all, QString(), all, QString(), model}, name,
                                 scenario.value(QStringLiteral("total")).toObject());
        for (const QJsonValue& entry : scenario.value(QStringLiteral("countries")).toArray()) {
            const QJsonObject figures = entry.toObject();
            written = written
                && m_table->addGroup({text(figures, "country"), text(figures, "countryName"), all, QString(), model},
                                     name, figures);
        }
        for (const QJsonValue& entry : scenario.value(QStringLiteral("diseases")).toArray()) {
            const QJsonObject figures = entry.toObject();
            written = written
                && m_table->addGroup({all, QString(), text(figures, "disease"), text(figures, "diseaseName"), model},
                                     name, figures);
        }
    }
    return written;
}

bool ResultsExports::finish(const QJsonObject& aggregatedResults, const QJsonObject& summary,
                            const QJsonArray& scenarios)
{
    if (m_table) {
        const QString all = QStringLiteral("all");
        const bool written = m_table->addTotals({all, QString(), all, QString(), all},
                                                aggregatedResults.value(QStringLiteral("totalResults")).toObject(),
                                                aggregatedResults.value(QStringLiteral("allResults")).toObject())
            && addSummary(summary) && addScenarios(scenarios);
        if (!written || !m_table->commit())
            return failed(m_table->errorString());
        if (!writeProvenance(m_options.tablePath()))
            return false;
    }
    if (m_draws) {
        if (!m_draws->commit())
            return failed(m_draws->errorString());
        if (!writeProvenance(m_options.drawsPath()))
            return false;
    }
    return true;
}

void ResultsExports::cancel()
{
    if (m_table)
        m_table->cancel();
    if (m_draws)
        m_draws->cancel();
}

} // namespace batch
