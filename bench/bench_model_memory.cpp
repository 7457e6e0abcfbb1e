#include <cstdio>
#include <cstdlib>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "ui/Chief.h"

// What a run of many models keeps per model, as the graphical shell keeps them (result maps
// and element means for the pages; the per-iteration records are given back as each model is
// done): the growth of peak memory per model, at two sample sizes. Run by hand from build/bin:
//
//     bench_model_memory [models] [threads]
//
// Each measurement runs in a process of its own.
namespace {

long peakKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return 0;
}

long peakAfterRun(int models, int iterations, int threads)
{
    ui::Chief chief;
    chief.setBasePath(QCoreApplication::applicationDirPath());
    chief.settings().setRandomSeed(42);
    chief.settings().setThreadCount(quint32(threads));
    const QStringList countries = {QStringLiteral("Austria"), QStringLiteral("Sweden"), QStringLiteral("Germany")};
    for (int i = 0; i < models; ++i)
        chief.createModel(countries[i % countries.size()], QStringLiteral("BaselineBSI"), chief.makeModelId(QString()));
    chief.setNumSamples(iterations);
    chief.runModels(false);
    return peakKilobytes();
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Ozmid"));
    const QStringList arguments = QCoreApplication::arguments();
    // One measurement per process: peak memory never falls within one.
    if (arguments.value(1) == QLatin1String("--one")) {
        const QTemporaryDir settingsFolder;
        QDir::setCurrent(settingsFolder.path());
        std::printf("%ld\n",
                    peakAfterRun(arguments.value(2).toInt(), arguments.value(3).toInt(), arguments.value(4).toInt()));
        return 0;
    }
    const int models = arguments.size() > 1 ? arguments.value(1).toInt() : 200;
    const int threads = arguments.size() > 2 ? arguments.value(2).toInt() : 0;
    const auto measure = [&](int count, int iterations) {
        QProcess process;
        process.start(
            QCoreApplication::applicationFilePath(),
            {QStringLiteral("--one"), QString::number(count), QString::number(iterations), QString::number(threads)});
        process.waitForFinished(-1);
        return process.readAllStandardOutput().trimmed().toLong();
    };
    for (const int iterations : {1000, 5000}) {
        const long small = measure(models / 2, iterations);
        const long large = measure(models, iterations);
        std::printf("%d iterations: peak %ld MiB with %d models, %ld MiB with %d: %.0f KiB per model\n", iterations,
                    small / 1024, models / 2, large / 1024, models, double(large - small) / (models - models / 2));
    }
    return 0;
}
