#include <gtest/gtest.h>

#include <functional>
#include <random>

#include <QList>
#include <QPair>
#include <QStringList>

#include "support/ZipArchiveBuilder.h"
#include "ut/workbook/orcus/archive/ZipArchiveCheck.h"

namespace {

const QByteArray sheetType = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet";
const QByteArray stringsType = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings";

QByteArray relationships(const QList<QPair<QByteArray, QByteArray>>& targets)
{
    QByteArray xml = "<Relationships>";
    int id = 0;
    for (const auto& target : targets)
        xml += "<Relationship Id=\"r" + QByteArray::number(++id) + "\" Type=\"" + target.first + "\" Target=\""
            + target.second + "\"/>";
    return xml + "</Relationships>";
}

QByteArray nested(int depth)
{
    return QByteArray("<a>").repeated(depth) + QByteArray("</a>").repeated(depth);
}

QByteArray incompressible(int size)
{
    std::mt19937 engine(7);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& byte : bytes)
        byte = char(engine());
    return bytes;
}

// The parts of a small workbook: a sheet of cells cells and a table of strings shared strings,
// related as liborcus finds them, the sheet under a relative target with a space in it and the
// strings under an absolute one; extra adds to them.
QByteArray workbook(int cells, int strings, const std::function<void(ZipArchiveBuilder&)>& extra = {})
{
    ZipArchiveBuilder zip;
    zip.add("[Content_Types].xml", "<Types/>");
    zip.add("_rels/.rels", relationships({{"officeDocument", "xl/workbook.xml"}}));
    zip.add("xl/workbook.xml", "<workbook><sheets><sheet name=\"S\"/></sheets></workbook>");
    zip.add(
        "xl/_rels/workbook.xml.rels",
        relationships({{sheetType, "worksheets/../worksheets/sheet%201.xml"}, {stringsType, "/xl/sharedStrings.xml"}}));
    QByteArray sheet = "<worksheet><sheetData>";
    for (int i = 0; i < cells; ++i)
        sheet += "<row r=\"" + QByteArray::number(i + 1) + "\"><c r=\"A" + QByteArray::number(i + 1) + "\" t=\"s\"><v>"
            + QByteArray::number(i) + "</v></c></row>";
    zip.add("xl/worksheets/sheet 1.xml", sheet + "</sheetData></worksheet>");
    QByteArray table = "<sst>";
    for (int i = 0; i < strings; ++i)
        table += "<si><t>" + QByteArray::number(i * 7919) + "</t></si>";
    zip.add("xl/sharedStrings.xml", table + "</sst>");
    if (extra)
        extra(zip);
    return zip.archive();
}

} // namespace

// Every limit refuses what lies beyond it and names the part and the limit; what stays within
// them, or lies where liborcus never looks, passes.
TEST(ZipArchiveCheck, LimitsRefuseWhatLiesBeyondThemAndNameThePart)
{
    const QByteArray bulk = incompressible(2200 * 1024);
    const struct
    {
        const char* what;
        QByteArray archive;
        QStringList expected; // empty: accepted
    } cases[] = {
        {"a small workbook", workbook(3, 2), {}},
        {"strings no cell uses, up to the floor", workbook(3, 65536), {}},
        {"as many strings as cells, beyond the floor", workbook(70000, 70000), {}},
        {"more strings than the cells and the floor",
         workbook(3, 65537),
         {"\"xl/sharedStrings.xml\"", "65537 shared strings", "65536"}},
        {"deep nesting nobody refers to",
         workbook(3, 2, [](ZipArchiveBuilder& z) { z.add("xl/extra.xml", nested(300)); }),
         {}},
        {"deep nesting in a related part",
         workbook(3, 2, [](ZipArchiveBuilder& z) { z.add("docProps/_rels/app.xml.rels", nested(257)); }),
         {"\"docProps/_rels/app.xml.rels\"", "more than 256 deep"}},
        {"a part listed again",
         workbook(3, 2, [](ZipArchiveBuilder& z) { z.repeatLast(2); }),
         {"\"xl/sharedStrings.xml\"", "more than once"}},
        {"a part packed too tightly",
         workbook(3, 2, [](ZipArchiveBuilder& z) { z.add("xl/media/x.bin", QByteArray(20000, 'x'), 9, 50u << 20); }),
         {"\"xl/media/x.bin\"", "50 MB", "more than 100 times"}},
        {"parts beyond the total",
         workbook(3, 2,
                  [&](ZipArchiveBuilder& z) {
                      for (const char* name : {"a.bin", "b.bin", "c.bin"})
                          z.add(name, bulk, 0, 200u << 20);
                  }),
         {"\"c.bin\"", "512 MB"}},
        // Refused at the directory, before any of its 60 000 copies is unpacked.
        {"a part listed over and over",
         workbook(3, 2,
                  [](ZipArchiveBuilder& z) {
                      z.add("xl/big.xml", "<a>" + QByteArray(16 << 20, ' ') + "</a>", 9);
                      z.repeatLast(60000);
                  }),
         {"\"xl/big.xml\""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString problem = ut::ZipArchiveCheck::problem(c.archive);
        if (c.expected.isEmpty()) {
            EXPECT_EQ(problem, QString());
        }
        for (const QString& part : c.expected)
            EXPECT_TRUE(problem.contains(part)) << problem.toStdString();
    }
}
