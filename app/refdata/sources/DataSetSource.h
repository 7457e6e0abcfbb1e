#pragma once

#include <QString>

#include "fn/data/templates/DiseaseTemplate.h"
#include "fn/data/InputDataMgr.h"
#include "app/refdata/sources/SourceArrayReader.h"
#include "app/refdata/sources/SourceObject.h"

namespace refdata {

// Reads the data of one disease for one country (or "Generic") into the store:
// notification data, outcome tree mapping, the four run factors, the underestimation
// type block and the parameter arrays of every health state and transition.
//
//   {"notificationData": table, "outcomeTreeMapping": table, "coverage": table,
//    "underestimation": table, "underreporting": table, "underascertainment": table,
//    "underestimationType": {"type": "0"},
//    "parameters": {treeId: {"healthStates": {stateId: {"severity", "duration", "proportion"?}},
//                            "transitions": {transitionId: {"probability", "redistribution"?}}}}}
//
// Every table is read with SourceArrayReader. Severity and duration of every health state
// other than the infection, and the probability of every ordinary transition, are required;
// a missing proportion or redistribution takes the store's default.
class DataSetSource
{
public:
    DataSetSource(const fn::DiseaseTemplate& disease, SourceArrayReader& arrays);

    void read(const SourceObject& section, const QString& country, fn::InputDataMgr& store);

private:
    void readMapping(const SourceObject& section, const QString& country, fn::InputDataMgr& store);
    void readUnderestimationType(const SourceObject& section, const QString& country, fn::InputDataMgr& store);
    void readTree(const SourceObject& tree, const fn::OutcomeTreeTemplate& treeTemplate, const QString& country,
                  fn::InputDataMgr& store);
    void readHealthState(const SourceObject& state, const QString& treeId, const QString& stateId,
                         const QString& country, fn::InputDataMgr& store);
    void readTransition(const SourceObject& transition, const QString& treeId, const QString& transitionId,
                        const QString& country, fn::InputDataMgr& store);
    void checkYesNo(const fn::DataArray& array, const QString& key, const SourcePath& path) const;

    const fn::DiseaseTemplate& m_disease;
    SourceArrayReader& m_arrays;
};

} // namespace refdata
