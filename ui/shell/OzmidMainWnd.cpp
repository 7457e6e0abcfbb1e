#include "ui/shell/OzmidMainWnd.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QWebEngineView>

#include "fn/values/random/RandomFunctions.h"
#include "ui/shell/About3rdPartyDlg.h"
#include "ui/shell/AboutOzmidDlg.h"
#include "ui/Chief.h"
#include "ui/output/ResultsTable.h"
#include "ui/shell/SettingsDlg.h"
#include "ui/shell/WhatsNewDlg.h"
#include "ut/Diagnostics.h"

namespace ui {

namespace {

QPointer<OzmidMainWnd> s_mainWindow;

QString translated(const char* text)
{
    return QCoreApplication::translate("OzmidMainWnd", text);
}

const QString workbookFilter = QStringLiteral("Excel files (*.xls)");
// Models are saved as .xls, but the workbook reader takes any of the three formats.
const QString loadWorkbookFilters = QStringLiteral("Workbooks (*.xls *.xlsx *.ods);;") + workbookFilter
    + QStringLiteral(";;Excel workbooks (*.xlsx);;OpenDocument spreadsheets (*.ods)");

// The formats of the results table, each with the ending a name without one gets.
const std::pair<QString, QString> tableFormats[] = {
    {QStringLiteral("Excel workbook (*.xlsx)"), QStringLiteral(".xlsx")},
    {QStringLiteral("CSV (*.csv)"), QStringLiteral(".csv")},
    {QStringLiteral("Compressed CSV (*.csv.gz)"), QStringLiteral(".csv.gz")},
};

} // namespace

OzmidMainWnd* OzmidMainWnd::create()
{
    if (!s_mainWindow)
        s_mainWindow = new OzmidMainWnd;
    return s_mainWindow;
}

OzmidMainWnd::OzmidMainWnd()
    : QMainWindow(nullptr)
{
    setupUi(this);
    connect(actExit, &QAction::triggered, this, &QWidget::close);
    connect(actAboutOzmid, &QAction::triggered, this, &OzmidMainWnd::showAboutOzmidDialog);
    connect(actOptions, &QAction::triggered, this, &OzmidMainWnd::showOptionsDialog);
    connect(actSaveModels, &QAction::triggered, this, &OzmidMainWnd::showSaveModelsDialog);
    connect(actLoadModels, &QAction::triggered, this, &OzmidMainWnd::showLoadModelsDialog);
    connect(actSaveResultsTable, &QAction::triggered, this, &OzmidMainWnd::showSaveResultsTableDialog);
    connect(actAbout3rdParty, &QAction::triggered, this, &OzmidMainWnd::showAbout3rdPartyDialog);
    connect(actWhatsNew, &QAction::triggered, this, &OzmidMainWnd::showWhatsNewDialog);
    connect(actModelCreate, &QAction::triggered, this, &OzmidMainWnd::showModelCreateDialog);
    buildMenus();
    // The page shows a context menu of its own.
    webContent->setContextMenuPolicy(Qt::PreventContextMenu);
    m_webGUI.setPage(webContent->page());
}

OzmidMainWnd::~OzmidMainWnd()
{
    if (m_chief && m_chief->webGUI() == &m_webGUI)
        m_chief->setWebGUI(nullptr);
}

void OzmidMainWnd::buildMenus()
{
    QMenu* file = QMainWindow::menuBar()->addMenu(translated("File"));
    file->addAction(actSaveModels);
    file->addAction(actLoadModels);
    file->addAction(actSaveResultsTable);
    file->addSeparator();
    file->addAction(actExit);

    QMenu* tools = QMainWindow::menuBar()->addMenu(translated("Tools"));
    tools->addAction(actOptions);
    tools->addAction(actModelCreate);
    tools->addSeparator();
    tools->addAction(actImportExcelReferenceData);
    tools->addAction(actImportJSONReferenceData);

    QMenu* about = QMainWindow::menuBar()->addMenu(translated("About"));
    about->addAction(actWhatsNew);
    about->addSeparator();
    about->addAction(actAboutOzmid);
    about->addAction(actAbout3rdParty);
}

void OzmidMainWnd::setChief(Chief* chief)
{
    if (m_chief == chief)
        return;
    m_diagnostics.reset();
    if (m_chief) {
        disconnect(actImportExcelReferenceData, nullptr, this, nullptr);
        disconnect(actImportJSONReferenceData, nullptr, this, nullptr);
        disconnect(this, nullptr, m_chief, nullptr);
        disconnect(m_chief, nullptr, this, nullptr);
    }
    m_chief = chief;
    m_webGUI.setChief(chief);
    if (chief) {
        chief->inputDataMgr().setImportErrorReporter([](const QString& title, const QString& text) {
            QMessageBox::critical(nullptr, title, text, QMessageBox::Ok);
        });
    }
    if (!chief)
        return;
    chief->setWebGUI(&m_webGUI);
    connect(actImportExcelReferenceData, &QAction::triggered, this, &OzmidMainWnd::importReferenceData);
    connect(actImportJSONReferenceData, &QAction::triggered, this, &OzmidMainWnd::importReferenceDataFromJSON);
    connect(this, &OzmidMainWnd::modelSaveFileSpecified, chief, &Chief::saveModelsToExcel);
    connect(this, &OzmidMainWnd::modelLoadFileSpecified, chief, &Chief::loadModelsFromExcel);
    connect(chief, &Chief::runningChanged, this, &OzmidMainWnd::updateActionsForRun);
    updateActionsForRun(chief->isRunning());
    // Results come with the end of a run and go with the models.
    connect(chief, &Chief::runningChanged, this, &OzmidMainWnd::updateResultsTableAction);
    connect(chief, &Chief::programReinitialized, this, &OzmidMainWnd::updateResultsTableAction);
    updateResultsTableAction();
    // Reports may come from the run's threads: the controller's signal is queued to the page.
    QPointer<Chief> target(chief);
    m_diagnostics = std::make_unique<ut::ScopedDiagnosticsSink>([target](const QString& text) {
        if (!target)
            return;
        QMetaObject::invokeMethod(
            target.data(),
            [target, text] {
                if (target)
                    emit target->notice(QStringLiteral("Note"), text.toHtmlEscaped(), QStringLiteral("warning"));
            },
            Qt::QueuedConnection);
    });
}

void OzmidMainWnd::updateActionsForRun(bool running)
{
    for (QAction* action :
         {actLoadModels, actSaveModels, actImportExcelReferenceData, actImportJSONReferenceData, actOptions})
        action->setEnabled(!running);
}

bool OzmidMainWnd::confirmDeletingModels(const QString& title)
{
    const std::size_t count = m_chief->models().size();
    if (count == 0)
        return true;
    const QMessageBox::StandardButton answer = QMessageBox::question(
        this, title,
        translated("Importing reference data deletes the %1 model(s) defined, with their edits and results.\n\n"
                   "Import anyway?")
            .arg(count),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    return answer == QMessageBox::Yes;
}

void OzmidMainWnd::importReferenceData()
{
    if (m_chief && confirmDeletingModels(translated("Import reference data from Excel")))
        m_chief->importReferenceData();
}

void OzmidMainWnd::importReferenceDataFromJSON()
{
    if (m_chief && confirmDeletingModels(translated("Import reference data from JSON")))
        m_chief->importReferenceDataFromJSON();
}

void OzmidMainWnd::showAboutOzmidDialog()
{
    const QVariantMap buildInfo{
        {QStringLiteral("buildDate"), QStringLiteral("%1, %2").arg(QLatin1String(__DATE__), QLatin1String(__TIME__))},
        {QStringLiteral("buildVersion"), QCoreApplication::applicationVersion()},
    };
    (new AboutOzmidDlg(&m_webGUI, buildInfo, this))->show();
}

void OzmidMainWnd::showAbout3rdPartyDialog()
{
    (new About3rdPartyDlg(&m_webGUI, this))->show();
}

void OzmidMainWnd::showWhatsNewDialog()
{
    (new WhatsNewDlg(&m_webGUI, this))->show();
}

void OzmidMainWnd::showModelCreateDialog()
{
    QMessageBox::information(this, translated("Model Create tool"),
                             translated("The Model Create tool is not part of this build of Ozmid."));
}

void OzmidMainWnd::showOptionsDialog()
{
    if (!m_chief)
        return;
    // A run draws from the engine the dialog re-seeds.
    if (m_chief->isRunning())
        return;
    fn::Settings& settings = m_chief->settings();
    const int samples = settings.defaultNumberOfSamples();
    const double rate = settings.timeDiscountRate();
    const bool analysis = settings.sensitivityAnalysis();
    SettingsDlg dialog(settings, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    dialog.saveSettings();
    fn::reseed(static_cast<std::uint32_t>(settings.randomSeed()));
    // What the user changed is taken at once; what the Run tab holds otherwise stays.
    m_chief->applyChangedRunSettings(samples, rate, analysis);
}

void OzmidMainWnd::showSaveModelsDialog()
{
    const QString fileName = QFileDialog::getSaveFileName(this, translated("Export models"), QDir::currentPath(),
                                                          workbookFilter);
    QString tested = fileName;
    if (QDir::toNativeSeparators(tested.remove(QStringLiteral(".xls"))).isNull())
        return;
    emit modelSaveFileSpecified(QFileInfo(fileName));
}

void OzmidMainWnd::showLoadModelsDialog()
{
    const QFileInfo file(
        QFileDialog::getOpenFileName(this, translated("Import models"), QDir::currentPath(), loadWorkbookFilters));
    if (file.exists())
        emit modelLoadFileSpecified(file);
}

void OzmidMainWnd::updateResultsTableAction()
{
    actSaveResultsTable->setEnabled(m_chief && m_chief->hasResults());
}

void OzmidMainWnd::showSaveResultsTableDialog()
{
    if (!m_chief || !m_chief->hasResults())
        return;
    QStringList filters;
    for (const auto& format : tableFormats)
        filters << format.first;
    QString filter;
    QString path = QFileDialog::getSaveFileName(this, translated("Save results as table"), QDir::currentPath(),
                                                filters.join(QStringLiteral(";;")), &filter);
    // A run started meanwhile (the dialog does not block every source of events) writes the models.
    if (path.isEmpty() || !m_chief || !m_chief->hasResults())
        return;
    if (!ResultsTable::isTablePath(path)) {
        for (const auto& format : tableFormats) {
            if (format.first == filter)
                path += format.second;
        }
    }
    const QString title = translated("Results table");
    QString error;
    if (ResultsTable::save(path, m_chief->models(), m_chief->currentAggregatedResults(), &error))
        m_chief->reportNotice(
            title, translated("Results saved as a table in %1.").arg(QDir::toNativeSeparators(path).toHtmlEscaped()),
            QStringLiteral("success"));
    else
        m_chief->reportNotice(title, error.toHtmlEscaped(), QStringLiteral("error"));
}

void OzmidMainWnd::closeEvent(QCloseEvent* event)
{
    const QMessageBox::StandardButton answer = QMessageBox::question(
        this, translated("Quit confirm"), translated("Do you want to quit the application?"),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes) {
        event->ignore();
        return;
    }
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        if (window != this && window->isVisible())
            window->close();
    }
    event->accept();
}

} // namespace ui
