#include <gtest/gtest.h>

#include <malloc.h>

#include <QRandomGenerator>
#include <QTemporaryDir>

#include "ut/workbook/BiffTestStreams.h"
#include "ut/workbook/WorkbookTestSupport.h"
#include "ut/workbook/xls/ole2/CompoundFileReader.h"
#include "ut/workbook/Excel.h"

// Damaged workbooks are refused with a reason that names the file, or, where the damage hit
// nothing the reader uses, read exactly as the intact file: never read differently. The format
// has no checksums, so damage inside a number or a text cannot be seen by any reader; these
// tests damage what can be checked: where records start and end, how long they are, the
// container, whole sectors.
using namespace workbooktest;

namespace {

enum class Outcome { Refused, Identical, Different };

struct Tally
{
    int refused = 0;
    QStringList different;

    void add(Outcome outcome, const QString& damage)
    {
        refused += outcome == Outcome::Refused;
        if (outcome == Outcome::Different)
            different << damage;
    }
};

Outcome readDamaged(const QByteArray& file, const QStringList& intact)
{
    ut::WorkbookReader reader;
    const std::optional<ut::Workbook> workbook = reader.parse(file, "damaged.xls");
    if (!workbook) {
        EXPECT_TRUE(reader.errorString().contains("damaged.xls")) << reader.errorString().toStdString();
        return Outcome::Refused;
    }
    return snapshot(*workbook) == intact ? Outcome::Identical : Outcome::Different;
}

// A workbook as the program saves models: text-formatted labels, formulas as texts, numbers, a
// boolean, a value the format cannot hold (#NUM!) and a text long enough to cross records.
QByteArray ownWorkbook(const QTemporaryDir& dir)
{
    const QString path = dir.filePath("own.xls");
    ut::Excel excel(path);
    excel.setSheetName(excel.selectSheet(1), "model 1");
    excel.setProperty(excel.range("A:A"), "NumberFormat", "@");
    int next = 1;
    QVariantList rows;
    rows << QVariant(QVariantList{"Version", 6.0});
    for (int i = 0; i < 20; ++i)
        rows << QVariant(QVariantList{QStringLiteral("%1-%2").arg(5 * i).arg(5 * i + 4),
                                      QStringLiteral("RandPert(%1, %2, %3)").arg(i).arg(i + 1).arg(i + 2), 0.25 * i});
    rows << QVariant(QVariantList{true, qQNaN(), QString(9000, QChar(0x0416))});
    excel.writeBlock(QPoint(1, 1), rows, 3, next);
    excel.selectSheet(2);
    excel.setCellValue(3, 2, "second sheet");
    excel.deleteSheet(3);
    excel.saveAs(path);
    EXPECT_TRUE(excel.errorString().isEmpty()) << excel.errorString().toStdString();
    return contentOf(path);
}

} // namespace

// Every file under test, damaged in turn: the workbook stream cut short at any record boundary
// (a sheet without its end, a sheet the directory points beyond, a table of texts without its
// texts) is refused. The file cut short anywhere, any bit of the container's header flipped or
// any sector zeroed is refused or harmless. Any bit of any record header flipped mostly gives a
// record type the format does not have, a record of a fixed size another size, or records that
// no longer line up, and is refused; a few flips turn a record into another valid one that can
// stand where it is (a text cell into a drawing selection, the last number of a sheet into its
// window settings), which no reader can tell from the real thing.
TEST(DamagedWorkbook, DamageIsRefusedOrHarmless)
{
    const QTemporaryDir dir;
    QVector<QPair<QString, QByteArray>> files{
        {"own workbook", ownWorkbook(dir)},
        {"LibreOffice cells.xls", contentOf(testFile("ut/workbook/fixtures/cells.xls"))},
    };
    if (pythonHas("xlwt")) {
        runScript("xls_make.py", {dir.filePath("xlwt.xls")});
        files.append({"xlwt workbook", contentOf(dir.filePath("xlwt.xls"))});
    }
    for (const auto& [name, file] : files) {
        SCOPED_TRACE(name.toStdString());
        const QByteArray stream = ut::CompoundFileReader().readStream(file, {"Workbook"}).value_or(QByteArray());
        ASSERT_FALSE(stream.isEmpty());
        const QStringList intact = snapshot(*ut::WorkbookReader().parse(file, "intact.xls"));
        const QVector<int> boundaries = bifftest::recordBoundaries(stream);
        ASSERT_GT(boundaries.size(), 20);

        Tally cut;
        for (int i = 0; i + 1 < boundaries.size(); ++i)
            cut.add(readDamaged(bifftest::container(stream.left(boundaries[i])), intact),
                    QStringLiteral("cut at %1").arg(boundaries[i]));
        EXPECT_EQ(cut.refused, boundaries.size() - 1);
        EXPECT_EQ(cut.different.join("; ").toStdString(), "");
        // The whole stream, up to its last record, reads as the file does.
        EXPECT_EQ(readDamaged(bifftest::container(stream.left(boundaries.constLast())), intact), Outcome::Identical);

        Tally structure;
        for (int size = 0; size < file.size(); size += 64)
            structure.add(readDamaged(file.left(size), intact), QStringLiteral("file cut at %1").arg(size));
        for (int byte = 0; byte < 512; ++byte) {
            for (int bit = 0; bit < 8; ++bit) {
                QByteArray damaged = file;
                damaged[byte] = char(damaged[byte] ^ (1 << bit));
                structure.add(readDamaged(damaged, intact), QStringLiteral("header byte %1 bit %2").arg(byte).arg(bit));
            }
        }
        for (int sector = 512; sector < file.size(); sector += 512) {
            QByteArray damaged = file;
            std::fill(damaged.begin() + sector, damaged.begin() + std::min<int>(sector + 512, file.size()), '\0');
            structure.add(readDamaged(damaged, intact), QStringLiteral("sector at %1 zeroed").arg(sector));
        }
        EXPECT_EQ(structure.different.join("; ").toStdString(), "");
        EXPECT_GT(structure.refused, 200);

        Tally headers;
        for (int i = 0; i + 1 < boundaries.size(); ++i) {
            for (int bit = 0; bit < 32; ++bit) {
                QByteArray damaged = stream;
                damaged[boundaries[i] + bit / 8] = char(damaged[boundaries[i] + bit / 8] ^ (1 << (bit % 8)));
                headers.add(readDamaged(bifftest::container(damaged), intact),
                            QStringLiteral("record at %1, bit %2").arg(boundaries[i]).arg(bit));
            }
        }
        const int flips = 32 * (boundaries.size() - 1);
        EXPECT_LT(headers.different.size(), flips / 50) << headers.different.join("; ").toStdString();
        EXPECT_GT(headers.refused, flips / 2);
    }
}

// Each kind of inconsistency, placed by hand, refuses the file with a reason that names the
// file and the fault.
TEST(DamagedWorkbook, EachFaultIsNamed)
{
    using namespace bifftest;
    const QByteArray oneText = record(0x00FC, u32(1) + u32(1) + u16(2) + u8(0) + QByteArray("ok"));
    const QByteArray number = record(0x0203, cell(0, 0) + f64(1));
    const auto stream = [&](const QByteArray& cells, const QByteArray& table) {
        return workbookStream(QByteArray(), {{"S", 0, cells}}, table);
    };
    QByteArray sheetOutside = stream(number, oneText);
    qToLittleEndian<quint32>(quint32(sheetOutside.size() + 100), sheetOutside.data() + bof(5).size() + 4);
    QByteArray longRecord = stream(number, oneText);
    longRecord.append(record(0x0203, QByteArray(8300, '\0')));
    QByteArray biff5 = stream(number, oneText);
    qToLittleEndian<quint16>(0x0500, biff5.data() + 4);

    const struct
    {
        const char* name;
        QByteArray stream;
        const char* reason;
    } cases[] = {
        {"index", stream(record(0x00FD, cell(0, 0) + u32(1)), oneText), "refers to text 2 of a table of 1 texts"},
        {"outside", sheetOutside, "beyond the end of the workbook stream"},
        {"announced", stream(number, record(0x00FC, u32(3) + u32(3) + u16(2) + u8(0) + QByteArray("ok"))),
         "announces 3 texts"},
        {"leftover", stream(number, oneText.left(oneText.size()) + record(0x003C, QByteArray("xyz"))),
         "bytes after its last text"},
        {"order", stream(record(0x0203, cell(1, 0) + f64(1)) + number, oneText), "lists cell A1 after cell A2"},
        {"column", stream(record(0x0203, cell(0, 256) + f64(1)), oneText), "beyond the last column IV"},
        {"mulrk", stream(record(0x00BD, u16(0) + u16(0) + u16(15) + u32(2) + u16(3)), oneText),
         "do not make up those cells"},
        {"string",
         stream(record(0x0006, cell(0, 0) + u8(0) + QByteArray(5, '\0') + u16(0xFFFF) + u16(0) + u32(0) + u16(0))
                    + number,
                oneText),
         "text result of the formula in A1 is missing"},
        {"size", stream(record(0x0203, cell(0, 0) + f64(1) + u16(0)), oneText), "instead of 14"},
        {"password", workbookStream(record(0x002F, QByteArray(54, '\0')), {{"S", 0, number}}, oneText),
         "protected with a password"},
        {"biff5", biff5, "older than Excel 97-2003"},
        {"chart only", workbookStream(QByteArray(), {{"C", 2, QByteArray()}}, oneText), "holds no worksheet"},
        {"long record", longRecord, "more than a record can hold"},
        {"unlisted", stream(number, oneText) + bof(0x0010) + eof(), "no sheet of its directory starts with"},
        {"nul", stream(number, record(0x00FC, u32(1) + u32(1) + u16(2) + u8(0) + QByteArray("o\0", 2))),
         "NUL character"},
    };
    for (const auto& c : cases) {
        ut::WorkbookReader reader;
        const QString name = QStringLiteral("%1.xls").arg(QLatin1String(c.name));
        EXPECT_FALSE(reader.parse(container(c.stream), name)) << c.name;
        EXPECT_TRUE(reader.errorString().contains(name)) << reader.errorString().toStdString();
        EXPECT_TRUE(reader.errorString().contains(QLatin1String(c.reason))) << reader.errorString().toStdString();
    }
    // The intact stream of the same making is read.
    ut::WorkbookReader reader;
    const std::optional<ut::Workbook> intact = reader.parse(container(stream(number, oneText)), "ok.xls");
    ASSERT_TRUE(intact) << reader.errorString().toStdString();
    EXPECT_EQ(intact->sheet(0).cell(1, 1), QVariant(1.0));
}

// One cell at the last row and column of a sheet makes a file of a few kilobytes; reading it
// takes memory for that cell, not for the 16 million cells of the range up to it.
TEST(DamagedWorkbook, ACellFarAwayTakesMemoryForOneCell)
{
    const QTemporaryDir dir;
    const QString path = dir.filePath("far.xls");
    {
        ut::Excel excel;
        excel.setCellValue(65536, 256, "far away");
        excel.saveAs(path);
    }
    ASSERT_LT(QFileInfo(path).size(), 16 * 1024);
    const std::size_t before = mallinfo2().uordblks;
    ut::Excel excel(path);
    ASSERT_TRUE(excel.isOpen()) << excel.errorString().toStdString();
    const std::size_t after = mallinfo2().uordblks;
    EXPECT_LT(after - std::min(after, before), std::size_t(1024 * 1024));
    EXPECT_EQ(excel.cellValue(65536, 256), QVariant("far away"));
    EXPECT_EQ(excel.rowOf(excel.find("FAR AWAY", "IV", false)), 65536);
}

// Files that are no workbook, or one cut short, are refused by the adapter's constructor and by
// open alike, naming the file and the reason; nothing of them is read.
TEST(DamagedWorkbook, TheAdapterRefusesWhatIsNoWorkbookNamingTheFile)
{
    const QTemporaryDir dir;
    ut::Excel good;
    for (int i = 1; i <= 2000; ++i)
        good.setCellValue(i, 1, QStringLiteral("row %1").arg(i));
    good.saveAs(dir.filePath("good.xls"));
    const QByteArray bytes = contentOf(dir.filePath("good.xls"));
    ASSERT_GT(bytes.size(), 8192);
    QByteArray garbage(4096, Qt::Uninitialized);
    QRandomGenerator random(7);
    for (char& b : garbage)
        b = char(random.bounded(256));
    const struct
    {
        const char* name;
        QByteArray content;
        const char* reason;
    } cases[] = {
        {"half.xls", bytes.left(bytes.size() / 2), "damaged"},
        {"header.xls", bytes.left(600), "damaged"},
        {"garbage.xls", garbage, "is not a workbook"},
        // Random bytes behind a valid container signature look like a workbook until read.
        {"signed.xls", QByteArray::fromHex("d0cf11e0a1b11ae1") + garbage, "damaged"},
        {"text.xls", "Caption;Life expectancy\n1;2\n", "is not a workbook"},
        {"empty.xls", QByteArray(), "empty"},
    };
    for (const auto& c : cases) {
        const QString path = dir.filePath(QLatin1String(c.name));
        ASSERT_TRUE(writeContent(path, c.content));
        ut::Excel byConstructor(path);
        ut::Excel byOpen;
        byOpen.open(path);
        for (const ut::Excel* excel : {&byConstructor, &byOpen}) {
            EXPECT_FALSE(excel->isOpen()) << c.name;
            EXPECT_TRUE(excel->errorString().contains(QLatin1String(c.reason))
                        && excel->errorString().contains(QLatin1String(c.name)))
                << excel->errorString().toStdString();
            EXPECT_EQ(excel->sheetCount(), 0);
            EXPECT_FALSE(excel->cellValue(1, 1).isValid());
        }
    }
}
