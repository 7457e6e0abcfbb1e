#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include "app/ProgramRun.h"
#include "ui/PageMessageEcho.h"
#include "ui/StoreFixtures.h"
#include "ui/workbook/ModelWorkbook.h"
#include "ut/Diagnostics.h"
#include "ut/workbook/Excel.h"

namespace {

using uitest::country;
using uitest::disease;

class ModelWorkbookTest : public uitest::StoreTest
{
protected:
    static void createModels(ui::Chief& on, int count) { create(on, {country}, disease, count); }

    static QStringList sheetNames(const QString& path)
    {
        ut::Excel excel(path);
        QStringList names;
        for (int i = 1; i <= excel.sheetCount(); ++i) {
            excel.selectSheet(i);
            names << excel.sheetName();
        }
        return names;
    }
};

} // namespace

TEST_F(ModelWorkbookTest, ExportReusesAddsAndDeletesSheets)
{
    for (int count : {1, 3, 5}) {
        auto chief = freshChief();
        createModels(*chief, count);
        const QString path = base.filePath(QStringLiteral("models-%1.xls").arg(count));
        QSignalSpy messages(chief.get(), &ui::Chief::showMessage);
        QSignalSpy notices(chief.get(), &ui::Chief::notice);
        chief->saveModelsToExcel(QFileInfo(path));
        QStringList expected;
        for (int i = 1; i <= count; ++i)
            expected << QStringLiteral("model %1").arg(i);
        EXPECT_EQ(sheetNames(path), expected) << count;
        EXPECT_EQ(messages.last().at(1).toString(), "Models export finished");
        EXPECT_TRUE(notices.isEmpty());
    }

    // Every ".xls" of the name goes, a folder's too: a notice says where the models are saved.
    auto chief = freshChief();
    createModels(*chief, 1);
    ASSERT_TRUE(QDir(base.path()).mkpath("old.d"));
    QSignalSpy notices(chief.get(), &ui::Chief::notice);
    chief->saveModelsToExcel(QFileInfo(base.filePath("old.xls.d/models.xls")));
    ASSERT_EQ(notices.size(), 1);
    const QString savedAs = QDir::toNativeSeparators(base.filePath("old.d/models.xls"));
    EXPECT_TRUE(notices.first().at(1).toString().endsWith(QStringLiteral("saved as %1.").arg(savedAs)))
        << notices.first().at(1).toString().toStdString();
    EXPECT_EQ(sheetNames(savedAs), QStringList{"model 1"});

    auto empty = freshChief();
    QSignalSpy messages(empty.get(), &ui::Chief::showMessage);
    empty->saveModelsToExcel(QFileInfo(base.filePath("none.xls")));
    EXPECT_EQ(messages.takeFirst().at(1).toString(),
              "There are no models to export.\nCreate models first and then repeat this action.");
    EXPECT_FALSE(QFile::exists(base.filePath("none.xls")));
}

TEST_F(ModelWorkbookTest, ImportAfterAFreshStartGivesTheSameModelsUnderUniqueIds)
{
    const QString path = base.filePath("saved.xls");
    {
        createModels(*chief, 2);
        fn::DiseaseModel* model = chief->getModel(country, disease, "model 2");
        fn::DataArray& cases = model->getParameter(fn::DiseaseModel::NotifiedCases);
        cases.setFormulas({"RandPert(90, 100, 120)", "50", "200", "80"});
        cases.setMetaValue("description", "Reported in Testland");
        model->setUnderestimationType(1);
        fn::TransitionProbability& transition = model->getOutcomeTree(0).getTransitionProbability(1);
        fn::DataArray probability = transition.probabilityParameter();
        probability.setMetaValue("direct type", "no");
        probability.setFormulas({"0", "0", "RandUniform(0.1, 0.3)", "0.25"});
        transition.setProbabilityParameter(probability);
        model->distributeToTrees();
        chief->saveModelsToExcel(QFileInfo(path));
    }

    chief = freshChief();
    chief->makeModelId("model 1");
    QSignalSpy created(chief.get(), &ui::Chief::modelsCreated);
    chief->loadModelsFromExcel(QFileInfo(path));
    ASSERT_EQ(created.count(), 1);
    const QVariantList models = created[0].at(0).toList();
    ASSERT_EQ(models.size(), 2);
    EXPECT_EQ(models[0].toMap().value("modelID").toString(), "model 1_2");
    EXPECT_EQ(models[1].toMap().value("modelID").toString(), "model 2");

    fn::DiseaseModel* model = chief->getModel(country, disease, "model 2");
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->getUnderestimationType(), 1u);
    const fn::DataArray& cases = model->getParameter(fn::DiseaseModel::NotifiedCases);
    EXPECT_EQ(cases.formulas().value(0), "RandPert(90, 100, 120)");
    EXPECT_EQ(cases.metaValue("description"), "Reported in Testland");
    const fn::TransitionProbability& transition = model->getOutcomeTree(0).getTransitionProbability(1);
    EXPECT_FALSE(transition.isDirect());
    EXPECT_EQ(transition.probabilityParameter().formulas().value(2), "RandUniform(0.1, 0.3)");
    // A specification without an annual duration leaves the entry empty, and it stays so.
    EXPECT_EQ(transition.probabilityParameter().metaValue("duration"), QString());
    EXPECT_EQ(transition.probabilityParameter().metaValue("redistribute"), "no");
    const fn::HealthState& state = model->getOutcomeTree(0).getHealthState(0);
    EXPECT_EQ(state.severity().formulas().value(1), "0.2");
    EXPECT_EQ(state.duration().formulas().value(3), "0.5");
    EXPECT_EQ(model->getOutcomeTree(0).infection()->notifiedCases().formulas().value(0), "RandPert(90, 100, 120)");

    // Elements of the same name in two trees both read the first tree's blocks.
    EXPECT_FALSE(model->getOutcomeTree(1).getTransitionProbability(1).isDirect());

    chief->setNumSamples(10);
    chief->runModels(false);
    EXPECT_TRUE(model->isComputed());

    // Generated ids skip loaded ones; loading the same models again never replaces one.
    chief = freshChief();
    chief->loadModelsFromExcel(QFileInfo(path));
    ASSERT_EQ(chief->models().size(), 2u);

    QSignalSpy messages(chief.get(), &ui::Chief::showMessage);
    createOneModel();
    ASSERT_EQ(chief->models().size(), 3u);
    EXPECT_EQ(chief->models().back()->modelId(), "model 3");
    EXPECT_EQ(messages.last().at(1).toString(), "1 new model(s) created.<br />Total number of models defined: 3.");

    chief->loadModelsFromExcel(QFileInfo(path));
    chief->loadModelsFromExcel(QFileInfo(path));
    QStringList ids;
    for (const auto& each : chief->models()) {
        ids << each->modelId();
        EXPECT_EQ(chief->getModel(each->countryId(), each->diseaseId(), each->modelId()), each.get());
    }
    EXPECT_EQ(ids,
              (QStringList{"model 1", "model 2", "model 3", "model 1_2", "model 2_2", "model 1_2_2", "model 2_2_2"}));
}

// A missing file and a damaged workbook import nothing; the user learns which file and why.
TEST_F(ModelWorkbookTest, UnreadableFilesAreReported)
{
    const QString damaged = base.filePath("saved.xls");
    createModels(*chief, 2);
    chief->saveModelsToExcel(QFileInfo(damaged));
    ASSERT_TRUE(writeFile(damaged, contents(damaged).chopped(1000)));

    chief = freshChief();
    QSignalSpy messages(chief.get(), &ui::Chief::showMessage);
    QSignalSpy created(chief.get(), &ui::Chief::modelsCreated);
    chief->loadModelsFromExcel(QFileInfo(base.filePath("missing.xls")));
    ASSERT_EQ(messages.count(), 1);
    EXPECT_EQ(messages[0].at(1).toString(), "Invalid input file");

    QStringList explained;
    const ut::ScopedDiagnosticsSink sink([&](const QString& text) { explained << text; });
    // The command line repeats the page's messages on standard error.
    const ui::PageMessageEcho echo(*chief);
    messages.clear();
    chief->loadModelsFromExcel(QFileInfo(damaged));
    ASSERT_EQ(messages.count(), 2);
    EXPECT_EQ(messages[0].at(0).toString() + '|' + messages[0].at(2).toString(), "Model import|error");
    EXPECT_TRUE(messages[0].at(1).toString().contains("saved.xls")) << messages[0].at(1).toString().toStdString();
    EXPECT_TRUE(messages[0].at(1).toString().contains("damaged"));
    EXPECT_EQ(messages[1].at(1).toString(), "No valid models found in the input file");
    ASSERT_EQ(explained.size(), 2);
    EXPECT_TRUE(explained[0].startsWith("Model import: The workbook \"" + damaged + '"')) << explained[0].toStdString();
    EXPECT_EQ(explained[1], "Model import: No valid models found in the input file");
    EXPECT_TRUE(created.isEmpty());
    EXPECT_TRUE(chief->models().empty());
}

// A failed save leaves the earlier file as it was. A longer text than a cell's 32 767 characters
// stops the save before anything is written.
TEST_F(ModelWorkbookTest, FailedSavesKeepTheEarlierFileAndLongFormulasAreSavedWholeOrNotAtAll)
{
    // The new content is first written beside the target under a longer name; a target name at
    // the file system's length limit makes that step fail even for a privileged user.
    const QString path = base.filePath(QString(250, 'm') + ".xls");
    ASSERT_TRUE(writeFile(path, "earlier content"));
    createModels(*chief, 2);
    {
        QStringList explained;
        const ut::ScopedDiagnosticsSink sink([&](const QString& text) { explained << text; });
        const ui::PageMessageEcho echo(*chief);
        QSignalSpy messages(chief.get(), &ui::Chief::showMessage);
        chief->saveModelsToExcel(QFileInfo(path));
        ASSERT_EQ(messages.count(), 2);
        EXPECT_EQ(messages[0].at(1).toString(), "Models export finished");
        EXPECT_EQ(messages[1].at(0).toString() + '|' + messages[1].at(2).toString(), "Export models|error");
        EXPECT_TRUE(messages[1].at(1).toString().contains("not saved"));
        ASSERT_EQ(explained.size(), 2);
        EXPECT_EQ(explained[0], "Models export finished");
        EXPECT_TRUE(explained[1].startsWith("Export models: Cannot write \"" + path + '"'))
            << explained[1].toStdString();
        EXPECT_EQ(contents(path), QByteArray("earlier content"));
    }

    QString longest = "RandPert(1, 2, 3)";
    while (longest.size() + 4 <= 32767)
        longest += " + 0";
    longest += QString(32767 - longest.size(), ' ');
    ASSERT_EQ(longest.size(), 32767);
    const QString saved = base.filePath("long.xls");
    fn::DataArray& cases = chief->getModel(country, disease, "model 2")->getParameter(fn::DiseaseModel::NotifiedCases);
    QStringList formulas = cases.formulas();
    formulas[1] = longest;
    cases.setFormulas(formulas);
    chief->saveModelsToExcel(QFileInfo(saved));

    formulas[1] = longest + '1';
    cases.setFormulas(formulas);
    QSignalSpy messages(chief.get(), &ui::Chief::showMessage);
    const ut::ScopedDiagnosticsSink sink([](const QString&) {});
    const QString refused = base.filePath("refused.xls");
    chief->saveModelsToExcel(QFileInfo(refused));
    ASSERT_FALSE(messages.isEmpty());
    const QString text = messages.last().at(1).toString();
    EXPECT_TRUE(text.contains("sheet &quot;model 2&quot;")) << text.toStdString();
    EXPECT_TRUE(text.contains("&quot;Notification data&quot;")) << text.toStdString();
    EXPECT_TRUE(text.contains("32768 characters")) << text.toStdString();
    EXPECT_FALSE(QFile::exists(refused));

    chief = freshChief();
    chief->loadModelsFromExcel(QFileInfo(saved));
    fn::DiseaseModel* model = chief->getModel(country, disease, "model 2");
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->getParameter(fn::DiseaseModel::NotifiedCases).formulas().value(1), longest.trimmed());
}
