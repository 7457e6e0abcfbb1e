#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QPointer>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "InterfaceResources.h"
#include "ui/Chief.h"
#include "ui/output/ResultsTable.h"
#include "ui/shell/GuiTestSupport.h"
#include "ui/shell/OzmidMainWnd.h"

namespace {

class ResultsTableTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { ozmidInitInterfaceResources(); }

    void SetUp() override
    {
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
        ASSERT_TRUE(base.isValid());
        previousDirectory = QDir::currentPath();
        QDir::setCurrent(base.path());
        ASSERT_TRUE(guitest::prepareBaseFolder(base.path()));
        chief = std::make_unique<ui::Chief>();
        chief->setBasePath(base.path());
        window = ui::OzmidMainWnd::create();
        window->setChief(chief.get());
    }

    void TearDown() override
    {
        delete window.data();
        chief.reset();
        QDir::setCurrent(previousDirectory);
    }

    QAction* saveTable() const { return window->findChild<QAction*>(QStringLiteral("actSaveResultsTable")); }

    QTemporaryDir base;
    QString previousDirectory;
    std::unique_ptr<ui::Chief> chief;
    QPointer<ui::OzmidMainWnd> window;
};

} // namespace

// Both shipped models run through the controller with the uncertainty analysis; the table is saved
// from the File menu as a CSV and as a workbook, and read back with pandas and openpyxl against the
// results document of the same run (read_results_table.py says what is compared).
TEST_F(ResultsTableTest, SavedFromTheMenuAndReadBackAsTheDocumentSaysIt)
{
    ASSERT_TRUE(saveTable());
    EXPECT_FALSE(saveTable()->isEnabled());
    chief->changeCountrySelection({guitest::country});
    chief->changeDiseaseSelection({guitest::bsiDisease, guitest::listeriosisDisease});
    chief->createModels();
    ASSERT_EQ(chief->models().size(), 2u);
    EXPECT_FALSE(saveTable()->isEnabled());
    chief->settings().setRandomSeed(42);
    chief->setNumSamples(300);
    chief->setUncertaintyAnalysis(true);
    chief->runModels(false);
    EXPECT_TRUE(saveTable()->isEnabled());
    ASSERT_TRUE(chief->saveDetailedResultsToJSON(QFileInfo(base.filePath(QStringLiteral("results.json")))));

    const struct
    {
        QString typed;
        QString filter;
        QString written;
    } saves[] = {
        {QStringLiteral("table.csv"), QStringLiteral("Excel workbook (*.xlsx)"), QStringLiteral("table.csv")},
        // A name without an ending takes that of the format chosen.
        {QStringLiteral("table"), QStringLiteral("Excel workbook (*.xlsx)"), QStringLiteral("table.xlsx")},
    };
    QSignalSpy messages(chief.get(), &ui::Chief::showMessage);
    for (const auto& save : saves) {
        guitest::whenModal<QFileDialog>([&save, this](QFileDialog* dialog) {
            dialog->selectNameFilter(save.filter);
            guitest::typeFileName(dialog, base.filePath(save.typed));
        });
        saveTable()->trigger();
        ASSERT_TRUE(QFileInfo::exists(base.filePath(save.written))) << save.written.toStdString();
        ASSERT_FALSE(messages.isEmpty());
        EXPECT_EQ(messages.last().at(2).toString(), QStringLiteral("success"));
        EXPECT_TRUE(messages.last().at(1).toString().contains(save.written));
    }

    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(OZMID_TEST_DATA_DIR "/ui/shell/read_results_table.py"), base.path()});
    ASSERT_TRUE(python.waitForFinished(120000));
    const QByteArray said = python.readAllStandardOutput() + python.readAllStandardError();
    ASSERT_FALSE(said.contains("No module named")) << "scripts/setup.sh installs python3-pandas and python3-openpyxl";
    EXPECT_EQ(python.exitCode(), 0) << said.toStdString();
    EXPECT_TRUE(said.contains(" rows, 0 problems")) << said.toStdString();

    // A table that cannot be written says which file and why, and leaves no file behind.
    for (const QString& name :
         {QStringLiteral("missing/table.csv"), QStringLiteral("missing/table.xlsx"), QStringLiteral("table.txt")}) {
        QString error;
        EXPECT_FALSE(ui::ResultsTable::save(base.filePath(name), chief->models(), {}, &error));
        EXPECT_TRUE(error.contains(QDir::toNativeSeparators(base.filePath(name)))) << error.toStdString();
        EXPECT_FALSE(QFileInfo::exists(base.filePath(name)));
    }

    chief->deleteModels();
    EXPECT_FALSE(saveTable()->isEnabled());
}
