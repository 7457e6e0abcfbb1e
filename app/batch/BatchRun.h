#pragma once

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>
#include <QTextStream>

#include "app/batch/BatchOptions.h"

namespace ui {
class Chief;
}

namespace batch {

// The job of the batch program: one model per country and disease, all run on every core,
// each model's results written as soon as it is done, and the totals over all models at the
// end. Progress, warnings and the summary go to err; run() returns the exit status.
class ScenarioRuns;

class BatchRun
{
public:
    enum ExitCode { Success = 0, Failure = 1, UsageError = 2 };

    BatchRun(const BatchOptions& options, const QString& basePath, QTextStream& err);

    int run();

private:
    bool chooseCountries(const ui::Chief& chief);
    bool chooseDiseases(const ui::Chief& chief);
    int createModels(ui::Chief& chief, ScenarioRuns& scenarios);
    int runModels(ui::Chief& chief, ScenarioRuns& scenarios);
    // Warns of random functions given impossible arguments in the models' formulas.
    void checkArguments(const ui::Chief& chief);
    QJsonObject runBlock(int models, const QJsonArray& nonFinite) const;
    void reportProgress(int done, int total, std::uint64_t iterationsDone, std::uint64_t iterations, bool last);
    void summarize(int models);
    // Where the results come from, for every file the job writes.
    QJsonObject provenance() const;
    // Says why the job failed, while the exception that ended it is handled.
    void reportFailure();

    const BatchOptions& m_options;
    QString m_basePath;
    QTextStream& m_err;
    QStringList m_countries;
    // Those of m_countries that are regions or placeholders, named on the command line.
    QStringList m_regions;
    QStringList m_diseases;
    QElapsedTimer m_clock;
    qint64 m_lastReport = -1;
};

} // namespace batch
