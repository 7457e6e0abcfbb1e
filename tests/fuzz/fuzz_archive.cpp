// Whole workbook archives through the reader, as a file given to the program. Half the inputs
// are taken as the archive itself (seeded with the .xlsx and .ods fixtures); the other half are
// parts that the harness packs into a valid archive with deflate, so that the fuzzer reaches
// the XML of every part, the shared strings and parts nothing refers to, past the directory
// and checksum checks. Every archive must be refused or read within the budget below: a
// slower one is a finding (libFuzzer's -rss_limit_mb bounds the memory).

#include <cstdlib>
#include <iterator>

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>

#include "FuzzSupport.h"
#include "support/ZipArchiveBuilder.h"
#include "ut/workbook/WorkbookReader.h"

namespace {

// Time an input may take; an archive that needs longer would stall the program as long.
constexpr qint64 BudgetMilliseconds = 10000;

// The parts an input fills in turn; the last is referred to by nothing.
const char* const partNames[] = {
    "[Content_Types].xml",      "_rels/.rels",          "xl/workbook.xml", "xl/_rels/workbook.xml.rels",
    "xl/worksheets/sheet1.xml", "xl/sharedStrings.xml", "xl/styles.xml",   "xl/unreferenced.xml",
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool ready = (fuzz::setUp(), true);
    Q_UNUSED(ready)
    if (size < 2)
        return 0;
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<int>(size));
    QByteArray archive;
    if (input.startsWith("PK")) {
        archive = input;
    } else {
        // The level, then the parts separated by a byte that well-formed XML never holds.
        const QList<QByteArray> parts = input.mid(1).split('\0');
        ZipArchiveBuilder builder;
        for (int i = 0; i < parts.size() && i < int(std::size(partNames)); ++i)
            builder.add(partNames[i], parts[i], int(quint8(input[0]) % 10));
        archive = builder.archive();
    }
    QElapsedTimer clock;
    clock.start();
    ut::WorkbookReader reader;
    const std::optional<ut::Workbook> workbook = reader.parse(archive, QStringLiteral("fuzz.xlsx"));
    // A refusal names the file; nothing takes longer than the budget.
    if ((!workbook && !reader.errorString().contains(QStringLiteral("fuzz.xlsx")))
        || clock.elapsed() > BudgetMilliseconds)
        std::abort();
    return 0;
}
