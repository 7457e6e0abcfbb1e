#include "app/refdata/sources/CountrySource.h"

#include "fn/KnownIds.h"
#include "app/refdata/sources/FactorSource.h"
#include "app/refdata/sources/SourceArrayReader.h"

namespace refdata {

void CountrySource::read(const SourceObject& document, fn::InputDataMgr& store)
{
    document.allowOnly(
        {QStringLiteral("kind"), QStringLiteral("note"), QStringLiteral("factors"), QStringLiteral("countries")});
    SourceArrayReader arrays(
        FactorSource::read(document.array(QStringLiteral("factors")), document.path(QStringLiteral("factors"))));
    const SourceObject countries = document.object(QStringLiteral("countries"));
    for (const QString& id : countries.keys()) {
        if (!fn::knownCountryIds().contains(id))
            countries.path(id).fail(QStringLiteral("\"%1\" is not a known country id").arg(id));
        if (store.hasAgeDistribution(id))
            countries.path(id).fail(QStringLiteral("the country \"%1\" is already defined by another file").arg(id));
        const SourceObject country = countries.object(id);
        country.allowOnly({QStringLiteral("caption"), QStringLiteral("region"), QStringLiteral("population"),
                           QStringLiteral("lifeExpectancy")});
        const QString caption = country.identifier(QStringLiteral("caption"));
        const fn::DataArray population = arrays.read(country.required(QStringLiteral("population")),
                                                     QStringLiteral("Age distribution"),
                                                     country.path(QStringLiteral("population")));
        const fn::DataArray lifeExpectancy = arrays.read(country.required(QStringLiteral("lifeExpectancy")),
                                                         QStringLiteral("Life expectancy"),
                                                         country.path(QStringLiteral("lifeExpectancy")));
        store.setCountryCaption(id, caption);
        store.setAgeDistribution(id, population);
        store.setLifeExpectancy(id, lifeExpectancy);
        store.setRegion(id, country.has(QStringLiteral("region")) && country.boolean(QStringLiteral("region")));
    }
}

} // namespace refdata
