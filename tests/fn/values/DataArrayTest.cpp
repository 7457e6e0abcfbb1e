#include <gtest/gtest.h>

#include "fn/values/DataArray.h"
#include "fn/values/InputFactorMgr.h"
#include "fn/values/random/RandomFunctions.h"
#include "ut/Exception.h"

namespace {

QStringList ageGroups(int n)
{
    QStringList levels;
    for (int i = 0; i < n; ++i)
        levels << QStringLiteral("%1-%2").arg(i * 5).arg(i * 5 + 4);
    return levels;
}

const QStringList sexes = {"Female", "Male"};

QStringList numbered(int n, const QString& prefix = QString())
{
    QStringList list;
    for (int i = 0; i < n; ++i)
        list << prefix + QString::number(i);
    return list;
}

} // namespace

TEST(DataArray, DefaultArraysAndEvaluationOrder)
{
    const fn::InputFactor age("Age", ageGroups(19));
    const fn::InputFactor sex("Sex", sexes);
    fn::DataArray zeros(fn::InputFactorPtrs{&age, &sex}, "0");
    EXPECT_EQ(zeros.formulas().size(), 38);
    EXPECT_EQ(zeros.values().shape(), (Marray::Shape{19, 2}));
    EXPECT_EQ(zeros.currentFactors().front(), &age);

    fn::DataArray counted({age, sex}, "Counted", {}, numbered(39).mid(1));
    counted.initializeParser();
    counted.evaluate();
    for (int i = 0; i < 38; ++i)
        EXPECT_EQ(counted.values()[i], i + 1.0);
    EXPECT_EQ(counted.metaValue("duration"), QString());
}

TEST(DataArray, ConvertsBetween19And20AgeGroups)
{
    const fn::InputFactor age19("Age", ageGroups(19));
    const fn::InputFactor age20("Age", QStringList{"congenital"} + ageGroups(19));
    const fn::InputFactor sex("Sex", sexes);

    fn::DataArray defined19({age19, sex}, "P", {}, numbered(38, "f"));
    defined19.setInputFactors({&age20, &sex});
    const QStringList expected = QStringList{"f1", "f1"} + numbered(38, "f");
    EXPECT_EQ(defined19.formulas(), expected);
    EXPECT_EQ(defined19.currentFormulas(), expected);
    EXPECT_EQ(defined19.dims(), (fn::DataArray::Dims{20, 2}));
    EXPECT_EQ(defined19.factorCopies().front().levelCount(), 20);
    EXPECT_EQ(defined19.values().size(), 40u);

    fn::DataArray defined20({age20, sex}, "P", {}, numbered(40, "g"));
    defined20.setInputFactors({&age19, &sex});
    EXPECT_EQ(defined20.formulas(), numbered(40, "g").mid(2));
    EXPECT_EQ(defined20.currentDims(), (fn::DataArray::Dims{19, 2}));

    fn::DataArray same({age20, sex}, "P", {}, numbered(40));
    same.setInputFactors({&age20, &sex});
    EXPECT_EQ(same.formulas(), numbered(40));

    // Shapes outside the two age layouts are bound but never converted.
    const fn::InputFactor three("Age", ageGroups(3));
    fn::DataArray other({three, sex}, "P", {}, numbered(6));
    other.setInputFactors({&age20, &sex});
    EXPECT_EQ(other.formulas(), numbered(6));
    EXPECT_EQ(other.dims(), (fn::DataArray::Dims{3, 2}));
    EXPECT_EQ(other.currentDims(), (fn::DataArray::Dims{20, 2}));
    other.initializeParser();
    other.evaluate(); // stays within bounds although the shapes differ
    EXPECT_EQ(other.values()[5], 5.0);

    // 20 groups with one formula, bound to 19: the first group's cells go as far as there are any.
    fn::DataArray oneOf40({age20, sex}, "Life expectancy", {}, QStringList{"70"});
    oneOf40.setInputFactors({&age19, &sex});
    EXPECT_TRUE(oneOf40.formulas().isEmpty());
    EXPECT_EQ(oneOf40.values().shape(), (Marray::Shape{19, 2}));
    oneOf40.initializeParser();
    oneOf40.evaluate();

    // 19 groups with one formula, bound to 20: cells the list does not reach read as "0".
    fn::DataArray oneOf38({age19, sex}, "Population", {}, QStringList{"5"});
    oneOf38.setInputFactors({&age20, &sex});
    EXPECT_EQ(oneOf38.formulas(), (QStringList{"0", "0", "5"}));
    oneOf38.initializeParser();
    oneOf38.evaluate();
    EXPECT_EQ(oneOf38.values()[2], 5.0);
    EXPECT_EQ(oneOf38.values()[39], 0.0);
}

TEST(DataArray, CopiesAndFactorlessArrays)
{
    const fn::InputFactor empty("Age", {});
    fn::DataArray none(fn::InputFactorPtrs{&empty}, "1");
    EXPECT_TRUE(none.formulas().isEmpty());
    EXPECT_NO_THROW(none.initializeParser());
    EXPECT_NO_THROW(none.evaluate());

    const fn::InputFactor sex("Sex", sexes);
    fn::DataArray source({sex}, "S", {{"description", "d"}}, QStringList{"1", "2"});
    source.initializeParser();
    fn::DataArray copy = source;
    source.setFormulas({"10", "20"});
    source.initializeParser();
    copy.evaluate();
    EXPECT_EQ(copy.values()[1], 2.0);
    EXPECT_EQ(copy.meta().value("description"), "d");

    // An array bound to its own factor copies stays bound to the copy's own factors.
    EXPECT_EQ(copy.currentFactors().front(), &copy.factorCopies().front());
    copy.setFormulas({"3", "4"});
    EXPECT_EQ(copy.currentFactors().front(), &copy.factorCopies().front());
}

TEST(InputFactorMgr, RegistrationOrderAndUnknownDiseases)
{
    fn::InputFactorMgr mgr;
    EXPECT_TRUE(mgr.getInputFactors("Flu").isEmpty());
    EXPECT_TRUE(mgr.factorMap().empty());

    mgr.addInputFactor("Flu", "Age", ageGroups(19));
    const fn::InputFactor* firstAddress = mgr.getInputFactors("Flu").front();
    mgr.addInputFactor("Flu", "Sex", sexes);
    mgr.addInputFactor("Flu", "Sex", {});
    const fn::InputFactorPtrs factors = mgr.getInputFactors("Flu");
    ASSERT_EQ(factors.size(), 3);
    EXPECT_EQ(factors[0], firstAddress);
    EXPECT_EQ(factors[0]->name(), "Age");
    EXPECT_EQ(factors[1]->levelCount(), 2);
    EXPECT_EQ(factors[2]->levelCount(), 0);

    fn::DataArray overEmpty(fn::InputFactorPtrs{factors[2]}, "1");
    EXPECT_EQ(overEmpty.cellCount(), 0u);
}

TEST(DataArray, ManyStrataCompileInChunksAndDrawInCellOrder)
{
    // 2 x 3000 cells of RandPert join to 126 000 characters, six times what the formula
    // library takes in one expression.
    const fn::InputFactor age("Age", ageGroups(3000));
    const fn::InputFactor sex("Sex", sexes);
    fn::DataArray random({age, sex}, "Random", {}, "RandPert(10, 20, 30)");
    ASSERT_NO_THROW(random.initializeParser());
    fn::seedIfNonZero(7);
    random.evaluate();
    // The same draws, one by one: the chunks keep the order of one expression of all cells.
    fn::seedIfNonZero(7);
    for (std::size_t i = 0; i < 6000; ++i)
        ASSERT_EQ(random.values()[i], fn::randPert(10, 20, 30)) << "cell " << i;

    // Every cell keeps its place across the chunks; a cell of two values is refused, never
    // shifting the cells after it.
    QStringList cells = numbered(6000);
    fn::DataArray placed({age, sex}, "Placed", {}, cells);
    ASSERT_NO_THROW(placed.initializeParser());
    placed.evaluate();
    for (std::size_t i = 0; i < 6000; ++i)
        ASSERT_EQ(placed.values()[i], double(i)) << "cell " << i;
    cells[0] = "-1,-2";
    fn::DataArray shifted({age, sex}, "Shifted", {}, cells);
    EXPECT_THROW(shifted.initializeParser(), ut::Exception);
    EXPECT_EQ(shifted.currentFormulas().count("0"), 6000);
    cells[0] = "0";

    // One bad cell among thousands still turns every cell to "0".
    cells[4321] = "RandPert(1, 2)";
    fn::DataArray broken({age, sex}, "Broken", {}, cells);
    EXPECT_THROW(broken.initializeParser(), ut::Exception);
    EXPECT_EQ(broken.currentFormulas().count("0"), 6000);
}

// They are evaluated once and then copied back over whatever callers wrote into the values.
TEST(DataArray, FormulasThatDrawNothingGiveTheirFirstResultsAgain)
{
    const QVector<fn::InputFactor> factors = {fn::InputFactor("Age", {"a", "b"})};
    fn::DataArray fixed(factors, "fixed", {}, QStringList{"2*3", "max(1, 5)"});
    fixed.initializeParser();
    fixed.evaluate();
    EXPECT_EQ(fixed.values()[0], 6.0);
    EXPECT_EQ(fixed.values()[1], 5.0);
    fixed.values()[0] = -1.0;
    fixed.values()[1] = -2.0;
    fixed.evaluate();
    EXPECT_EQ(fixed.values()[0], 6.0);
    EXPECT_EQ(fixed.values()[1], 5.0);

    fn::DataArray random(factors, "random", {}, QStringList{"RandUniform(0, 1)", "3"});
    random.initializeParser();
    fn::seedIfNonZero(3);
    random.evaluate();
    const double first = random.values()[0];
    random.evaluate();
    EXPECT_NE(random.values()[0], first);
    EXPECT_EQ(random.values()[1], 3.0);

    // New formulas are evaluated anew.
    fixed.setFormulas({"7", "8"});
    fixed.initializeParser();
    fixed.evaluate();
    EXPECT_EQ(fixed.values()[0], 7.0);
    EXPECT_EQ(fixed.values()[1], 8.0);
}
