#pragma once

#include <QMap>
#include <QString>

#include "fn/values/DataArray.h"

namespace fn {

class CacheStream;

// One kind of outcome-tree element parameter for all of the reference data:
// country -> disease -> outcome tree -> element -> array.
class ElementParams
{
public:
    using ElementMap = QMap<QString, DataArray>;
    using TreeMap = QMap<QString, ElementMap>;
    using DiseaseMap = QMap<QString, TreeMap>;
    using CountryMap = QMap<QString, DiseaseMap>;

    ElementParams() = default;
    ElementParams(const ElementParams&) = default;
    ElementParams& operator=(const ElementParams&) = default;
    virtual ~ElementParams();

    void set(const QString& country, const QString& disease, const QString& tree, const QString& element,
             const DataArray& array);
    // The stored array, or null. A country without any entry of its own is answered from
    // "Generic"; a country with entries never falls back, even for a disease it lacks.
    const DataArray* find(const QString& country, const QString& disease, const QString& tree,
                          const QString& element) const;

    const CountryMap& map() const { return m_map; }
    void setMap(const CountryMap& map) { m_map = map; }
    void clear() { m_map.clear(); }
    bool isEmpty() const { return m_map.isEmpty(); }

    // The nested map as one part of the cache file; reading replaces the content.
    void write(CacheStream& stream) const;
    void read(CacheStream& stream);

private:
    CountryMap m_map;
};

} // namespace fn
