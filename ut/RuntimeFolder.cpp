#include "ut/RuntimeFolder.h"

#include <cerrno>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

namespace ut {

void RuntimeFolder::prepare()
{
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        return;
    const uid_t user = ::geteuid();
    const passwd* account = ::getpwuid(user);
    const QString userName = account ? QFile::decodeName(account->pw_name) : QString::number(user);
    const QByteArray folder = QFile::encodeName(QDir::tempPath() + QStringLiteral("/runtime-") + userName);
    if (::mkdir(folder.constData(), 0700) != 0 && errno != EEXIST)
        return;
    // Private means: a folder, not a link to one, owned by the user and closed to everyone else.
    struct stat status = {};
    if (::lstat(folder.constData(), &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != user)
        return;
    if ((status.st_mode & 07777) != 0700 && ::chmod(folder.constData(), 0700) != 0)
        return;
    qputenv("XDG_RUNTIME_DIR", folder);
}

} // namespace ut
