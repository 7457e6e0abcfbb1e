#include "app/batch/ScenarioRuns.h"

#include <QFileInfo>
#include <QJsonObject>
#include <QSet>

#include "app/batch/BatchOptions.h"
#include "ui/Chief.h"

namespace batch {

namespace {

QJsonObject pair(const QString& country, const QString& disease)
{
    return {{QStringLiteral("country"), country}, {QStringLiteral("disease"), disease}};
}

QString listed(const QStringList& pairs)
{
    return pairs.mid(0, 10).join(QStringLiteral(", ")) + (pairs.size() > 10 ? QStringLiteral(", ...") : QString());
}

QString interval(const QJsonObject& statistics)
{
    const auto number = [&](const char* key) {
        const QJsonValue value = statistics.value(QLatin1String(key));
        return value.isDouble() ? QString::number(value.toDouble(), 'g', 6) : QStringLiteral("-");
    };
    return QStringLiteral("%1 (%2 to %3)").arg(number("Mean"), number("Quantile0.025"), number("Quantile0.975"));
}

} // namespace

struct ScenarioRuns::Scenario
{
    std::unique_ptr<ui::Chief> chief;
    std::unique_ptr<ScenarioDifferences> differences;
};

ScenarioRuns::ScenarioRuns(const BatchOptions& options, QTextStream& err)
    : m_options(options)
    , m_err(err)
{
}

ScenarioRuns::~ScenarioRuns()
{
    restore();
}

bool ScenarioRuns::createModels(const ui::Chief& base, const QStringList& countries, const QStringList& diseases)
{
    const fn::DiseaseModelList& baseModels = base.models();
    const int count = int(m_options.scenarios().size());
    m_pairs.assign(baseModels.size(), std::vector<int>(std::size_t(count), -1));
    QSet<QString> basePairs;
    for (const auto& model : baseModels)
        basePairs.insert(model->countryId() + QLatin1Char('/') + model->diseaseId());
    for (int s = 0; s < count; ++s) {
        const BatchOptions::Scenario& given = m_options.scenarios()[std::size_t(s)];
        const QString folder = QFileInfo(given.dataFolder).absoluteFilePath();
        if (!QFileInfo::exists(folder + QStringLiteral("/referenceData.dat"))) {
            m_err << "Error: the scenario \"" << given.name << "\" has no reference data cache referenceData.dat in "
                  << folder << ".\n";
            m_err.flush();
            return false;
        }
        auto scenario = std::make_unique<Scenario>();
        scenario->chief = std::make_unique<ui::Chief>();
        ui::Chief& chief = *scenario->chief;
        chief.setBasePath(folder);
        // The countries and diseases chosen as for the base, from the scenario's own data.
        const fn::InputDataMgr& store = chief.inputDataMgr();
        QStringList scenarioCountries;
        if (m_options.allCountries()) {
            for (const QString& id : store.countriesWithPopulationData()) {
                if (!store.isRegion(id))
                    scenarioCountries << id;
            }
        } else {
            for (const QString& id : countries) {
                if (store.hasPopulationData(id))
                    scenarioCountries << id;
            }
        }
        QStringList scenarioDiseases;
        for (const QVariant& disease : chief.availableDiseases()) {
            const QString id = disease.toMap().value(QStringLiteral("id")).toString();
            if (!scenarioDiseases.contains(id) && (m_options.allDiseases() || diseases.contains(id)))
                scenarioDiseases << id;
        }
        QJsonArray notInScenario;
        QStringList notText;
        for (std::size_t i = 0; i < baseModels.size(); ++i) {
            const QString& country = baseModels[i]->countryId();
            const QString& disease = baseModels[i]->diseaseId();
            const fn::DiseaseModel* made = scenarioCountries.contains(country) && scenarioDiseases.contains(disease)
                ? chief.createModel(country, disease, chief.makeModelId(QString()))
                : nullptr;
            if (made) {
                m_pairs[i][std::size_t(s)] = int(chief.models().size()) - 1;
            } else {
                notInScenario << pair(country, disease);
                notText << country + QLatin1Char('/') + disease;
            }
        }
        QJsonArray onlyInScenario;
        QStringList onlyText;
        for (const QString& country : qAsConst(scenarioCountries)) {
            for (const QString& disease : qAsConst(scenarioDiseases)) {
                if (basePairs.contains(country + QLatin1Char('/') + disease)
                    || !chief.createModel(country, disease, chief.makeModelId(QString())))
                    continue;
                onlyInScenario << pair(country, disease);
                onlyText << country + QLatin1Char('/') + disease;
            }
        }
        const int matched = int(baseModels.size()) - notText.size();
        if (!notText.isEmpty())
            m_err << "Warning: scenario \"" << given.name << "\": " << notText.size() << " of the " << baseModels.size()
                  << " country-disease pairs of the base have no data in " << folder
                  << " and no difference: " << listed(notText) << ".\n";
        if (!onlyText.isEmpty())
            m_err << "Warning: scenario \"" << given.name << "\": " << onlyText.size()
                  << " country-disease pairs have data in " << folder
                  << " but not in the base, so nothing to compare them with; they are left out: " << listed(onlyText)
                  << ".\n";
        if (matched == 0) {
            m_err << "Error: the scenario \"" << given.name << "\" shares no country-disease pair with the base run.\n";
            m_err.flush();
            return false;
        }
        scenario->differences = std::make_unique<ScenarioDifferences>(given.name, folder, m_options.sampleSize());
        scenario->differences->setUnmatched(notInScenario, onlyInScenario);
        m_scenarios.push_back(std::move(scenario));
    }
    m_err.flush();
    return true;
}

fn::DiseaseModelList& ScenarioRuns::lend(fn::DiseaseModelList& base)
{
    restore();
    m_base = &base;
    m_running.clear();
    m_roles.clear();
    for (std::size_t i = 0; i < base.size(); ++i) {
        m_running.push_back(std::move(base[i]));
        m_roles.push_back({int(i), -1});
        for (std::size_t s = 0; s < m_scenarios.size(); ++s) {
            const int at = m_pairs[i][s];
            if (at < 0)
                continue;
            m_running.push_back(std::move(m_scenarios[s]->chief->models()[std::size_t(at)]));
            m_roles.push_back({int(i), int(s)});
        }
    }
    return m_running;
}

void ScenarioRuns::restore()
{
    if (!m_base)
        return;
    for (std::size_t k = 0; k < m_running.size(); ++k) {
        const Role role = m_roles[k];
        if (role.scenario < 0)
            (*m_base)[std::size_t(role.base)] = std::move(m_running[k]);
        else
            m_scenarios[std::size_t(role.scenario)]
                ->chief->models()[std::size_t(m_pairs[std::size_t(role.base)][std::size_t(role.scenario)])] = std::move(
                m_running[k]);
    }
    m_running.clear();
    m_roles.clear();
    m_base = nullptr;
}

void ScenarioRuns::takeRecord(int index, const fn::ModelRunRecord& record)
{
    const Role role = m_roles[std::size_t(index)];
    if (role.scenario < 0) {
        // Every base model comes before its scenario models.
        m_baseTotalsOf = -1;
        if (index + 1 < int(m_roles.size()) && m_roles[std::size_t(index) + 1].base == role.base) {
            m_baseTotals.read(record);
            m_baseTotalsOf = index;
        }
        return;
    }
    if (m_baseTotalsOf < 0 || m_roles[std::size_t(m_baseTotalsOf)].base != role.base)
        return;
    m_scenarios[std::size_t(role.scenario)]->differences->addPair(*m_running[std::size_t(m_baseTotalsOf)], m_baseTotals,
                                                                  record);
}

QJsonArray ScenarioRuns::document() const
{
    QJsonArray scenarios;
    for (const auto& scenario : m_scenarios)
        scenarios << scenario->differences->document();
    return scenarios;
}

void ScenarioRuns::report(const QJsonArray& document) const
{
    for (const QJsonValue& value : document) {
        const QJsonObject scenario = value.toObject();
        const QJsonObject total = scenario.value(QStringLiteral("total")).toObject();
        m_err << "Scenario \"" << scenario.value(QStringLiteral("name")).toString() << "\" against the base, over "
              << total.value(QStringLiteral("models")).toInt()
              << " model pairs, averted (base - scenario), mean (95 % interval): DALYs "
              << interval(total.value(QStringLiteral("dalyAverted")).toObject()) << ", cases "
              << interval(total.value(QStringLiteral("casesAverted")).toObject()) << ", deaths "
              << interval(total.value(QStringLiteral("deathsAverted")).toObject()) << ".\n";
    }
    m_err.flush();
}

} // namespace batch
