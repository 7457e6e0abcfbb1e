#pragma once

#include <QString>
#include <QVariantMap>

#include "fn/model/DiseaseModel.h"

namespace ui {

// The results of the models that have them as one long table (see TidyTable), as the main window
// saves it: CSV when the name ends in .csv, gzip-compressed CSV in .csv.gz, an Excel workbook in
// .xlsx (see TidyTableXlsx). Each model gives the rows of its results document and of its cases
// and deaths by age group and sex when its run kept them (DiseaseModel::stratumCounts); the
// standard errors fill se when the run analysed the uncertainty; the totals over all models
// follow when given.
class ResultsTable
{
public:
    // Whether path names a format of the table.
    static bool isTablePath(const QString& path);
    // Writes the table to path, whole or not at all; false with the file and the reason in error.
    static bool save(const QString& path, const fn::DiseaseModelList& models, const QVariantMap& aggregatedResults,
                     QString* error);
};

} // namespace ui
