#include <gtest/gtest.h>

#include "fn/data/templates/DiseaseTemplate.h"
#include "fn/data/InputDataMgr.h"
#include "fn/data/templates/OutcomeTreeTemplate.h"
#include "fn/model/DiseaseModel.h"
#include "fn/model/ModelTestSupport.h"
#include "fn/run/RunMemoryCheck.h"
#include "fn/values/MemoryBudget.h"
#include "ut/Exception.h"

namespace {

using testing_support::levels;

QVector<fn::InputFactor> ageBySex(int ageGroups)
{
    return {fn::InputFactor("Age", levels(ageGroups)), fn::InputFactor("Sex", {"Female", "Male"})};
}

fn::DataArray filled(const QVector<fn::InputFactor>& factors, const QString& name, const QString& formula)
{
    return fn::DataArray(factors, name, {}, formula);
}

// A reference-data disease over 20 age groups whose one transition has its probability
// stored over 19 age groups, as in reference data of the older layout.
struct ReferenceModel
{
    fn::InputDataMgr store;
    std::unique_ptr<fn::DiseaseModel> model;

    ReferenceModel()
    {
        const QString disease = QStringLiteral("D");
        const QString country = QStringLiteral("Testland");
        fn::OutcomeTreeTemplate tree("tree", "tree");
        tree.addHealthOutcome("inf", "Infection", "INFECTION", "TRUE");
        tree.addHealthOutcome("acute", "Acute", "ACUTE", "TRUE");
        tree.addHealthState("inf_hs", "Infection", "inf", "INFECTION");
        tree.addHealthState("acute_hs", "Acute", "acute", "YLD");
        tree.addTransition("t1", "t1", "inf_hs", "acute_hs", QString());
        fn::DiseaseTemplate diseaseTemplate;
        diseaseTemplate.setId(disease);
        diseaseTemplate.addOutcomeTree("tree", tree);
        diseaseTemplate.appendOutcomeTreeId("tree");
        store.diseaseTemplates().add(disease, diseaseTemplate);
        const QVector<fn::InputFactor> factors = ageBySex(20);
        for (const fn::InputFactor& factor : factors)
            store.inputFactors().addInputFactor(disease, factor.name(), factor.levels());
        store.setAgeDistribution(country, filled(factors, "Age distribution", "1000"));
        store.setLifeExpectancy(country, filled(factors, "Life expectancy", "40"));
        store.setNotificationData(country, disease, filled(factors, "Notification data", "10"));
        store.setOutcomeTreeMapping(country, disease, filled(factors, "Outcome tree mapping", "1"));
        for (const QString& label : QStringList{"coverage", "underestimation"})
            store.setRunFactor(country, disease, label, filled(factors, label, "1"));
        store.transitionParams().set(country, disease, "tree", "t1", fn::TransitionParamsMgr::Probability,
                                     filled(ageBySex(19), "Probability", "0.5"));
        store.addCountryDisease(country, disease);
        model = std::make_unique<fn::DiseaseModel>(&store, "model 1", country, country,
                                                   &store.diseaseTemplates().get(disease),
                                                   store.inputFactors().getInputFactors(disease));
        model->setUp();
    }
};

} // namespace

TEST(ReferenceDataModel, TransitionsOfAnotherAgeLayoutTakeTheModelsStrata)
{
    ReferenceModel m;
    fn::OutcomeTree& tree = m.model->getOutcomeTree(0);
    const fn::TransitionProbabilityBase& t1 = tree.getTransitionProbability("t1");
    EXPECT_EQ(t1.strataShape(), (Marray::Shape{20, 2}));

    int treeIndex = 0;
    m.model->run(2, 0.0, treeIndex);
    // 10 notified cases over a source probability of 0.5 are 20 infections, half of which
    // move on, in all 40 strata, the converted first age group included.
    const auto& acute = static_cast<const fn::HealthState&>(tree.getHealthState("acute_hs"));
    ASSERT_EQ(acute.casesMean().size(), 40u);
    for (std::size_t i = 0; i < 40; ++i)
        EXPECT_DOUBLE_EQ(acute.casesMean()[i], 10.0) << "stratum " << i;
    EXPECT_EQ(t1.flowMean().shape(), (Marray::Shape{20, 2}));
}

TEST(RunMemoryCheck, RefusesRunsWhoseSamplesCannotFitAndNamesTheModel)
{
    ReferenceModel m;
    fn::DiseaseModelList models;
    models.push_back(std::move(m.model));
    // 40 strata: six arrays of 40 x 1000 doubles are 1.92 MB.
    EXPECT_EQ(fn::RunMemoryCheck::bytesNeeded(*models.front(), 1000), 6u * 40u * 1000u * 8u);

    fn::MemoryBudget::setLimit(2u * 1024 * 1024);
    EXPECT_NO_THROW(fn::RunMemoryCheck::require(models, 1000));
    try {
        fn::RunMemoryCheck::require(models, 2000);
        ADD_FAILURE() << "a run of 3.84 MB passed a budget of 2 MB";
    } catch (const ut::Exception& e) {
        EXPECT_TRUE(e.message().contains("Model model 1 (D) cannot be run with 2000 iterations"))
            << e.message().toStdString();
        EXPECT_TRUE(e.message().contains("40 strata")) << e.message().toStdString();
        EXPECT_EQ(e.place(), "fn::RunMemoryCheck::require");
    }
    // Models running side by side each hold their arrays: two at once need twice as much.
    fn::DiseaseModelList two;
    ReferenceModel second;
    two.push_back(std::move(models.front()));
    two.push_back(std::move(second.model));
    EXPECT_NO_THROW(fn::RunMemoryCheck::require(two, 1000, 1));
    EXPECT_THROW(fn::RunMemoryCheck::require(two, 1000, 4), ut::Exception);
    models.clear();
    models.push_back(std::move(two.front()));
    // Four billion iterations of 40 strata need terabytes; products past 64 bits saturate.
    fn::MemoryBudget::setLimit(0);
    EXPECT_THROW(fn::RunMemoryCheck::require(models, 0xFFFFFFFFu), ut::Exception);
    EXPECT_EQ(fn::MemoryBudget::bytesFor({1ull << 40, 1ull << 40}, 8), ~std::uint64_t(0));
    EXPECT_EQ(fn::MemoryBudget::bytesFor({0, 1ull << 40}, 8), 0u);
}
