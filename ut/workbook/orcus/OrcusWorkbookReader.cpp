// liborcus comes before Qt, whose keyword macros would otherwise reach its headers.
#include <orcus/config.hpp>
#include <orcus/orcus_ods.hpp>
#include <orcus/orcus_xlsx.hpp>

#include "ut/workbook/orcus/OrcusWorkbookReader.h"

#include <exception>
#include <iostream>
#include <memory>
#include <sstream>
#include <string_view>

#include "ut/workbook/orcus/OdsCellValues.h"
#include "ut/workbook/orcus/OrcusDocument.h"
#include "ut/workbook/orcus/XlsxCellValues.h"
#include "ut/workbook/orcus/archive/ZipArchiveCheck.h"

namespace ut {

namespace {

enum class Format { None, Xlsx, Ods };

// Takes what liborcus writes to standard output while it lives. liborcus explains some faults
// there; on the command line that would land in the run log, which holds fixed lines only.
class StandardOutputCapture
{
public:
    StandardOutputCapture()
        : m_previous(std::cout.rdbuf(m_captured.rdbuf()))
    {
    }
    ~StandardOutputCapture() { std::cout.rdbuf(m_previous); }
    StandardOutputCapture(const StandardOutputCapture&) = delete;
    StandardOutputCapture& operator=(const StandardOutputCapture&) = delete;

    QString text() const { return QString::fromStdString(m_captured.str()).simplified(); }

private:
    std::ostringstream m_captured;
    std::streambuf* m_previous;
};

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

std::optional<Workbook> OrcusWorkbookReader::read(const QByteArray& file)
{
    m_errorString.clear();
    // liborcus trusts the archive: it is checked whole first.
    const QString archiveProblem = ZipArchiveCheck::problem(file);
    if (!archiveProblem.isEmpty()) {
        m_errorString = archiveProblem;
        return std::nullopt;
    }
    const StandardOutputCapture output;
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
        if (!output.text().isEmpty())
            m_errorString += QStringLiteral(" (%1)").arg(output.text());
        return std::nullopt;
    }
    std::optional<Workbook> workbook = document.takeWorkbook();
    if (!workbook) {
        m_errorString = document.problem();
        if (!output.text().isEmpty())
            m_errorString += QStringLiteral(" (%1)").arg(output.text());
        return workbook;
    }
    if (format == Format::Ods) {
        OdsCellValues cells;
        if (!cells.read(file)) {
            m_errorString = cells.errorString();
            return std::nullopt;
        }
        cells.applyTo(*workbook);
    } else {
        XlsxCellValues cells;
        if (!cells.read(file)) {
            m_errorString = cells.errorString();
            return std::nullopt;
        }
        cells.applyTo(*workbook);
    }
    return workbook;
}

} // namespace ut
