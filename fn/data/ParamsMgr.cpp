#include "fn/data/ParamsMgr.h"

namespace fn {

ParamsMgr::~ParamsMgr() = default;

void ParamsMgr::set(const QString& country, const QString& disease, const QString& tree,
                    const QString& healthState, int kind, const DataArray& array)
{
    if (isValidKind(kind))
        params(kind).set(country, disease, tree, healthState, array);
}

DataArray ParamsMgr::get(const QString& country, const QString& disease, const QString& tree,
                         const QString& healthState, int kind, const InputFactorPtrs& factors) const
{
    if (isValidKind(kind)) {
        if (const DataArray* stored = params(kind).find(country, disease, tree, healthState))
            return *stored;
    }
    return DataArray(factors, defaultFormula(kind));
}

void ParamsMgr::clear()
{
    for (ElementParams& kindParams : m_params)
        kindParams.clear();
}

QString ParamsMgr::defaultFormula(int kind)
{
    return kind == Proportion ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace fn
