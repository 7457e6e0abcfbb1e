#pragma once

#include <cstdint>
#include <vector>

#include <QString>
#include <QVariantList>
#include <QVariantMap>

namespace fn {

class SensitivityInputs;

// Which random inputs drive the uncertainty of a model's result: over the iterations of a run,
// the Spearman rank correlation of each input with the result, and the standardised coefficients
// of the linear regression of the result on all inputs together, with its R^2, its adjusted R^2
// and the R^2 of the same regression on ranks (which shows a monotone relation that is not
// linear). The regression is fitted only with at least ten iterations per input that varies and
// inputs that do not move together; otherwise it reports why instead of coefficients.
class SensitivityAnalysis
{
public:
    static constexpr std::uint32_t iterationsPerInput = 10;

    struct Figures
    {
        // Not-a-number where undefined: an input (or result) that never varies, or that holds
        // a value that is not a finite number, and every regression figure the regression
        // could not give (withheld says why).
        std::vector<double> spearman;
        std::vector<double> coefficients;
        double rSquared;
        double adjustedRSquared;
        double rankRSquared;
        std::size_t regressionInputs = 0; // the inputs that vary
        QString withheld;
    };

    // inputs[j][k]: input j in iteration k; result[k]: the result in iteration k.
    static Figures analyze(const std::vector<const double*>& inputs, const double* result, std::uint32_t iterations);

    // The figures of a model's run as a map: the result analysed, R^2, adjusted R^2, rank R^2,
    // the reason when the regression is withheld and one entry per input (tree, element,
    // parameter, which cells, formula, "spearman", "standardizedRegressionCoefficient"), the
    // strongest first; and "parameterGroups" (see there), for the page only: results documents
    // leave it out.
    static QVariantMap report(const SensitivityInputs& inputs, const double* totalDaly);

    // The inputs of one parameter of one element that have formulas of their own (its age groups,
    // in practice), one group each where there are two or more: tree, element, parameter, the
    // number of inputs and "rSquared", the R^2 of the regression of the result on them alone (the
    // share of its variance the parameter explains by itself; null where no regression is fitted).
    static QVariantList parameterGroups(const SensitivityInputs& inputs, const std::vector<const double*>& draws,
                                        const double* result);

private:
    static std::vector<double> ranks(const double* values, std::uint32_t n);
};

} // namespace fn
