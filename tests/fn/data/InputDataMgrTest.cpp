#include <gtest/gtest.h>

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include "fn/data/InputDataMgr.h"
#include "fn/data/ReferenceStoreTestSupport.h"

namespace {

using Meta = fn::DataArray::Meta;

const fn::InputFactor Age(QStringLiteral("Age"), {"0-4", "5-9", "10+"});
const fn::InputFactor Sex(QStringLiteral("Sex"), {"Female", "Male"});

fn::DataArray array(const QString& name, const Meta& meta, const QStringList& formulas)
{
    return fn::DataArray({Age, Sex}, name, meta, formulas);
}

fn::DataArray numbered(const QString& name, int first)
{
    QStringList formulas;
    for (int i = 0; i < 6; ++i)
        formulas << QString::number(first + i);
    return array(name, {{"description", name}}, formulas);
}

fn::OutcomeTreeTemplate tree(const QString& id, const QString& suffix)
{
    fn::OutcomeTreeTemplate t(id, id);
    t.addHealthOutcome("inf", "Infection", "INFECTION", "FALSE");
    t.addHealthOutcome("acute" + suffix, "Acute", "ACUTE", "TRUE");
    t.addHealthState("infState", "Infected", "inf", "INFECTION");
    t.addHealthState("ill" + suffix, "Ill ü", "acute" + suffix, "YLD");
    t.addTransition("t1", "To acute", "infState", "acute" + suffix, "");
    t.addTransition("t2", "Complement", "infState", "inf", "t1");
    return t;
}

// A store with something in every field, non-Latin ids, duplicate country-disease pairs,
// null and empty strings and several entries per map level.
void fill(fn::InputDataMgr& store)
{
    const QString greek = QStringLiteral("Ελλάδα");
    const QString cjk = QStringLiteral("疾病");
    store.inputFactors().addInputFactor("d1", "Age", Age.levels());
    store.inputFactors().addInputFactor("d1", "Sex", Sex.levels());
    store.inputFactors().addInputFactor(cjk, "Sex", Sex.levels());
    store.inputFactors().addInputFactor("empty", "Nothing", {});

    store.setCountryCaption("Austria", QStringLiteral("Österreich"));
    store.setCountryCaption(greek, QStringLiteral("Greece"));
    store.setCountryCaption("Nullland", QString());
    store.setCountryCaption("Emptyland", QStringLiteral(""));

    store.setLifeExpectancy("Austria", numbered("Life expectancy", 80));
    store.setLifeExpectancy(greek, numbered("Life expectancy", 70));
    store.setAgeDistribution("Austria", numbered("Age distribution", 1000));
    store.setAgeDistribution(greek, array("Age distribution", {}, {"1", "2", "", "4", "5", "6"}));

    store.setOutcomeTreeMapping("Generic", "d1",
                                array("Outcome tree mapping", {},
                                      QStringList() << "1"
                                                    << "1"
                                                    << "1"
                                                    << "2"
                                                    << "2"
                                                    << "2"));
    store.setOutcomeTreeMapping("Austria", cjk, numbered("Mapping", 1));
    store.setNotificationData("Generic", "d1", numbered("Notification data", 10));
    store.setNotificationData(greek, cjk, numbered("Notification data", 20));
    store.setNotificationData(greek, "d1", numbered("Notification data", 30));

    store.params().set("Generic", "d1", "tree1", "ill", fn::ParamsMgr::Severity, numbered("Severity", 1));
    store.params().set("Generic", "d1", "tree1", "ill", fn::ParamsMgr::Duration, numbered("Duration", 2));
    store.params().set("Generic", "d1", "tree2", "ill", fn::ParamsMgr::Duration, numbered("Duration", 3));
    store.params().set(
        "Generic", "d1", "tree1", "ill", fn::ParamsMgr::Proportion,
        array("Proportion", {{"remaining cases", "yes"}}, QStringList(QVector<QString>(6, "0.5").toList())));
    store.params().set(greek, cjk, "τ", "ill", fn::ParamsMgr::Reserved, numbered("Reserved", 4));

    store.transitionParams().set("Generic", "d1", "tree1", "t1", fn::TransitionParamsMgr::Probability,
                                 array("Probability",
                                       {{"redistribute", "no"}, {"direct type", "yes"}, {"duration", "2.5"}},
                                       QStringList(QVector<QString>(6, "RandPert(0.1, 0.2, 0.3)").toList())));
    store.transitionParams().set("Austria", "d1", "tree1", "t1", fn::TransitionParamsMgr::Redistribution,
                                 numbered("Redistribution", 5));

    fn::DiseaseTemplate d1;
    d1.setId("d1");
    d1.setCaption(QStringLiteral("Disease one"));
    d1.setCongenital(true);
    d1.addOutcomeTree("tree2", tree("tree2", "B"));
    d1.addOutcomeTree("tree1", tree("tree1", "A"));
    d1.appendOutcomeTreeId("tree2");
    d1.appendOutcomeTreeId("tree1");
    store.diseaseTemplates().add("d1", d1);
    fn::DiseaseTemplate other;
    other.setId(cjk);
    other.addOutcomeTree("τ", tree("τ", "Γ"));
    other.appendOutcomeTreeId("τ");
    store.diseaseTemplates().add(cjk, other);

    store.setRunFactor("Generic", "d1", "coverage", numbered("coverage", 1));
    store.setRunFactor("Generic", "d1", "underestimation", numbered("underestimation", 2));
    store.setRunFactor("Austria", cjk, "underreporting", numbered("underreporting", 3));

    store.setUnderestimationTypes("Generic", "d1", {{"type", "2"}, {"note", "from the sheet"}});
    store.setUnderestimationTypes("Austria", cjk, {{"type", "x"}});

    store.addCountryDisease("Austria", "d1");
    store.addCountryDisease("Generic", "d1");
    store.addCountryDisease("Austria", cjk);
    store.addCountryDisease("Austria", "d1");
    store.addCountryDisease(greek, "d1");
    store.addCountryDisease("Austria", "d2");

    store.appendDiseaseId("d1");
    store.appendDiseaseId(cjk);
    store.appendDiseaseId("d1");
    store.setRegion("Region", true);
    store.setRegion(greek, true);
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

bool isEmptyStore(const fn::InputDataMgr& store)
{
    bool paramsEmpty = true;
    for (int kind = 0; kind < fn::ParamsMgr::KindCount; ++kind)
        paramsEmpty = paramsEmpty && store.params().params(kind).isEmpty();
    for (int kind = 0; kind < fn::TransitionParamsMgr::KindCount; ++kind)
        paramsEmpty = paramsEmpty && store.transitionParams().params(kind).isEmpty();
    return paramsEmpty && store.inputFactors().factorMap().empty() && store.countryCaptions().isEmpty()
        && store.lifeExpectancies().isEmpty() && store.ageDistributions().isEmpty()
        && store.outcomeTreeMappings().isEmpty() && store.notificationDataMap().isEmpty()
        && store.diseaseTemplates().templates().isEmpty() && store.runFactors().isEmpty()
        && store.underestimationTypes().isEmpty() && store.countryDiseases().isEmpty() && store.diseaseIds().isEmpty()
        && store.regions().isEmpty();
}

} // namespace

TEST(InputDataMgrCache, SaveAndLoadKeepEveryField)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    fn::InputDataMgr original;
    original.setPath(dir.path());
    EXPECT_TRUE(isEmptyStore(original));
    fill(original);
    ASSERT_TRUE(original.saveCache());
    EXPECT_EQ(original.cacheFilePath(), dir.path() + "/referenceData.dat");

    fn::InputDataMgr loaded;
    loaded.setPath(dir.path());
    EXPECT_EQ(referencetest::dump(loaded), referencetest::dump(original));

    // Details the comparison above could miss.
    EXPECT_TRUE(loaded.countryCaptions().value("Nullland").isNull());
    EXPECT_FALSE(loaded.countryCaptions().value("Emptyland").isNull());
    // A loaded array is usable on its own factors.
    fn::DataArray life = loaded.lifeExpectancy("Austria");
    life.initializeParser();
    life.evaluate();
    EXPECT_EQ(life.values()[5], 85.0);

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
    EXPECT_EQ(referencetest::dump(loaded), referencetest::dump(original));
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
    EXPECT_EQ(damaged.inputFactors().factorMap(), original.inputFactors().factorMap());
    EXPECT_EQ(damaged.countryCaptions(), original.countryCaptions());
    ASSERT_EQ(damaged.lifeExpectancies().keys(), original.lifeExpectancies().keys());
    for (const QString& country : original.lifeExpectancies().keys())
        EXPECT_EQ(referencetest::dump(damaged.lifeExpectancies().value(country)),
                  referencetest::dump(original.lifeExpectancies().value(country)));
    EXPECT_TRUE(damaged.runFactors().isEmpty());
    EXPECT_TRUE(damaged.underestimationTypes().isEmpty());
    EXPECT_TRUE(damaged.countryDiseases().isEmpty());
    EXPECT_TRUE(damaged.diseaseIds().isEmpty());

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
        EXPECT_TRUE(isEmptyStore(store));
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
    const QString greek = QStringLiteral("Ελλάδα");

    // A country with entries of its own never falls back; one without any uses "Generic".
    EXPECT_TRUE(store.hasDisease("Austria", "d1"));
    EXPECT_TRUE(store.hasDisease("France", "d1"));
    EXPECT_FALSE(store.hasDisease("France", QStringLiteral("疾病")));
    EXPECT_FALSE(store.hasDisease(greek, QStringLiteral("疾病")));
    EXPECT_TRUE(store.hasDiseaseTemplate("d1"));
    EXPECT_FALSE(store.hasDiseaseTemplate("d2"));

    // A caption needs both population tables.
    EXPECT_EQ(store.countryCaption("Austria"), QStringLiteral("Österreich"));
    EXPECT_TRUE(store.countryCaption("Nullland").isEmpty());
    store.setLifeExpectancy("Onlylife", numbered("Life expectancy", 1));
    store.setCountryCaption("Onlylife", "Only life");
    EXPECT_TRUE(store.countryCaption("Onlylife").isEmpty());
    store.setAgeDistribution("Onlylife", numbered("Age distribution", 1));
    EXPECT_EQ(store.countryCaption("Onlylife"), QStringLiteral("Only life"));

    EXPECT_EQ(store.underestimationType("France", "d1"), 2);
    EXPECT_EQ(store.underestimationType("Austria", "d1"), 0);
    EXPECT_EQ(store.underestimationType("Austria", QStringLiteral("疾病")), 0);
    store.setUnderestimationTypes("Generic", "d3", {{"other", "1"}});
    EXPECT_EQ(store.underestimationType("France", "d3"), 0);

    EXPECT_EQ(store.runFactor("France", "d1", "coverage").formulas().value(0), QStringLiteral("1"));
    EXPECT_TRUE(store.runFactor("Austria", "d1", "coverage").formulas().isEmpty());
    EXPECT_TRUE(store.runFactor("France", "d1", "underreporting").formulas().isEmpty());
    EXPECT_EQ(store.notificationData("France", "d1").formulas().value(0), QStringLiteral("10"));
    EXPECT_EQ(store.notificationData(greek, "d1").formulas().value(0), QStringLiteral("30"));
    EXPECT_TRUE(store.notificationData(greek, "d9").formulas().isEmpty());
    EXPECT_EQ(store.outcomeTreeMapping("France", "d1").formulas().value(3), QStringLiteral("2"));
    EXPECT_TRUE(store.outcomeTreeMapping("Austria", "d1").formulas().isEmpty());

    // The population tables insert an empty array for an unknown country.
    EXPECT_FALSE(store.hasLifeExpectancy("Nowhere"));
    EXPECT_TRUE(store.lifeExpectancy("Nowhere").formulas().isEmpty());
    EXPECT_TRUE(store.hasLifeExpectancy("Nowhere"));
    EXPECT_TRUE(store.ageDistribution("Nowhere").formulas().isEmpty());
    EXPECT_TRUE(store.hasAgeDistribution("Nowhere"));

    EXPECT_EQ(store.diseaseIds(), QStringList({"d1", QStringLiteral("疾病"), "d1"}));
}

TEST(InputDataMgr, ImportNeedsAllWorkbooks)
{
    QTemporaryDir dir;
    const QString referenceDir = dir.path() + "/referenceData";
    ASSERT_TRUE(QDir().mkpath(referenceDir));
    writeAll(referenceDir + "/diseaseData.xls", "x");
    writeAll(referenceDir + "/countryData.xls", "x");
    writeAll(referenceDir + "/notmodelData-Austria.xls", "x");

    fn::InputDataMgr store;
    QStringList events;
    QObject::connect(&store, &fn::InputDataMgr::showMessage,
                     [&events](const QString& title, const QString& text, const QString& type) {
                         events << title + "|" + text + "|" + type;
                     });
    QObject::connect(&store, &fn::InputDataMgr::excelSheetImporting,
                     [&events](fn::FileOperationType operation, const QString& dataType, const QString& text1,
                               const QString& text2) {
                         events << QString::number(operation) + "|" + dataType + "|" + text1 + "|" + text2;
                     });
    store.setPath(dir.path());
    EXPECT_TRUE(store.modelDataFiles().isEmpty());
    fill(store);

    store.importFromWorkbooks();
    EXPECT_EQ(events, QStringList({"Reference data|Reference data Excel files could not be found|error"}));
    EXPECT_EQ(store.diseaseIds().size(), 3);
    EXPECT_FALSE(QFile::exists(store.cacheFilePath()));

    // With every workbook present the imported data are cleared, captions and tree
    // mappings are kept, and the cache is rewritten between the two status reports.
    writeAll(referenceDir + "/modelData-Austria.xls", "x");
    writeAll(referenceDir + "/modelData-Generic.xls", "x");
    fn::InputDataMgr withFiles;
    withFiles.setPath(dir.path());
    ASSERT_EQ(withFiles.modelDataFiles().size(), 2);
    EXPECT_EQ(withFiles.modelDataFiles().at(0).fileName(), QStringLiteral("modelData-Austria.xls"));
    EXPECT_EQ(withFiles.diseaseDataFile().fileName(), QStringLiteral("diseaseData.xls"));
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
    EXPECT_EQ(errors, QVector<QString>(4, QStringLiteral("Error|An error occured")).toList());
    EXPECT_TRUE(cacheWrittenBeforeFinish);
    EXPECT_TRUE(withFiles.diseaseIds().isEmpty());
    EXPECT_TRUE(withFiles.countryDiseases().isEmpty());
    EXPECT_TRUE(withFiles.lifeExpectancies().isEmpty());
    EXPECT_TRUE(withFiles.params().params(fn::ParamsMgr::Severity).isEmpty());
    EXPECT_TRUE(withFiles.transitionParams().params(fn::TransitionParamsMgr::Probability).isEmpty());
    EXPECT_TRUE(withFiles.diseaseTemplates().templates().isEmpty());
    EXPECT_TRUE(withFiles.inputFactors().factorMap().empty());
    EXPECT_TRUE(withFiles.runFactors().isEmpty());
    EXPECT_TRUE(withFiles.underestimationTypes().isEmpty());
    EXPECT_TRUE(withFiles.notificationDataMap().isEmpty());
    EXPECT_EQ(withFiles.countryCaptions().size(), 4);
    EXPECT_EQ(withFiles.outcomeTreeMappings().size(), 2);

    fn::InputDataMgr reloaded;
    reloaded.setPath(dir.path());
    EXPECT_EQ(referencetest::dump(reloaded), referencetest::dump(withFiles));
}
