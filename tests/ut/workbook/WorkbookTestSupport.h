#pragma once

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>

#include "ut/workbook/RangeAddress.h"
#include "ut/workbook/Workbook.h"
#include "ut/workbook/WorkbookReader.h"

// Helpers of the workbook tests: the files of other programs, the independent reader (xlrd, run
// by Debian's /usr/bin/python3, not whichever python3 comes first on the PATH) and a plain form
// of a workbook's content to compare.
namespace workbooktest {

inline const QString python = QStringLiteral("/usr/bin/python3");

inline QString testFile(const QString& relativePath)
{
    return QStringLiteral(OZMID_TEST_DATA_DIR "/") + relativePath;
}

inline bool pythonHas(const QString& module)
{
    QProcess process;
    process.start(python, {QStringLiteral("-c"), QStringLiteral("import ") + module});
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// Runs a helper script of tests/ut/workbook; returns its standard output, or fails the test with its errors.
inline QByteArray runScript(const char* name, const QStringList& arguments)
{
    QProcess process;
    process.start(python, QStringList{testFile(QStringLiteral("ut/workbook/") + QLatin1String(name))} + arguments);
    const bool finished = process.waitForFinished(120000);
    EXPECT_TRUE(finished && process.exitCode() == 0) << process.readAllStandardError().toStdString();
    return process.readAllStandardOutput();
}

using row = QVariantList;

// A block of rows as Excel::writeBlock takes it and a range's value is; spelled out so that a
// block of one row is not mistaken for a copy of that row.
inline QVariantList block(std::initializer_list<QVariantList> rows)
{
    QVariantList list;
    for (const QVariantList& r : rows)
        list.append(QVariant(r));
    return list;
}

inline QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeContent(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// A cell value with its kind, so that a number never passes for a boolean it converts to.
inline QString describe(const QVariant& value)
{
    if (!value.isValid())
        return QStringLiteral("empty");
    return QString::fromLatin1(value.typeName()) + QLatin1Char(' ')
        + (value.userType() == QMetaType::Double ? QString::number(value.toDouble(), 'g', 17) : value.toString());
}

// A workbook's content as plain text, sheet by sheet, one cell per line with its kind, so that
// two readings compare with one equality and a difference shows where it is.
inline QStringList snapshot(const ut::Workbook& workbook)
{
    QStringList lines;
    for (const ut::Worksheet& sheet : workbook.sheets()) {
        lines << QStringLiteral("sheet ") + sheet.name();
        sheet.forEachCell([&](int row, int column, const QVariant& value) {
            lines
                << QStringLiteral("%1%2 %3").arg(ut::RangeAddress::columnLetters(column)).arg(row).arg(describe(value));
        });
    }
    return lines;
}

// Reads path with the program's reader and with xlrd and expects the same sheets and the same
// value in every cell: texts, numbers (exactly), booleans; xlrd's error values and empty texts
// are empty cells here. Returns the number of cells compared, those of either reading.
inline int expectSameAsXlrd(const QString& path)
{
    ut::WorkbookReader reader;
    const std::optional<ut::Workbook> workbook = reader.read(path);
    if (!workbook) {
        ADD_FAILURE() << reader.errorString().toStdString();
        return 0;
    }
    const QJsonArray sheets = QJsonDocument::fromJson(runScript("xls_dump.py", {path, "--plain"}))["sheets"].toArray();
    EXPECT_EQ(sheets.size(), workbook->sheetCount()) << path.toStdString();
    int compared = 0;
    for (int s = 0; s < std::min(int(sheets.size()), workbook->sheetCount()); ++s) {
        const ut::Worksheet& sheet = workbook->sheet(s);
        EXPECT_EQ(sheet.name(), sheets[s]["name"].toString());
        QMap<QString, QVariant> expected;
        for (const QJsonValue& cell : sheets[s]["cells"].toArray()) {
            const QString kind = cell[2].toString();
            QVariant value;
            if (kind == QLatin1String("text") && !cell[3].toString().isEmpty())
                value = cell[3].toString();
            else if (kind == QLatin1String("number"))
                value = cell[3].toDouble();
            else if (kind == QLatin1String("bool"))
                value = cell[3].toInt() != 0;
            const int row = cell[0].toInt() + 1;
            const int column = cell[1].toInt() + 1;
            if (value.isValid())
                expected.insert(QStringLiteral("%1,%2").arg(row).arg(column), value);
            // Dates and error values are no values for the program: the cell reads as empty and
            // says what it holds.
            if (kind == QLatin1String("date") || kind == QLatin1String("error")) {
                ++compared;
                EXPECT_FALSE(sheet.unreadable(row, column).isEmpty())
                    << path.toStdString() << " sheet " << sheet.name().toStdString() << " " << kind.toStdString()
                    << " cell (row,column) " << row << "," << column;
            }
        }
        QMap<QString, QVariant> actual;
        sheet.forEachCell([&](int row, int column, const QVariant& value) {
            actual.insert(QStringLiteral("%1,%2").arg(row).arg(column), value);
        });
        QStringList keys = expected.keys() + actual.keys();
        keys.removeDuplicates();
        for (const QString& key : keys) {
            ++compared;
            EXPECT_EQ(describe(actual.value(key)), describe(expected.value(key)))
                << path.toStdString() << " sheet " << sheet.name().toStdString() << " cell (row,column) "
                << key.toStdString();
        }
    }
    return compared;
}

} // namespace workbooktest
