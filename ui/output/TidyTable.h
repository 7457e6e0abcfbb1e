#pragma once

#include <memory>

#include <QJsonObject>
#include <QString>

#include "ui/output/TidyTableSink.h"

namespace ui {

// The results of models as one long table, one row per (country, disease, model, tree, category,
// sex, age group, measure):
//
//     country,country_name,disease,disease_name,model_id,tree,category,sex,age_group,measure,
//     mean,q025,q50,q975,se
//
// Every statistic comes from the maps of the results document and is printed with 17 significant
// digits, so it reads back as the very double of the document. "all" stands for a column the row
// is not broken down by: tree "all" holds the model's totals over its trees, sex and age group
// "all" the totals over strata; the totals over models have country, disease and model "all".
// category is "acute", "sequela" or "total", or the name of the health outcome for the rows of
// one outcome of a tree; measure is the key of the document ("daly", "dalyPer100k", ...). se, the
// standard error of the mean, is filled when the uncertainty analysis ran, else empty.
// The rows go to a sink, which writes them in its format: CSV (gzip-compressed when the name ends
// in .gz, see TidyTableCsv) unless another is given. Rows are written as they are added; the file
// is put in place by commit() only.
class TidyTable
{
public:
    struct Key
    {
        QString country;
        QString countryName;
        QString disease;
        QString diseaseName;
        QString modelId;
    };

    using Row = TidyTableSink::Row;

    explicit TidyTable(const QString& path);
    explicit TidyTable(std::unique_ptr<TidyTableSink> sink);

    bool open();
    // A model's rows: its entry of the batch document (detailedResults, totalCategorizedResults,
    // totalCategorizedCounts, totalSequelaTypeResults), its totalResults, and the standard errors
    // of all of them in the same layout (empty without the analysis).
    bool addModel(const Key& key, const QJsonObject& results, const QJsonObject& totalResults,
                  const QJsonObject& errors = QJsonObject());
    // Totals over several models: their totalResults and, when given, their stratified figures
    // (the "allResults" of the aggregated results).
    bool addTotals(const Key& key, const QJsonObject& totalResults, const QJsonObject& stratified = QJsonObject(),
                   const QJsonObject& errors = QJsonObject());
    // Rows of a group of figures (measure -> statistics) over all trees and strata, under category.
    bool addGroup(const Key& key, const QString& category, const QJsonObject& figures);
    bool commit() { return m_sink->commit(); }
    void cancel() { m_sink->cancel(); }
    QString errorString() const { return m_sink->errorString(); }

private:
    // Rows of every statistics map in figures (measure -> statistics), with the errors alike.
    void addFigures(const Row& prefix, const QString& category, const QJsonObject& figures, const QJsonObject& errors);
    // Rows of every stratified map in figures (measure -> {arrayFemale, arrayMale}).
    void addStratified(const Row& prefix, const QJsonObject& figures, const QJsonObject& errors);
    void addRow(const Row& prefix, const QString& category, const QString& sex, const QString& ageGroup,
                const QString& measure, const QJsonObject& statistics, const QJsonObject& error);
    // A row with the fields that name the model and the tree filled in.
    static Row keyFields(const Key& key, const QString& tree);

    std::unique_ptr<TidyTableSink> m_sink;
    Row m_row;
};

} // namespace ui
