#pragma once

#include <QString>
#include <memory>

#include "fn/InputType.h"

namespace fn {
class DiseaseModel;
class InputDataMgr;
class JSONInputDataMgr;
} // namespace fn

namespace ui {

// Makes the model of a country and disease from the reference data, or else from a model
// specification of the models folder: the reference data win over a specification of a disease
// with the same id.
class ModelFactory
{
public:
    ModelFactory(fn::InputDataMgr& store, fn::JSONInputDataMgr& specifications);

    // The model, set up and with its origin; null when neither source has the disease for the
    // country.
    std::unique_ptr<fn::DiseaseModel> make(const fn::InputType::Country& country, const fn::InputType::Disease& disease,
                                           const QString& modelId) const;
    // Whether make() gives a model for the country and disease, without making it.
    bool canMake(const fn::InputType::Country& country, const fn::InputType::Disease& disease) const;
    // Why make() gives no model for the country and disease.
    QString whyNone(const fn::InputType::Country& country, const fn::InputType::Disease& disease) const;

private:
    fn::InputDataMgr& m_store;
    fn::JSONInputDataMgr& m_specifications;
};

} // namespace ui
