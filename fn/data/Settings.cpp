#include "fn/data/Settings.h"

#include <algorithm>

#include <QCoreApplication>

namespace fn {

namespace {

const QString Group = QStringLiteral("RunSettings");
const QString NumberOfSamplesKey = QStringLiteral("DefaultNumberOfSamples");
const QString RandomSeedKey = QStringLiteral("RandomSeed");
const QString TimeDiscountRateKey = QStringLiteral("TimeDiscountRate");
const QString ThreadsKey = QStringLiteral("Threads");
const QString SensitivityAnalysisKey = QStringLiteral("SensitivityAnalysis");
const QString ResultsTableKey = QStringLiteral("ResultsTable");

QString qualified(const QString& key)
{
    return Group + QLatin1Char('/') + key;
}

} // namespace

Settings::Settings()
    : m_settings(fileName(), QSettings::IniFormat)
{
}

Settings::~Settings() = default;

QString Settings::fileName()
{
    return QCoreApplication::applicationName() + QStringLiteral(".ini");
}

int Settings::defaultNumberOfSamples() const
{
    return m_settings.value(qualified(NumberOfSamplesKey), 1000).toInt();
}

int Settings::randomSeed() const
{
    return m_settings.value(qualified(RandomSeedKey), 0).toInt();
}

double Settings::timeDiscountRate() const
{
    return m_settings.value(qualified(TimeDiscountRateKey), 0.0).toDouble();
}

int Settings::threadCount() const
{
    return std::max(0, m_settings.value(qualified(ThreadsKey), 0).toInt());
}

bool Settings::sensitivityAnalysis() const
{
    return m_settings.value(qualified(SensitivityAnalysisKey), false).toBool();
}

QString Settings::resultsTableFormat() const
{
    return m_settings.value(qualified(ResultsTableKey)).toString().trimmed();
}

void Settings::setDefaultNumberOfSamples(quint32 numberOfSamples)
{
    setRunSetting(NumberOfSamplesKey, numberOfSamples);
}

void Settings::setRandomSeed(quint32 seed)
{
    setRunSetting(RandomSeedKey, seed);
}

void Settings::setTimeDiscountRate(double rate)
{
    setRunSetting(TimeDiscountRateKey, rate);
}

void Settings::setThreadCount(quint32 threads)
{
    setRunSetting(ThreadsKey, threads);
}

void Settings::setSensitivityAnalysis(bool analyze)
{
    setRunSetting(SensitivityAnalysisKey, analyze);
}

void Settings::setResultsTableFormat(const QString& format)
{
    setRunSetting(ResultsTableKey, format);
}

void Settings::sync()
{
    m_settings.sync();
}

void Settings::setRunSetting(const QString& key, const QVariant& value)
{
    m_settings.beginGroup(Group);
    m_settings.setValue(key, value);
    m_settings.endGroup();
}

} // namespace fn
