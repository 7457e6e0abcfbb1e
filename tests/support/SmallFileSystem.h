#pragma once

#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#include <unistd.h>

#include <QFile>
#include <QString>
#include <QTemporaryDir>

// A file system of a few kilobytes of memory of its own, for what a full disk does to the
// program's output. Mounting one needs a privileged user and a system that lets it: when it
// cannot be had, whyUnavailable() says why, for the test to skip with.
class SmallFileSystem
{
public:
    explicit SmallFileSystem(int kilobytes)
    {
        if (::geteuid() != 0) {
            m_whyUnavailable = QStringLiteral("mounting a small file system needs a privileged user");
            return;
        }
        if (!m_folder.isValid()) {
            m_whyUnavailable = QStringLiteral("no temporary folder to mount it on");
            return;
        }
        const QByteArray options = "size=" + QByteArray::number(kilobytes) + "k";
        if (::mount("tmpfs", QFile::encodeName(m_folder.path()).constData(), "tmpfs", 0, options.constData()) != 0) {
            m_whyUnavailable =
                QStringLiteral("mounting a tmpfs failed: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
            return;
        }
        m_mounted = true;
    }

    ~SmallFileSystem()
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_folder.path()).constData(), MNT_DETACH);
    }

    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool isMounted() const { return m_mounted; }
    const QString& whyUnavailable() const { return m_whyUnavailable; }
    QString filePath(const QString& name) const { return m_folder.filePath(name); }
    QString path() const { return m_folder.path(); }

private:
    QTemporaryDir m_folder;
    bool m_mounted = false;
    QString m_whyUnavailable;
};
