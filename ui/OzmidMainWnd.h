#pragma once

#include <QFileInfo>
#include <QMainWindow>
#include <QPointer>

#include "ui/WebGUI.h"
#include "ui_OzmidMainWnd.h"

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

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    OzmidMainWnd();
    void buildMenus();

    QPointer<Chief> m_chief;
    WebGUI m_webGUI;
};

} // namespace ui
