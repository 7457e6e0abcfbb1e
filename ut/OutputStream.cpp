#include "ut/OutputStream.h"

#include <zlib.h>

namespace ut {

namespace {

// Pieces are gathered up to this size before they are compressed: fewer, larger calls into the
// compressor and the file, with little memory held.
constexpr int pendingLimit = 1 << 18;
// gzip framing (a header and a CRC-32 trailer) rather than the bare zlib one: 15 window bits + 16.
constexpr int gzipWindowBits = 15 + 16;

} // namespace

struct OutputStream::Deflater
{
    z_stream stream = {};
    bool initialized = false;
    ~Deflater()
    {
        if (initialized)
            deflateEnd(&stream);
    }
};

OutputStream::OutputStream(const QString& path)
    : m_file(path)
    , m_compressed(compressesPath(path))
{
}

OutputStream::~OutputStream() = default;

bool OutputStream::compressesPath(const QString& path)
{
    return path.endsWith(QLatin1String(".gz"), Qt::CaseInsensitive);
}

QString OutputStream::errorString() const
{
    return m_compressionError.isEmpty() ? m_file.errorString() : m_compressionError;
}

bool OutputStream::open()
{
    m_pending.clear();
    m_compressionError.clear();
    m_deflater.reset();
    if (!m_file.open())
        return false;
    if (!m_compressed)
        return true;
    m_deflater = std::make_unique<Deflater>();
    if (deflateInit2(&m_deflater->stream, m_level, Z_DEFLATED, gzipWindowBits, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        m_compressionError = QStringLiteral("Cannot compress \"%1\": the compressor could not start.").arg(path());
        m_file.cancel();
        return false;
    }
    m_deflater->initialized = true;
    return true;
}

bool OutputStream::write(const QByteArray& bytes)
{
    if (!m_compressed)
        return m_file.write(bytes);
    if (!m_deflater || !m_compressionError.isEmpty())
        return false;
    m_pending += bytes;
    if (m_pending.size() < pendingLimit)
        return true;
    const bool written = deflate(m_pending.constData(), std::size_t(m_pending.size()), false);
    m_pending.clear();
    return written;
}

bool OutputStream::deflate(const char* data, std::size_t size, bool finish)
{
    z_stream& stream = m_deflater->stream;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
    stream.avail_in = uInt(size);
    QByteArray out(pendingLimit, Qt::Uninitialized);
    int status = Z_OK;
    do {
        stream.next_out = reinterpret_cast<Bytef*>(out.data());
        stream.avail_out = uInt(out.size());
        status = ::deflate(&stream, finish ? Z_FINISH : Z_NO_FLUSH);
        if (status == Z_STREAM_ERROR) {
            m_compressionError = QStringLiteral("Cannot compress \"%1\": the compressor failed.").arg(path());
            return false;
        }
        const int produced = out.size() - int(stream.avail_out);
        if (produced > 0 && !m_file.write(QByteArray::fromRawData(out.constData(), produced)))
            return false;
    } while (stream.avail_out == 0 || (finish && status != Z_STREAM_END));
    return true;
}

bool OutputStream::commit()
{
    if (m_compressed) {
        const bool finished = m_deflater && m_compressionError.isEmpty()
            && deflate(m_pending.constData(), std::size_t(m_pending.size()), true);
        m_pending.clear();
        m_deflater.reset();
        if (!finished) {
            m_file.cancel();
            return false;
        }
    }
    return m_file.commit();
}

void OutputStream::cancel()
{
    m_pending.clear();
    m_deflater.reset();
    m_file.cancel();
}

} // namespace ut
