#pragma once

#include <memory>

#include <QByteArray>
#include <QString>

class QFileDevice;

namespace ut {

// A file the program writes, in one piece or not at all. A regular file (or one that does not
// exist yet) is written beside its place and put there only once every byte was written, so
// that a failure (a full disk, a folder one cannot write to) leaves the previous file as it
// was. Anything else, a pipe, a FIFO, /dev/stdout or a character device, is opened and
// written directly: there is nothing to replace (see ut::OutputTarget).
//
// Replacing a file gives its name a new file: other hard links to the old one keep the
// previous content. That keeps a copy made with ln intact; commit() says so on the
// diagnostics channel when it happens.
//
// Every failure is kept: once a write failed, later writes do nothing and commit() fails.
// errorString() names the file and gives the system's reason.
class OutputFile
{
public:
    explicit OutputFile(const QString& path);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool open();
    bool write(const QByteArray& bytes);
    // Puts the file in place (or closes a direct target); false when anything failed.
    bool commit();
    // Abandons what was written; a regular target is left as it was.
    void cancel();

    const QString& path() const { return m_path; }
    QString errorString() const { return m_errorString; }

    // Writes bytes to path in one go; on failure returns false and sets errorString.
    static bool save(const QString& path, const QByteArray& bytes, QString* errorString = nullptr);

private:
    void failWith(const QString& reason);

    QString m_path;
    std::unique_ptr<QFileDevice> m_device;
    bool m_direct = false;
    int m_otherLinks = 0;
    QString m_replacedPath;
    bool m_failed = false;
    QString m_errorString;
};

} // namespace ut
