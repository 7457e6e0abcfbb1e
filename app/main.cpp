#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include <dlfcn.h>

#include <QGuiApplication>

#include "ApplicationSetup.h"
#include "CommandLineRun.h"
#include "ui/Chief.h"
#include "window/WindowMain.h"

namespace {

// Loads the main window's library from the program's folder and runs the window.
int runWindow(int argc, char* argv[])
{
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::string library = error ? std::string(ozmidWindowLibrary)
                                      : (program.parent_path() / ozmidWindowLibrary).string();
    void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        std::fprintf(stderr, "The main window cannot open: %s\n", dlerror());
        return 1;
    }
    const auto windowMain = reinterpret_cast<OzmidWindowMain>(dlsym(handle, "ozmidWindowMain"));
    if (!windowMain) {
        std::fprintf(stderr, "The main window cannot open: %s has no ozmidWindowMain\n", library.c_str());
        return 1;
    }
    // The library stays loaded: the toolkit's exit handlers may still call into it.
    return windowMain(argc, argv);
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 2)
        return runWindow(argc, argv);

    // The application object takes the toolkit's own options out of argv; the window, should
    // nothing else be left, gets them all.
    std::vector<char*> originalArguments(argv, argv + argc + 1);
    {
        // A command-line run needs no window system: without a display it runs on Qt's offscreen
        // platform, whose clipboard lives only as long as the process.
        if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
            && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        ui::ApplicationSetup::prepare();
        QGuiApplication application(argc, argv);
        if (QCoreApplication::arguments().size() >= 2) {
            ui::ApplicationSetup::name();
            ui::Chief& chief = *ui::Chief::instance();
            chief.setBasePath(QCoreApplication::applicationDirPath());
            return ui::CommandLineRun(application, chief).exec();
        }
    }
    return runWindow(int(originalArguments.size()) - 1, originalArguments.data());
}
