#pragma once

#include <QString>
#include <functional>

#include "fn/model/DiseaseModel.h"

namespace ut {
class Excel;
}

namespace ui {

// The workbook models are saved to: one sheet per model, each with a fixed head holding the
// model's identity, then one labelled block per parameter array, one empty row between blocks.
class ModelWorkbook
{
public:
    static constexpr int version = 6;

    // What the head of a sheet says: the version the sheet was saved with (0 when cell B3 holds
    // no number; versionText is what it holds) and the identity of the model.
    struct Head
    {
        int version = 0;
        QString versionText;
        QString countryId;
        QString diseaseId;
        QString modelId;
    };

    // Whether the current sheet has the head of a saved model (of any version): "File info" in A1
    // and "Version" in A3.
    static bool isModelSheet(const ut::Excel& excel);
    // The head of the current sheet, as writeSheet() lays it out; the identity is read below the
    // label "Model info" wherever it is in column A.
    static Head readHead(const ut::Excel& excel);
    // Writes the model into the current sheet, from row 1.
    static void writeSheet(ut::Excel& excel, fn::DiseaseModel& model);
    // Reads every parameter block of the current sheet into the model, each at its place in the
    // layout writeSheet() makes. Throws ut::Exception naming the sheet and the cell when a label
    // is not where the layout puts it or a table cell does not hold one value; the model may then
    // have been changed in part.
    static void readSheet(ut::Excel& excel, fn::DiseaseModel& model);
    // Saves the models to the workbook at path, one sheet each in their order, named after
    // their ids; sheetStarted hears of each model before its sheet is written. Returns why the
    // file could not be written (an earlier file is then unchanged), or an empty text.
    static QString save(const fn::DiseaseModelList& models, const QString& path,
                        const std::function<void(const fn::DiseaseModel&)>& sheetStarted);
};

} // namespace ui
