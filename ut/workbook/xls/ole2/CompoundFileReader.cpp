// libgsf pulls in GLib, whose headers use identifiers that Qt defines as macros ("signals"),
// so they come before any Qt header.
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-input.h>

#include "ut/workbook/xls/ole2/CompoundFileReader.h"
#include "ut/workbook/xls/ole2/GObjectPtr.h"

#include <limits>
#include <memory>
#include <vector>

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

// Keeps libgsf's complaints about a damaged container off standard error while it lives: the
// reader reports the damage itself, in one sentence that names the file.
class GsfWarningsSilenced
{
public:
    GsfWarningsSilenced()
    {
        for (const char* domain : domains)
            m_handlers.push_back(g_log_set_handler(
                domain, GLogLevelFlags(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING),
                [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr));
    }
    ~GsfWarningsSilenced()
    {
        for (std::size_t i = 0; i < m_handlers.size(); ++i)
            g_log_remove_handler(domains[i], m_handlers[i]);
    }
    GsfWarningsSilenced(const GsfWarningsSilenced&) = delete;
    GsfWarningsSilenced& operator=(const GsfWarningsSilenced&) = delete;

private:
    // libgsf logs from its own domains and, for some complaints, from none.
    static constexpr const char* domains[] = {"libgsf:msole", "libgsf", nullptr};
    std::vector<guint> m_handlers;
};

// The index of the root entry named name; the container compares names without regard to case.
int childIndex(GsfInfile* container, const QString& name)
{
    const int count = gsf_infile_num_children(container);
    for (int i = 0; i < count; ++i) {
        const char* childName = gsf_infile_name_by_index(container, i);
        if (childName && QString::fromUtf8(childName).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

} // namespace

std::optional<QByteArray> CompoundFileReader::readStream(const QByteArray& file, const QStringList& streamNames)
{
    m_status = Status::Ok;
    m_errorString.clear();

    const GsfWarningsSilenced silenced;
    // The memory input reads file's bytes in place; file outlives it.
    const GObjectPtr<GsfInput> input(
        gsf_input_memory_new(reinterpret_cast<const guint8*>(file.constData()), gsf_off_t(file.size()), FALSE));
    if (!input) {
        m_status = Status::Damaged;
        m_errorString = QStringLiteral("the container cannot be opened");
        return std::nullopt;
    }
    GError* rawError = nullptr;
    const GObjectPtr<GsfInfile> container(gsf_infile_msole_new(input.get(), &rawError));
    const GErrorPtr error(rawError);
    if (!container) {
        m_status = Status::NotAContainer;
        m_errorString = QStringLiteral("its container is damaged (%1)").arg(messageOf(error));
        return std::nullopt;
    }
    for (const QString& name : streamNames) {
        const int index = childIndex(container.get(), name);
        if (index < 0)
            continue;
        const GObjectPtr<GsfInput> stream(gsf_infile_child_by_index(container.get(), index));
        if (!stream) {
            m_status = Status::Damaged;
            m_errorString = QStringLiteral("its %1 stream cannot be opened; the file is damaged").arg(name);
            return std::nullopt;
        }
        const gsf_off_t size = gsf_input_size(stream.get());
        if (size < 0 || size > std::numeric_limits<int>::max()) {
            m_status = Status::Damaged;
            m_errorString = QStringLiteral("its %1 stream has an impossible size").arg(name);
            return std::nullopt;
        }
        QByteArray bytes(int(size), Qt::Uninitialized);
        if (size > 0 && !gsf_input_read(stream.get(), std::size_t(size), reinterpret_cast<guint8*>(bytes.data()))) {
            m_status = Status::Damaged;
            m_errorString = QStringLiteral("its %1 stream announces %2 bytes that the container does not hold; "
                                           "the file is cut short or damaged")
                                .arg(name)
                                .arg(size);
            return std::nullopt;
        }
        return bytes;
    }
    m_status = Status::NoSuchStream;
    m_errorString = QStringLiteral("it holds no %1 stream").arg(streamNames.join(QStringLiteral(" or ")));
    return std::nullopt;
}

} // namespace ut
