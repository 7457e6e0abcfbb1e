#pragma once

#include <array>

#include <QString>

#include "fn/data/params/ElementParams.h"
#include "fn/values/DataArray.h"
#include "fn/values/InputFactor.h"

namespace fn {

class CacheStream;

// Transition parameter arrays of the reference data. Every request is answered:
// a missing array is replaced by a named default one over the caller's factors.
class TransitionParamsMgr
{
public:
    enum Kind { Probability = 0, Redistribution = 1 };
    static constexpr int KindCount = 2;

    TransitionParamsMgr() = default;
    TransitionParamsMgr(const TransitionParamsMgr&) = default;
    TransitionParamsMgr& operator=(const TransitionParamsMgr&) = default;
    virtual ~TransitionParamsMgr();

    // A kind other than 0 or 1 is ignored.
    void set(const QString& country, const QString& disease, const QString& tree, const QString& transition, int kind,
             const DataArray& array);
    // A copy of the stored array, or a default: "Probability" with "1" in every stratum,
    // "Redistribution" with "0.052632" (an even share over 19 age groups).
    DataArray get(const QString& country, const QString& disease, const QString& tree, const QString& transition,
                  int kind, const InputFactorPtrs& factors) const;
    void clear();

    // The maps of every kind as parts of the cache file; reading replaces the content.
    void write(CacheStream& stream) const;
    void read(CacheStream& stream);

    static QString defaultFormula(int kind);
    static QString defaultName(int kind);

    const ElementParams& params(int kind) const { return m_params.at(static_cast<std::size_t>(kind)); }
    ElementParams& params(int kind) { return m_params.at(static_cast<std::size_t>(kind)); }

private:
    static bool isValidKind(int kind) { return kind >= 0 && kind < KindCount; }

    std::array<ElementParams, KindCount> m_params;
};

} // namespace fn
