#include <stdexcept>

#include <QApplication>
#include <QMessageBox>

#include "CommandLineRun.h"
#include "InterfaceResources.h"
#include "ui/Chief.h"
#include "ui/shell/OzmidMainWnd.h"
#include "ut/Exception.h"
#include "ut/RuntimeFolder.h"

namespace {

int runGraphical(QApplication& application, ui::Chief& chief)
{
    ozmidInitInterfaceResources();
    ui::OzmidMainWnd* window = ui::OzmidMainWnd::create();
    window->setChief(&chief);
    window->show();
    QObject::connect(&application, &QCoreApplication::aboutToQuit, window, &QObject::deleteLater);
    return application.exec();
}

} // namespace

int main(int argc, char* argv[])
{
    // A command-line run needs no window system: without a display it runs on Qt's offscreen
    // platform, whose clipboard lives only as long as the process.
    if (argc >= 2 && qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ut::RuntimeFolder::prepare();
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
    QApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Tesk"));
    QApplication::setOrganizationDomain(QStringLiteral("ozmid.example"));
    QApplication::setApplicationName(QStringLiteral("Ozmid"));
    QApplication::setApplicationVersion(QStringLiteral("2.0.0"));

    ui::Chief& chief = *ui::Chief::instance();
    chief.setBasePath(QApplication::applicationDirPath());

    if (QApplication::arguments().size() >= 2)
        return ui::CommandLineRun(application, chief).exec();

    try {
        return runGraphical(application, chief);
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
