#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include "ut/workbook/WorkbookTestSupport.h"
#include "ut/workbook/Excel.h"

// Workbooks written here are read by xlrd, an independent implementation of the file format
// (WorkbookFixturesTest reads those of xlwt).

using namespace workbooktest;

namespace {

struct DumpedCell
{
    QString kind;
    QJsonValue value;
    QString format;
};

// Cells of one sheet of an xlrd dump, keyed by "row,column" (0-based).
QMap<QString, DumpedCell> cellsOf(const QJsonObject& sheet)
{
    QMap<QString, DumpedCell> cells;
    for (const QJsonValue& entry : sheet.value(QStringLiteral("cells")).toArray()) {
        const QJsonArray c = entry.toArray();
        cells.insert(QStringLiteral("%1,%2").arg(c.at(0).toInt()).arg(c.at(1).toInt()),
                     DumpedCell{c.at(2).toString(), c.at(3), c.at(4).toString()});
    }
    return cells;
}

QVariantList rowOf(std::initializer_list<QVariant> cells)
{
    return QVariantList(cells);
}

} // namespace

TEST(XlsInterop, WrittenWorkbooksReadBackInAnIndependentReader)
{
    if (!pythonHas(QStringLiteral("xlrd")))
        GTEST_SKIP() << "/usr/bin/python3 has no xlrd module";
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
    {
        ut::Excel excel(dir.filePath(QStringLiteral("export.xls")));
        excel.setSheetName(excel.selectSheet(1), cyrillicName);
        excel.setProperty(excel.range(QStringLiteral("A:A")), QStringLiteral("NumberFormat"), QStringLiteral("@"));
        int next = 0;
        QVariantList rows;
        rows << QVariant(rowOf({QStringLiteral("Version"), 6})) << QVariant(rowOf({QStringLiteral("6"), 0.1}))
             << QVariant(rowOf({mixed, -1.5e300})) << QVariant(rowOf({true, 123456789012.0}))
             << QVariant(rowOf({QStringLiteral("nan"), qQNaN()}));
        excel.writeBlock(QPoint(1, 1), rows, 2, next);
        excel.setCellValue(7, 3, longText);
        excel.setCellValue(8, 3, fullCell);
        // Enough distinct texts to run the string table through several records.
        QVariantList many;
        for (int i = 0; i < 3000; ++i)
            many << QVariant(rowOf({QStringLiteral("label %1").arg(i), QStringLiteral("значение %1").arg(i)}));
        excel.writeBlock(QPoint(10, 2), many, 2, next);

        excel.addSheet(longest);
        excel.setCellValue(1, 1, QStringLiteral("on the added sheet"));
        excel.setSheetName(excel.selectSheet(2), QStringLiteral("中文"));
        excel.deleteSheet(3);
        excel.saveAs(dir.filePath(QStringLiteral("export")));
        ASSERT_TRUE(excel.errorString().isEmpty()) << excel.errorString().toStdString();
    }

    const QJsonObject dump = QJsonDocument::fromJson(
                                 runScript("xls_dump.py",
                                           {dir.filePath(QStringLiteral("export.xls")), QStringLiteral("--extsst")}))
                                 .object();
    EXPECT_EQ(dump.value(QStringLiteral("extsst")).toString(), QStringLiteral("ok"));
    const QJsonArray sheets = dump.value(QStringLiteral("sheets")).toArray();
    ASSERT_EQ(sheets.size(), 3);
    EXPECT_EQ(sheets.at(0).toObject().value(QStringLiteral("name")).toString(), cyrillicName);
    EXPECT_EQ(sheets.at(1).toObject().value(QStringLiteral("name")).toString(), QStringLiteral("中文"));
    EXPECT_EQ(sheets.at(2).toObject().value(QStringLiteral("name")).toString(), longest);

    const QMap<QString, DumpedCell> cells = cellsOf(sheets.at(0).toObject());
    const auto text = [&](const char* key) { return cells.value(QLatin1String(key)).value.toString(); };
    const auto number = [&](const char* key) { return cells.value(QLatin1String(key)).value.toDouble(); };
    const auto kind = [&](const char* key) { return cells.value(QLatin1String(key)).kind; };
    EXPECT_EQ(kind("0,0"), QStringLiteral("text"));
    EXPECT_EQ(text("0,0"), QStringLiteral("Version"));
    EXPECT_EQ(kind("0,1"), QStringLiteral("number"));
    EXPECT_EQ(number("0,1"), 6.0);
    EXPECT_EQ(kind("1,0"), QStringLiteral("text"));
    EXPECT_EQ(text("1,0"), QStringLiteral("6"));
    EXPECT_EQ(number("1,1"), 0.1);
    EXPECT_EQ(text("2,0"), mixed);
    EXPECT_EQ(number("2,1"), -1.5e300);
    EXPECT_EQ(kind("3,0"), QStringLiteral("bool"));
    EXPECT_EQ(number("3,0"), 1.0);
    EXPECT_EQ(number("3,1"), 123456789012.0);
    EXPECT_EQ(kind("4,1"), QStringLiteral("error"));
    EXPECT_EQ(text("6,2"), longText);
    EXPECT_EQ(text("7,2"), fullCell);
    EXPECT_EQ(text("9,1"), QStringLiteral("label 0"));
    EXPECT_EQ(text("3008,2"), QStringLiteral("значение 2999"));
    EXPECT_EQ(cells.size(), 12 + 2 * 3000);
    // Column A carries the text format, the other columns the general one.
    EXPECT_EQ(cells.value(QStringLiteral("1,0")).format, QStringLiteral("@"));
    EXPECT_EQ(cells.value(QStringLiteral("1,1")).format, QStringLiteral("General"));

    const QMap<QString, DumpedCell> added = cellsOf(sheets.at(2).toObject());
    EXPECT_EQ(added.value(QStringLiteral("0,0")).value.toString(), QStringLiteral("on the added sheet"));
    EXPECT_TRUE(cellsOf(sheets.at(1).toObject()).isEmpty());

    // The adapter's own reader agrees.
    ut::Excel excel(dir.filePath(QStringLiteral("export.xls")));
    ASSERT_TRUE(excel.isOpen()) << excel.errorString().toStdString();
    EXPECT_EQ(excel.sheetName(), cyrillicName);
    EXPECT_EQ(excel.cellValue(3, 1), QVariant(mixed));
    EXPECT_EQ(excel.cellValue(7, 3), QVariant(longText));
    EXPECT_EQ(excel.cellValue(8, 3), QVariant(fullCell));
    EXPECT_EQ(excel.cellValue(3009, 3), QVariant(QStringLiteral("значение 2999")));
    EXPECT_EQ(excel.cellValue(4, 2), QVariant(123456789012.0));
}

TEST(XlsInterop, DamagedFilesGiveClearErrors)
{
    const QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("good.xls"));
    {
        ut::Excel excel;
        for (int i = 1; i <= 2000; ++i)
            excel.setCellValue(i, 1, QStringLiteral("row %1").arg(i));
        excel.saveAs(good);
    }
    QFile goodFile(good);
    ASSERT_TRUE(goodFile.open(QIODevice::ReadOnly));
    const QByteArray bytes = goodFile.readAll();
    ASSERT_GT(bytes.size(), 8192);

    const auto writeFile = [&](const char* name, const QByteArray& content) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return path;
    };
    QByteArray garbage(4096, Qt::Uninitialized);
    QRandomGenerator random(7);
    for (char& b : garbage)
        b = char(random.bounded(256));
    // Random bytes behind a valid container signature look like a workbook until read.
    const QByteArray signedGarbage = QByteArray::fromHex("d0cf11e0a1b11ae1") + garbage;

    const struct
    {
        QString path;
        QString expected;
    } cases[] = {
        {dir.filePath(QStringLiteral("missing.xls")), QStringLiteral("does not exist")},
        {writeFile("half.xls", bytes.left(bytes.size() / 2)), QStringLiteral("damaged")},
        {writeFile("header.xls", bytes.left(600)), QStringLiteral("damaged")},
        {writeFile("garbage.xls", garbage), QStringLiteral("is not a workbook")},
        {writeFile("signed.xls", signedGarbage), QStringLiteral("damaged")},
        {writeFile("text.xls", "Caption;Life expectancy\n1;2\n"), QStringLiteral("is not a workbook")},
        {writeFile("empty.xls", QByteArray()), QStringLiteral("empty")},
    };
    for (const auto& c : cases) {
        ut::Excel byConstructor(c.path);
        ut::Excel byOpen;
        byOpen.open(c.path);
        for (const ut::Excel* excel : {&byConstructor, &byOpen}) {
            if (c.path.endsWith(QLatin1String("missing.xls")) && excel == &byConstructor) {
                // A missing file makes the constructor start a new workbook instead.
                EXPECT_TRUE(excel->isOpen());
                continue;
            }
            EXPECT_FALSE(excel->isOpen()) << c.path.toStdString();
            EXPECT_TRUE(excel->errorString().contains(c.expected)) << excel->errorString().toStdString();
            EXPECT_TRUE(excel->errorString().contains(QFileInfo(c.path).fileName()));
            EXPECT_EQ(excel->sheetCount(), 0);
            EXPECT_FALSE(excel->cellValue(1, 1).isValid());
        }
    }
}
