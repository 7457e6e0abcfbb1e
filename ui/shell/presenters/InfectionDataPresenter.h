#pragma once

#include "ui/shell/presenters/DataPresenter.h"

namespace ui {

// The infection of an outcome tree: the remaining life expectancy it starts from and the
// infections it computes.
class InfectionDataPresenter : public DataPresenter
{
    Q_OBJECT

public:
    InfectionDataPresenter(const QVariantMap& elementInfo, const QString& caption, bool resultsAvailable,
                           QObject* webGUI, const QVariantMap& lifeExpData,
                           const QVariantMap& sampleMeanOutputIncidence);
    ~InfectionDataPresenter() override;
};

} // namespace ui
