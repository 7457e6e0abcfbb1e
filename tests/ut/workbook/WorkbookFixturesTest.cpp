#include <gtest/gtest.h>

#include <iostream>
#include <sstream>

#include <QDir>
#include <QTemporaryDir>

#include "ut/workbook/BiffTestStreams.h"
#include "ut/workbook/WorkbookTestSupport.h"
#include "ut/workbook/Excel.h"

// Workbooks as other programs write them: LibreOffice (.xls, .xlsx, .ods, committed under
// fixtures/), python3-xlwt (written while the test runs) and records put together by hand for
// what neither writes. Every cell is compared with xlrd, an independent reader of the format.
using namespace workbooktest;

namespace {

QString fixture(const char* name)
{
    return testFile(QStringLiteral("ut/workbook/fixtures/") + QLatin1String(name));
}

std::optional<ut::Workbook> readWorkbook(const QString& path, QString* error = nullptr)
{
    ut::WorkbookReader reader;
    std::optional<ut::Workbook> workbook = reader.read(path);
    if (error)
        *error = reader.errorString();
    return workbook;
}

} // namespace

TEST(WorkbookFixtures, LibreOfficeWorkbooksReadAsXlrdReadsThem)
{
    if (!pythonHas("xlrd"))
        GTEST_SKIP() << "/usr/bin/python3 has no xlrd module";
    EXPECT_GT(expectSameAsXlrd(fixture("cells.xls")), 40);
    EXPECT_GT(expectSameAsXlrd(fixture("cells.xlsx")), 40);
    // The model and reference workbooks of the other tests, as the program and LibreOffice
    // wrote them, with numbers and with formulas.
    int compared = 0;
    QStringList folders{testFile("app/fixtures")};
    for (const char* kind :
         {"written", "libreoffice-xls", "libreoffice-xlsx", "libreoffice-formulas-xls", "libreoffice-formulas-xlsx"})
        folders << testFile(QStringLiteral("app/refdata/fixtures/reference-workbooks/") + QLatin1String(kind));
    for (const QString& folder : folders) {
        for (const QFileInfo& file : QDir(folder).entryInfoList({"*.xls", "*.xlsx"}))
            compared += expectSameAsXlrd(file.filePath());
    }
    EXPECT_GT(compared, 20000);

    // The three formats hold the same cells (.ods has no reading of xlrd's to compare with). The
    // one difference is liborcus's: it drops the leading blanks of an .ods text, which the cell
    // readers trim anyway. LibreOffice's .xls keeps 0.1 + 0.2 to the last bit, its .xlsx to 15 digits.
    const std::optional<ut::Workbook> xls = readWorkbook(fixture("cells.xls"));
    const std::optional<ut::Workbook> xlsx = readWorkbook(fixture("cells.xlsx"));
    const std::optional<ut::Workbook> ods = readWorkbook(fixture("cells.ods"));
    ASSERT_TRUE(xls && xlsx && ods);
    ASSERT_EQ(ods->sheetCount(), 3);
    EXPECT_EQ(snapshot(*ods), snapshot(*xlsx).replaceInStrings("QString   padded  ", "QString padded "));
    EXPECT_EQ(snapshot(*xls).replaceInStrings("double 0.30000000000000004", "double 0.29999999999999999"),
              snapshot(*xlsx));
}

// A formula value that cannot be read refuses the workbook where the file itself misleads (a
// number kept for a text); where the reader has no value for it, the cell says so, to be refused
// by whoever reads a value there.
TEST(WorkbookFixtures, FormulaValuesThatCannotBeReadAreNamed)
{
    const struct
    {
        const char* name;
        int row, column; // 0: the file is refused, naming the formula in B1
        const char* reason;
    } cases[] = {
        // LibreOffice keeps 0 as the value of a text formula in .xls files.
        {"formula-results.xls", 0, 0, "computes a text"},
        {"text-function.xls", 0, 0, "computes a text"},
        // liborcus passes on no value for logical and error results in .xlsx, nor for texts in .ods.
        {"formula-results.xlsx", 1, 3, "without a value the program can read"},
        {"formula-results.xlsx", 1, 4, "#DIV/0!"},
        {"formula-results.ods", 1, 2, "without a value the program can read"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QString error;
        const std::optional<ut::Workbook> workbook = readWorkbook(fixture(c.name), &error);
        if (c.row == 0) {
            EXPECT_FALSE(workbook);
            for (const QString& words : {QString(c.name), QString("formula in B1"), QString(c.reason)})
                EXPECT_TRUE(error.contains(words)) << error.toStdString();
            continue;
        }
        ASSERT_TRUE(workbook) << error.toStdString();
        EXPECT_FALSE(workbook->sheet(0).cell(c.row, c.column).isValid());
        const QString unreadable = workbook->sheet(0).unreadable(c.row, c.column);
        EXPECT_TRUE(unreadable.contains(QLatin1String(c.reason))) << unreadable.toStdString();
    }
}

TEST(WorkbookFixtures, XlwtWorkbooksReadAsXlrdReadsThem)
{
    if (!pythonHas("xlwt") || !pythonHas("xlrd"))
        GTEST_SKIP() << "/usr/bin/python3 has no xlwt or xlrd module";
    const QTemporaryDir dir;
    const QString path = dir.filePath("xlwt.xls");
    runScript("xls_make.py", {path, "--long-text"});
    EXPECT_GT(expectSameAsXlrd(path), 15);
    const std::optional<ut::Workbook> workbook = readWorkbook(path);
    ASSERT_TRUE(workbook);
    EXPECT_EQ(workbook->sheet(3).cell(1, 1).toString().size(), 20000);
    EXPECT_EQ(workbook->sheet(0).cell(7, 4), QVariant(true));

    // xlwt cannot compute formulas; it leaves them for the spreadsheet application to compute.
    const QString formulas = dir.filePath("formulas.xls");
    runScript("xls_make.py", {formulas, "--formulas"});
    QString error;
    EXPECT_FALSE(readWorkbook(formulas, &error));
    EXPECT_TRUE(error.contains("the formula in B1 has no computed value")) << error.toStdString();
}

// Records no writer at hand produces: formula results of every kind (a text in a STRING record
// after a shared formula, continued in a CONTINUE record with a switch to two-byte characters),
// LABEL cells, error values, blank runs, RK numbers of every encoding, a rich text with phonetic
// data crossing into a CONTINUE record, a chart embedded in a sheet and a chart sheet, all in
// a stream named "Book".
TEST(WorkbookFixtures, HandBuiltRecordsReadAsXlrdReadsThem)
{
    using namespace bifftest;
    const QString tail = QStringLiteral("Pert(0.1, 0.2, 0.3) – Ω");
    QByteArray sheet;
    // A text result whose first part has one byte per character and whose rest, in a CONTINUE
    // record, has two.
    sheet += record(0x0006, cell(0, 0) + u8(0) + QByteArray(5, '\0') + u16(0xFFFF) + u16(0) + u32(0) + u16(0));
    sheet += record(0x04BC, QByteArray(8, '\0') + u16(0));
    sheet += record(0x0207, u16(quint16(4 + tail.size())) + u8(0) + characters("Rand", false));
    sheet += record(0x003C, u8(1) + characters(tail, true));
    sheet += record(0x0006, cell(0, 1) + f64(11628.86) + u16(0) + u32(0) + u16(0));
    sheet += record(0x0006,
                    cell(0, 2) + u8(1) + u8(0) + u8(1) + QByteArray(3, '\0') + u16(0xFFFF) + u16(0) + u32(0) + u16(0));
    sheet += record(
        0x0006, cell(0, 3) + u8(2) + u8(0) + u8(0x07) + QByteArray(3, '\0') + u16(0xFFFF) + u16(0) + u32(0) + u16(0));
    sheet += record(0x0006, cell(0, 4) + u8(3) + QByteArray(5, '\0') + u16(0xFFFF) + u16(0) + u32(0) + u16(0));
    sheet += record(0x0204, cell(1, 0) + u16(5) + u8(1) + characters("Ελλάς", true));
    sheet += record(0x0205, cell(1, 1) + u8(0x2A) + u8(1));
    sheet += record(0x0205, cell(1, 2) + u8(0) + u8(0));
    sheet += record(0x00BE, u16(1) + u16(3) + u16(15) + u16(15) + u16(15) + u16(5));
    // RK: an integer, an integer in hundredths, a double, a double in hundredths.
    sheet += record(0x00BD,
                    u16(2) + u16(0) + u16(15) + u32(quint32(-12345) << 2 | 0x2) + u16(15) + u32(quint32(125) << 2 | 0x3)
                        + u16(15) + u32(0x3FF80000) + u16(15) + u32(0x405EDD00 | 0x1) + u16(3));
    sheet += record(0x027E, cell(3, 0) + u32(quint32(7) << 2 | 0x2));
    sheet += record(0x0203, cell(3, 1) + f64(-0.1));
    sheet += record(0x00FD, cell(4, 0) + u32(1));
    sheet += record(0x00FD, cell(4, 1) + u32(0));
    // An embedded chart: its records are not cells of the sheet.
    sheet += bof(0x0020) + record(0x0203, cell(0, 0) + f64(99)) + eof();
    sheet += record(0x0201, cell(5, 0));
    // LibreOffice writes a boolean in nine bytes, one more than its eight; a number in cell format
    // 16, which shows dates.
    sheet += record(0x0205, cell(6, 0) + u8(1) + u8(0) + u8(0));
    sheet += record(0x0203, u16(6) + u16(1) + u16(16) + f64(45295));

    // Text 1 is rich (two formatting runs) with phonetic data, and its runs cross into the
    // CONTINUE record, where no option byte precedes them.
    const QByteArray phonetic = u16(1) + u16(10) + QByteArray(10, '\x11');
    const QByteArray text0 = u16(4) + u8(0x0C) + u16(2) + u32(quint32(phonetic.size())) + characters("rich", false)
        + u16(0) + u16(5);
    const QByteArray table = record(0x00FC, u32(2) + u32(2) + text0)
        + record(0x003C, u16(2) + u16(6) + phonetic + u16(3) + u8(0) + QByteArray("end"));
    const QByteArray stream = workbookStream(
        record(0x0042, u16(1200)) + standardFormats()
            + record(0x00E0,
                     u16(0) + u16(14) + u16(0x0001) + u8(0x20) + u8(0) + u8(0) + u8(0) + u32(0) + u32(0) + u16(0x20C0)),
        {{"Hand", 0, sheet}, {"Chart", 2, {}}}, table);
    const QTemporaryDir dir;
    const QString path = dir.filePath("hand.xls");
    ASSERT_TRUE(writeContent(path, container(stream, "Book")));

    ut::Excel excel(path);
    ASSERT_TRUE(excel.isOpen()) << excel.errorString().toStdString();
    ASSERT_EQ(excel.sheetCount(), 1);
    const QVariant none;
    EXPECT_EQ(excel.value(excel.range("A1:D7")),
              QVariant(block({row({QString("Rand" + tail), 11628.86, true, none}), row({"Ελλάς", none, false, none}),
                              row({-12345.0, 1.25, 1.5, 123.453125 / 100}), row({7.0, -0.1, none, none}),
                              row({"end", "rich", none, none}), row({none, none, none, none}),
                              row({true, none, none, none})})));
    EXPECT_FALSE(excel.cellValue(1, 5).isValid());
    // Error values and dates read as empty, and say what they hold.
    EXPECT_EQ(excel.cellProblem(7, 2), "a date or time");
    EXPECT_TRUE(excel.cellProblem(1, 4).contains("#DIV/0!"));
    EXPECT_TRUE(excel.cellProblem(2, 2).contains("#N/A"));
    EXPECT_TRUE(excel.cellProblem(1, 2).isEmpty());

    if (pythonHas("xlrd")) {
        EXPECT_EQ(expectSameAsXlrd(path), 17);
    }
}

// Archives that liborcus would unpack unsafely, stop the program on, or explain on standard
// output are refused with the reason, and nothing reaches standard output, where the command
// line writes its run log.
TEST(WorkbookFixtures, DamagedArchivesAreRefusedQuietly)
{
    const struct
    {
        const char* name;
        QStringList said;
    } rows[] = {
        {"huge-entry.xlsx", {"huge-entry.xlsx", "claims to unpack to 4095 MB"}},
        {"no-content.ods", {"content.xml"}},
        {"malformed-xml.xlsx", {"\"xl/workbook.xml\" of its archive is not well-formed XML"}},
        // Found by fuzzing: liborcus stopped the program with an assertion on this damaged archive.
        {"orcus-assertion.xlsx", {"damaged"}},
        // Found by fuzzing: a directory whose two entry counts differ made liborcus reserve 4 GB.
        {"orcus-entry-count.xlsx", {"the directory of its archive is damaged"}},
        // Found by fuzzing: a directory whose count and size say no entry, with entries that
        // liborcus read all the same, damaged ones among them.
        {"orcus-hidden-entries.ods", {"the directory of its archive is damaged"}},
        // Well-formed, but liborcus wrote the column properties into a style of no family and stopped.
        {"style-without-family.ods",
         {"style-without-family.ods",
          "the part \"content.xml\" of its archive gives table-column properties to a "
          "style without a family (line 2)"}},
    };
    for (const auto& row : rows) {
        std::ostringstream captured;
        std::streambuf* const previous = std::cout.rdbuf(captured.rdbuf());
        QString error;
        const bool read = readWorkbook(fixture(row.name), &error).has_value();
        std::cout.rdbuf(previous);
        EXPECT_FALSE(read) << row.name;
        for (const QString& words : row.said)
            EXPECT_TRUE(error.contains(words)) << row.name << ": " << error.toStdString();
        EXPECT_EQ(captured.str(), "") << row.name;
    }
}

// What liborcus reads wrongly or not at all in an .xlsx or .ods file: a malformed or empty value
// or a value of an unknown type makes the cell unreadable, naming it; percentages and booleans of
// an .ods file are their values; a sheet whose worksheet part is missing or is no worksheet
// refuses the whole file, naming the part.
TEST(WorkbookFixtures, CellValuesAreReadAsTheFileMeansThemOrNamed)
{
    // The .ods rows all replace the number of D2.
    const char* const number = "office:value-type=\"float\" office:value=\"1.25\"";
    const struct
    {
        const char* source;
        const char* from;
        const char* to; // with from empty: the sheet's part is left out
        // Not empty: the file is refused with these words. Otherwise cell D2 of sheet 1 is
        // unreadable with the words below, or reads as value.
        const char* refusal;
        const char* unreadable;
        QVariant value;
    } rows[] = {
        {"cells.xlsx", "<v>1.25</v>", "<v>7x</v>", "", "malformed number \"7x\" in its part xl/worksheets/sheet1.xml",
         QVariant()},
        {"cells.xlsx", "<v>1.25</v>", "<v></v>", "", "an empty number", QVariant()},
        {"cells.xlsx", "<c r=\"D2\" s=\"0\" t=\"n\">", "<c r=\"D2\" s=\"0\" t=\"q\">", "", "unknown type \"q\"",
         QVariant()},
        {"cells.xlsx", "", "", "worksheet part xl/worksheets/sheet1.xml", "", QVariant()},
        {"cells.xlsx", "spreadsheetml/2006/main", "spreadsheetml/2006/other",
         "xl/worksheets/sheet1.xml of sheet \"Données\" is not a worksheet", "", QVariant()},
        {"cells.ods", number, "office:value-type=\"float\" office:value=\"7x\"", "",
         "malformed number \"7x\" in its part content.xml", QVariant()},
        {"cells.ods", number, "office:value-type=\"percentage\" office:value=\"0.95\"", "", "", QVariant(0.95)},
        {"cells.ods", number, "office:value-type=\"boolean\" office:boolean-value=\"true\"", "", "", QVariant(true)},
        {"cells.ods", number, "office:value-type=\"date\" office:date-value=\"2024-01-04\"", "",
         "a date or time (2024-01-04)", QVariant()},
        {"cells.ods", number, "office:value-type=\"fraction\" office:value=\"1.25\"", "", "unknown type", QVariant()},
    };
    const QTemporaryDir dir;
    for (const auto& row : rows) {
        const QString edited = dir.filePath(QStringLiteral("edited-") + QLatin1String(row.source));
        QFile::remove(edited);
        const bool ods = QLatin1String(row.source).endsWith(QLatin1String(".ods"));
        QStringList arguments{fixture(row.source), edited, ods ? "content.xml" : "xl/worksheets/sheet1.xml"};
        if (*row.from)
            arguments << QString::fromUtf8(row.from) << QString::fromUtf8(row.to);
        runScript("zip_edit.py", arguments);
        SCOPED_TRACE(std::string(row.from) + " -> " + row.to);
        QString error;
        const std::optional<ut::Workbook> workbook = readWorkbook(edited, &error);
        if (*row.refusal) {
            EXPECT_FALSE(workbook);
            EXPECT_TRUE(error.contains(QString::fromUtf8(row.refusal))) << error.toStdString();
            continue;
        }
        ASSERT_TRUE(workbook) << error.toStdString();
        const ut::Worksheet& sheet = workbook->sheet(0);
        EXPECT_TRUE(sheet.unreadable(2, 4).contains(QString::fromUtf8(row.unreadable)))
            << sheet.unreadable(2, 4).toStdString();
        EXPECT_EQ(!*row.unreadable, sheet.unreadable(2, 4).isEmpty());
        EXPECT_EQ(describe(sheet.cell(2, 4)), describe(row.value));
        // The cell beside it reads as before.
        EXPECT_EQ(sheet.cell(2, 6), QVariant(-3.5e12));
    }
}
