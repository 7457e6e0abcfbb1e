#pragma once

#include <deque>
#include <map>

#include "fn/values/InputFactor.h"

namespace fn {

// The run factors of every disease, in registration order. Factor objects keep their
// addresses for the manager's lifetime: data arrays and models point to them.
class InputFactorMgr
{
public:
    using FactorMap = std::map<QString, std::deque<InputFactor>>;

    virtual ~InputFactorMgr();

    void addInputFactor(const QString& disease, const QString& name, const QStringList& levels);
    InputFactorPtrs getInputFactors(const QString& disease) const;

    const FactorMap& factorMap() const { return m_factors; }
    void setFactorMap(FactorMap factors) { m_factors = std::move(factors); }
    void clear() { m_factors.clear(); }

private:
    FactorMap m_factors;
};

} // namespace fn
