#include <benchmark/benchmark.h>

#include "fn/values/DataArray.h"
#include "fn/values/random/RandomFunctions.h"

// The innermost cost of every run: one evaluation of a 20 age groups x 2 sexes parameter.
namespace {

QVector<fn::InputFactor> ageBySex()
{
    QStringList ages;
    for (int i = 0; i < 20; ++i)
        ages << QString::number(i);
    return {fn::InputFactor(QStringLiteral("Age"), ages),
            fn::InputFactor(QStringLiteral("Sex"), {QStringLiteral("Female"), QStringLiteral("Male")})};
}

void evaluateArray(benchmark::State& state, const QString& cellFormula)
{
    fn::DataArray array(ageBySex(), QStringLiteral("bench"), {}, cellFormula);
    array.initializeParser();
    fn::seedIfNonZero(1);
    for (auto _ : state) {
        array.evaluate();
        benchmark::DoNotOptimize(array.values()[0]);
    }
    state.SetItemsProcessed(state.iterations() * 40);
}

} // namespace

static void BM_EvaluateConstantCells(benchmark::State& state)
{
    evaluateArray(state, QStringLiteral("0.25"));
}
BENCHMARK(BM_EvaluateConstantCells);

static void BM_EvaluatePertCells(benchmark::State& state)
{
    evaluateArray(state, QStringLiteral("RandPert(0.001, 0.035, 0.09)"));
}
BENCHMARK(BM_EvaluatePertCells);

static void BM_EvaluateUniformCells(benchmark::State& state)
{
    evaluateArray(state, QStringLiteral("RandUniform(0.198, 0.734)"));
}
BENCHMARK(BM_EvaluateUniformCells);

BENCHMARK_MAIN();
