#pragma once

#include <QSet>

#include "fn/model/DiseaseModel.h"

namespace ui {

// Which models hold results of parameters they no longer have: an edit applied after a run
// leaves the model computed, but its results belong to the parameters before the edit.
class ResultsFreshness
{
public:
    // An edit was applied to model; wasComputed: it held results just before. True when its
    // results became out of date with this edit (not when they were already).
    bool markEdited(const fn::DiseaseModel& model, bool wasComputed);
    // Results of the model's current parameters.
    bool isCurrent(const fn::DiseaseModel& model) const;
    // After a run, however it ended: the models it computed are current again.
    void runEnded(const fn::DiseaseModelList& models);
    void clear() { m_outdated.clear(); }

private:
    QSet<const fn::DiseaseModel*> m_outdated;
};

} // namespace ui
