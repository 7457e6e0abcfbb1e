// libgsf pulls in GLib, whose headers use identifiers that Qt defines as macros ("signals"),
// so they come before any Qt header.
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-output.h>

#include "ut/workbook/xls/ole2/CompoundFileWriter.h"
#include "ut/workbook/xls/ole2/GObjectPtr.h"

#include <memory>

namespace ut {

namespace {

QString gsfError(GsfOutput* output)
{
    const GError* error = gsf_output_error(output);
    return error && error->message ? QString::fromUtf8(error->message) : QStringLiteral("unknown error");
}

} // namespace

std::optional<QByteArray> CompoundFileWriter::build(const QString& streamName, const QByteArray& stream)
{
    m_errorString.clear();
    const GObjectPtr<GsfOutput> sink(gsf_output_memory_new());
    if (!sink) {
        m_errorString = QStringLiteral("Cannot create the workbook container in memory.");
        return std::nullopt;
    }
    bool ok = true;
    {
        const GObjectPtr<GsfOutfile> container(gsf_outfile_msole_new(sink.get()));
        if (!container) {
            m_errorString = QStringLiteral("Cannot create the workbook container: %1").arg(gsfError(sink.get()));
            return std::nullopt;
        }
        const QByteArray name = streamName.toUtf8();
        const GObjectPtr<GsfOutput> child(gsf_outfile_new_child(container.get(), name.constData(), FALSE));
        if (!child) {
            m_errorString = QStringLiteral("Cannot add the stream %1 to the workbook container.").arg(streamName);
            gsf_output_close(GSF_OUTPUT(container.get()));
            return std::nullopt;
        }
        ok = gsf_output_write(child.get(), gsize(stream.size()), reinterpret_cast<const guint8*>(stream.constData()));
        if (!ok)
            m_errorString = QStringLiteral("Cannot write the workbook stream: %1").arg(gsfError(child.get()));
        ok = gsf_output_close(child.get()) && ok;
        // Closing the root writes the header, allocation tables and directory to the sink.
        if (!gsf_output_close(GSF_OUTPUT(container.get())) && ok) {
            m_errorString =
                QStringLiteral("Cannot complete the workbook container: %1").arg(gsfError(GSF_OUTPUT(container.get())));
            ok = false;
        }
    }
    if (!ok)
        return std::nullopt;
    const gsf_off_t size = gsf_output_size(sink.get());
    const guint8* bytes = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(sink.get()));
    if (size <= 0 || !bytes) {
        m_errorString = QStringLiteral("The workbook container came out empty.");
        return std::nullopt;
    }
    return QByteArray(reinterpret_cast<const char*>(bytes), int(size));
}

} // namespace ut
