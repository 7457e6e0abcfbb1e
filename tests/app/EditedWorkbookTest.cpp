#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "ProgramRun.h"

// The model workbook as the program saves it, the same saved again by LibreOffice, with its
// notification data and life expectancies made formulas, and as users edit it in a spreadsheet
// application (fixtures made from models.xls, see fixtures/README.md), in the three formats, on
// the command line: each reads as the spreadsheet shows it, or the sheet is refused with the cell
// named.
namespace {

const QStringList formats = {QStringLiteral("xls"), QStringLiteral("xlsx"), QStringLiteral("ods")};

struct WorkbookRun
{
    ProgramRun program;
    QByteArray results;
};

WorkbookRun runWorkbook(const QString& workbook, const QTemporaryDir& work)
{
    const QString output = work.filePath(QStringLiteral("results.json"));
    QFile::remove(output);
    ProgramStart start;
    start.arguments = QStringList{QStringLiteral("-i"), workbook,
                                  QStringLiteral("-s"), QStringLiteral("60"),
                                  QStringLiteral("-r"), QStringLiteral("42"),
                                  QStringLiteral("-o"), output};
    start.workingDirectory = work.path();
    return {runProgram(start), contents(output)};
}

// The fixture, under a name the command line takes: it reads any workbook whose name holds
// "xls", whatever its format.
QString fixture(const QString& name, const QTemporaryDir& work)
{
    const QString source = QStringLiteral(OZMID_TEST_DATA_DIR "/app/fixtures/") + name;
    if (name.contains(QLatin1String("xls")))
        return source;
    const QString copy = work.filePath(name + QStringLiteral(".xls"));
    QFile::remove(copy);
    return QFile::copy(source, copy) ? copy : source;
}

} // namespace

TEST(EditedWorkbook, ReadsAsTheSpreadsheetShowsItOrNamesTheCell)
{
    QTemporaryDir work;
    const WorkbookRun untouched = runWorkbook(fixture(QStringLiteral("models.xls"), work), work);
    ASSERT_EQ(untouched.program.exitCode, 0) << untouched.program.errors.toStdString();
    const QJsonArray models = QJsonDocument::fromJson(untouched.results).array();
    ASSERT_EQ(models.size(), 2);
    for (const QJsonValue& model : models)
        EXPECT_GT(jsonAt(model, "totalSequelaTypeResults/total/daly/Mean").toDouble(), 0.0);

    struct Row
    {
        const char* workbook;
        // Empty: the results are those of the untouched workbook, byte for byte.
        QStringList refusal;
        // Further words standard error must hold.
        QStringList notice;
    };
    const QList<Row> rows = {
        {"models-resaved", {}, {}},
        {"models-formulas", {}, {}},
        {"edited-empty-row", {}, {}},
        {"edited-percentages", {}, {}},
        {"edited-harmless", {}, {QStringLiteral("\"Notes\""), QStringLiteral("is not a model: it is left out")}},
        {"edited-decimal-comma",
         {QStringLiteral("sheet \"model 1\", cell B"), QStringLiteral("\"82,1\""),
          QStringLiteral("(a decimal comma?)")},
         {}},
        {"edited-reworded-label",
         {QStringLiteral("sheet \"model 1\", cell A"), QStringLiteral("\"Under-reporting factor\""),
          QStringLiteral("the label \"underreporting\"")},
         {}},
        {"edited-boolean", {QStringLiteral("sheet \"model 1\", cell B40 holds TRUE")}, {}},
        {"edited-error", {QStringLiteral("sheet \"model 1\", cell B40 holds")}, {}},
        {"edited-date", {QStringLiteral("sheet \"model 1\", cell B40 holds a date")}, {}},
    };
    for (const Row& row : rows) {
        for (const QString& format : formats) {
            const QString name = QStringLiteral("%1.%2").arg(QLatin1String(row.workbook), format);
            SCOPED_TRACE(name.toStdString());
            const WorkbookRun run = runWorkbook(fixture(name, work), work);
            ASSERT_EQ(run.program.exitCode, 0);
            const QString errors = run.program.errors;
            if (row.refusal.isEmpty()) {
                EXPECT_EQ(run.results, untouched.results) << errors.toStdString();
                EXPECT_FALSE(errors.contains(QStringLiteral("not imported"))) << errors.toStdString();
                EXPECT_FALSE(errors.contains(QStringLiteral("cannot be read"))) << errors.toStdString();
                EXPECT_EQ(run.program.lines.size(), 9);
                EXPECT_TRUE(run.program.lines.value(8).startsWith(QStringLiteral("Run finish time        : ")));
            } else {
                EXPECT_TRUE(errors.contains(QStringLiteral("is not imported"))) << errors.toStdString();
                for (const QString& words : row.refusal)
                    EXPECT_TRUE(errors.contains(words)) << words.toStdString() << " in " << errors.toStdString();
                // The other model of the workbook is read all the same.
                EXPECT_NE(run.results, untouched.results);
            }
            for (const QString& words : row.notice)
                EXPECT_TRUE(errors.contains(words)) << words.toStdString() << " in " << errors.toStdString();
        }
    }

    // 95 % is 0.95 in every format: the .ods file, whose percentages liborcus leaves out, gives
    // the numbers of the two formats that keep them as plain numbers.
    QByteArray percent;
    for (const QString& format : formats) {
        const WorkbookRun run = runWorkbook(fixture(QStringLiteral("edited-percent-95.") + format, work), work);
        EXPECT_NE(run.results, untouched.results) << format.toStdString();
        if (percent.isEmpty())
            percent = run.results;
        EXPECT_EQ(run.results, percent) << format.toStdString() << ": " << run.program.errors.toStdString();
    }
}
