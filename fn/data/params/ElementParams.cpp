#include "fn/data/params/ElementParams.h"

#include "fn/data/CacheStream.h"
#include "fn/data/StoreValue.h"

namespace fn {

ElementParams::~ElementParams() = default;

void ElementParams::set(const QString& country, const QString& disease, const QString& tree, const QString& element,
                        const DataArray& array)
{
    storeValue(m_map[country][disease][tree], element, array);
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

void ElementParams::write(CacheStream& stream) const
{
    stream.writeMap(m_map, [&stream](const DiseaseMap& diseases) {
        stream.writeMap(diseases, [&stream](const TreeMap& trees) {
            stream.writeMap(trees, [&stream](const ElementMap& elements) {
                stream.writeMap(elements, [&stream](const DataArray& array) { stream.writeDataArray(array); });
            });
        });
    });
}

void ElementParams::read(CacheStream& stream)
{
    m_map = stream.readMap<DiseaseMap>([&stream] {
        return stream.readMap<TreeMap>([&stream] {
            return stream.readMap<ElementMap>(
                [&stream] { return stream.readMap<DataArray>([&stream] { return stream.readDataArray(); }); });
        });
    });
}

} // namespace fn
