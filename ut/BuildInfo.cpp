#include "ut/BuildInfo.h"

#ifndef OZMID_VERSION
#define OZMID_VERSION "unknown"
#endif
#ifndef OZMID_COMMIT
#define OZMID_COMMIT "unknown"
#endif

namespace ut {

QString BuildInfo::version()
{
    return QStringLiteral(OZMID_VERSION);
}

QString BuildInfo::commit()
{
    return QStringLiteral(OZMID_COMMIT);
}

QString BuildInfo::versionLine(const QString& program)
{
    return QStringLiteral("%1 %2 (commit %3)").arg(program, version(), commit());
}

} // namespace ut
