#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include "fn/model/ConvergenceCheck.h"
#include "fn/model/ModelTestSupport.h"
#include "fn/model/SensitivityAnalysis.h"
#include "fn/values/random/RandomFunctions.h"

using namespace testing_support;

namespace {

QStringList four(const QString& cell)
{
    return {cell, cell, cell, cell};
}

// An array of the four strata (young, old) x (Female, Male) from its cells in that order.
QString cellsOf(const QStringList& cells)
{
    const auto quoted = [&](int i) { return QStringLiteral("\"%1\"").arg(cells[i]); };
    return QStringLiteral(R"({"vals": [[%1, %2], [%3, %4]]})").arg(quoted(0), quoted(1), quoted(2), quoted(3));
}

struct State
{
    QString id;
    QString proportion;
    QStringList severity;
};

// A model of acute states only, one tree per distinct id of mapping, each the same: every case
// goes on to one acute outcome, shared by the states in their proportions, each state lasting a
// year at its severity. So the DALY of a stratum is its cases x the sum of proportion x severity,
// linear in every random input. Two random parameters cannot reach the DALY and are never listed:
// the probability of the infection's only transition (the notified cases are scaled back through
// it) and the redistribution of a transition that does not redistribute.
QJsonObject acuteModel(const QStringList& cases, const QStringList& mapping, const QVector<State>& states,
                       const QString& probability = QStringLiteral("RandUniform(0.5, 1)"))
{
    QStringList stateEntries;
    for (int i = 0; i < states.size(); ++i)
        stateEntries << QStringLiteral(R"("%1": {"id": "%2", "name": "%2", "severityArray": %3,
              "durationArray": %4, "proportionArray": %5})")
                            .arg(i + 1)
                            .arg(states[i].id, cellsOf(states[i].severity), cellsOf(four("1")),
                                 cellsOf(four(states[i].proportion)));
    QStringList trees;
    for (const QString& id : QSet<QString>(mapping.begin(), mapping.end()))
        trees << QStringLiteral(R"("%1": {"id": "%1", "name": "Tree %1", "healthOutcomesRunOrder": ["inf", "acute"],
            "healthOutcomes": {"inf": {"name": "Infection", "type": "INFECTION", "healthStates": {}},
                               "acute": {"name": "Acute", "type": "ACUTE", "healthStates": {%2}}},
            "transitions": {"1": {"id": "toAcute", "name": "To acute", "source": {"id": "inf"}, "target": {"id": "acute"},
                                  "probabilityArray": %3, "redistributeArray": %4}}})")
                     .arg(id, stateEntries.join(", "), cellsOf(four(probability)), cellsOf(four("RandUniform(0, 1)")));
    const QString text = QStringLiteral(R"({"id": "Known", "name": "Known answers",
        "dims": {"order": ["age", "sex"], "values": {"age": ["young", "old"], "sex": ["Female", "Male"]}},
        "rawCasesCountArray": %1, "outcomeTreeMapping": %2, "outcomeTrees": {%3}})")
                             .arg(cellsOf(cases), cellsOf(mapping), trees.join(", "));
    return QJsonDocument::fromJson(text.toUtf8()).object();
}

} // namespace

TEST(UncertaintyAnalysis, StandardErrorsFollowTheoryAndTheAnalysisChangesNoNumberNorDraw)
{
    // One acute state over four strata whose DALY is exactly linear in the population-weighted
    // mean of its severity draws: notified cases in proportion to the population, every case one
    // year ill, nobody dying.
    const QJsonObject linear = acuteModel({"1", "2", "3", "4"}, four("t"),
                                          {{"ill", "1", four("RandUniform(0.1, 0.5)")}}, "1");
    const QStringList population = {"1000", "2000", "3000", "4000"};
    JsonModel plain(linear, population, four("50"));
    fn::seedIfNonZero(5);
    plain.run(3000, 0.0);
    const QByteArray results = json(plain.model->results());
    const std::uint32_t nextDraw = fn::randomEngine()();
    EXPECT_TRUE(plain.model->uncertaintyResults().isEmpty());

    JsonModel analysed(linear, population, four("50"));
    analysed.model->setUncertaintyAnalysis(true);
    fn::seedIfNonZero(5);
    analysed.run(3000, 0.0);
    EXPECT_EQ(json(analysed.model->results()), results);
    EXPECT_EQ(fn::randomEngine()(), nextDraw);

    // DALY = sum over strata of cases x severity: each severity uniform on [0.1, 0.5).
    const double sd = std::sqrt(1.0 + 4.0 + 9.0 + 16.0) * 0.4 / std::sqrt(12.0);
    const QVariantMap convergence = analysed.model->uncertaintyResults().value("convergence").toMap();
    const double error = convergence.value("standardError").toDouble();
    EXPECT_NEAR(error, sd / std::sqrt(3000.0), 0.05 * sd / std::sqrt(3000.0));
    const double relative = convergence.value("relativeStandardError").toDouble();
    EXPECT_NEAR(relative, error / mean(analysed.model->totalResults().value("daly")), 1e-12);
    EXPECT_EQ(convergence.value("relativeStandardErrorBelowOnePercent").toBool(), relative < 0.01);
    // Never fewer than the run had.
    EXPECT_EQ(convergence.value("iterationsForOnePercent").toDouble(),
              std::max(3000.0, std::ceil(3000.0 * relative * relative / 1e-4)));
    // The 2.5 % quantile of a sum of four uniforms weighted 1 to 4 needs far more than the mean.
    const QVariantList quantiles = convergence.value("quantiles").toList();
    ASSERT_EQ(quantiles.size(), 2);
    const double lowQuantile = quantiles[0].toMap().value("iterationsForOnePercent").toDouble();
    EXPECT_GT(lowQuantile, convergence.value("iterationsForOnePercent").toDouble());
    EXPECT_GE(convergence.value("iterationsNeeded").toDouble(), lowQuantile);
    EXPECT_FALSE(convergence.value("enoughIterations").toBool());

    // The standard errors lie where the means lie in the results.
    const QVariantMap errors = analysed.model->uncertaintyResults().value("standardErrors").toMap();
    const QVariantMap total = errors.value("totalResults").toMap();
    EXPECT_EQ(total.value("daly").toMap().value("MeanStandardError").toDouble(), error);
    EXPECT_EQ(total.keys(), analysed.model->totalResults().keys());
    const QVariantList female =
        errors.value("totalCategorizedResults").toMap().value("yld").toMap().value("arrayFemale").toList();
    ASSERT_EQ(female.size(), 2);
    // The young women's YLD: one case a year at a severity uniform on [0.1, 0.5).
    EXPECT_NEAR(female[0].toMap().value("MeanStandardError").toDouble(), 0.4 / std::sqrt(12.0) / std::sqrt(3000.0),
                0.05 * 0.4 / std::sqrt(12.0 * 3000.0));
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
    const std::vector<double> tied = {0, 0, 1, 1}, y = {1, 2, 3, 4}, reversed = {4, 3, 2, 1}, same = {2, 2, 2, 2};
    const fn::SensitivityAnalysis::Figures figures = fn::SensitivityAnalysis::analyze(
        {tied.data(), reversed.data(), same.data()}, y.data(), 4);
    EXPECT_NEAR(figures.spearman[0], 4.0 / std::sqrt(20.0), 1e-12);
    EXPECT_NEAR(figures.spearman[1], -1.0, 1e-12);
    EXPECT_TRUE(std::isnan(figures.spearman[2]));
    // Four samples for two inputs that vary: no regression.
    EXPECT_EQ(figures.regressionInputs, 2u);
    EXPECT_TRUE(figures.withheld.contains(QLatin1String("too few samples")));
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
    const fn::SensitivityAnalysis::Figures figures = fn::SensitivityAnalysis::analyze(
        {a.data(), b.data(), c.data(), constant.data()}, y.data(), n);
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

    // Monotone but far from linear: the rank regression shows what the linear misses.
    for (std::uint32_t k = 0; k < n; ++k)
        y[k] = std::exp(12.0 * c[k]);
    const fn::SensitivityAnalysis::Figures monotone = fn::SensitivityAnalysis::analyze({c.data()}, y.data(), n);
    EXPECT_LT(monotone.rSquared, 0.6);
    EXPECT_NEAR(monotone.rankRSquared, 1.0, 1e-9);
}

// Models whose sensitivity is known on paper. Every input enters the DALY linearly, so R^2 is 1
// and the standardised coefficient of an input is the square root of its share of the variance:
// the sum over its cells of (weight x standard deviation)^2, over the total.
TEST(UncertaintyAnalysis, KnownAnswersOfLinearModels)
{
    const QStringList uniform = four("RandUniform(0, 1)");
    const QStringList t = four("t");
    // Every input listed is a severity.
    struct Expected
    {
        QString tree;
        QString element;
        QString cells; // a part of the description of its cells
        double coefficient;
    };
    struct Row
    {
        const char* name;
        QJsonObject specification;
        QVector<Expected> inputs; // all that are listed
        double tolerance;
    };
    const QStringList skewedCases = {"1", "10", "100", "1000"};
    const std::vector<Row> rows = {
        // Severities uniform on [0.1, 0.5) in strata of 1 to 4 cases: one input, all of the
        // variance.
        {"one linear input",
         acuteModel({"1", "2", "3", "4"}, t, {{"ill", "1", four("RandUniform(0.1, 0.5)")}}),
         {{"t", "ill", "all 4 cells", 1.0}},
         1e-6},
        // Half the cases mild, half severe, the severe three times as severe and as spread:
        // variance shares 1 : 9, coefficients 1/sqrt(10) and 3/sqrt(10).
        {"two inputs of known weight",
         acuteModel(four("5"), t,
                    {{"mild", "0.5", four("RandUniform(0, 0.1)")}, {"severe", "0.5", four("RandUniform(0, 0.3)")}}),
         {{"t", "mild", "all 4 cells", 1.0 / std::sqrt(10.0)}, {"t", "severe", "all 4 cells", 3.0 / std::sqrt(10.0)}},
         0.02},
        // A per-stratum severity over strata of equal population and very unequal cases:
        // pooled by the cases that reach it, it is exactly the DALY over the total cases.
        {"pooled per-stratum parameter",
         acuteModel(skewedCases, t, {{"ill", "1", uniform}}),
         {{"t", "ill", "all 4 cells", 1.0}},
         1e-6},
        // The same split over two trees: each tree's input has only its own strata, with shares
        // (1 + 100 + 10 000) : 1 000 000 of the variance.
        {"per-stratum parameter of two trees",
         acuteModel(skewedCases, {"t", "t", "t", "u"}, {{"ill", "1", uniform}}),
         {{"t", "ill", "3 of 4 cells", std::sqrt(10101.0 / 1010101.0)},
          {"u", "ill", "cell 3", std::sqrt(1000000.0 / 1010101.0)}},
         0.01},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        JsonModel m(row.specification, four("1000"), four("50"));
        m.model->setUncertaintyAnalysis(true);
        fn::seedIfNonZero(7);
        m.run(4000, 0.0);
        const QVariantMap sensitivity = m.model->uncertaintyResults().value("sensitivity").toMap();
        const QVariantList listed = sensitivity.value("inputs").toList();
        EXPECT_EQ(listed.size(), row.inputs.size());
        EXPECT_NEAR(sensitivity.value("rSquared").toDouble(), 1.0, 1e-9);
        EXPECT_NEAR(sensitivity.value("adjustedRSquared").toDouble(), 1.0, 1e-9);
        EXPECT_TRUE(sensitivity.value("coefficientsWithheld").isNull());
        QMap<QString, QVariantMap> byName;
        for (const QVariant& entry : listed) {
            const QVariantMap map = entry.toMap();
            EXPECT_EQ(map.value("parameter").toString(), "Severity");
            byName.insert(map.value("tree").toString() + ' ' + map.value("element").toString(), map);
        }
        for (const Expected& expected : row.inputs) {
            const QString name = expected.tree + ' ' + expected.element;
            SCOPED_TRACE(name.toStdString());
            const QVariantMap input = byName.value(name);
            ASSERT_FALSE(input.isEmpty());
            EXPECT_TRUE(input.value("cells").toString().contains(expected.cells));
            EXPECT_NEAR(input.value("standardizedRegressionCoefficient").toDouble(), expected.coefficient,
                        row.tolerance);
        }
        // The strongest input comes first.
        const double first = std::abs(listed.value(0).toMap().value("standardizedRegressionCoefficient").toDouble());
        for (const QVariant& entry : listed)
            EXPECT_LE(std::abs(entry.toMap().value("standardizedRegressionCoefficient").toDouble()), first);
    }
}

// Independent uniform inputs x_j and a result y = sum of w_j x_j + noise; then the regression is
// fitted only with ten samples per input that varies and inputs that do not move together.
TEST(SensitivityAnalysis, RegressionNeedsTenSamplesPerInputAndSeparableInputs)
{
    struct Row
    {
        const char* name;
        std::uint32_t n;
        std::vector<double> weights;
        double noise;
        bool collinear; // the last input is the sum of the first two
        const char* reason; // withheld because of, or nullptr
        double rSquared; // expected, with tolerance below; rank R^2 no lower than it
        double adjustedRSquared;
        double tolerance;
    };
    const double nan = std::nan("");
    const std::vector<Row> rows = {
        {"too few samples", 49, {1, 1, 1, 1, 1}, 0.0, false, "too few samples", nan, nan, 0},
        {"just enough", 50, {1, 1, 1, 1, 1}, 0.0, false, nullptr, 1.0, 1.0, 1e-9},
        {"inputs that move together", 500, {1, 2, 0}, 0.0, true, "move together", nan, nan, 0},
        // Ten inputs of no effect: R^2 about 10 / 399 by chance alone, adjusted R^2 about 0.
        {"pure noise", 400, std::vector<double>(10, 0.0), 1.0, false, nullptr, 10.0 / 399.0, 0.0, 0.03},
        // One input of variance 1/12 and noise of variance 1/12: R^2 one half.
        {"half explained", 4000, {1}, 1.0, false, nullptr, 0.5, 0.5, 0.03},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::mt19937 engine(42);
        std::uniform_real_distribution<double> uniform(0.0, 1.0);
        const std::size_t p = row.weights.size();
        std::vector<std::vector<double>> x(p, std::vector<double>(row.n));
        std::vector<double> y(row.n);
        for (std::uint32_t k = 0; k < row.n; ++k) {
            for (std::size_t j = 0; j < p; ++j)
                x[j][k] = row.collinear && j + 1 == p ? x[0][k] + x[1][k] : uniform(engine);
            y[k] = row.noise * uniform(engine);
            for (std::size_t j = 0; j < p; ++j)
                y[k] += row.weights[j] * x[j][k];
        }
        std::vector<const double*> inputs;
        for (const std::vector<double>& column : x)
            inputs.push_back(column.data());
        const fn::SensitivityAnalysis::Figures figures = fn::SensitivityAnalysis::analyze(inputs, y.data(), row.n);
        // The rank correlations do not depend on the regression.
        EXPECT_TRUE(
            std::all_of(figures.spearman.begin(), figures.spearman.end(), [](double s) { return std::isfinite(s); }));
        if (row.reason) {
            EXPECT_TRUE(figures.withheld.contains(QLatin1String(row.reason))) << figures.withheld.toStdString();
            EXPECT_TRUE(std::all_of(figures.coefficients.begin(), figures.coefficients.end(),
                                    [](double c) { return std::isnan(c); }));
            EXPECT_TRUE(std::isnan(figures.rSquared));
            EXPECT_TRUE(std::isnan(figures.adjustedRSquared));
            continue;
        }
        EXPECT_TRUE(figures.withheld.isEmpty());
        EXPECT_NEAR(figures.rSquared, row.rSquared, row.tolerance);
        EXPECT_NEAR(figures.adjustedRSquared, row.adjustedRSquared, row.tolerance);
        EXPECT_LT(figures.adjustedRSquared, figures.rSquared + 1e-12);
    }
}

// The totals 1, 2, ..., n: the p quantile is ceil(n p); its 95 % interval runs between the
// order statistics floor(n p - 1.96 s) and ceil(n p + 1.96 s) + 1, s = sqrt(n p (1 - p)).
TEST(ConvergenceCheck, QuantilePrecisionFromOrderStatistics)
{
    struct Row
    {
        std::uint32_t n;
        double probability;
        double value, lower, upper; // not-a-number: too few totals
    };
    const double nan = std::nan("");
    const std::vector<Row> rows = {
        // s = sqrt(243.75) = 15.61, 1.96 s = 30.60
        {10000, 0.025, 250, 219, 282},
        {10000, 0.975, 9750, 9719, 9782},
        // s = 4.94, 1.96 s = 9.68: ranks 15 and 36
        {1000, 0.025, 25, 15, 36},
        // 1.96 s = 3.06 exceeds n p = 2.5
        {100, 0.025, 3, nan, nan},
        {100, 0.975, 98, nan, nan},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.n << " totals, p = " << row.probability);
        std::vector<double> sorted(row.n);
        for (std::uint32_t k = 0; k < row.n; ++k)
            sorted[k] = k + 1.0;
        const fn::ConvergenceCheck::Quantile q = fn::ConvergenceCheck::quantile(sorted, row.probability);
        EXPECT_EQ(q.value, row.value);
        if (std::isnan(row.lower)) {
            EXPECT_TRUE(std::isnan(q.lower) && std::isnan(q.upper) && std::isnan(q.relativeStandardError));
            continue;
        }
        EXPECT_EQ(q.lower, row.lower);
        EXPECT_EQ(q.upper, row.upper);
        EXPECT_NEAR(q.relativeStandardError, (row.upper - row.lower) / (2.0 * 1.959963984540054) / row.value, 1e-12);
    }
}

TEST(ConvergenceCheck, IterationsNeededAreNeverBelowTheRunNorBelowOneThousand)
{
    struct Row
    {
        std::uint32_t n;
        double relative;
        double needed;
    };
    const std::vector<Row> rows = {
        {1000, 0.02, 4000}, // twice the target: four times the iterations
        {5000, 0.001, 5000}, // reached long before: not below the run
        {200, 0.001, 1000}, // nor below 1 000
        {200, 0.04, 3200},   {1000, std::nan(""), std::nan("")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.n << " iterations, relative error " << row.relative);
        const double needed = fn::ConvergenceCheck::iterationsNeeded(row.n, row.relative);
        if (std::isnan(row.needed))
            EXPECT_TRUE(std::isnan(needed));
        else
            EXPECT_EQ(needed, row.needed);
    }
}
