#include "ui/PopulationCheck.h"

#include <QStringList>
#include <QVariantMap>

#include "fn/KnownIds.h"
#include "fn/data/InputDataMgr.h"

namespace ui {

PopulationCheck::PopulationCheck(fn::InputDataMgr& store)
    : m_store(store)
{
}

bool PopulationCheck::hasPopulationData(const fn::InputType::Country& country) const
{
    return m_store.hasPopulationData(country);
}

QVariantList PopulationCheck::countries() const
{
    QVariantList list;
    for (const QString& id : fn::knownCountryIds()) {
        // The store names only countries with population data; the others keep their id.
        const QString caption = m_store.countryCaptions().value(id);
        list << QVariantMap{{QStringLiteral("id"), id},
                            {QStringLiteral("name"), caption.isEmpty() ? id : caption},
                            {QStringLiteral("hasPopulationData"), hasPopulationData(id)}};
    }
    return list;
}

int PopulationCheck::countriesWithPopulationData() const
{
    int count = 0;
    for (const QString& id : fn::knownCountryIds())
        count += hasPopulationData(id) ? 1 : 0;
    return count;
}

QString PopulationCheck::warningFor(const QVariantList& models) const
{
    QStringList countries;
    int count = 0;
    for (const QVariant& entry : models) {
        const QVariantMap info = entry.toMap();
        const QString id = info.value(QStringLiteral("countryID")).toString();
        if (hasPopulationData(id))
            continue;
        ++count;
        const QString name = info.value(QStringLiteral("countryName")).toString();
        if (!countries.contains(name.isEmpty() ? id : name))
            countries << (name.isEmpty() ? id : name);
    }
    if (count == 0)
        return {};
    return QStringLiteral("No population data (age distribution and life expectancy) for %1 in the reference "
                          "data.<br />The burden of %2 of the new models cannot be computed: their YLL, DALY and "
                          "figures per 100 000 population would show as 0.")
        .arg(countries.join(QStringLiteral(", ")))
        .arg(count);
}

} // namespace ui
