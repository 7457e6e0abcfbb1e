#pragma once

#include "ui/shell/presenters/DataPresenter.h"

namespace ui {

// A death state: its proportion, and its deaths, YLL and remaining life expectancy at death.
class YLLHealthOutcomeDataPresenter : public DataPresenter
{
    Q_OBJECT

public:
    YLLHealthOutcomeDataPresenter(const QVariantMap& elementInfo, const QString& caption, bool resultsAvailable,
                                  QObject* webGUI, const QVariantMap& proportionData, const QVariantMap& incidenceData,
                                  const QVariantMap& burdenData, const QVariantMap& remLEData);
    ~YLLHealthOutcomeDataPresenter() override;
};

} // namespace ui
