#include <QAction>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include "ui/shell/MainPageFixture.h"
#include "ui/shell/AboutOzmidDlg.h"
#include "ui/output/ResultsTable.h"

using namespace guitest;

namespace {

// The main window, shown to the tests before a controller is set, when one is.
class MainWindowTest : public guitest::MainPageFixture
{
protected:
    void SetUp() override
    {
        MainPageFixture::SetUp();
        window = ui::OzmidMainWnd::create();
        ASSERT_TRUE(window);
    }
};

} // namespace

TEST_F(MainWindowTest, OneWindowShowingTheMainPageOverTheControllerAskingBeforeItQuits)
{
    EXPECT_EQ(ui::OzmidMainWnd::create(), window.data());
    useChief();
    EXPECT_EQ(chief->webGUI(), &window->webGUI());
    EXPECT_EQ(window->windowTitle(), "Ozmid");
    EXPECT_EQ(window->minimumSize(), QSize(1110, 600));
    EXPECT_EQ(window->webView()->contextMenuPolicy(), Qt::PreventContextMenu);

    // The menus with their entries' names, "-" for a separator.
    QStringList menus;
    for (const QAction* menu : window->QMainWindow::menuBar()->actions()) {
        menus << menu->text() + ":";
        for (const QAction* entry : menu->menu()->actions())
            menus << (entry->isSeparator() ? "-" : entry->objectName());
    }
    EXPECT_EQ(menus.join(' '),
              "File: actSaveModels actLoadModels actSaveResultsTable - actExit "
              "Tools: actOptions actModelCreate - actImportExcelReferenceData actImportJSONReferenceData "
              "About: actWhatsNew - actAboutOzmid actAbout3rdParty");

    // The page finds the bridge and lists the diseases the controller offers.
    window->show();
    page = window->webView()->page();
    EXPECT_TRUE(
        pageReadyAnd(QStringLiteral("!!document.querySelector('input[data-disease-id=\"%1\"]')").arg(bsiDisease)));

    const QString version = QCoreApplication::applicationVersion();
    QCoreApplication::setApplicationVersion("2.0.0");
    action("actAboutOzmid")->trigger();
    auto* about = window->findChild<ui::AboutOzmidDlg*>();
    ASSERT_TRUE(about);
    EXPECT_TRUE(about->isVisible());
    EXPECT_FALSE(about->isModal());
    page = about->view()->page();
    EXPECT_TRUE(waitJs("document.getElementById('buildVersion').textContent === '2.0.0'"));
    const QString buildDate = textOf("#buildDate");
    EXPECT_TRUE(
        QRegularExpression("^[A-Z][a-z]{2} [ \\d]\\d \\d{4}, \\d\\d:\\d\\d:\\d\\d$").match(buildDate).hasMatch())
        << qPrintable(buildDate);
    QCoreApplication::setApplicationVersion(version);

    for (const auto& [name, title] :
         {std::pair{"actWhatsNew", "What's new"}, std::pair{"actAbout3rdParty", "About 3rd party libraries"}}) {
        const int before = window->findChildren<ui::WebPageDlg*>().size();
        action(name)->trigger();
        const QList<ui::WebPageDlg*> dialogs = window->findChildren<ui::WebPageDlg*>();
        ASSERT_EQ(dialogs.size(), before + 1) << name;
        EXPECT_EQ(dialogs.last()->windowTitle(), title);
        EXPECT_TRUE(
            waitForScript(dialogs.last()->view()->page(), QStringLiteral("document.title === \"%1\"").arg(title)))
            << name;
    }

    // The model creation tool is not built: the user is told so instead of getting an empty window.
    QString text;
    answerMessageBox(QMessageBox::Ok, text);
    action("actModelCreate")->trigger();
    EXPECT_TRUE(text.contains("not part of this build")) << qPrintable(text);

    // Quitting asks for confirmation.
    ASSERT_TRUE(waitFor([this] { return window->isVisible(); }));
    const QString question = "Quit confirm: Do you want to quit the application? (No by default)";
    QString asked, fromMenu, yes;
    answerMessageBox(QMessageBox::No, asked);
    EXPECT_FALSE(window->close());
    EXPECT_EQ(asked, question);
    answerMessageBox(QMessageBox::No, fromMenu);
    action("actExit")->trigger();
    EXPECT_EQ(fromMenu, question);
    EXPECT_TRUE(window->isVisible());

    // Yes closes every other top-level window too. The test keeps its event loop alive.
    const bool quitOnLastWindow = QGuiApplication::quitOnLastWindowClosed();
    QGuiApplication::setQuitOnLastWindowClosed(false);
    QWidget other;
    other.show();
    answerMessageBox(QMessageBox::Yes, yes);
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(other.isVisible());
    QGuiApplication::setQuitOnLastWindowClosed(quitOnLastWindow);
}

// Each dialog reports a file only when one was chosen; a model workbook is any of the formats read.
TEST_F(MainWindowTest, FileDialogsReportOnlyChosenFilesAndTheResultsTableReadsBack)
{
    QSignalSpy saveFiles(window.data(), &ui::OzmidMainWnd::modelSaveFileSpecified);
    QSignalSpy loadFiles(window.data(), &ui::OzmidMainWnd::modelLoadFileSpecified);
    const QString existing = base.filePath("saved.xls");
    ASSERT_TRUE(QFile(existing).open(QIODevice::WriteOnly));
    const struct
    {
        const char* action;
        const char* title;
        QSignalSpy& files;
        QString chosen;
    } rows[] = {{"actSaveModels", "Export models", saveFiles, base.filePath("my models")},
                {"actLoadModels", "Import models", loadFiles, existing}};
    QStringList filters;
    for (const auto& row : rows) {
        QString title;
        whenModal<QFileDialog>([&](QFileDialog* dialog) {
            title = dialog->windowTitle();
            filters = dialog->nameFilters();
            dialog->reject();
        });
        action(row.action)->trigger();
        EXPECT_EQ(title, row.title);
        EXPECT_TRUE(row.files.isEmpty()) << row.action;
        whenModal<QFileDialog>([&](QFileDialog* dialog) { typeFileName(dialog, row.chosen); });
        action(row.action)->trigger();
        ASSERT_EQ(row.files.size(), 1) << row.action;
        EXPECT_EQ(row.files.first().first().value<QFileInfo>().absoluteFilePath(), row.chosen);
    }
    ASSERT_FALSE(filters.isEmpty());
    for (const char* ending : {"*.xls", "*.xlsx", "*.ods"})
        EXPECT_TRUE(filters.first().split(QRegularExpression("[ ()]")).contains(ending)) << ending;

    // The table saved from the menu reads back as the run's results document says.
    useChief();
    QAction* saveTable = action("actSaveResultsTable");
    ASSERT_TRUE(saveTable);
    EXPECT_FALSE(saveTable->isEnabled());
    chief->changeCountrySelection({country});
    chief->changeDiseaseSelection({bsiDisease, listeriosisDisease});
    chief->createModels();
    ASSERT_EQ(chief->models().size(), 2u);
    EXPECT_FALSE(saveTable->isEnabled());
    chief->settings().setRandomSeed(42);
    chief->setNumSamples(300);
    chief->setUncertaintyAnalysis(true);
    chief->runModels(false);
    EXPECT_TRUE(saveTable->isEnabled());
    ASSERT_TRUE(chief->saveDetailedResultsToJSON(QFileInfo(base.filePath("results.json"))));

    const struct
    {
        QString typed;
        QString filter;
        QString written;
    } saves[] = {
        {"table.csv", "Excel workbook (*.xlsx)", "table.csv"},
        // A name without an ending takes that of the format chosen.
        {"table", "Excel workbook (*.xlsx)", "table.xlsx"},
    };
    QSignalSpy messages(chief.get(), &ui::Chief::showMessage);
    for (const auto& save : saves) {
        whenModal<QFileDialog>([&save, this](QFileDialog* dialog) {
            dialog->selectNameFilter(save.filter);
            typeFileName(dialog, base.filePath(save.typed));
        });
        saveTable->trigger();
        ASSERT_TRUE(QFileInfo::exists(base.filePath(save.written))) << save.written.toStdString();
        ASSERT_FALSE(messages.isEmpty());
        EXPECT_EQ(messages.last().at(2).toString(), "success");
        EXPECT_TRUE(messages.last().at(1).toString().contains(save.written));
    }

    QProcess python;
    python.start("/usr/bin/python3",
                 {QStringLiteral(OZMID_TEST_DATA_DIR "/ui/shell/read_results_table.py"), base.path()});
    ASSERT_TRUE(python.waitForFinished(120000));
    const QByteArray said = python.readAllStandardOutput() + python.readAllStandardError();
    ASSERT_FALSE(said.contains("No module named")) << "scripts/setup.sh installs python3-pandas and python3-openpyxl";
    EXPECT_EQ(python.exitCode(), 0) << said.toStdString();
    EXPECT_TRUE(said.contains(" rows, 0 problems")) << said.toStdString();

    // A table that cannot be written says which file and why, and leaves no file behind.
    for (const char* name : {"missing/table.csv", "missing/table.xlsx", "table.txt"}) {
        QString error;
        EXPECT_FALSE(ui::ResultsTable::save(base.filePath(name), chief->models(), {}, &error));
        EXPECT_TRUE(error.contains(QDir::toNativeSeparators(base.filePath(name)))) << error.toStdString();
        EXPECT_FALSE(QFileInfo::exists(base.filePath(name)));
    }

    chief->deleteModels();
    EXPECT_FALSE(saveTable->isEnabled());
}
