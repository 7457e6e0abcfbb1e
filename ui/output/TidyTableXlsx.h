#pragma once

#include <memory>

#include <QString>
#include <QTemporaryDir>

#include "ui/output/TidyTableSink.h"

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace ui {

// The rows of a TidyTable as an Excel workbook (.xlsx) of one sheet, "results": a bold, frozen
// header row, the text columns as text and the statistics as number cells. A statistic that could
// not be computed leaves its cell empty; one that is not finite holds the text "NaN", "Inf" or
// "-Inf", as in the CSV. The library writes number cells with 16 significant digits, which is
// what a spreadsheet shows, but not always the very double: the CSV has that.
//
// The workbook is built in a temporary folder and put in place by commit(), whole or not at all
// (ut::OutputFile). A sheet holds at most 1 048 576 rows: a longer table fails, and is told to go
// to a CSV.
class TidyTableXlsx : public TidyTableSink
{
public:
    explicit TidyTableXlsx(const QString& path);
    ~TidyTableXlsx() override;

    bool open() override;
    void addRow(const Row& row) override;
    bool flush() override { return m_errorString.isEmpty(); }
    bool commit() override;
    void cancel() override;
    QString errorString() const override { return m_errorString; }

private:
    void fail(const QString& reason);
    // The library's error number, named; false when it is one.
    bool check(int error);
    void close();

    QString m_path;
    QTemporaryDir m_folder;
    QByteArray m_folderPath;
    lxw_workbook* m_workbook = nullptr;
    lxw_worksheet* m_sheet = nullptr;
    lxw_format* m_headerFormat = nullptr;
    std::uint32_t m_rowCount = 0;
    QString m_errorString;
};

} // namespace ui
