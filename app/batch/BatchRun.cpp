#include "app/batch/BatchRun.h"

#include <sys/resource.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>

#include "fn/KnownIds.h"
#include "fn/run/ModelRunner.h"
#include "fn/model/ResultsComputer.h"
#include "fn/model/RunControl.h"
#include "app/batch/ResultsExports.h"
#include "app/batch/ResultsStream.h"
#include "ui/Chief.h"
#include "ui/RunProvenance.h"
#include "ut/Exception.h"
#include "ut/OutputTarget.h"

namespace batch {

namespace {

QString duration(double seconds)
{
    const qint64 s = qRound64(seconds);
    if (s < 60)
        return QStringLiteral("%1 s").arg(s);
    if (s < 3600)
        return QStringLiteral("%1 min %2 s").arg(s / 60).arg(s % 60);
    return QStringLiteral("%1 h %2 min").arg(s / 3600).arg(s % 3600 / 60);
}

double processSeconds(const rusage& usage)
{
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// What became of an output the job could not finish.
QString unfinished(const QString& path)
{
    if (ut::OutputTarget::of(path).kind() == ut::OutputTarget::Replaced)
        return QStringLiteral("%1 was not written; an earlier file of that name is unchanged.").arg(path);
    return QStringLiteral("The document sent to %1 is incomplete.").arg(path);
}

} // namespace

BatchRun::BatchRun(const BatchOptions& options, const QString& basePath, QTextStream& err)
    : m_options(options)
    , m_basePath(basePath)
    , m_err(err)
{
}

int BatchRun::run()
{
    m_clock.start();
    ui::Chief chief;
    chief.setBasePath(m_basePath);
    if (!chooseCountries(chief) || !chooseDiseases(chief))
        return UsageError;
    try {
        const int created = createModels(chief);
        if (created != Success)
            return created;
        return runModels(chief);
    } catch (...) {
        reportFailure();
    }
    return Failure;
}

void BatchRun::reportFailure()
{
    try {
        throw;
    } catch (const ut::Exception& e) {
        m_err << "Error: " << ut::explanation(e) << '\n';
    } catch (const std::exception& e) {
        m_err << "Error: " << e.what() << '\n';
    } catch (...) {
        m_err << "Error: the run failed for a reason nobody could tell.\n";
    }
    m_err.flush();
}

bool BatchRun::chooseCountries(const ui::Chief& chief)
{
    const fn::InputDataMgr& store = const_cast<ui::Chief&>(chief).inputDataMgr();
    const QStringList withData = store.countriesWithPopulationData();
    if (m_options.allCountries()) {
        m_countries = withData;
        QStringList without;
        for (const QString& country : fn::knownCountryIds()) {
            if (!withData.contains(country))
                without << country;
        }
        const int missing = without.size();
        if (missing > 0) {
            m_err << "Warning: " << missing << " of the " << fn::knownCountryIds().size()
                  << " countries have no population data in the reference data and are left out (their burden "
                     "cannot be computed): "
                  << without.join(QStringLiteral(", ")) << ".\n";
        }
    } else {
        for (const QString& country : m_options.countries()) {
            if (!store.hasPopulationData(country)) {
                m_err << "Error: the country \"" << country
                      << "\" has no population data in the reference data, so its burden cannot be computed. "
                         "Countries with data: "
                      << withData.join(QStringLiteral(", ")) << ".\n";
                m_err.flush();
                return false;
            }
        }
        m_countries = m_options.countries();
    }
    if (m_countries.isEmpty()) {
        m_err << "Error: no country has population data in the reference data of " << m_basePath << ".\n";
        m_err.flush();
        return false;
    }
    return true;
}

bool BatchRun::chooseDiseases(const ui::Chief& chief)
{
    QStringList available;
    for (const QVariant& disease : chief.availableDiseases()) {
        const QString id = disease.toMap().value(QStringLiteral("id")).toString();
        if (!available.contains(id))
            available << id;
    }
    if (m_options.allDiseases()) {
        m_diseases = available;
    } else {
        for (const QString& disease : m_options.diseases()) {
            if (!available.contains(disease)) {
                m_err << "Error: the disease \"" << disease
                      << "\" is neither in the reference data nor in a model specification. Diseases: "
                      << available.join(QStringLiteral(", ")) << ".\n";
                m_err.flush();
                return false;
            }
        }
        m_diseases = m_options.diseases();
    }
    if (m_diseases.isEmpty()) {
        m_err << "Error: there are no diseases in the reference data or the models folder of " << m_basePath
              << ".\n";
        m_err.flush();
        return false;
    }
    return true;
}

int BatchRun::createModels(ui::Chief& chief)
{
    QStringList withoutData;
    for (const QString& country : qAsConst(m_countries)) {
        for (const QString& disease : qAsConst(m_diseases)) {
            if (!chief.createModel(country, disease, chief.makeModelId(QString())))
                withoutData << country + QLatin1Char('/') + disease;
        }
    }
    // Asked for by name, every pair must run; "all" takes the pairs that have data.
    const bool everyPairAskedFor = !m_options.allCountries() && !m_options.allDiseases();
    if (!withoutData.isEmpty())
        m_err << (everyPairAskedFor ? "Error: " : "Warning: ") << withoutData.size() << " of the "
              << m_countries.size() * m_diseases.size() << " country-disease pairs have no data"
              << (everyPairAskedFor ? ": " : " and are not run: ")
              << withoutData.mid(0, 10).join(QStringLiteral(", ")) << (withoutData.size() > 10 ? ", ..." : "")
              << ".\n";
    if (!withoutData.isEmpty() && everyPairAskedFor) {
        m_err << "Ask for countries and diseases that have data together, or for all of either.\n";
        m_err.flush();
        return UsageError;
    }
    if (chief.models().empty()) {
        m_err << "Error: none of the chosen countries and diseases has data to run.\n";
        m_err.flush();
        return Failure;
    }
    m_err << "Created " << chief.models().size() << " models in " << duration(m_clock.elapsed() / 1000.0) << ".\n";
    m_err.flush();
    return Success;
}

int BatchRun::runModels(ui::Chief& chief)
{
    fn::DiseaseModelList& models = chief.models();
    const std::uint32_t n = m_options.sampleSize();

    ResultsStream output(m_options.outputPath(), m_options.pretty());
    const QJsonObject provenance = this->provenance();
    const QJsonObject run{
        {QStringLiteral("countries"), QJsonArray::fromStringList(m_countries)},
        {QStringLiteral("diseases"), QJsonArray::fromStringList(m_diseases)},
        {QStringLiteral("models"), int(models.size())},
        {QStringLiteral("sampleSize"), double(n)},
        {QStringLiteral("timeDiscountRate"), m_options.timeDiscountRate()},
        {QStringLiteral("randomSeed"), double(m_options.randomSeed())},
        {QStringLiteral("provenance"), provenance},
    };
    // A results file that cannot be written fails the job before hours of computing.
    if (!output.open(run)) {
        m_err << "Error: " << output.errorString() << '\n';
        m_err.flush();
        return Failure;
    }
    const bool analyzing = !m_options.sensitivityPath().isEmpty();
    ResultsStream uncertainty(m_options.sensitivityPath(), m_options.pretty());
    if (analyzing && !uncertainty.open(run)) {
        m_err << "Error: " << uncertainty.errorString() << '\n';
        m_err.flush();
        return Failure;
    }
    ResultsExports exports(m_options, provenance);
    if (!exports.open()) {
        m_err << "Error: " << exports.errorString() << '\n';
        m_err.flush();
        return Failure;
    }

    std::uint64_t iterations = 0;
    for (const auto& model : models)
        iterations += std::uint64_t(model->outcomeTreeCount()) * n;
    fn::ResultsComputer computer(models);
    computer.prepare(n);
    fn::RunControl control;
    fn::ModelRunner::Settings settings;
    settings.iterations = n;
    settings.discountRate = m_options.timeDiscountRate();
    settings.randomSeed = m_options.randomSeed();
    settings.threads = m_options.threads();
    settings.analyzeUncertainty = analyzing;
    fn::ModelRunner runner(models, settings);
    runner.setResultsComputer(&computer);
    runner.setRunControl(&control);
    bool written = true;
    runner.setRecordHandler([&](int index, const fn::ModelRunRecord& record) {
        written = written && exports.takeRecord(*models[std::size_t(index)], record);
    });
    runner.setDoneHandler([&](int index) {
        fn::DiseaseModel& model = *models[std::size_t(index)];
        QJsonObject results = ui::Chief::resultsDocument(model);
        QJsonObject analysis = analyzing ? ui::Chief::uncertaintyDocument(model) : QJsonObject();
        written = written && exports.addModel(model, results, analyzing ? &analysis : nullptr);
        written = written && output.addModel(results);
        if (analyzing)
            written = written && uncertainty.addModel(analysis);
        // Written out: only the totals stay, for the totals over all models.
        model.releaseDetailedResults();
        if (!written)
            control.cancel();
        reportProgress(index + 1, int(models.size()), control.iterationsDone(), iterations, false);
    });
    // Whatever stops the job from here on leaves the outputs unfinished: the user learns what
    // became of them.
    const auto abandon = [&](const QString& reason) {
        if (!reason.isEmpty())
            m_err << "Error: " << reason << '\n';
        output.cancel();
        m_err << unfinished(m_options.outputPath()) << '\n';
        exports.cancel();
        for (const QString& path : exports.paths())
            m_err << unfinished(path) << '\n';
        if (analyzing) {
            uncertainty.cancel();
            m_err << unfinished(m_options.sensitivityPath()) << '\n';
        }
        m_err.flush();
        return Failure;
    };
    m_err << "Running " << models.size() << " models at " << n << " iterations on "
          << fn::ModelRunner::threadCount(settings.threads) << " threads.\n";
    m_err.flush();
    try {
        runner.run();
    } catch (...) {
        reportFailure();
        return abandon(QString());
    }
    if (!written)
        return abandon(!output.errorString().isEmpty() ? output.errorString()
                           : !uncertainty.errorString().isEmpty() ? uncertainty.errorString()
                                                                   : exports.errorString());
    reportProgress(int(models.size()), int(models.size()), control.iterationsDone(), iterations, true);
    computer.compute();
    const QJsonObject aggregated = QJsonObject::fromVariantMap(computer.aggregatedResults());
    if (!output.finish(aggregated))
        return abandon(output.errorString());
    // The document is in place; a table or draws file that fails now is named by the reason.
    if (!exports.finish(aggregated)) {
        m_err << "Error: " << exports.errorString() << "\nThe results document " << m_options.outputPath()
              << " was written.\n";
        m_err.flush();
        exports.cancel();
        return Failure;
    }
    if (analyzing && !uncertainty.finish()) {
        m_err << "Error: " << uncertainty.errorString() << '\n' << unfinished(m_options.sensitivityPath()) << '\n';
        m_err.flush();
        return Failure;
    }
    summarize(int(models.size()));
    return Success;
}

QJsonObject BatchRun::provenance() const
{
    ui::RunProvenance provenance;
    provenance.setCommandLine(m_options.arguments());
    provenance.setDataFolder(m_basePath);
    provenance.addInputsOf(QDir(m_basePath).filePath(QStringLiteral("models")));
    provenance.setIterations(m_options.sampleSize());
    provenance.setTimeDiscountRate(m_options.timeDiscountRate());
    provenance.setRandomSeed(m_options.randomSeed());
    provenance.setSeeding(m_options.randomSeed() == 0 ? QStringLiteral("one stream for all models")
                                                      : QStringLiteral("every model from the seed"));
    provenance.setThreads(fn::ModelRunner::threadCount(m_options.threads()));
    provenance.setUncertaintyAnalysis(!m_options.sensitivityPath().isEmpty());
    return provenance.toJson();
}

void BatchRun::reportProgress(int done, int total, std::uint64_t iterationsDone, std::uint64_t iterations, bool last)
{
    const qint64 now = m_clock.elapsed();
    if (!last && m_lastReport >= 0 && now - m_lastReport < 2000)
        return;
    m_lastReport = now;
    const double seconds = std::max(0.001, now / 1000.0);
    const double rate = double(iterationsDone) / seconds;
    m_err << done << " of " << total << " models done, " << qRound64(rate) << " iterations/s";
    if (!last && rate > 0)
        m_err << ", about " << duration(double(iterations - std::min(iterations, iterationsDone)) / rate) << " left";
    m_err << ".\n";
    m_err.flush();
}

void BatchRun::summarize(int models)
{
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    m_err << "Ran " << models << " models (" << m_countries.size() << " countries x " << m_diseases.size()
          << " diseases) at " << m_options.sampleSize() << " iterations in " << duration(m_clock.elapsed() / 1000.0)
          << " (CPU " << duration(processSeconds(usage)) << ", peak memory "
          << QString::number(double(usage.ru_maxrss) / 1024.0 / 1024.0, 'f', 2) << " GiB).\n"
          << "Wrote " << m_options.outputPath() << ".\n";
    if (!m_options.sensitivityPath().isEmpty())
        m_err << "Wrote the uncertainty analysis to " << m_options.sensitivityPath() << ".\n";
    if (!m_options.tablePath().isEmpty())
        m_err << "Wrote the table to " << m_options.tablePath() << ".\n";
    if (!m_options.drawsPath().isEmpty())
        m_err << "Wrote the draws to " << m_options.drawsPath() << ".\n";
    m_err.flush();
}

} // namespace batch
