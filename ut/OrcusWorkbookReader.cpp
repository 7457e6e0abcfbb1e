// liborcus comes before Qt, whose keyword macros would otherwise reach its headers.
#include <orcus/config.hpp>
#include <orcus/orcus_ods.hpp>
#include <orcus/orcus_xlsx.hpp>

#include "ut/OrcusWorkbookReader.h"

#include <exception>
#include <memory>
#include <string_view>

#include "ut/OrcusDocument.h"

namespace ut {

namespace {

enum class Format { None, Xlsx, Ods };

Format formatOf(const QByteArray& file)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(file.constData());
    const std::size_t size = std::size_t(file.size());
    // The detectors read the archive's directory; a damaged one is no format at all.
    try {
        if (orcus::orcus_xlsx::detect(bytes, size))
            return Format::Xlsx;
        if (orcus::orcus_ods::detect(bytes, size))
            return Format::Ods;
    } catch (const std::exception&) {
    }
    return Format::None;
}

} // namespace

bool OrcusWorkbookReader::recognizes(const QByteArray& file)
{
    return formatOf(file) != Format::None;
}

std::optional<Workbook> OrcusWorkbookReader::read(const QByteArray& file)
{
    m_errorString.clear();
    const Format format = formatOf(file);
    if (format == Format::None) {
        m_errorString = QStringLiteral("it is a ZIP archive but neither an Excel workbook (.xlsx) nor an "
                                       "OpenDocument spreadsheet (.ods), or its archive is damaged");
        return std::nullopt;
    }
    OrcusDocument document;
    std::unique_ptr<orcus::iface::import_filter> filter;
    if (format == Format::Xlsx)
        filter = std::make_unique<orcus::orcus_xlsx>(&document);
    else
        filter = std::make_unique<orcus::orcus_ods>(&document);
    orcus::config config = filter->get_config();
    // Malformed content is an error, not something to read past.
    config.structure_check = true;
    config.debug = false;
    filter->set_config(config);
    try {
        filter->read_stream(std::string_view(file.constData(), std::size_t(file.size())));
    } catch (const std::exception& error) {
        m_errorString = QStringLiteral("it is damaged (%1)").arg(QString::fromLocal8Bit(error.what()));
        return std::nullopt;
    }
    std::optional<Workbook> workbook = document.takeWorkbook();
    if (!workbook)
        m_errorString = document.problem();
    return workbook;
}

} // namespace ut
