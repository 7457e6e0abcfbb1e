#pragma once

#include "fn/data/InputDataMgr.h"
#include "app/refdata/sources/SourceObject.h"

namespace refdata {

// Reads a document of kind "countries" into the store: for each known country id its
// caption, population ("Age distribution") and remaining life expectancy, all tables
// over the document's factors, and whether the id is a region or placeholder rather than a
// country ("region": true; false when absent).
//
//   {"kind": "countries", "factors": [...],
//    "countries": {"Austria": {"caption": "Austria", "population": table, "lifeExpectancy": table},
//                  "EUEEA": {"caption": "EU/EEA", "region": true, ...}}}
class CountrySource
{
public:
    static void read(const SourceObject& document, fn::InputDataMgr& store);
};

} // namespace refdata
