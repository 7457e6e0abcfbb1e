#pragma once

#include <array>

#include <QString>

#include "fn/data/params/ElementParams.h"
#include "fn/values/DataArray.h"
#include "fn/values/InputFactor.h"

namespace fn {

class CacheStream;

// Health-state parameter arrays of the reference data. Every request is answered:
// a missing array is replaced by a default one over the caller's factors.
class ParamsMgr
{
public:
    // The kind codes of this manager; note that proportion is 3, not 2.
    enum Kind { Severity = 0, Duration = 1, Reserved = 2, Proportion = 3 };
    static constexpr int KindCount = 4;

    ParamsMgr() = default;
    ParamsMgr(const ParamsMgr&) = default;
    ParamsMgr& operator=(const ParamsMgr&) = default;
    virtual ~ParamsMgr();

    // A kind outside 0 to 3 is ignored.
    void set(const QString& country, const QString& disease, const QString& tree, const QString& healthState, int kind,
             const DataArray& array);
    // A copy of the stored array, or an unnamed array holding the kind's default formula
    // ("1" for proportion, "0" otherwise) in every stratum of factors.
    DataArray get(const QString& country, const QString& disease, const QString& tree, const QString& healthState,
                  int kind, const InputFactorPtrs& factors) const;
    void clear();

    // The maps of every kind as parts of the cache file; reading replaces the content.
    void write(CacheStream& stream) const;
    void read(CacheStream& stream);

    static QString defaultFormula(int kind);

    // The maps of a valid kind; for the cache file.
    const ElementParams& params(int kind) const { return m_params.at(static_cast<std::size_t>(kind)); }
    ElementParams& params(int kind) { return m_params.at(static_cast<std::size_t>(kind)); }

private:
    static bool isValidKind(int kind) { return kind >= 0 && kind < KindCount; }

    std::array<ElementParams, KindCount> m_params;
};

} // namespace fn
