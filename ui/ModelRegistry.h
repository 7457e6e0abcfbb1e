#pragma once

#include <QMap>
#include <QString>
#include <memory>
#include <vector>

#include "fn/InputType.h"
#include "fn/model/DiseaseModel.h"

namespace ui {

// The controller's models: the list in creation order (owned by the controller), the lookup
// by (country, disease, model id) and the model ids handed out since the last clear.
class ModelRegistry
{
public:
    explicit ModelRegistry(fn::DiseaseModelList& models);

    // Destroys every model and forgets every id; generated ids start again at model 1.
    void clear();

    // Empty request: "model N" with the next N whose id was not handed out yet (models loaded
    // from a workbook keep their ids, which may be generated ones). Otherwise the requested
    // id, with "_2" appended once if it was handed out before. The id counts as used.
    QString makeModelId(const QString& requested);
    // makeModelId, asked again until no model has the id: loading the same models a third
    // time asks for a taken "_2" form, which must not replace the model that has it.
    QString freeModelId(const QString& requested);
    bool hasModelWithId(const QString& modelId) const;

    fn::DiseaseModel* find(const fn::InputType::Country& country, const fn::InputType::Disease& disease,
                           const QString& modelId) const;
    // Appends the model to the list; enter() makes it found under its key.
    fn::DiseaseModel* append(std::unique_ptr<fn::DiseaseModel> model);
    // An entry with the same key is replaced.
    void enter(const fn::InputType::Country& country, const fn::InputType::Disease& disease, const QString& modelId,
               fn::DiseaseModel* model);

private:
    bool isUsed(const QString& modelId) const;

    fn::DiseaseModelList& m_models;
    QMap<QString, QMap<QString, QMap<QString, fn::DiseaseModel*>>> m_index;
    int m_counter = 0;
    std::vector<QString> m_usedIds;
};

} // namespace ui
