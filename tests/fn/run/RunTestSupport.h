#pragma once

#include "fn/data/templates/DiseaseTemplate.h"
#include "fn/data/templates/OutcomeTreeTemplate.h"
#include "fn/model/ModelTestSupport.h"

namespace testing_support {

// Models of both shipped specifications (one tree over 19 age groups; a congenital disease with
// two trees over 20) in alternation, for two countries.
class ModelList
{
public:
    explicit ModelList(int count)
        : m_bsi(readJsonObject(sampleModel(QStringLiteral("Illustrative-CRKP-BSI.model_spec.json"))))
        , m_congenital(readJsonObject(sampleModel(QStringLiteral("Illustrative-Listeriosis.model_spec.json"))))
    {
        addCountry(m_store, QStringLiteral("Northland"), m_bsi.factors(), perStratum(19, 50000, 1000),
                   perStratum(19, 80, -4));
        addCountry(m_store, QStringLiteral("Southland"), m_bsi.factors(), perStratum(19, 20000, -500),
                   perStratum(19, 78, -3.9));
        for (int i = 0; i < count; ++i) {
            const QString country = i % 4 < 2 ? QStringLiteral("Northland") : QStringLiteral("Southland");
            const fn::JSONDiseaseTemplate& disease = i % 2 == 0 ? m_bsi : m_congenital;
            models.push_back(std::make_unique<fn::DiseaseModel>(&m_store, QStringLiteral("model %1").arg(i + 1),
                                                                country, country, &disease));
            models.back()->setUp();
        }
    }

    // The same bloodstream infection model, "model 1", in each country, all of Northland's population.
    explicit ModelList(const QStringList& countries)
        : ModelList(0)
    {
        for (const QString& country : countries) {
            addCountry(m_store, country, m_bsi.factors(), perStratum(19, 50000, 1000), perStratum(19, 80, -4));
            models.push_back(std::make_unique<fn::DiseaseModel>(&m_store, "model 1", country, country, &m_bsi));
            models.back()->setUp();
        }
    }

    // A model of reference data whose outcomes all stay out of the results: an acute illness
    // that some do not survive, in Northland.
    void addModelWithoutReportedOutcomes()
    {
        const QString disease = QStringLiteral("Silent");
        const QString country = QStringLiteral("Northland");
        if (!m_store.diseaseTemplates().contains(disease)) {
            fn::OutcomeTreeTemplate tree(QStringLiteral("tree"), QStringLiteral("tree"));
            tree.addHealthOutcome("inf", "Infection", "INFECTION", "FALSE");
            tree.addHealthOutcome("acute", "Acute", "ACUTE", "FALSE");
            tree.addHealthOutcome("death", "Death", "DEATH", "FALSE");
            tree.addHealthState("infState", "Infection", "inf", "INFECTION");
            tree.addHealthState("ill", "Ill", "acute", "YLD");
            tree.addHealthState("dead", "Dead", "death", "YLL");
            tree.addTransition("fallsIll", "Falls ill", "infState", "ill", "");
            tree.addTransition("dies", "Dies", "ill", "dead", "");
            fn::DiseaseTemplate diseaseTemplate;
            diseaseTemplate.setId(disease);
            diseaseTemplate.addOutcomeTree(QStringLiteral("tree"), tree);
            diseaseTemplate.appendOutcomeTreeId(QStringLiteral("tree"));
            m_store.diseaseTemplates().add(disease, diseaseTemplate);
            for (const fn::InputFactor& factor : m_bsi.factors())
                m_store.inputFactors().addInputFactor(disease, factor.name(), factor.levels());
            const auto table = [this](const QString& name, const QString& formula) {
                return fn::DataArray(m_bsi.factors(), name, {}, formula);
            };
            m_store.setNotificationData(country, disease, table("Notification data", "RandUniform(20, 40)"));
            m_store.setOutcomeTreeMapping(country, disease, table("Outcome tree mapping", "1"));
            m_store.setRunFactor(country, disease, "coverage", table("coverage", "1"));
            m_store.setRunFactor(country, disease, "underestimation", table("underestimation", "1"));
            m_store.params().set(country, disease, "tree", "ill", fn::ParamsMgr::Severity, table("Severity", "0.2"));
            m_store.params().set(country, disease, "tree", "ill", fn::ParamsMgr::Duration,
                                 table("Duration", "RandUniform(0.1, 0.3)"));
            m_store.transitionParams().set(country, disease, "tree", "fallsIll", fn::TransitionParamsMgr::Probability,
                                           table("Probability", "0.8"));
            m_store.transitionParams().set(country, disease, "tree", "dies", fn::TransitionParamsMgr::Probability,
                                           table("Probability", "RandUniform(0.1, 0.2)"));
            m_store.addCountryDisease(country, disease);
        }
        models.push_back(std::make_unique<fn::DiseaseModel>(&m_store, QStringLiteral("model %1").arg(models.size() + 1),
                                                            country, country, &m_store.diseaseTemplates().get(disease),
                                                            m_store.inputFactors().getInputFactors(disease)));
        models.back()->setUp();
    }

    fn::DiseaseModelList models;

private:
    fn::InputDataMgr m_store;
    fn::JSONDiseaseTemplate m_bsi;
    fn::JSONDiseaseTemplate m_congenital;
};

} // namespace testing_support
