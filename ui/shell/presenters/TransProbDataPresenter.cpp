#include "ui/shell/presenters/TransProbDataPresenter.h"

namespace ui {

TransProbDataPresenter::TransProbDataPresenter(const QVariantMap& elementInfo, const QString& caption,
                                               bool resultsAvailable, QObject* webGUI, bool isBaseTrans,
                                               bool isRedistributeType, const QVariantMap& inputProbability,
                                               const QVariantMap& inputRedistribution,
                                               const QVariantMap& outputProbabilityData,
                                               const QVariantMap& outputRedistributionData,
                                               const QVariantMap& outputIncidenceData)
    : DataPresenter(elementInfo, caption, resultsAvailable, webGUI)
{
    resize(1000, 700);
    setWindowTitle(QStringLiteral("Transition probability data"));
    webData().setBool(QStringLiteral("IsBaseTrans"), isBaseTrans);
    webData().setBool(QStringLiteral("IsRedistributeType"), isRedistributeType);
    webData().setMap(QStringLiteral("InputProbability"), inputProbability);
    webData().setMap(QStringLiteral("InputRedistribution"), inputRedistribution);
    webData().setMap(QStringLiteral("OutputProbabilityData"), outputProbabilityData);
    webData().setMap(QStringLiteral("OutputRedistributionData"), outputRedistributionData);
    webData().setMap(QStringLiteral("OutputIncidenceData"), outputIncidenceData);
    loadPage(QStringLiteral("qrc:/interface/subpages/transProbView.html"));
}

TransProbDataPresenter::~TransProbDataPresenter() = default;

} // namespace ui
