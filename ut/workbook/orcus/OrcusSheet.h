#pragma once

#include <map>
#include <memory>
#include <string_view>

#include <orcus/spreadsheet/import_interface.hpp>

#include <QString>
#include <QVariant>

#include "ut/workbook/Worksheet.h"

namespace ut {

class OrcusFormula;
class OrcusArrayFormula;
class OrcusSharedStrings;

// One sheet as liborcus reads it from an .xlsx or .ods file: the cell values it pushes are
// stored in a ut::Worksheet, formulas by their last computed value, texts by their index in
// the table of texts until the whole file is read. Formatting is ignored.
//
// A value outside the 65 536 rows and 256 columns of the program's sheets is a problem (see
// problem()): the reader refuses such a file instead of reading it without those cells. A formula
// whose value liborcus does not pass on makes an unreadable cell (Worksheet::setUnreadable),
// refused by whoever reads a value there. liborcus passes on numbers and texts computed by
// formulas in .xlsx files and numbers in .ods files; logical and error results, texts computed
// in .ods files, and formulas never computed reach the program without any value.
class OrcusSheet : public orcus::spreadsheet::iface::import_sheet
{
public:
    explicit OrcusSheet(const QString& name);
    ~OrcusSheet() override;

    // The first problem met, empty when there was none.
    const QString& problem() const { return m_problem; }
    // The finished sheet, its texts looked up in strings; sets problem() for a text index that
    // the table does not hold.
    Worksheet take(const OrcusSharedStrings& strings);

    // Called by the formula interfaces with a formula cell's computed value; an invalid value
    // leaves the cell empty.
    void setResult(orcus::spreadsheet::row_t row, orcus::spreadsheet::col_t col, const QVariant& value);
    void setMissingResult(orcus::spreadsheet::row_t row, orcus::spreadsheet::col_t col);

    orcus::spreadsheet::iface::import_formula* get_formula() override;
    orcus::spreadsheet::iface::import_array_formula* get_array_formula() override;
    void set_auto(orcus::spreadsheet::row_t row, orcus::spreadsheet::col_t col, std::string_view s) override;
    void set_string(orcus::spreadsheet::row_t row, orcus::spreadsheet::col_t col,
                    orcus::spreadsheet::string_id_t sindex) override;
    void set_value(orcus::spreadsheet::row_t row, orcus::spreadsheet::col_t col, double value) override;
    void set_bool(orcus::spreadsheet::row_t row, orcus::spreadsheet::col_t col, bool value) override;
    void set_date_time(orcus::spreadsheet::row_t row, orcus::spreadsheet::col_t col, int year, int month, int day,
                       int hour, int minute, double second) override;
    void set_format(orcus::spreadsheet::row_t, orcus::spreadsheet::col_t, std::size_t) override { }
    void set_format(orcus::spreadsheet::row_t, orcus::spreadsheet::col_t, orcus::spreadsheet::row_t,
                    orcus::spreadsheet::col_t, std::size_t) override
    {
    }
    void fill_down_cells(orcus::spreadsheet::row_t src_row, orcus::spreadsheet::col_t src_col,
                         orcus::spreadsheet::row_t range_size) override;
    orcus::spreadsheet::range_size_t get_sheet_size() const override;

private:
    // Whether the 0-based cell lies on the program's sheets; records the problem when not.
    bool accept(orcus::spreadsheet::row_t row, orcus::spreadsheet::col_t col);
    void store(orcus::spreadsheet::row_t row, orcus::spreadsheet::col_t col, const QVariant& value);
    void noteProblem(const QString& problem);

    Worksheet m_sheet;
    // Cells holding a text of the table, by 1-based row and column key, resolved by take().
    std::map<std::pair<int, int>, std::size_t> m_textCells;
    std::unique_ptr<OrcusFormula> m_formula;
    std::unique_ptr<OrcusArrayFormula> m_arrayFormula;
    QString m_problem;
};

} // namespace ut
