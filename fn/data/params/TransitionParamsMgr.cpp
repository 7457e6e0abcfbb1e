#include "fn/data/params/TransitionParamsMgr.h"

#include "fn/data/CacheStream.h"

namespace fn {

TransitionParamsMgr::~TransitionParamsMgr() = default;

void TransitionParamsMgr::set(const QString& country, const QString& disease, const QString& tree,
                              const QString& transition, int kind, const DataArray& array)
{
    if (isValidKind(kind))
        params(kind).set(country, disease, tree, transition, array);
}

DataArray TransitionParamsMgr::get(const QString& country, const QString& disease, const QString& tree,
                                   const QString& transition, int kind, const InputFactorPtrs& factors) const
{
    if (isValidKind(kind)) {
        if (const DataArray* stored = params(kind).find(country, disease, tree, transition))
            return *stored;
    }
    DataArray fallback(factors, defaultFormula(kind));
    fallback.setName(defaultName(kind));
    return fallback;
}

void TransitionParamsMgr::clear()
{
    for (ElementParams& kindParams : m_params)
        kindParams.clear();
}

QString TransitionParamsMgr::defaultFormula(int kind)
{
    return kind == Redistribution ? QStringLiteral("0.052632") : QStringLiteral("1");
}

QString TransitionParamsMgr::defaultName(int kind)
{
    return kind == Redistribution ? QStringLiteral("Redistribution") : QStringLiteral("Probability");
}

namespace {

constexpr int CacheOrder[] = {TransitionParamsMgr::Probability, TransitionParamsMgr::Redistribution};

} // namespace

void TransitionParamsMgr::write(CacheStream& stream) const
{
    for (int kind : CacheOrder)
        params(kind).write(stream);
}

void TransitionParamsMgr::read(CacheStream& stream)
{
    for (int kind : CacheOrder)
        params(kind).read(stream);
}

} // namespace fn
