#pragma once

#include <cmath>
#include <memory>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QVariantMap>

#include "fn/data/InputDataMgr.h"
#include "fn/data/templates/JSONDiseaseTemplate.h"
#include "fn/model/DiseaseModel.h"

namespace testing_support {

// The JSON object of a file, with a text of it replaced first.
inline QJsonObject readJsonObject(const QString& path, const QByteArray& text = {}, const QByteArray& replacement = {})
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    QByteArray json = file.readAll();
    if (!text.isEmpty())
        json.replace(text, replacement);
    return QJsonDocument::fromJson(json).object();
}

inline QString fixture(const QString& name)
{
    return QStringLiteral(OZMID_TEST_DATA_DIR "/fn/model/fixtures/") + name;
}

// One of the shipped model specifications.
inline QString sampleModel(const QString& name)
{
    return QStringLiteral(OZMID_TEST_DATA_DIR "/../models/") + name;
}

// The level names "0", "1", ... of a factor with n levels.
inline QStringList levels(int n)
{
    QStringList names;
    for (int i = 0; i < n; ++i)
        names << QString::number(i);
    return names;
}

// One value per (age group, sex) stratum: first + step x age group, plus 1 for the second sex.
inline QStringList perStratum(int ageGroups, double first, double step)
{
    QStringList cells;
    for (int a = 0; a < ageGroups; ++a) {
        for (int s = 0; s < 2; ++s)
            cells << QString::number(first + step * a + s);
    }
    return cells;
}

// A reference data store with the population of one small country over the given factors.
inline void addCountry(fn::InputDataMgr& store, const QString& country, const QVector<fn::InputFactor>& factors,
                       const QStringList& population, const QStringList& lifeExpectancy)
{
    store.setAgeDistribution(country, fn::DataArray(factors, QStringLiteral("Age distribution"), {}, population));
    store.setLifeExpectancy(country, fn::DataArray(factors, QStringLiteral("Life expectancy"), {}, lifeExpectancy));
}

// A model of a specification, set up and ready to run, together with what it points to.
struct JsonModel
{
    fn::InputDataMgr store;
    fn::JSONDiseaseTemplate diseaseTemplate;
    std::unique_ptr<fn::DiseaseModel> model;

    // By default the two strata of specification() below: 1000 people of each sex, with 50 and 40 years to live.
    explicit JsonModel(const QJsonObject& specification, const QStringList& population = {"1000", "1000"},
                       const QStringList& lifeExpectancy = {"50", "40"})
        : diseaseTemplate(specification)
    {
        addCountry(store, QStringLiteral("Testland"), diseaseTemplate.factors(), population, lifeExpectancy);
        model = std::make_unique<fn::DiseaseModel>(&store, QStringLiteral("model 1"), QStringLiteral("Testland"),
                                                   QStringLiteral("Testland"), &diseaseTemplate);
        model->setUp();
    }

    void run(std::uint32_t iterations, double rate)
    {
        int treeIndex = -1;
        model->run(iterations, rate, treeIndex);
    }
};

// The two-tree fixture of four strata, with a text of its file replaced first.
struct TwoTreesModel : JsonModel
{
    explicit TwoTreesModel(const QByteArray& text = {}, const QByteArray& replacement = {},
                           const QStringList& population = {"1000", "900", "2000", "1800"})
        : JsonModel(readJsonObject(fixture(QStringLiteral("two-trees.model_spec.json")), text, replacement), population,
                    {"60", "55", "20", "15"})
    {
    }
};

// Small specifications over one age group and two sexes.
inline QJsonObject cells(const QString& female, const QString& male)
{
    // Braces around one QJsonArray copy it under clang; the explicit value nests it everywhere.
    return {{QStringLiteral("vals"), QJsonArray{QJsonValue(QJsonArray{female, male})}}};
}

inline QJsonObject cells(const QString& both)
{
    return cells(both, both);
}

inline QJsonObject state(const QString& id, const QString& severity, const QString& duration, const QString& proportion,
                         bool remaining = false)
{
    return {{"id", id},
            {"name", id},
            {"remainingCases", remaining},
            {"severityArray", cells(severity)},
            {"durationArray", cells(duration)},
            {"proportionArray", cells(proportion)}};
}

inline QJsonObject outcome(const QString& type, const QJsonObject& states = {}, const QString& duration = "0")
{
    return {{"name", QString(type + " outcome")},
            {"type", type},
            {"healthStates", states},
            {"severityArray", cells("0.1")},
            {"durationArray", cells(duration)}};
}

inline QJsonObject transition(const QString& id, const QString& source, const QString& target,
                              const QJsonObject& probability, const QJsonObject& extra = {})
{
    QJsonObject t{{"id", id},
                  {"name", id},
                  {"source", QJsonObject{{"id", source}}},
                  {"target", QJsonObject{{"id", target}}},
                  {"probabilityArray", probability},
                  {"redistributeArray", cells("0")}};
    for (auto it = extra.begin(); it != extra.end(); ++it)
        t.insert(it.key(), it.value());
    return t;
}

// One tree over one age group "all" and the two sexes.
inline QJsonObject specification(const QStringList& runOrder, const QJsonObject& outcomes,
                                 const QJsonObject& transitions, const QJsonObject& notified = cells("100"))
{
    QJsonObject small = QJsonDocument::fromJson(R"({"id": "Small", "name": "Small",
        "dims": {"order": ["age", "sex"], "values": {"age": ["all"], "sex": ["Female", "Male"]}}})")
                            .object();
    small.insert("rawCasesCountArray", notified);
    small.insert("outcomeTrees",
                 QJsonObject{{"t",
                              QJsonObject{{"id", "tree"},
                                          {"name", "Tree"},
                                          {"healthOutcomesRunOrder", QJsonArray::fromStringList(runOrder)},
                                          {"healthOutcomes", outcomes},
                                          {"transitions", transitions}}}});
    small.insert("outcomeTreeMapping", cells("tree"));
    return small;
}

// The specification over the given age groups, every array's single row repeated for each.
inline QJsonValue overAgeGroups(const QJsonValue& value, const QStringList& ages)
{
    if (value.isArray()) {
        QJsonArray array;
        for (const QJsonValue& item : value.toArray())
            array.append(overAgeGroups(item, ages));
        return array;
    }
    QJsonObject object = value.toObject();
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (it.key() == QLatin1String("vals")) {
            QJsonArray rows;
            for (int i = 0; i < ages.size(); ++i)
                rows.append(it.value().toArray().first());
            it.value() = rows;
        } else {
            it.value() = it.key() == QLatin1String("age") ? QJsonArray::fromStringList(ages)
                                                          : overAgeGroups(it.value(), ages);
        }
    }
    return value.isObject() ? QJsonValue(object) : value;
}

inline void overAgeGroups(QJsonObject& specification, const QStringList& ages)
{
    specification = overAgeGroups(QJsonValue(specification), ages).toObject();
}

// Results as compact JSON, to compare two runs byte for byte.
inline QByteArray json(const QVariantMap& map)
{
    return QJsonDocument(QJsonObject::fromVariantMap(map)).toJson(QJsonDocument::Compact);
}

// Years from onset to onset + duration discounted at rate, worked out independently of the program.
inline double discounted(double duration, double onset, double rate)
{
    return (std::pow(1 + rate, 1 - onset) - std::pow(1 + rate, 1 - onset - duration)) / rate;
}

inline double mean(const QVariant& statistics)
{
    return statistics.toMap().value(QStringLiteral("Mean")).toDouble();
}

} // namespace testing_support
