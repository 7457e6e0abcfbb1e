#include <gtest/gtest.h>

#include <memory>

#include <QTemporaryDir>

#include "fn/data/WorkbookBlockReader.h"
#include "fn/data/ReferenceStoreTestSupport.h"
#include "ut/Exception.h"

using referencetest::dump;
using referencetest::Rows;
using referencetest::writeRows;

namespace {

// The rows of one parameter block as the model workbook export lays them out, three cells wide.
Rows parameterBlock(const QString& name, const QVector<QPair<QString, QString>>& meta, const QVariantList& header,
                    const QString& rowDimension, const Rows& levelRows)
{
    Rows rows{{name, QString(), QString()}, {}};
    for (const auto& entry : meta)
        rows.append({entry.first, entry.second, QString()});
    if (!meta.isEmpty())
        rows.append(QVariantList());
    rows.append(header);
    rows.append({rowDimension, QString(), QString()});
    rows += levelRows;
    return rows;
}

const QVariantList sexHeader{"Sex", "Female", "Male"};

// Saves the workbook and opens the file again, so that the readers see what a file holds.
std::unique_ptr<ut::Excel> reopened(ut::Excel& excel, const QTemporaryDir& dir)
{
    const QString path = dir.filePath(QStringLiteral("blocks.xls"));
    excel.saveAs(path);
    EXPECT_TRUE(excel.errorString().isEmpty()) << excel.errorString().toStdString();
    auto file = std::make_unique<ut::Excel>(path);
    EXPECT_TRUE(file->isOpen()) << file->errorString().toStdString();
    return file;
}

QStringList levelsOf(const fn::DataArray& array, int dimension)
{
    return array.factorCopies().value(dimension).levels();
}

} // namespace

TEST(WorkbookBlockReader, ReadsTheTablesOfACombinedBlockInARow)
{
    const QTemporaryDir dir;
    ut::Excel excel;
    excel.setProperty(excel.range("A:A"), "NumberFormat", "@");
    Rows block = parameterBlock("Severity", {{"Description", "Mild Diarrhoea"}, {"weblink", "http://example.org/Sev"}},
                                sexHeader, "Age",
                                {{"0-4", "RandPert(0.1,0.2,0.3)", 0.25}, {"5-9", QString(), " 1 "}, {"10+", 3, -2}});
    block.append(QVariantList());
    block += parameterBlock("Duration", {}, sexHeader, "Age", {{"0-4", 7, 8}, {"5-9", 9, 10}, {"10+", 11, 12}});
    block.append(QVariantList());
    block += parameterBlock("probability", {{"Direct type", "Death"}, {"Duration", "Chronic"}}, sexHeader, "Age",
                            {{"0-4", "0.5", "0.6"}});
    ASSERT_EQ(writeRows(excel, 11, block), 11 + block.size());
    const std::unique_ptr<ut::Excel> file = reopened(excel, dir);

    int lastRow = 0;
    const fn::DataArray severity = fn::readStratifiedTable(file->find("severity", "A", false), *file, lastRow);
    // Label 11, meta 13-14, header 16, row name 17, levels 18-20.
    EXPECT_EQ(lastRow, 20);
    EXPECT_EQ(dump(severity),
              "'Severity' {description:Mild Diarrhoea;weblink:http://example.org/Sev} "
              "[Age=0-4,5-9,10+ x Sex=Female,Male] RandPert(0.1,0.2,0.3) | 0.25 | 0 | 1 | 3 | -2");
    EXPECT_EQ(severity.dims(), (fn::DataArray::Dims{3, 2}));

    const fn::DataArray duration = fn::readStratifiedTable(file->cell(lastRow + 2, 1), *file, lastRow);
    EXPECT_EQ(lastRow, 28);
    EXPECT_EQ(dump(duration), "'Duration' {} [Age=0-4,5-9,10+ x Sex=Female,Male] 7 | 8 | 9 | 10 | 11 | 12");

    const fn::DataArray probability = fn::readStratifiedTable(file->cell(lastRow + 2, 1), *file, lastRow);
    EXPECT_EQ(lastRow, 11 + block.size() - 1);
    EXPECT_EQ(dump(probability),
              "'probability' {direct type:Death;duration:Chronic} [Age=0-4 x Sex=Female,Male] 0.5 | 0.6");
}

TEST(WorkbookBlockReader, HeaderRowsAreRecognisedByTheSexMarkerOnly)
{
    const QTemporaryDir dir;
    ut::Excel excel;
    int next = 1;
    for (const QString& marker : QStringList{"SEX", "sEx"}) {
        const QString label = marker + QStringLiteral(" table");
        next = 1 + writeRows(excel, next, parameterBlock(label, {}, {marker, "F", "M"}, "Age", {{"all", 1, 2}}));
    }
    // Another word, or the marker with surrounding space, makes the rows below meta rows.
    const int otherRow = next;
    writeRows(excel, otherRow, parameterBlock("Other", {}, {"Gender", "F", "M"}, "Age", {{"0-4", 1, 2}}));
    const std::unique_ptr<ut::Excel> file = reopened(excel, dir);

    for (const char* label : {"SEX table", "sEx table"}) {
        int lastRow = 0;
        const ut::RangeRef start = file->find(QString::fromLatin1(label), "A", true);
        const fn::DataArray array = fn::readStratifiedTable(start, *file, lastRow);
        EXPECT_TRUE(array.meta().isEmpty()) << label;
        EXPECT_EQ(lastRow, file->rowOf(start) + 4) << label;
        EXPECT_EQ(levelsOf(array, 1), (QStringList{"F", "M"}));
        EXPECT_EQ(array.formulas(), (QStringList{"1", "2"}));
    }

    int lastRow = 0;
    const fn::DataArray other = fn::readStratifiedTable(file->cell(otherRow, 1), *file, lastRow);
    EXPECT_EQ(other.meta(), (fn::DataArray::Meta{{"gender", "F"}, {"age", QString()}, {"0-4", "1"}}));
    // The header row sought two rows below those "meta rows" is empty.
    EXPECT_EQ(lastRow, otherRow + 6);
    EXPECT_TRUE(other.formulas().isEmpty());
}

TEST(WorkbookBlockReader, EmptyHeaderCellsShrinkTheColumnDimensionOnly)
{
    const QTemporaryDir dir;
    ut::Excel excel;
    writeRows(excel, 1, parameterBlock("Gap", {}, {"Sex", " ", "Male"}, "Age", {{"0-4", 1, 2}, {"5-9", QString(), 4}}));
    const std::unique_ptr<ut::Excel> file = reopened(excel, dir);
    int lastRow = 0;
    const fn::DataArray gap = fn::readStratifiedTable(file->cell(1, 1), *file, lastRow);
    EXPECT_EQ(lastRow, 6);
    EXPECT_EQ(levelsOf(gap, 1), QStringList{"Male"});
    EXPECT_EQ(gap.dims(), (fn::DataArray::Dims{2, 1}));
    EXPECT_EQ(gap.formulas(), (QStringList{"1", "2", "0", "4"}));

    // A label that is not there gives an empty array and no row.
    const fn::DataArray missing = fn::readStratifiedTable(file->find("Absent", "A", false), *file, lastRow);
    EXPECT_EQ(lastRow, -1);
    EXPECT_TRUE(missing.name().isEmpty());
    EXPECT_TRUE(missing.formulas().isEmpty());
}

TEST(WorkbookBlockReader, KeyValueRowsEndAtTheFirstEmptyKey)
{
    const QTemporaryDir dir;
    ut::Excel excel;
    writeRows(excel, 3,
              {{"Type", "2"}, {" Remaining Cases ", 0.5}, {"TYPE", " 3 "}, {"no value"}, {}, {"after the gap", 1}});
    const std::unique_ptr<ut::Excel> file = reopened(excel, dir);
    int lastRow = 0;
    EXPECT_EQ(fn::readKeyValueRows(*file, 3, lastRow),
              (QMap<QString, QString>{{"type", "3"}, {"remaining cases", "0.5"}, {"no value", QString()}}));
    EXPECT_EQ(lastRow, 6);
    EXPECT_TRUE(fn::readKeyValueRows(*file, 7, lastRow).isEmpty());
    EXPECT_EQ(lastRow, 6);
}

// Empty rows left inside a table are read past, never the next block after its last level.
TEST(WorkbookBlockReader, TablesReadAsTheUserSeesThem)
{
    const Rows levels{{"0-4", "1", "2"}, {"5-9", "3", "4"}, {"10+", "5", "6"}};
    const Rows next{{"Next label", QString(), QString()}, {}, {"Sex", "Female", "Male"}};
    const Rows element{{"acuteIllness", "Acute illness", QString()}};
    const Rows gap{{}};
    const QStringList all{"1", "2", "3", "4", "5", "6"};
    const struct
    {
        Rows table;
        int rowCount;
        QStringList formulas; // empty: refused
        int lastRow;
        QString refusal;
        bool byLevels = false; // rowCount from the levels of Age, rows past a gap named by one of them
    } rows[] = {
        // An empty row between the first two levels, then the next block as the layout has it.
        {levels.mid(0, 1) + gap + levels.mid(1) + gap + next, 3, all, 8, {}},
        // Two empty rows; and the same table read without knowing its size ends at the gap.
        {levels.mid(0, 2) + gap + gap + levels.mid(2) + gap + next, 3, all, 9, {}},
        {levels.mid(0, 1) + gap + levels.mid(1), 0, all.mid(0, 2), 5, {}},
        // A table one level short is not made up from the block after it.
        {levels.mid(0, 2) + gap + next, 3, all.mid(0, 4), 6, {}},
        // Not from an element label either, which has a second cell, when the levels are known.
        {levels.mid(0, 2) + gap + element, 3, all.mid(0, 4), 6, {}, true},
        {levels.mid(0, 1) + gap + levels.mid(1) + gap + next, 3, all, 8, {}, true},
        // A table of no known size reads past every gap that a table row follows.
        {levels.mid(0, 1) + gap + levels.mid(1, 1) + gap + levels.mid(2) + gap + next, fn::anyRowCount, all, 9, {}},
        {Rows{{"0-4", "82,1", "2"}}, 1, {}, 0, "cell B5 holds \"82,1\": it gives 2 values instead of one"},
        {Rows{{"0-4", "1", true}}, 1, {}, 0, "sheet \"Sheet1\", cell C5 holds TRUE where a number or formula belongs"},
        {Rows{levels[0], {}, {"5-9", "max(1", "2)"}}, 2, {}, 0, "cell B7 holds \"max(1\": its brackets do not pair"},
    };
    for (const auto& row : rows) {
        ut::Excel excel;
        writeRows(excel, 1, parameterBlock("Notification data", {}, sexHeader, "Age", row.table));
        int lastRow = 0;
        if (row.formulas.isEmpty()) {
            try {
                fn::readStratifiedTable(excel.cell(1, 1), excel, lastRow, row.rowCount);
                ADD_FAILURE() << "read " << row.refusal.toStdString();
            } catch (const ut::Exception& e) {
                EXPECT_TRUE(e.message().contains(row.refusal)) << e.message().toStdString();
            }
            continue;
        }
        const fn::RowLevelsOf ageLevels = [](const QString& dimension) {
            return dimension == QLatin1String("Age") ? QStringList{"0-4", "5-9", "10+"} : QStringList();
        };
        const fn::DataArray array = row.byLevels
            ? fn::readStratifiedTable(excel.cell(1, 1), excel, lastRow, ageLevels)
            : fn::readStratifiedTable(excel.cell(1, 1), excel, lastRow, row.rowCount);
        EXPECT_EQ(array.formulas(), row.formulas);
        EXPECT_EQ(levelsOf(array, 0).size(), row.formulas.size() / 2);
        EXPECT_EQ(lastRow, row.lastRow);
    }
}
