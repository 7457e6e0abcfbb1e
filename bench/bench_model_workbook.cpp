#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "ui/Chief.h"

// The model workbook a user saves and loads: 50 reference-data models (five countries with
// the baseline bloodstream infection, ten times over) written by the controller's export and
// read back by its import, with the reference data cache the build stages next to the program.
namespace {

constexpr int modelCount = 50;

QString stagedBase()
{
    return QStringLiteral(OZMID_BINARY_DIR);
}

std::unique_ptr<ui::Chief> controller()
{
    auto chief = std::make_unique<ui::Chief>();
    chief->setBasePath(stagedBase());
    return chief;
}

bool writeWorkbook(const QString& path)
{
    auto chief = controller();
    chief->changeCountrySelection({QStringLiteral("Austria"), QStringLiteral("Germany"), QStringLiteral("Sweden"),
                                   QStringLiteral("Italy"), QStringLiteral("EUEEA")});
    chief->changeDiseaseSelection({QStringLiteral("BaselineBSI")});
    while (static_cast<int>(chief->models().size()) < modelCount)
        chief->createModels();
    chief->saveModelsToExcel(QFileInfo(path));
    return static_cast<int>(chief->models().size()) == modelCount && QFile::exists(path);
}

void BM_LoadFiftyModelWorkbook(benchmark::State& state)
{
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("models.xls"));
    if (!writeWorkbook(path)) {
        state.SkipWithError("the 50-model workbook could not be made");
        return;
    }
    state.counters["bytes"] = double(QFileInfo(path).size());
    std::size_t loaded = 0;
    for (auto _ : state) {
        auto chief = controller();
        chief->loadModelsFromExcel(QFileInfo(path));
        loaded = chief->models().size();
        benchmark::DoNotOptimize(loaded);
    }
    if (loaded != modelCount)
        state.SkipWithError("the workbook did not load all models");
    state.SetItemsProcessed(state.iterations() * modelCount);
}

} // namespace

BENCHMARK(BM_LoadFiftyModelWorkbook)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
