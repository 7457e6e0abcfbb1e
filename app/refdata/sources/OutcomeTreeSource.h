#pragma once

#include "fn/data/templates/OutcomeTreeTemplate.h"
#include "app/refdata/sources/SourceObject.h"

namespace refdata {

// Reads one outcome tree of a disease source into a template and refuses trees that
// could not be assembled (see OutcomeTreeCheck). Health outcomes run in list order.
//
//   {"id": "BSI",
//    "healthOutcomes": [{"id", "name", "type", "reported": true|false}, ...],
//    "healthStates":   [{"id", "name", "outcome", "category"}, ...],
//    "transitions":    [{"id", "name", "source", "target", "complements"?}, ...]}
class OutcomeTreeSource
{
public:
    static fn::OutcomeTreeTemplate read(const SourceObject& tree);
};

} // namespace refdata
