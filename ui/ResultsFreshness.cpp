#include "ui/ResultsFreshness.h"

namespace ui {

bool ResultsFreshness::markEdited(const fn::DiseaseModel& model, bool wasComputed)
{
    if (!wasComputed || m_outdated.contains(&model))
        return false;
    m_outdated.insert(&model);
    return true;
}

bool ResultsFreshness::isCurrent(const fn::DiseaseModel& model) const
{
    return model.isComputed() && !m_outdated.contains(&model);
}

void ResultsFreshness::runEnded(const fn::DiseaseModelList& models)
{
    for (const auto& model : models) {
        if (model->isComputed())
            m_outdated.remove(model.get());
    }
}

} // namespace ui
