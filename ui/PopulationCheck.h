#pragma once

#include <QString>
#include <QVariantList>

#include "fn/InputType.h"

namespace fn {
class InputDataMgr;
}

namespace ui {

// Which countries the reference data give a population for. A model of a country without
// one runs, but its burden cannot be computed: years of life lost need the life expectancy,
// the figures per 100 000 the age distribution.
class PopulationCheck
{
public:
    // The store is only read (its array accessors are not const).
    explicit PopulationCheck(fn::InputDataMgr& store);

    // Both the age distribution and the life expectancy of the country, with cells: creating a
    // model of a country the store does not know leaves empty arrays for it there.
    bool hasPopulationData(const fn::InputType::Country& country) const;
    // The known countries in their fixed order, each with "id", "name" and "hasPopulationData".
    QVariantList countries() const;
    int countriesWithPopulationData() const;
    // The warning for new models (their info maps) of countries without population data;
    // empty when every model has one.
    QString warningFor(const QVariantList& models) const;

private:
    fn::InputDataMgr& m_store;
};

} // namespace ui
