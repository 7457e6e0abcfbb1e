#pragma once

#include <cstdint>
#include <vector>

#include <QString>
#include <QStringList>

namespace batch {

// What the batch program is asked to do, read from its command line. Values are checked as
// they are read: a value that is not what its option takes is an error naming the option and
// the value, never silently 0.
class BatchOptions
{
public:
    // Reads arguments (the program name first). False with errorString() set when they are
    // not usable; helpRequested() when the user asked for the usage text.
    bool parse(const QStringList& arguments);

    QString errorString() const { return m_errorString; }
    bool helpRequested() const { return m_helpRequested; }
    bool versionRequested() const { return m_versionRequested; }
    static QString usage(const QString& program);

    // "all", or the ids given, in their order.
    bool allCountries() const { return m_countries.isEmpty(); }
    const QStringList& countries() const { return m_countries; }
    bool allDiseases() const { return m_diseases.isEmpty(); }
    const QStringList& diseases() const { return m_diseases; }
    std::uint32_t sampleSize() const { return m_sampleSize; }
    double timeDiscountRate() const { return m_timeDiscountRate; }
    std::uint32_t randomSeed() const { return m_randomSeed; }
    // With a seed other than 0: every model from the seed's engine state (shared), or each
    // country-disease pair from a state of its own derived from the seed and the two ids.
    enum class Seeding { Independent, Shared };
    Seeding seeding() const { return m_seeding; }
    bool seedingGiven() const { return m_seedingGiven; }
    // 0: as many as the machine has cores.
    int threads() const { return m_threads; }
    const QString& outputPath() const { return m_outputPath; }
    // Where the uncertainty analysis of every model goes; empty when none was asked for.
    const QString& sensitivityPath() const { return m_sensitivityPath; }
    // The folder with the reference data cache and the models folder; empty for the program's.
    const QString& dataFolder() const { return m_dataFolder; }
    // The results as one long table (see TidyTable); empty when none was asked for.
    const QString& tablePath() const { return m_tablePath; }
    // The per-iteration values of every model (see DrawsWriter); empty when none were asked for.
    const QString& drawsPath() const { return m_drawsPath; }
    bool drawsByStratum() const { return m_drawsByStratum; }
    // A scenario's data, run beside the base data with the same seeds (--scenario NAME=FOLDER).
    struct Scenario
    {
        QString name;
        QString dataFolder;
    };
    const std::vector<Scenario>& scenarios() const { return m_scenarios; }
    // Documents indented for reading rather than compact.
    bool pretty() const { return m_pretty; }
    // The arguments as given, for the provenance of the results.
    const QStringList& arguments() const { return m_arguments; }

private:
    bool fail(const QString& text);
    static QStringList idList(const QString& value);

    QStringList m_countries;
    QStringList m_diseases;
    std::uint32_t m_sampleSize = 1000;
    double m_timeDiscountRate = 0.0;
    std::uint32_t m_randomSeed = 0;
    Seeding m_seeding = Seeding::Independent;
    bool m_seedingGiven = false;
    int m_threads = 0;
    QString m_outputPath;
    QString m_dataFolder;
    QString m_sensitivityPath;
    QString m_tablePath;
    QString m_drawsPath;
    bool m_drawsByStratum = false;
    bool m_pretty = false;
    std::vector<Scenario> m_scenarios;
    QStringList m_arguments;
    bool m_helpRequested = false;
    bool m_versionRequested = false;
    QString m_errorString;
};

} // namespace batch
