#include "fn/data/params/ParamsMgr.h"

#include "fn/data/CacheStream.h"

namespace fn {

ParamsMgr::~ParamsMgr() = default;

void ParamsMgr::set(const QString& country, const QString& disease, const QString& tree, const QString& healthState,
                    int kind, const DataArray& array)
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

namespace {

// The cache holds the reserved kind last.
constexpr int CacheOrder[] = {ParamsMgr::Severity, ParamsMgr::Duration, ParamsMgr::Proportion, ParamsMgr::Reserved};

} // namespace

void ParamsMgr::write(CacheStream& stream) const
{
    for (int kind : CacheOrder)
        params(kind).write(stream);
}

void ParamsMgr::read(CacheStream& stream)
{
    for (int kind : CacheOrder)
        params(kind).read(stream);
}

} // namespace fn
