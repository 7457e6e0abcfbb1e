#pragma once

namespace ui {

// What the command line and the main window set up alike, so that both keep their settings and
// print their version under the same names.
class ApplicationSetup
{
public:
    // Before the application object exists: the run-time folder and the toolkit's high-DPI rules.
    static void prepare();
    // Once the application object exists: the names the settings and the logs use.
    static void name();
};

} // namespace ui
