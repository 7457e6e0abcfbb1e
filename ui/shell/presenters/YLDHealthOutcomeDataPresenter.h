#pragma once

#include "ui/shell/presenters/DataPresenter.h"

namespace ui {

// A health state that causes years lived with disability: its severity, duration and
// proportion, and its cases, YLD and remaining life expectancy.
class YLDHealthOutcomeDataPresenter : public DataPresenter
{
    Q_OBJECT

public:
    YLDHealthOutcomeDataPresenter(const QVariantMap& elementInfo, const QString& caption, bool resultsAvailable,
                                  QObject* webGUI, const QVariantMap& severityData, const QVariantMap& durationData,
                                  const QVariantMap& proportionData, const QVariantMap& incidenceData,
                                  const QVariantMap& burdenData, const QVariantMap& remLEData);
    ~YLDHealthOutcomeDataPresenter() override;
};

} // namespace ui
