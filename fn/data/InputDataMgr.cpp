#include "fn/data/InputDataMgr.h"

#include <QDataStream>
#include <QDir>
#include <QBuffer>
#include <QFile>

#include "fn/KnownIds.h"
#include "fn/data/CacheStream.h"
#include "fn/data/StoreValue.h"
#include "ut/Diagnostics.h"
#include "ut/OutputFile.h"

namespace fn {

namespace {

const QString Generic = QStringLiteral("Generic");

// The country itself when the map has any entry for it, "Generic" otherwise.
template <typename Map>
QString dataSetOf(const Map& map, const QString& country)
{
    return map.contains(country) ? country : Generic;
}

void writeCountryArrays(CacheStream& stream, const InputDataMgr::CountryArrays& map)
{
    stream.writeMap(map, [&stream](const DataArray& array) { stream.writeDataArray(array); });
}

InputDataMgr::CountryArrays readCountryArrays(CacheStream& stream)
{
    return stream.readMap<DataArray>([&stream] { return stream.readDataArray(); });
}

void writeCountryDiseaseArrays(CacheStream& stream, const InputDataMgr::CountryDiseaseArrays& map)
{
    stream.writeMap(map, [&stream](const InputDataMgr::ArrayMap& arrays) { writeCountryArrays(stream, arrays); });
}

InputDataMgr::CountryDiseaseArrays readCountryDiseaseArrays(CacheStream& stream)
{
    return stream.readMap<InputDataMgr::ArrayMap>([&stream] { return readCountryArrays(stream); });
}

void writeInputFactors(CacheStream& stream, const InputFactorMgr& factors)
{
    const InputFactorMgr::FactorMap& map = factors.factorMap();
    stream.writeCount(static_cast<int>(map.size()));
    for (auto it = map.crbegin(); it != map.crend(); ++it) {
        stream.writeString(it->first);
        stream.writeFactors(QVector<InputFactor>(it->second.begin(), it->second.end()));
    }
}

InputFactorMgr::FactorMap readInputFactors(CacheStream& stream)
{
    InputFactorMgr::FactorMap map;
    const int count = stream.readCount();
    for (int i = 0; i < count && stream.ok(); ++i) {
        const QString disease = stream.readString();
        const QVector<InputFactor> factors = stream.readFactors();
        // Every model of the disease has arrays over these strata.
        if (!stream.reserveStrata(factors))
            break;
        map[disease] = std::deque<InputFactor>(factors.begin(), factors.end());
    }
    return map;
}

} // namespace

InputDataMgr::InputDataMgr(QObject* parent)
    : QObject(parent)
{
}

InputDataMgr::~InputDataMgr() = default;

QString InputDataMgr::cacheFilePath() const
{
    return m_dirPath + QStringLiteral("/referenceData.dat");
}

void InputDataMgr::setPath(QString appPath)
{
    m_dirPath = appPath;
    loadCache();
    const QDir referenceDir(QDir(m_dirPath).filePath(QStringLiteral("./referenceData/")));
    m_diseaseDataFile = ReferenceDataImporter::workbookFile(referenceDir, QStringLiteral("diseaseData"));
    m_countryDataFile = ReferenceDataImporter::workbookFile(referenceDir, QStringLiteral("countryData"));
    m_modelDataFiles = referenceDir.entryInfoList({QStringLiteral("modelData-") + QLatin1Char('*')},
                                                  QDir::Files | QDir::NoSymLinks | QDir::Readable, QDir::Name);
}

bool InputDataMgr::hasPopulationData(const InputType::Country& country) const
{
    return !m_ageDistribution.value(country).formulas().isEmpty()
        && !m_lifeExpectancy.value(country).formulas().isEmpty();
}

bool InputDataMgr::isRegion(const InputType::Country& country) const
{
    return country == Generic || country == QLatin1String("EUEEA") || m_regions.contains(country);
}

void InputDataMgr::setRegion(const InputType::Country& country, bool region)
{
    m_regions.removeAll(country);
    if (region)
        m_regions << country;
}

QStringList InputDataMgr::countriesWithPopulationData() const
{
    QStringList countries;
    for (const QString& country : knownCountryIds()) {
        if (hasPopulationData(country))
            countries << country;
    }
    for (auto it = m_ageDistribution.cbegin(); it != m_ageDistribution.cend(); ++it) {
        if (!countries.contains(it.key()) && hasPopulationData(it.key()))
            countries << it.key();
    }
    return countries;
}

void InputDataMgr::importFromWorkbooks()
{
    const QString dataType = QStringLiteral("Reference data");
    if (!QFile::exists(m_diseaseDataFile.filePath()) || !QFile::exists(m_countryDataFile.filePath())
        || m_modelDataFiles.isEmpty()) {
        emit showMessage(dataType, QStringLiteral("Reference data Excel files could not be found"),
                         QStringLiteral("error"));
        return;
    }
    emit excelSheetImporting(FileOperationType::Import, dataType, QStringLiteral("importStarted"), QString());
    clearImportedData();
    readWorkbooks();
    QString error;
    if (!saveCache(&error))
        emit showMessage(dataType,
                         QStringLiteral("The reference data cache could not be written. %1. The previous cache, if "
                                        "any, is unchanged.")
                             .arg(error.toHtmlEscaped()),
                         QStringLiteral("error"));
    emit excelSheetImporting(FileOperationType::Import, dataType, QStringLiteral("importFinished"), QString());
}

void InputDataMgr::readWorkbooks()
{
    ReferenceDataImporter(m_importErrorReporter).readWorkbooks(*this);
}

void InputDataMgr::reportSheetImporting(const QString& fileName, const QString& sheetName)
{
    emit excelSheetImporting(FileOperationType::Import, QStringLiteral("Reference data"), fileName, sheetName);
}

void InputDataMgr::reportImportProblem(const QString& text)
{
    emit showMessage(QStringLiteral("Reference data"), text, QStringLiteral("error"));
}

void InputDataMgr::reportImportWarning(const QString& text)
{
    emit showMessage(QStringLiteral("Reference data"), text, QStringLiteral("warning"));
}

void InputDataMgr::setImportErrorReporter(ReferenceDataImporter::ErrorReporter reporter)
{
    m_importErrorReporter = std::move(reporter);
}

void InputDataMgr::clearImportedData()
{
    // Captions and tree mappings are overwritten entry by entry by the import instead.
    m_lifeExpectancy.clear();
    m_ageDistribution.clear();
    m_notificationData.clear();
    m_runFactors.clear();
    m_underestimationTypes.clear();
    m_params.clear();
    m_transitionParams.clear();
    m_inputFactors.clear();
    m_diseaseTemplates.clear();
    m_countryDiseases.clear();
    m_diseaseIds.clear();
}

void InputDataMgr::loadCache()
{
    QFile file(cacheFilePath());
    if (!file.exists())
        return;
    // Read whole and parsed from memory: the loader checks what is left before every length it
    // trusts, which on a file would ask the system for the file's size each time.
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        ut::Diagnostics::report(QStringLiteral("Reference data cache %1 cannot be read: %2.")
                                    .arg(QDir::toNativeSeparators(file.fileName()), file.errorString()));
        return;
    }
    file.close();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    loadCache(buffer, QDir::toNativeSeparators(file.fileName()));
}

bool InputDataMgr::loadCache(QIODevice& device, const QString& fileName)
{
    QDataStream in(&device);
    CacheStream stream(in);
    const QString damagedPart = readCache(stream);
    if (damagedPart.isEmpty())
        return true;
    ut::Diagnostics::report(
        QStringLiteral("Reference data cache %1 is damaged or too large for the data it "
                       "describes: %2 and everything after it could not be read and are left empty.")
            .arg(fileName, damagedPart));
    return false;
}

bool InputDataMgr::saveCache(QString* errorString) const
{
    // Encoded in memory first (the loader reads it whole, too), then written in one piece.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QDataStream out(&buffer);
    CacheStream stream(out);
    writeCache(stream);
    QString error;
    if (out.status() != QDataStream::Ok)
        error = QStringLiteral("Cannot write \"%1\": the reference data could not be encoded.")
                    .arg(QDir::toNativeSeparators(cacheFilePath()));
    else if (ut::OutputFile::save(cacheFilePath(), bytes, &error))
        return true;
    if (errorString)
        *errorString = error;
    return false;
}

void InputDataMgr::writeCache(CacheStream& stream) const
{
    writeInputFactors(stream, m_inputFactors);
    stream.writeStringMap(m_countryCaptions);
    writeCountryArrays(stream, m_lifeExpectancy);
    writeCountryArrays(stream, m_ageDistribution);
    writeCountryDiseaseArrays(stream, m_outcomeTreeMappings);
    writeCountryDiseaseArrays(stream, m_notificationData);
    m_params.write(stream);
    m_diseaseTemplates.write(stream);
    m_transitionParams.write(stream);
    stream.writeMap(m_runFactors, [&stream](const QMap<QString, ArrayMap>& diseases) {
        writeCountryDiseaseArrays(stream, diseases);
    });
    stream.writeMap(m_underestimationTypes, [&stream](const QMap<QString, KeyValues>& diseases) {
        stream.writeMap(diseases, [&stream](const KeyValues& values) { stream.writeStringMap(values); });
    });
    stream.writeMultiMap(m_countryDiseases);
    stream.writeStringList(m_diseaseIds);
    // After the parts every reader knows, so that a reader of an older format still reads its own.
    stream.writeStringList(m_regions);
}

QString InputDataMgr::readCache(CacheStream& stream)
{
    // Every part replaces its field; after a damaged part the stream yields only empty parts.
    QString damagedPart;
    const auto part = [&stream, &damagedPart](const char* name) {
        if (damagedPart.isEmpty() && !stream.ok())
            damagedPart = QLatin1String(name);
    };
    m_inputFactors.setFactorMap(readInputFactors(stream));
    part("the input factors");
    m_countryCaptions = stream.readStringMap();
    part("the country names");
    m_lifeExpectancy = readCountryArrays(stream);
    part("the life expectancies");
    m_ageDistribution = readCountryArrays(stream);
    part("the age distributions");
    m_outcomeTreeMappings = readCountryDiseaseArrays(stream);
    part("the outcome tree mappings");
    m_notificationData = readCountryDiseaseArrays(stream);
    part("the notification data");
    m_params.read(stream);
    part("the health state parameters");
    m_diseaseTemplates.read(stream);
    part("the disease templates");
    m_transitionParams.read(stream);
    part("the transition parameters");
    m_runFactors = stream.readMap<QMap<QString, ArrayMap>>([&stream] { return readCountryDiseaseArrays(stream); });
    part("the run factors");
    m_underestimationTypes = stream.readMap<QMap<QString, KeyValues>>(
        [&stream] { return stream.readMap<KeyValues>([&stream] { return stream.readStringMap(); }); });
    part("the underestimation types");
    m_countryDiseases = stream.readMultiMap();
    part("the list of countries and diseases");
    m_diseaseIds = stream.readStringList();
    part("the list of diseases");
    // A cache written before regions were marked ends here.
    m_regions = stream.ok() && stream.atEnd() ? QStringList() : stream.readStringList();
    part("the list of regions");
    return damagedPart;
}

bool InputDataMgr::hasDisease(const InputType::Country& country, const InputType::Disease& disease) const
{
    return m_countryDiseases.contains(dataSetOf(m_countryDiseases, country), disease);
}

bool InputDataMgr::hasDiseaseTemplate(const InputType::Disease& disease) const
{
    return m_diseaseTemplates.contains(disease);
}

QString InputDataMgr::countryCaption(const InputType::Country& country) const
{
    if (!m_lifeExpectancy.contains(country) || !m_ageDistribution.contains(country))
        return QString();
    return m_countryCaptions.value(country);
}

DataArray& InputDataMgr::lifeExpectancy(const InputType::Country& country)
{
    return m_lifeExpectancy[country];
}

DataArray& InputDataMgr::ageDistribution(const InputType::Country& country)
{
    return m_ageDistribution[country];
}

DataArray InputDataMgr::notificationData(const InputType::Country& country, const InputType::Disease& disease) const
{
    return m_notificationData.value(dataSetOf(m_notificationData, country)).value(disease);
}

DataArray InputDataMgr::outcomeTreeMapping(const InputType::Country& country, const InputType::Disease& disease) const
{
    return m_outcomeTreeMappings.value(dataSetOf(m_outcomeTreeMappings, country)).value(disease);
}

DataArray InputDataMgr::runFactor(const InputType::Country& country, const InputType::Disease& disease,
                                  const QString& label) const
{
    return m_runFactors.value(dataSetOf(m_runFactors, country)).value(disease).value(label);
}

int InputDataMgr::underestimationType(const InputType::Country& country, const InputType::Disease& disease) const
{
    const KeyValues values = m_underestimationTypes.value(dataSetOf(m_underestimationTypes, country)).value(disease);
    bool ok = false;
    const int type = values.value(QStringLiteral("type")).toInt(&ok);
    return ok ? type : 0;
}

void InputDataMgr::setCountryCaption(const InputType::Country& country, const QString& caption)
{
    m_countryCaptions.insert(country, caption);
}

void InputDataMgr::setLifeExpectancy(const InputType::Country& country, const DataArray& array)
{
    storeValue(m_lifeExpectancy, country, array);
}

void InputDataMgr::setAgeDistribution(const InputType::Country& country, const DataArray& array)
{
    storeValue(m_ageDistribution, country, array);
}

void InputDataMgr::setNotificationData(const InputType::Country& country, const InputType::Disease& disease,
                                       const DataArray& array)
{
    storeValue(m_notificationData[country], disease, array);
}

void InputDataMgr::setOutcomeTreeMapping(const InputType::Country& country, const InputType::Disease& disease,
                                         const DataArray& array)
{
    storeValue(m_outcomeTreeMappings[country], disease, array);
}

void InputDataMgr::setRunFactor(const InputType::Country& country, const InputType::Disease& disease,
                                const QString& label, const DataArray& array)
{
    storeValue(m_runFactors[country][disease], label, array);
}

void InputDataMgr::setUnderestimationTypes(const InputType::Country& country, const InputType::Disease& disease,
                                           const KeyValues& values)
{
    m_underestimationTypes[country].insert(disease, values);
}

void InputDataMgr::addCountryDisease(const InputType::Country& country, const InputType::Disease& disease)
{
    m_countryDiseases.insert(country, disease);
}

void InputDataMgr::appendDiseaseId(const InputType::Disease& disease)
{
    m_diseaseIds << disease;
}

} // namespace fn
