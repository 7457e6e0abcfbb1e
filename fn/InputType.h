#pragma once

#include <QMetaType>
#include <QObject>
#include <QString>

namespace fn {

// Identifier types and the small enumerations shared by every layer. The enumerations
// are registered with the meta-object system so that their keys convert to and from text.
namespace InputType {
Q_NAMESPACE

using Country = QString;
using Disease = QString;

enum TransProb { Direct = 0, Cumulative = 1 };
Q_ENUM_NS(TransProb)

enum Distribution { Constant = 0, Uniform = 1, Pert = 2, Beta = 3 };
Q_ENUM_NS(Distribution)

enum HealthState { INFECTION = 0, ASYMPTOMATIC = 1, YLD = 2, YLL = 3 };
Q_ENUM_NS(HealthState)

enum HealthStateParamType { Severity = 0, Duration = 1, Proportion = 2 };
Q_ENUM_NS(HealthStateParamType)

// The value of a health state kind key ("YLD" gives 2), -1 when the text is not a key.
int healthStateFromKey(const QString& key);

} // namespace InputType

// The kind of a workbook file operation in status reports.
enum FileOperationType { Export = 0, Import = 1 };

} // namespace fn

Q_DECLARE_METATYPE(fn::FileOperationType)
