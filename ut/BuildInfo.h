#pragma once

#include <QString>

namespace ut {

// What build of the programs is running: the version and the commit it was built from.
class BuildInfo
{
public:
    static QString version();
    // The commit as of the last configure; "unknown" when built outside a repository.
    static QString commit();
    // "<program> <version> (commit <commit>)", the line --version prints.
    static QString versionLine(const QString& program);
};

} // namespace ut
