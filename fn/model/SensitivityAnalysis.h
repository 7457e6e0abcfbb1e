#pragma once

#include <cstdint>
#include <vector>

#include <QVariantMap>

namespace fn {

class SensitivityInputs;

// Which random inputs drive the uncertainty of a model's result: over the iterations of a run,
// the Spearman rank correlation of each input with the result, and the standardised coefficients
// of the linear regression of the result on all inputs together, with its R^2.
class SensitivityAnalysis
{
public:
    struct Figures
    {
        // Not-a-number where undefined: an input (or result) that never varies, or that holds
        // a value that is not a finite number.
        std::vector<double> spearman;
        std::vector<double> coefficients;
        double rSquared;
    };

    // inputs[j][k]: input j in iteration k; result[k]: the result in iteration k.
    static Figures analyze(const std::vector<const double*>& inputs, const double* result, std::uint32_t iterations);

    // The figures of a model's run as a map: the result analysed, R^2 and one entry per input
    // (tree, element, parameter, which cells, formula, "spearman",
    // "standardizedRegressionCoefficient"), the strongest first.
    static QVariantMap report(const SensitivityInputs& inputs, const double* totalDaly);

private:
    static std::vector<double> ranks(const double* values, std::uint32_t n);
};

} // namespace fn
