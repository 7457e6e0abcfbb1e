#include <gtest/gtest.h>

#include <QDataStream>
#include <QDir>
#include <QRandomGenerator>
#include <QRegularExpression>

#include "fn/data/InputDataMgr.h"
#include "fn/data/ReferenceStoreTestSupport.h"

using namespace referencetest;

namespace {

const QString greek = QStringLiteral("Ελλάδα");
const QString cjk = QStringLiteral("疾病");

// The shared store and what it lacks: non-Latin ids, null and empty captions and cells, duplicate
// pairs and ids, a factor without levels, the reserved parameter kind, a congenital disease, regions.
void fill(fn::InputDataMgr& store)
{
    fillStore(store);
    store.inputFactors().addInputFactor(cjk, "Sex", Sex.levels());
    store.inputFactors().addInputFactor("empty", "Nothing", {});
    store.setCountryCaption(greek, "Greece");
    store.setCountryCaption("Nullland", QString());
    store.setCountryCaption("Emptyland", "");
    store.setLifeExpectancy(greek, randomTable("Life expectancy", 20));
    store.setAgeDistribution(greek, table("Age distribution", {}, {"1", "2", "", "4", "5", "6"}));
    store.setOutcomeTreeMapping(Generic, cjk, randomTable("Mapping", 21));
    store.setNotificationData(greek, cjk, randomTable("Notification data", 22));
    store.params().set(greek, cjk, "τ", "ill", fn::ParamsMgr::Reserved, randomTable("Reserved", 23));
    fn::DiseaseTemplate congenital = diseaseTemplate(cjk, QString(), {sequelaTree()});
    congenital.setCongenital(true);
    store.diseaseTemplates().add(cjk, congenital);
    store.setRunFactor(Generic, cjk, "underreporting", randomTable("underreporting", 24));
    store.setUnderestimationTypes(Austria, cjk, {{"type", "x"}});
    store.addCountryDisease(Austria, cjk);
    store.addCountryDisease(Austria, Disease);
    store.addCountryDisease(greek, Disease);
    store.appendDiseaseId(cjk);
    store.appendDiseaseId(Disease);
    store.setRegion("Region", true);
    store.setRegion(greek, true);
}

} // namespace

TEST(InputDataMgrCache, SaveAndLoadKeepEveryField)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    fn::InputDataMgr original;
    original.setPath(dir.path());
    EXPECT_EQ(dump(original), dump(fn::InputDataMgr()));
    fill(original);
    ASSERT_TRUE(original.saveCache());
    EXPECT_EQ(original.cacheFilePath(), dir.path() + "/referenceData.dat");

    fn::InputDataMgr loaded;
    loaded.setPath(dir.path());
    EXPECT_EQ(dump(loaded), dump(original));

    // Details the comparison above could miss.
    EXPECT_TRUE(loaded.countryCaptions().value("Nullland").isNull());
    EXPECT_FALSE(loaded.countryCaptions().value("Emptyland").isNull());
    // A loaded array is usable on its own factors.
    fn::DataArray life = loaded.lifeExpectancy("Austria");
    life.initializeParser();
    life.evaluate();
    EXPECT_EQ(life.values()[5], 58.0);

    // Writing the loaded store again gives the same bytes.
    const QByteArray first = readAll(original.cacheFilePath());
    QTemporaryDir again;
    ASSERT_TRUE(QFile::copy(original.cacheFilePath(), again.path() + "/referenceData.dat"));
    fn::InputDataMgr copy;
    copy.setPath(again.path());
    ASSERT_TRUE(QFile::remove(copy.cacheFilePath()));
    ASSERT_TRUE(copy.saveCache());
    EXPECT_EQ(readAll(copy.cacheFilePath()), first);

    // Loading replaces whatever the store held before.
    fn::InputDataMgr overwritten;
    overwritten.setCountryCaption("Stale", "stale");
    overwritten.setPath(dir.path());
    EXPECT_FALSE(overwritten.countryCaptions().contains("Stale"));

    // A missing cache leaves the store as it is; a folder that cannot be written fails the save.
    QTemporaryDir emptyDir;
    loaded.setPath(emptyDir.path());
    EXPECT_EQ(dump(loaded), dump(original));
    fn::InputDataMgr unwritable;
    unwritable.setPath(emptyDir.path() + "/missing/folder");
    EXPECT_FALSE(unwritable.saveCache());
}

TEST(InputDataMgrCache, ByteLayoutOfATinyStore)
{
    QTemporaryDir dir;
    fn::InputDataMgr store;
    store.setPath(dir.path());
    store.inputFactors().addInputFactor("d", "Sex", {"F", "M"});
    store.setCountryCaption("A", "x");
    store.setCountryCaption("B", QString());
    store.params().set("A", "d", "t", "s", fn::ParamsMgr::Reserved,
                       fn::DataArray({fn::InputFactor("Sex", {"F", "M"})}, "R", {}, QStringList({"1", "2"})));
    store.transitionParams().set("A", "d", "t", "tr", fn::TransitionParamsMgr::Redistribution,
                                 fn::DataArray({}, "Q", {{"k", "v"}}, QStringList()));
    store.addCountryDisease("A", "d");
    store.appendDiseaseId("d");
    store.setRegion("B", true);
    ASSERT_TRUE(store.saveCache());
    const QByteArray bytes = readAll(store.cacheFilePath());

    // The input factors by hand: one disease, "d" as UTF-16BE, one factor "Sex".
    const QByteArray head = QByteArray::fromHex("00000001"
                                                "00000002"
                                                "0064"
                                                "00000001"
                                                "00000006"
                                                "005300650078");
    EXPECT_EQ(bytes.left(head.size()), head);

    // The whole file, encoded independently with the stream's own operators.
    QByteArray expected;
    QDataStream out(&expected, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_5_13);
    const auto factorSex = [&out] {
        out << quint32(1) << QString("Sex") << quint32(2) << QString("F") << QString("M");
    };
    out << quint32(1) << QString("d");
    factorSex();
    // Captions, greatest key first, the null caption as 0xFFFFFFFF.
    out << quint32(2) << QString("B") << QString() << QString("A") << QString("x");
    out << quint32(0) << quint32(0) << quint32(0) << quint32(0);
    // Health-state parameters: severity, duration, proportion empty, then the reserved kind.
    out << quint32(0) << quint32(0) << quint32(0);
    out << quint32(1) << QString("A") << quint32(1) << QString("d") << quint32(1) << QString("t") << quint32(1)
        << QString("s");
    factorSex();
    out << QString("R") << quint32(0) << quint32(2) << QString("1") << QString("2");
    // No templates; probability empty, then redistribution.
    out << quint32(0);
    out << quint32(0);
    out << quint32(1) << QString("A") << quint32(1) << QString("d") << quint32(1) << QString("t") << quint32(1)
        << QString("tr");
    out << quint32(0) << QString("Q") << quint32(1) << QString("k") << QString("v") << quint32(0);
    out << quint32(0) << quint32(0);
    out << quint32(1) << QString("A") << QString("d");
    out << quint32(1) << QString("d");
    // The regions, after the parts of the older format.
    out << quint32(1) << QString("B");
    EXPECT_EQ(bytes.toHex(), expected.toHex());

    // A cache of the older format, without regions, loads whole; "Generic" is a placeholder anyway.
    writeAll(store.cacheFilePath(), bytes.left(bytes.size() - 10));
    fn::InputDataMgr older;
    older.setPath(dir.path());
    EXPECT_EQ(older.diseaseIds(), QStringList{"d"});
    EXPECT_FALSE(older.isRegion("B"));
    EXPECT_TRUE(older.isRegion("Generic"));
}

TEST(InputDataMgrCache, DamagedFilesLoadWithoutCrashing)
{
    QTemporaryDir source;
    fn::InputDataMgr original;
    original.setPath(source.path());
    fill(original);
    ASSERT_TRUE(original.saveCache());
    const QByteArray bytes = readAll(original.cacheFilePath());
    ASSERT_GT(bytes.size(), 1000);

    QTemporaryDir dir;
    const QString path = dir.path() + "/referenceData.dat";

    // A cut in the middle keeps the first parts and empties everything after the cut.
    const int cut = bytes.size() * 2 / 3;
    writeAll(path, bytes.left(cut));
    fn::InputDataMgr damaged;
    fill(damaged);
    damaged.setPath(dir.path());
    const QRegularExpression early("^(factor|caption|lifeExpectancy)/");
    const QRegularExpression late("^(runFactor|underestimationType|countryDisease)|^diseaseIds .");
    const QStringList lines = QString::fromStdString(dump(damaged)).split('\n');
    EXPECT_EQ(lines.filter(early), QString::fromStdString(dump(original)).split('\n').filter(early));
    EXPECT_FALSE(lines.filter(early).isEmpty());
    EXPECT_TRUE(lines.filter(late).isEmpty()) << lines.filter(late).join('\n').toStdString();

    // Every shorter prefix loads, and only the complete file yields the last part.
    for (int length = 0; length < bytes.size(); length += 3) {
        writeAll(path, bytes.left(length));
        fn::InputDataMgr store;
        fill(store);
        store.setPath(dir.path());
        ASSERT_TRUE(store.regions().isEmpty()) << "length " << length;
    }

    // Garbage: all bits set (impossible counts), random bytes, and a file whose counts are
    // plausible but whose string lengths run past the end.
    QByteArray random(8192, '\0');
    QRandomGenerator generator(42);
    for (char& c : random)
        c = static_cast<char>(generator.bounded(256));
    const QByteArray hugeLength = QByteArray::fromHex("00000001"
                                                      "7FFFFFFE"
                                                      "0041");
    const QByteArray oddLength = QByteArray::fromHex("00000001"
                                                     "00000003"
                                                     "004100");
    for (const QByteArray& garbage : {QByteArray(4096, '\xFF'), random, hugeLength, oddLength}) {
        writeAll(path, garbage);
        fn::InputDataMgr store;
        fill(store);
        store.setPath(dir.path());
        EXPECT_EQ(dump(store), dump(fn::InputDataMgr()));
    }

    // Damage inside the data: flipping bytes must not crash whatever it hits.
    for (int i = 0; i < 200; ++i) {
        QByteArray flipped = bytes;
        const int at = static_cast<int>(generator.bounded(static_cast<quint32>(bytes.size())));
        flipped[at] = static_cast<char>(generator.bounded(256));
        writeAll(path, flipped);
        fn::InputDataMgr store;
        store.setPath(dir.path());
    }
}

TEST(InputDataMgr, LookupsAndFallbacks)
{
    fn::InputDataMgr store;
    fill(store);

    // A country with entries of its own in a table never falls back; one without any uses "Generic".
    EXPECT_TRUE(store.hasDisease(Austria, Disease));
    EXPECT_TRUE(store.hasDisease("France", Disease));
    EXPECT_FALSE(store.hasDisease("France", cjk));
    EXPECT_FALSE(store.hasDisease(greek, cjk));
    EXPECT_TRUE(store.hasDiseaseTemplate(Disease));
    EXPECT_FALSE(store.hasDiseaseTemplate("d2"));

    // A caption needs both population tables.
    EXPECT_EQ(store.countryCaption(Austria), "Österreich");
    EXPECT_TRUE(store.countryCaption("Nullland").isEmpty());
    store.setLifeExpectancy("Onlylife", randomTable("Life expectancy", 1));
    store.setCountryCaption("Onlylife", "Only life");
    EXPECT_TRUE(store.countryCaption("Onlylife").isEmpty());
    store.setAgeDistribution("Onlylife", randomTable("Age distribution", 1));
    EXPECT_EQ(store.countryCaption("Onlylife"), "Only life");

    // Generic's type is 5 % 3, Austria's 1 % 3; a type that is no number, or none, is 0.
    EXPECT_EQ(store.underestimationType("France", Disease), 2);
    EXPECT_EQ(store.underestimationType(Austria, Disease), 1);
    EXPECT_EQ(store.underestimationType(Austria, cjk), 0);
    store.setUnderestimationTypes(Generic, "d3", {{"other", "1"}});
    EXPECT_EQ(store.underestimationType("France", "d3"), 0);

    EXPECT_EQ(store.runFactor("France", Disease, "coverage").formulas().value(0), "RandUniform(60, 65)");
    EXPECT_FALSE(store.runFactor("France", cjk, "underreporting").formulas().isEmpty());
    EXPECT_TRUE(store.runFactor(Austria, cjk, "underreporting").formulas().isEmpty());
    EXPECT_EQ(store.notificationData("France", Disease).formulas().value(0), "RandUniform(50, 55)");
    EXPECT_EQ(store.notificationData(greek, cjk).formulas().value(0), "RandUniform(220, 225)");
    EXPECT_TRUE(store.notificationData(greek, Disease).formulas().isEmpty());
    EXPECT_EQ(store.outcomeTreeMapping("France", Disease).formulas().value(5), "5");
    EXPECT_FALSE(store.outcomeTreeMapping("France", cjk).formulas().isEmpty());
    EXPECT_TRUE(store.outcomeTreeMapping(Austria, cjk).formulas().isEmpty());

    // The population tables insert an empty array for an unknown country.
    EXPECT_FALSE(store.hasLifeExpectancy("Nowhere"));
    EXPECT_TRUE(store.lifeExpectancy("Nowhere").formulas().isEmpty());
    EXPECT_TRUE(store.hasLifeExpectancy("Nowhere"));
    EXPECT_TRUE(store.ageDistribution("Nowhere").formulas().isEmpty());
    EXPECT_TRUE(store.hasAgeDistribution("Nowhere"));

    EXPECT_EQ(store.diseaseIds(), QStringList({Disease, cjk, Disease}));
}

TEST(InputDataMgr, ImportNeedsAllWorkbooks)
{
    QTemporaryDir dir;
    const QString referenceDir = dir.path() + "/referenceData";
    ASSERT_TRUE(QDir().mkpath(referenceDir));
    for (const char* name : {"/diseaseData.xls", "/countryData.xls", "/notmodelData-Austria.xls"})
        writeAll(referenceDir + name, "x");

    fn::InputDataMgr store;
    QStringList events;
    recordMessages(store, events);
    recordSheets(store, events);
    store.setPath(dir.path());
    EXPECT_TRUE(store.modelDataFiles().isEmpty());
    fill(store);

    store.importFromWorkbooks();
    EXPECT_EQ(events, QStringList({"Reference data|error|Reference data Excel files could not be found"}));
    EXPECT_EQ(store.diseaseIds().size(), 3);
    EXPECT_FALSE(QFile::exists(store.cacheFilePath()));

    // With every workbook present the imported data are cleared, captions and tree
    // mappings are kept, and the cache is rewritten between the two status reports.
    writeAll(referenceDir + "/modelData-Austria.xls", "x");
    writeAll(referenceDir + "/modelData-Generic.xls", "x");
    fn::InputDataMgr withFiles;
    withFiles.setPath(dir.path());
    ASSERT_EQ(withFiles.modelDataFiles().size(), 2);
    EXPECT_EQ(withFiles.modelDataFiles().at(0).fileName(), "modelData-Austria.xls");
    EXPECT_EQ(withFiles.diseaseDataFile().fileName(), "diseaseData.xls");
    fill(withFiles);
    events.clear();
    bool cacheWrittenBeforeFinish = false;
    QObject::connect(&withFiles, &fn::InputDataMgr::excelSheetImporting,
                     [&](fn::FileOperationType, const QString&, const QString& text1, const QString&) {
                         events << text1;
                         if (text1 == QLatin1String("importFinished"))
                             cacheWrittenBeforeFinish = QFile::exists(withFiles.cacheFilePath());
                     });
    QStringList errors;
    withFiles.setImportErrorReporter(
        [&errors](const QString& title, const QString& text) { errors << title + "|" + text; });
    withFiles.importFromWorkbooks();
    EXPECT_EQ(events, QStringList({"importStarted", "importFinished"}));
    // None of the four files is a workbook: each is reported and the import goes on.
    EXPECT_EQ(errors, QVector<QString>(4, "Error|An error occured").toList());
    EXPECT_TRUE(cacheWrittenBeforeFinish);
    // Everything else is gone.
    const QRegularExpression imported(QStringLiteral("^(?!caption/|mapping/|regions )"));
    EXPECT_EQ(QString::fromStdString(dump(withFiles)).split('\n').filter(imported), QStringList{"diseaseIds "});
    EXPECT_EQ(withFiles.countryCaptions().size(), 4);
    EXPECT_EQ(withFiles.outcomeTreeMappings().size(), 2);

    fn::InputDataMgr reloaded;
    reloaded.setPath(dir.path());
    EXPECT_EQ(dump(reloaded), dump(withFiles));
}
