#pragma once

#include <QDir>
#include <QFile>

#include "fn/data/InputDataMgr.h"
#include "fn/values/DataArray.h"
#include "fn/values/InputFactor.h"

// The sample base folder of the controller's and the shell's tests.
namespace guitest {

const QString country = "Austria";
const QString bsiDisease = "IllustrativeCRKPBSI";
const QString listeriosisDisease = "IllustrativeListeriosis";

inline QStringList ageGroups()
{
    QStringList groups;
    for (int from = 0; from < 90; from += 5)
        groups << QStringLiteral("%1-%2").arg(from).arg(from + 4);
    return groups << "90+";
}

// Copies the sample specifications into models/ and writes a reference data cache with a
// plausible population of one country: 19 age groups by sex.
inline bool prepareBaseFolder(const QString& path)
{
    QDir base(path);
    if (!base.mkpath("models"))
        return false;
    const QDir samples(QStringLiteral(OZMID_TEST_DATA_DIR "/../models"));
    const QStringList specifications = samples.entryList({"*.json"}, QDir::Files);
    for (const QString& file : specifications) {
        if (!QFile::copy(samples.filePath(file), base.filePath(QStringLiteral("models/") + file)))
            return false;
    }
    const QVector<fn::InputFactor> factors = {fn::InputFactor("Age", ageGroups()),
                                              fn::InputFactor("Sex", {"Female", "Male"})};
    QStringList population, lifeExpectancy;
    for (int i = 0; i < ageGroups().size(); ++i) {
        population << QString::number(230000 - 4000 * i) << QString::number(240000 - 6000 * i);
        lifeExpectancy << QString::number(qMax(3.0, 84.0 - 4.6 * i)) << QString::number(qMax(2.5, 79.5 - 4.6 * i));
    }
    fn::InputDataMgr store;
    store.setDirPath(path);
    store.setCountryCaption(country, country);
    store.setAgeDistribution(country, fn::DataArray(factors, "Age distribution", {}, population));
    store.setLifeExpectancy(country, fn::DataArray(factors, "Life expectancy", {}, lifeExpectancy));
    return store.saveCache() && !specifications.isEmpty();
}

} // namespace guitest
