#include "fn/data/DiseaseReportMgr.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include "fn/KnownIds.h"

namespace fn {

DiseaseReportMgr::~DiseaseReportMgr() = default;

QString DiseaseReportMgr::reportFilePath(const InputType::Disease& diseaseId) const
{
    const QString reportName = knownDiseaseIds().contains(diseaseId) ? QStringLiteral("BaselineAMR") : diseaseId;
    return QDir(m_basePath).filePath(QStringLiteral("./diseaseReports/") + reportName + QStringLiteral(".html"));
}

QString DiseaseReportMgr::getReport(const InputType::Disease& diseaseId) const
{
    const QString notFound = QStringLiteral("No disease report found.");
    QFile file(reportFilePath(diseaseId));
    if (!file.exists() || !QFileInfo(file).isReadable() || !file.open(QIODevice::ReadOnly | QIODevice::Text))
        return notFound;
    QTextStream in(&file);
    return in.readAll();
}

} // namespace fn
