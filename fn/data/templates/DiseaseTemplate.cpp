#include "fn/data/templates/DiseaseTemplate.h"

namespace fn {

DiseaseTemplate::~DiseaseTemplate() = default;

void DiseaseTemplate::addOutcomeTree(const QString& treeId, const OutcomeTreeTemplate& tree)
{
    m_outcomeTrees.insert(treeId, tree);
}

bool DiseaseTemplate::operator==(const DiseaseTemplate& other) const
{
    return m_outcomeTrees == other.m_outcomeTrees && m_outcomeTreeIds == other.m_outcomeTreeIds
        && m_congenital == other.m_congenital && m_caption == other.m_caption && m_id == other.m_id;
}

} // namespace fn
