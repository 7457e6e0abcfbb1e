#include "fn/model/SensitivityAnalysis.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

#include <QHash>
#include <QVariantList>

#include "fn/model/SensitivityInputs.h"

namespace fn {

namespace {

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();

bool allFinite(const double* values, std::uint32_t n)
{
    return std::all_of(values, values + n, [](double v) { return std::isfinite(v); });
}

// Values less their mean, over their standard deviation; empty when they do not vary.
std::vector<double> standardized(const double* values, std::uint32_t n)
{
    if (n < 2 || !allFinite(values, n))
        return {};
    const double mean = std::accumulate(values, values + n, 0.0) / n;
    double squares = 0.0;
    for (std::uint32_t k = 0; k < n; ++k)
        squares += (values[k] - mean) * (values[k] - mean);
    const double deviation = std::sqrt(squares / (n - 1));
    if (!(deviation > 0.0) || deviation < 1e-12 * std::max(1.0, std::abs(mean)))
        return {};
    std::vector<double> z(n);
    for (std::uint32_t k = 0; k < n; ++k)
        z[k] = (values[k] - mean) / deviation;
    return z;
}

double correlation(const std::vector<double>& a, const std::vector<double>& b)
{
    const std::size_t n = a.size();
    const double ma = std::accumulate(a.begin(), a.end(), 0.0) / double(n);
    const double mb = std::accumulate(b.begin(), b.end(), 0.0) / double(n);
    double ab = 0.0, aa = 0.0, bb = 0.0;
    for (std::size_t k = 0; k < n; ++k) {
        ab += (a[k] - ma) * (b[k] - mb);
        aa += (a[k] - ma) * (a[k] - ma);
        bb += (b[k] - mb) * (b[k] - mb);
    }
    return aa > 0.0 && bb > 0.0 ? ab / std::sqrt(aa * bb) : notANumber;
}

// Solves the symmetric positive definite system a x = b by Cholesky; empty when a is singular
// or nearly so (inputs that move together), which no fit can then separate.
std::vector<double> solve(std::vector<double> l, std::vector<double> x, std::size_t p)
{
    for (std::size_t j = 0; j < p; ++j) {
        double d = l[j * p + j];
        for (std::size_t k = 0; k < j; ++k)
            d -= l[j * p + k] * l[j * p + k];
        if (!(d > 1e-10))
            return {};
        l[j * p + j] = std::sqrt(d);
        for (std::size_t i = j + 1; i < p; ++i) {
            double s = l[i * p + j];
            for (std::size_t k = 0; k < j; ++k)
                s -= l[i * p + k] * l[j * p + k];
            l[i * p + j] = s / l[j * p + j];
        }
    }
    for (std::size_t i = 0; i < p; ++i) {
        for (std::size_t k = 0; k < i; ++k)
            x[i] -= l[i * p + k] * x[k];
        x[i] /= l[i * p + i];
    }
    for (std::size_t i = p; i-- > 0;) {
        for (std::size_t k = i + 1; k < p; ++k)
            x[i] -= l[k * p + i] * x[k];
        x[i] /= l[i * p + i];
    }
    return x;
}

// The least-squares fit of standardised y on standardised columns: the coefficients solve the
// normal equations C b = r in correlation form; R^2 is b.r. Empty when C is singular.
std::vector<double> regression(const std::vector<std::vector<double>>& zx, const std::vector<double>& zy,
                               double& rSquared)
{
    const std::size_t q = zx.size();
    const std::size_t n = zy.size();
    std::vector<double> c(q * q), r(q);
    const double scale = 1.0 / double(n - 1);
    for (std::size_t a = 0; a < q; ++a) {
        for (std::size_t b = a; b < q; ++b) {
            double s = 0.0;
            for (std::size_t k = 0; k < n; ++k)
                s += zx[a][k] * zx[b][k];
            c[a * q + b] = c[b * q + a] = s * scale;
        }
        double s = 0.0;
        for (std::size_t k = 0; k < n; ++k)
            s += zx[a][k] * zy[k];
        r[a] = s * scale;
    }
    std::vector<double> beta = solve(c, r, q);
    double explained = 0.0;
    for (std::size_t a = 0; a < beta.size(); ++a)
        explained += beta[a] * r[a];
    rSquared = beta.empty() ? notANumber : std::clamp(explained, 0.0, 1.0);
    return beta;
}

QVariant number(double value)
{
    return std::isfinite(value) ? QVariant(value) : QVariant();
}

} // namespace

QVariantList SensitivityAnalysis::parameterGroups(const SensitivityInputs& inputs,
                                                  const std::vector<const double*>& draws, const double* result)
{
    const std::uint32_t n = inputs.iterations();
    std::vector<std::vector<std::size_t>> members;
    QHash<QString, std::size_t> groupOf;
    for (std::size_t i = 0; i < inputs.inputs().size(); ++i) {
        const SensitivityInputs::Input& input = inputs.inputs()[i];
        const QString key = input.treeId + QChar(1) + input.elementId + QChar(1) + input.parameter;
        const auto found = groupOf.constFind(key);
        if (found == groupOf.constEnd()) {
            groupOf.insert(key, members.size());
            members.push_back({i});
        } else {
            members[found.value()].push_back(i);
        }
    }
    const std::vector<double> zy = standardized(result, n);
    QVariantList groups;
    for (const std::vector<std::size_t>& group : members) {
        if (group.size() < 2)
            continue;
        std::vector<std::vector<double>> zx;
        for (std::size_t i : group) {
            std::vector<double> z = standardized(draws[i], n);
            if (!z.empty())
                zx.push_back(std::move(z));
        }
        // Fitted by the rules of the regression on all inputs: enough samples per input that varies.
        double rSquared = notANumber;
        if (!zy.empty() && !zx.empty() && std::uint64_t(n) >= std::uint64_t(iterationsPerInput) * zx.size())
            regression(zx, zy, rSquared);
        const SensitivityInputs::Input& first = inputs.inputs()[group.front()];
        groups << QVariantMap{
            {QStringLiteral("tree"), first.treeId},         {QStringLiteral("element"), first.elementId},
            {QStringLiteral("parameter"), first.parameter}, {QStringLiteral("inputs"), quint64(group.size())},
            {QStringLiteral("rSquared"), number(rSquared)},
        };
    }
    return groups;
}

std::vector<double> SensitivityAnalysis::ranks(const double* values, std::uint32_t n)
{
    std::vector<std::uint32_t> order(n);
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) { return values[a] < values[b]; });
    std::vector<double> rank(n);
    // Tied values share the mean of their ranks.
    for (std::uint32_t i = 0; i < n;) {
        std::uint32_t j = i + 1;
        while (j < n && values[order[j]] == values[order[i]])
            ++j;
        const double shared = (double(i) + double(j - 1)) / 2.0 + 1.0;
        for (std::uint32_t k = i; k < j; ++k)
            rank[order[k]] = shared;
        i = j;
    }
    return rank;
}

SensitivityAnalysis::Figures SensitivityAnalysis::analyze(const std::vector<const double*>& inputs,
                                                          const double* result, std::uint32_t iterations)
{
    const std::size_t p = inputs.size();
    Figures figures{std::vector<double>(p, notANumber),
                    std::vector<double>(p, notANumber),
                    notANumber,
                    notANumber,
                    notANumber,
                    0,
                    QString()};
    const std::vector<double> zy = standardized(result, iterations);
    if (zy.empty()) {
        figures.withheld = QStringLiteral("the result does not vary (or is not a finite number in every iteration)");
        return figures;
    }
    const std::vector<double> resultRanks = ranks(result, iterations);
    const std::vector<double> zyRanks = standardized(resultRanks.data(), iterations);

    // The inputs that vary: their standardised values and ranks, one column each.
    std::vector<std::size_t> columns;
    std::vector<std::vector<double>> zx;
    std::vector<std::vector<double>> zxRanks;
    for (std::size_t j = 0; j < p; ++j) {
        std::vector<double> z = standardized(inputs[j], iterations);
        if (z.empty())
            continue;
        const std::vector<double> inputRanks = ranks(inputs[j], iterations);
        figures.spearman[j] = correlation(inputRanks, resultRanks);
        columns.push_back(j);
        zx.push_back(std::move(z));
        zxRanks.push_back(standardized(inputRanks.data(), iterations));
    }
    const std::size_t q = columns.size();
    figures.regressionInputs = q;
    if (q == 0) {
        figures.withheld = QStringLiteral("no input varies");
        return figures;
    }
    // Fewer samples than this fit noise: with as many samples as inputs R^2 reaches 1 whatever
    // the inputs do.
    if (std::uint64_t(iterations) < std::uint64_t(iterationsPerInput) * q) {
        figures.withheld = QStringLiteral("too few samples: %1 for %2 inputs that vary; a regression needs at least %3 "
                                          "per input, %4 samples")
                               .arg(iterations)
                               .arg(q)
                               .arg(iterationsPerInput)
                               .arg(std::uint64_t(iterationsPerInput) * q);
        return figures;
    }
    double rSquared = notANumber;
    const std::vector<double> beta = regression(zx, zy, rSquared);
    if (beta.empty()) {
        figures.withheld = QStringLiteral("some inputs move together (one is, or nearly is, a linear combination of "
                                          "others), so their separate effects cannot be told apart");
        return figures;
    }
    for (std::size_t a = 0; a < q; ++a)
        figures.coefficients[columns[a]] = beta[a];
    figures.rSquared = rSquared;
    figures.adjustedRSquared = 1.0 - (1.0 - rSquared) * double(iterations - 1) / double(iterations - q - 1);
    double rankRSquared = notANumber;
    if (!zyRanks.empty() && !regression(zxRanks, zyRanks, rankRSquared).empty())
        figures.rankRSquared = rankRSquared;
    return figures;
}

QVariantMap SensitivityAnalysis::report(const SensitivityInputs& inputs, const double* totalDaly)
{
    std::vector<const double*> draws;
    for (std::size_t i = 0; i < inputs.inputs().size(); ++i)
        draws.push_back(inputs.draws(i));
    const Figures figures = analyze(draws, totalDaly, inputs.iterations());

    // The strongest first: by the size of the coefficient, then of the rank correlation.
    std::vector<std::size_t> order(draws.size());
    std::iota(order.begin(), order.end(), std::size_t(0));
    const auto strength = [&](std::size_t i) {
        const double c = std::abs(figures.coefficients[i]);
        const double s = std::abs(figures.spearman[i]);
        return std::make_pair(std::isfinite(c) ? c : -1.0, std::isfinite(s) ? s : -1.0);
    };
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return strength(a) > strength(b); });
    QVariantList entries;
    for (std::size_t i : order) {
        const SensitivityInputs::Input& input = inputs.inputs()[i];
        entries << QVariantMap{
            {QStringLiteral("tree"), input.treeId},
            {QStringLiteral("element"), input.elementId},
            {QStringLiteral("elementName"), input.elementName},
            {QStringLiteral("parameter"), input.parameter},
            {QStringLiteral("cells"), input.cellsText},
            {QStringLiteral("formula"), input.formula},
            {QStringLiteral("spearman"), number(figures.spearman[i])},
            {QStringLiteral("standardizedRegressionCoefficient"), number(figures.coefficients[i])},
        };
    }
    return {
        {QStringLiteral("result"), QStringLiteral("total DALY of the model, per iteration")},
        {QStringLiteral("iterations"), inputs.iterations()},
        {QStringLiteral("rSquared"), number(figures.rSquared)},
        {QStringLiteral("adjustedRSquared"), number(figures.adjustedRSquared)},
        {QStringLiteral("rankRSquared"), number(figures.rankRSquared)},
        {QStringLiteral("regressionInputs"), quint64(figures.regressionInputs)},
        {QStringLiteral("coefficientsWithheld"),
         figures.withheld.isEmpty()
             ? QVariant()
             : QVariant(QStringLiteral("No regression coefficient: ") + figures.withheld + QLatin1Char('.'))},
        {QStringLiteral("inputs"), entries},
        {QStringLiteral("parameterGroups"), parameterGroups(inputs, draws, totalDaly)},
    };
}

} // namespace fn
