#pragma once

#include <memory>

#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>

#include "app/batch/DrawsWriter.h"
#include "ui/output/TidyTable.h"

namespace fn {
class DiseaseModel;
class ModelRunRecord;
} // namespace fn

namespace batch {

class BatchOptions;

// What the batch program writes besides its JSON documents, model by model as they are done:
// the long table (--table), the draws (--draws), and the provenance of each beside it in
// NAME.run.json. It also gives each model's entry of the documents its cases and deaths by age
// group and sex ("totalCategorizedCounts"), which only the record of the run holds.
class ResultsExports
{
public:
    ResultsExports(const BatchOptions& options, const QJsonObject& provenance);

    // Opens the table and the draws asked for; false with errorString() when one cannot be.
    bool open();
    // With the record of model's run, before it is released.
    bool takeRecord(const fn::DiseaseModel& model, const fn::ModelRunRecord& record);
    // The model is done: its entry of the results document (and of the uncertainty analysis,
    // when given) gets the counts of its record, and its rows go to the table.
    bool addModel(const fn::DiseaseModel& model, QJsonObject& results, QJsonObject* uncertainty);
    // The totals over all models, the batch's summary (see RunSummary) and what each scenario
    // averts (see ScenarioDifferences) go to the table; everything is put in place.
    bool finish(const QJsonObject& aggregatedResults, const QJsonObject& summary,
                const QJsonArray& scenarios = QJsonArray());
    void cancel();

    QString errorString() const { return m_errorString; }
    // The files asked for, for what the user is told.
    QStringList paths() const;

private:
    bool failed(const QString& error);
    bool writeProvenance(const QString& path);
    // The rows of the summary: model "summary", per country (disease "all"), per disease
    // (country "all") and in total (both "all").
    bool addSummary(const QJsonObject& summary);
    // The rows of each scenario, category its name: per model, and per country, per disease and
    // in total as the summary's.
    bool addScenarios(const QJsonArray& scenarios);

    const BatchOptions& m_options;
    QJsonObject m_provenance;
    std::unique_ptr<ui::TidyTable> m_table;
    std::unique_ptr<DrawsWriter> m_draws;
    QJsonObject m_counts;
    QJsonObject m_countErrors;
    QString m_errorString;
};

} // namespace batch
