#include "fn/model/ImpossibleValues.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>
#include <vector>

#include <QHash>
#include <QLocale>
#include <QMap>
#include <QRegularExpression>

#include <boost/random/mersenne_twister.hpp>
#include <muParser.h>

#include "fn/model/DiseaseModel.h"
#include "fn/model/OutcomeTree.h"
#include "fn/values/formula/FormulaProblems.h"
#include "fn/values/random/RandomFunctions.h"
#include "fn/values/random/ScopedRandomEngine.h"

namespace fn {

namespace {

// One parameter array of a model, where it sits, as the user finds it, and its domain.
struct Parameter
{
    QString place;
    const DataArray* array;
    ImpossibleValues::Domain domain = ImpossibleValues::Domain::Any;
    QString treeId;
    QString elementId;
    QString name;
    int modelParameter = -1;
};

std::vector<Parameter> parametersOf(const DiseaseModel& model)
{
    using Domain = ImpossibleValues::Domain;
    struct ModelParameter
    {
        QString name;
        Domain domain;
    };
    static const QMap<int, ModelParameter> modelParameters = {
        {DiseaseModel::OutcomeTreeMapping, {QStringLiteral("outcome tree mapping"), Domain::Any}},
        {DiseaseModel::NotifiedCases, {QStringLiteral("notified cases"), Domain::NonNegative}},
        {DiseaseModel::AgeDistribution, {QStringLiteral("age distribution"), Domain::NonNegative}},
        {DiseaseModel::LifeExpectancy, {QStringLiteral("life expectancy"), Domain::NonNegative}},
        {DiseaseModel::Coverage, {QStringLiteral("coverage"), Domain::UnitInterval}},
        {DiseaseModel::Underestimation, {QStringLiteral("underestimation"), Domain::NonNegative}},
        {DiseaseModel::Underreporting, {QStringLiteral("underreporting"), Domain::NonNegative}},
        {DiseaseModel::Underascertainment, {QStringLiteral("underascertainment"), Domain::NonNegative}},
    };
    std::vector<Parameter> parameters;
    for (auto it = modelParameters.cbegin(); it != modelParameters.cend(); ++it)
        parameters.push_back({QStringLiteral("parameter %1").arg(it.value().name), &model.getParameter(it.key()),
                              it.value().domain, QString(), QString(), it.value().name, it.key()});
    // The infection's arrays are the model's, restricted to the tree's strata.
    for (int t = 0; t < model.outcomeTreeCount(); ++t) {
        const OutcomeTree& tree = const_cast<DiseaseModel&>(model).getOutcomeTree(t);
        const auto add = [&](const QString& element, const QString& elementName, const char* kind, const char* name,
                             const DataArray& array, Domain domain) {
            const QString parameter = QLatin1String(name);
            parameters.push_back({QStringLiteral("tree \"%1\", %2 \"%3\", parameter %4")
                                      .arg(tree.name(), QLatin1String(kind), elementName, parameter),
                                  &array, domain, tree.id(), element, parameter});
        };
        for (const HealthState& state : tree.healthStates()) {
            add(state.id(), state.name(), "health state", "severity", state.severity(), Domain::UnitInterval);
            add(state.id(), state.name(), "health state", "duration", state.duration(), Domain::Duration);
            add(state.id(), state.name(), "health state", "proportion", state.proportion(), Domain::UnitInterval);
        }
        for (const TransitionProbability& transition : tree.transitions()) {
            add(transition.id(), transition.name(), "transition", "probability", transition.probabilityParameter(),
                Domain::UnitInterval);
            add(transition.id(), transition.name(), "transition", "redistribution",
                transition.redistributionParameter(), Domain::UnitInterval);
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

// A parser configured as every formula parser of the program, for formulas without random functions.
struct FormulaEvaluator
{
    mu::Parser parser;

    FormulaEvaluator() { configureFormulaParser(parser); }
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

QString ImpossibleValues::domainText(Domain domain)
{
    switch (domain) {
    case Domain::UnitInterval:
        return QStringLiteral("outside [0, 1]");
    case Domain::NonNegative:
        return QStringLiteral("negative (it must be 0 or more)");
    case Domain::Duration:
        return QStringLiteral("negative (a duration is 0 or more, or -1 for the rest of life)");
    case Domain::Any:
        break;
    }
    return {};
}

namespace {

bool inDomain(double value, ImpossibleValues::Domain domain)
{
    using Domain = ImpossibleValues::Domain;
    switch (domain) {
    case Domain::UnitInterval:
        return value >= 0.0 && value <= 1.0;
    case Domain::NonNegative:
        return value >= 0.0;
    case Domain::Duration:
        return value >= 0.0 || value == -1.0;
    case Domain::Any:
        break;
    }
    return true;
}

// Whether every value from low to high is in the domain.
bool supportInDomain(double low, double high, ImpossibleValues::Domain domain)
{
    // -1 alone stands for the rest of life; the values between it and 0 mean nothing.
    if (domain == ImpossibleValues::Domain::Duration && low < 0.0)
        return low == -1.0 && high == -1.0;
    return inDomain(low, domain) && inDomain(high, domain);
}

// The values a formula that is one random function call with constant arguments can draw, as
// [low, high] (high infinite when unbounded); false for any other formula. The arguments are
// known to be within the function's own domain.
bool supportOf(const QString& formula, double& low, double& high)
{
    static const QRegularExpression call(QStringLiteral("^\\s*(Rand[A-Za-z]+)\\s*\\(([^()]*)\\)\\s*$"));
    const QRegularExpressionMatch match = call.match(formula);
    if (!match.hasMatch())
        return false;
    std::vector<double> arguments;
    for (const QString& text : match.captured(2).split(QLatin1Char(','))) {
        bool isNumber = false;
        arguments.push_back(QLocale::c().toDouble(text.trimmed(), &isNumber));
        if (!isNumber)
            return false;
    }
    const QString function = match.captured(1);
    const double infinity = std::numeric_limits<double>::infinity();
    if (function == randomFunctionName(RandomFunction::Uniform) && arguments.size() == 2) {
        low = arguments[0];
        high = arguments[1];
    } else if (function == randomFunctionName(RandomFunction::Pert) && arguments.size() == 3) {
        low = arguments[0];
        high = arguments[2];
    } else if (function == randomFunctionName(RandomFunction::Beta) && arguments.size() == 2) {
        low = 0.0;
        high = 1.0;
    } else if ((function == randomFunctionName(RandomFunction::Gamma)
                || function == randomFunctionName(RandomFunction::LogNormal))
               && arguments.size() == 2) {
        low = 0.0;
        high = infinity;
    } else if (function == randomFunctionName(RandomFunction::Normal) && arguments.size() == 2) {
        // Negative draws come out as 0.
        low = std::max(0.0, arguments[1] > 0.0 ? -infinity : arguments[0]);
        high = arguments[1] > 0.0 ? infinity : low;
    } else {
        return false;
    }
    return true;
}

} // namespace

QStringList ImpossibleValues::domainProblems(const QString& formula, Domain domain)
{
    if (!callsRandomFunction(formula)) {
        if (domain == Domain::Any)
            return {};
        // Such formulas draw nothing: evaluating them leaves the random engine as it was.
        thread_local FormulaEvaluator evaluator;
        mu::Parser& parser = evaluator.parser;
        double value = 0.0;
        try {
            parser.SetExpr(formula.toStdString());
            value = parser.Eval();
        } catch (const mu::Parser::exception_type&) {
            // A formula that does not compile is reported where it is compiled.
            return {};
        }
        if (!std::isfinite(value))
            return {QStringLiteral("gives no finite number")};
        if (!inDomain(value, domain))
            return {QStringLiteral("%1 is %2").arg(number(value), domainText(domain))};
        return {};
    }
    QStringList problems = argumentProblems(formula);
    double low = 0.0;
    double high = 0.0;
    if (problems.isEmpty() && supportOf(formula, low, high) && !supportInDomain(low, high, domain)) {
        const QString range = std::isinf(high) ? QStringLiteral("values from %1 up without bound").arg(number(low))
                                               : QStringLiteral("values from %1 to %2").arg(number(low), number(high));
        problems << QStringLiteral("draws %1, %2").arg(range, domainText(domain));
    }
    return problems;
}

QStringList ImpossibleValues::domainWarnings(const DiseaseModel& model)
{
    QStringList warnings;
    int found = 0;
    for (const Parameter& parameter : parametersOf(model)) {
        for (const auto& [formula, cells] : formulasOf(*parameter.array)) {
            if (callsRandomFunction(formula) && !argumentProblems(formula).isEmpty())
                continue;
            const QStringList problems = domainProblems(formula, parameter.domain);
            if (problems.isEmpty() || ++found > ListedCells)
                continue;
            warnings << QStringLiteral("Model \"%1\", %2, %3: \"%4\" %5.")
                            .arg(model.displayName(), parameter.place, cellsOf(cells, *parameter.array), formula,
                                 problems.join(QStringLiteral("; ")));
        }
    }
    if (found > ListedCells)
        warnings << QStringLiteral("Model \"%1\": %2 more formulas with values outside their domain.")
                        .arg(model.displayName())
                        .arg(found - ListedCells);
    return warnings;
}

std::vector<ImpossibleValues::CellWarning> ImpossibleValues::cellWarnings(const DiseaseModel& model)
{
    std::vector<CellWarning> warnings;
    for (const Parameter& parameter : parametersOf(model)) {
        const DataArray& array = *parameter.array;
        const int count = array.currentFormulas().size();
        std::vector<CellWarning> found;
        for (const auto& [formula, cells] : formulasOf(array)) {
            const QStringList problems = domainProblems(formula, parameter.domain);
            if (problems.isEmpty())
                continue;
            for (int cell : cells)
                found.push_back({parameter.treeId, parameter.elementId, parameter.name, parameter.modelParameter,
                                 QStringLiteral("Model \"%1\", %2").arg(model.displayName(), parameter.place), cell,
                                 FormulaProblems::stratumOf(cell, count, array.currentFactors()), formula, problems});
        }
        std::sort(found.begin(), found.end(),
                  [](const CellWarning& a, const CellWarning& b) { return a.cell < b.cell; });
        warnings.insert(warnings.end(), found.begin(), found.end());
    }
    return warnings;
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
