#pragma once

#include <memory>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QVariantMap>

#include "fn/data/InputDataMgr.h"
#include "fn/data/templates/JSONDiseaseTemplate.h"
#include "fn/model/DiseaseModel.h"

namespace testing_support {

inline QJsonObject readJsonObject(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QJsonDocument::fromJson(file.readAll()).object();
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

    JsonModel(const QJsonObject& specification, const QStringList& population, const QStringList& lifeExpectancy)
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

inline double mean(const QVariant& statistics)
{
    return statistics.toMap().value(QStringLiteral("Mean")).toDouble();
}

} // namespace testing_support
