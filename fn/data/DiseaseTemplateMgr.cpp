#include "fn/data/DiseaseTemplateMgr.h"

namespace fn {

DiseaseTemplateMgr::~DiseaseTemplateMgr() = default;

void DiseaseTemplateMgr::add(const QString& diseaseId, const DiseaseTemplate& diseaseTemplate)
{
    m_templates.insert(diseaseId, diseaseTemplate);
}

} // namespace fn
