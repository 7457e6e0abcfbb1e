#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <benchmark/benchmark.h>

#include "fn/data/InputDataMgr.h"
#include "fn/data/templates/JSONDiseaseTemplate.h"
#include "fn/model/DiseaseModel.h"
#include "fn/values/random/RandomFunctions.h"

// One shipped sample model (19 age groups by sex, random parameters everywhere) run at
// 10 000 iterations, as a user runs it.
namespace {

QJsonObject sampleSpecification(const char* name)
{
    QFile file(QStringLiteral(OZMID_SOURCE_DIR "/models/") + QLatin1String(name));
    file.open(QIODevice::ReadOnly);
    return QJsonDocument::fromJson(file.readAll()).object();
}

void runSample(benchmark::State& state, const char* name, bool analyzeUncertainty = false)
{
    const fn::JSONDiseaseTemplate spec(sampleSpecification(name));
    fn::InputDataMgr store;
    QStringList population, lifeExpectancy;
    for (int a = 0; a < spec.factors().value(0).levelCount(); ++a) {
        for (int s = 0; s < 2; ++s) {
            population << QString::number(250000 - 9000 * a);
            lifeExpectancy << QString::number(std::max(2.0, 82.0 - 4.5 * a));
        }
    }
    store.setAgeDistribution(QStringLiteral("Benchland"), fn::DataArray(spec.factors(), QString(), {}, population));
    store.setLifeExpectancy(QStringLiteral("Benchland"), fn::DataArray(spec.factors(), QString(), {}, lifeExpectancy));
    fn::DiseaseModel model(&store, QStringLiteral("model 1"), QStringLiteral("Benchland"), QStringLiteral("Benchland"),
                           &spec);
    model.setUp();
    model.setUncertaintyAnalysis(analyzeUncertainty);
    const auto iterations = static_cast<std::uint32_t>(state.range(0));
    for (auto _ : state) {
        fn::seedIfNonZero(42);
        int tree = 0;
        model.run(iterations, 0.03, tree);
        benchmark::DoNotOptimize(model.totalResults());
    }
    state.counters["iterations/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * iterations,
                                                        benchmark::Counter::kIsRate);
    state.counters["s/iteration"] = benchmark::Counter(static_cast<double>(state.iterations()) * iterations,
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

} // namespace

static void BM_RunBloodstreamInfectionModel(benchmark::State& state)
{
    runSample(state, "Illustrative-CRKP-BSI.model_spec.json");
}
BENCHMARK(BM_RunBloodstreamInfectionModel)->Arg(10000)->Unit(benchmark::kMillisecond);

// The same with standard errors, convergence and the sensitivity analysis: their extra cost.
static void BM_RunBloodstreamInfectionModelWithUncertainty(benchmark::State& state)
{
    runSample(state, "Illustrative-CRKP-BSI.model_spec.json", true);
}
BENCHMARK(BM_RunBloodstreamInfectionModelWithUncertainty)->Arg(10000)->Unit(benchmark::kMillisecond);

static void BM_RunCongenitalTwoTreeModel(benchmark::State& state)
{
    runSample(state, "Illustrative-Listeriosis.model_spec.json");
}
BENCHMARK(BM_RunCongenitalTwoTreeModel)->Arg(10000)->Unit(benchmark::kMillisecond);

static void BM_RunCongenitalTwoTreeModelWithUncertainty(benchmark::State& state)
{
    runSample(state, "Illustrative-Listeriosis.model_spec.json", true);
}
BENCHMARK(BM_RunCongenitalTwoTreeModelWithUncertainty)->Arg(10000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
