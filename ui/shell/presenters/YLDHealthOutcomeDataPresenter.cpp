#include "ui/shell/presenters/YLDHealthOutcomeDataPresenter.h"

namespace ui {

YLDHealthOutcomeDataPresenter::YLDHealthOutcomeDataPresenter(
    const QVariantMap& elementInfo, const QString& caption, bool resultsAvailable, QObject* webGUI,
    const QVariantMap& severityData, const QVariantMap& durationData, const QVariantMap& proportionData,
    const QVariantMap& incidenceData, const QVariantMap& burdenData, const QVariantMap& remLEData)
    : DataPresenter(elementInfo, caption, resultsAvailable, webGUI)
{
    resize(980, 670);
    setWindowTitle(QStringLiteral("Health state data"));
    webData().setMap(QStringLiteral("SeverityData"), severityData);
    webData().setMap(QStringLiteral("DurationData"), durationData);
    webData().setMap(QStringLiteral("ProportionData"), proportionData);
    webData().setMap(QStringLiteral("IncidenceData"), incidenceData);
    webData().setMap(QStringLiteral("BurdenData"), burdenData);
    webData().setMap(QStringLiteral("RemLEData"), remLEData);
    loadPage(QStringLiteral("qrc:/interface/subpages/yldHealthOutcomeView.html"));
}

YLDHealthOutcomeDataPresenter::~YLDHealthOutcomeDataPresenter() = default;

} // namespace ui
