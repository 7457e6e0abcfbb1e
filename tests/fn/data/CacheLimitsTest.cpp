#include <gtest/gtest.h>

#include <QBuffer>

#include "fn/data/ReferenceStoreTestSupport.h"
#include "fn/model/ModelTestSupport.h"
#include "ut/Diagnostics.h"

namespace {

using testing_support::levels;

// The bytes of the cache a store writes into its folder.
QByteArray cacheBytes(const fn::InputDataMgr& store)
{
    EXPECT_TRUE(store.saveCache());
    return referencetest::readAll(store.cacheFilePath());
}

struct Loaded
{
    fn::InputDataMgr store;
    QStringList reports;
    bool complete = false;
};

std::unique_ptr<Loaded> load(QByteArray bytes)
{
    auto loaded = std::make_unique<Loaded>();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const ut::ScopedDiagnosticsSink sink([&loaded](const QString& text) { loaded->reports << text; });
    loaded->complete = loaded->store.loadCache(buffer, "cache.dat");
    return loaded;
}

} // namespace

TEST(CacheLimits, StrataOfAllArraysTogetherAreBoundByTheFileSize)
{
    QTemporaryDir dir;
    // Fifty countries whose life expectancy claims 100 x 100 strata with one formula each:
    // every array alone fits in the file, all of them together would not.
    fn::InputDataMgr written;
    written.setDirPath(dir.path());
    const QVector<fn::InputFactor> wide = {fn::InputFactor("A", levels(100)), fn::InputFactor("B", levels(100))};
    for (int c = 0; c < 50; ++c)
        written.setLifeExpectancy(QStringLiteral("C%1").arg(c, 2, 10, QLatin1Char('0')),
                                  fn::DataArray(wide, "Life expectancy", {}, QStringList{"1"}));
    written.appendDiseaseId("D");
    const QByteArray bytes = cacheBytes(written);
    ASSERT_LT(bytes.size(), 50 * 10000);
    ASSERT_GT(bytes.size(), 10000);

    const auto loaded = load(bytes);
    EXPECT_FALSE(loaded->complete);
    EXPECT_LT(loaded->store.lifeExpectancies().size(), 50);
    EXPECT_TRUE(loaded->store.diseaseIds().isEmpty());
    ASSERT_EQ(loaded->reports.size(), 1);
    EXPECT_TRUE(loaded->reports.front().startsWith("Reference data cache cache.dat is damaged"));
    EXPECT_TRUE(loaded->reports.front().contains("the life expectancies"));

    // The same arrays over strata they have formulas for load whole and say nothing.
    fn::InputDataMgr genuine;
    genuine.setDirPath(dir.path());
    const QVector<fn::InputFactor> ageBySex = {fn::InputFactor("Age", levels(20)), fn::InputFactor("Sex", levels(2))};
    for (int c = 0; c < 50; ++c)
        genuine.setLifeExpectancy(QStringLiteral("C%1").arg(c), fn::DataArray(ageBySex, "Life expectancy", {}, "70"));
    genuine.appendDiseaseId("D");
    const auto whole = load(cacheBytes(genuine));
    EXPECT_TRUE(whole->complete);
    EXPECT_EQ(whole->store.lifeExpectancies().size(), 50);
    EXPECT_EQ(whole->store.diseaseIds(), QStringList{"D"});
    EXPECT_TRUE(whole->reports.isEmpty()) << whole->reports.join(QLatin1Char('\n')).toStdString();
}

TEST(CacheLimits, FactorListsBeyondArraysOrTheFileAreRefused)
{
    QTemporaryDir dir;
    // Nine factors: one more than an array has dimensions.
    fn::InputDataMgr nine;
    nine.setDirPath(dir.path());
    for (int f = 0; f < 9; ++f)
        nine.inputFactors().addInputFactor("D", QStringLiteral("F%1").arg(f), levels(2));
    const auto refused = load(cacheBytes(nine));
    EXPECT_FALSE(refused->complete);
    EXPECT_TRUE(refused->store.inputFactors().getInputFactors("D").isEmpty());
    ASSERT_EQ(refused->reports.size(), 1);
    EXPECT_TRUE(refused->reports.front().contains("the input factors"));

    // Two factors of 300 levels: 90 000 strata for every model of the disease, from a few kB.
    fn::InputDataMgr wide;
    wide.setDirPath(dir.path());
    wide.inputFactors().addInputFactor("D", "A", levels(300));
    wide.inputFactors().addInputFactor("D", "B", levels(300));
    EXPECT_FALSE(load(cacheBytes(wide))->complete);
}

TEST(CacheLimits, LifeExpectancyWithTooFewFormulasForANarrowerModel)
{
    // 20 age groups with a single formula in the cache, bound to a model of 19 age groups.
    QTemporaryDir dir;
    fn::InputDataMgr written;
    written.setDirPath(dir.path());
    const QVector<fn::InputFactor> twenty = {fn::InputFactor("Age", levels(20)), fn::InputFactor("Sex", levels(2))};
    written.setLifeExpectancy("Testland", fn::DataArray(twenty, "Life expectancy", {}, QStringList{"70"}));
    written.setAgeDistribution("Testland", fn::DataArray(twenty, "Age distribution", {}, "100"));
    const auto loaded = load(cacheBytes(written));
    ASSERT_TRUE(loaded->complete);

    using namespace testing_support;
    QJsonObject spec = specification({"inf", "acute"}, {{"inf", outcome("INFECTION")}, {"acute", outcome("ACUTE")}},
                                     {{"1", transition("t1", "inf", "acute", cells("1"))}}, cells("1"));
    overAgeGroups(spec, levels(19));
    const fn::JSONDiseaseTemplate diseaseTemplate(spec);
    fn::DiseaseModel model(&loaded->store, "model 1", "Testland", "Testland", &diseaseTemplate);
    model.setUp();
    // The conversion dropped the one formula there was: no life expectancy is left.
    EXPECT_TRUE(model.getParameter(fn::DiseaseModel::LifeExpectancy).currentFormulas().isEmpty());
    int treeIndex = 0;
    model.run(2, 0.0, treeIndex);
    EXPECT_EQ(model.getOutcomeTree(0).infection()->casesMean()[0], 1.0);
}
