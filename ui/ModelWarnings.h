#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

namespace fn {
class DiseaseModel;
}

namespace ui {

// What the controller tells the page and the user about values that cannot be, in the words
// and shapes they read: the cells of a model's parameters outside their domain for the page,
// and the notices that list such formulas, impossible random-function arguments and statistics
// that came out not finite. The judging itself is fn::ImpossibleValues'.
class ModelWarnings
{
public:
    // The cells of the model's parameters whose values lie outside their domain: the model's
    // "countryID", "diseaseID", "modelID", and "cells", one map per cell with "treeID" and
    // "elementID" (empty for a model parameter), "parameter" (the page's name of its table),
    // "row" and "column" of the table (-1 and empty where the table does not show the cell),
    // "stratum", "formula", "place" and "text" (what is wrong).
    static QVariantMap cells(const fn::DiseaseModel& model);

    // The notices (small HTML) of the models' formulas: values outside their domain, then
    // random functions given arguments outside theirs; none when the formulas are sound.
    static QStringList formulaNotices(const QList<const fn::DiseaseModel*>& models);

    // The notice (small HTML) naming the models whose statistics came out not finite, and why
    // where a formula says; empty when every statistic is finite.
    static QString nonFiniteNotice(const QList<const fn::DiseaseModel*>& models);
};

} // namespace ui
