#include "ui/shell/presenters/YLLHealthOutcomeDataPresenter.h"

namespace ui {

YLLHealthOutcomeDataPresenter::YLLHealthOutcomeDataPresenter(const QVariantMap& elementInfo, const QString& caption,
                                                             bool resultsAvailable, QObject* webGUI,
                                                             const QVariantMap& proportionData,
                                                             const QVariantMap& incidenceData,
                                                             const QVariantMap& burdenData,
                                                             const QVariantMap& remLEData)
    : DataPresenter(elementInfo, caption, resultsAvailable, webGUI)
{
    resize(870, 700);
    setWindowTitle(QStringLiteral("Health state data"));
    webData().setMap(QStringLiteral("ProportionData"), proportionData);
    webData().setMap(QStringLiteral("IncidenceData"), incidenceData);
    webData().setMap(QStringLiteral("BurdenData"), burdenData);
    webData().setMap(QStringLiteral("RemLEData"), remLEData);
    loadPage(QStringLiteral("qrc:/interface/subpages/yllHealthOutcomeView.html"));
}

YLLHealthOutcomeDataPresenter::~YLLHealthOutcomeDataPresenter() = default;

} // namespace ui
