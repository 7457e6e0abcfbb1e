#include "fn/model/ImpossibleValues.h"

#include <cmath>
#include <limits>
#include <mutex>
#include <vector>

#include <QHash>
#include <QMap>

#include <boost/random/mersenne_twister.hpp>
#include <muParser.h>

#include "fn/model/DiseaseModel.h"
#include "fn/model/OutcomeTree.h"
#include "fn/values/FormulaProblems.h"
#include "fn/values/RandomFunctions.h"
#include "fn/values/ScopedRandomEngine.h"

namespace fn {

namespace {

// One parameter array of a model and where it sits, as the user finds it.
struct Parameter
{
    QString place;
    const DataArray* array;
};

std::vector<Parameter> parametersOf(const DiseaseModel& model)
{
    static const QMap<int, QString> modelParameters = {
        {DiseaseModel::OutcomeTreeMapping, QStringLiteral("outcome tree mapping")},
        {DiseaseModel::NotifiedCases, QStringLiteral("notified cases")},
        {DiseaseModel::AgeDistribution, QStringLiteral("age distribution")},
        {DiseaseModel::LifeExpectancy, QStringLiteral("life expectancy")},
        {DiseaseModel::Coverage, QStringLiteral("coverage")},
        {DiseaseModel::Underestimation, QStringLiteral("underestimation")},
        {DiseaseModel::Underreporting, QStringLiteral("underreporting")},
        {DiseaseModel::Underascertainment, QStringLiteral("underascertainment")},
    };
    std::vector<Parameter> parameters;
    for (auto it = modelParameters.cbegin(); it != modelParameters.cend(); ++it)
        parameters.push_back({QStringLiteral("parameter %1").arg(it.value()), &model.getParameter(it.key())});
    // The infection's arrays are the model's, restricted to the tree's strata.
    for (int t = 0; t < model.outcomeTreeCount(); ++t) {
        const OutcomeTree& tree = const_cast<DiseaseModel&>(model).getOutcomeTree(t);
        for (const HealthState& state : tree.healthStates()) {
            const QString place =
                QStringLiteral("tree \"%1\", health state \"%2\", parameter ").arg(tree.name(), state.name());
            parameters.push_back({place + QStringLiteral("severity"), &state.severity()});
            parameters.push_back({place + QStringLiteral("duration"), &state.duration()});
            parameters.push_back({place + QStringLiteral("proportion"), &state.proportion()});
        }
        for (const TransitionProbability& transition : tree.transitions()) {
            const QString place =
                QStringLiteral("tree \"%1\", transition \"%2\", parameter ").arg(tree.name(), transition.name());
            parameters.push_back({place + QStringLiteral("probability"), &transition.probabilityParameter()});
            parameters.push_back({place + QStringLiteral("redistribution"), &transition.redistributionParameter()});
        }
    }
    return parameters;
}

// Where a formula stands: its first cell, and how many more share it.
QString cellsOf(const QList<int>& cells, const DataArray& array)
{
    const int count = array.currentFormulas().size();
    QString text = FormulaProblems::stratumOf(cells.front(), count, array.currentFactors());
    if (cells.size() == count && count > 1)
        return QStringLiteral("all %1 cells").arg(count);
    if (cells.size() > 1)
        text += QStringLiteral(" and %1 more cells").arg(cells.size() - 1);
    return text;
}

// The cells of every formula of an array, formulas in the order they first appear.
QVector<QPair<QString, QList<int>>> formulasOf(const DataArray& array)
{
    QVector<QPair<QString, QList<int>>> formulas;
    QHash<QString, int> index;
    const QStringList& cells = array.currentFormulas();
    for (int i = 0; i < cells.size(); ++i) {
        const auto found = index.constFind(cells[i]);
        if (found != index.constEnd()) {
            formulas[found.value()].second << i;
            continue;
        }
        index.insert(cells[i], formulas.size());
        formulas.push_back({cells[i], {i}});
    }
    return formulas;
}

QString number(double value)
{
    return QString::number(value, 'g', 6);
}

// The argument check: the random functions of a parser of its own judge their arguments instead
// of drawing. They return not-a-number, so that a call whose argument is another random function
// (a value not known before the run) is not judged.
thread_local QStringList* t_findings = nullptr;

bool judged(std::initializer_list<double> arguments)
{
    for (double argument : arguments) {
        if (!std::isfinite(argument))
            return false;
    }
    return t_findings != nullptr;
}

constexpr double unknown = std::numeric_limits<double>::quiet_NaN();

double checkUniform(double a, double b)
{
    if (judged({a, b}) && a > b)
        *t_findings
            << QStringLiteral("RandUniform(a, b) needs a <= b, here a = %1 and b = %2").arg(number(a), number(b));
    return unknown;
}

double checkPert(double min, double mode, double max)
{
    if (!judged({min, mode, max}))
        return unknown;
    if (min > max)
        *t_findings << QStringLiteral("RandPert(min, mode, max) needs min <= max, here min = %1 and max = %2")
                           .arg(number(min), number(max));
    else if (mode < min || mode > max)
        *t_findings << QStringLiteral("RandPert(min, mode, max) needs the mode between min and max, here mode = %1 "
                                      "outside [%2, %3] (the mode comes second)")
                           .arg(number(mode), number(min), number(max));
    return unknown;
}

void checkPositive(const char* function, const char* first, double a, const char* second, double b)
{
    if (!judged({a, b}))
        return;
    for (const auto& [name, value] : {std::pair<const char*, double>{first, a}, {second, b}}) {
        if (value <= 0.0)
            *t_findings << QStringLiteral("%1 needs a positive %2, here %3")
                               .arg(QLatin1String(function), QLatin1String(name), number(value));
    }
}

double checkBeta(double a, double b)
{
    checkPositive("RandBeta(alpha, beta)", "alpha", a, "beta", b);
    return unknown;
}

double checkGamma(double shape, double rate)
{
    checkPositive("RandGamma(shape, rate)", "shape", shape, "rate", rate);
    return unknown;
}

void checkSigma(const char* function, double mu, double sigma)
{
    if (judged({mu, sigma}) && sigma < 0.0)
        *t_findings
            << QStringLiteral("%1 needs sigma >= 0, here sigma = %2").arg(QLatin1String(function), number(sigma));
}

double checkLogNormal(double mu, double sigma)
{
    checkSigma("RandLogNormal(mu, sigma)", mu, sigma);
    return unknown;
}

double checkNormal(double mu, double sigma)
{
    checkSigma("RandNormal(mu, sigma)", mu, sigma);
    return unknown;
}

// A parser whose random functions judge their arguments.
struct ArgumentChecker
{
    mu::Parser parser;

    ArgumentChecker()
    {
        parser.SetArgSep(',');
        defineRandomFunctions(parser, {checkUniform, checkPert, checkBeta, checkGamma, checkLogNormal, checkNormal});
    }
};

} // namespace

// Formulas repeat across cells, arrays and models: each is judged once per process.
QStringList ImpossibleValues::argumentProblems(const QString& formula)
{
    static std::mutex mutex;
    static QHash<QString, QStringList> judgements;
    const std::lock_guard<std::mutex> lock(mutex);
    const auto known = judgements.constFind(formula);
    if (known != judgements.constEnd())
        return known.value();
    static ArgumentChecker checker;
    mu::Parser& parser = checker.parser;
    QStringList findings;
    t_findings = &findings;
    try {
        parser.SetExpr(formula.toStdString());
        parser.Eval();
    } catch (const mu::Parser::exception_type&) {
        // A formula that does not compile is reported where it is compiled.
        findings.clear();
    }
    t_findings = nullptr;
    judgements.insert(formula, findings);
    return findings;
}

namespace {

bool isFiniteStatistics(const QVariantMap& statistics)
{
    for (const QVariant& value : statistics) {
        // "-" stands for statistics of no iterations; it is no number at all.
        if (value.type() == QVariant::Double && !std::isfinite(value.toDouble()))
            return false;
    }
    return true;
}

// The keys of a map of figures (key -> statistics map) whose statistics are not finite.
QStringList nonFiniteKeys(const QVariantMap& figures)
{
    QStringList keys;
    for (auto it = figures.cbegin(); it != figures.cend(); ++it) {
        if (it.value().type() == QVariant::Map && !isFiniteStatistics(it.value().toMap()))
            keys << it.key();
    }
    return keys;
}

} // namespace

QStringList ImpossibleValues::argumentWarnings(const DiseaseModel& model)
{
    QStringList warnings;
    int found = 0;
    for (const Parameter& parameter : parametersOf(model)) {
        for (const auto& [formula, cells] : formulasOf(*parameter.array)) {
            if (!callsRandomFunction(formula))
                continue;
            const QStringList problems = argumentProblems(formula);
            if (problems.isEmpty())
                continue;
            if (++found > ListedCells)
                continue;
            warnings << QStringLiteral("Model \"%1\", %2, %3: \"%4\": %5.")
                            .arg(model.displayName(), parameter.place, cellsOf(cells, *parameter.array), formula,
                                 problems.join(QStringLiteral("; ")));
        }
    }
    if (found > ListedCells)
        warnings << QStringLiteral("Model \"%1\": %2 more formulas with random functions given impossible arguments.")
                        .arg(model.displayName())
                        .arg(found - ListedCells);
    return warnings;
}

QStringList ImpossibleValues::nonFiniteResults(const DiseaseModel& model, bool* perCaseOnly)
{
    QStringList figures;
    bool onlyPerCase = true;
    const auto note = [&onlyPerCase](const QStringList& keys) {
        for (const QString& key : keys)
            onlyPerCase = onlyPerCase && key.endsWith(QLatin1String("PerCase"));
    };
    const QStringList totals = nonFiniteKeys(model.totalResults());
    note(totals);
    if (!totals.isEmpty())
        figures << QStringLiteral("totals: ") + totals.join(QStringLiteral(", "));
    for (int t = 0; t < model.outcomeTreeCount(); ++t) {
        const OutcomeTree& tree = const_cast<DiseaseModel&>(model).getOutcomeTree(t);
        for (const QVariant& entry : tree.outcomeResults()) {
            const QVariantMap outcome = entry.toMap();
            const QStringList keys = nonFiniteKeys(outcome);
            note(keys);
            if (!keys.isEmpty())
                figures << QStringLiteral("tree \"%1\", health outcome \"%2\": %3")
                               .arg(tree.name(), outcome.value(QStringLiteral("name")).toString(),
                                    keys.join(QStringLiteral(", ")));
        }
    }
    if (perCaseOnly)
        *perCaseOnly = !figures.isEmpty() && onlyPerCase;
    if (figures.isEmpty())
        return {};
    QStringList lines{QStringLiteral("Model \"%1\" has statistics that are not finite numbers (written as null): %2.")
                          .arg(model.displayName(), figures.join(QStringLiteral("; ")))};
    if (onlyPerCase) {
        lines << QStringLiteral("  A figure per case has no value in an iteration without cases (0 / 0), and some "
                                "iterations of this model have none; its other figures are finite.");
        return lines;
    }

    // Which formulas give such values by themselves, drawn from an engine of their own so that
    // the run's stream of draws stays as it was.
    boost::random::mt19937 engine;
    const ScopedRandomEngine scope(engine);
    mu::Parser parser;
    configureFormulaParser(parser);
    int found = 0;
    for (const Parameter& parameter : parametersOf(model)) {
        for (const auto& [formula, cells] : formulasOf(*parameter.array)) {
            double value = 0.0;
            try {
                parser.SetExpr(formula.toStdString());
                value = parser.Eval();
            } catch (const mu::Parser::exception_type&) {
                continue;
            }
            if (std::isfinite(value) || ++found > ListedCells)
                continue;
            QString reason = std::isnan(value) ? QStringLiteral("gives not-a-number")
                                               : QStringLiteral("gives an infinite value");
            const QStringList problems = callsRandomFunction(formula) ? argumentProblems(formula) : QStringList();
            if (!problems.isEmpty())
                reason += QStringLiteral(": ") + problems.join(QStringLiteral("; "));
            lines << QStringLiteral("  %1, %2: \"%3\" %4.")
                         .arg(parameter.place, cellsOf(cells, *parameter.array), formula, reason);
        }
    }
    if (found > ListedCells)
        lines << QStringLiteral("  and %1 more formulas that give no finite value.").arg(found - ListedCells);
    if (found == 0)
        lines << QStringLiteral("  No formula gives such a value by itself: a division by zero is the likely cause "
                                "(a population, coverage or probability of 0).");
    return lines;
}

} // namespace fn
