#pragma once

#include <QJsonObject>

#include "fn/data/InputDataMgr.h"
#include "app/refdata/sources/SourceObject.h"

namespace refdata {

// Reads a document of kind "disease" into the store: the disease template with its
// outcome trees, its run factors, and one data set per country, of which "Generic" is
// required. A country's data set is laid over the Generic one: each piece it gives (a
// table, the underestimation type block, one parameter of one element) replaces the
// Generic piece, everything else is taken from Generic. Every data set registers its
// (country, disease) pair. Countries other than Generic need population data in the store.
//
//   {"kind": "disease", "id": "BaselineBSI", "caption": "...", "runFactors": [...],
//    "outcomeTrees": [tree, ...], "data": {"Generic": dataSet, "Austria": dataSet, ...}}
class DiseaseSource
{
public:
    static void read(const SourceObject& document, fn::InputDataMgr& store);

    // The Generic data set with the pieces of a country's own data set laid over it.
    static QJsonObject overlaid(const QJsonObject& generic, const QJsonObject& own);
};

} // namespace refdata
