#pragma once

#include <QJsonObject>

namespace fn {
class ModelRunRecord;
}

namespace ui {

// Cases and deaths of a model by age group and sex, in the stratified form of the results
// ("meta", "arrayFemale", "arrayMale"), computed from the record of its run the way its
// stratified YLD, YLL and DALY are:
//
//     {"cases": {...}, "deaths": {...}}
//
// The single-model results document has no such part; the batch document adds it to each model
// as "totalCategorizedCounts".
class StratumCounts
{
public:
    // With errors, the standard errors of the means in the same layout.
    static QJsonObject of(const fn::ModelRunRecord& record, QJsonObject* errors = nullptr);
};

} // namespace ui
