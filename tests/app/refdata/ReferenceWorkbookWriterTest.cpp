#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QTemporaryDir>

#include "fn/data/ReferenceStoreTestSupport.h"
#include "ut/workbook/WorkbookTestSupport.h"

using namespace referencetest;

TEST(ReferenceWorkbookWriter, WorkbooksReadInAnIndependentReader)
{
    if (!workbooktest::pythonHas("xlrd"))
        GTEST_SKIP() << "/usr/bin/python3 has no xlrd module";

    const QTemporaryDir base;
    fn::InputDataMgr source;
    fillStore(source);
    writeWorkbooks(source, base);

    // Column A of every sheet as xlrd reads it, 0-based rows.
    const auto columnA = [&](const QString& file) {
        QMap<QString, QMap<int, QString>> sheets;
        const QByteArray dump = workbooktest::runScript("xls_dump.py", {referenceFolder(base) + "/" + file});
        for (const QJsonValue& sheet : QJsonDocument::fromJson(dump)["sheets"].toArray()) {
            QMap<int, QString>& cells = sheets[sheet["name"].toString()];
            for (const QJsonValue& cell : sheet["cells"].toArray()) {
                if (cell[1].toInt() == 0)
                    cells.insert(cell[0].toInt(), cell[3].toString());
            }
        }
        return sheets;
    };

    const auto diseases = columnA("diseaseData.xls");
    ASSERT_EQ(diseases.keys(), QStringList{Disease});
    // First empty row 9 (1-based), so the first outcome sits in row 15.
    for (const auto& [row, text] :
         {std::pair{0, "Caption"}, {1, "Bloodstream infection"}, {6, "BSI"}, {7, "Sequelae"}, {14, "infection"}})
        EXPECT_EQ(diseases[Disease].value(row), text) << row;

    const auto countries = columnA("countryData.xls");
    EXPECT_EQ(countries.keys(), QStringList{Austria});
    EXPECT_EQ(countries[Austria].value(3), "Life expectancy");

    const auto model = columnA("modelData-Austria.xls");
    ASSERT_EQ(model.keys(), QStringList{Disease});
    const QMap<int, QString>& sheet = model[Disease];
    EXPECT_EQ((QStringList{sheet.value(0), sheet.value(3), sheet.value(4)}),
              (QStringList{"Run factors", "Age", "Sex"}));
    const QStringList labels = sheet.values();
    for (const char* label :
         {"Outcome tree mapping", "Notification data", "Coverage", "underestimation", "Underreporting",
          "underascertainment", "underestimation type", "acuteIllness", "toDeath", "impaired"})
        EXPECT_TRUE(labels.contains(QLatin1String(label))) << label;
    // The Generic workbook carries no factor rows: they are read from Austria's sheet first.
    EXPECT_TRUE(columnA("modelData-Generic.xls")[Disease].value(3).isEmpty());
}

TEST(ReferenceWorkbookWriter, RefusesWhatTheImportCouldNotReadBack)
{
    const QTemporaryDir base;
    const auto writeError = [&base](const fn::InputDataMgr& store) {
        fn::ReferenceWorkbookWriter writer(store);
        EXPECT_FALSE(writer.write(referenceFolder(base)));
        return writer.errorString();
    };

    fn::InputDataMgr oneFactor;
    fillStore(oneFactor);
    oneFactor.setNotificationData(Generic, Disease, fn::DataArray({Age}, "Notification data", {}, "1"));
    EXPECT_TRUE(writeError(oneFactor).contains("has 1 factors instead of two")) << writeError(oneFactor).toStdString();

    // Without meta rows the reader takes a header row for one only when it starts with sex.
    fn::InputDataMgr otherColumns;
    fillStore(otherColumns);
    otherColumns.setRunFactor(Austria, Disease, "coverage",
                              fn::DataArray({Age, fn::InputFactor("Site", {"Blood", "Lung"})}, "coverage", {}, "1"));
    EXPECT_TRUE(writeError(otherColumns).contains("column factor must be Sex"));

    fn::InputDataMgr longName;
    fillStore(longName);
    const QString tooLong = QStringLiteral("StreptococcusPneumoniaePMRSPRESP");
    longName.diseaseTemplates().add(tooLong, diseaseTemplate(tooLong, "Too long", {}));
    longName.appendDiseaseId(tooLong);
    EXPECT_TRUE(writeError(longName).startsWith("\"" + tooLong + "\" cannot be a sheet name"));
}
