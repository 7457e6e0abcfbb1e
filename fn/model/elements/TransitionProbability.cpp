#include "fn/model/elements/TransitionProbability.h"

#include "fn/values/formula/FormulaChecker.h"

namespace fn {

TransitionProbability::TransitionProbability(const ID& id, const QString& name, OutcomeTreeNode* source,
                                             OutcomeTreeNode* target, const DataArray& probabilityParameter,
                                             const DataArray& redistributionParameter, const Marray::Shape& strataShape)
    : TransitionProbabilityBase(TransitionKind, id, name, strataShape, source, target)
    , m_probabilityParameter(probabilityParameter)
    , m_redistributionParameter(redistributionParameter)
{
    normalizeMeta();
    readFlags();
}

TransitionProbability::~TransitionProbability() = default;

void TransitionProbability::normalizeMeta()
{
    const QList<QPair<QString, QString>> defaults = {
        {QStringLiteral("description"), QString()},
        {QStringLiteral("weblink"), QString()},
        {QStringLiteral("redistribute"), QStringLiteral("no")},
        {QStringLiteral("direct type"), QStringLiteral("yes")},
        {QStringLiteral("duration"), QStringLiteral("-1")},
    };
    DataArray::Meta meta = m_probabilityParameter.meta();
    for (const auto& entry : defaults) {
        if (!meta.contains(entry.first))
            meta.insert(entry.first, entry.second);
    }
    m_probabilityParameter.setMeta(meta);
}

void TransitionProbability::readFlags()
{
    m_redistribute = m_probabilityParameter.metaValue(QStringLiteral("redistribute")).toLower() == QLatin1String("yes");
    m_direct = m_probabilityParameter.metaValue(QStringLiteral("direct type")).toLower() == QLatin1String("yes");
    const QString duration = m_probabilityParameter.metaValue(QStringLiteral("duration"));
    FormulaChecker checker;
    m_annualDuration.setFormula(checker.check(duration) ? duration : QStringLiteral("-1"));
}

void TransitionProbability::setProbabilityParameter(const DataArray& probability)
{
    m_probabilityParameter = probability;
    readFlags();
}

void TransitionProbability::setProbabilityMeta(const DataArray::Meta& meta)
{
    m_probabilityParameter.setMeta(meta);
    readFlags();
}

void TransitionProbability::setRedistributionParameter(const DataArray& redistribution)
{
    m_redistributionParameter = redistribution;
}

void TransitionProbability::initializeParsers()
{
    m_probabilityParameter.initializeParser();
    m_redistributionParameter.initializeParser();
}

void TransitionProbability::sample()
{
    m_probabilityParameter.evaluate();
    m_redistributionParameter.evaluate();
    m_probability = m_probabilityParameter.values();
    m_redistribution = m_redistributionParameter.values();
}

} // namespace fn
