#pragma once

#include <QStringList>

namespace fn {

// The countries whose reference data the import accepts, "Generic" last.
const QStringList& knownCountryIds();

// The 85 antimicrobial-resistance diseases (17 pathogens by 5 infection sites) that
// share one disease report.
const QStringList& knownDiseaseIds();

} // namespace fn
