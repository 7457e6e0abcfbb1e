#include "ut/OutputTarget.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace ut {

namespace {

// As many symbolic links as the system itself follows before it gives up.
constexpr int maxLinkHops = 40;

bool isWritableDescriptor(int descriptor)
{
    const int flags = ::fcntl(descriptor, F_GETFL);
    return flags != -1 && (flags & O_ACCMODE) != O_RDONLY;
}

// The descriptor of this process that path names, or -1.
int descriptorNamed(const QString& path)
{
    if (path == QLatin1String("/dev/stdout"))
        return 1;
    if (path == QLatin1String("/dev/stderr"))
        return 2;
    static const QRegularExpression numbered(QStringLiteral("^/(?:dev|proc/(self|\\d+))/fd/(\\d+)$"));
    const QRegularExpressionMatch match = numbered.match(path);
    if (!match.hasMatch())
        return -1;
    const QString process = match.captured(1);
    if (!process.isEmpty() && process != QLatin1String("self") && process.toLongLong() != ::getpid())
        return -1;
    bool ok = false;
    const int descriptor = match.captured(2).toInt(&ok);
    return ok ? descriptor : -1;
}

bool isSystemFolder(const QString& path)
{
    for (const char* folder : {"/dev", "/proc", "/sys"}) {
        const QLatin1String name(folder);
        if (path == name || (path.startsWith(name) && path.at(name.size()) == QLatin1Char('/')))
            return true;
    }
    return false;
}

// Whether path lies in a system folder, also through a symbolic link to one of its folders.
bool liesInSystemFolder(const QString& path)
{
    if (isSystemFolder(path))
        return true;
    const QString folder = QFileInfo(QFileInfo(path).absolutePath()).canonicalFilePath();
    return !folder.isEmpty() && isSystemFolder(folder);
}

int otherHardLinks(const QString& path)
{
    struct stat status = {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return 0;
    return status.st_nlink > 1 ? int(status.st_nlink - 1) : 0;
}

} // namespace

OutputTarget OutputTarget::of(const QString& path)
{
    OutputTarget target;
    target.m_filePath = path;
    QString current = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    // Each link on the way may name a descriptor or lead into a system folder.
    for (int hop = 0; hop < maxLinkHops; ++hop) {
        const int descriptor = descriptorNamed(current);
        if (descriptor >= 0 && isWritableDescriptor(descriptor)) {
            target.m_kind = Descriptor;
            target.m_descriptor = descriptor;
            return target;
        }
        if (liesInSystemFolder(current)) {
            target.m_kind = Direct;
            return target;
        }
        const QFileInfo info(current);
        if (!info.isSymLink())
            break;
        current = QDir::cleanPath(info.symLinkTarget());
    }
    const QFileInfo info(current);
    if (info.isSymLink()) {
        target.m_kind = Unusable;
        target.m_reason = QStringLiteral("its symbolic links lead round in a circle or more than %1 deep, and never "
                                         "reach a file")
                              .arg(maxLinkHops);
        return target;
    }
    if (info.exists() && !info.isFile()) {
        target.m_kind = Direct;
        return target;
    }
    target.m_kind = Replaced;
    target.m_filePath = current;
    target.m_otherLinks = otherHardLinks(current);
    return target;
}

} // namespace ut
