#include <gtest/gtest.h>

#include "fn/model/ModelTestSupport.h"
#include "fn/model/ResultsComputer.h"
#include "fn/values/random/RandomFunctions.h"

using namespace testing_support;

namespace {

double cellMean(const QVariantMap& results, const QString& key, const QString& sex, int ageGroup)
{
    return results.value(key)
        .toMap()
        .value(sex)
        .toList()
        .value(ageGroup)
        .toMap()
        .value(QStringLiteral("Mean"))
        .toDouble();
}

} // namespace

// The shipped examples: a bloodstream infection over 19 age groups and a congenital
// disease whose first of 20 age groups is the perinatal one.
TEST(ResultsComputer, AlignsCongenitalModelsAndSumsTheRest)
{
    fn::InputDataMgr store;
    const fn::JSONDiseaseTemplate bsi(
        readJsonObject(sampleModel(QStringLiteral("Illustrative-CRKP-BSI.model_spec.json"))));
    const fn::JSONDiseaseTemplate congenital(
        readJsonObject(sampleModel(QStringLiteral("Illustrative-Listeriosis.model_spec.json"))));
    ASSERT_EQ(bsi.factors().value(0).levelCount(), 19);
    ASSERT_EQ(congenital.factors().value(0).levelCount(), 20);
    addCountry(store, QStringLiteral("Testland"), bsi.factors(), perStratum(19, 50000, 1000), perStratum(19, 80, -4));

    fn::DiseaseModelList models;
    models.push_back(std::make_unique<fn::DiseaseModel>(&store, QStringLiteral("model 1"), QStringLiteral("Testland"),
                                                        QStringLiteral("Testland"), &bsi));
    models.push_back(std::make_unique<fn::DiseaseModel>(&store, QStringLiteral("model 2"), QStringLiteral("Testland"),
                                                        QStringLiteral("Testland"), &congenital));
    fn::ResultsComputer computer(models);
    const std::uint32_t n = 200;
    computer.prepare(n);
    for (const auto& model : models) {
        model->setUp();
        fn::seedIfNonZero(7);
        int tree = 0;
        model->run(n, 0.03, tree);
        EXPECT_EQ(tree, model->outcomeTreeCount() - 1);
    }
    for (const auto& model : models)
        computer.addModel(*model);
    computer.compute();

    const QVariantMap aggregated = computer.aggregatedResults();
    const QVariantList modelResults = aggregated.value(QStringLiteral("modelResults")).toList();
    ASSERT_EQ(modelResults.size(), 2);
    EXPECT_EQ(modelResults[1].toMap().value(QStringLiteral("id")).toString(), QStringLiteral("model 2"));
    EXPECT_EQ(modelResults[0].toMap().value(QStringLiteral("disease")).toString(),
              QStringLiteral("IllustrativeCRKPBSI"));

    const QVariantMap all = aggregated.value(QStringLiteral("allResults")).toMap();
    const QVariantMap first = models[0]->categorizedResults();
    const QVariantMap second = models[1]->categorizedResults();
    ASSERT_EQ(all.value(QStringLiteral("daly")).toMap().value(QStringLiteral("arrayMale")).toList().size(), 20);
    EXPECT_EQ(all.value(QStringLiteral("daly"))
                  .toMap()
                  .value(QStringLiteral("arrayMale"))
                  .toList()[0]
                  .toMap()
                  .value(QStringLiteral("Age"))
                  .toString(),
              QStringLiteral("Congenital"));
    const QString sex = QStringLiteral("arrayFemale");
    EXPECT_GT(cellMean(second, QStringLiteral("daly"), sex, 0), 0.0);
    EXPECT_NEAR(cellMean(all, QStringLiteral("daly"), sex, 0), cellMean(second, QStringLiteral("daly"), sex, 0), 1e-6);
    for (int age : {1, 10, 19}) {
        const double expected = cellMean(first, QStringLiteral("daly"), sex, age - 1)
            + cellMean(second, QStringLiteral("daly"), sex, age);
        EXPECT_NEAR(cellMean(all, QStringLiteral("daly"), sex, age), expected, 1e-6 * expected) << age;
        // Per 100 000 of the people of that age group in both models together.
        const auto people = [&](const QVariantMap& results, int group) {
            return 100000 * cellMean(results, QStringLiteral("daly"), sex, group)
                / cellMean(results, QStringLiteral("dalyPer100k"), sex, group);
        };
        const double rate = expected * 100000 / (people(first, age - 1) + people(second, age));
        EXPECT_NEAR(cellMean(all, QStringLiteral("dalyPer100k"), sex, age), rate, 1e-6 * rate) << age;
    }

    // Totals: the sum of both models' means; populations add up.
    const auto totalMean = [](const QVariantMap& totals, const char* key) {
        return totals.value(QLatin1String(key)).toMap().value(QStringLiteral("Mean")).toDouble();
    };
    const QVariantMap totals = aggregated.value(QStringLiteral("totalResults")).toMap();
    const double daly = totalMean(models[0]->totalResults(), "daly") + totalMean(models[1]->totalResults(), "daly");
    EXPECT_NEAR(totalMean(totals, "daly"), daly, 1e-9 * daly);
    const double population = models[0]->totalPopulation() + models[1]->totalPopulation();
    EXPECT_NEAR(totalMean(totals, "dalyPer100k"), daly * 100000 / population, 1e-9 * daly);
    EXPECT_EQ(totals.size(), 11);
    EXPECT_EQ(all.size(), 12);

    // Quantiles bracket the mean of a random model.
    const QVariantMap dalyStatistics = models[0]->totalResults().value(QStringLiteral("daly")).toMap();
    EXPECT_LT(dalyStatistics.value(QStringLiteral("Quantile0.025")).toDouble(),
              dalyStatistics.value(QStringLiteral("Mean")).toDouble());
    EXPECT_GT(dalyStatistics.value(QStringLiteral("Quantile0.975")).toDouble(),
              dalyStatistics.value(QStringLiteral("Mean")).toDouble());
}

TEST(ResultsComputer, ZeroIterationsGiveDashes)
{
    fn::InputDataMgr store;
    const fn::JSONDiseaseTemplate spec(readJsonObject(fixture(QStringLiteral("two-trees.model_spec.json"))));
    addCountry(store, QStringLiteral("Testland"), spec.factors(), perStratum(2, 100, 10), perStratum(2, 50, -10));
    fn::DiseaseModelList models;
    models.push_back(std::make_unique<fn::DiseaseModel>(&store, QStringLiteral("m"), QStringLiteral("Testland"),
                                                        QStringLiteral("Testland"), &spec));
    models.front()->setUp();
    const QVariantMap before = models.front()->results();
    EXPECT_EQ(before.value(QStringLiteral("detailedResults")).toList().size(), 2);
    EXPECT_TRUE(before.value(QStringLiteral("totalSequelaTypeResults")).toMap().isEmpty());

    fn::ResultsComputer computer(models);
    computer.prepare(0);
    int tree = 0;
    models.front()->run(0, 0.0, tree);
    computer.addModel(*models.front());
    computer.compute();
    const QVariantMap daly = computer.totalResults().value(QStringLiteral("daly")).toMap();
    EXPECT_EQ(daly.value(QStringLiteral("Mean")).toString(), QStringLiteral("-"));
    EXPECT_EQ(daly.value(QStringLiteral("Quantile0.5")).toString(), QStringLiteral("-"));
}
