#pragma once

#include <QJsonArray>
#include <QVector>

#include "fn/values/InputFactor.h"
#include "app/refdata/sources/SourcePath.h"

namespace refdata {

// Reads a list of stratification factors, [{"name": "Age", "levels": [...]}, ...], in
// dimension order. Names and levels must be non-empty and distinct.
class FactorSource
{
public:
    static QVector<fn::InputFactor> read(const QJsonArray& factors, const SourcePath& path);
};

} // namespace refdata
