#include "ut/OutputFile.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include "ut/Diagnostics.h"
#include "ut/OutputTarget.h"

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
    m_otherLinks = 0;
    const OutputTarget target = OutputTarget::of(m_path);
    if (target.kind() == OutputTarget::Unusable) {
        failWith(target.reason());
        return false;
    }
    m_direct = target.kind() != OutputTarget::Replaced;
    if (m_direct) {
        auto file = std::make_unique<QFile>(target.filePath());
        const bool opened = target.kind() == OutputTarget::Descriptor
            ? file->open(target.descriptor(), QIODevice::WriteOnly, QFileDevice::DontCloseHandle)
            : file->open(QIODevice::WriteOnly);
        if (!opened) {
            failWith(file->errorString());
            return false;
        }
        m_device = std::move(file);
        return true;
    }
    auto file = std::make_unique<QSaveFile>(target.filePath());
    if (!file->open(QIODevice::WriteOnly)) {
        failWith(file->errorString());
        return false;
    }
    m_otherLinks = target.otherLinks();
    m_replacedPath = target.filePath();
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
    if (m_otherLinks > 0)
        Diagnostics::report(QStringLiteral("\"%1\" was replaced by a new file; its %2 other hard link(s) keep the "
                                           "previous content.")
                                .arg(QDir::toNativeSeparators(m_replacedPath))
                                .arg(m_otherLinks));
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
