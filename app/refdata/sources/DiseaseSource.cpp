#include "app/refdata/sources/DiseaseSource.h"

#include "fn/KnownIds.h"
#include "app/refdata/sources/DataSetSource.h"
#include "app/refdata/sources/FactorSource.h"
#include "app/refdata/sources/OutcomeTreeSource.h"
#include "app/refdata/sources/SourceArrayReader.h"

namespace refdata {

namespace {

const QString Generic = QStringLiteral("Generic");

// Members of top replace those of base; the first levels objects are merged instead.
QJsonValue overlay(const QJsonValue& base, const QJsonValue& top, int levels)
{
    if (levels == 0 || !base.isObject() || !top.isObject())
        return top;
    QJsonObject merged = base.toObject();
    const QJsonObject topObject = top.toObject();
    for (auto it = topObject.begin(); it != topObject.end(); ++it)
        merged.insert(it.key(), overlay(merged.value(it.key()), it.value(), levels - 1));
    return merged;
}

} // namespace

QJsonObject DiseaseSource::overlaid(const QJsonObject& generic, const QJsonObject& own)
{
    // Tables and the underestimation type block are replaced whole; the parameters merge
    // down to single arrays: tree, element group, element, parameter.
    QJsonObject merged = generic;
    for (auto it = own.begin(); it != own.end(); ++it) {
        const int levels = it.key() == QLatin1String("parameters") ? 4 : 0;
        merged.insert(it.key(), overlay(generic.value(it.key()), it.value(), levels));
    }
    return merged;
}

void DiseaseSource::read(const SourceObject& document, fn::InputDataMgr& store)
{
    document.allowOnly({QStringLiteral("kind"), QStringLiteral("note"), QStringLiteral("id"), QStringLiteral("caption"),
                        QStringLiteral("runFactors"), QStringLiteral("outcomeTrees"), QStringLiteral("data")});
    const QString id = document.identifier(QStringLiteral("id"));
    if (store.hasDiseaseTemplate(id))
        document.path(QStringLiteral("id"))
            .fail(QStringLiteral("the disease \"%1\" is already defined by another file").arg(id));

    fn::DiseaseTemplate disease;
    disease.setId(id);
    disease.setCaption(document.identifier(QStringLiteral("caption")));
    const QJsonArray trees = document.array(QStringLiteral("outcomeTrees"));
    if (trees.isEmpty())
        document.path(QStringLiteral("outcomeTrees")).fail(QStringLiteral("a disease needs at least one outcome tree"));
    for (int i = 0; i < trees.size(); ++i) {
        const fn::OutcomeTreeTemplate tree = OutcomeTreeSource::read(
            SourceObject(trees.at(i), document.path(QStringLiteral("outcomeTrees")) / i));
        if (disease.outcomeTrees().contains(tree.id()))
            (document.path(QStringLiteral("outcomeTrees")) / i)
                .fail(QStringLiteral("the outcome tree \"%1\" is listed twice").arg(tree.id()));
        disease.addOutcomeTree(tree.id(), tree);
        disease.appendOutcomeTreeId(tree.id());
        const QString lower = tree.id().toLower();
        if (lower == QLatin1String("congenital") || lower == QLatin1String("perinatal"))
            disease.setCongenital(true);
    }

    const QVector<fn::InputFactor> factors = FactorSource::read(document.array(QStringLiteral("runFactors")),
                                                                document.path(QStringLiteral("runFactors")));
    const SourceObject data = document.object(QStringLiteral("data"));
    const QJsonObject generic = data.object(Generic).json();
    for (const QString& country : data.keys()) {
        if (!fn::knownCountryIds().contains(country))
            data.path(country).fail(QStringLiteral("\"%1\" is not a known country id").arg(country));
        if (country != Generic && !store.hasAgeDistribution(country))
            data.path(country).fail(
                QStringLiteral("the country \"%1\" has no population data in the country sources").arg(country));
    }

    store.diseaseTemplates().add(id, disease);
    for (const fn::InputFactor& factor : factors)
        store.inputFactors().addInputFactor(id, factor.name(), factor.levels());
    store.appendDiseaseId(id);

    SourceArrayReader arrays(factors);
    DataSetSource dataSets(store.diseaseTemplates().get(id), arrays);
    // Generic first, so that its faults are reported where they are, not in a country.
    dataSets.read(data.object(Generic), Generic, store);
    store.addCountryDisease(Generic, id);
    for (const QString& country : data.keys()) {
        if (country == Generic)
            continue;
        const SourceObject own = data.object(country);
        dataSets.read(SourceObject(overlaid(generic, own.json()), own.path()), country, store);
        store.addCountryDisease(country, id);
    }
}

} // namespace refdata
