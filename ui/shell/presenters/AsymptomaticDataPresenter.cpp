#include "ui/shell/presenters/AsymptomaticDataPresenter.h"

namespace ui {

AsymptomaticDataPresenter::AsymptomaticDataPresenter(const QVariantMap& elementInfo, const QString& caption,
                                                     bool resultsAvailable, QObject* webGUI,
                                                     const QVariantMap& incidenceData)
    : DataPresenter(elementInfo, caption, resultsAvailable, webGUI)
{
    resize(550, 700);
    setWindowTitle(QStringLiteral("Health state data"));
    webData().setMap(QStringLiteral("IncidenceData"), incidenceData);
    loadPage(QStringLiteral("qrc:/interface/subpages/asymptomaticView.html"));
}

AsymptomaticDataPresenter::~AsymptomaticDataPresenter() = default;

} // namespace ui
