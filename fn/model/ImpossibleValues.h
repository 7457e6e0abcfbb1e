#pragma once

#include <vector>

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

    // The values a parameter can take: probabilities, proportions, shares and disability
    // weights lie in [0, 1]; cases, populations, life expectancies and multipliers are not
    // negative; a duration is not negative either, or -1 for the rest of life.
    enum class Domain { Any, UnitInterval, NonNegative, Duration };
    // "outside [0, 1]", "negative (...)": how a value misses the domain, for the user.
    static QString domainText(Domain domain);

    // What is certainly wrong with a formula given for a parameter of the domain, one text per
    // finding: a formula without random functions whose value lies outside the domain (or is no
    // finite number), a formula that is one random function whose constant arguments let it draw
    // outside the domain, and random functions given arguments outside their own domain. Any
    // other formula is not judged: its values are not known before the run.
    static QStringList domainProblems(const QString& formula, Domain domain);

    // One line per formula of the model with such problems that argumentWarnings() does not
    // name already (values outside their parameter's domain), with its cells, as there.
    static QStringList domainWarnings(const DiseaseModel& model);

    // A cell of a model's parameter whose formula has such problems.
    struct CellWarning
    {
        // The tree and the element (health state or transition); empty for a model parameter.
        QString treeId;
        QString elementId;
        // The element's parameter ("severity", "duration", "proportion", "probability",
        // "redistribution") or the model's (its DiseaseModel parameter type in modelParameter).
        QString parameter;
        int modelParameter = -1;
        // Where the user finds it: the model, tree, element and parameter in words.
        QString place;
        int cell = 0;
        QString stratum;
        QString formula;
        QStringList problems;
    };
    // Every cell of the model whose formula has a problem named by domainProblems, in the
    // order of the model's parameters and their cells.
    static std::vector<CellWarning> cellWarnings(const DiseaseModel& model);

    // Cells named per model before the rest are only counted.
    static constexpr int ListedCells = 5;
};

} // namespace fn
