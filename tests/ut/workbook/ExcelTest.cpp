#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "ut/workbook/Excel.h"
#include "ut/workbook/WorkbookTestSupport.h"
#include "ut/workbook/RangeAddress.h"
#include "ut/workbook/xls/XlsWriter.h"

using workbooktest::contentOf;

namespace {

QVariantList row(std::initializer_list<QVariant> cells)
{
    return QVariantList(cells);
}

// A block as writeBlock takes it; spelled out so that a block of one row is not mistaken for
// a copy of that row.
QVariantList block(std::initializer_list<QVariantList> rows)
{
    QVariantList list;
    for (const QVariantList& r : rows)
        list.append(QVariant(r));
    return list;
}

} // namespace

TEST(Excel, SheetsAreAddedRenamedAndDeletedLikeASpreadsheet)
{
    ut::Excel excel;
    const ut::SheetRef first = excel.selectSheet(1);
    excel.setCellValue(1, 1, QStringLiteral("on the first sheet"));
    const ut::RangeRef firstCell = excel.cell(1, 1);

    const ut::SheetRef added = excel.addSheet(QStringLiteral("Export 4"));
    EXPECT_EQ(excel.sheetCount(), 4);
    EXPECT_EQ(excel.sheetName(), QStringLiteral("Export 4"));
    excel.selectSheet(4);
    EXPECT_EQ(excel.sheetName(), QStringLiteral("Export 4"));

    // A name Excel refuses keeps the sheet's default name and says why.
    excel.addSheet(QStringLiteral("bad/name"));
    EXPECT_EQ(excel.sheetName(), QStringLiteral("Sheet4"));
    EXPECT_FALSE(excel.errorString().isEmpty());
    excel.setSheetName(first, QStringLiteral("SHEET4"));
    excel.setSheetName(first, QString(32, QLatin1Char('x')));
    excel.setSheetName(first, QStringLiteral("'quoted'"));
    excel.selectSheet(1);
    EXPECT_EQ(excel.sheetName(), QStringLiteral("Sheet1"));
    const QString longest(31, QChar(0x0416));
    excel.setSheetName(first, longest);
    EXPECT_EQ(excel.sheetName(), longest);
    excel.setProperty(added, QStringLiteral("Name"), QStringLiteral("  Model A  "));
    excel.selectSheet(4);
    EXPECT_EQ(excel.sheetName(), QStringLiteral("Model A"));

    excel.deleteSheet(6);
    excel.deleteSheet(0);
    EXPECT_EQ(excel.sheetCount(), 5);

    // Handles follow their sheet when others go, and die with it.
    excel.deleteSheet(2);
    excel.selectSheet(1);
    EXPECT_EQ(excel.value(firstCell).toString(), QStringLiteral("on the first sheet"));
    excel.setSheetName(added, QStringLiteral("Model B"));
    excel.selectSheet(3);
    EXPECT_EQ(excel.sheetName(), QStringLiteral("Model B"));
    excel.deleteSheet(3);
    EXPECT_EQ(excel.sheetName(), QString());
    EXPECT_FALSE(excel.cell(1, 1).isValid());
    excel.setSheetName(added, QStringLiteral("Ghost"));

    while (excel.sheetCount() > 1)
        excel.deleteSheet(excel.sheetCount());
    excel.deleteSheet(1);
    EXPECT_EQ(excel.sheetCount(), 1);
    EXPECT_FALSE(excel.selectSheet(2).isValid());
    EXPECT_EQ(excel.sheetName(), QString());
    EXPECT_TRUE(excel.selectSheet(1).isValid());
    EXPECT_EQ(excel.sheetName(), longest);
}

TEST(Excel, CellsAreFoundAndReadAsBlocks)
{
    ut::Excel excel;
    int next = 0;
    excel.writeBlock(
        QPoint(1, 1),
        block({row({QStringLiteral("File info")}), row({}), row({QStringLiteral("Version"), 6.0}), row({}),
               row({QStringLiteral("Sex"), QStringLiteral("Female"), QStringLiteral("Male")}),
               row({QStringLiteral("Age"), QString(), QString()}),
               row({QStringLiteral("0-4"), QStringLiteral("  0.5 "), 2}), row({QStringLiteral("5-9"), true, 3.25})}),
        3, next);
    EXPECT_EQ(next, 9);
    excel.setCellValue(2, 2, QStringLiteral("Version"));

    const ut::RangeRef version = excel.find(QStringLiteral("version"), QStringLiteral("A"), false);
    EXPECT_EQ(excel.rowOf(version), 3);
    EXPECT_EQ(excel.find(QStringLiteral("Version"), QStringLiteral("A:A"), true), version);
    EXPECT_EQ(excel.rowOf(excel.find(QStringLiteral("version"), QStringLiteral("A"), true)), -1);
    EXPECT_EQ(excel.rowOf(excel.find(QStringLiteral("Vers"), QStringLiteral("A"), false)), -1);
    EXPECT_EQ(excel.rowOf(excel.find(QStringLiteral("6"), QStringLiteral("B"), false)), 3);
    EXPECT_EQ(excel.rowOf(excel.find(QStringLiteral("Version"), QStringLiteral("B"), false)), 2);
    EXPECT_EQ(excel.rowOf(excel.find(QStringLiteral("Version"), QStringLiteral("not a column"), false)), -1);

    EXPECT_EQ(excel.cellValue(3, 2), QVariant(6.0));
    EXPECT_EQ(excel.cellText(3, 2), QStringLiteral("6"));
    EXPECT_EQ(excel.cellText(7, 2), QStringLiteral("0.5"));
    EXPECT_EQ(excel.cellValue(7, 2), QVariant(QStringLiteral("  0.5 ")));
    EXPECT_EQ(excel.cellValue(8, 2), QVariant(true));
    EXPECT_FALSE(excel.cellValue(6, 2).isValid());
    EXPECT_EQ(excel.cellText(6, 2), QString());
    EXPECT_FALSE(excel.cellValue(0, 1).isValid());

    const ut::RangeRef table = excel.usedRegion(5, 1);
    EXPECT_EQ(table.bottom(), 8);
    EXPECT_EQ(table.right(), 3);
    const QVariantList rows = excel.value(table).toList();
    ASSERT_EQ(rows.size(), 4);
    for (const QVariant& r : rows)
        EXPECT_EQ(r.toList().size(), 3);
    EXPECT_EQ(rows.at(1).toList(), (QVariantList{QStringLiteral("Age"), QVariant(), QVariant()}));
    EXPECT_EQ(rows.at(3).toList().at(2), QVariant(3.25));

    // A lone cell is a one-cell region whose value is the cell's, an empty one included.
    EXPECT_EQ(excel.value(excel.usedRegion(1, 1)), QVariant(QStringLiteral("File info")));
    EXPECT_FALSE(excel.value(excel.usedRegion(2, 1)).isValid());
    EXPECT_EQ(excel.usedRegion(3, 1).right(), 2);

    // Whole columns are cut to the used rows.
    const QVariantList columnA = excel.value(excel.range(QStringLiteral("A:A"))).toList();
    ASSERT_EQ(columnA.size(), 8);
    EXPECT_EQ(columnA.at(7).toList(), QVariantList{QStringLiteral("5-9")});
    EXPECT_EQ(excel.rangeText(excel.range(QStringLiteral("$B$3"))), QStringLiteral("6"));
    EXPECT_FALSE(excel.range(QStringLiteral("A0")).isValid());
}

TEST(Excel, BlocksAndValuesAreWrittenInOnePiece)
{
    ut::Excel excel;
    excel.setCellValue(8, 1, QStringLiteral("below the block"));
    int next = -1;
    excel.writeBlock(QPoint(5, 1),
                     block({row({QStringLiteral("a"), 1}), row({QStringLiteral("b")}),
                            row({QStringLiteral("c"), 3, QStringLiteral("beyond the block")})}),
                     2, next);
    EXPECT_EQ(next, 8);
    EXPECT_EQ(excel.cellText(5, 1), QStringLiteral("a"));
    EXPECT_EQ(excel.cellValue(5, 2), QVariant(1.0));
    EXPECT_FALSE(excel.cellValue(6, 2).isValid());
    EXPECT_EQ(excel.cellValue(7, 2), QVariant(3.0));
    EXPECT_FALSE(excel.cellValue(7, 3).isValid());
    EXPECT_FALSE(excel.cellValue(4, 1).isValid());
    EXPECT_EQ(excel.cellText(8, 1), QStringLiteral("below the block"));

    // Writing a block replaces what was there, empty cells included.
    excel.writeBlock(QPoint(5, 1), block({row({QString(), QStringLiteral("x")})}), 2, next);
    EXPECT_EQ(next, 6);
    EXPECT_FALSE(excel.cellValue(5, 1).isValid());
    EXPECT_EQ(excel.cellText(5, 2), QStringLiteral("x"));

    excel.setValue(excel.range(QStringLiteral("B1:C2")), 7);
    EXPECT_EQ(excel.value(excel.range(QStringLiteral("B1:C2"))),
              QVariant(QVariantList{QVariant(row({7.0, 7.0})), QVariant(row({7.0, 7.0}))}));
    excel.setValue(excel.range(QStringLiteral("B1:C2")), QVariantList{QStringLiteral("p"), QStringLiteral("q")});
    EXPECT_EQ(excel.cellText(2, 3), QStringLiteral("q"));
    excel.setProperty(excel.range(QStringLiteral("B1:C2")), QStringLiteral("Value"), QStringLiteral("r"));
    EXPECT_EQ(excel.cellText(1, 2), QStringLiteral("r"));
    excel.setValue(excel.range(QStringLiteral("B1:C2")), QVariant());
    EXPECT_FALSE(excel.cellValue(1, 2).isValid());

    // Cells past the edge of an Excel 97-2003 sheet do not exist.
    excel.setCellValue(65537, 1, QStringLiteral("lost"));
    excel.setCellValue(1, 257, QStringLiteral("lost"));
    EXPECT_FALSE(excel.cell(65537, 1).isValid());
    excel.writeBlock(QPoint(65536, 1), block({row({QStringLiteral("last")}), row({QStringLiteral("lost")})}), 1, next);
    EXPECT_EQ(next, 65538);
    EXPECT_EQ(excel.cellText(65536, 1), QStringLiteral("last"));
}

TEST(Excel, WithoutWorkbookEverythingIsEmpty)
{
    const QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("missing.xls"));
    ut::Excel excel;
    excel.open(missing);
    EXPECT_FALSE(excel.isOpen());
    EXPECT_TRUE(excel.errorString().contains(QStringLiteral("does not exist")));
    EXPECT_EQ(excel.sheetCount(), 0);
    EXPECT_FALSE(excel.selectSheet(1).isValid());
    EXPECT_FALSE(excel.addSheet(QStringLiteral("x")).isValid());
    excel.deleteSheet(1);
    EXPECT_EQ(excel.sheetName(), QString());
    EXPECT_FALSE(excel.cell(1, 1).isValid());
    EXPECT_FALSE(excel.range(QStringLiteral("A:A")).isValid());
    EXPECT_FALSE(excel.usedRegion(1, 1).isValid());
    EXPECT_EQ(excel.rowOf(excel.find(QStringLiteral("x"), QStringLiteral("A"), false)), -1);
    EXPECT_FALSE(excel.value(excel.cell(1, 1)).isValid());
    excel.setCellValue(1, 1, 5);
    int next = 42;
    excel.writeBlock(QPoint(1, 1), block({row({1})}), 1, next);
    EXPECT_EQ(next, 42);
    excel.setProperty(excel.range(QStringLiteral("A:A")), QStringLiteral("NumberFormat"), QStringLiteral("@"));

    excel.saveAs(dir.filePath(QStringLiteral("never")));
    // The constructor starts a new workbook instead, of three default sheets, and writes nothing.
    const ut::Excel fresh(missing);
    EXPECT_TRUE(fresh.isOpen());
    EXPECT_EQ(fresh.sheetCount(), 3);
    EXPECT_TRUE(QDir(dir.path()).isEmpty());

    // Closing forgets the workbook; a later open works again.
    ut::Excel blank;
    blank.saveAs(dir.filePath(QStringLiteral("book")));
    blank.close();
    EXPECT_FALSE(blank.isOpen());
    EXPECT_EQ(blank.sheetCount(), 0);
    blank.open(dir.filePath(QStringLiteral("book.xls")));
    EXPECT_TRUE(blank.isOpen());
    EXPECT_EQ(blank.sheetCount(), 3);
}

TEST(Excel, SavedWorkbooksReopenWithNamesAndValues)
{
    const QTemporaryDir dir;
    {
        ut::Excel excel(dir.filePath(QStringLiteral("models.xls")));
        excel.setSheetName(excel.selectSheet(1), QStringLiteral("DE_Campylobacter"));
        excel.setProperty(excel.range(QStringLiteral("A:A")), QStringLiteral("NumberFormat"), QStringLiteral("@"));
        int next = 0;
        excel.writeBlock(QPoint(1, 1),
                         block({row({QStringLiteral("Version"), 6}), row({QStringLiteral("6"), -0.1}),
                                row({QStringLiteral("Ελληνικά 中文"), 1e-300})}),
                         2, next);
        excel.addSheet(QStringLiteral("Export 4"));
        excel.setCellValue(2, 3, QStringLiteral("last sheet"));
        excel.deleteSheet(3);
        excel.deleteSheet(2);
        // The caller strips the suffix; saving puts it back.
        excel.saveAs(dir.filePath(QStringLiteral("models")));
        EXPECT_TRUE(excel.errorString().isEmpty());
    }
    ut::Excel excel(dir.filePath(QStringLiteral("models.xls")));
    ASSERT_TRUE(excel.isOpen()) << excel.errorString().toStdString();
    ASSERT_EQ(excel.sheetCount(), 2);
    EXPECT_EQ(excel.sheetName(), QStringLiteral("DE_Campylobacter"));
    EXPECT_EQ(excel.cellValue(1, 2), QVariant(6.0));
    EXPECT_EQ(excel.cellValue(2, 1), QVariant(QStringLiteral("6")));
    EXPECT_EQ(excel.cellValue(2, 2), QVariant(-0.1));
    EXPECT_EQ(excel.cellValue(3, 1), QVariant(QStringLiteral("Ελληνικά 中文")));
    EXPECT_EQ(excel.cellValue(3, 2), QVariant(1e-300));
    excel.selectSheet(2);
    EXPECT_EQ(excel.sheetName(), QStringLiteral("Export 4"));
    EXPECT_EQ(excel.cellText(2, 3), QStringLiteral("last sheet"));
    EXPECT_FALSE(excel.cellValue(1, 1).isValid());

    excel.saveAs(dir.filePath(QStringLiteral("UPPER.XLS")));
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(QStringLiteral("UPPER.XLS"))));
}

TEST(Excel, ReadOnlyWorkbooksAreNeverWrittenBack)
{
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("reference.xls"));
    {
        ut::Excel excel;
        excel.setCellValue(1, 1, QStringLiteral("original"));
        excel.saveAs(path);
    }
    const QByteArray before = contentOf(path);
    ASSERT_FALSE(before.isEmpty());
    {
        ut::Excel excel(path);
        ASSERT_TRUE(excel.isOpen());
        excel.setCellValue(1, 1, QStringLiteral("changed"));
        excel.addSheet(QStringLiteral("extra"));
        excel.deleteSheet(1);
    }
    {
        ut::Excel excel;
        excel.open(path);
        excel.setCellValue(1, 1, QStringLiteral("changed again"));
        excel.open(path);
        EXPECT_EQ(excel.cellText(1, 1), QStringLiteral("original"));
        excel.closeWorkbook();
    }
    EXPECT_EQ(contentOf(path), before);
}

TEST(Excel, FailedSavesKeepTheEarlierFile)
{
    const QTemporaryDir dir;
    // The new content is first written beside the target under a longer name; a target name
    // at the file system's length limit makes that step fail even for a privileged user.
    const QString path = dir.filePath(QString(250, QLatin1Char('m')) + QStringLiteral(".xls"));
    {
        QFile earlier(path);
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier content");
    }
    ut::Excel excel;
    excel.setCellValue(1, 1, QStringLiteral("new"));
    excel.saveAs(path);
    EXPECT_FALSE(excel.errorString().isEmpty());
    EXPECT_EQ(contentOf(path), QByteArray("earlier content"));

    ut::XlsWriter writer;
    const QString other = dir.filePath(QStringLiteral("other.xls"));
    QFile(path).copy(other);
    EXPECT_FALSE(writer.write(ut::Workbook(), other));
    EXPECT_TRUE(writer.errorString().contains(QStringLiteral("at least one sheet")));
    EXPECT_EQ(contentOf(other), QByteArray("earlier content"));

    excel.saveAs(dir.filePath(QStringLiteral("fine")));
    EXPECT_TRUE(excel.errorString().isEmpty());
}

TEST(RangeAddress, ParsesCellsBlocksColumnsAndRows)
{
    const auto corners = [](const QString& text) {
        const std::optional<ut::RangeAddress> a = ut::RangeAddress::parse(text);
        return a ? QVector<int>{a->top(), a->left(), a->bottom(), a->right()} : QVector<int>();
    };
    EXPECT_EQ(corners(QStringLiteral("B3")), (QVector<int>{3, 2, 3, 2}));
    EXPECT_EQ(corners(QStringLiteral("$c$5:a1")), (QVector<int>{1, 1, 5, 3}));
    EXPECT_EQ(corners(QStringLiteral("A:A")), (QVector<int>{1, 1, 65536, 1}));
    EXPECT_EQ(corners(QStringLiteral("IV:AA")), (QVector<int>{1, 27, 65536, 256}));
    EXPECT_EQ(corners(QStringLiteral("3:5")), (QVector<int>{3, 1, 5, 256}));
    for (const char* bad : {"", "A", "3", "A:3", "IW1", "A65537", "A1:B2:C3", "A-1", "Ä1"})
        EXPECT_TRUE(corners(QString::fromUtf8(bad)).isEmpty()) << bad;
    EXPECT_EQ(ut::RangeAddress::columnLetters(1), QStringLiteral("A"));
    EXPECT_EQ(ut::RangeAddress::columnLetters(28), QStringLiteral("AB"));
    EXPECT_EQ(ut::RangeAddress::columnNumber(QStringLiteral("iv")), 256);
}
