// Formula texts through a data value, the formula checker in both forms, and data arrays
// whose cells are the input's lines: over one factor, and over 19 age groups by 2 sexes
// bound to 20 age groups.

#include "FuzzSupport.h"
#include "fn/values/DataArray.h"
#include "fn/values/DataValue.h"
#include "fn/values/formula/FormulaChecker.h"
#include "fn/values/InputFactor.h"
#include "ut/Exception.h"

namespace {

fn::InputFactor numberedFactor(const QString& name, int levels)
{
    QStringList names;
    for (int i = 0; i < levels; ++i)
        names << QString::number(i);
    return fn::InputFactor(name, names);
}

void evaluateArray(fn::DataArray& array)
{
    try {
        array.initializeParser();
    } catch (const ut::Exception&) {
    }
    array.evaluate();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<int>(size));
    fn::seedIfNonZero(42);

    try {
        fn::DataValue value(text);
        value.evaluate();
    } catch (const ut::Exception&) {
    }
    fn::FormulaChecker().check(text);

    const QStringList cells = text.split(QLatin1Char('\n'));
    QList<bool> results;
    fn::FormulaChecker().check(cells, results);

    fn::DataArray byLine({numberedFactor(QStringLiteral("Line"), cells.size())}, QStringLiteral("Lines"), {}, cells);
    evaluateArray(byLine);

    const fn::InputFactor ages19 = numberedFactor(QStringLiteral("Age"), 19);
    const fn::InputFactor ages20 = numberedFactor(QStringLiteral("Age"), 20);
    const fn::InputFactor sexes = numberedFactor(QStringLiteral("Sex"), 2);
    fn::DataArray converted({ages19, sexes}, QStringLiteral("Converted"), {}, cells);
    converted.setInputFactors({&ages20, &sexes});
    evaluateArray(converted);
    return 0;
}
