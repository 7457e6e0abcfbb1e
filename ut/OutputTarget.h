#pragma once

#include <QString>

namespace ut {

// How the program writes a path it was given, decided before anything is opened:
//
// - Descriptor: a name of one of the process's own open descriptors (/dev/stdout,
//   /dev/stderr, /dev/fd/N, /proc/self/fd/N). It is written through that descriptor, so that
//   what goes there lines up with what the program prints itself, even when standard output
//   was redirected to a file.
// - Direct: anything that is not a regular file (a pipe, a FIFO, a character device) and
//   anything in the system's device and process folders, whatever it is. It is opened and
//   written as it is; there is nothing to replace, and a file must never be renamed over a
//   device.
// - Replaced: a regular file, or one that does not exist yet. It is written beside its
//   place and renamed over it once complete. A symbolic link stays a link: the file it
//   leads to is the one replaced. Other hard links to that file keep the previous content,
//   because a new file takes the name's place (otherLinks() tells how many there are).
// - Unusable: symbolic links that never reach a file, because they lead round in a circle (or
//   further than the system follows). Nothing is written; reason() says why.
class OutputTarget
{
public:
    enum Kind { Replaced, Direct, Descriptor, Unusable };

    static OutputTarget of(const QString& path);

    Kind kind() const { return m_kind; }
    // The path to open or replace: for Replaced, the file at the end of any symbolic links.
    const QString& filePath() const { return m_filePath; }
    // The descriptor to write through (Descriptor only).
    int descriptor() const { return m_descriptor; }
    // Hard links to a Replaced file besides the name written (0 for a new file).
    int otherLinks() const { return m_otherLinks; }
    // Why nothing can be written there (Unusable only).
    const QString& reason() const { return m_reason; }

private:
    Kind m_kind = Replaced;
    QString m_filePath;
    int m_descriptor = -1;
    int m_otherLinks = 0;
    QString m_reason;
};

} // namespace ut
