#include "ui/output/TidyTableXlsx.h"

#include <clocale>
#include <cmath>
#include <locale.h>

#include <QDir>
#include <QFile>
#include <xlsxwriter.h>

#include "ui/output/CsvText.h"
#include "ut/OutputFile.h"

namespace ui {

namespace {

// The library prints numbers with the C library's printf, which follows the locale: a comma
// locale would give "0,5" in the file. The C locale, for this thread, while the library works.
class CNumericLocale
{
public:
    CNumericLocale()
        : m_locale(newlocale(LC_NUMERIC_MASK, "C", locale_t(nullptr)))
        , m_previous(m_locale ? uselocale(m_locale) : locale_t(nullptr))
    {
    }
    ~CNumericLocale()
    {
        if (!m_locale)
            return;
        uselocale(m_previous);
        freelocale(m_locale);
    }
    CNumericLocale(const CNumericLocale&) = delete;
    CNumericLocale& operator=(const CNumericLocale&) = delete;

private:
    locale_t m_locale;
    locale_t m_previous;
};

const char* workbookName = "table.xlsx";

} // namespace

TidyTableXlsx::TidyTableXlsx(const QString& path)
    : m_path(path)
{
}

TidyTableXlsx::~TidyTableXlsx()
{
    cancel();
}

void TidyTableXlsx::fail(const QString& reason)
{
    if (m_errorString.isEmpty())
        m_errorString = QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(m_path), reason);
}

bool TidyTableXlsx::check(int error)
{
    if (error == LXW_NO_ERROR)
        return true;
    fail(QString::fromUtf8(lxw_strerror(lxw_error(error))));
    return false;
}

bool TidyTableXlsx::open()
{
    if (!m_folder.isValid()) {
        fail(QStringLiteral("no temporary folder to build the workbook in (%1)").arg(m_folder.errorString()));
        return false;
    }
    const CNumericLocale locale;
    m_folderPath = QFile::encodeName(m_folder.path());
    lxw_workbook_options options{};
    // Rows go to the file as they come: a long table never lies in memory whole.
    options.constant_memory = LXW_TRUE;
    options.tmpdir = m_folderPath.data();
    m_workbook = workbook_new_opt(QFile::encodeName(m_folder.filePath(QString::fromLatin1(workbookName))).constData(),
                                  &options);
    if (m_workbook)
        m_sheet = workbook_add_worksheet(m_workbook, "results");
    if (!m_sheet) {
        fail(QStringLiteral("the workbook could not be started"));
        return false;
    }
    m_headerFormat = workbook_add_format(m_workbook);
    format_set_bold(m_headerFormat);
    lxw_col_t column = 0;
    for (const char* name : columnNames()) {
        if (!check(worksheet_write_string(m_sheet, 0, column++, name, m_headerFormat)))
            return false;
    }
    worksheet_freeze_panes(m_sheet, 1, 0);
    m_rowCount = 1;
    return true;
}

void TidyTableXlsx::addRow(const Row& row)
{
    if (!m_sheet || !m_errorString.isEmpty())
        return;
    if (m_rowCount >= LXW_ROW_MAX) {
        fail(QStringLiteral("the table has more rows than a worksheet holds (%1); save it as .csv or .csv.gz")
                 .arg(LXW_ROW_MAX));
        return;
    }
    const CNumericLocale locale;
    lxw_col_t column = 0;
    for (const QString& text : row.texts) {
        if (!check(worksheet_write_string(m_sheet, m_rowCount, column++, text.toUtf8().constData(), nullptr)))
            return;
    }
    for (const std::optional<double>& number : row.numbers) {
        lxw_error error = LXW_NO_ERROR;
        if (number && std::isfinite(*number))
            error = worksheet_write_number(m_sheet, m_rowCount, column, *number, nullptr);
        else if (number)
            error = worksheet_write_string(m_sheet, m_rowCount, column, CsvText::nonFinite(*number).constData(),
                                           nullptr);
        if (!check(error))
            return;
        ++column;
    }
    ++m_rowCount;
}

void TidyTableXlsx::close()
{
    if (!m_workbook)
        return;
    const CNumericLocale locale;
    const lxw_error error = workbook_close(m_workbook);
    m_workbook = nullptr;
    m_sheet = nullptr;
    check(error);
}

bool TidyTableXlsx::commit()
{
    if (!m_workbook) {
        fail(QStringLiteral("the workbook was not started"));
        return false;
    }
    close();
    if (!m_errorString.isEmpty())
        return false;
    QFile built(m_folder.filePath(QString::fromLatin1(workbookName)));
    if (!built.open(QIODevice::ReadOnly)) {
        fail(built.errorString());
        return false;
    }
    QString error;
    if (!ut::OutputFile::save(m_path, built.readAll(), &error)) {
        m_errorString = error;
        return false;
    }
    return true;
}

void TidyTableXlsx::cancel()
{
    // Closing writes the workbook, but only into the temporary folder, which goes with it.
    close();
}

} // namespace ui
