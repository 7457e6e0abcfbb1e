#include "fn/data/ElementParams.h"

namespace fn {

ElementParams::~ElementParams() = default;

void ElementParams::set(const QString& country, const QString& disease, const QString& tree,
                        const QString& element, const DataArray& array)
{
    m_map[country][disease][tree].insert(element, array);
}

const DataArray* ElementParams::find(const QString& country, const QString& disease, const QString& tree,
                                     const QString& element) const
{
    auto countryIt = m_map.constFind(country);
    if (countryIt == m_map.constEnd())
        countryIt = m_map.constFind(QStringLiteral("Generic"));
    if (countryIt == m_map.constEnd())
        return nullptr;
    const auto diseaseIt = countryIt->constFind(disease);
    if (diseaseIt == countryIt->constEnd())
        return nullptr;
    const auto treeIt = diseaseIt->constFind(tree);
    if (treeIt == diseaseIt->constEnd())
        return nullptr;
    const auto elementIt = treeIt->constFind(element);
    if (elementIt == treeIt->constEnd())
        return nullptr;
    return &elementIt.value();
}

} // namespace fn
