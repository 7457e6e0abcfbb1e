#include <cmath>

#include <gtest/gtest.h>

#include "fn/model/ModelTestSupport.h"
#include "fn/model/ResultsComputer.h"
#include "fn/stats/Statistics.h"
#include "fn/values/random/RandomFunctions.h"
#include "ut/Exception.h"

using namespace testing_support;

namespace {

QVariantMap treeEntry(const QVariantMap& results, int tree)
{
    return results.value("detailedResults").toList().value(tree).toMap();
}

// The first reported outcome of a tree.
QVariantMap outcomeEntry(const QVariantMap& results, int tree)
{
    return treeEntry(results, tree).value("healthOutcomeAggregatedResults").toList().value(0).toMap();
}

// The means of the named figures, in the order of the keys.
void expectMeans(const QVariantMap& figures, const QStringList& keys, const std::vector<double>& means)
{
    ASSERT_EQ(std::size_t(keys.size()), means.size());
    for (int i = 0; i < keys.size(); ++i)
        EXPECT_DOUBLE_EQ(mean(figures.value(keys[i])), means[std::size_t(i)]) << keys[i].toStdString();
}

} // namespace

// Hand-computed: tree "young" covers the first age group (cases 100 and 50, source
// probability 0.5, severity 0.2 for half a year, 10 % die); tree "old" the second
// (cases 200 and 80, probability 1, severity 0.3 for a year, 20 % die).
TEST(DiseaseModel, TwoTreeDeterministicResultsUndiscounted)
{
    TwoTreesModel m;
    ASSERT_EQ(m.model->outcomeTreeCount(), 2);
    m.run(10, 0.0);
    ASSERT_TRUE(m.model->isComputed());

    const fn::OutcomeTree& young = m.model->getOutcomeTree(0);
    const fn::OutcomeTree& old = m.model->getOutcomeTree("old");
    EXPECT_EQ(young.population(), 1900.0);
    EXPECT_EQ(old.population(), 3800.0);
    EXPECT_EQ(m.model->totalPopulation(), 5700.0);

    // Infections are notified cases over the source probability, only in the tree's strata.
    const Marray& infections = young.infection()->casesMean();
    EXPECT_EQ(infections[0], 200.0);
    EXPECT_EQ(infections[1], 100.0);
    EXPECT_EQ(infections[2], 0.0);
    EXPECT_EQ(old.infection()->casesMean()[3], 80.0);

    const QVariantMap results = m.model->results();
    const QVariantMap youngAcute = outcomeEntry(results, 0);
    EXPECT_EQ(youngAcute.value("name").toString(), "Acute illness");
    EXPECT_EQ(youngAcute.value("acuteType").toString(), "acute");
    const double youngYll = 10 * 59.5 + 5 * 54.5;
    expectMeans(youngAcute,
                {"yld", "yll", "daly", "dalyPerCase", "yldPer100k", "yldPer100kTotalPopulation", "populationCasesCount",
                 "deathCasesCount", "allCasesCount", "incidencePer100k", "mortalityPer100k"},
                {15.0, youngYll, 15.0 + youngYll, (15.0 + youngYll) / 150.0, 15.0 * 100000 / 1900, 15.0 * 100000 / 5700,
                 150.0, 15.0, 165.0, 150.0 * 100000 / 1900, 15.0 * 100000 / 5700});
    // The death outcome and the infection's outcome are not reported on their own.
    EXPECT_EQ(treeEntry(results, 0).value("healthOutcomeAggregatedResults").toList().size(), 1);

    const QVariantMap oldAcute = outcomeEntry(results, 1);
    const double oldYll = 40 * 19.0 + 16 * 14.0;
    expectMeans(oldAcute, {"yld", "yll"}, {60.0 + 24.0, oldYll});

    const QVariantMap treeCategories = treeEntry(results, 1).value("sequelaTypeAggregatedResults").toMap();
    EXPECT_DOUBLE_EQ(mean(treeCategories.value("acute").toMap().value("yld")), 84.0);
    EXPECT_DOUBLE_EQ(mean(treeCategories.value("sequela").toMap().value("yld")), 0.0);
    EXPECT_DOUBLE_EQ(mean(treeCategories.value("total").toMap().value("dalyPer100k")), (84.0 + oldYll) * 100000 / 3800);

    // The model adds both trees; its per-100 000 figures use the whole population.
    const QVariantMap totals = m.model->totalResults();
    const double yld = 15.0 + 84.0, yll = youngYll + oldYll;
    expectMeans(
        totals, {"yld", "yll", "daly", "cases", "deaths", "dalyPerCase", "dalyPer100k", "mortalityPer100k"},
        {yld, yll, yld + yll, 430.0, 71.0, (yld + yll) / 430.0, (yld + yll) * 100000 / 5700, 71.0 * 100000 / 5700});
    // A deterministic model gives every quantile equal to the mean once there are nine iterations.
    const QVariantMap daly = totals.value("daly").toMap();
    for (const QString& key : QStringList{"Quantile0.025", "Quantile0.5", "Quantile0.975"})
        EXPECT_DOUBLE_EQ(daly.value(key).toDouble(), yld + yll) << key.toStdString();

    // Stratified results, per age group and sex.
    const QVariantMap categorized = results.value("totalCategorizedResults").toMap();
    const QVariantList female = categorized.value("yld").toMap().value("arrayFemale").toList();
    const QVariantList male = categorized.value("yll").toMap().value("arrayMale").toList();
    ASSERT_EQ(female.size(), 2);
    EXPECT_EQ(female[1].toMap().value("Age").toString(), "50+");
    EXPECT_EQ(female[1].toMap().value("id").toUInt(), 1u);
    EXPECT_DOUBLE_EQ(female[0].toMap().value("Mean").toDouble(), 10.0);
    EXPECT_DOUBLE_EQ(female[1].toMap().value("Mean").toDouble(), 60.0);
    EXPECT_DOUBLE_EQ(male[1].toMap().value("Mean").toDouble(), 16 * 14.0);
    const QVariantList perCapita = categorized.value("yldPer100k").toMap().value("arrayMale").toList();
    EXPECT_DOUBLE_EQ(perCapita[0].toMap().value("Mean").toDouble(), 5.0 * 100000 / 900);
}

TEST(DiseaseModel, TwoTreeDeterministicResultsDiscounted)
{
    const double r = 0.03;
    TwoTreesModel m;
    m.run(3, r);
    // Life expectancy at infection and every duration are discounted; a death's YLL is
    // the discounted life expectancy left after the acute illness.
    double yld = 0, yll = 0;
    const double cases[] = {100, 50, 200, 80};
    const double le[] = {60, 55, 20, 15};
    for (int i = 0; i < 4; ++i) {
        const bool youngGroup = i < 2;
        const double leAtInfection = discounted(le[i], 0, r);
        const double duration = std::min(discounted(youngGroup ? 0.5 : 1.0, 0, r), leAtInfection);
        yld += cases[i] * (youngGroup ? 0.2 : 0.3) * duration;
        yll += cases[i] * (youngGroup ? 0.1 : 0.2) * (leAtInfection - duration);
    }
    const QVariantMap totals = m.model->totalResults();
    EXPECT_NEAR(mean(totals.value("yld")), yld, 1e-9);
    EXPECT_NEAR(mean(totals.value("yll")), yll, 1e-9);
    EXPECT_LT(mean(totals.value("yll")), 10 * 59.5 + 5 * 54.5 + 40 * 19.0 + 16 * 14.0);
}

// A random population is evaluated once at the start of the run; every tree's population, and so
// its per-100 000 figures, come from that evaluation, not from the draws of the tree before it.
TEST(DiseaseModel, EveryTreeTakesItsPopulationFromTheStartOfTheRun)
{
    const QStringList randomPopulation = {"RandUniform(900, 1100)", "RandUniform(800, 1000)", "RandUniform(1900, 2100)",
                                          "RandUniform(1700, 1900)"};
    TwoTreesModel m({}, {}, randomPopulation);
    fn::seedIfNonZero(11);
    m.run(20, 0.0);
    const fn::OutcomeTree& young = m.model->getOutcomeTree(0);
    const fn::OutcomeTree& old = m.model->getOutcomeTree(1);
    // Each stratum belongs to one tree: the trees' populations make up the model's.
    EXPECT_DOUBLE_EQ(young.population() + old.population(), m.model->totalPopulation());
    EXPECT_GT(old.population(), 3600.0);
    EXPECT_LT(old.population(), 4000.0);
    const QVariantMap oldAcute = outcomeEntry(m.model->results(), 1);
    EXPECT_DOUBLE_EQ(mean(oldAcute.value("dalyPer100k")), mean(oldAcute.value("daly")) * 100000.0 / old.population());
}

TEST(DiseaseModel, ParametersTreesAndLookupsFailWithTheirMessages)
{
    TwoTreesModel m;
    EXPECT_EQ(m.model->getUnderestimationType(), 0u);
    EXPECT_EQ(m.model->displayName(), "Testland - Two-tree test disease - model 1");
    const QVariantMap info = m.model->info();
    EXPECT_EQ(info.value("diseaseID").toString(), "TwoTrees");
    EXPECT_FALSE(info.value("isCongenital").toBool());
    EXPECT_EQ(info.value("jsonDiseaseSpec").toMap().value("id").toString(), "TwoTrees");

    // Each tree's infection sees only its own strata.
    fn::OutcomeTree& tree = m.model->getOutcomeTree(0);
    EXPECT_EQ(tree.infection()->notifiedCases().currentFormulas(), (QStringList{"100", "50", "0", "0"}));
    EXPECT_EQ(m.model->getOutcomeTree(1).infection()->lifeExpectancy().currentFormulas(),
              (QStringList{"0", "0", "20", "15"}));

    const auto expectThrow = [](auto call, const QString& message, const QString& place) {
        try {
            call();
            ADD_FAILURE() << "no exception for " << message.toStdString();
        } catch (const ut::Exception& e) {
            EXPECT_EQ(e.message(), message);
            EXPECT_EQ(e.place(), place);
        }
    };
    expectThrow([&] { m.model->getParameter(8); }, "Unknown parameter type requested from disease model model 1",
                "fn::DiseaseModel::getParameter");
    expectThrow([&] { m.model->getOutcomeTree(2); }, "Disease model model 1 has no outcome tree with index 2",
                "fn::DiseaseModel::getOutcomeTree");
    expectThrow([&] { m.model->getOutcomeTree("middle"); }, "Disease model model 1 has no outcome tree with id middle",
                "fn::DiseaseModel::getOutcomeTree");
    expectThrow([&] { tree.getHealthState(2); }, "Outcome tree young has no health state with index 2",
                "fn::OutcomeTree::getHealthState");
    expectThrow([&] { tree.getHealthState("x"); }, "Outcome tree young has no health state with id x",
                "fn::OutcomeTree::getHealthState");
    expectThrow([&] { tree.getTransitionProbability(2); },
                "Outcome tree young has no transition probability with index 2",
                "fn::OutcomeTree::getTransitionProbability");
    expectThrow([&] { tree.getTransitionProbability("t9"); },
                "Outcome tree young has no transition probability with id t9",
                "fn::OutcomeTree::getTransitionProbability");
    EXPECT_EQ(&tree.getHealthState("inf_hs"), tree.infection());
    EXPECT_EQ(tree.getHealthState(1).id(), "death_hs");
}

// Infections are notified cases / source probability / coverage x the underestimation factor:
// the overall factor (type 0) or under-reporting x under-ascertainment (type 1).
TEST(DiseaseModel, CoverageAndUnderestimationScaleTheInfections)
{
    const struct
    {
        const char* coverage;
        std::uint32_t type;
        const char* underestimation;
        const char* underreporting;
        const char* underascertainment;
        double factor;
    } rows[] = {
        {"1", 0, "1", "1", "1", 1.0},
        {"0.5", 0, "1", "2", "3", 2.0},
        {"0.25", 0, "3", "1", "1", 12.0},
        {"0.8", 1, "7", "2", "3", 6 / 0.8},
    };
    for (const auto& row : rows) {
        TwoTreesModel m;
        const QVector<fn::InputFactor> factors = m.diseaseTemplate.factors();
        const auto set = [&](int type, const char* formula) {
            m.model->setParameter(type, fn::DataArray(factors, "p", {}, QString::fromLatin1(formula)));
        };
        set(fn::DiseaseModel::Coverage, row.coverage);
        set(fn::DiseaseModel::Underestimation, row.underestimation);
        set(fn::DiseaseModel::Underreporting, row.underreporting);
        set(fn::DiseaseModel::Underascertainment, row.underascertainment);
        m.model->setUnderestimationType(row.type);
        m.model->distributeToTrees();
        m.run(2, 0.0);
        // 100 notified over a source probability of 0.5 in the first stratum; 430 symptomatic cases in all.
        EXPECT_DOUBLE_EQ(m.model->getOutcomeTree(0).infection()->casesMean()[0], 200 * row.factor) << row.coverage;
        EXPECT_DOUBLE_EQ(mean(m.model->totalResults().value("cases")), 430 * row.factor) << row.coverage;
    }
}

TEST(Statistics, EstimatesApproachTheQuantilesAndOneIterationHasNoStrata)
{
    // Many values: the estimates approach the true quantiles of 1 ... 1000.
    std::vector<double> many;
    for (int i = 1; i <= 1000; ++i)
        many.push_back((i * 7919) % 1000 + 1);
    const QVariantMap large = fn::statistics::seriesStatistics(std::uint32_t(many.size()),
                                                               [&](std::uint32_t k) { return many[k]; });
    EXPECT_NEAR(large.value("Quantile0.5").toDouble(), 500.0, 10.0);
    EXPECT_NEAR(large.value("Quantile0.975").toDouble(), 975.0, 10.0);
    EXPECT_NEAR(large.value("Quantile0.025").toDouble(), 25.0, 10.0);
    EXPECT_DOUBLE_EQ(large.value("Mean").toDouble(), 500.5);

    // One iteration: the stratified lists stay empty.
    const fn::InputFactor age("Age", {"a"});
    const fn::InputFactor sex("Sex", {"F", "M"});
    const QVariantMap single = fn::statistics::stratifiedStatistics(Marray::Shape{1, 2}, {&age, &sex}, 1,
                                                                    [](std::uint32_t, std::size_t) { return 2.0; });
    EXPECT_TRUE(single.value("arrayFemale").toList().isEmpty());
    EXPECT_TRUE(single.value("meta").toList().isEmpty());
}

TEST(DiseaseModel, RunsAreReproducibleWithASeedAndReleaseTheirStores)
{
    // The first tree's severity random.
    TwoTreesModel m(
        R"("severityArray": {"vals": [["0.2", "0.2"], ["0.2", "0.2"]]})",
        R"j("severityArray": {"vals": [["RandUniform(0.1, 0.3)", "RandPert(0.1, 0.2, 0.3)"], ["0", "0"]]})j");
    fn::seedIfNonZero(7);
    m.run(50, 0.0);
    const QVariantMap first = m.model->results();
    fn::seedIfNonZero(7);
    m.run(50, 0.0);
    EXPECT_EQ(first, m.model->results());
    const QVariantMap yld = m.model->totalResults().value("yld").toMap();
    EXPECT_LT(yld.value("Quantile0.025").toDouble(), yld.value("Quantile0.975").toDouble());
    m.run(50, 0.0);
    EXPECT_NE(first, m.model->results());

    // The run's record lasts until it was taken; the elements keep their means.
    ASSERT_NE(m.model->runRecord(), nullptr);
    EXPECT_EQ(m.model->runRecord()->iterations(), 50u);
    m.model->releaseRunRecord();
    EXPECT_EQ(m.model->runRecord(), nullptr);
    EXPECT_EQ(m.model->getOutcomeTree(0).healthStates().front().burdenMean().size(), 4u);
}
