#include "ut/OutputFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace ut {

OutputFile::OutputFile(const QString& path)
    : m_path(path)
{
}

OutputFile::~OutputFile()
{
    if (m_device && m_device->isOpen())
        cancel();
}

void OutputFile::failWith(const QString& reason)
{
    m_failed = true;
    m_errorString = QStringLiteral("Cannot write \"%1\": %2").arg(QDir::toNativeSeparators(m_path), reason);
}

bool OutputFile::open()
{
    m_failed = false;
    m_errorString.clear();
    const QFileInfo info(m_path);
    // The file a symbolic link leads to is the one to write; a pipe, a FIFO or a device is
    // written as it is.
    m_direct = info.exists() && !info.isFile();
    if (m_direct) {
        auto file = std::make_unique<QFile>(m_path);
        if (!file->open(QIODevice::WriteOnly)) {
            failWith(file->errorString());
            return false;
        }
        m_device = std::move(file);
        return true;
    }
    const QString target = info.isSymLink() && info.exists() ? info.canonicalFilePath() : m_path;
    auto file = std::make_unique<QSaveFile>(target);
    if (!file->open(QIODevice::WriteOnly)) {
        failWith(file->errorString());
        return false;
    }
    m_device = std::move(file);
    return true;
}

bool OutputFile::write(const QByteArray& bytes)
{
    if (m_failed || !m_device)
        return false;
    qint64 written = 0;
    while (written < bytes.size()) {
        const qint64 n = m_device->write(bytes.constData() + written, bytes.size() - written);
        if (n <= 0) {
            failWith(m_device->errorString());
            return false;
        }
        written += n;
    }
    return true;
}

bool OutputFile::commit()
{
    if (!m_device)
        return false;
    if (m_failed) {
        cancel();
        return false;
    }
    if (m_direct) {
        const bool flushed = m_device->flush();
        const QString reason = m_device->errorString();
        m_device->close();
        if (!flushed || m_device->error() != QFileDevice::NoError) {
            failWith(reason);
            return false;
        }
        return true;
    }
    auto* file = static_cast<QSaveFile*>(m_device.get());
    if (!file->commit()) {
        failWith(file->errorString());
        return false;
    }
    return true;
}

void OutputFile::cancel()
{
    if (!m_device)
        return;
    if (m_direct)
        m_device->close();
    else
        static_cast<QSaveFile*>(m_device.get())->cancelWriting();
    m_device.reset();
}

bool OutputFile::save(const QString& path, const QByteArray& bytes, QString* errorString)
{
    OutputFile file(path);
    const bool saved = file.open() && file.write(bytes) && file.commit();
    if (!saved && errorString)
        *errorString = file.errorString();
    return saved;
}

} // namespace ut
