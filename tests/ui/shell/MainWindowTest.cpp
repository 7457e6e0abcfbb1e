#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include "ui/shell/MainPageFixture.h"
#include "ui/shell/AboutOzmidDlg.h"
#include "ui/Chief.h"
#include "ui/output/ResultsTable.h"

namespace {

struct BoxSeen
{
    QString title;
    QString text;
    bool noIsDefault = false;
};

// Answers the next message box with the given button and records what it asked.
void answerMessageBox(QMessageBox::StandardButton answer, BoxSeen& seen)
{
    guitest::whenModal<QMessageBox>([answer, &seen](QMessageBox* box) {
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.noIsDefault = box->defaultButton() == box->button(QMessageBox::No);
        box->button(answer)->click();
    });
}

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

    void useChief()
    {
        chief = std::make_unique<ui::Chief>();
        chief->setBasePath(base.path());
        window->setChief(chief.get());
    }
};

QStringList entries(const QMenu* menu)
{
    QStringList names;
    for (const QAction* entry : menu->actions())
        names << (entry->isSeparator() ? QStringLiteral("-") : entry->objectName());
    return names;
}

} // namespace

TEST_F(MainWindowTest, OneWindowShowingTheMainPageOverTheController)
{
    EXPECT_EQ(ui::OzmidMainWnd::create(), window.data());
    useChief();
    EXPECT_EQ(chief->webGUI(), &window->webGUI());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Ozmid"));
    EXPECT_EQ(window->minimumSize(), QSize(1110, 600));
    EXPECT_EQ(window->webView()->contextMenuPolicy(), Qt::PreventContextMenu);

    const QList<QAction*> menus = static_cast<QMainWindow*>(window.data())->menuBar()->actions();
    ASSERT_EQ(menus.size(), 3);
    EXPECT_EQ(menus[0]->text(), QStringLiteral("File"));
    EXPECT_EQ(entries(menus[0]->menu()),
              (QStringList{"actSaveModels", "actLoadModels", "actSaveResultsTable", "-", "actExit"}));
    EXPECT_EQ(menus[1]->text(), QStringLiteral("Tools"));
    EXPECT_EQ(entries(menus[1]->menu()),
              (QStringList{"actOptions", "actModelCreate", "-", "actImportExcelReferenceData",
                           "actImportJSONReferenceData"}));
    EXPECT_EQ(menus[2]->text(), QStringLiteral("About"));
    EXPECT_EQ(entries(menus[2]->menu()), (QStringList{"actWhatsNew", "-", "actAboutOzmid", "actAbout3rdParty"}));

    // The page finds the bridge and lists the diseases the controller offers.
    window->show();
    EXPECT_TRUE(guitest::waitForScript(window->webView()->page(),
                                       QStringLiteral("!!window.ozmidPage && ozmidPage.isReady() && "
                                                      "!!document.querySelector('input[data-disease-id=\"%1\"]')")
                                           .arg(guitest::bsiDisease)));
}

TEST_F(MainWindowTest, QuitAsksForConfirmation)
{
    window->show();
    ASSERT_TRUE(guitest::waitFor([this] { return window->isVisible(); }));
    BoxSeen seen;
    answerMessageBox(QMessageBox::No, seen);
    EXPECT_FALSE(window->close());
    EXPECT_EQ(seen.title, QStringLiteral("Quit confirm"));
    EXPECT_EQ(seen.text, QStringLiteral("Do you want to quit the application?"));
    EXPECT_TRUE(seen.noIsDefault);
    EXPECT_TRUE(window->isVisible());

    BoxSeen fromMenu;
    answerMessageBox(QMessageBox::No, fromMenu);
    action("actExit")->trigger();
    EXPECT_EQ(fromMenu.title, QStringLiteral("Quit confirm"));
    EXPECT_TRUE(window->isVisible());

    // Yes closes every other top-level window too. The test keeps its event loop alive.
    const bool quitOnLastWindow = QGuiApplication::quitOnLastWindowClosed();
    QGuiApplication::setQuitOnLastWindowClosed(false);
    QWidget other;
    other.show();
    BoxSeen yes;
    answerMessageBox(QMessageBox::Yes, yes);
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(other.isVisible());
    QGuiApplication::setQuitOnLastWindowClosed(quitOnLastWindow);
}

TEST_F(MainWindowTest, WorkbookDialogsReportOnlyChosenFiles)
{
    QSignalSpy saveFiles(window.data(), &ui::OzmidMainWnd::modelSaveFileSpecified);
    QSignalSpy loadFiles(window.data(), &ui::OzmidMainWnd::modelLoadFileSpecified);
    QString title;
    guitest::whenModal<QFileDialog>([&title](QFileDialog* dialog) {
        title = dialog->windowTitle();
        dialog->reject();
    });
    action("actSaveModels")->trigger();
    EXPECT_EQ(title, QStringLiteral("Export models"));
    EXPECT_TRUE(saveFiles.isEmpty());

    const QString chosen = QDir(base.path()).filePath(QStringLiteral("my models"));
    guitest::whenModal<QFileDialog>([&chosen](QFileDialog* dialog) { guitest::typeFileName(dialog, chosen); });
    action("actSaveModels")->trigger();
    ASSERT_EQ(saveFiles.size(), 1);
    EXPECT_EQ(saveFiles.first().first().value<QFileInfo>().absoluteFilePath(), chosen);

    QStringList filters;
    guitest::whenModal<QFileDialog>([&title, &filters](QFileDialog* dialog) {
        title = dialog->windowTitle();
        filters = dialog->nameFilters();
        dialog->reject();
    });
    action("actLoadModels")->trigger();
    EXPECT_EQ(title, QStringLiteral("Import models"));
    ASSERT_FALSE(filters.isEmpty());
    for (const char* ending : {"*.xls", "*.xlsx", "*.ods"})
        EXPECT_TRUE(filters.first().split(QRegularExpression(QStringLiteral("[ ()]"))).contains(ending)) << ending;
    EXPECT_TRUE(loadFiles.isEmpty());

    const QString existing = QDir(base.path()).filePath(QStringLiteral("saved.xls"));
    QFile file(existing);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    guitest::whenModal<QFileDialog>([&existing](QFileDialog* dialog) { guitest::typeFileName(dialog, existing); });
    action("actLoadModels")->trigger();
    ASSERT_EQ(loadFiles.size(), 1);
    EXPECT_EQ(loadFiles.first().first().value<QFileInfo>().absoluteFilePath(), existing);
}

TEST_F(MainWindowTest, InformationDialogsShowTheirPages)
{
    useChief();
    const QString version = QCoreApplication::applicationVersion();
    QCoreApplication::setApplicationVersion(QStringLiteral("2.0.0"));
    window->show();
    action("actAboutOzmid")->trigger();
    auto* about = window->findChild<ui::AboutOzmidDlg*>();
    ASSERT_TRUE(about);
    EXPECT_TRUE(about->isVisible());
    EXPECT_FALSE(about->isModal());
    QWebEnginePage* page = about->view()->page();
    EXPECT_TRUE(guitest::waitForScript(
        page, QStringLiteral("document.getElementById('buildVersion').textContent === '2.0.0'")));
    const QString buildDate =
        guitest::runJavaScript(page, QStringLiteral("document.getElementById('buildDate').textContent")).toString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[A-Z][a-z]{2} [ \\d]\\d \\d{4}, \\d\\d:\\d\\d:\\d\\d$"))
                    .match(buildDate)
                    .hasMatch())
        << qPrintable(buildDate);
    QCoreApplication::setApplicationVersion(version);

    for (const char* name : {"actWhatsNew", "actAbout3rdParty"}) {
        const int before = window->findChildren<ui::WebPageDlg*>().size();
        action(name)->trigger();
        const QList<ui::WebPageDlg*> dialogs = window->findChildren<ui::WebPageDlg*>();
        ASSERT_EQ(dialogs.size(), before + 1) << name;
        ui::WebPageDlg* dialog = dialogs.last();
        const QString expectedTitle = QString::fromLatin1(name) == QLatin1String("actWhatsNew")
            ? QStringLiteral("What's new")
            : QStringLiteral("About 3rd party libraries");
        EXPECT_EQ(dialog->windowTitle(), expectedTitle);
        EXPECT_TRUE(guitest::waitForScript(dialog->view()->page(),
                                           QStringLiteral("document.title === \"%1\"").arg(expectedTitle)))
            << name;
    }

    // The model creation tool is not built: the user is told so instead of getting an empty window.
    QString text;
    guitest::whenModal<QMessageBox>([&text](QMessageBox* box) {
        text = box->text();
        box->button(QMessageBox::Ok)->click();
    });
    action("actModelCreate")->trigger();
    EXPECT_TRUE(text.contains(QStringLiteral("not part of this build"))) << qPrintable(text);
}

// Both shipped models run through the controller with the uncertainty analysis; the table is saved
// from the File menu as a CSV and as a workbook, and read back with pandas and openpyxl against the
// results document of the same run (read_results_table.py says what is compared).
TEST_F(MainWindowTest, ResultsTableSavedFromTheMenuAndReadBackAsTheDocumentSaysIt)
{
    useChief();
    QAction* saveTable = action("actSaveResultsTable");
    ASSERT_TRUE(saveTable);
    EXPECT_FALSE(saveTable->isEnabled());
    chief->changeCountrySelection({guitest::country});
    chief->changeDiseaseSelection({guitest::bsiDisease, guitest::listeriosisDisease});
    chief->createModels();
    ASSERT_EQ(chief->models().size(), 2u);
    EXPECT_FALSE(saveTable->isEnabled());
    chief->settings().setRandomSeed(42);
    chief->setNumSamples(300);
    chief->setUncertaintyAnalysis(true);
    chief->runModels(false);
    EXPECT_TRUE(saveTable->isEnabled());
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
        saveTable->trigger();
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
    EXPECT_FALSE(saveTable->isEnabled());
}
