#pragma once

#include "ui/shell/presenters/DataPresenter.h"

namespace ui {

// A transition between two nodes of an outcome tree: its kind, its probability and
// redistribution parameters, and the probability, redistribution and cases as drawn.
class TransProbDataPresenter : public DataPresenter
{
    Q_OBJECT

public:
    TransProbDataPresenter(const QVariantMap& elementInfo, const QString& caption, bool resultsAvailable,
                           QObject* webGUI, bool isBaseTrans, bool isRedistributeType,
                           const QVariantMap& inputProbability, const QVariantMap& inputRedistribution,
                           const QVariantMap& outputProbabilityData, const QVariantMap& outputRedistributionData,
                           const QVariantMap& outputIncidenceData);
    ~TransProbDataPresenter() override;
};

} // namespace ui
