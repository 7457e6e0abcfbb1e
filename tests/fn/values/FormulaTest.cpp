#include <gtest/gtest.h>

#include "fn/values/DataArray.h"
#include "fn/values/DataValue.h"
#include "fn/values/formula/FormulaChecker.h"
#include "ut/Exception.h"

TEST(DataValue, EvaluatesCompiledFormulas)
{
    fn::DataValue product("2*3");
    EXPECT_EQ(product.value(), 0.0);
    EXPECT_EQ(product.evaluate(), 6.0);
    EXPECT_EQ(product.evaluate(), 6.0);

    fn::DataValue builtins(QStringLiteral("max(1, 4, 2) + sqrt(9) + (1 < 2 ? 10 : 20) + _pi * 0"));
    EXPECT_DOUBLE_EQ(builtins.evaluate(), 17.0);

    // A comma makes two expressions; the last one is the value.
    fn::DataValue list("1,5");
    EXPECT_EQ(list.evaluate(), 5.0);

    fn::DataValue uniform("RandUniform(1, 2)");
    double lowest = 2.0, highest = 1.0;
    for (int i = 0; i < 1000; ++i) {
        const double v = uniform.evaluate();
        lowest = std::min(lowest, v);
        highest = std::max(highest, v);
    }
    EXPECT_GE(lowest, 1.0);
    EXPECT_LT(highest, 2.0);
    EXPECT_LT(lowest, highest);
}

TEST(DataValue, RejectedFormulaBecomesZero)
{
    for (const QString& bad : QStringList{"RandUniform(1)", QString(), "2 *", "unknownName + 1", "RandPert(1, 2)"}) {
        fn::DataValue value("7");
        try {
            value.setFormula(bad);
            FAIL() << "accepted " << bad.toStdString();
        } catch (const ut::Exception& e) {
            EXPECT_EQ(e.message(), "Formula cannot be parsed.\nInstead it has been set to evaluate to 0.");
            EXPECT_EQ(e.place(), "fn::DataValue::initializeParser");
        }
        EXPECT_EQ(value.formula(), "0");
        EXPECT_EQ(value.evaluate(), 0.0);
    }
}

TEST(FormulaChecker, SingleAndListFormsAndWhyACellIsRefused)
{
    fn::FormulaChecker checker;
    EXPECT_TRUE(checker.check("RandUniform(0.198, 0.734)"));
    EXPECT_FALSE(checker.check(QString()));
    EXPECT_TRUE(checker.check("1,5"));
    EXPECT_FALSE(checker.check("RandPert(1, 2)"));
    EXPECT_FALSE(checker.check("1.5.2"));

    QList<bool> results{true, true};
    QStringList cells;
    for (int i = 0; i < 38; ++i)
        cells << QStringLiteral("RandPert(0, %1, 100)").arg(i);
    cells.insert(17, "RandUniform(1,");
    EXPECT_FALSE(checker.check(cells, results));
    ASSERT_EQ(results.size(), 39);
    EXPECT_EQ(results.count(false), 1);
    EXPECT_FALSE(results[17]);

    // Why a cell was refused, as the parameter editor shows it.
    QStringList reasons;
    EXPECT_FALSE(checker.check(
        QStringList{"RandUniform(1, 2)", "1,5", "RandPert(1, 2)", QString(), "2 *", "0,95", "1, 2"}, results, reasons));
    EXPECT_EQ(results, (QList<bool>{true, false, false, false, false, false, false}));
    ASSERT_EQ(reasons.size(), 7);
    EXPECT_TRUE(reasons[0].isEmpty());
    EXPECT_EQ(reasons[1], "it gives 2 values instead of one (a decimal comma?)");
    for (int i = 2; i < 5; ++i)
        EXPECT_FALSE(reasons[i].isEmpty()) << i;
    // The parser's own words: a function short of arguments is not a formula that ends too early.
    EXPECT_NE(reasons[2], reasons[4]);
    EXPECT_TRUE(reasons[5].endsWith("(a decimal comma?)"));
    EXPECT_FALSE(reasons[6].contains("decimal comma"));
}

// The strata name the first factor first; a few cells are named, then how many more there are.
TEST(DataArray, FormulasThatDoNotCompileAreNamedCellByCell)
{
    const QVector<fn::InputFactor> factors = {fn::InputFactor("Age", {"0-49", "50+"}),
                                              fn::InputFactor("Sex", {"Female", "Male"})};
    fn::DataArray array(factors, "Severity", {}, QStringList{"1", "RandPert(1, 2)", "2 *", "dose + 1"});
    try {
        array.initializeParser();
        FAIL() << "the formulas compiled";
    } catch (const ut::Exception& e) {
        EXPECT_EQ(e.message(),
                  QStringLiteral("One or more formulas for parameter Severity cannot be parsed.\n"
                                 "Instead all formulas have been initialized to evaluate to 0."));
        EXPECT_EQ(e.place(), "fn::DataArray::initializeParser");
        ASSERT_EQ(e.details().size(), 3) << e.details().join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(e.details()[0].startsWith("stratum Age 0-49, Sex Male: \"RandPert(1, 2)\": Too few parameters"))
            << e.details()[0].toStdString();
        EXPECT_TRUE(e.details()[1].startsWith("stratum Age 50+, Sex Female: \"2 *\": Unexpected end of expression"))
            << e.details()[1].toStdString();
        EXPECT_EQ(e.details()[2], "stratum Age 50+, Sex Male: \"dose + 1\": unknown name \"dose\"");
    }
    // The array now evaluates to 0 everywhere, whatever its values held.
    EXPECT_EQ(array.currentFormulas(), (QStringList{"0", "0", "0", "0"}));
    array.values()[0] = 9.0;
    array.evaluate();
    EXPECT_EQ(std::vector<double>(array.values().begin(), array.values().end()), std::vector<double>(4, 0.0));

    const QString open = QStringLiteral("(");
    fn::DataArray many(factors, "Duration", {}, QStringList{open, open, open, open});
    try {
        many.initializeParser();
        FAIL() << "the formulas compiled";
    } catch (const ut::Exception& e) {
        ASSERT_EQ(e.details().size(), 4);
        EXPECT_EQ(e.details()[3], "and 1 more cells that do not compile to one value");
    }
}

// A text that would give several values, or makes sense only beside its neighbours, is refused.
TEST(DataArray, EveryCellIsExactlyOneValue)
{
    const QVector<fn::InputFactor> factors = {fn::InputFactor("Age", {"0-4", "5-9"}),
                                              fn::InputFactor("Sex", {"Female", "Male"})};
    struct Row
    {
        QStringList cells;
        QString detail; // empty: the cells are accepted
    };
    const QList<Row> rows = {
        {{"1", "82,1", "3", "4"},
         "stratum Age 0-4, Sex Male: \"82,1\": it gives 2 values instead of one (a decimal comma?)"},
        {{"1", "2", "1, 2", "4"}, "stratum Age 5-9, Sex Female: \"1, 2\": it gives 2 values instead of one"},
        // Joined, these two would read max(1,2): one value for two cells.
        {{"max(1", "2)", "3", "4"}, "stratum Age 0-4, Sex Female: \"max(1\": its brackets do not pair"},
        {{"1", "2", "3)+(4", "5"}, "\"3)+(4\": its brackets do not pair"},
        {{"1", "2", "1 ? 2", "3 : 4"}, "\"1 ? 2\""},
        {{"(1, 2)", "2", "3", "4"}, "\"(1, 2)\""},
        {{"RandPert(1, 2, 3) * 0", "max(1, 2)", "(1 < 2 ? 3 : 4)", "-(5)"}, ""},
    };
    for (const Row& row : rows) {
        fn::DataArray array(factors, "Notification data", {}, row.cells);
        if (row.detail.isEmpty()) {
            ASSERT_NO_THROW(array.initializeParser()) << row.cells.join(QLatin1Char('|')).toStdString();
            array.evaluate();
            EXPECT_EQ(std::vector<double>(array.values().begin(), array.values().end()),
                      (std::vector<double>{0, 2, 3, -5}));
            continue;
        }
        try {
            array.initializeParser();
            ADD_FAILURE() << "accepted " << row.cells.join(QLatin1Char('|')).toStdString();
        } catch (const ut::Exception& e) {
            EXPECT_TRUE(e.message().contains("parameter Notification data"));
            ASSERT_FALSE(e.details().isEmpty());
            EXPECT_TRUE(e.details().constFirst().contains(row.detail))
                << e.details().join(QLatin1Char('\n')).toStdString();
        }
        EXPECT_EQ(array.currentFormulas(), (QStringList{"0", "0", "0", "0"}));
    }
}
