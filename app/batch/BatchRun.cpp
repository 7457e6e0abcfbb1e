#include "app/batch/BatchRun.h"

#include <sys/resource.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>

#include "app/batch/ResultsExports.h"
#include "app/batch/ResultsStream.h"
#include "app/batch/RunSummary.h"
#include "app/batch/ScenarioRuns.h"
#include "fn/KnownIds.h"
#include "fn/model/ImpossibleValues.h"
#include "fn/model/ResultsComputer.h"
#include "fn/model/RunControl.h"
#include "fn/run/ModelRunner.h"
#include "ui/Chief.h"
#include "ui/output/RunProvenance.h"
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
        // Lends the base's models during the run: goes before the base's controller does.
        ScenarioRuns scenarios(m_options, m_err);
        const int created = createModels(chief, scenarios);
        if (created != Success)
            return created;
        return runModels(chief, scenarios);
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
    // A region or placeholder counts people of the countries again (EUEEA) or of none (Generic).
    QStringList countries;
    QStringList regions;
    for (const QString& id : withData)
        (store.isRegion(id) ? regions : countries) << id;
    if (m_options.allCountries()) {
        m_countries = countries;
        if (!regions.isEmpty())
            m_err << "Leaving out the regions and placeholders " << regions.join(QStringLiteral(", "))
                  << ", which would count people twice or count nobody; name them to run them.\n";
        QStringList without;
        int known = 0;
        for (const QString& country : fn::knownCountryIds()) {
            if (store.isRegion(country))
                continue;
            ++known;
            if (!withData.contains(country))
                without << country;
        }
        const int missing = without.size();
        if (missing > 0) {
            m_err << "Warning: " << missing << " of the " << known
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
                      << countries.join(QStringLiteral(", "));
                if (!regions.isEmpty())
                    m_err << "; regions and placeholders: " << regions.join(QStringLiteral(", "));
                m_err << ".\n";
                m_err.flush();
                return false;
            }
            if (store.isRegion(country))
                m_regions << country;
        }
        m_countries = m_options.countries();
        if (!m_regions.isEmpty())
            m_err << "Note: " << m_regions.join(QStringLiteral(", "))
                  << (m_regions.size() == 1 ? " is a region or placeholder, not a country"
                                            : " are regions or placeholders, not countries")
                  << ": totals that include them beside countries count people twice.\n";
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
        m_err << "Error: there are no diseases in the reference data or the models folder of " << m_basePath << ".\n";
        m_err.flush();
        return false;
    }
    return true;
}

int BatchRun::createModels(ui::Chief& chief, ScenarioRuns& scenarios)
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
              << (everyPairAskedFor ? ": " : " and are not run: ") << withoutData.mid(0, 10).join(QStringLiteral(", "))
              << (withoutData.size() > 10 ? ", ..." : "") << ".\n";
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
    if (!scenarios.prepare(chief, m_countries, m_diseases))
        return UsageError;
    m_err << "Created " << chief.models().size() << " models in " << duration(m_clock.elapsed() / 1000.0) << ".\n";
    checkArguments(chief);
    m_err.flush();
    return Success;
}

void BatchRun::checkArguments(const ui::Chief& chief)
{
    // Thousands of models share their formulas: a few lines say enough.
    constexpr int listed = 20;
    int found = 0;
    for (const auto& model : const_cast<ui::Chief&>(chief).models()) {
        for (const QString& warning : fn::ImpossibleValues::argumentWarnings(*model)) {
            if (++found <= listed)
                m_err << "Warning: " << warning << '\n';
        }
    }
    if (found > listed)
        m_err << "Warning: " << found - listed << " more such warnings.\n";
}

QJsonObject BatchRun::runBlock(int models, const QJsonArray& nonFinite) const
{
    const std::uint32_t seed = m_options.randomSeed();
    const bool shared = m_options.seeding() == BatchOptions::Seeding::Shared;
    return {
        {QStringLiteral("countries"), QJsonArray::fromStringList(m_countries)},
        {QStringLiteral("regions"), QJsonArray::fromStringList(m_regions)},
        {QStringLiteral("diseases"), QJsonArray::fromStringList(m_diseases)},
        {QStringLiteral("models"), models},
        {QStringLiteral("sampleSize"), double(m_options.sampleSize())},
        {QStringLiteral("timeDiscountRate"), m_options.timeDiscountRate()},
        {QStringLiteral("randomSeed"), double(seed)},
        {QStringLiteral("seeding"),
         seed == 0    ? QStringLiteral("stream")
             : shared ? QStringLiteral("shared")
                      : QStringLiteral("independent")},
        {QStringLiteral("modelsWithNonFiniteResults"), nonFinite},
    };
}

int BatchRun::runModels(ui::Chief& chief, ScenarioRuns& scenarios)
{
    fn::DiseaseModelList& baseModels = chief.models();
    const std::uint32_t n = m_options.sampleSize();

    ResultsStream output(m_options.outputPath(), m_options.pretty());
    const QJsonObject provenance = this->provenance();
    // A results file that cannot be written fails the job before hours of computing.
    if (!output.open()) {
        m_err << "Error: " << output.errorString() << '\n';
        m_err.flush();
        return Failure;
    }
    const bool analyzing = !m_options.sensitivityPath().isEmpty();
    ResultsStream uncertainty(m_options.sensitivityPath(), m_options.pretty());
    if (analyzing && !uncertainty.open()) {
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

    fn::ResultsComputer computer(baseModels);
    computer.prepare(n);
    // With scenarios each base model runs followed by its scenario models, a share of the base
    // models at a time (see ScenarioRuns), and the base models go to the results computer from
    // here, in their order.
    const bool paired = !scenarios.isEmpty();
    std::uint64_t iterations = 0;
    int total = 0;
    for (std::size_t i = 0; i < baseModels.size(); ++i) {
        // A scenario model counts as its base model.
        const int runs = 1 + scenarios.partnersOf(i);
        iterations += std::uint64_t(baseModels[i]->outcomeTreeCount()) * n * std::uint64_t(runs);
        total += runs;
    }
    fn::RunControl control;
    fn::ModelRunner::Settings settings;
    settings.iterations = n;
    settings.discountRate = m_options.timeDiscountRate();
    settings.randomSeed = m_options.randomSeed();
    settings.seeding = m_options.seeding() == BatchOptions::Seeding::Shared
        ? fn::ModelRunner::Settings::Seeding::Shared
        : fn::ModelRunner::Settings::Seeding::Independent;
    if (m_options.randomSeed() == 0 && m_options.seedingGiven())
        m_err << "Note: with seed 0 every model draws from one continuing stream; --seeding has no effect.\n";
    settings.threads = m_options.threads();
    settings.analyzeUncertainty = analyzing;
    const int threads = fn::ModelRunner::threadCount(settings.threads);
    // Enough base models per share to keep every thread busy between shares.
    const std::size_t share = paired ? std::max<std::size_t>(256, 8 * std::size_t(threads)) : baseModels.size();
    fn::DiseaseModelList* models = &baseModels;
    int before = 0;
    bool written = true;
    RunSummary summary(n);
    QJsonArray nonFinite;
    int failing = 0;
    int perCaseNotes = 0;
    constexpr int listedNotes = 10;
    const auto takeRecord = [&](int index, const fn::ModelRunRecord& record) {
        if (paired)
            scenarios.takeRecord(index, record);
        if (!paired || !scenarios.isScenarioModel(index))
            written = written && exports.takeRecord(*(*models)[std::size_t(index)], record);
    };
    const auto takeModel = [&](int index) {
        fn::DiseaseModel& model = *(*models)[std::size_t(index)];
        if (paired && scenarios.isScenarioModel(index)) {
            // Its differences are taken: nothing of a scenario model is written but why a
            // difference may have no value.
            bool perCaseOnly = false;
            const QStringList impossible = fn::ImpossibleValues::nonFiniteResults(model, &perCaseOnly);
            if (!impossible.isEmpty() && !perCaseOnly)
                m_err << "Warning: in the scenario \"" << scenarios.scenarioName(index)
                      << "\": " << impossible.join(QLatin1Char('\n')) << '\n';
            model.releaseDetailedResults();
            reportProgress(before + index + 1, total, control.iterationsDone(), iterations, false);
            return;
        }
        if (paired)
            computer.addModel(model);
        summary.addModel(model);
        bool perCaseOnly = false;
        const QStringList impossible = fn::ImpossibleValues::nonFiniteResults(model, &perCaseOnly);
        if (!impossible.isEmpty()) {
            // Per-case figures of iterations without cases are a fact of the data, not a fault.
            if (!perCaseOnly || ++perCaseNotes <= listedNotes)
                m_err << (perCaseOnly ? "Note: " : "Warning: ") << impossible.join(QLatin1Char('\n')) << '\n';
            failing += perCaseOnly ? 0 : 1;
            nonFinite << QJsonObject{{QStringLiteral("country"), model.countryId()},
                                     {QStringLiteral("disease"), model.diseaseId()},
                                     {QStringLiteral("modelId"), model.modelId()},
                                     {QStringLiteral("perCaseOnly"), perCaseOnly}};
        }
        // Entries are matched by these, not by their place in the list.
        QJsonObject document = ui::Chief::resultsDocument(model);
        document.insert(QStringLiteral("country"), model.countryId());
        document.insert(QStringLiteral("disease"), model.diseaseId());
        document.insert(QStringLiteral("modelId"), model.modelId());
        QJsonObject analysis = analyzing ? ui::Chief::uncertaintyDocument(model) : QJsonObject();
        written = written && exports.addModel(model, document, analyzing ? &analysis : nullptr);
        written = written && output.addModel(document);
        if (analyzing)
            written = written && uncertainty.addModel(analysis);
        // Written out: only the totals stay, for the totals over all models.
        model.releaseDetailedResults();
        if (!written)
            control.cancel();
        reportProgress(before + index + 1, total, control.iterationsDone(), iterations, false);
    };
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
    m_err << "Running " << total << " models";
    if (paired)
        m_err << " (" << baseModels.size() << " of the base, " << total - int(baseModels.size()) << " of "
              << (m_options.scenarios().size() == 1 ? "the scenario" : "the scenarios") << ")";
    m_err << " at " << n << " iterations on " << threads << " threads.\n";
    m_err.flush();
    for (std::size_t begin = 0; begin < baseModels.size() && written; begin += share) {
        models = paired ? &scenarios.lend(baseModels, begin, std::min(baseModels.size(), begin + share)) : &baseModels;
        fn::ModelRunner runner(*models, settings);
        if (!paired)
            runner.setResultsComputer(&computer);
        runner.setRunControl(&control);
        runner.setRecordHandler(takeRecord);
        runner.setDoneHandler(takeModel);
        bool delivered = false;
        try {
            delivered = runner.run();
        } catch (...) {
            reportFailure();
            return abandon(QString());
        }
        // Only a failed write cancels the run; a run that ends otherwise without every model is
        // never written as if it were whole.
        if (!delivered && written)
            return abandon(QStringLiteral("the run ended before the results of every model were delivered."));
        before += int(models->size());
        scenarios.restore();
    }
    if (!written)
        return abandon(!output.errorString().isEmpty()            ? output.errorString()
                           : !uncertainty.errorString().isEmpty() ? uncertainty.errorString()
                                                                  : exports.errorString());
    reportProgress(total, total, control.iterationsDone(), iterations, true);
    computer.compute();
    QJsonObject run = runBlock(int(baseModels.size()), nonFinite);
    run.insert(QStringLiteral("provenance"), provenance);
    const QJsonObject aggregated = QJsonObject::fromVariantMap(computer.aggregatedResults());
    const QJsonObject summaryDocument = summary.document();
    const QJsonArray scenarioDocument = scenarios.document();
    if (!output.finish(run, aggregated, summaryDocument, scenarioDocument))
        return abandon(output.errorString());
    // The document is in place; a table or draws file that fails now is named by the reason.
    if (!exports.finish(aggregated, summaryDocument, scenarioDocument)) {
        m_err << "Error: " << exports.errorString() << "\nThe results document " << m_options.outputPath()
              << " was written.\n";
        m_err.flush();
        exports.cancel();
        return Failure;
    }
    if (analyzing && !uncertainty.finish(run)) {
        m_err << "Error: " << uncertainty.errorString() << '\n' << unfinished(m_options.sensitivityPath()) << '\n';
        m_err.flush();
        return Failure;
    }
    summarize(int(baseModels.size()));
    scenarios.report(scenarioDocument);
    if (perCaseNotes > listedNotes)
        m_err << "Note: " << perCaseNotes - listedNotes << " more models have figures per case without value in "
              << "iterations without cases.\n";
    if (failing > 0) {
        m_err << "Error: " << failing << " of the " << baseModels.size()
              << " models have statistics that are not finite numbers (null in the document, and in every total "
                 "they enter); the run block of the document lists them.\n";
        m_err.flush();
        return Failure;
    }
    m_err.flush();
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
    provenance.setSeeding(m_options.randomSeed() == 0                                ? QStringLiteral("stream")
                              : m_options.seeding() == BatchOptions::Seeding::Shared ? QStringLiteral("shared")
                                                                                     : QStringLiteral("independent"));
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
