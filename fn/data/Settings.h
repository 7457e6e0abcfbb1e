#pragma once

#include <QSettings>
#include <QString>

namespace fn {

// The Monte-Carlo run settings that persist between program starts, kept in an INI file
// named after the application in the current working directory.
class Settings
{
public:
    Settings();
    virtual ~Settings();
    Settings(const Settings&) = delete;
    Settings& operator=(const Settings&) = delete;

    // The application name followed by ".ini", relative to the working directory.
    static QString fileName();
    QString filePath() const { return m_settings.fileName(); }

    // Absent keys give 1000, 0 and 0.0; a stored text that is not a number gives 0.
    int defaultNumberOfSamples() const;
    int randomSeed() const;
    double timeDiscountRate() const;
    // Threads a run uses ("RunSettings/Threads"); absent or 0: as many as the machine has cores.
    int threadCount() const;
    // Whether runs analyse their uncertainty ("RunSettings/SensitivityAnalysis"): the standard
    // errors of the means, convergence and sensitivity, written beside the results.
    bool sensitivityAnalysis() const;
    // The format of the results table the command line writes beside its results document
    // ("RunSettings/ResultsTable": "csv", "csv.gz" or "xlsx"); absent or empty for none.
    QString resultsTableFormat() const;

    void setDefaultNumberOfSamples(quint32 numberOfSamples);
    // 0 asks for a time-dependent seed.
    void setRandomSeed(quint32 seed);
    void setTimeDiscountRate(double rate);
    void setThreadCount(quint32 threads);
    void setSensitivityAnalysis(bool analyze);
    void setResultsTableFormat(const QString& format);
    void sync();

private:
    void setRunSetting(const QString& key, const QVariant& value);

    QSettings m_settings;
};

} // namespace fn
