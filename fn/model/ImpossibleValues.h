#pragma once

#include <QString>
#include <QStringList>

namespace fn {

class DiseaseModel;

// What a model's formulas and results say about values that cannot be: random functions given
// arguments outside their domain, and statistics that came out not-a-number or infinite. The
// functions themselves never complain (a draw with impossible arguments is not-a-number or
// follows the arguments as written); these are the words the user gets instead. Texts name the
// model, the tree, the element, the parameter, the stratum and the formula.
class ImpossibleValues
{
public:
    // One line per formula of the model that calls a random function with arguments outside
    // its domain: RandPert with a mode outside [min, max] or min > max, RandUniform with a > b,
    // RandBeta or RandGamma with a parameter that is not positive, RandLogNormal or RandNormal
    // with a negative sigma. Arguments that are themselves random are not judged.
    static QStringList argumentWarnings(const DiseaseModel& model);
    // The same for one formula: what is wrong with its arguments, one text per call.
    static QStringList argumentProblems(const QString& formula);

    // After a run: one line naming the statistics of the model's results that are not finite,
    // followed by the cells whose formula alone gives such a value, or by the likely cause when
    // none does. Empty when every statistic is finite. perCaseOnly, when given, tells whether
    // only figures per case are affected: they have no value in an iteration without cases,
    // which is no fault of the model.
    static QStringList nonFiniteResults(const DiseaseModel& model, bool* perCaseOnly = nullptr);

    // Cells named per model before the rest are only counted.
    static constexpr int ListedCells = 5;
};

} // namespace fn
