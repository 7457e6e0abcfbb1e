#pragma once

#include <memory>

#include <QByteArray>
#include <QString>

#include "ut/OutputFile.h"

namespace ut {

// A document written piece by piece into a ut::OutputFile, gzip-compressed when its name ends
// in ".gz" (any case). Compression happens as the pieces arrive, so a document of hundreds of
// megabytes never lies in memory whole; the file is put in place by commit() only, with the
// all-or-nothing guarantee of ut::OutputFile. Every failure is kept and named by errorString().
class OutputStream
{
public:
    explicit OutputStream(const QString& path);
    ~OutputStream();
    OutputStream(const OutputStream&) = delete;
    OutputStream& operator=(const OutputStream&) = delete;

    // zlib's level, 1 (fastest) to 9 (smallest); before open(). The default is zlib's own (6).
    void setCompressionLevel(int level) { m_level = level; }
    bool open();
    bool write(const QByteArray& bytes);
    bool commit();
    void cancel();

    bool isCompressed() const { return m_compressed; }
    const QString& path() const { return m_file.path(); }
    QString errorString() const;

    static bool compressesPath(const QString& path);

private:
    struct Deflater;

    // Feeds bytes (or, finishing, the end of the stream) to the compressor and writes its output.
    bool deflate(const char* data, std::size_t size, bool finish);

    OutputFile m_file;
    bool m_compressed;
    int m_level = -1;
    std::unique_ptr<Deflater> m_deflater;
    QByteArray m_pending;
    QString m_compressionError;
};

} // namespace ut
