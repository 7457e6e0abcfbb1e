#include <gtest/gtest.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "fn/data/JSONInputDataMgr.h"
#include "fn/data/ReferenceStoreTestSupport.h"
#include "fn/values/MemoryBudget.h"
#include "ut/Diagnostics.h"

using referencetest::writeAll;

namespace {

QJsonObject cells(const QJsonArray& rows)
{
    return {{"vals", rows}};
}

// A value, not an array: braces around a single QJsonArray would copy it under clang.
QJsonValue row(const QJsonValue& female, const QJsonValue& male)
{
    return QJsonArray{female, male};
}

// One tree over one age group and two sexes, with the given severity array.
QJsonObject specification(const QString& id, const QJsonObject& severity, int dimensions = 2)
{
    QJsonArray order{"age", "sex"};
    QJsonObject values{{"age", QJsonArray{"all"}}, {"sex", QJsonArray{"F", "M"}}};
    for (int d = 2; d < dimensions; ++d) {
        order.append(QStringLiteral("d%1").arg(d));
        values.insert(QStringLiteral("d%1").arg(d), QJsonArray{"x"});
    }
    const QJsonObject acute{{"type", "ACUTE"}, {"severityArray", severity}};
    const QJsonObject tree{
        {"id", "tree"},
        {"healthOutcomesRunOrder", QJsonArray{"inf", "acute"}},
        {"healthOutcomes", QJsonObject{{"inf", QJsonObject{{"type", "INFECTION"}}}, {"acute", acute}}}};
    return {{"id", id},
            {"dims", QJsonObject{{"order", order}, {"values", values}}},
            {"rawCasesCountArray", cells(QJsonArray{row("10", "20")})},
            {"outcomeTrees", QJsonObject{{"t", tree}}},
            {"outcomeTreeMapping", cells(QJsonArray{row("tree", "tree")})}};
}

QByteArray bytesOf(const QJsonObject& json)
{
    return QJsonDocument(json).toJson();
}

struct Read
{
    fn::JSONInputDataMgr reader;
    QStringList reports;

    void file(const QByteArray& bytes, const QString& name = "spec.json")
    {
        reports.clear();
        const ut::ScopedDiagnosticsSink sink([this](const QString& text) { reports << text; });
        reader.readSpecification(bytes, name);
    }
};

} // namespace

TEST(JSONSpecificationCheck, CellsReadAsZeroOrNotAtAllAreReportedAndStillReadSo)
{
    Read read;
    read.file(bytesOf(specification("Numbers", cells(QJsonArray{row(0.5, QJsonValue())}))));
    ASSERT_EQ(read.reports.size(), 1);
    EXPECT_EQ(read.reports.front(),
              QStringLiteral("Model specification spec.json: outcome tree \"t\", health outcome \"acute\", "
                             "\"severityArray\" has 2 cell(s) that are not text, read as \"0\": row 1 cell 1 "
                             "(a number), row 1 cell 2 (null). Write formulas as text, such as \"0.5\"."));
    const auto severity = [&read](const QString& id) {
        return read.reader.getDiseaseTemplate(id).parameter(fn::JSONDiseaseTemplate::Severity, "tree", "acute_hs");
    };
    EXPECT_EQ(severity("Numbers").formulas(), (QStringList{"0", "0"}));

    read.file(bytesOf(specification("Flat", cells(QJsonArray{"0.1", "0.2"}))), "flat.json");
    ASSERT_EQ(read.reports.size(), 1);
    EXPECT_TRUE(read.reports.front().contains("\"severityArray\" holds 2 entries that are not rows"))
        << read.reports.front().toStdString();
    EXPECT_TRUE(severity("Flat").formulas().isEmpty());

    read.file(bytesOf(specification("Short", cells(QJsonArray{QJsonValue(QJsonArray{"0.1"})}))));
    ASSERT_EQ(read.reports.size(), 1);
    EXPECT_TRUE(read.reports.front().contains("has 1 cells for the 2 strata of \"dims\"; the strata without a cell"))
        << read.reports.front().toStdString();
}

TEST(JSONSpecificationCheck, FilesThatCannotBeHeldAreSkippedAtStartUp)
{
    // The models folder read at start-up: nine dimensions used to abort the program.
    QTemporaryDir base;
    QDir(base.path()).mkdir("models");
    const QString models = base.path() + QStringLiteral("/models/");
    writeAll(models + "a-nine.json", bytesOf(specification("Nine", cells(QJsonArray{row("0", "0")}), 9)));
    writeAll(models + "b-eight.json", bytesOf(specification("Eight", cells(QJsonArray{row("0", "0")}), 8)));
    writeAll(models + "c-broken.json", QByteArrayLiteral("{ \"id\": "));

    Read read;
    {
        const ut::ScopedDiagnosticsSink sink([&read](const QString& text) { read.reports << text; });
        read.reader.setDirPath(base.path());
    }
    EXPECT_EQ(read.reader.getDiseaseIds(), (QStringList{"", "Eight"}));
    const QString nine = QDir::toNativeSeparators(base.path() + QStringLiteral("/models/a-nine.json"));
    EXPECT_TRUE(read.reports.contains(QStringLiteral("Model specification %1 is skipped: \"dims\" lists 9 dimensions "
                                                     "in \"order\", and parameters can have at most 8.")
                                          .arg(nine)))
        << read.reports.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(read.reports.last().contains("c-broken.json is not valid JSON"));

    // Strata whose arrays need more memory than the budget: refused before any array exists.
    QJsonObject wide = specification("Wide", cells(QJsonArray{row("0", "0")}));
    QJsonArray thousand;
    for (int i = 0; i < 1000; ++i)
        thousand.append(QString::number(i));
    wide.insert(
        "dims",
        QJsonObject{{"order", QJsonArray{"a", "b"}}, {"values", QJsonObject{{"a", thousand}, {"b", thousand}}}});
    fn::MemoryBudget::setLimit(16u * 1024 * 1024);
    read.file(bytesOf(wide), "wide.json");
    EXPECT_FALSE(read.reader.diseaseDataExist("Wide"));
    ASSERT_FALSE(read.reports.isEmpty());
    EXPECT_TRUE(read.reports.last().contains("wide.json is skipped: its dimensions have 1000000 strata"))
        << read.reports.last().toStdString();

    // Few strata but a file full of cells, each held as text and compiled.
    QJsonArray manyRows;
    for (int i = 0; i < 10000; ++i)
        manyRows.append(row("1", "2"));
    QJsonObject full = specification("Full", cells(QJsonArray{row("0", "0")}));
    full.insert("rawCasesCountArray", cells(manyRows));
    read.file(bytesOf(full), "full.json");
    fn::MemoryBudget::setLimit(0);
    EXPECT_FALSE(read.reader.diseaseDataExist("Full"));
    ASSERT_FALSE(read.reports.isEmpty());
    EXPECT_TRUE(read.reports.last().contains("arrays with their cells would need about 20 MB"))
        << read.reports.last().toStdString();
}

TEST(JSONSpecificationCheck, TwoInfectionsAreReportedAndTheShippedModelsSayNothing)
{
    // A second infection among the outcomes and in the run order.
    QByteArray twice = QJsonDocument(specification("Twice", cells(QJsonArray{row("0", "0")})))
                           .toJson(QJsonDocument::Compact)
                           .replace(R"("inf":{"type":"INFECTION"})",
                                    R"("inf":{"type":"INFECTION"},"inf2":{"type":"infection"})")
                           .replace(R"(["inf","acute"])", R"(["inf","inf2","acute"])");
    Read read;
    read.file(twice);
    ASSERT_EQ(read.reports.size(), 1);
    EXPECT_EQ(read.reports.front(),
              QStringLiteral("Model specification spec.json: outcome tree \"t\" has 2 health "
                             "outcomes of type INFECTION (\"inf\", \"inf2\"); a tree has one "
                             "infection, so no model can be built from it."));

    Read shipped;
    for (const QFileInfo& model : QDir(QStringLiteral(OZMID_TEST_DATA_DIR "/../models")).entryInfoList(QDir::Files)) {
        shipped.file(referencetest::readAll(model.filePath()), model.fileName());
        EXPECT_TRUE(shipped.reports.isEmpty()) << shipped.reports.join(QLatin1Char('\n')).toStdString();
    }
    EXPECT_EQ(shipped.reader.getDiseaseIds().size(), 2);
}

// The file is skipped, so that no other cell moves.
TEST(JSONSpecificationCheck, CellsThatAreNotOneValueSkipTheFile)
{
    const struct
    {
        QJsonValue female;
        QJsonValue male;
        const char* words;
    } rows[] = {
        {"82,1", "0.5", "row 1 cell 1 holds \"82,1\": it gives 2 values instead of one (a decimal comma?)."},
        {"0.5", "RandPert(1, 2", "row 1 cell 2 holds \"RandPert(1, 2\": its brackets do not pair."},
    };
    for (const auto& r : rows) {
        Read read;
        read.file(bytesOf(specification("Comma", cells(QJsonArray{row(r.female, r.male)}))));
        EXPECT_FALSE(read.reader.diseaseDataExist("Comma"));
        ASSERT_FALSE(read.reports.isEmpty());
        EXPECT_TRUE(
            read.reports.last().startsWith(QStringLiteral("Model specification spec.json is skipped: outcome tree "
                                                          "\"t\", health outcome \"acute\", \"severityArray\", ")))
            << read.reports.last().toStdString();
        EXPECT_TRUE(read.reports.last().endsWith(QLatin1String(r.words))) << read.reports.last().toStdString();
    }
}
