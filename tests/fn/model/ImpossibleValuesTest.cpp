#include <gtest/gtest.h>

#include "ModelTestSupport.h"
#include "fn/model/ImpossibleValues.h"

using namespace testing_support;

// Random functions given arguments outside their domain are named; a value is judged against its
// parameter's domain where it is certain: constants, and one random function whose constant
// arguments say what it draws.
TEST(ImpossibleValues, ArgumentsAndValuesOutsideTheirDomainAreNamed)
{
    using Domain = fn::ImpossibleValues::Domain;
    const std::optional<Domain> Arguments; // the random functions' own arguments only
    struct Row
    {
        const char* formula;
        std::optional<Domain> domain;
        const char* problem; // empty when there is none
    };
    const Row rows[] = {
        {"RandPert(0.3, 0.2, 0.4)", Arguments,
         "needs the mode between min and max, here mode = 0.2 outside [0.3, 0.4]"},
        {"RandPert(0.4, 0.3, 0.2)", Arguments, "RandPert(min, mode, max) needs min <= max"},
        {"RandPert(0.1, 0.1, 0.3)", Arguments, ""},
        {"RandPert(2, 2, 2)", Arguments, ""},
        {"RandUniform(2, 1)", Arguments, "RandUniform(a, b) needs a <= b, here a = 2 and b = 1"},
        {"RandUniform(1, 1) * 3", Arguments, ""},
        {"RandBeta(0, 1)", Arguments, "needs a positive alpha, here 0"},
        {"RandBeta(2, -1)", Arguments, "needs a positive beta, here -1"},
        {"RandGamma(-2, 1)", Arguments, "needs a positive shape"},
        {"RandGamma(2, 0)", Arguments, "needs a positive rate"},
        {"RandLogNormal(0, -1)", Arguments, "RandLogNormal(mu, sigma) needs sigma >= 0"},
        {"RandNormal(-1, 0)", Arguments, ""},
        {"1 + RandNormal(1, -0.5)", Arguments, "RandNormal(mu, sigma) needs sigma >= 0, here sigma = -0.5"},
        // An argument drawn itself is not known before the run: the outer call is not judged.
        {"RandPert(0.1, RandUniform(0.5, 0.6), 0.3)", Arguments, ""},
        {"RandPert(0.1, RandUniform(0.6, 0.5), 0.3)", Arguments, "RandUniform(a, b) needs a <= b"},
        {"RandPert(0.1, 0.2", Arguments, ""},

        {"0", Domain::UnitInterval, ""},
        {"1", Domain::UnitInterval, ""},
        {"1.5", Domain::UnitInterval, "1.5 is outside [0, 1]"},
        {"-0.1", Domain::UnitInterval, "-0.1 is outside [0, 1]"},
        {"1 - 0.25", Domain::UnitInterval, ""},
        {"1/0", Domain::UnitInterval, "gives no finite number"},
        {"-3", Domain::NonNegative, "-3 is negative (it must be 0 or more)"},
        {"0", Domain::NonNegative, ""},
        {"-1", Domain::Duration, ""},
        {"-2", Domain::Duration, "-2 is negative (a duration is 0 or more, or -1 for the rest of life)"},
        {"-0.5", Domain::Duration, "-0.5 is negative"},
        {"RandUniform(0.2, 1.4)", Domain::UnitInterval, "draws values from 0.2 to 1.4, outside [0, 1]"},
        {"RandPert(0, 0.5, 1)", Domain::UnitInterval, ""},
        {"RandGamma(2, 1)", Domain::UnitInterval, "draws values from 0 up without bound, outside [0, 1]"},
        {"RandGamma(2, 1)", Domain::Duration, ""},
        {"RandUniform(-1, 2)", Domain::Duration, "draws values from -1 to 2, negative"},
        {"RandNormal(-5, 0)", Domain::NonNegative, ""},
        {"RandBeta(2, 3)", Domain::UnitInterval, ""},
        // Bad arguments are named as such; a drawn value in an expression is not judged.
        {"RandPert(0.3, 0.2, 0.4)", Domain::UnitInterval, "needs the mode between min and max"},
        {"RandUniform(0, 1) * 3", Domain::UnitInterval, ""},
        {"5", Domain::Any, ""},
        {"RandPert(0.1, 0.2", Domain::UnitInterval, ""},
    };
    for (const Row& row : rows) {
        const QString formula = QString::fromUtf8(row.formula);
        const QStringList problems = row.domain ? fn::ImpossibleValues::domainProblems(formula, *row.domain)
                                                : fn::ImpossibleValues::argumentProblems(formula);
        if (*row.problem == '\0') {
            EXPECT_TRUE(problems.isEmpty()) << row.formula << ": " << problems.join(' ').toStdString();
            continue;
        }
        ASSERT_EQ(problems.size(), 1) << row.formula;
        EXPECT_TRUE(problems.front().contains(QString::fromUtf8(row.problem)))
            << row.formula << ": " << problems.front().toStdString();
    }
}

// A swapped RandPert (the mode first) is named with its cell when the model is made, and once
// run, the statistics it spoils are named with the formula behind them; a sound model gives no word.
TEST(ImpossibleValues, ASwappedPertIsNamedBeforeAndAfterTheRun)
{
    for (const QString& severity : QStringList{"0.2", "RandPert(0.3, 0.2, 0.4)"}) {
        TwoTreesModel m(R"("severityArray": {"vals": [["0.2", "0.2"])",
                        R"("severityArray": {"vals": [[")" + severity.toUtf8() + R"(", "0.2"])");
        const QStringList warnings = fn::ImpossibleValues::argumentWarnings(*m.model);
        m.run(5, 0.0);
        bool perCaseOnly = true;
        const QStringList results = fn::ImpossibleValues::nonFiniteResults(*m.model, &perCaseOnly);
        if (severity == QStringLiteral("0.2")) {
            EXPECT_TRUE(warnings.isEmpty()) << warnings.join('\n').toStdString();
            EXPECT_TRUE(fn::ImpossibleValues::cellWarnings(*m.model).empty());
            EXPECT_TRUE(results.isEmpty()) << results.join('\n').toStdString();
            continue;
        }
        ASSERT_EQ(warnings.size(), 1);
        const auto cells = fn::ImpossibleValues::cellWarnings(*m.model);
        ASSERT_EQ(cells.size(), 1u);
        EXPECT_EQ(cells[0].parameter, "severity");
        EXPECT_EQ(cells[0].cell, 0);
        EXPECT_EQ(cells[0].stratum, "stratum Age 0-49, Sex Female");
        for (const char* part : {"Model \"Testland - Two-tree test disease - model 1\"",
                                 "tree \"Younger patients\", health state \"Acute illness\", parameter severity",
                                 "stratum Age 0-49, Sex Female", "\"RandPert(0.3, 0.2, 0.4)\"", "mode = 0.2"})
            EXPECT_TRUE(warnings.front().contains(QString::fromUtf8(part)))
                << part << " in " << warnings.front().toStdString();
        ASSERT_EQ(results.size(), 2) << results.join('\n').toStdString();
        EXPECT_FALSE(perCaseOnly);
        for (const char* part : {"totals: daly", "tree \"Younger patients\", health outcome \"Acute illness\": daly"})
            EXPECT_TRUE(results[0].contains(QString::fromUtf8(part))) << part << " in " << results[0].toStdString();
        EXPECT_TRUE(
            results[1].contains(QStringLiteral("stratum Age 0-49, Sex Female: \"RandPert(0.3, 0.2, 0.4)\" gives "
                                               "not-a-number: RandPert(min, mode, max) needs the mode")))
            << results[1].toStdString();
    }

    // Without any case a figure per case has no value; that is told apart from a fault.
    TwoTreesModel none(R"("rawCasesCountArray": {"vals": [["100", "50"], ["200", "80"]]})",
                       R"("rawCasesCountArray": {"vals": [["0", "0"], ["0", "0"]]})");
    none.run(5, 0.0);
    bool perCaseOnly = false;
    const QStringList results = fn::ImpossibleValues::nonFiniteResults(*none.model, &perCaseOnly);
    ASSERT_EQ(results.size(), 2) << results.join('\n').toStdString();
    EXPECT_TRUE(results[0].contains("totals: dalyPerCase;")) << results[0].toStdString();
    EXPECT_TRUE(results[1].contains("no value in an iteration without cases"));
    EXPECT_TRUE(perCaseOnly);
}
