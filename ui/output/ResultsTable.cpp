#include "ui/output/ResultsTable.h"

#include <QDir>

#include "ui/output/ResultsOutput.h"
#include "ui/output/TidyTable.h"
#include "ui/output/TidyTableCsv.h"
#include "ui/output/TidyTableXlsx.h"

namespace ui {

namespace {

const QString countsKey = QStringLiteral("totalCategorizedCounts");

bool isWorkbookPath(const QString& path)
{
    return path.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive);
}

} // namespace

bool ResultsTable::isTablePath(const QString& path)
{
    return isWorkbookPath(path) || path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive)
        || path.endsWith(QLatin1String(".csv.gz"), Qt::CaseInsensitive);
}

bool ResultsTable::save(const QString& path, const fn::DiseaseModelList& models, const QVariantMap& aggregatedResults,
                        QString* error)
{
    if (!isTablePath(path)) {
        *error = QStringLiteral("Cannot write %1: a results table is named .csv, .csv.gz or .xlsx.")
                     .arg(QDir::toNativeSeparators(path));
        return false;
    }
    std::unique_ptr<TidyTableSink> sink;
    if (isWorkbookPath(path))
        sink = std::make_unique<TidyTableXlsx>(path);
    else
        sink = std::make_unique<TidyTableCsv>(path);
    TidyTable table(std::move(sink));
    bool written = table.open();
    for (const auto& model : models) {
        if (!written || !model->isComputed())
            continue;
        QJsonObject results = ResultsOutput::resultsDocument(*model);
        QJsonObject errors = QJsonObject::fromVariantMap(
            model->uncertaintyResults().value(QStringLiteral("standardErrors")).toMap());
        if (!model->stratumCounts().isEmpty()) {
            results.insert(countsKey, QJsonObject::fromVariantMap(model->stratumCounts()));
            errors.insert(countsKey, QJsonObject::fromVariantMap(model->stratumCountErrors()));
        }
        const TidyTable::Key key{model->countryId(), model->countryName(), model->diseaseId(), model->diseaseName(),
                                 model->modelId()};
        written = table.addModel(key, results, QJsonObject::fromVariantMap(model->totalResults()), errors);
    }
    if (written && !aggregatedResults.isEmpty()) {
        const QString all = QStringLiteral("all");
        written = table.addTotals(
            {all, QString(), all, QString(), all},
            QJsonObject::fromVariantMap(aggregatedResults.value(QStringLiteral("totalResults")).toMap()),
            QJsonObject::fromVariantMap(aggregatedResults.value(QStringLiteral("allResults")).toMap()));
    }
    if (written && table.commit())
        return true;
    *error = table.errorString();
    table.cancel();
    return false;
}

} // namespace ui
