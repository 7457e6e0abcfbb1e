#pragma once

#include <QFileInfo>
#include <QMainWindow>
#include <QPointer>
#include <memory>

#include "ui/shell/WebGUI.h"
#include "ui_OzmidMainWnd.h"

namespace ut {
class ScopedDiagnosticsSink;
}

namespace ui {

class Chief;

// The program's one main window: a menu bar and the main page, which does nearly all
// the work through the bridge the window owns. The window adds the workbook file
// dialogs, the options dialog, the information dialogs and the quit confirmation.
class OzmidMainWnd : public QMainWindow, private Ui::OzmidMainWnd
{
    Q_OBJECT

public:
    // The main window, created on the first call; later calls return the same window
    // while it exists. The caller owns it (the program deletes it when it quits).
    static OzmidMainWnd* create();
    ~OzmidMainWnd() override;

    void setChief(Chief* chief);

    WebGUI& webGUI() { return m_webGUI; }
    QWebEngineView* webView() const { return webContent; }

signals:
    void modelSaveFileSpecified(QFileInfo fileInfo);
    void modelLoadFileSpecified(QFileInfo fileInfo);

public slots:
    void showAboutOzmidDialog();
    void showAbout3rdPartyDialog();
    void showWhatsNewDialog();
    void showModelCreateDialog();

private slots:
    void showOptionsDialog();
    void showSaveModelsDialog();
    void showLoadModelsDialog();
    // Asks for a file and writes the results table there (see ResultsTable).
    void showSaveResultsTableDialog();
    // The results table can be saved while a model holds results and no run is in progress.
    void updateResultsTableAction();
    // Importing reference data deletes every model: asked first when there are any.
    void importReferenceData();
    void importReferenceDataFromJSON();
    // Nothing that changes the models can be chosen while a run uses them.
    void updateActionsForRun(bool running);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    OzmidMainWnd();
    void buildMenus();
    bool confirmDeletingModels(const QString& title);

    QPointer<Chief> m_chief;
    WebGUI m_webGUI;
    // Explanations the program reports go to the page while the window shows it.
    std::unique_ptr<ut::ScopedDiagnosticsSink> m_diagnostics;
};

} // namespace ui
