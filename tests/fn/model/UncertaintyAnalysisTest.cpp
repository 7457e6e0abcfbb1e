#include <gtest/gtest.h>

#include <cmath>

#include <QJsonDocument>
#include <QJsonObject>

#include "fn/model/ModelTestSupport.h"
#include "fn/model/SensitivityAnalysis.h"
#include "fn/values/RandomFunctions.h"

using namespace testing_support;

namespace {

// One acute state over four strata whose DALY is exactly linear in the population-weighted
// mean of its severity draws: notified cases in proportion to the population, every case one
// year ill, nobody dying. A further random input reaches nothing: the redistribution of a
// transition that is not redistributed.
const char* linearModel = R"json({
  "id": "Linear", "name": "Linear test disease",
  "dims": {"order": ["age", "sex"], "values": {"age": ["young", "old"], "sex": ["Female", "Male"]}},
  "rawCasesCountArray": {"vals": [["1", "2"], ["3", "4"]]},
  "outcomeTreeMapping": {"vals": [["t", "t"], ["t", "t"]]},
  "outcomeTrees": {"a": {"id": "t", "name": "Tree",
    "healthOutcomesRunOrder": ["inf", "acute"],
    "healthOutcomes": {
      "inf": {"name": "Infection", "type": "INFECTION", "healthStates": {}},
      "acute": {"name": "Acute", "type": "ACUTE", "healthStates": {
        "1": {"id": "ill", "name": "Ill",
              "severityArray": {"vals": [["RandUniform(0.1, 0.5)", "RandUniform(0.1, 0.5)"], ["RandUniform(0.1, 0.5)", "RandUniform(0.1, 0.5)"]]},
              "durationArray": {"vals": [["1", "1"], ["1", "1"]]},
              "proportionArray": {"vals": [["1", "1"], ["1", "1"]]}}}}},
    "transitions": {"1": {"id": "toAcute", "name": "To acute", "source": {"id": "inf"}, "target": {"id": "acute"},
                          "probabilityArray": {"vals": [["1", "1"], ["1", "1"]]},
                          "redistributeArray": {"vals": [["RandUniform(0, 1)", "RandUniform(0, 1)"], ["RandUniform(0, 1)", "RandUniform(0, 1)"]]}}}}}
})json";

struct LinearModel : JsonModel
{
    LinearModel()
        : JsonModel(QJsonDocument::fromJson(linearModel).object(), {QStringLiteral("1000"), QStringLiteral("2000"),
                                                                    QStringLiteral("3000"), QStringLiteral("4000")},
                    {QStringLiteral("50"), QStringLiteral("50"), QStringLiteral("50"), QStringLiteral("50")})
    {
    }
};

QVariantMap inputOf(const QVariantMap& sensitivity, const QString& element, const QString& parameter)
{
    for (const QVariant& input : sensitivity.value(QStringLiteral("inputs")).toList()) {
        const QVariantMap map = input.toMap();
        if (map.value(QStringLiteral("element")) == element && map.value(QStringLiteral("parameter")) == parameter)
            return map;
    }
    return {};
}

QByteArray json(const QVariantMap& map)
{
    return QJsonDocument(QJsonObject::fromVariantMap(map)).toJson(QJsonDocument::Compact);
}

} // namespace

TEST(UncertaintyAnalysis, TheOneInputADalyDependsOnLinearlyHasCorrelationAndCoefficientOne)
{
    LinearModel m;
    m.model->setUncertaintyAnalysis(true);
    fn::seedIfNonZero(11);
    m.run(4000, 0.0);
    const QVariantMap sensitivity = m.model->uncertaintyResults().value(QStringLiteral("sensitivity")).toMap();
    const QVariantList inputs = sensitivity.value(QStringLiteral("inputs")).toList();
    ASSERT_EQ(inputs.size(), 2);

    const QVariantMap severity = inputOf(sensitivity, QStringLiteral("ill"), QStringLiteral("Severity"));
    EXPECT_NEAR(severity.value(QStringLiteral("spearman")).toDouble(), 1.0, 1e-9);
    EXPECT_NEAR(severity.value(QStringLiteral("standardizedRegressionCoefficient")).toDouble(), 1.0, 1e-6);
    EXPECT_TRUE(severity.value(QStringLiteral("cells")).toString().contains(QStringLiteral("population-weighted mean")));
    EXPECT_EQ(severity.value(QStringLiteral("formula")).toString(), QStringLiteral("RandUniform(0.1, 0.5)"));
    // The strongest input comes first.
    EXPECT_EQ(inputs.first().toMap().value(QStringLiteral("parameter")).toString(), QStringLiteral("Severity"));

    const QVariantMap unused = inputOf(sensitivity, QStringLiteral("toAcute"), QStringLiteral("Redistribution"));
    EXPECT_LT(std::abs(unused.value(QStringLiteral("spearman")).toDouble()), 0.06);
    EXPECT_LT(std::abs(unused.value(QStringLiteral("standardizedRegressionCoefficient")).toDouble()), 1e-6);
    EXPECT_NEAR(sensitivity.value(QStringLiteral("rSquared")).toDouble(), 1.0, 1e-9);
}

TEST(UncertaintyAnalysis, StandardErrorsFollowTheoryAndTheAnalysisChangesNoNumberNorDraw)
{
    LinearModel plain;
    fn::seedIfNonZero(5);
    plain.run(3000, 0.0);
    const QByteArray results = json(plain.model->results());
    const std::uint32_t nextDraw = fn::randomEngine()();
    EXPECT_TRUE(plain.model->uncertaintyResults().isEmpty());

    LinearModel analysed;
    analysed.model->setUncertaintyAnalysis(true);
    fn::seedIfNonZero(5);
    analysed.run(3000, 0.0);
    EXPECT_EQ(json(analysed.model->results()), results);
    EXPECT_EQ(fn::randomEngine()(), nextDraw);

    // DALY = sum over strata of cases x severity: each severity uniform on [0.1, 0.5).
    const double sd = std::sqrt(1.0 + 4.0 + 9.0 + 16.0) * 0.4 / std::sqrt(12.0);
    const QVariantMap convergence = analysed.model->uncertaintyResults().value(QStringLiteral("convergence")).toMap();
    const double error = convergence.value(QStringLiteral("standardError")).toDouble();
    EXPECT_NEAR(error, sd / std::sqrt(3000.0), 0.05 * sd / std::sqrt(3000.0));
    const double relative = convergence.value(QStringLiteral("relativeStandardError")).toDouble();
    EXPECT_NEAR(relative, error / mean(analysed.model->totalResults().value(QStringLiteral("daly"))), 1e-12);
    EXPECT_EQ(convergence.value(QStringLiteral("relativeStandardErrorBelowOnePercent")).toBool(), relative < 0.01);
    EXPECT_NEAR(convergence.value(QStringLiteral("iterationsForOnePercent")).toDouble(),
                std::ceil(3000.0 * relative * relative / 1e-4), 1.0);

    // The standard errors lie where the means lie in the results.
    const QVariantMap errors = analysed.model->uncertaintyResults().value(QStringLiteral("standardErrors")).toMap();
    const QVariantMap total = errors.value(QStringLiteral("totalResults")).toMap();
    EXPECT_EQ(total.value(QStringLiteral("daly")).toMap().value(QStringLiteral("MeanStandardError")).toDouble(), error);
    EXPECT_EQ(total.keys(), analysed.model->totalResults().keys());
    const QVariantList female = errors.value(QStringLiteral("totalCategorizedResults")).toMap()
                                    .value(QStringLiteral("yld")).toMap().value(QStringLiteral("arrayFemale")).toList();
    ASSERT_EQ(female.size(), 2);
    // The young women's YLD: one case a year at a severity uniform on [0.1, 0.5).
    EXPECT_NEAR(female[0].toMap().value(QStringLiteral("MeanStandardError")).toDouble(),
                0.4 / std::sqrt(12.0) / std::sqrt(3000.0), 0.05 * 0.4 / std::sqrt(12.0 * 3000.0));
}

TEST(SensitivityAnalysis, TiedValuesShareTheMeanOfTheirRanks)
{
    // Rank correlations by hand: {1, 1, 2, 3} ranks as {1.5, 1.5, 3, 4}; {3, 1, 3, 2, 5} as
    // {3.5, 1, 3.5, 2, 5}.
    const struct
    {
        std::vector<double> input;
        std::vector<double> result;
        double spearman;
    } rows[] = {
        {{1, 1, 2, 3}, {1, 2, 3, 4}, 3 / std::sqrt(10.0)},
        {{1, 2, 3, 4}, {1, 1, 2, 3}, 3 / std::sqrt(10.0)},
        {{3, 1, 3, 2, 5}, {1, 2, 3, 4, 5}, 4 / std::sqrt(95.0)},
    };
    for (const auto& row : rows) {
        const auto figures = fn::SensitivityAnalysis::analyze({row.input.data()}, row.result.data(),
                                                              std::uint32_t(row.input.size()));
        EXPECT_NEAR(figures.spearman[0], row.spearman, 1e-12);
    }
}

TEST(SensitivityAnalysis, RankCorrelationsAndCoefficientsOfKnownRelations)
{
    const std::uint32_t n = 500;
    std::vector<double> a(n), b(n), c(n), y(n), constant(n, 3.0);
    for (std::uint32_t k = 0; k < n; ++k) {
        a[k] = std::sin(k * 0.37) + 2.0;
        b[k] = std::cos(k * 1.13);
        c[k] = std::fmod(k * 0.6180339887, 1.0);
        // Monotone in a, linear in b: a's rank correlation is high, b enters with its weight.
        y[k] = std::exp(a[k]) - 3.0 * b[k];
    }
    const fn::SensitivityAnalysis::Figures figures =
        fn::SensitivityAnalysis::analyze({a.data(), b.data(), c.data(), constant.data()}, y.data(), n);
    EXPECT_GT(figures.spearman[0], 0.5);
    EXPECT_LT(figures.spearman[1], -0.3);
    EXPECT_LT(std::abs(figures.spearman[2]), 0.15);
    EXPECT_TRUE(std::isnan(figures.spearman[3]));
    EXPECT_TRUE(std::isnan(figures.coefficients[3]));
    EXPECT_GT(figures.rSquared, 0.9);
    EXPECT_LE(figures.rSquared, 1.0);

    // An exactly linear result: the coefficients are the inputs' weights in standard units.
    for (std::uint32_t k = 0; k < n; ++k)
        y[k] = 2.0 * a[k] + 0.5 * c[k];
    const fn::SensitivityAnalysis::Figures linear = fn::SensitivityAnalysis::analyze({a.data(), c.data()}, y.data(), n);
    const auto sd = [n](const std::vector<double>& v) {
        double m = 0, s = 0;
        for (double x : v)
            m += x / n;
        for (double x : v)
            s += (x - m) * (x - m);
        return std::sqrt(s / (n - 1));
    };
    EXPECT_NEAR(linear.coefficients[0], 2.0 * sd(a) / sd(y), 1e-9);
    EXPECT_NEAR(linear.coefficients[1], 0.5 * sd(c) / sd(y), 1e-9);
    EXPECT_NEAR(linear.rSquared, 1.0, 1e-9);
}
