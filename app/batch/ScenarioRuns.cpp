#include "app/batch/ScenarioRuns.h"

#include <algorithm>

#include <QDir>
#include <QFileInfo>
#include <QJsonObject>
#include <QSet>

#include "app/batch/BatchOptions.h"
#include "ui/Chief.h"
#include "ui/ModelFactory.h"
#include "ui/output/RunProvenance.h"

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
    std::unique_ptr<ui::Chief> data;
    std::unique_ptr<ui::ModelFactory> factory;
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

bool ScenarioRuns::prepare(const ui::Chief& base, const QStringList& countries, const QStringList& diseases)
{
    const fn::DiseaseModelList& baseModels = base.models();
    const std::size_t count = m_options.scenarios().size();
    m_paired.assign(baseModels.size(), std::vector<bool>(count, false));
    QSet<QString> basePairs;
    for (const auto& model : baseModels)
        basePairs.insert(model->countryId() + QLatin1Char('/') + model->diseaseId());
    for (std::size_t s = 0; s < count; ++s) {
        const BatchOptions::Scenario& given = m_options.scenarios()[s];
        const QString folder = QFileInfo(given.dataFolder).absoluteFilePath();
        if (!QFileInfo::exists(folder + QStringLiteral("/referenceData.dat"))) {
            m_err << "Error: the scenario \"" << given.name << "\" has no reference data cache referenceData.dat in "
                  << folder << ".\n";
            m_err.flush();
            return false;
        }
        auto scenario = std::make_unique<Scenario>();
        scenario->data = std::make_unique<ui::Chief>();
        ui::Chief& data = *scenario->data;
        data.setBasePath(folder);
        scenario->factory = std::make_unique<ui::ModelFactory>(data.inputDataMgr(), data.jsonDataMgr());
        const ui::ModelFactory& factory = *scenario->factory;
        // The countries and diseases chosen as for the base, from the scenario's own data.
        const fn::InputDataMgr& store = data.inputDataMgr();
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
        for (const QVariant& disease : data.availableDiseases()) {
            const QString id = disease.toMap().value(QStringLiteral("id")).toString();
            if (!scenarioDiseases.contains(id) && (m_options.allDiseases() || diseases.contains(id)))
                scenarioDiseases << id;
        }
        const auto has = [&](const QString& country, const QString& disease) {
            return scenarioCountries.contains(country) && scenarioDiseases.contains(disease)
                && factory.canMake(country, disease);
        };
        QJsonArray notInScenario;
        QStringList notText;
        for (std::size_t i = 0; i < baseModels.size(); ++i) {
            const QString& country = baseModels[i]->countryId();
            const QString& disease = baseModels[i]->diseaseId();
            m_paired[i][s] = has(country, disease);
            if (!m_paired[i][s]) {
                notInScenario << pair(country, disease);
                notText << country + QLatin1Char('/') + disease;
            }
        }
        QJsonArray onlyInScenario;
        QStringList onlyText;
        for (const QString& country : qAsConst(scenarioCountries)) {
            for (const QString& disease : qAsConst(scenarioDiseases)) {
                if (basePairs.contains(country + QLatin1Char('/') + disease) || !has(country, disease))
                    continue;
                onlyInScenario << pair(country, disease);
                onlyText << country + QLatin1Char('/') + disease;
            }
        }
        if (!notText.isEmpty())
            m_err << "Warning: scenario \"" << given.name << "\": " << notText.size() << " of the " << baseModels.size()
                  << " country-disease pairs of the base have no data in " << folder
                  << " and no difference: " << listed(notText) << ".\n";
        if (!onlyText.isEmpty())
            m_err << "Warning: scenario \"" << given.name << "\": " << onlyText.size()
                  << " country-disease pairs have data in " << folder
                  << " but not in the base, so nothing to compare them with; they are left out: " << listed(onlyText)
                  << ".\n";
        if (notText.size() == int(baseModels.size())) {
            m_err << "Error: the scenario \"" << given.name << "\" shares no country-disease pair with the base run.\n";
            m_err.flush();
            return false;
        }
        scenario->differences = std::make_unique<ScenarioDifferences>(given.name, folder, m_options.sampleSize());
        scenario->differences->setUnmatched(notInScenario, onlyInScenario);
        ui::RunProvenance provenance;
        provenance.setDataFolder(folder);
        provenance.addInputsOf(QDir(folder).filePath(QStringLiteral("models")));
        const QJsonObject record = provenance.toJson();
        scenario->differences->setData(
            {{QStringLiteral("referenceData"), record.value(QStringLiteral("referenceData"))},
             {QStringLiteral("inputs"), record.value(QStringLiteral("inputs"))}});
        m_scenarios.push_back(std::move(scenario));
    }
    m_err.flush();
    return true;
}

int ScenarioRuns::partnersOf(std::size_t index) const
{
    return index < m_paired.size() ? int(std::count(m_paired[index].begin(), m_paired[index].end(), true)) : 0;
}

fn::DiseaseModelList& ScenarioRuns::lend(fn::DiseaseModelList& base, std::size_t begin, std::size_t end)
{
    restore();
    m_base = &base;
    for (std::size_t i = begin; i < end; ++i) {
        const fn::DiseaseModel& model = *base[i];
        m_running.push_back(std::move(base[i]));
        m_roles.push_back({int(i), -1});
        for (std::size_t s = 0; s < m_scenarios.size(); ++s) {
            if (!m_paired[i][s])
                continue;
            m_running.push_back(m_scenarios[s]->factory->make(model.countryId(), model.diseaseId(), model.modelId()));
            m_roles.push_back({int(i), int(s)});
        }
    }
    return m_running;
}

void ScenarioRuns::restore()
{
    if (m_base) {
        for (std::size_t k = 0; k < m_running.size(); ++k) {
            if (m_roles[k].scenario < 0)
                (*m_base)[std::size_t(m_roles[k].base)] = std::move(m_running[k]);
        }
    }
    // The scenario models are done with: their differences are taken.
    m_running.clear();
    m_roles.clear();
    m_base = nullptr;
    m_baseTotalsOf = -1;
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

QString ScenarioRuns::scenarioName(int index) const
{
    const int scenario = m_roles[std::size_t(index)].scenario;
    return scenario < 0 ? QString() : m_scenarios[std::size_t(scenario)]->differences->name();
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
