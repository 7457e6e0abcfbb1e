#pragma once

#include <QFileInfo>
#include <QIODevice>
#include <QFileInfoList>
#include <QMap>
#include <QMultiMap>
#include <QObject>
#include <QString>
#include <QStringList>

#include "fn/InputType.h"
#include "fn/data/templates/DiseaseTemplateMgr.h"
#include "fn/data/params/ParamsMgr.h"
#include "fn/data/ReferenceDataImporter.h"
#include "fn/data/params/TransitionParamsMgr.h"
#include "fn/values/DataArray.h"
#include "fn/values/InputFactorMgr.h"

class QDataStream;

namespace fn {

class CacheStream;

// All reference data: per country its caption, life expectancy and age distribution; per
// disease its template and run factors; per country and disease everything else. The
// pseudo-country "Generic" answers for countries without data of their own. Loaded from
// the cache file "referenceData.dat" in the base folder and refilled by an import of the
// reference workbooks, which rewrites the cache.
class InputDataMgr : public QObject
{
    Q_OBJECT

public:
    using ArrayMap = QMap<QString, DataArray>;
    using CountryArrays = QMap<QString, DataArray>;
    using CountryDiseaseArrays = QMap<QString, ArrayMap>;
    using RunFactorMap = QMap<QString, QMap<QString, ArrayMap>>;
    using KeyValues = QMap<QString, QString>;
    using UnderestimationTypeMap = QMap<QString, QMap<QString, KeyValues>>;
    using CountryDiseaseMap = QMultiMap<QString, QString>;

    explicit InputDataMgr(QObject* parent = nullptr);
    ~InputDataMgr() override;

    // Clears the imported data, reads the workbooks and rewrites the cache; shows an
    // error message and keeps everything when a workbook is missing.
    void importFromWorkbooks();
    // Writes the cache file; an earlier file survives a failed save. False on failure, with
    // the path and the system's reason in errorString.
    bool saveCache(QString* errorString = nullptr) const;
    QString cacheFilePath() const;

    bool hasDisease(const InputType::Country& country, const InputType::Disease& disease) const;
    bool hasDiseaseTemplate(const InputType::Disease& disease) const;

    DiseaseTemplateMgr& diseaseTemplates() { return m_diseaseTemplates; }
    const DiseaseTemplateMgr& diseaseTemplates() const { return m_diseaseTemplates; }
    InputFactorMgr& inputFactors() { return m_inputFactors; }
    const InputFactorMgr& inputFactors() const { return m_inputFactors; }
    ParamsMgr& params() { return m_params; }
    const ParamsMgr& params() const { return m_params; }
    TransitionParamsMgr& transitionParams() { return m_transitionParams; }
    const TransitionParamsMgr& transitionParams() const { return m_transitionParams; }

    QStringList diseaseIds() const { return m_diseaseIds; }
    // Empty unless the country has both a life expectancy and an age distribution.
    QString countryCaption(const InputType::Country& country) const;
    // Insert an empty array for an unknown country.
    DataArray& lifeExpectancy(const InputType::Country& country);
    DataArray& ageDistribution(const InputType::Country& country);
    bool hasLifeExpectancy(const InputType::Country& country) const { return m_lifeExpectancy.contains(country); }
    bool hasAgeDistribution(const InputType::Country& country) const { return m_ageDistribution.contains(country); }
    // Both, with cells: creating a model of a country the store does not know leaves empty
    // arrays for it here.
    bool hasPopulationData(const InputType::Country& country) const;
    // The countries that have, those of the known list first in its order, then any others.
    QStringList countriesWithPopulationData() const;
    // Whether the id stands for something other than one country: a region made of countries
    // (EUEEA, always), a placeholder or the fallback data set ("Generic", always). The reference
    // data say which others are; the workbooks carry no such mark, so the two known ones hold
    // whatever built the store.
    bool isRegion(const InputType::Country& country) const;
    const QStringList& regions() const { return m_regions; }
    void setRegion(const InputType::Country& country, bool region);
    // These fall back to "Generic" when the country has no entry at all, and give an
    // empty array when the disease is absent.
    DataArray notificationData(const InputType::Country& country, const InputType::Disease& disease) const;
    DataArray outcomeTreeMapping(const InputType::Country& country, const InputType::Disease& disease) const;
    DataArray runFactor(const InputType::Country& country, const InputType::Disease& disease,
                        const QString& label) const;
    // The "type" entry as an integer; 0 when absent or not an integer.
    int underestimationType(const InputType::Country& country, const InputType::Disease& disease) const;

    // Filled by the workbook import.
    void setCountryCaption(const InputType::Country& country, const QString& caption);
    void setLifeExpectancy(const InputType::Country& country, const DataArray& array);
    void setAgeDistribution(const InputType::Country& country, const DataArray& array);
    void setNotificationData(const InputType::Country& country, const InputType::Disease& disease,
                             const DataArray& array);
    void setOutcomeTreeMapping(const InputType::Country& country, const InputType::Disease& disease,
                               const DataArray& array);
    void setRunFactor(const InputType::Country& country, const InputType::Disease& disease, const QString& label,
                      const DataArray& array);
    void setUnderestimationTypes(const InputType::Country& country, const InputType::Disease& disease,
                                 const KeyValues& values);
    void addCountryDisease(const InputType::Country& country, const InputType::Disease& disease);
    void appendDiseaseId(const InputType::Disease& disease);
    // Announces one sheet of a reference workbook being read by the import.
    void reportSheetImporting(const QString& fileName, const QString& sheetName);
    // Tells the user why a reference workbook could not be read (an "error" message).
    void reportImportProblem(const QString& text);
    // Tells the user of something the import passed over in a workbook it read (a "warning").
    void reportImportWarning(const QString& text);
    // Replaces the critical message box through which the import reports a workbook it
    // could not read; an empty reporter restores the message box.
    void setImportErrorReporter(ReferenceDataImporter::ErrorReporter reporter);

    // Replaces the content by the cache read from device (the parts after a damaged one come
    // back empty); false when the cache is damaged, which is then reported naming fileName.
    bool loadCache(QIODevice& device, const QString& fileName);

    const QString& dirPath() const { return m_dirPath; }
    // Only sets the base folder, without loading its cache: for building a cache from other sources.
    void setDirPath(const QString& path) { m_dirPath = path; }
    const QFileInfo& diseaseDataFile() const { return m_diseaseDataFile; }
    const QFileInfo& countryDataFile() const { return m_countryDataFile; }
    const QFileInfoList& modelDataFiles() const { return m_modelDataFiles; }

    const QMap<QString, QString>& countryCaptions() const { return m_countryCaptions; }
    const CountryArrays& lifeExpectancies() const { return m_lifeExpectancy; }
    const CountryArrays& ageDistributions() const { return m_ageDistribution; }
    const CountryDiseaseArrays& notificationDataMap() const { return m_notificationData; }
    const CountryDiseaseArrays& outcomeTreeMappings() const { return m_outcomeTreeMappings; }
    const RunFactorMap& runFactors() const { return m_runFactors; }
    const UnderestimationTypeMap& underestimationTypes() const { return m_underestimationTypes; }
    const CountryDiseaseMap& countryDiseases() const { return m_countryDiseases; }

signals:
    void excelSheetImporting(fn::FileOperationType operationType, QString dataType, QString text1, QString text2);
    void showMessage(QString title, QString text, QString type);

public slots:
    // Sets the base folder, loads its cache file and locates the reference workbooks.
    void setPath(QString appPath);

private:
    void loadCache();
    // The name of the first part that could not be read, empty when all were.
    QString readCache(CacheStream& stream);
    void writeCache(CacheStream& stream) const;
    void clearImportedData();
    // Reads the three kinds of reference workbook into the store.
    void readWorkbooks();

    QString m_dirPath;
    QFileInfo m_diseaseDataFile;
    QFileInfo m_countryDataFile;
    QFileInfoList m_modelDataFiles;
    DiseaseTemplateMgr m_diseaseTemplates;
    InputFactorMgr m_inputFactors;
    QMap<QString, QString> m_countryCaptions;
    CountryArrays m_lifeExpectancy;
    CountryArrays m_ageDistribution;
    ParamsMgr m_params;
    CountryDiseaseArrays m_notificationData;
    CountryDiseaseArrays m_outcomeTreeMappings;
    TransitionParamsMgr m_transitionParams;
    RunFactorMap m_runFactors;
    UnderestimationTypeMap m_underestimationTypes;
    CountryDiseaseMap m_countryDiseases;
    QStringList m_diseaseIds;
    // Kept by an import of the workbooks, which carry no such mark.
    QStringList m_regions;
    ReferenceDataImporter::ErrorReporter m_importErrorReporter;
};

} // namespace fn
