#pragma once

namespace fn {
class DiseaseModel;
}

namespace ut {
class Excel;
}

namespace ui {

// The sheet layout of a saved model: a fixed head with the model's identity, then one
// labelled block per parameter array, one empty row between blocks.
class ModelWorkbook
{
public:
    static constexpr int version = 6;

    // Writes the model into the current sheet, from row 1.
    static void writeSheet(ut::Excel& excel, fn::DiseaseModel& model);
    // Reads every parameter block of the current sheet into the model.
    static void readSheet(ut::Excel& excel, fn::DiseaseModel& model);
};

} // namespace ui
