#pragma once

#include "ui/shell/presenters/DataPresenter.h"

namespace ui {

// An asymptomatic health outcome: no parameters of its own, only the cases it receives.
class AsymptomaticDataPresenter : public DataPresenter
{
    Q_OBJECT

public:
    AsymptomaticDataPresenter(const QVariantMap& elementInfo, const QString& caption, bool resultsAvailable,
                              QObject* webGUI, const QVariantMap& incidenceData);
    ~AsymptomaticDataPresenter() override;
};

} // namespace ui
