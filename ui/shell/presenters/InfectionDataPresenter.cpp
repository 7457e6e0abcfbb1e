#include "ui/shell/presenters/InfectionDataPresenter.h"

namespace ui {

InfectionDataPresenter::InfectionDataPresenter(const QVariantMap& elementInfo, const QString& caption,
                                               bool resultsAvailable, QObject* webGUI, const QVariantMap& lifeExpData,
                                               const QVariantMap& sampleMeanOutputIncidence)
    : DataPresenter(elementInfo, caption, resultsAvailable, webGUI)
{
    resize(870, 700);
    setWindowTitle(QStringLiteral("Infection data"));
    webData().setMap(QStringLiteral("LifeExpData"), lifeExpData);
    webData().setMap(QStringLiteral("SampleMeanOutputIncidence"), sampleMeanOutputIncidence);
    loadPage(QStringLiteral("qrc:/interface/subpages/infectionView.html"));
}

InfectionDataPresenter::~InfectionDataPresenter() = default;

} // namespace ui
