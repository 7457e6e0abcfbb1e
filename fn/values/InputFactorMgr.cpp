#include "fn/values/InputFactorMgr.h"

namespace fn {

InputFactorMgr::~InputFactorMgr() = default;

void InputFactorMgr::addInputFactor(const QString& disease, const QString& name, const QStringList& levels)
{
    m_factors[disease].emplace_back(name, levels);
}

InputFactorPtrs InputFactorMgr::getInputFactors(const QString& disease) const
{
    InputFactorPtrs result;
    const auto it = m_factors.find(disease);
    if (it == m_factors.end())
        return result;
    for (const InputFactor& factor : it->second)
        result << &factor;
    return result;
}

} // namespace fn
