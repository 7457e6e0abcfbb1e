#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include "fn/data/WorkbookBlockReader.h"
#include "ut/workbook/Excel.h"

// A model workbook of realistic size: 50 sheets of about 600 rows in columns A to C, made of
// labelled parameter tables (20 age groups by sex) as the model export writes them.
namespace {

constexpr int sheetCount = 50;
constexpr int tablesPerSheet = 24;

QVariantList tableRows(int sheet, int table)
{
    QVariantList rows;
    const auto add = [&rows](const QVariantList& row) { rows.append(QVariant(row)); };
    add({QStringLiteral("Table %1").arg(table), QString(), QString()});
    add({});
    add({QStringLiteral("Sex"), QStringLiteral("Female"), QStringLiteral("Male")});
    add({QStringLiteral("Age"), QString(), QString()});
    for (int age = 0; age < 20; ++age)
        add({QStringLiteral("%1-%2").arg(age * 5).arg(age * 5 + 4),
             QStringLiteral("RandPert(%1,%2,0.3)").arg(sheet).arg(age), 0.001 * (age + table)});
    add({});
    return rows;
}

void writeModelWorkbook(const QString& path)
{
    ut::Excel excel(path);
    for (int s = 1; s <= sheetCount; ++s) {
        const ut::SheetRef sheet = s <= excel.sheetCount() ? excel.selectSheet(s)
                                                           : excel.addSheet(QStringLiteral("Export %1").arg(s));
        excel.setSheetName(sheet, QStringLiteral("Model_%1").arg(s));
        excel.setProperty(excel.range(QStringLiteral("A:A")), QStringLiteral("NumberFormat"), QStringLiteral("@"));
        int row = 1;
        for (int t = 0; t < tablesPerSheet; ++t)
            excel.writeBlock(QPoint(row, 1), tableRows(s, t), 3, row);
    }
    excel.saveAs(path);
}

int readModelWorkbook(const QString& path)
{
    ut::Excel excel(path);
    int formulas = 0;
    for (int s = 1; s <= excel.sheetCount(); ++s) {
        excel.selectSheet(s);
        for (int t = 0; t < tablesPerSheet; ++t) {
            int lastRow = 0;
            const ut::RangeRef label = excel.find(QStringLiteral("Table %1").arg(t), QStringLiteral("A"), false);
            formulas += fn::readStratifiedTable(label, excel, lastRow).formulas().size();
        }
    }
    return formulas;
}

void BM_WriteModelWorkbook(benchmark::State& state)
{
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("models.xls"));
    for (auto _ : state)
        writeModelWorkbook(path);
    state.SetItemsProcessed(state.iterations() * sheetCount);
}

void BM_ReadModelWorkbook(benchmark::State& state)
{
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("models.xls"));
    writeModelWorkbook(path);
    int formulas = 0;
    for (auto _ : state) {
        formulas = readModelWorkbook(path);
        benchmark::DoNotOptimize(formulas);
    }
    if (formulas != sheetCount * tablesPerSheet * 40)
        state.SkipWithError("the workbook did not read back completely");
    state.SetItemsProcessed(state.iterations() * sheetCount);
}

void BM_WriteThenReadModelWorkbook(benchmark::State& state)
{
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("models.xls"));
    for (auto _ : state) {
        writeModelWorkbook(path);
        benchmark::DoNotOptimize(readModelWorkbook(path));
    }
}

} // namespace

BENCHMARK(BM_WriteModelWorkbook)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadModelWorkbook)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteThenReadModelWorkbook)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
