#include "app/batch/BatchOptions.h"

#include <cmath>

#include "fn/run/ModelRunner.h"

namespace batch {

namespace {

const QString countriesOption = QStringLiteral("--countries");
const QString diseasesOption = QStringLiteral("--diseases");
const QString threadsOption = QStringLiteral("--threads");
const QString dataFolderOption = QStringLiteral("--data-folder");
const QString sensitivityOption = QStringLiteral("--sensitivity");
const QString seedingOption = QStringLiteral("--seeding");
const QString tableOption = QStringLiteral("--table");
const QString drawsOption = QStringLiteral("--draws");
const QString drawsByStratumOption = QStringLiteral("--draws-by-stratum");
const QString prettyOption = QStringLiteral("--pretty");
const QString scenarioOption = QStringLiteral("--scenario");

} // namespace

QString BatchOptions::usage(const QString& program)
{
    return QStringLiteral(
               "Usage: %1 --countries all|A,B,... --diseases all|X,Y,... [-s N] [-t RATE] [-r SEED] [--seeding MODE]\n"
               "       [--threads K] -o FILE [--table FILE] [--draws FILE [--draws-by-stratum]] [--pretty]\n"
               "       [--sensitivity FILE] [--data-folder DIR] [--scenario NAME=DIR ...]\n"
               "\n"
               "Runs one model per country and disease of the reference data (and of the model specifications\n"
               "in the models folder next to the program) and writes every model's results together with the\n"
               "totals over all models to FILE.\n"
               "\n"
               "  --countries all|A,B,...  countries (ids as in the reference data, e.g. Austria,Germany);\n"
               "                           all: the countries with population data, without regions and\n"
               "                           placeholders (EUEEA, Generic), which run only when named\n"
               "  --diseases all|X,Y,...   diseases (ids as in the reference data or the specifications)\n"
               "  -s, --sample-size N      Monte-Carlo iterations per model (default 1000)\n"
               "  -t, --time-discount RATE time discount rate, 0.03 for 3 % (default 0)\n"
               "  -r, --random-seed SEED   random seed; 0 draws all models from one stream (default 0)\n"
               "  --seeding MODE           with a seed other than 0: independent (default) starts each\n"
               "                           country-disease pair from an engine state of its own, derived\n"
               "                           from the seed and the two ids; shared starts every model from\n"
               "                           the seed's state, as the ozmid program does, so that the models'\n"
               "                           draws go together and the interval of a total widens\n"
               "  --threads K              threads to use, at most 1024 (default: every core)\n"
               "  -o, --output FILE        the results document (- for standard output; a pipe or /dev/stdout\n"
               "                           is written directly); compact JSON, gzip-compressed when FILE\n"
               "                           ends in .gz\n"
               "  --table FILE             also the results as one long table (.csv or .csv.gz), one row per\n"
               "                           model, tree, category, sex, age group and measure\n"
               "  --draws FILE             also every model's cases, deaths, YLD, YLL and DALY of every\n"
               "                           iteration (.csv or .csv.gz)\n"
               "  --draws-by-stratum       the draws per sex and age group rather than in total\n"
               "  --pretty                 indent the JSON documents for reading\n"
               "  --sensitivity FILE       also the uncertainty analysis of every model: standard errors of\n"
               "                           the means, convergence, sensitivity of the total DALY to the\n"
               "                           random inputs\n"
               "  --data-folder DIR        the folder with referenceData.dat and models/ (default: the\n"
               "                           program's folder)\n"
               "  --scenario NAME=DIR      also run the data of DIR (referenceData.dat and models/) as the\n"
               "                           scenario NAME, each model with its base model's seed (needs -r\n"
               "                           SEED other than 0), and report what it averts per iteration\n"
               "                           (base - scenario: DALYs, cases, deaths); may be repeated\n"
               "  --version                the program's version and commit\n"
               "  -h, --help               this text\n"
               "\n"
               "Every document records where it came from (version, command line, data and their SHA-256,\n"
               "settings) under \"run\"; a table or draws file has it beside it, in NAME.run.json.\n")
        .arg(program);
}

bool BatchOptions::fail(const QString& text)
{
    m_errorString = text;
    return false;
}

QStringList BatchOptions::idList(const QString& value)
{
    if (value.trimmed() == QLatin1String("all"))
        return {};
    QStringList ids;
    for (const QString& part : value.split(QLatin1Char(','))) {
        const QString id = part.trimmed();
        if (!id.isEmpty() && !ids.contains(id))
            ids << id;
    }
    return ids;
}

bool BatchOptions::parse(const QStringList& arguments)
{
    m_arguments = arguments;
    bool countriesGiven = false;
    bool diseasesGiven = false;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString option = arguments[i];
        if (option == QLatin1String("-h") || option == QLatin1String("--help")) {
            m_helpRequested = true;
            return true;
        }
        if (option == QLatin1String("--version")) {
            m_versionRequested = true;
            return true;
        }
        if (option == drawsByStratumOption || option == prettyOption) {
            (option == prettyOption ? m_pretty : m_drawsByStratum) = true;
            continue;
        }
        const bool known = option == countriesOption || option == diseasesOption || option == threadsOption
            || option == dataFolderOption || option == sensitivityOption || option == seedingOption
            || option == tableOption || option == drawsOption || option == scenarioOption
            || option == QLatin1String("-s") || option == QLatin1String("--sample-size")
            || option == QLatin1String("-t") || option == QLatin1String("--time-discount")
            || option == QLatin1String("-r") || option == QLatin1String("--random-seed")
            || option == QLatin1String("-o") || option == QLatin1String("--output");
        if (!known)
            return fail(
                option.startsWith(QLatin1Char('-'))
                    ? QStringLiteral("Unknown option %1.").arg(option)
                    : QStringLiteral("Unexpected argument \"%1\": every value follows its option.").arg(option));
        if (i + 1 >= arguments.size())
            return fail(QStringLiteral("The option %1 needs a value.").arg(option));
        const QString value = arguments[++i];
        bool ok = false;
        if (option == countriesOption) {
            m_countries = idList(value);
            countriesGiven = true;
            if (m_countries.isEmpty() && value.trimmed() != QLatin1String("all"))
                return fail(QStringLiteral("--countries needs \"all\" or a comma-separated list of country ids."));
        } else if (option == diseasesOption) {
            m_diseases = idList(value);
            diseasesGiven = true;
            if (m_diseases.isEmpty() && value.trimmed() != QLatin1String("all"))
                return fail(QStringLiteral("--diseases needs \"all\" or a comma-separated list of disease ids."));
        } else if (option == QLatin1String("-s") || option == QLatin1String("--sample-size")) {
            m_sampleSize = value.toUInt(&ok);
            if (!ok || m_sampleSize == 0)
                return fail(
                    QStringLiteral("The sample size must be a whole number of at least 1, not \"%1\".").arg(value));
        } else if (option == QLatin1String("-t") || option == QLatin1String("--time-discount")) {
            m_timeDiscountRate = value.toDouble(&ok);
            if (!ok || !std::isfinite(m_timeDiscountRate) || m_timeDiscountRate < 0.0)
                return fail(QStringLiteral("The time discount rate must be a number of at least 0 (0.03 for 3 %), "
                                           "not \"%1\".")
                                .arg(value));
        } else if (option == QLatin1String("-r") || option == QLatin1String("--random-seed")) {
            m_randomSeed = value.toUInt(&ok);
            if (!ok)
                return fail(QStringLiteral("The random seed must be a whole number from 0 to 4294967295, not \"%1\".")
                                .arg(value));
        } else if (option == seedingOption) {
            if (value != QLatin1String("independent") && value != QLatin1String("shared"))
                return fail(QStringLiteral("--seeding takes independent or shared, not \"%1\".").arg(value));
            m_seeding = value == QLatin1String("shared") ? Seeding::Shared : Seeding::Independent;
            m_seedingGiven = true;
        } else if (option == threadsOption) {
            m_threads = value.toInt(&ok);
            if (!ok || m_threads < 0 || m_threads > fn::ModelRunner::maxThreads)
                return fail(QStringLiteral("--threads must be a whole number from 0 (every core) to %1, the most a run "
                                           "uses, not \"%2\".")
                                .arg(fn::ModelRunner::maxThreads)
                                .arg(value));
        } else if (option == dataFolderOption) {
            m_dataFolder = value;
        } else if (option == sensitivityOption) {
            m_sensitivityPath = value;
        } else if (option == tableOption) {
            m_tablePath = value;
        } else if (option == drawsOption) {
            m_drawsPath = value;
        } else if (option == scenarioOption) {
            const int equals = value.indexOf(QLatin1Char('='));
            const Scenario scenario{value.left(equals).trimmed(), value.mid(equals + 1)};
            if (equals < 0 || scenario.name.isEmpty() || scenario.dataFolder.isEmpty())
                return fail(QStringLiteral("--scenario takes NAME=DATA_FOLDER, not \"%1\".").arg(value));
            for (const Scenario& known : m_scenarios) {
                if (known.name == scenario.name)
                    return fail(QStringLiteral("Two scenarios are named \"%1\".").arg(scenario.name));
            }
            m_scenarios.push_back(scenario);
        } else {
            // "-" is standard output, as for most programs that write a file.
            m_outputPath = value == QLatin1String("-") ? QStringLiteral("/dev/stdout") : value;
        }
    }
    if (!countriesGiven)
        return fail(QStringLiteral("Say which countries to run: --countries all or --countries A,B,..."));
    if (!diseasesGiven)
        return fail(QStringLiteral("Say which diseases to run: --diseases all or --diseases X,Y,..."));
    if (m_outputPath.isEmpty())
        return fail(QStringLiteral("Say where to write the results: -o FILE."));
    if (m_drawsByStratum && m_drawsPath.isEmpty())
        return fail(QStringLiteral("--draws-by-stratum needs --draws FILE."));
    if (!m_scenarios.empty() && m_randomSeed == 0)
        return fail(QStringLiteral("--scenario needs a random seed other than 0 (-r SEED): with 0 the models draw "
                                   "from one continuing stream, and a scenario's model would not draw as its base "
                                   "model does."));
    return true;
}

} // namespace batch
