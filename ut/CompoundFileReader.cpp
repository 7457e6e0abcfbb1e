// libgsf pulls in GLib, whose headers use identifiers that Qt defines as macros ("signals"),
// so they come before any Qt header.
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-input.h>

#include "ut/CompoundFileReader.h"
#include "ut/GObjectPtr.h"

#include <limits>
#include <memory>

#include <QFile>

namespace ut {

namespace {

struct GErrorFree
{
    void operator()(GError* error) const { g_error_free(error); }
};
using GErrorPtr = std::unique_ptr<GError, GErrorFree>;

QString messageOf(const GErrorPtr& error)
{
    return error && error->message ? QString::fromUtf8(error->message) : QStringLiteral("unknown error");
}

} // namespace

std::optional<QByteArray> CompoundFileReader::readStream(const QString& filePath, const QString& streamName)
{
    m_status = Status::Ok;
    m_errorString.clear();

    GError* rawError = nullptr;
    const GObjectPtr<GsfInput> file(gsf_input_stdio_new(QFile::encodeName(filePath).constData(), &rawError));
    GErrorPtr error(rawError);
    if (!file) {
        m_status = Status::Damaged;
        m_errorString = messageOf(error);
        return std::nullopt;
    }
    rawError = nullptr;
    const GObjectPtr<GsfInfile> container(gsf_infile_msole_new(file.get(), &rawError));
    error.reset(rawError);
    if (!container) {
        m_status = Status::NotAContainer;
        m_errorString = messageOf(error);
        return std::nullopt;
    }
    const GObjectPtr<GsfInput> stream(gsf_infile_child_by_name(container.get(), streamName.toUtf8().constData()));
    if (!stream) {
        m_status = Status::NoSuchStream;
        m_errorString = QStringLiteral("no stream named %1").arg(streamName);
        return std::nullopt;
    }
    const gsf_off_t size = gsf_input_size(stream.get());
    if (size < 0 || size > std::numeric_limits<int>::max()) {
        m_status = Status::Damaged;
        m_errorString = QStringLiteral("the stream %1 has an impossible size").arg(streamName);
        return std::nullopt;
    }
    QByteArray bytes(int(size), Qt::Uninitialized);
    if (size > 0 && !gsf_input_read(stream.get(), std::size_t(size), reinterpret_cast<guint8*>(bytes.data()))) {
        m_status = Status::Damaged;
        m_errorString = QStringLiteral("the stream %1 cannot be read completely").arg(streamName);
        return std::nullopt;
    }
    return bytes;
}

} // namespace ut
