#include "ui/ModelRegistry.h"

#include <algorithm>

namespace ui {

ModelRegistry::ModelRegistry(fn::DiseaseModelList& models)
    : m_models(models)
{
}

void ModelRegistry::clear()
{
    // The index points into the list: empty it first.
    m_index.clear();
    m_models.clear();
    m_usedIds.clear();
    m_counter = 0;
}

bool ModelRegistry::isUsed(const QString& modelId) const
{
    return std::find(m_usedIds.begin(), m_usedIds.end(), modelId) != m_usedIds.end();
}

QString ModelRegistry::makeModelId(const QString& requested)
{
    QString id;
    if (requested.isEmpty()) {
        do {
            id = QStringLiteral("model %1").arg(++m_counter);
        } while (isUsed(id));
    } else {
        id = requested;
        if (isUsed(id))
            id += QStringLiteral("_2");
    }
    m_usedIds.push_back(id);
    return id;
}

QString ModelRegistry::freeModelId(const QString& requested)
{
    QString id = makeModelId(requested);
    while (hasModelWithId(id))
        id = makeModelId(id);
    return id;
}

bool ModelRegistry::hasModelWithId(const QString& modelId) const
{
    return std::any_of(m_models.begin(), m_models.end(),
                       [&modelId](const auto& model) { return model->modelId() == modelId; });
}

fn::DiseaseModel* ModelRegistry::find(const fn::InputType::Country& country, const fn::InputType::Disease& disease,
                                      const QString& modelId) const
{
    return m_index.value(country).value(disease).value(modelId, nullptr);
}

fn::DiseaseModel* ModelRegistry::append(std::unique_ptr<fn::DiseaseModel> model)
{
    m_models.push_back(std::move(model));
    return m_models.back().get();
}

void ModelRegistry::enter(const fn::InputType::Country& country, const fn::InputType::Disease& disease,
                          const QString& modelId, fn::DiseaseModel* model)
{
    m_index[country][disease][modelId] = model;
}

} // namespace ui
