#include "ui/output/RunProvenance.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>

#include "ut/BuildInfo.h"
#include "ut/OutputTarget.h"

namespace ui {

namespace {

// Whether the compiler may have contracted a * b + c into one fused operation (one rounding
// instead of two): then the same seed gives slightly different numbers than a build without.
constexpr bool compiledWithFma =
#ifdef __FMA__
    true;
#else
    false;
#endif

// Whether the processor has fused multiply-add: the C library picks its exp, log and pow
// variants by it at run time, which may change the last bits of a result.
bool processorHasFma()
{
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    return __builtin_cpu_supports("fma");
#else
    return false;
#endif
}

QString architecture()
{
    return QSysInfo::currentCpuArchitecture();
}

} // namespace

RunProvenance::RunProvenance()
    : m_startedUtc(QDateTime::currentDateTimeUtc().toString(Qt::ISODate))
{
}

QString RunProvenance::sha256(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return {};
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file)) {
        if (error)
            *error = file.errorString();
        return {};
    }
    return QString::fromLatin1(hash.result().toHex());
}

QString RunProvenance::pathBeside(const QString& resultsPath)
{
    if (resultsPath.isEmpty() || ut::OutputTarget::of(resultsPath).kind() != ut::OutputTarget::Replaced)
        return {};
    QString path = resultsPath;
    for (const QLatin1String suffix : {QLatin1String(".gz"), QLatin1String(".json"), QLatin1String(".csv")}) {
        if (path.endsWith(suffix, Qt::CaseInsensitive))
            path.chop(suffix.size());
    }
    return path + QStringLiteral(".run.json");
}

void RunProvenance::addInputsOf(const QString& modelsFolder)
{
    const QDir folder(modelsFolder);
    for (const QString& name : folder.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name))
        m_inputs << folder.filePath(name);
}

QJsonObject RunProvenance::toJson() const
{
    const auto hashed = [](const QString& path) {
        QString error;
        const QString hash = sha256(path, &error);
        QJsonObject file{{QStringLiteral("path"), QFileInfo(path).absoluteFilePath()},
                         {QStringLiteral("sha256"), hash.isEmpty() ? QJsonValue() : QJsonValue(hash)}};
        if (hash.isEmpty())
            file.insert(QStringLiteral("readError"), error);
        return file;
    };
    QJsonArray inputs;
    for (const QString& input : m_inputs)
        inputs.append(hashed(input));
    QJsonObject provenance{
        {QStringLiteral("program"), QFileInfo(m_commandLine.value(0)).fileName()},
        {QStringLiteral("version"), ut::BuildInfo::version()},
        {QStringLiteral("commit"), ut::BuildInfo::commit()},
        {QStringLiteral("startedUtc"), m_startedUtc},
        {QStringLiteral("commandLine"), QJsonArray::fromStringList(m_commandLine)},
        {QStringLiteral("inputs"), inputs},
        {QStringLiteral("iterations"), double(m_iterations)},
        {QStringLiteral("timeDiscountRate"), m_timeDiscountRate},
        {QStringLiteral("randomSeed"), double(m_randomSeed)},
        {QStringLiteral("seeding"), m_seeding},
        {QStringLiteral("threads"), m_threads},
        {QStringLiteral("uncertaintyAnalysis"), m_uncertaintyAnalysis},
        {QStringLiteral("floatingPoint"),
         QJsonObject{{QStringLiteral("architecture"), architecture()},
                     {QStringLiteral("compiledWithFma"), compiledWithFma},
                     {QStringLiteral("processorHasFma"), processorHasFma()}}},
    };
    if (!m_dataFolder.isEmpty()) {
        provenance.insert(QStringLiteral("dataFolder"), QFileInfo(m_dataFolder).absoluteFilePath());
        provenance.insert(QStringLiteral("referenceData"),
                          hashed(QDir(m_dataFolder).filePath(QStringLiteral("referenceData.dat"))));
    }
    return provenance;
}

} // namespace ui
