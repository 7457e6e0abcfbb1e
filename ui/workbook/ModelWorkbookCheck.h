#pragma once

#include <QString>

#include "fn/model/DiseaseModel.h"

namespace ui {

// Finds what of a model a workbook cannot keep whole, before the model is saved: a text longer
// than a cell holds (32 767 characters) or one with a NUL character, in any parameter the
// model workbook writes. Saving such a model would shorten the text, and the model read back
// would give other results.
class ModelWorkbookCheck
{
public:
    // Names the sheet (the model id), the parameter and the problem; empty when the model can
    // be saved whole.
    static QString problem(fn::DiseaseModel& model);
    // The first problem of any of the models, in their order.
    static QString problem(const fn::DiseaseModelList& models);
};

} // namespace ui
