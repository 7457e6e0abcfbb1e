#include "ui/OzmidMainWnd.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QWebEngineView>

#include "fn/values/RandomFunctions.h"
#include "ui/About3rdPartyDlg.h"
#include "ui/AboutOzmidDlg.h"
#include "ui/Chief.h"
#include "ui/SettingsDlg.h"
#include "ui/WhatsNewDlg.h"

namespace ui {

namespace {

QPointer<OzmidMainWnd> s_mainWindow;

QString translated(const char* text)
{
    return QCoreApplication::translate("OzmidMainWnd", text);
}

const QString workbookFilter = QStringLiteral("Excel files (*.xls)");

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
    if (m_chief) {
        disconnect(actImportExcelReferenceData, nullptr, m_chief, nullptr);
        disconnect(actImportJSONReferenceData, nullptr, m_chief, nullptr);
        disconnect(this, nullptr, m_chief, nullptr);
    }
    m_chief = chief;
    m_webGUI.setChief(chief);
    if (!chief)
        return;
    chief->setWebGUI(&m_webGUI);
    connect(actImportExcelReferenceData, &QAction::triggered, chief, &Chief::importReferenceData);
    connect(actImportJSONReferenceData, &QAction::triggered, chief, &Chief::importReferenceDataFromJSON);
    connect(this, &OzmidMainWnd::modelSaveFileSpecified, chief, &Chief::saveModelsToExcel);
    connect(this, &OzmidMainWnd::modelLoadFileSpecified, chief, &Chief::loadModelsFromExcel);
}

void OzmidMainWnd::showAboutOzmidDialog()
{
    const QVariantMap buildInfo {
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
    SettingsDlg dialog(m_chief->settings(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    dialog.saveSettings();
    fn::reseed(static_cast<std::uint32_t>(m_chief->settings().randomSeed()));
}

void OzmidMainWnd::showSaveModelsDialog()
{
    const QString fileName
        = QFileDialog::getSaveFileName(this, translated("Export models"), QDir::currentPath(), workbookFilter);
    QString tested = fileName;
    if (QDir::toNativeSeparators(tested.remove(QStringLiteral(".xls"))).isNull())
        return;
    emit modelSaveFileSpecified(QFileInfo(fileName));
}

void OzmidMainWnd::showLoadModelsDialog()
{
    const QFileInfo file(
        QFileDialog::getOpenFileName(this, translated("Import models"), QDir::currentPath(), workbookFilter));
    if (file.exists())
        emit modelLoadFileSpecified(file);
}

void OzmidMainWnd::closeEvent(QCloseEvent* event)
{
    const QMessageBox::StandardButton answer
        = QMessageBox::question(this, translated("Quit confirm"), translated("Do you want to quit the application?"),
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
