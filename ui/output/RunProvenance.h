#pragma once

#include <cstdint>

#include <QJsonObject>
#include <QString>
#include <QStringList>

namespace ui {

// Where a set of results came from: the program (version and commit), when (UTC) and how it was
// started, the data it read (with their SHA-256, so that a changed cache or specification shows),
// the Monte-Carlo settings, and what of the machine decides the floating-point results. Written
// beside or into every results document and table, so that a file found months later can be
// traced and rerun.
class RunProvenance
{
public:
    RunProvenance();

    void setCommandLine(const QStringList& arguments) { m_commandLine = arguments; }
    // The folder with the reference data cache; its cache file is hashed.
    void setDataFolder(const QString& folder) { m_dataFolder = folder; }
    // A model specification or workbook that was read; hashed.
    void addInput(const QString& path) { m_inputs << path; }
    // Every model specification of a models folder (they are all read).
    void addInputsOf(const QString& modelsFolder);
    void setIterations(std::uint32_t iterations) { m_iterations = iterations; }
    void setTimeDiscountRate(double rate) { m_timeDiscountRate = rate; }
    void setRandomSeed(std::uint32_t seed) { m_randomSeed = seed; }
    // How models get their random numbers from the seed, in the words of the program's options.
    void setSeeding(const QString& seeding) { m_seeding = seeding; }
    void setThreads(int threads) { m_threads = threads; }
    void setUncertaintyAnalysis(bool analyzing) { m_uncertaintyAnalysis = analyzing; }

    // The record, with the files hashed now; a file that cannot be read has a null hash and a
    // "readError".
    QJsonObject toJson() const;

    // SHA-256 of a file in hexadecimal; empty when it cannot be read.
    static QString sha256(const QString& path, QString* error = nullptr);
    // Where the provenance of a results file goes: "results.run.json" beside "results.json"
    // (also for .csv, .csv.gz, .json.gz); empty when the results do not go to a regular file.
    static QString pathBeside(const QString& resultsPath);

private:
    QStringList m_commandLine;
    QString m_dataFolder;
    QStringList m_inputs;
    std::uint32_t m_iterations = 0;
    double m_timeDiscountRate = 0.0;
    std::uint32_t m_randomSeed = 0;
    QString m_seeding;
    int m_threads = 0;
    bool m_uncertaintyAnalysis = false;
    QString m_startedUtc;
};

} // namespace ui
