#include <gtest/gtest.h>

#include "fn/model/ModelTestSupport.h"
#include "fn/model/ResultsComputer.h"
#include "fn/values/random/RandomFunctions.h"

using namespace testing_support;

namespace {

double cellMean(const QVariantMap& results, const QString& key, const QString& sex, int ageGroup)
{
    return results.value(key).toMap().value(sex).toList().value(ageGroup).toMap().value("Mean").toDouble();
}

} // namespace

// The shipped examples: a bloodstream infection over 19 age groups and a congenital
// disease whose first of 20 age groups is the perinatal one.
TEST(ResultsComputer, AlignsCongenitalModelsAndSumsTheRest)
{
    fn::InputDataMgr store;
    const fn::JSONDiseaseTemplate bsi(readJsonObject(sampleModel("Illustrative-CRKP-BSI.model_spec.json")));
    const fn::JSONDiseaseTemplate congenital(readJsonObject(sampleModel("Illustrative-Listeriosis.model_spec.json")));
    ASSERT_EQ(bsi.factors().value(0).levelCount(), 19);
    ASSERT_EQ(congenital.factors().value(0).levelCount(), 20);
    addCountry(store, "Testland", bsi.factors(), perStratum(19, 50000, 1000), perStratum(19, 80, -4));

    fn::DiseaseModelList models;
    models.push_back(std::make_unique<fn::DiseaseModel>(&store, "model 1", "Testland", "Testland", &bsi));
    models.push_back(std::make_unique<fn::DiseaseModel>(&store, "model 2", "Testland", "Testland", &congenital));
    fn::ResultsComputer computer(models);
    const std::uint32_t n = 200;
    computer.prepare(n);
    for (const auto& model : models) {
        model->setUp();
        fn::seedIfNonZero(7);
        int tree = 0;
        model->run(n, 0.03, tree);
        EXPECT_EQ(tree, model->outcomeTreeCount() - 1);
        computer.addModel(*model);
    }
    computer.compute();

    const QVariantMap aggregated = computer.aggregatedResults();
    const QVariantList modelResults = aggregated.value("modelResults").toList();
    ASSERT_EQ(modelResults.size(), 2);
    EXPECT_EQ(modelResults[1].toMap().value("id").toString(), "model 2");
    EXPECT_EQ(modelResults[0].toMap().value("disease").toString(), "IllustrativeCRKPBSI");

    const QVariantMap all = aggregated.value("allResults").toMap();
    const QVariantMap first = models[0]->categorizedResults();
    const QVariantMap second = models[1]->categorizedResults();
    ASSERT_EQ(all.value("daly").toMap().value("arrayMale").toList().size(), 20);
    EXPECT_EQ(all.value("daly").toMap().value("arrayMale").toList()[0].toMap().value("Age").toString(), "Congenital");
    const QString sex = QStringLiteral("arrayFemale");
    EXPECT_GT(cellMean(second, "daly", sex, 0), 0.0);
    EXPECT_NEAR(cellMean(all, "daly", sex, 0), cellMean(second, "daly", sex, 0), 1e-6);
    for (int age : {1, 10, 19}) {
        const double expected = cellMean(first, "daly", sex, age - 1) + cellMean(second, "daly", sex, age);
        EXPECT_NEAR(cellMean(all, "daly", sex, age), expected, 1e-6 * expected) << age;
        // Per 100 000 of the people of that age group in both models together.
        const auto people = [&](const QVariantMap& results, int group) {
            return 100000 * cellMean(results, "daly", sex, group) / cellMean(results, "dalyPer100k", sex, group);
        };
        const double rate = expected * 100000 / (people(first, age - 1) + people(second, age));
        EXPECT_NEAR(cellMean(all, "dalyPer100k", sex, age), rate, 1e-6 * rate) << age;
    }

    // Totals: the sum of both models' means; populations add up.
    const QVariantMap totals = aggregated.value("totalResults").toMap();
    const double daly = mean(models[0]->totalResults().value("daly")) + mean(models[1]->totalResults().value("daly"));
    EXPECT_NEAR(mean(totals.value("daly")), daly, 1e-9 * daly);
    const double population = models[0]->totalPopulation() + models[1]->totalPopulation();
    EXPECT_NEAR(mean(totals.value("dalyPer100k")), daly * 100000 / population, 1e-9 * daly);
    EXPECT_EQ(totals.size(), 11);
    EXPECT_EQ(all.size(), 12);

    // Quantiles bracket the mean of a random model.
    const QVariantMap dalyStatistics = models[0]->totalResults().value("daly").toMap();
    EXPECT_LT(dalyStatistics.value("Quantile0.025").toDouble(), dalyStatistics.value("Mean").toDouble());
    EXPECT_GT(dalyStatistics.value("Quantile0.975").toDouble(), dalyStatistics.value("Mean").toDouble());
}

TEST(ResultsComputer, ZeroIterationsGiveDashes)
{
    TwoTreesModel m;
    fn::DiseaseModelList models;
    models.push_back(std::move(m.model));
    const QVariantMap before = models.front()->results();
    EXPECT_EQ(before.value("detailedResults").toList().size(), 2);
    EXPECT_TRUE(before.value("totalSequelaTypeResults").toMap().isEmpty());

    fn::ResultsComputer computer(models);
    computer.prepare(0);
    int tree = 0;
    models.front()->run(0, 0.0, tree);
    computer.addModel(*models.front());
    computer.compute();
    const QVariantMap daly = computer.totalResults().value("daly").toMap();
    EXPECT_EQ(daly.value("Mean").toString(), "-");
    EXPECT_EQ(daly.value("Quantile0.5").toString(), "-");
}
