#pragma once

#include <QString>

#include "fn/InputType.h"

namespace fn {

// Finds and reads the HTML report of a disease in the "diseaseReports" folder of the base
// folder. The antimicrobial-resistance diseases share the report "BaselineAMR".
class DiseaseReportMgr
{
public:
    DiseaseReportMgr() = default;
    virtual ~DiseaseReportMgr();

    void setBasePath(const QString& path) { m_basePath = path; }
    const QString& basePath() const { return m_basePath; }

    // The file a report for the disease is read from.
    QString reportFilePath(const InputType::Disease& diseaseId) const;
    // The report's text, or "No disease report found." when it is missing or unreadable.
    QString getReport(const InputType::Disease& diseaseId) const;

private:
    QString m_basePath;
};

} // namespace fn
