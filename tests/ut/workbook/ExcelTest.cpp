#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "ut/workbook/Excel.h"
#include "ut/workbook/WorkbookTestSupport.h"
#include "ut/workbook/RangeAddress.h"
#include "ut/workbook/xls/XlsWriter.h"

using namespace workbooktest;

TEST(Excel, SheetsAreAddedRenamedAndDeletedLikeASpreadsheet)
{
    ut::Excel excel;
    const ut::SheetRef first = excel.selectSheet(1);
    excel.setCellValue(1, 1, "on the first sheet");
    const ut::RangeRef firstCell = excel.cell(1, 1);

    const ut::SheetRef added = excel.addSheet("Export 4");
    EXPECT_EQ(excel.sheetCount(), 4);
    EXPECT_EQ(excel.sheetName(), "Export 4");
    excel.selectSheet(4);
    EXPECT_EQ(excel.sheetName(), "Export 4");

    // A name Excel refuses keeps the sheet's default name and says why.
    excel.addSheet("bad/name");
    EXPECT_EQ(excel.sheetName(), "Sheet4");
    EXPECT_FALSE(excel.errorString().isEmpty());
    excel.setSheetName(first, "SHEET4");
    excel.setSheetName(first, QString(32, QLatin1Char('x')));
    excel.setSheetName(first, "'quoted'");
    excel.selectSheet(1);
    EXPECT_EQ(excel.sheetName(), "Sheet1");
    const QString longest(31, QChar(0x0416));
    excel.setSheetName(first, longest);
    EXPECT_EQ(excel.sheetName(), longest);
    excel.setProperty(added, "Name", "  Model A  ");
    excel.selectSheet(4);
    EXPECT_EQ(excel.sheetName(), "Model A");

    excel.deleteSheet(6);
    excel.deleteSheet(0);
    EXPECT_EQ(excel.sheetCount(), 5);

    // Handles follow their sheet when others go, and die with it.
    excel.deleteSheet(2);
    excel.selectSheet(1);
    EXPECT_EQ(excel.value(firstCell).toString(), "on the first sheet");
    excel.setSheetName(added, "Model B");
    excel.selectSheet(3);
    EXPECT_EQ(excel.sheetName(), "Model B");
    excel.deleteSheet(3);
    EXPECT_EQ(excel.sheetName(), QString());
    EXPECT_FALSE(excel.cell(1, 1).isValid());
    excel.setSheetName(added, "Ghost");

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
    excel.writeBlock(QPoint(1, 1),
                     block({row({"File info"}), row({}), row({"Version", 6.0}), row({}), row({"Sex", "Female", "Male"}),
                            row({"Age", QString(), QString()}), row({"0-4", "  0.5 ", 2}), row({"5-9", true, 3.25})}),
                     3, next);
    EXPECT_EQ(next, 9);
    excel.setCellValue(2, 2, "Version");

    const ut::RangeRef version = excel.find("version", "A", false);
    EXPECT_EQ(excel.rowOf(version), 3);
    EXPECT_EQ(excel.find("Version", "A:A", true), version);
    EXPECT_EQ(excel.rowOf(excel.find("version", "A", true)), -1);
    EXPECT_EQ(excel.rowOf(excel.find("Vers", "A", false)), -1);
    EXPECT_EQ(excel.rowOf(excel.find("6", "B", false)), 3);
    EXPECT_EQ(excel.rowOf(excel.find("Version", "B", false)), 2);
    EXPECT_EQ(excel.rowOf(excel.find("Version", "not a column", false)), -1);

    EXPECT_EQ(excel.cellValue(3, 2), QVariant(6.0));
    EXPECT_EQ(excel.cellText(3, 2), "6");
    EXPECT_EQ(excel.cellText(7, 2), "0.5");
    EXPECT_EQ(excel.cellValue(7, 2), QVariant("  0.5 "));
    EXPECT_EQ(excel.cellValue(8, 2), QVariant(true));
    EXPECT_FALSE(excel.cellValue(6, 2).isValid());
    EXPECT_EQ(excel.cellText(6, 2), QString());
    EXPECT_FALSE(excel.cellValue(0, 1).isValid());

    const ut::RangeRef table = excel.usedRegion(5, 1);
    EXPECT_EQ(table.bottom(), 8);
    EXPECT_EQ(table.right(), 3);
    EXPECT_EQ(excel.value(table),
              QVariant(block({row({"Sex", "Female", "Male"}), row({"Age", QVariant(), QVariant()}),
                              row({"0-4", "  0.5 ", 2.0}), row({"5-9", true, 3.25})})));

    // A lone cell is a one-cell region whose value is the cell's, an empty one included.
    EXPECT_EQ(excel.value(excel.usedRegion(1, 1)), QVariant("File info"));
    EXPECT_FALSE(excel.value(excel.usedRegion(2, 1)).isValid());
    EXPECT_EQ(excel.usedRegion(3, 1).right(), 2);

    // Whole columns are cut to the used rows.
    const QVariantList columnA = excel.value(excel.range("A:A")).toList();
    ASSERT_EQ(columnA.size(), 8);
    EXPECT_EQ(columnA.at(7).toList(), QVariantList{"5-9"});
    EXPECT_EQ(excel.rangeText(excel.range("$B$3")), "6");
    EXPECT_FALSE(excel.range("A0").isValid());
}

TEST(Excel, BlocksAndValuesAreWrittenInOnePiece)
{
    ut::Excel excel;
    excel.setCellValue(8, 1, "below the block");
    int next = -1;
    excel.writeBlock(QPoint(5, 1), block({row({"a", 1}), row({"b"}), row({"c", 3, "beyond the block"})}), 2, next);
    EXPECT_EQ(next, 8);
    EXPECT_EQ(excel.cellText(5, 1), "a");
    EXPECT_EQ(excel.cellValue(5, 2), QVariant(1.0));
    EXPECT_FALSE(excel.cellValue(6, 2).isValid());
    EXPECT_EQ(excel.cellValue(7, 2), QVariant(3.0));
    EXPECT_FALSE(excel.cellValue(7, 3).isValid());
    EXPECT_FALSE(excel.cellValue(4, 1).isValid());
    EXPECT_EQ(excel.cellText(8, 1), "below the block");

    // Writing a block replaces what was there, empty cells included.
    excel.writeBlock(QPoint(5, 1), block({row({QString(), "x"})}), 2, next);
    EXPECT_EQ(next, 6);
    EXPECT_FALSE(excel.cellValue(5, 1).isValid());
    EXPECT_EQ(excel.cellText(5, 2), "x");

    excel.setValue(excel.range("B1:C2"), 7);
    EXPECT_EQ(excel.value(excel.range("B1:C2")), QVariant(block({row({7.0, 7.0}), row({7.0, 7.0})})));
    excel.setValue(excel.range("B1:C2"), QVariantList{"p", "q"});
    EXPECT_EQ(excel.cellText(2, 3), "q");
    excel.setProperty(excel.range("B1:C2"), "Value", "r");
    EXPECT_EQ(excel.cellText(1, 2), "r");
    excel.setValue(excel.range("B1:C2"), QVariant());
    EXPECT_FALSE(excel.cellValue(1, 2).isValid());

    // Cells past the edge of an Excel 97-2003 sheet do not exist.
    excel.setCellValue(65537, 1, "lost");
    excel.setCellValue(1, 257, "lost");
    EXPECT_FALSE(excel.cell(65537, 1).isValid());
    excel.writeBlock(QPoint(65536, 1), block({row({"last"}), row({"lost"})}), 1, next);
    EXPECT_EQ(next, 65538);
    EXPECT_EQ(excel.cellText(65536, 1), "last");
}

TEST(Excel, WithoutWorkbookEverythingIsEmpty)
{
    const QTemporaryDir dir;
    const QString missing = dir.filePath("missing.xls");
    ut::Excel excel;
    excel.open(missing);
    EXPECT_FALSE(excel.isOpen());
    EXPECT_TRUE(excel.errorString().contains("does not exist") && excel.errorString().contains("missing.xls"))
        << excel.errorString().toStdString();
    EXPECT_EQ(excel.sheetCount(), 0);
    EXPECT_FALSE(excel.selectSheet(1).isValid());
    EXPECT_FALSE(excel.addSheet("x").isValid());
    excel.deleteSheet(1);
    EXPECT_EQ(excel.sheetName(), QString());
    EXPECT_FALSE(excel.cell(1, 1).isValid());
    EXPECT_FALSE(excel.range("A:A").isValid());
    EXPECT_FALSE(excel.usedRegion(1, 1).isValid());
    EXPECT_EQ(excel.rowOf(excel.find("x", "A", false)), -1);
    EXPECT_FALSE(excel.value(excel.cell(1, 1)).isValid());
    excel.setCellValue(1, 1, 5);
    int next = 42;
    excel.writeBlock(QPoint(1, 1), block({row({1})}), 1, next);
    EXPECT_EQ(next, 42);
    excel.setProperty(excel.range("A:A"), "NumberFormat", "@");

    excel.saveAs(dir.filePath("never"));
    // The constructor starts a new workbook instead, of three default sheets, and writes nothing.
    const ut::Excel fresh(missing);
    EXPECT_TRUE(fresh.isOpen());
    EXPECT_EQ(fresh.sheetCount(), 3);
    EXPECT_TRUE(QDir(dir.path()).isEmpty());

    // Closing forgets the workbook; a later open works again.
    ut::Excel blank;
    blank.saveAs(dir.filePath("book"));
    blank.close();
    EXPECT_FALSE(blank.isOpen());
    EXPECT_EQ(blank.sheetCount(), 0);
    blank.open(dir.filePath("book.xls"));
    EXPECT_TRUE(blank.isOpen());
    EXPECT_EQ(blank.sheetCount(), 3);
}

// Saved workbooks reopen with their names and values, and read back in xlrd, an independent
// implementation of the file format.
TEST(Excel, SavedWorkbooksReopenAndReadBackInAnIndependentReader)
{
    const QTemporaryDir dir;
    const QString cyrillicName = QStringLiteral("Модель_ДЕ");
    const QString longest = QStringLiteral("A sheet name of 31 characters!!");
    ASSERT_EQ(longest.size(), 31);
    const QString mixed = QStringLiteral("Zürich · Ελλάδα · 日本語 · עברית");
    QString longText;
    for (int i = 0; i < 9000; ++i)
        longText += QChar(0x0410 + i % 32);
    // The longest text a cell holds, its characters stored two bytes each: it runs through nine
    // records of the string table.
    QString fullCell;
    for (int i = 0; i < 32767; ++i)
        fullCell += i % 7 ? QChar(0x03B1 + i % 24) : QLatin1Char('x');
    const QVariantList firstRows = block(
        {row({"Version", 6}), row({"6", -0.1}), row({mixed, -1.5e300}), row({true, 123456789012.0})});
    {
        ut::Excel excel(dir.filePath("export.xls"));
        excel.setSheetName(excel.selectSheet(1), cyrillicName);
        excel.setProperty(excel.range("A:A"), "NumberFormat", "@");
        int next = 0;
        excel.writeBlock(QPoint(1, 1), firstRows + block({row({"nan", qQNaN()})}), 2, next);
        excel.setCellValue(7, 3, longText);
        excel.setCellValue(8, 3, fullCell);
        excel.setCellValue(5, 3, 1e-300);
        // Enough distinct texts to run the string table through several records.
        QVariantList many;
        for (int i = 0; i < 3000; ++i)
            many << QVariant(row({QStringLiteral("label %1").arg(i), QStringLiteral("значение %1").arg(i)}));
        excel.writeBlock(QPoint(10, 2), many, 2, next);

        excel.addSheet(longest);
        excel.setCellValue(1, 1, "on the added sheet");
        excel.setSheetName(excel.selectSheet(2), "中文");
        excel.deleteSheet(3);
        // The caller strips the suffix; saving puts it back.
        excel.saveAs(dir.filePath("export"));
        ASSERT_TRUE(excel.errorString().isEmpty()) << excel.errorString().toStdString();
    }
    ut::Excel excel(dir.filePath("export.xls"));
    ASSERT_TRUE(excel.isOpen()) << excel.errorString().toStdString();
    ASSERT_EQ(excel.sheetCount(), 3);
    EXPECT_EQ(excel.sheetName(), cyrillicName);
    EXPECT_EQ(excel.value(excel.range("A1:B4")), QVariant(firstRows));
    EXPECT_FALSE(excel.cellValue(5, 2).isValid());
    EXPECT_EQ(excel.cellValue(5, 3), QVariant(1e-300));
    EXPECT_EQ(excel.cellValue(7, 3), QVariant(longText));
    EXPECT_EQ(excel.cellValue(8, 3), QVariant(fullCell));
    EXPECT_EQ(excel.cellValue(10, 2), QVariant("label 0"));
    EXPECT_EQ(excel.cellValue(3009, 3), QVariant("значение 2999"));
    excel.selectSheet(3);
    EXPECT_EQ(excel.sheetName(), longest);
    EXPECT_EQ(excel.cellText(1, 1), "on the added sheet");
    excel.selectSheet(2);
    EXPECT_FALSE(excel.cellValue(1, 1).isValid());
    excel.saveAs(dir.filePath("UPPER.XLS"));
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("UPPER.XLS")));
    if (!pythonHas("xlrd"))
        GTEST_SKIP() << "/usr/bin/python3 has no xlrd module";

    // Every cell, sheet name and kind as xlrd reads them: the strings run through several records.
    EXPECT_GT(expectSameAsXlrd(dir.filePath("export.xls")), 2 * 3000);
    const QJsonObject dump =
        QJsonDocument::fromJson(runScript("xls_dump.py", {dir.filePath("export.xls"), "--extsst"})).object();
    EXPECT_EQ(dump["extsst"].toString(), "ok");
    // Column A carries the text format, the other columns the general one.
    QStringList formats;
    for (const QJsonValue& cell : dump["sheets"][0]["cells"].toArray()) {
        if (cell[0].toInt() == 1)
            formats << cell[4].toString();
    }
    EXPECT_EQ(formats, (QStringList{"@", "General"}));
}

TEST(Excel, ReadOnlyWorkbooksAreNeverWrittenBack)
{
    const QTemporaryDir dir;
    const QString path = dir.filePath("reference.xls");
    {
        ut::Excel excel;
        excel.setCellValue(1, 1, "original");
        excel.saveAs(path);
    }
    const QByteArray before = contentOf(path);
    ASSERT_FALSE(before.isEmpty());
    {
        ut::Excel excel(path);
        ASSERT_TRUE(excel.isOpen());
        excel.setCellValue(1, 1, "changed");
        excel.addSheet("extra");
        excel.deleteSheet(1);
    }
    {
        ut::Excel excel;
        excel.open(path);
        excel.setCellValue(1, 1, "changed again");
        excel.open(path);
        EXPECT_EQ(excel.cellText(1, 1), "original");
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
    excel.setCellValue(1, 1, "new");
    excel.saveAs(path);
    EXPECT_FALSE(excel.errorString().isEmpty());
    EXPECT_EQ(contentOf(path), QByteArray("earlier content"));

    ut::XlsWriter writer;
    const QString other = dir.filePath("other.xls");
    QFile(path).copy(other);
    EXPECT_FALSE(writer.write(ut::Workbook(), other));
    EXPECT_TRUE(writer.errorString().contains("at least one sheet"));
    EXPECT_EQ(contentOf(other), QByteArray("earlier content"));

    excel.saveAs(dir.filePath("fine"));
    EXPECT_TRUE(excel.errorString().isEmpty());
}

TEST(RangeAddress, ParsesCellsBlocksColumnsAndRows)
{
    const auto corners = [](const QString& text) {
        const std::optional<ut::RangeAddress> a = ut::RangeAddress::parse(text);
        return a ? QVector<int>{a->top(), a->left(), a->bottom(), a->right()} : QVector<int>();
    };
    EXPECT_EQ(corners("B3"), (QVector<int>{3, 2, 3, 2}));
    EXPECT_EQ(corners("$c$5:a1"), (QVector<int>{1, 1, 5, 3}));
    EXPECT_EQ(corners("A:A"), (QVector<int>{1, 1, 65536, 1}));
    EXPECT_EQ(corners("IV:AA"), (QVector<int>{1, 27, 65536, 256}));
    EXPECT_EQ(corners("3:5"), (QVector<int>{3, 1, 5, 256}));
    for (const char* bad : {"", "A", "3", "A:3", "IW1", "A65537", "A1:B2:C3", "A-1", "Ä1"})
        EXPECT_TRUE(corners(QString::fromUtf8(bad)).isEmpty()) << bad;
    EXPECT_EQ(ut::RangeAddress::columnLetters(1), "A");
    EXPECT_EQ(ut::RangeAddress::columnLetters(28), "AB");
    EXPECT_EQ(ut::RangeAddress::columnNumber("iv"), 256);
}
