#include "ui/ModelFactory.h"

#include "fn/data/InputDataMgr.h"
#include "fn/data/JSONInputDataMgr.h"
#include "fn/model/DiseaseModel.h"

namespace ui {

ModelFactory::ModelFactory(fn::InputDataMgr& store, fn::JSONInputDataMgr& specifications)
    : m_store(store)
    , m_specifications(specifications)
{
}

std::unique_ptr<fn::DiseaseModel> ModelFactory::make(const fn::InputType::Country& country,
                                                     const fn::InputType::Disease& disease,
                                                     const QString& modelId) const
{
    if (!canMake(country, disease))
        return nullptr;
    const bool inReferenceData = m_store.hasDisease(country, disease);
    const QString countryName = m_store.countryCaption(country);
    auto model = inReferenceData ? std::make_unique<fn::DiseaseModel>(&m_store, modelId, country, countryName,
                                                                      &m_store.diseaseTemplates().get(disease),
                                                                      m_store.inputFactors().getInputFactors(disease))
                                 : std::make_unique<fn::DiseaseModel>(&m_store, modelId, country, countryName,
                                                                      &m_specifications.getDiseaseTemplate(disease));
    QString origin = QStringLiteral("the reference data");
    if (!inReferenceData) {
        const QString specification = m_specifications.sourceFile(disease);
        origin = specification.isEmpty() ? QStringLiteral("a model specification")
                                         : QStringLiteral("the model specification ") + specification;
    }
    model->setOrigin(origin);
    model->setUp();
    return model;
}

bool ModelFactory::canMake(const fn::InputType::Country& country, const fn::InputType::Disease& disease) const
{
    return m_store.hasDisease(country, disease) || m_specifications.diseaseDataExist(disease);
}

QString ModelFactory::whyNone(const fn::InputType::Country& country, const fn::InputType::Disease& disease) const
{
    if (!m_store.diseaseIds().contains(disease) && !m_specifications.diseaseDataExist(disease))
        return QStringLiteral("the disease \"%1\" is neither in the reference data nor in a model specification "
                              "of the models folder.")
            .arg(disease);
    return QStringLiteral("the reference data have no data for the disease \"%1\" in the country \"%2\" (nor in "
                          "\"Generic\").")
        .arg(disease, country);
}

} // namespace ui
