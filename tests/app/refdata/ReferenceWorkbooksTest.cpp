#include <functional>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <gtest/gtest.h>

#include "fn/data/InputDataMgr.h"
#include "app/refdata/RefDataCommand.h"
#include "ut/workbook/Excel.h"

namespace {

int refdataRun(const QStringList& arguments, QString* errors = nullptr, QString* output = nullptr)
{
    QString outText, errText;
    QTextStream out(&outText), err(&errText);
    const int code = refdata::RefDataCommand(out, err).run(QStringList{QStringLiteral("ozmid-refdata")} + arguments);
    err.flush();
    out.flush();
    if (errors)
        *errors = errText;
    if (output)
        *output = outText;
    return code;
}

const QString sources = QStringLiteral(OZMID_TEST_DATA_DIR "/../data");

// The shipped sources built directly, and written as reference workbooks and imported: made
// once for the tests that compare with them.
struct Built
{
    QTemporaryDir direct, viaWorkbooks;
    QString errors;
    bool made = refdataRun({QStringLiteral("build"), sources, direct.path()}) == 0
        && refdataRun({QStringLiteral("workbooks"), sources, viaWorkbooks.filePath(QStringLiteral("referenceData"))})
            == 0
        && refdataRun({QStringLiteral("import-workbooks"), viaWorkbooks.path()}, &errors) == 0;
};

const Built& built()
{
    static const Built once;
    return once;
}

QStringList formulasOf(const QMap<QString, fn::DataArray>& arrays)
{
    QStringList all;
    for (auto it = arrays.cbegin(); it != arrays.cend(); ++it)
        all << it.key() + QLatin1Char('=') + it.value().formulas().join(QLatin1Char(';'));
    return all;
}

} // namespace

// The shipped sources written as reference workbooks and imported headless give the same
// reference data as the cache built from the sources directly. The one difference is the
// "Generic" population: the workbooks have no country sheet for "Generic".
TEST(ReferenceWorkbooks, ImportOfTheGeneratedWorkbooksEqualsTheDirectBuild)
{
    ASSERT_TRUE(built().made) << built().errors.toStdString();
    fn::InputDataMgr expected, imported;
    expected.setPath(built().direct.path());
    imported.setPath(built().viaWorkbooks.path());
    ASSERT_FALSE(imported.diseaseIds().isEmpty());

    EXPECT_EQ(imported.diseaseIds(), expected.diseaseIds());
    EXPECT_TRUE(imported.diseaseTemplates().templates() == expected.diseaseTemplates().templates());
    EXPECT_EQ(imported.countryDiseases(), expected.countryDiseases());
    EXPECT_EQ(imported.underestimationTypes(), expected.underestimationTypes());
    for (const QString& disease : expected.diseaseIds()) {
        const fn::InputFactorPtrs a = imported.inputFactors().getInputFactors(disease);
        const fn::InputFactorPtrs b = expected.inputFactors().getInputFactors(disease);
        ASSERT_EQ(a.size(), b.size());
        for (int i = 0; i < a.size(); ++i)
            EXPECT_TRUE(*a[i] == *b[i]);
    }

    auto expectedLife = expected.lifeExpectancies();
    auto expectedAges = expected.ageDistributions();
    expectedLife.remove(QStringLiteral("Generic"));
    expectedAges.remove(QStringLiteral("Generic"));
    EXPECT_EQ(formulasOf(imported.lifeExpectancies()), formulasOf(expectedLife));
    EXPECT_EQ(formulasOf(imported.ageDistributions()), formulasOf(expectedAges));
    // The workbooks carry no region marks: a total over "all" countries must still leave the
    // regions out, so the imported store knows them too.
    for (const QString& country : expected.lifeExpectancies().keys())
        EXPECT_EQ(imported.isRegion(country), expected.isRegion(country)) << country.toStdString();

    for (const QString& country : expected.countryDiseases().uniqueKeys()) {
        for (const QString& disease : expected.diseaseIds()) {
            EXPECT_EQ(imported.notificationData(country, disease).formulas(),
                      expected.notificationData(country, disease).formulas());
            EXPECT_EQ(imported.outcomeTreeMapping(country, disease).formulas(),
                      expected.outcomeTreeMapping(country, disease).formulas());
            for (const char* label : {"coverage", "underestimation", "underreporting", "underascertainment"}) {
                const fn::DataArray a = imported.runFactor(country, disease, QLatin1String(label));
                const fn::DataArray b = expected.runFactor(country, disease, QLatin1String(label));
                EXPECT_EQ(a.formulas(), b.formulas()) << label;
                EXPECT_EQ(a.meta(), b.meta()) << label;
            }
            const fn::DiseaseTemplate diseaseTemplate = expected.diseaseTemplates().templates().value(disease);
            const fn::InputFactorPtrs factors = expected.inputFactors().getInputFactors(disease);
            for (const QString& tree : diseaseTemplate.outcomeTreeIds()) {
                const fn::OutcomeTreeTemplate rows = diseaseTemplate.outcomeTree(tree);
                for (const QString& state : rows.healthStates().keys()) {
                    for (int kind : {0, 1, 3}) {
                        const fn::DataArray a = imported.params().get(country, disease, tree, state, kind, factors);
                        const fn::DataArray b = expected.params().get(country, disease, tree, state, kind, factors);
                        EXPECT_EQ(a.formulas(), b.formulas()) << state.toStdString() << kind;
                        EXPECT_EQ(a.meta(), b.meta()) << state.toStdString() << kind;
                    }
                }
                for (const QString& transition : rows.transitions().keys()) {
                    for (int kind : {0, 1}) {
                        const fn::DataArray a = imported.transitionParams().get(country, disease, tree, transition,
                                                                                kind, factors);
                        const fn::DataArray b = expected.transitionParams().get(country, disease, tree, transition,
                                                                                kind, factors);
                        EXPECT_EQ(a.formulas(), b.formulas()) << transition.toStdString() << kind;
                        EXPECT_EQ(a.meta(), b.meta()) << transition.toStdString() << kind;
                    }
                }
            }
        }
    }

    // A folder without workbooks is refused with the store's own message.
    QString errors;
    QTemporaryDir empty;
    EXPECT_EQ(refdataRun({QStringLiteral("import-workbooks"), empty.path()}, &errors), 1);
    EXPECT_TRUE(errors.contains(QStringLiteral("Reference data Excel files could not be found")));
}

namespace {

const QString fixtureFolder = QStringLiteral(OZMID_TEST_DATA_DIR "/app/refdata/fixtures/reference-workbooks/");

// A base folder whose referenceData folder holds the files of one fixture variant.
bool stageReferenceFolder(const QTemporaryDir& base, const QString& variant)
{
    QDir folder(base.path());
    if (!folder.mkpath(QStringLiteral("referenceData")))
        return false;
    for (const QFileInfo& file : QDir(fixtureFolder + variant).entryInfoList(QDir::Files)) {
        if (!QFile::copy(file.filePath(), base.filePath(QStringLiteral("referenceData/") + file.fileName())))
            return false;
    }
    return true;
}

QByteArray fileContent(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// The reference workbooks as LibreOffice saves them again, as .xls, .xlsx and .ods, and with
// their notification data and life expectancies made formulas, give the very cache that the
// workbooks written by the program give. A workbook that cannot be read makes the import fail
// with its reason and leaves the cache of the last good import as it was; so does a cache that
// cannot be written.
TEST(ReferenceWorkbooks, LibreOfficeCopiesGiveTheSameCacheAndFailedImportsKeepIt)
{
    const QTemporaryDir written;
    ASSERT_TRUE(stageReferenceFolder(written, QStringLiteral("written")));
    QString errors;
    ASSERT_EQ(refdataRun({QStringLiteral("import-workbooks"), written.path()}, &errors), 0) << errors.toStdString();
    const QString cache = written.filePath(QStringLiteral("referenceData.dat"));
    const QByteArray expected = fileContent(cache);
    ASSERT_GT(expected.size(), 1000);

    for (const char* variant : {"libreoffice-xls", "libreoffice-xlsx", "libreoffice-ods", "libreoffice-formulas-xls",
                                "libreoffice-formulas-xlsx"}) {
        const QTemporaryDir base;
        ASSERT_TRUE(stageReferenceFolder(base, QLatin1String(variant)));
        EXPECT_EQ(refdataRun({QStringLiteral("import-workbooks"), base.path()}, &errors), 0)
            << variant << ": " << errors.toStdString();
        EXPECT_TRUE(fileContent(base.filePath(QStringLiteral("referenceData.dat"))) == expected) << variant;
    }

    QFile damaged(written.filePath(QStringLiteral("referenceData/countryData.xls")));
    ASSERT_TRUE(damaged.open(QIODevice::ReadWrite));
    ASSERT_TRUE(damaged.resize(damaged.size() - 2048));
    damaged.close();
    EXPECT_EQ(refdataRun({QStringLiteral("import-workbooks"), written.path()}, &errors), 1);
    EXPECT_TRUE(errors.contains(QStringLiteral("countryData.xls\" cannot be read"))) << errors.toStdString();
    EXPECT_TRUE(errors.contains(QStringLiteral("was left unchanged"))) << errors.toStdString();
    EXPECT_TRUE(fileContent(cache) == expected);

    // A folder in the cache's place cannot be replaced by a file.
    const QTemporaryDir blocked;
    ASSERT_TRUE(stageReferenceFolder(blocked, QStringLiteral("written")));
    ASSERT_TRUE(QDir(blocked.path()).mkdir(QStringLiteral("referenceData.dat")));
    QString output;
    EXPECT_EQ(refdataRun({QStringLiteral("import-workbooks"), blocked.path()}, &errors, &output), 1);
    EXPECT_TRUE(
        errors.contains(QStringLiteral("Cannot write \"") + blocked.filePath(QStringLiteral("referenceData.dat"))))
        << errors.toStdString();
    EXPECT_TRUE(errors.contains(QStringLiteral("was left unchanged"))) << errors.toStdString();
    EXPECT_FALSE(output.contains(QStringLiteral("Wrote"))) << output.toStdString();
}

namespace {

// Moves the rows from row down by one, leaving row empty, as inserting a row in a spreadsheet does.
void insertEmptyRow(ut::Excel& excel, int row)
{
    // Wider than any block of the layout, and a longer run of empty rows than it ever has.
    constexpr int columns = 32;
    constexpr int emptyRun = 50;
    int last = row;
    for (int r = row; r <= last + emptyRun; ++r) {
        for (int c = 1; c <= columns; ++c) {
            if (excel.cellValue(r, c).isValid())
                last = r;
        }
    }
    for (int r = last; r >= row; --r) {
        for (int c = 1; c <= columns; ++c)
            excel.setCellValue(r + 1, c, excel.cellValue(r, c));
    }
    for (int c = 1; c <= columns; ++c)
        excel.setCellValue(row, c, QVariant());
}

// The row of the first cell of column A below label's row that reads text.
int rowBelow(const ut::Excel& excel, const QString& label, const QString& text)
{
    int row = excel.rowOf(excel.find(label, QStringLiteral("A"), false));
    while (row > 0 && row < 10000 && excel.cellText(row, 1) != text)
        ++row;
    return row;
}

} // namespace

// Workbooks written by the program and edited as users edit them: an empty row left inside a
// table is read past, a reworded table label refuses the workbook and keeps the earlier cache,
// and a reworded element id is imported with a warning that names it.
TEST(ReferenceWorkbooks, EditedWorkbooksAreReadAsTheUserSeesThemOrRefused)
{
    // The cache every import starts from, which a refused one must leave as it is: the direct
    // build, which differs from an import of the workbooks (these have no "Generic" population).
    ASSERT_TRUE(built().made) << built().errors.toStdString();
    const QString earlierCache = built().direct.filePath(QStringLiteral("referenceData.dat"));
    const QByteArray earlier = fileContent(earlierCache);
    // The cache of the untouched workbooks, imported over the earlier one: the first row's.
    QByteArray expected;
    QString errors;

    const struct
    {
        const char* name;
        const char* workbook;
        std::function<void(ut::Excel&)> edit; // none: the workbooks untouched
        int exitCode;
        QStringList said; // empty: nothing on standard error
        bool sameCache; // as the untouched workbooks'; a refused import keeps the earlier one
    } rows[] = {
        {"untouched", "", nullptr, 0, {}, true},
        {"empty row in a model data table",
         "modelData-Generic.xls",
         [](ut::Excel& excel) { insertEmptyRow(excel, rowBelow(excel, "Notification data", "0-4") + 1); },
         0,
         {},
         true},
        {"empty row in a country table",
         "countryData.xls",
         [](ut::Excel& excel) { insertEmptyRow(excel, rowBelow(excel, "Life expectancy", "0-4") + 1); },
         0,
         {},
         true},
        {"reworded table label",
         "modelData-Generic.xls",
         [](ut::Excel& excel) {
             excel.setCellValue(rowBelow(excel, "underreporting", "underreporting"), 1, "Under-reporting");
         },
         1,
         {"modelData-Generic.xls", "sheet \"BaselineBSI\"", "\"underreporting\"", "was left unchanged"},
         false},
        {"reworded health state id",
         "modelData-Generic.xls",
         [](ut::Excel& excel) {
             excel.setCellValue(rowBelow(excel, "acuteIllness", "acuteIllness"), 1, "acute illness");
         },
         0,
         {"warning: ", "modelData-Generic.xls", "\"BaselineBSI\"", "health state \"acuteIllness\""},
         false},
        {"a sheet of notes among the diseases",
         "diseaseData.xls",
         [](ut::Excel& excel) {
             excel.addSheet(QStringLiteral("Notes"));
             excel.setCellValue(1, 1, QStringLiteral("Checked by hand"));
         },
         0,
         {"warning: ", "diseaseData.xls", "\"Notes\"", "left out"},
         true},
    };
    for (const auto& row : rows) {
        const QTemporaryDir base;
        const QString folder = base.filePath(QStringLiteral("referenceData"));
        ASSERT_TRUE(QDir().mkpath(folder));
        for (const QFileInfo& file :
             QDir(built().viaWorkbooks.filePath(QStringLiteral("referenceData"))).entryInfoList(QDir::Files))
            ASSERT_TRUE(QFile::copy(file.filePath(), folder + QLatin1Char('/') + file.fileName()));
        const QString cache = base.filePath(QStringLiteral("referenceData.dat"));
        ASSERT_TRUE(QFile::copy(earlierCache, cache));
        if (row.edit) {
            const QString path = folder + QLatin1Char('/') + QLatin1String(row.workbook);
            ut::Excel excel(path);
            ASSERT_TRUE(excel.isOpen()) << row.name;
            excel.selectSheet(1);
            row.edit(excel);
            excel.saveAs(path);
            ASSERT_TRUE(excel.errorString().isEmpty()) << row.name;
        }

        EXPECT_EQ(refdataRun({QStringLiteral("import-workbooks"), base.path()}, &errors), row.exitCode) << row.name;
        for (const QString& text : row.said)
            EXPECT_TRUE(errors.contains(text))
                << row.name << ": " << text.toStdString() << " in " << errors.toStdString();
        if (row.said.isEmpty()) {
            EXPECT_TRUE(errors.isEmpty()) << row.name << ": " << errors.toStdString();
        }
        const QByteArray written = fileContent(cache);
        if (!row.edit) {
            expected = written;
            ASSERT_TRUE(expected.size() > 1000 && earlier != expected);
        }
        if (row.exitCode != 0) {
            EXPECT_TRUE(written == earlier) << row.name;
        } else {
            EXPECT_EQ(written == expected, row.sameCache) << row.name;
        }
    }
}
