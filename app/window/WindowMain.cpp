#include <stdexcept>

#include <QApplication>
#include <QMessageBox>

#include "InterfaceResources.h"
#include "WindowMain.h"
#include "app/ApplicationSetup.h"
#include "ui/Chief.h"
#include "ui/shell/OzmidMainWnd.h"
#include "ut/Exception.h"

namespace {

int showWindow(QApplication& application, ui::Chief& chief)
{
    ozmidInitInterfaceResources();
    ui::OzmidMainWnd* window = ui::OzmidMainWnd::create();
    window->setChief(&chief);
    window->show();
    QObject::connect(&application, &QCoreApplication::aboutToQuit, window, &QObject::deleteLater);
    return application.exec();
}

} // namespace

extern "C" Q_DECL_EXPORT int ozmidWindowMain(int argc, char* argv[])
{
    ui::ApplicationSetup::prepare();
    // The page's web engine shares its OpenGL contexts; it asks for that before the application
    // exists, which it cannot do itself from a library loaded on demand.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    ui::ApplicationSetup::name();
    ui::Chief& chief = *ui::Chief::instance();
    chief.setBasePath(QApplication::applicationDirPath());
    try {
        return showWindow(application, chief);
    } catch (const ut::Exception& e) {
        QMessageBox::critical(nullptr, QStringLiteral("Error"), ut::fatalErrorText(e), QMessageBox::Ok);
    } catch (const std::runtime_error& e) {
        QMessageBox::critical(nullptr, QStringLiteral("Error"), QString::fromLocal8Bit(e.what()), QMessageBox::Ok);
    } catch (...) {
        // "occured": the established wording of this box, kept letter for letter.
        QMessageBox::critical(nullptr, QStringLiteral("Error"),
                              QStringLiteral("An error has occured. The program will terminate now"), QMessageBox::Ok);
    }
    return 0;
}
